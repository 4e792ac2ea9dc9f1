// The main window's keyboard shortcuts: every slot, the path box, the find panel and the next
// match, with real key events; and the slot bar keeping a slot picked by keyboard in view.
#include "app_test_base.h"

using namespace app_test;

class KeyboardTest : public AppTestBase {
    Q_OBJECT

    std::unique_ptr<Window> activeWindow() {
        auto w = shownWindow();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get())) return nullptr;
        return w;
    }

private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    void slotKeys_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("Ctrl+1") << 4 << int(Qt::Key_1) << 0;
        QTest::newRow("Ctrl+5") << 0 << int(Qt::Key_5) << 4;
        QTest::newRow("Ctrl+9") << 0 << int(Qt::Key_9) << 8;
        QTest::newRow("Ctrl+0") << 0 << int(Qt::Key_0) << 9;
        QTest::newRow("Ctrl+PgDn") << 3 << int(Qt::Key_PageDown) << 4;
        QTest::newRow("Ctrl+PgDn at the end") << 19 << int(Qt::Key_PageDown) << 0;
        QTest::newRow("Ctrl+PgUp") << 3 << int(Qt::Key_PageUp) << 2;
        QTest::newRow("Ctrl+PgUp at the start") << 0 << int(Qt::Key_PageUp) << 19;
    }
    void slotKeys() {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        auto w = activeWindow();
        QVERIFY(w);
        w->selectSlot(from);
        QCOMPARE(w->currentSlot(), from);
        QTest::keyClick(w.get(), Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(w->currentSlot(), to);
        QCOMPARE(w->slotBar->currentTab(), to);
        QVERIFY(w->slot(to).loaded);
    }

    // All twenty slots are reachable at the design width, and the current tab is shown whole.
    void everySlotIsReachableAndItsTabShown() {
        auto w = activeWindow();
        QVERIFY(w);
        for (int i = 1; i < Window::kSlotCount; ++i) {
            QTest::keyClick(w.get(), Qt::Key_PageDown, Qt::ControlModifier);
            QCOMPARE(w->currentSlot(), i);
            const QRect tab = w->slotBar->tab(i)->geometry();
            QVERIFY2(tab.left() >= 0 && tab.right() < w->slotBar->width(), qPrintable(QString::number(i)));
            QVERIFY(tab.width() > 20);
        }
        QTest::keyClick(w.get(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(w->slotBar->tab(0)->geometry().left(), 5); // back at the start of the row
    }

    void pathBoxAndFindPanel() {
        auto w = activeWindow();
        QVERIFY(w);
        w->pathBox->setContent(u"a.b");
        QTest::keyClick(w.get(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(w->pathBox->hasFocus());
        QCOMPARE(w->pathBox->selectedText(), QStringLiteral("a.b"));

        click(w->findToggle); // hide the panel
        QVERIFY(!w->findPanel->isVisible());
        QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(w->findPanel->isVisible());
        QVERIFY(w->findTextBox->hasFocus());
        QCOMPARE(w->findTextBox->selectedText(), QStringLiteral("level"));
    }

    void f3FindsForwardAndShiftF3Backward() {
        auto w = parsedWindow(u"[\"hit\",\"x\",\"hit\",\"hit\"]");
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->findTextBox->setContent(u"hit");
        Store& st = store(*w);
        st.setSelection(1);
        QTest::keyClick(w.get(), Qt::Key_F3);
        QCOMPARE(st.getSelection(), 3);
        QTest::keyClick(w.get(), Qt::Key_F3);
        QCOMPARE(st.getSelection(), 4);
        QTest::keyClick(w.get(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(st.getSelection(), 3);
    }

    // The tree box keeps its own keys: F2 still opens the in-place editor.
    void treeKeysStayTheTrees() {
        auto w = parsedWindow(u"{\"k\":1}");
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        Store& st = store(*w);
        st.setSelection(1);
        w->current()->tree->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QVERIFY(w->current()->tree->isEditing());
    }
};

QTEST_MAIN(KeyboardTest)
#include "test_app_keyboard.moc"
