// The JSON text pane: text store and unit index, row index, undo steps, the rich edit box (text,
// selection, keyboard, mouse, scrolling, very long texts) and its right-click edit menu.
#include <map>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "text/ui/popup_menu.h"
#include "text/ui/rich_edit.h"
#include "text/ui/text_store.h"

using namespace rg_Korrin_MFCJieMian_KuoZhanZuJian;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::TestPlatform;
using rg_Korrin_ChuangKou::TestPlatformInstall;
using rg_Korrin_ChuangKou::toQString;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_ChaoJiBianJiKuangYouJianCaiChanLei;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarChaoJiBianJiKuang1;
using Menu = rg_ChaoJiBianJiKuangYouJianCaiChanLei;

Q_DECLARE_METATYPE(CWString)

namespace {

CWString w(const char* utf8) {
    return fromQString(QString::fromUtf8(utf8));
}

std::vector<int32_t> unitStarts(const TextStore& store) {
    std::vector<int32_t> starts;
    for (int32_t u = 0; u < store.unitCount(); ++u)
        starts.push_back(store.unitStart(u));
    return starts;
}

QList<int> toList(const std::vector<int32_t>& v) {
    return QList<int>(v.begin(), v.end());
}

// Installs a popup hook for the lifetime of the object.
struct HookGuard {
    explicit HookGuard(PopupHook hook) { setPopupHook(std::move(hook)); }
    ~HookGuard() { setPopupHook({}); }
};

// A menu list with a hidden top entry, a submenu and every flag.
class SampleMenu : public rg_CaiChanLei {
protected:
    std::vector<MenuItem> menuDescription() const override {
        std::vector<MenuItem> list(7);
        list[0] = {1000, u"顶级菜单", 0, false, false, false, {}, {}};
        list[1] = {1001, u"甲(&A)", 1, false, true, false, u"甲", {}};
        list[2] = {0, {}, 1, true, false, false, {}, {}};
        list[3] = {1002, u"乙", 1, false, false, true, {}, {}};
        list[4] = {1003, u"子菜单", 1, false, false, false, {}, {}};
        list[5] = {1004, u"丙", 2, false, false, false, {}, {}};
        list[6] = {2000, u"另一个顶级", 0, false, false, false, {}, {}};
        return list;
    }
};

QString screenshotDir() {
    const QString dir = QStringLiteral(QUELIX_BUILD_DIR "/screenshots");
    QDir().mkpath(dir);
    return dir;
}

} // namespace

class TextPaneTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false); }

    // --- text store
    void store_units_data();
    void store_units();
    void store_longLineChunks();
    void store_surrogateNotSplit();
    void store_replaceMatchesRescan();
    void store_validPosition();

    // --- row index and history
    void rows_prefixAndFind();
    void history_merging();

    // --- the box
    void box_textRoundTrip_data();
    void box_textRoundTrip();
    void box_emptyText();
    void box_typingAndUndo();
    void box_backspaceTakesCrLfAsOne();
    void box_maxLength();
    void box_readOnlyRefusesInput();
    void box_mouseSelection();
    void box_dragSelectsWords_data();
    void box_dragSelectsWords();
    void box_scrollToEnd();
    void box_longSingleLine();
    void box_wrapWidthFollowsResize();
    void box_zeroSize();
    void box_hideSelection_data();
    void box_hideSelection();
    void box_inputMethodCommit();
    void box_singleLine();
    void box_fiftyMegabytes();

    // --- the edit menu
    void menu_items();
    void menu_enabling_data();
    void menu_enabling();
    void menu_selectAllSelectsEverything();
    void menu_actions_data();
    void menu_actions();
    void menu_ignoresOtherCommands();
    void menu_opensAtCursorPlusThreeWithFocus();
    void menu_rightClickChoosesEntry();
    void menu_screenshot();

    // --- the generic popup menu
    void popup_buildsFromItemList();
};

// ---------------------------------------------------------------------------------------------

void TextPaneTest::store_units_data() {
    QTest::addColumn<CWString>("text");
    QTest::addColumn<QList<int>>("starts");
    QTest::newRow("empty") << CWString() << QList<int>{0};
    QTest::newRow("one line") << w("abc") << QList<int>{0};
    QTest::newRow("lf") << w("a\nb") << QList<int>{0, 2};
    QTest::newRow("crlf") << w("a\r\nb") << QList<int>{0, 3};
    QTest::newRow("lone cr") << w("a\rb") << QList<int>{0, 2};
    QTest::newRow("lf cr is two breaks") << w("a\n\rb") << QList<int>{0, 2, 3};
    QTest::newRow("trailing break") << w("a\r\n") << QList<int>{0, 3};
    QTest::newRow("only breaks") << w("\r\n\n\r") << QList<int>{0, 2, 3, 4};
}

void TextPaneTest::store_units() {
    QFETCH(CWString, text);
    QFETCH(QList<int>, starts);
    TextStore store;
    store.setText(text);
    QCOMPARE(toList(unitStarts(store)), starts);
    QCOMPARE(store.text(), text);
}

void TextPaneTest::store_longLineChunks() {
    // 10000 letters with a comma at 3500: the first chunk ends after the comma.
    CWString text(10000, u'x');
    text[3499] = u',';
    TextStore store;
    store.setText(text + u"\r\nend");
    QCOMPARE(toList(unitStarts(store)), (QList<int>{0, 3500, 3500 + 4096, 10002}));
    QCOMPARE(store.unitContentEnd(0), 3500); // chunks carry no break
    QVERIFY(!store.unitStartsLine(1));
    QCOMPARE(store.unitContentEnd(2), 10000);
    QVERIFY(store.unitStartsLine(3));
    QCOMPARE(store.unitAt(3500), 1); // a chunk boundary belongs to the later unit
    QCOMPARE(store.unitAt(10001), 2);
}

void TextPaneTest::store_surrogateNotSplit() {
    CWString text(TextStore::kUnitLimit - 1, u'x');
    text += u"\U0001F600"; // a surrogate pair across the limit
    text += CWString(100, u'y');
    TextStore store;
    store.setText(text);
    QCOMPARE(store.unitCount(), 2);
    QCOMPARE(store.unitStart(1), TextStore::kUnitLimit - 1);
}

void TextPaneTest::store_replaceMatchesRescan() {
    // Random edits must leave the same unit index as scanning the result from scratch.
    QRandomGenerator rng(20240611);
    const char16_t alphabet[] = u"ab ,\r\n\r\n\U0001F600";
    const int alphabetSize = static_cast<int>(std::size(alphabet)) - 1;
    TextStore store;
    CWString seed;
    for (int i = 0; i < 9000; ++i)
        seed += (i % 700 == 699) ? u'\n' : u'q';
    store.setText(seed);
    for (int round = 0; round < 200; ++round) {
        const int32_t n = store.length();
        const int32_t pos = static_cast<int32_t>(rng.bounded(n + 1));
        const int32_t count = static_cast<int32_t>(rng.bounded(std::min(n - pos, 50) + 1));
        CWString insert;
        const int insertLength = static_cast<int>(rng.bounded(round % 10 == 0 ? 5000 : 6));
        for (int k = 0; k < insertLength; ++k)
            insert += alphabet[rng.bounded(alphabetSize)];
        const TextStore::UnitSplice splice = store.replace(pos, count, insert);
        TextStore fresh;
        fresh.setText(store.text());
        QVERIFY2(unitStarts(store) == unitStarts(fresh), qPrintable(QStringLiteral("round %1").arg(round)));
        QVERIFY(splice.first >= 0 && splice.first + splice.inserted <= store.unitCount());
    }
}

void TextPaneTest::store_validPosition() {
    TextStore store;
    store.setText(w("a\r\nb") + u"\U0001F600");
    QCOMPARE(store.validPosition(2), 1); // inside CR LF
    QCOMPARE(store.validPosition(5), 4); // inside the surrogate pair
    QCOMPARE(store.validPosition(-3), 0);
    QCOMPARE(store.validPosition(99), 6);
    QCOMPARE(store.breakLengthAt(1), 2);
}

void TextPaneTest::rows_prefixAndFind() {
    RowIndex rows;
    rows.assign({3, 1, 4, 1, 5});
    QCOMPARE(rows.total(), 14);
    QCOMPARE(rows.prefix(0), 0);
    QCOMPARE(rows.prefix(3), 8);
    QCOMPARE(rows.find(0), std::make_pair(0, 0));
    QCOMPARE(rows.find(2), std::make_pair(0, 2));
    QCOMPARE(rows.find(3), std::make_pair(1, 0));
    QCOMPARE(rows.find(8), std::make_pair(3, 0));
    QCOMPARE(rows.find(13), std::make_pair(4, 4));
    QCOMPARE(rows.find(99), std::make_pair(4, 4));
    rows.set(2, 1);
    QCOMPARE(rows.total(), 11);
    QCOMPARE(rows.find(5), std::make_pair(3, 0));
    rows.splice(1, 2, {2, 2, 2});
    QCOMPARE(rows.size(), 6);
    QCOMPARE(rows.total(), 3 + 6 + 1 + 5);
    QCOMPARE(rows.find(9), std::make_pair(4, 0));
}

void TextPaneTest::history_merging() {
    EditHistory history;
    history.record({0, {}, u"a", 0, 0, TextEdit::Typing});
    history.record({1, {}, u"b", 1, 1, TextEdit::Typing});
    QCOMPARE(history.undoCount(), size_t(1));
    history.closeStep();
    history.record({2, {}, u"c", 2, 2, TextEdit::Typing});
    QCOMPARE(history.undoCount(), size_t(2));
    history.record({2, u"c", {}, 3, 3, TextEdit::DeleteBackward});
    history.record({1, u"b", {}, 2, 2, TextEdit::DeleteBackward});
    QCOMPARE(history.undoCount(), size_t(3));
    const TextEdit merged = history.takeUndo();
    QCOMPARE(merged.pos, 1);
    QCOMPARE(merged.removed, CWString(u"bc"));
    QVERIFY(history.canRedo());
    history.record({0, {}, u"z", 0, 0, TextEdit::Other});
    QVERIFY(!history.canRedo());

    EditHistory limited(3);
    for (int i = 0; i < 10; ++i)
        limited.record({i, {}, u"x", i, i, TextEdit::Other});
    QCOMPARE(limited.undoCount(), size_t(3));
}

// ---------------------------------------------------------------------------------------------

void TextPaneTest::box_textRoundTrip_data() {
    QTest::addColumn<CWString>("text");
    QTest::newRow("crlf json") << w("{\r\n  \"a\": 1,\r\n  \"b\": [true, null]\r\n}");
    QTest::newRow("mixed breaks") << w("a\rb\nc\r\n");
    QTest::newRow("cjk and emoji") << w("{\"名称\":\"测试😀\"}");
    QTest::newRow("nul inside") << CWString(u"a\0b", 3);
    QTest::newRow("tabs") << w("\t\t{\"k\":\t1}");
}

void TextPaneTest::box_textRoundTrip() {
    QFETCH(CWString, text);
    rg_ChaoJiBianJiKuang box;
    box.resize(300, 200);
    box.show();
    box.setText(text);
    QCOMPARE(box.text(), text);
    QCOMPARE(box.textLength(), static_cast<int32_t>(text.size()));
    QVERIFY(!box.isModified());
    QCOMPARE(box.selectionStart(), 0);
    QCOMPARE(box.selectionEnd(), 0);
    box.grab(); // paints every visible unit
}

void TextPaneTest::box_emptyText() {
    rg_TolvarChaoJiBianJiKuang1 box;
    box.resize(200, 100);
    box.show();
    box.setText({});
    box.grab();
    box.selectAll();
    QCOMPARE(box.selectionLength(), 0);
    box.deleteSelection();
    box.undo();
    box.cut();
    QCOMPARE(box.positionAt(QPoint(50, 50)), 0);
    QVERIFY(!box.caretRect().isNull());
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Delete);
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(box.text(), CWString());
}

void TextPaneTest::box_typingAndUndo() {
    rg_ChaoJiBianJiKuang box;
    box.resize(300, 200);
    box.show();
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("abc"));
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, QStringLiteral("de"));
    QCOMPARE(box.text(), CWString(u"abc\r\nde"));
    QVERIFY(box.isModified());
    QCOMPARE(box.caretPosition(), 7);
    QTest::keyClick(&box, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(box.selectedText(), CWString(u"e"));
    QTest::keyClicks(&box, QStringLiteral("X"));
    QCOMPARE(box.text(), CWString(u"abc\r\ndX"));
    box.undo();
    QCOMPARE(box.text(), CWString(u"abc\r\nde"));
    QCOMPARE(box.selectedText(), CWString(u"e")); // the selection comes back with the text
    box.undo();
    QCOMPARE(box.text(), CWString());
    box.redo();
    QCOMPARE(box.text(), CWString(u"abc\r\nde"));
    // Up keeps the column: from the end of "de" to the same x on "abc".
    box.setSelection(7, 7);
    QTest::keyClick(&box, Qt::Key_Up);
    QCOMPARE(box.caretPosition(), 2);
    QTest::keyClick(&box, Qt::Key_End);
    QCOMPARE(box.caretPosition(), 3);
    QTest::keyClick(&box, Qt::Key_Right);
    QCOMPARE(box.caretPosition(), 5); // over CR LF in one step
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(box.selectionStart(), 0);
    QCOMPARE(box.selectionEnd(), box.textLength());
}

void TextPaneTest::box_backspaceTakesCrLfAsOne() {
    rg_ChaoJiBianJiKuang box;
    box.show();
    box.setFocus();
    box.setText(w("a\r\nb") + u"\U0001F600");
    box.setSelection(3, 3);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), w("ab") + u"\U0001F600");
    box.setSelection(box.textLength(), box.textLength());
    QCOMPARE(box.caretPosition(), 4);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), CWString(u"ab"));
    box.setSelection(0, 0);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(box.text(), CWString(u"b"));
}

void TextPaneTest::box_maxLength() {
    TestPlatform platform;
    TestPlatformInstall installed(platform);
    rg_ChaoJiBianJiKuang box;
    box.show();
    box.setFocus();
    box.setMaxLength(5);
    QTest::keyClicks(&box, QStringLiteral("abcdefg"));
    QCOMPARE(box.text(), CWString(u"abcde"));
    platform.clipboard = u"123";
    box.setSelection(1, 3);
    box.paste(); // room for 2 more after removing 2: "12"
    QCOMPARE(box.text(), CWString(u"a12de"));
    box.setMaxLength(0);
    QTest::keyClicks(&box, QStringLiteral("xyz"));
    QCOMPARE(box.textLength(), 8);
}

void TextPaneTest::box_readOnlyRefusesInput() {
    TestPlatform platform;
    TestPlatformInstall installed(platform);
    rg_ChaoJiBianJiKuang box;
    box.show();
    box.setFocus();
    box.setText(u"fixed");
    box.setReadOnly(true);
    QTest::keyClicks(&box, QStringLiteral("abc"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    platform.clipboard = u"new";
    box.paste();
    box.setSelection(0, 3);
    box.cut();
    box.deleteSelection();
    QCOMPARE(box.text(), CWString(u"fixed"));
    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(platform.clipboard, CWString(u"fix"));
    QVERIFY(!box.canPaste());
}

void TextPaneTest::box_mouseSelection() {
    rg_ChaoJiBianJiKuang box;
    box.resize(400, 200);
    box.setText(u"hello world\r\nsecond line");
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QWidget* vp = box.viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(rg_ChaoJiBianJiKuang::kMarginLeft, 5));
    QCOMPARE(box.caretPosition(), 0);
    QVERIFY(box.hasFocus());
    // Drag from the start of the first row into the second row.
    const int rowHeight = box.caretRect().height();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(1, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(300, rowHeight + 5),
                     box.mapToGlobal(QPointF(300, rowHeight + 5)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(300, rowHeight + 5));
    QCOMPARE(box.selectionStart(), 0);
    QCOMPARE(box.selectionEnd(), box.textLength());
    // Double-click selects a word.
    QTest::mouseDClick(vp, Qt::LeftButton, {}, QPoint(rg_ChaoJiBianJiKuang::kMarginLeft + 3, 5));
    QCOMPARE(box.selectedText(), CWString(u"hello"));
}

void TextPaneTest::box_dragSelectsWords_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    // "alpha beta gamma": words at [0,5) [6,10) [11,16).
    QTest::newRow("inside the first word: characters") << 2 << 4 << 2 << 4;
    QTest::newRow("into the next word: whole words") << 2 << 8 << 0 << 10;
    QTest::newRow("two words on") << 2 << 13 << 0 << 16;
    QTest::newRow("back inside the word") << 8 << 7 << 7 << 8;
    QTest::newRow("back into the previous word") << 8 << 2 << 0 << 10;
    QTest::newRow("back from a word's start") << 6 << 3 << 0 << 6;
    QTest::newRow("forward from a word's start") << 6 << 13 << 6 << 16;
}

void TextPaneTest::box_dragSelectsWords() {
    QFETCH(int, from);
    QFETCH(int, to);
    rg_ChaoJiBianJiKuang box;
    box.resize(400, 100);
    box.setText(u"alpha beta gamma");
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QWidget* vp = box.viewport();
    // Where each caret position lies on the row, read back from the box itself.
    std::map<int32_t, int> xOf;
    for (int x = 0; x < 400; ++x)
        xOf.emplace(box.positionAt(QPoint(x, 5)), x);
    QVERIFY(xOf.count(from) && xOf.count(to));
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(xOf[from], 5));
    const QPointF at(xOf[to], 5);
    QMouseEvent move(QEvent::MouseMove, at, vp->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, at.toPoint());
    QTEST(int(box.selectionStart()), "start");
    QTEST(int(box.selectionEnd()), "end");
}

void TextPaneTest::box_scrollToEnd() {
    CWString text;
    for (int i = 0; i < 20000; ++i)
        text += fromQString(QStringLiteral("line %1\r\n").arg(i));
    rg_ChaoJiBianJiKuang box;
    box.resize(300, 200);
    box.show();
    box.setFocus();
    box.setText(text);
    QCOMPARE(box.verticalScrollBar()->value(), 0);
    int scrolledCount = 0;
    box.scrolled.bind([&] { ++scrolledCount; });
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QVERIFY(scrolledCount > 0);
    QCOMPARE(box.caretPosition(), box.textLength());
    const QRect caret = box.caretRect();
    QVERIFY(!caret.isNull());
    QVERIFY(caret.bottom() < box.viewport()->height());
    QVERIFY(box.topUnit() > 19980);
    QCOMPARE(box.verticalScrollBar()->value(), box.verticalScrollBar()->maximum());
    // Dragging the scroll bar to the top shows the first line again.
    box.verticalScrollBar()->setValue(0);
    QCOMPARE(box.topUnit(), 0);
    QCOMPARE(box.positionAt(QPoint(2, 2)), 0);
    QTest::keyClick(&box, Qt::Key_PageDown);
    QVERIFY(box.topUnit() > 0);
    box.verticalScrollBar()->setValue(10000);
    QCOMPARE(box.topUnit(), 10000);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, QPoint(2, 3));
    QCOMPARE(box.caretPosition(), box.store().unitStart(10000));
}

void TextPaneTest::box_longSingleLine() {
    // Compact JSON on one line: wrapped into many rows, laid out in units of bounded size.
    CWString text = u"[";
    for (int i = 0; i < 30000; ++i)
        text += fromQString(QStringLiteral("{\"id\":%1,\"v\":\"abc\"},").arg(i));
    text += u"0]";
    rg_ChaoJiBianJiKuang box;
    box.resize(400, 300);
    box.show();
    box.setFocus();
    box.setText(text);
    QVERIFY(box.store().unitCount() > 100);
    QVERIFY(box.verticalScrollBar()->maximum() > 1000); // rows, not units
    box.grab();
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QVERIFY(!box.caretRect().isNull());
    QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(box.topUnit(), 0);
    QCOMPARE(box.topRow(), 0);
    // Down walks row by row across unit boundaries.
    int32_t last = box.caretPosition();
    for (int i = 0; i < 400; ++i) {
        QTest::keyClick(&box, Qt::Key_Down);
        QVERIFY(box.caretPosition() > last);
        last = box.caretPosition();
    }
    QVERIFY(box.store().unitAt(last) > 0);
    box.setWordWrap(false);
    box.grab();
    QCOMPARE(box.text(), text);
}

void TextPaneTest::box_wrapWidthFollowsResize() {
    rg_ChaoJiBianJiKuang box;
    box.resize(600, 200);
    box.show();
    box.setText(CWString(300, u'w'));
    box.grab();
    const int wide = box.rowIndex().rows(0);
    box.resize(150, 200);
    box.grab();
    QVERIFY(box.rowIndex().rows(0) > wide);
    QCOMPARE(box.wrapWidth(), box.viewport()->width() - rg_ChaoJiBianJiKuang::kMarginLeft -
                                  rg_ChaoJiBianJiKuang::kMarginRight);
}

void TextPaneTest::box_zeroSize() {
    rg_TolvarChaoJiBianJiKuang1 box;
    box.setText(w("{\"a\":[1,2,3]}\r\n") + CWString(20000, u'z'));
    box.resize(0, 0);
    box.show();
    box.grab();
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_PageUp);
    QTest::keyClicks(&box, QStringLiteral("q"));
    box.ensureCaretVisible();
    box.positionAt(QPoint(5, 5));
    QCOMPARE(box.textLength(), 15 + 20000 + 1);
}

void TextPaneTest::box_hideSelection_data() {
    QTest::addColumn<bool>("hide");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("shown without focus by default") << false << false << true;
    QTest::newRow("hidden without focus when asked") << true << false << false;
    QTest::newRow("shown with focus") << true << true << true;
}

void TextPaneTest::box_hideSelection() {
    QFETCH(bool, hide);
    QFETCH(bool, focused);
    QFETCH(bool, drawn);
    QWidget window;
    window.resize(300, 120);
    auto* other = new QLineEdit(&window);
    auto* box = new rg_ChaoJiBianJiKuang(&window);
    box->setGeometry(0, 30, 300, 90);
    box->setText(u"selected text here");
    box->setHideSelection(hide);
    box->setBackColour(0xFFFFFF);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    if (focused)
        box->setFocus();
    else
        other->setFocus();
    QTRY_COMPARE(box->hasFocus(), focused);
    box->setSelection(0, 8);
    const QImage image = box->viewport()->grab().toImage();
    const QColor highlight =
        box->palette().color(focused ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
    int highlighted = 0; // pixels of the selection colour around the first word
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 40; ++x)
            highlighted += image.pixelColor(x, y) == highlight;
    QCOMPARE(highlighted > 100, drawn);
}

void TextPaneTest::box_inputMethodCommit() {
    rg_ChaoJiBianJiKuang box;
    box.show();
    box.setFocus();
    box.setText(u"ab");
    box.setSelection(1, 1);
    QInputMethodEvent composing(QStringLiteral("zhong"), {});
    QApplication::sendEvent(&box, &composing);
    QCOMPARE(box.text(), CWString(u"ab")); // composition is not text yet
    box.grab();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中文"));
    QApplication::sendEvent(&box, &commit);
    QCOMPARE(box.text(), CWString(u"a中文b"));
    QCOMPARE(box.caretPosition(), 3);
    QCOMPARE(box.inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("a中文b"));
    QCOMPARE(box.inputMethodQuery(Qt::ImCursorPosition).toInt(), 3);
    box.setReadOnly(true);
    QVERIFY(!box.inputMethodQuery(Qt::ImEnabled).toBool());
}

void TextPaneTest::box_singleLine() {
    TestPlatform platform;
    TestPlatformInstall installed(platform);
    rg_ChaoJiBianJiKuang box;
    box.setMultiLine(false);
    box.resize(120, 24);
    box.show();
    box.setFocus();
    QCOMPARE(box.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QTest::keyClicks(&box, QStringLiteral("one"));
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(box.text(), CWString(u"one"));
    platform.clipboard = u" two\r\nthree";
    box.paste(); // a single-line box takes the clipboard up to its first line break
    QCOMPARE(box.text(), CWString(u"one two"));
    QTest::keyClicks(&box, QString(60, QLatin1Char('x'))); // scrolls sideways to keep the caret in view
    QVERIFY(!box.caretRect().isNull());
    QVERIFY(box.caretRect().right() <= box.viewport()->width());
}

void TextPaneTest::box_fiftyMegabytes() {
    // Indented JSON of 50 MB, then one compact line of 50 MB: set, shown, scrolled, edited.
    CWString block =
        w("{\r\n  \"id\": 12345,\r\n  \"name\": \"名称 name\",\r\n  \"tags\": [\"a\", \"b\"]\r\n},\r\n");
    CWString big;
    big.reserve(50u << 20);
    while (big.size() < (50u << 20) / sizeof(char16_t))
        big += block;
    rg_TolvarChaoJiBianJiKuang1 box;
    box.resize(560, 344);
    box.show();
    box.setText(big);
    QCOMPARE(box.textLength(), static_cast<int32_t>(big.size()));
    box.grab();
    box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum() / 2);
    box.grab();
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("x"));
    QCOMPARE(box.textLength(), static_cast<int32_t>(big.size()) + 1);
    box.undo();
    QCOMPARE(box.text(), big);

    for (char16_t& c : big)
        if (c == u'\r' || c == u'\n') c = u' ';
    box.setText(std::move(big));
    box.grab();
    box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum());
    box.grab();
    QVERIFY(box.topUnit() > 0);
}

// ---------------------------------------------------------------------------------------------

void TextPaneTest::menu_items() {
    rg_TolvarChaoJiBianJiKuang1 box;
    const std::vector<MenuItem>& items = box.editMenu().items();
    QCOMPARE(items.size(), size_t(9));
    QCOMPARE(items[0].id, 9000);
    QCOMPARE(items[0].text, CWString(u"顶级菜单"));
    QCOMPARE(items[0].level, 0);
    const struct {
        int32_t id;
        const char16_t* text;
        const char16_t* shortName;
    } expected[] = {{9001, u"撤销(&U)", u"撤销"}, {0, nullptr, nullptr},        {9002, u"剪切(&C)", u"剪切"},
                    {9003, u"复制(&O)", u"复制"}, {9004, u"粘贴(&P)", u"粘贴"}, {9005, u"删除(&D)", u"删除"},
                    {0, nullptr, nullptr},        {9006, u"全选(&A)", u"全选"}};
    for (size_t i = 0; i < std::size(expected); ++i) {
        const MenuItem& item = items[i + 1];
        QCOMPARE(item.level, 1);
        if (!expected[i].text) {
            QVERIFY(item.separator);
            continue;
        }
        QCOMPARE(item.id, expected[i].id);
        QCOMPARE(item.text, CWString(expected[i].text));
        QCOMPARE(item.shortName, CWString(expected[i].shortName));
    }
    // The popup is the list under the hidden top entry.
    std::unique_ptr<QMenu> popup = box.editMenu().buildPopup(nullptr);
    QCOMPARE(popup->actions().size(), 8);
    QCOMPARE(popup->actions()[0]->text(), QStringLiteral("撤销(&U)"));
    QVERIFY(popup->actions()[1]->isSeparator());
    QCOMPARE(popup->actions()[7]->data().toInt(), 9006);
}

void TextPaneTest::menu_enabling_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<bool>("edited");
    // undo, cut, copy, paste, delete, select all
    QTest::addColumn<QList<bool>>("enabled");
    QTest::newRow("editable, nothing selected, empty clipboard")
        << false << 2 << 2 << QString() << false << QList<bool>{false, false, false, false, false, true};
    QTest::newRow("editable, nothing selected, clipboard text")
        << false << 2 << 2 << QStringLiteral("x") << false
        << QList<bool>{false, false, false, true, false, true};
    QTest::newRow("editable, selection")
        << false << 1 << 4 << QString() << false << QList<bool>{false, true, true, false, true, true};
    QTest::newRow("editable, backwards selection") << false << 4 << 1 << QStringLiteral("x") << false
                                                   << QList<bool>{false, true, true, true, true, true};
    QTest::newRow("read-only, selection, clipboard text")
        << true << 0 << 3 << QStringLiteral("x") << false
        << QList<bool>{false, false, true, false, false, true};
    QTest::newRow("read-only, nothing selected") << true << 0 << 0 << QStringLiteral("x") << false
                                                 << QList<bool>{false, false, false, false, false, true};
    QTest::newRow("after an edit") << false << 0 << 0 << QString() << true
                                   << QList<bool>{true, false, false, false, false, true};
}

void TextPaneTest::menu_enabling() {
    QFETCH(bool, readOnly);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QString, clipboard);
    QFETCH(bool, edited);
    QFETCH(QList<bool>, enabled);
    TestPlatform platform;
    TestPlatformInstall installed(platform);
    platform.clipboard = fromQString(clipboard);
    rg_TolvarChaoJiBianJiKuang1 box;
    box.resize(200, 100);
    box.show();
    box.setText(u"abcdef");
    if (edited) {
        box.setSelection(6, 6);
        box.replaceSelection(u"g");
    }
    box.setReadOnly(readOnly);
    box.setSelection(selStart, selEnd);

    QList<bool> seen;
    QList<bool> seenActions;
    HookGuard hook([&](QMenu& menu, QPoint) {
        for (QAction* a : menu.actions())
            if (!a->isSeparator()) seenActions.append(a->isEnabled());
        return 0;
    });
    box.showEditMenu();
    for (int32_t id = 9001; id <= 9006; ++id)
        seen.append(box.editMenu().isEnabled(id));
    QCOMPARE(seen, enabled);
    QCOMPARE(seenActions, enabled);
}

void TextPaneTest::menu_selectAllSelectsEverything() {
    rg_TolvarChaoJiBianJiKuang1 box;
    box.setText(w("{\r\n  \"键\": \"值😀\"\r\n}"));
    box.setSelection(3, 5);
    QVERIFY(box.runEditCommand(rg_ChaoJiBianJiKuang::kCommandMessage, Menu::kSelectAllId));
    QCOMPARE(box.selectionStart(), 0);
    QCOMPARE(box.selectionEnd(), box.textLength());
    QCOMPARE(box.selectedText(), box.text());
}

void TextPaneTest::menu_actions_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QString>("clipboardAfter");
    // Start: "hello world", "world" selected, clipboard "NEW", the last edit typed " world".
    QTest::newRow("undo") << 9001 << QStringLiteral("hello") << QStringLiteral("NEW");
    QTest::newRow("cut") << 9002 << QStringLiteral("hello ") << QStringLiteral("world");
    QTest::newRow("copy") << 9003 << QStringLiteral("hello world") << QStringLiteral("world");
    QTest::newRow("paste") << 9004 << QStringLiteral("hello NEW") << QStringLiteral("NEW");
    QTest::newRow("delete") << 9005 << QStringLiteral("hello ") << QStringLiteral("NEW");
    QTest::newRow("select all") << 9006 << QStringLiteral("hello world") << QStringLiteral("NEW");
}

void TextPaneTest::menu_actions() {
    QFETCH(int, command);
    QFETCH(QString, textAfter);
    QFETCH(QString, clipboardAfter);
    TestPlatform platform;
    TestPlatformInstall installed(platform);
    platform.clipboard = u"NEW";
    rg_TolvarChaoJiBianJiKuang1 box;
    box.show();
    box.setFocus();
    box.setText(u"hello");
    box.setSelection(5, 5);
    QTest::keyClicks(&box, QStringLiteral(" world"));
    box.setSelection(6, 11);
    box.sendMenuCommand(command); // as the menu does when an entry is chosen
    QCOMPARE(toQString(box.text()), textAfter);
    QCOMPARE(toQString(platform.clipboard), clipboardAfter);
}

void TextPaneTest::menu_ignoresOtherCommands() {
    rg_TolvarChaoJiBianJiKuang1 box;
    box.setText(u"abc");
    box.setSelection(0, 3);
    QVERIFY(!box.runEditCommand(274, Menu::kDeleteId));
    QVERIFY(!box.runEditCommand(rg_ChaoJiBianJiKuang::kCommandMessage, 9007));
    QVERIFY(!box.runEditCommand(rg_ChaoJiBianJiKuang::kCommandMessage, 9000));
    QCOMPARE(box.text(), CWString(u"abc"));
    QCOMPARE(box.selectionLength(), 3);
}

void TextPaneTest::menu_opensAtCursorPlusThreeWithFocus() {
    TestPlatform platform;
    TestPlatformInstall installed(platform);
    platform.cursor = QPoint(140, 90);
    QWidget window;
    window.resize(400, 300);
    auto* other = new QLineEdit(&window);
    auto* box = new rg_TolvarChaoJiBianJiKuang1(&window);
    box->setGeometry(10, 40, 300, 200);
    box->setText(u"some text");
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());

    QPoint requested;
    bool focusedWhenShown = false;
    bool focusedWhenRun = false;
    box->selectionChanged.bind([&] { focusedWhenRun = box->hasFocus(); });
    HookGuard hook([&](QMenu&, QPoint at) {
        requested = at;
        focusedWhenShown = box->hasFocus();
        return Menu::kSelectAllId;
    });
    box->showEditMenu();
    QCOMPARE(requested, QPoint(143, 93));
    QVERIFY(focusedWhenShown);
    QVERIFY(focusedWhenRun);
    QCOMPARE(box->selectionLength(), box->textLength());
}

void TextPaneTest::menu_rightClickChoosesEntry() {
    TestPlatform platform;
    TestPlatformInstall installed(platform);
    rg_TolvarChaoJiBianJiKuang1 box;
    box.resize(300, 200);
    box.setText(u"right click me");
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setSelection(0, 5);
    QPoint requested;
    HookGuard hook([&](QMenu& menu, QPoint at) {
        requested = at;
        for (QAction* a : menu.actions())
            if (a->data().toInt() == Menu::kCopyId) return a->isEnabled() ? Menu::kCopyId : 0;
        return 0;
    });
    const QPoint click(30, 12);
    QTest::mousePress(box.viewport(), Qt::RightButton, {}, click);
    QTest::mouseRelease(box.viewport(), Qt::RightButton, {}, click);
    QCOMPARE(platform.clipboard, CWString(u"right"));
    // With no cursor set the double reports where the last mouse event was.
    QCOMPARE(requested, box.viewport()->mapToGlobal(click) + QPoint(3, 3));
    QCOMPARE(box.selectionStart(), 0); // a right click leaves the selection alone
    QCOMPARE(box.selectionEnd(), 5);
}

void TextPaneTest::menu_screenshot() {
    TestPlatform platform;
    TestPlatformInstall installed(platform);
    platform.clipboard = u"x";
    QWidget window;
    window.resize(560, 344);
    auto* box = new rg_TolvarChaoJiBianJiKuang1(&window);
    box->setGeometry(0, 0, 560, 344);
    QFont font = box->font();
    font.setPointSize(11);
    box->setFont(font);
    CWString json = w("{\r\n  \"名称\": \"Tolvar\",\r\n  \"items\": [\r\n");
    for (int i = 0; i < 40; ++i)
        json += fromQString(QStringLiteral("    {\"id\": %1, \"tag\": \"条目 %1\", \"long\": \"%2\"},\r\n")
                                .arg(i)
                                .arg(QString(i % 7 == 0 ? 90 : 4, QLatin1Char('x'))));
    json += w("  ]\r\n}");
    box->setText(json);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setSelection(5, 19);
    platform.cursor = box->mapToGlobal(QPoint(180, 60));

    QImage shot;
    HookGuard hook([&](QMenu& menu, QPoint at) {
        menu.popup(at);
        QTest::qWait(20);
        // Compose the pane and the menu where it opened.
        shot = window.grab().toImage();
        QPainter painter(&shot);
        painter.drawPixmap(window.mapFromGlobal(menu.pos()), menu.grab());
        painter.end();
        menu.hide();
        return 0;
    });
    box->showEditMenu();
    QVERIFY(!shot.isNull());
    QVERIFY(shot.save(screenshotDir() + QStringLiteral("/text_pane_menu.png")));
}

void TextPaneTest::popup_buildsFromItemList() {
    SampleMenu menu;
    std::unique_ptr<QMenu> popup = menu.buildPopup(nullptr);
    const QList<QAction*> actions = popup->actions();
    QCOMPARE(actions.size(), 4); // 甲, separator, 乙, 子菜单 (the second top entry is not shown)
    QVERIFY(actions[0]->isCheckable());
    QVERIFY(actions[0]->isChecked());
    QVERIFY(actions[1]->isSeparator());
    QVERIFY(!actions[2]->isEnabled());
    QVERIFY(actions[3]->menu());
    QCOMPARE(actions[3]->menu()->actions().size(), 1);
    QCOMPARE(actions[3]->menu()->actions()[0]->data().toInt(), 1004);

    menu.setChecked(1001, false);
    menu.setEnabled(1002, true);
    QVERIFY(!menu.isChecked(1001));
    QVERIFY(menu.isEnabled(1002));
    QVERIFY(!menu.isEnabled(4242));
    popup = menu.buildPopup(nullptr);
    QVERIFY(!popup->actions()[0]->isChecked());
    QVERIFY(popup->actions()[2]->isEnabled());

    HookGuard hook([](QMenu& m, QPoint) { return m.actions()[2]->data().toInt(); });
    QCOMPARE(menu.trackPopup(nullptr, QPoint(1, 1)), 1002);
}

QTEST_MAIN(TextPaneTest)
#include "test_text_pane.moc"
