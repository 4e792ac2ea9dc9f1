// The input box dialog: parts and fonts, layout rules, input and view modes, the five buttons,
// closing from the frame, the blocking call and its one-at-a-time rule, robustness.
#include <functional>

#include <QDir>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "controls/button.h"
#include "runtime/ui/container.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "text/font/screen_font.h"
#include "text/ui/input_box.h"
#include "text/ui/rich_edit.h"

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::TestPlatform;
using rg_Korrin_ChuangKou::TestPlatformInstall;
using rg_Korrin_ChuangKou::toQString;

namespace {

CWString w(const char* utf8) {
    return fromQString(QString::fromUtf8(utf8));
}

// Presses a dialog button the way the user does: the button acts on the press.
void press(rg_TolvarAnNiu1* button) {
    QTest::mousePress(button->canvas(), Qt::LeftButton, {}, QPoint(10, 10));
}

void click(rg_TolvarAnNiu1* button) {
    press(button);
    QTest::mouseRelease(button->canvas(), Qt::LeftButton, {}, QPoint(10, 10));
}

// Runs `whileOpen` once the dialog's call is waiting, then makes the call.
bool runDialog(rg_TolvarShuRuKuangLei& dialog, const CWString& initial, const CWString& prompt,
               const CWString& caption, InputResult& result, int32_t height, bool selectAll,
               const std::function<void()>& whileOpen) {
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        if (!QTest::qWaitForWindowExposed(&dialog)) {
            dialog.close(); // never leave the call waiting
            QFAIL("the dialog was not shown");
        }
        whileOpen();
        if (dialog.isVisible()) {
            dialog.close();
            QFAIL("the test left the dialog open");
        }
    });
    const bool accepted = dialog.showInputBox(initial, prompt, caption, result, height, selectAll);
    if (!ran) qWarning("the dialog's call returned before the test acted on it");
    return accepted;
}

QString screenshotDir() {
    const QString dir = QStringLiteral(QUELIX_BUILD_DIR "/screenshots");
    QDir().mkpath(dir);
    return dir;
}

} // namespace

class InputBoxTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        platform_ = TestPlatform();
        installed_ = std::make_unique<TestPlatformInstall>(platform_);
    }
    void cleanup() { installed_.reset(); }

    void parts_designPositionsAndFonts();
    void layout_data();
    void layout();
    void layout_longPromptWraps();
    void ok_afterClear_returnsTrueWithEmptyResult();
    void ok_returnsEnteredText();
    void cancel_leavesResultUnchanged();
    void viewMode_hidesOkAndRow_data();
    void viewMode_hidesOkAndRow();
    void frameClose_asksOnlyWhenEdited_data();
    void frameClose_asksOnlyWhenEdited();
    void restore_bringsBackStartingText();
    void paste_replacesEverything_data();
    void paste_replacesEverything();
    void secondCall_returnsFalseAtOnce();
    void height_appliesToOneCall();
    void selectAll_onlyWhenAsked();
    void focus_inInputBox();
    void sharedInstance();
    void robustness_repeatedAndDegenerate();
    void screenshots();

private:
    TestPlatform platform_;
    std::unique_ptr<TestPlatformInstall> installed_;
};

void InputBoxTest::parts_designPositionsAndFonts() {
    rg_TolvarShuRuKuangLei dialog;
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(dialog.isWindow());
    QCOMPARE(dialog.size(), QSize(815, 395));
    QCOMPARE(dialog.restoreButton()->geometry(), QRect(0, 0, 90, 45));
    QCOMPARE(dialog.clearButton()->geometry(), QRect(96, 0, 90, 45));
    QCOMPARE(dialog.pasteButton()->geometry(), QRect(192, 0, 90, 45));
    QCOMPARE(dialog.restoreButton()->parentWidget(), dialog.buttonRow());
    QCOMPARE(dialog.buttonRow()->size(), QSize(282, 45)); // reaches the last button's right edge
    QCOMPARE(dialog.okButton()->size(), QSize(96, 45));
    QCOMPARE(dialog.cancelButton()->size(), QSize(96, 45));
    QCOMPARE(dialog.okButton()->caption(), CWString(u"确定"));
    QVERIFY(dialog.okButton()->currentLook().caption == CWStringView(u"确定"));
    QCOMPARE(dialog.restoreButton()->caption(), CWString(u"恢复"));
    QCOMPARE(dialog.clearButton()->caption(), CWString(u"清空"));
    QCOMPARE(dialog.pasteButton()->caption(), CWString(u"粘贴"));

    const QFont boxFont = rg_Tolvar_MingLingJi::fontFromDescription(u", 11, 0, 0, 0, 0, 0").font;
    const QFont buttonFont = rg_Tolvar_MingLingJi::fontFromDescription(u", 15, 0, 0, 0, 0, 0").font;
    QCOMPARE(dialog.inputBox()->font(), boxFont);
    QCOMPARE(dialog.promptBox()->font(), boxFont);
    for (rg_TolvarAnNiu1* b : {dialog.restoreButton(), dialog.clearButton(), dialog.pasteButton(),
                               dialog.okButton(), dialog.cancelButton()})
        QCOMPARE(b->canvas()->screenFont().font, buttonFont);
    QVERIFY(dialog.promptBox()->isReadOnly());
    QVERIFY(dialog.inputBox()->multiLine());
    QVERIFY(dialog.inputBox()->wordWrap());
    QCOMPARE(dialog.inputBox()->maxLength(), 0);
}

void InputBoxTest::layout_data() {
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("prompt");
    QTest::addColumn<QRect>("input");
    QTest::addColumn<QRect>("row");
    QTest::addColumn<QRect>("ok");
    QTest::addColumn<QRect>("cancel");
    // Empty prompt: it takes no height.
    QTest::newRow("design size") << QSize(815, 395) << QRect(5, 5, 805, 0) << QRect(5, 10, 805, 330)
                                 << QRect(5, 345, 282, 45) << QRect(613, 345, 96, 45)
                                 << QRect(714, 345, 96, 45);
    QTest::newRow("remark height") << QSize(815, 200) << QRect(5, 5, 805, 0) << QRect(5, 10, 805, 135)
                                   << QRect(5, 150, 282, 45) << QRect(613, 150, 96, 45)
                                   << QRect(714, 150, 96, 45);
    QTest::newRow("wide") << QSize(1200, 600) << QRect(5, 5, 1190, 0) << QRect(5, 10, 1190, 535)
                          << QRect(5, 550, 282, 45) << QRect(998, 550, 96, 45) << QRect(1099, 550, 96, 45);
    QTest::newRow("smaller than the margins")
        << QSize(0, 0) << QRect(5, 5, -10, 0) << QRect(5, 10, -10, -65) << QRect(5, -50, 282, 45)
        << QRect(-202, -50, 96, 45) << QRect(-101, -50, 96, 45);
}

void InputBoxTest::layout() {
    QFETCH(QSize, client);
    QFETCH(QRect, prompt);
    QFETCH(QRect, input);
    QFETCH(QRect, row);
    QFETCH(QRect, ok);
    QFETCH(QRect, cancel);
    rg_TolvarShuRuKuangLei dialog;
    const rg_TolvarShuRuKuangLei::Layout l = dialog.layoutFor(client.width(), client.height());
    QCOMPARE(l.prompt, prompt);
    QCOMPARE(l.input, input);
    QCOMPARE(l.row, row);
    QCOMPARE(l.ok, ok);
    QCOMPARE(l.cancel, cancel);

    // The parts follow a real resize of the open dialog (the window keeps at least 1 x 1, and
    // negative part sizes clamp to 0).
    InputResult result;
    runDialog(dialog, {}, {}, {}, result, 0, false, [&] {
        dialog.resize(client);
        QCOMPARE(dialog.size(), client.expandedTo(QSize(1, 1)));
        const rg_TolvarShuRuKuangLei::Layout a = dialog.layoutFor(dialog.width(), dialog.height());
        QCOMPARE(dialog.inputBox()->pos(), a.input.topLeft());
        QCOMPARE(dialog.inputBox()->width(), std::max(0, a.input.width()));
        QCOMPARE(dialog.inputBox()->height(), std::max(0, a.input.height()));
        QCOMPARE(dialog.buttonRow()->pos(), a.row.topLeft());
        QCOMPARE(dialog.okButton()->geometry(), a.ok);
        QCOMPARE(dialog.cancelButton()->geometry(), a.cancel);
        dialog.close();
    });
}

void InputBoxTest::layout_longPromptWraps() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult result;
    const CWString prompt = w("JSON文件：") + CWString(120, u'p') + w("\r\nJSON路径：data.items.[180]");
    runDialog(dialog, {}, prompt, {}, result, 0, false, [&] {
        const int oneLine = dialog.promptHeightFor(5000 / 2); // the path fits: two lines
        QVERIFY(oneLine > 0);
        const int narrow = dialog.promptHeightFor(200);
        QVERIFY(narrow > oneLine); // the long line wraps
        dialog.resize(815, 395);
        const int h = dialog.promptHeightFor(815 - 12);
        QCOMPARE(dialog.promptBox()->geometry(), QRect(5, 5, 805, h));
        QCOMPARE(dialog.inputBox()->geometry(), QRect(5, 5 + h + 5, 805, 395 - 45 - h - 5 - 15));
        QCOMPARE(dialog.buttonRow()->y(), 395 - 50);
        QCOMPARE(dialog.promptBox()->toPlainText(), QString::fromUtf8("JSON文件：") +
                                                        QString(120, QLatin1Char('p')) +
                                                        QString::fromUtf8("\nJSON路径：data.items.[180]"));
        press(dialog.cancelButton());
    });
}

void InputBoxTest::ok_afterClear_returnsTrueWithEmptyResult() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult result{u"old", false};
    const bool accepted = runDialog(dialog, u"备注", {}, {}, result, 0, false, [&] {
        click(dialog.clearButton());
        QCOMPARE(dialog.inputBox()->text(), CWString());
        press(dialog.okButton());
    });
    QVERIFY(accepted);
    QCOMPARE(result.text, CWString());
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.isRunning());
}

void InputBoxTest::ok_returnsEnteredText() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult result;
    const bool accepted = runDialog(dialog, u"ab", {}, u"标题", result, 0, false, [&] {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("标题"));
        dialog.inputBox()->setFocus();
        dialog.inputBox()->setSelection(2, 2);
        QTest::keyClicks(dialog.inputBox(), QStringLiteral("c"));
        QTest::keyClick(dialog.inputBox(), Qt::Key_Return);
        QTest::keyClicks(dialog.inputBox(), QStringLiteral("d"));
        press(dialog.okButton());
    });
    QVERIFY(accepted);
    QCOMPARE(result.text, CWString(u"abc\r\nd"));
}

void InputBoxTest::cancel_leavesResultUnchanged() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult result{u"unchanged", false};
    const bool accepted = runDialog(dialog, u"start", {}, {}, result, 0, false, [&] {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("输入："));
        QCOMPARE(dialog.cancelButton()->caption(), CWString(u"取消"));
        dialog.inputBox()->setFocus();
        QTest::keyClicks(dialog.inputBox(), QStringLiteral("edited"));
        press(dialog.cancelButton());
    });
    QVERIFY(!accepted);
    QCOMPARE(result.text, CWString(u"unchanged"));
    QCOMPARE(platform_.messageBoxes.size(), size_t(0)); // the cancel button never asks
}

void InputBoxTest::viewMode_hidesOkAndRow_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("title");
    QTest::newRow("default caption") << QString() << QStringLiteral("信息：");
    QTest::newRow("given caption") << QStringLiteral("解析文件流：") << QStringLiteral("解析文件流：");
}

void InputBoxTest::viewMode_hidesOkAndRow() {
    QFETCH(QString, caption);
    QFETCH(QString, title);
    rg_TolvarShuRuKuangLei dialog;
    InputResult result{u"caller's", true};
    const bool accepted = runDialog(dialog, u"{\"a\":1}", u"JSON文件：x\r\nJSON路径：a", fromQString(caption),
                                    result, 0, false, [&] {
                                        QCOMPARE(dialog.windowTitle(), title);
                                        QVERIFY(dialog.isViewMode());
                                        QVERIFY(!dialog.okButton()->isVisible());
                                        QVERIFY(!dialog.buttonRow()->isVisible());
                                        QVERIFY(dialog.cancelButton()->isVisible());
                                        QCOMPARE(dialog.cancelButton()->caption(), CWString(u"关闭"));
                                        QVERIFY(dialog.inputBox()->isReadOnly());
                                        QCOMPARE(dialog.inputBox()->backColour(), 0xECECEC);
                                        QCOMPARE(dialog.startingText(), CWString());
                                        dialog.inputBox()->setFocus();
                                        QTest::keyClicks(dialog.inputBox(), QStringLiteral("zz"));
                                        QCOMPARE(dialog.inputBox()->text(), CWString(u"{\"a\":1}"));
                                        // Selecting and copying still work.
                                        QTest::keyClick(dialog.inputBox(), Qt::Key_A, Qt::ControlModifier);
                                        QTest::keyClick(dialog.inputBox(), Qt::Key_C, Qt::ControlModifier);
                                        QCOMPARE(platform_.clipboard, CWString(u"{\"a\":1}"));
                                        dialog.close(); // from the frame: no question in view mode
                                    });
    QVERIFY(!accepted);
    QCOMPARE(result.text, CWString(u"caller's"));
    QCOMPARE(platform_.messageBoxes.size(), size_t(0));

    // The next input-mode call shows everything again on white.
    InputResult input;
    runDialog(dialog, {}, {}, {}, input, 0, false, [&] {
        QVERIFY(dialog.okButton()->isVisible());
        QVERIFY(dialog.buttonRow()->isVisible());
        QVERIFY(!dialog.inputBox()->isReadOnly());
        QCOMPARE(dialog.inputBox()->backColour(), 0xFFFFFF);
        QCOMPARE(dialog.cancelButton()->caption(), CWString(u"取消"));
        press(dialog.cancelButton());
    });
}

void InputBoxTest::frameClose_asksOnlyWhenEdited_data() {
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("restore");
    QTest::addColumn<int>("questions");
    QTest::newRow("unchanged closes silently") << false << false << 0;
    QTest::newRow("edited asks; cancel keeps it open, OK closes") << true << false << 2;
    QTest::newRow("edited then restored closes silently") << true << true << 0;
}

void InputBoxTest::frameClose_asksOnlyWhenEdited() {
    QFETCH(bool, edit);
    QFETCH(bool, restore);
    QFETCH(int, questions);
    rg_TolvarShuRuKuangLei dialog;
    InputResult result{u"kept", false};
    platform_.messageBoxAnswers = {rg_Korrin_ChuangKou::kResultCancel, rg_Korrin_ChuangKou::kResultOk};
    const bool accepted = runDialog(dialog, u"start", {}, {}, result, 0, false, [&] {
        if (edit) {
            dialog.inputBox()->setFocus();
            QTest::keyClicks(dialog.inputBox(), QStringLiteral("x"));
        }
        if (restore) click(dialog.restoreButton());
        dialog.close();
        if (questions > 0) {
            QVERIFY(dialog.isVisible()); // the first answer was Cancel
            QVERIFY(dialog.isRunning());
            dialog.close();
        }
    });
    QVERIFY(!accepted);
    QCOMPARE(result.text, CWString(u"kept"));
    QCOMPARE(static_cast<int>(platform_.messageBoxes.size()), questions);
    for (const auto& box : platform_.messageBoxes) {
        QCOMPARE(box.caption, CWString(u"信息:"));
        QCOMPARE(box.text, CWString(u"内容已经修改，确认要放弃？"));
        QVERIFY(box.buttons == rg_Korrin_ChuangKou::MessageButtons::OkCancel);
    }
    QVERIFY(!dialog.isVisible());
}

void InputBoxTest::restore_bringsBackStartingText() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult result;
    const bool accepted = runDialog(dialog, u"原来的", {}, {}, result, 0, false, [&] {
        click(dialog.clearButton());
        dialog.inputBox()->setFocus();
        QTest::keyClicks(dialog.inputBox(), QStringLiteral("new"));
        click(dialog.restoreButton());
        QCOMPARE(dialog.inputBox()->text(), CWString(u"原来的"));
        press(dialog.okButton());
    });
    QVERIFY(accepted);
    QCOMPARE(result.text, CWString(u"原来的"));
}

void InputBoxTest::paste_replacesEverything_data() {
    QTest::addColumn<QString>("clipboard");
    QTest::newRow("empty clipboard empties the box") << QString();
    QTest::newRow("text replaces the whole content") << QStringLiteral("粘贴的\r\n文本");
}

void InputBoxTest::paste_replacesEverything() {
    QFETCH(QString, clipboard);
    platform_.clipboard = fromQString(clipboard);
    rg_TolvarShuRuKuangLei dialog;
    InputResult result;
    const bool accepted = runDialog(dialog, u"existing text", {}, {}, result, 0, false, [&] {
        dialog.inputBox()->setSelection(3, 3); // a caret in the middle does not matter
        click(dialog.pasteButton());
        QCOMPARE(toQString(dialog.inputBox()->text()), clipboard);
        press(dialog.okButton());
    });
    QVERIFY(accepted);
    QCOMPARE(toQString(result.text), clipboard);
}

void InputBoxTest::secondCall_returnsFalseAtOnce() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult first;
    runDialog(dialog, u"first", u"prompt one", u"one", first, 0, false, [&] {
        InputResult second{u"second's", false};
        QVERIFY(!dialog.showInputBox(u"second", u"prompt two", u"two", second, 100, true));
        QCOMPARE(second.text, CWString(u"second's"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("one"));
        QCOMPARE(dialog.inputBox()->text(), CWString(u"first"));
        QCOMPARE(dialog.promptBox()->toPlainText(), QStringLiteral("prompt one"));
        QCOMPARE(dialog.inputBox()->selectionLength(), 0);
        QVERIFY(dialog.isRunning());
        press(dialog.okButton());
    });
    QCOMPARE(first.text, CWString(u"first"));
    // Once the first call is over the dialog opens again.
    InputResult third;
    QVERIFY(runDialog(dialog, u"third", {}, {}, third, 0, false, [&] { press(dialog.okButton()); }));
    QCOMPARE(third.text, CWString(u"third"));
}

void InputBoxTest::height_appliesToOneCall() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult result;
    runDialog(dialog, {}, {}, w("修改当前树的备注名称，将显示在顶级节点。备注留空将使用默认值。"), result,
              200, true, [&] {
                  const int frame = dialog.frameGeometry().height() - dialog.geometry().height();
                  QCOMPARE(dialog.height() + frame, 200);
                  QCOMPARE(dialog.width(), 815);
                  QCOMPARE(dialog.cancelButton()->y(), dialog.height() - 50);
                  press(dialog.cancelButton());
              });
    runDialog(dialog, {}, {}, {}, result, 0, false, [&] {
        QCOMPARE(dialog.height(), 395);
        press(dialog.cancelButton());
    });
}

void InputBoxTest::selectAll_onlyWhenAsked() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult result;
    runDialog(dialog, u"remark", {}, {}, result, 0, true, [&] {
        QCOMPARE(dialog.inputBox()->selectionStart(), 0);
        QCOMPARE(dialog.inputBox()->selectionEnd(), 6);
        press(dialog.cancelButton());
    });
    QCOMPARE(dialog.inputBox()->selectionLength(), 0); // reset at the end of the call
    runDialog(dialog, u"remark", {}, {}, result, 0, false, [&] {
        QCOMPARE(dialog.inputBox()->selectionLength(), 0);
        press(dialog.cancelButton());
    });
}

void InputBoxTest::focus_inInputBox() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult result;
    runDialog(dialog, u"x", {}, {}, result, 0, false, [&] {
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTRY_VERIFY(dialog.inputBox()->hasFocus());
        press(dialog.cancelButton());
    });
}

void InputBoxTest::sharedInstance() {
    rg_TolvarShuRuKuangLei& dialog = rg_TolvarShuRuKuangLei::instance();
    QCOMPARE(&rg_TolvarShuRuKuangLei::instance(), &dialog);
    InputResult result;
    QTimer::singleShot(0, &dialog, [&] {
        QVERIFY(dialog.isRunning());
        press(dialog.okButton());
    });
    QVERIFY(showInputBox(u"via the free function", {}, {}, result));
    QCOMPARE(result.text, CWString(u"via the free function"));
}

void InputBoxTest::robustness_repeatedAndDegenerate() {
    rg_TolvarShuRuKuangLei dialog;
    for (int i = 0; i < 20; ++i) {
        const bool degenerate = i % 5 == 0;
        InputResult result{{}, i % 2 == 1};
        const bool accepted = runDialog(dialog, fromQString(QString::number(i)), {}, {}, result,
                                        i % 3 ? 0 : 120, i % 4 == 0, [&] {
                                            if (degenerate) {
                                                dialog.resize(0, 0); // the window keeps at least 1 x 1
                                                QVERIFY(!dialog.grab().isNull());
                                                dialog.close();
                                            } else if (i % 2 == 0) {
                                                press(dialog.okButton());
                                            } else {
                                                dialog.close();
                                            }
                                        });
        QCOMPARE(accepted, i % 2 == 0 && !degenerate);
    }
    // A height below the frame still leaves a window that opens again.
    InputResult tiny;
    runDialog(dialog, {}, {}, {}, tiny, 1, false, [&] { dialog.close(); });
    runDialog(dialog, {}, {}, {}, tiny, 0, false, [&] { press(dialog.okButton()); });
    // A 50 MB text in view mode, scrolled to the end and closed.
    CWString big;
    const CWString line = w("{\"名称\": \"值\", \"n\": 1234567890},\r\n");
    while (big.size() < (50u << 20) / sizeof(char16_t))
        big += line;
    InputResult view{{}, true};
    runDialog(dialog, big, u"大文件", {}, view, 0, false, [&] {
        QCOMPARE(dialog.inputBox()->textLength(), static_cast<int32_t>(big.size()));
        dialog.inputBox()->verticalScrollBar()->setValue(dialog.inputBox()->verticalScrollBar()->maximum());
        dialog.grab();
        press(dialog.cancelButton());
    });
}

void InputBoxTest::screenshots() {
    rg_TolvarShuRuKuangLei dialog;
    InputResult input;
    runDialog(dialog, w("我的备注 remark"), {},
              w("修改当前树的备注名称，将显示在顶级节点。备注留空将使用默认值。"), input, 0, true, [&] {
                  QVERIFY(dialog.grab().save(screenshotDir() + QStringLiteral("/input_box_input.png")));
                  press(dialog.cancelButton());
              });
    InputResult view{{}, true};
    CWString json = w("{\r\n  \"id\": 180,\r\n  \"名称\": \"条目\",\r\n  \"tags\": [\r\n");
    for (int i = 0; i < 30; ++i)
        json += fromQString(QStringLiteral("    \"标签%1\",\r\n").arg(i));
    json += w("  ]\r\n}");
    runDialog(dialog, json, w("JSON文件：D:\\data\\json.txt\r\nJSON路径：data.items.[180]"),
              w("解析文件流："), view, 0, false, [&] {
                  QVERIFY(dialog.grab().save(screenshotDir() + QStringLiteral("/input_box_view.png")));
                  press(dialog.cancelButton());
              });
}

QTEST_MAIN(InputBoxTest)
#include "test_input_box.moc"
