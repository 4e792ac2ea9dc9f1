// "文字图标": every slot's tree takes the text-mark icon strip (500) when checked and the picture
// strip (501) otherwise, paints with it, and the choice survives a restart.
#include "app_test_base.h"

using namespace app_test;

class IconsTest : public AppTestBase {
    Q_OBJECT

    // The pixels of the first child row's icon, as painted.
    static QImage firstChildIcon(Window& w) {
        auto* tree = w.current()->tree;
        const QImage img = tree->canvas()->image();
        const int size = tree->iconSize();
        // Row 1 of the painted rows; the icon sits left of the text, so take the row's left part.
        return img.copy(0, size + 2, 120, size);
    }

private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    void theCheckSwitchesEveryTreesStrip() {
        auto w = parsedWindow(u"{\"a\":1,\"b\":[2]}");
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->selectSlot(5); // a second slot with its tree made
        w->selectSlot(0);
        QCOMPARE(w->textIconCheck->checked(), 0);
        QCOMPARE(w->current()->tree->imageStrip(), int(Window::kPictureIconsImage));
        const QImage pictures = firstChildIcon(*w);

        click(w->textIconCheck->button());
        QCOMPARE(w->textIconCheck->checked(), 1);
        for (int i = 0; i < Window::kSlotCount; ++i)
            if (w->slot(i).tree) QCOMPARE(w->slot(i).tree->imageStrip(), int(Window::kTextIconsImage));
        QCOMPARE(w->current()->tree->iconSize(), 20);
        QVERIFY(firstChildIcon(*w) != pictures); // painted with the other strip

        w->close();
        w.reset();
        auto again = shownWindow();
        QCOMPARE(again->textIconCheck->checked(), 1);
        QCOMPARE(again->current()->tree->imageStrip(), int(Window::kTextIconsImage));
        click(again->textIconCheck->button());
        QCOMPARE(again->current()->tree->imageStrip(), int(Window::kPictureIconsImage));
    }
};

QTEST_MAIN(IconsTest)
#include "test_app_icons.moc"
