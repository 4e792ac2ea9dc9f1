// The tree context menu end to end: a real right-click on an item of the current tree box opens
// the menu (answered by a popup hook), and each command's effect on the tree, the document, the
// path box, the text pane, the clipboard and the slot file is checked. Dialogs, beeps and the
// clipboard come from the platform double.
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app_test_base.h"
#include "gui_test_util.h"
#include "runtime/tick_clock.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "text/codecs.h"
#include "text/encoding.h"
#include "text/ui/popup_menu.h"
#include "text/ui/rich_edit.h"
#include "json/node.h"

using namespace rg_Korrin_ChengXu;
using rg_Korrin_ChuangKou::BeepKind;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::TestPlatform;
using rg_Korrin_ChuangKou::TestPlatformInstall;
using rg_Korrin_ChuangKou::toQString;
using Store = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;
using namespace app_test;
using M = rg_ShuCaiChanLei;

namespace {

struct Item {
    int32_t level;
    CWString text;
    int32_t image;
    bool operator==(const Item& o) const { return level == o.level && text == o.text && image == o.image; }
};

std::vector<Item> itemsOf(Store& store) {
    std::vector<Item> out;
    for (int32_t i = 0; i < store.itemCount(); ++i)
        out.push_back({store.getLevel(i), store.getText(i), store.getImage(i)});
    return out;
}

QString describe(const std::vector<Item>& items) {
    QString s;
    for (const Item& i : items)
        s += QStringLiteral("%1|%2|%3\n").arg(i.level).arg(toQString(i.text)).arg(i.image);
    return s;
}

// One visible row of the popup as the user sees it.
struct MenuRow {
    QString text; // empty for a separator
    bool separator;
    bool enabled;
    bool checked;
    int id;
    bool operator==(const MenuRow& o) const {
        return text == o.text && separator == o.separator && enabled == o.enabled && checked == o.checked &&
               id == o.id;
    }
};

} // namespace

class AppTreeMenuTest : public AppTestBase {
    Q_OBJECT

    std::vector<MenuRow> lastMenu_;
    QPoint lastMenuPos_;
    int menusShown_ = 0;

    // A window with `json` parsed from the clipboard into slot 1, every item expanded, the parse's
    // beep forgotten.
    std::unique_ptr<rg_ZhuChuangKou1> windowWith(const CWString& json) {
        auto w = parsedWindow(json);
        expandAll(*w);
        platform_->beeps.clear();
        return w;
    }
    // The document in compact form, with the ", " between members written as "," (the
    // expectations below are easier to read that way; no value here holds ", ").
    static CWString documentText(rg_ZhuChuangKou1& w) {
        CWString text = rg_Tolvar_JSON::toJsonText(w.current()->document.root(), true);
        for (size_t at = text.find(u", "); at != CWString::npos; at = text.find(u", ", at))
            text.erase(at + 1, 1);
        return text;
    }
    static void expandAll(rg_ZhuChuangKou1& w) {
        Store& s = store(w);
        for (int32_t i = 0; i < s.itemCount(); ++i)
            if (s.hasChildren(i) && (s.getExpandState(i) & 2) == 0) {
                rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor c;
                s.setExpanded(c, i, true, false);
            }
        w.current()->tree->redraw(-1);
    }
    // Right-clicks the text of `item` (scrolled into view first); the popup answers `choose`.
    void rightClick(rg_ZhuChuangKou1& w, int32_t item, int32_t choose) {
        auto* tree = w.current()->tree;
        tree->store().ensureVisible(item);
        tree->redraw(-1);
        const auto& rows = tree->paintedRows();
        int row = -1;
        for (size_t r = 0; r < rows.size(); ++r)
            if (rows[r].item == item) row = int(r);
        QVERIFY2(row >= 0, "item not painted");
        const auto& hit = rows[size_t(row)];
        const QPoint at(hit.textX + 3, hit.top + 4);
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook([this, choose](QMenu& menu, QPoint pos) {
            ++menusShown_;
            lastMenuPos_ = pos;
            lastMenu_.clear();
            for (QAction* a : menu.actions())
                lastMenu_.push_back({a->isSeparator() ? QString() : a->text(), a->isSeparator(),
                                     a->isEnabled(), a->isChecked(),
                                     a->isSeparator() ? 0 : a->data().toInt()});
            return choose;
        });
        QTest::mouseClick(tree->canvas(), Qt::RightButton, Qt::NoModifier, at);
    }
    // The index of the item whose text is `text` (the first one).
    QByteArray slotFileBytes() const { return readAll(slotFile(1)); }

private slots:
    void init() {
        setUpEnvironment();
        menusShown_ = 0;
    }
    void cleanup() { tearDownEnvironment(); }

    void menu_rows_and_position() {
        auto w = windowWith(u"{\"a\":1}");
        platform_->cursor = QPoint(500, 400);
        rightClick(*w, 1, 0);
        QCOMPARE(menusShown_, 1);
        QCOMPARE(lastMenuPos_, QPoint(503, 403));
        const MenuRow sep{QString(), true, true, false, 0};
        const std::vector<MenuRow> expected{
            {QStringLiteral("复制JSON路径"), false, true, false, 10001},
            {QStringLiteral("复制JSON数据"), false, true, false, 10002},
            sep,
            {QStringLiteral("新建"), false, true, false, 10003},
            {QStringLiteral("删除"), false, true, false, 10004},
            {QStringLiteral("修改键名"), false, true, false, 10005},
            sep,
            {QStringLiteral("下面是对右边编辑框内容的操作"), false, false, false, 10006},
            sep,
            {QStringLiteral("修改键值"), false, true, false, 10007},
            {QStringLiteral("USC2编码"), false, true, false, 10008},
            {QStringLiteral("USC2解码"), false, true, false, 10009},
            {QStringLiteral("网页转义符编码(十六进制)"), false, true, false, 10010},
            {QStringLiteral("网页转义符编码(十进制)"), false, true, false, 10011},
            {QStringLiteral("网页转义符解码"), false, true, false, 10012},
            sep,
            {QStringLiteral("节点取值时自动USC2解码"), false, true, true, 20013},
            {QStringLiteral("解析到树时自动USC2解码"), false, true, false, 20014},
            sep,
            {QStringLiteral("JSON路径模式:默认"), false, true, true, 20018},
            {QStringLiteral("JSON路径模式:独立数组分隔"), false, true, false, 20016},
            {QStringLiteral("JSON路径模式:KorrinJSON"), false, true, false, 20017},
            sep,
            {QStringLiteral("撤销"), false, true, false, 10013}, // the parse that made the window's document
            {QStringLiteral("重做"), false, false, false, 10014},
        };
        QCOMPARE(lastMenu_.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            QVERIFY2(lastMenu_[i] == expected[i],
                     qPrintable(QStringLiteral("row %1: %2").arg(i).arg(lastMenu_[i].text)));
        // Dismissing the menu changes nothing.
        QCOMPARE(documentText(*w), CWString(u"{\"a\":1}"));
    }

    void real_popup_menu_runs_the_chosen_command() {
        auto w = windowWith(u"{\"a\":{\"b\":1}}");
        rightClick(*w, 1, 0); // paints and selects item 1 through the hook first
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook({});
        bool picked = false;
        QTimer::singleShot(20, [&picked] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* a : menu->actions())
                if (!a->isSeparator() && a->data().toInt() == M::kCopyPath) {
                    menu->setActiveAction(a);
                    QTest::keyClick(menu, Qt::Key_Return);
                    picked = true;
                }
        });
        QTimer::singleShot(3000, [] { // never hang the run if the menu did not show
            if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        });
        w->onTreeRightClick(w->currentSlot());
        QVERIFY(picked);
        QCOMPARE(platform_->clipboard, CWString(u"a"));
    }

    void right_click_brings_path_box_up_to_date() {
        auto w = windowWith(u"{\"a\":{\"b\":[1,2]}}");
        const int32_t b = itemWithText(*w, u"b");
        store(*w).setSelection(b);
        w->pathBox->setContent(u"typed but not jumped");
        w->current()->pane->setText(u"stale");
        rightClick(*w, b, M::kCopyPath);
        QCOMPARE(w->pathBox->content(), CWString(u"a.b"));
        QCOMPARE(platform_->clipboard, CWString(u"a.b"));
        QVERIFY(w->current()->pane->text().find(u'1') != CWString::npos); // the node was shown again

        // A right-click on another slot's tree box does nothing.
        const int before = menusShown_;
        w->onTreeRightClick(5);
        QCOMPARE(menusShown_, before);
    }

    void copy_json_follows_output_format() {
        auto w = windowWith(u"{\"a\":{\"b\":[1,2]}}");
        rightClick(*w, 1, M::kCopyJson);
        const CWString indented = platform_->clipboard;
        QVERIFY(indented.find(u'\n') != CWString::npos);
        w->outputFormatList->setCurrentIndex(1);
        rightClick(*w, 1, M::kCopyJson);
        QCOMPARE(platform_->clipboard, CWString(u"{\"b\":[1, 2]}"));
        // A path that names nothing copies the empty text; nothing is decoded on the way.
        w->pathBox->setContent(u"nothing.here");
        w->onMenuCommand(M::kCopyJson);
        QCOMPARE(platform_->clipboard, CWString());
        auto v = windowWith(u"{\"s\":\"\\u4e2d\"}");
        rightClick(*v, 1, M::kCopyJson);
        QCOMPARE(platform_->clipboard, CWString(u"\\u4e2d"));
    }

    void commands_need_a_selected_item() {
        auto w = windowWith(u"{\"a\":1}");
        const CWString before = documentText(*w);
        for (int32_t id : {M::kCreate, M::kDelete, M::kRenameKey, M::kSetValue}) {
            platform_->messageBoxes.clear();
            store(*w).properties().currentItem = -1;
            w->onMenuCommand(id);
            QCOMPARE(platform_->messageBoxes.size(), size_t(1));
            QCOMPARE(platform_->messageBoxes[0].caption, CWString(u"信息:"));
            QCOMPARE(platform_->messageBoxes[0].text, CWString(u"请选中具体的节点！"));
        }
        // The top item cannot be renamed.
        platform_->messageBoxes.clear();
        rightClick(*w, 0, M::kRenameKey);
        QCOMPARE(platform_->messageBoxes.size(), size_t(1));
        QCOMPARE(platform_->messageBoxes[0].text, CWString(u"请选中具体的节点！"));
        QVERIFY(platform_->inputCalls.empty());
        QCOMPARE(documentText(*w), before);
        QVERIFY(!w->current()->slotDirty);
    }

    void create_appends_array_element_without_asking() {
        auto w = windowWith(u"{\"a\":[1,2]}");
        rightClick(*w, 1, M::kCreate);
        QVERIFY(platform_->inputCalls.empty());
        const std::vector<Item> expected{
            {0, u"Tolvar·JSON", 0}, {1, u"a", 1}, {2, u"[0]:1", 2}, {2, u"[1]:2", 2}, {2, u"[2]:\"值4\"", 2}};
        QCOMPARE(describe(itemsOf(store(*w))), describe(expected));
        QCOMPARE(documentText(*w), CWString(u"{\"a\":[1,2,\"值4\"]}"));
        QCOMPARE(store(*w).getSelection(), 4);
        QCOMPARE(w->pathBox->content(), CWString(u"a[2]"));
        QCOMPARE(w->current()->pane->text(), CWString(u"值4"));
        QVERIFY(w->current()->slotDirty);
    }

    void create_turns_scalar_member_into_object() {
        // 36 members and the top item: 37 items, so the proposed key is 键37 and the value 值37.
        CWString json = u"{";
        for (int i = 0; i < 36; ++i)
            json += (i ? u"," : u"") + CWString(u"\"k") + CWString(1, char16_t(u'A' + i % 26)) +
                    CWString(1, char16_t(u'a' + i / 26)) + u"\":" + CWString(1, char16_t(u'0' + i % 10));
        json += u"}";
        auto w = windowWith(json);
        QCOMPARE(store(*w).itemCount(), 37);
        platform_->inputAnswers.push_back(CWString(u"新键"));
        rightClick(*w, 2, M::kCreate); // "kBa:1"
        QCOMPARE(platform_->inputCalls.size(), size_t(1));
        QCOMPARE(platform_->inputCalls[0].caption, CWString(u"输入新建节点的键名："));
        QCOMPARE(platform_->inputCalls[0].initialText, CWString(u"键37"));
        QCOMPARE(store(*w).getText(2), CWString(u"kBa"));
        QCOMPARE(store(*w).getImage(2), 0);
        QCOMPARE(store(*w).getText(3), CWString(u"新键:\"值37\""));
        QCOMPARE(store(*w).getLevel(3), 2);
        QCOMPARE(store(*w).getSelection(), 3);
        QVERIFY(documentText(*w).find(u"\"kBa\":{\"新键\":\"值37\"}") != CWString::npos);

        // On the top item: the root gains the member, the label stays.
        platform_->inputAnswers.push_back(CWString(u"top"));
        rightClick(*w, 0, M::kCreate);
        QCOMPARE(store(*w).getText(0), CWString(u"Tolvar·JSON"));
        QCOMPARE(store(*w).getText(store(*w).itemCount() - 1), CWString(u"top:\"值38\""));
        QVERIFY(documentText(*w).find(u",\"top\":\"值38\"}") != CWString::npos);
    }

    void create_cancelled_changes_nothing() {
        auto w = windowWith(u"{\"a\":1}");
        const QByteArray file = slotFileBytes();
        const std::vector<Item> before = itemsOf(store(*w));
        platform_->inputAnswers.push_back(std::nullopt);
        rightClick(*w, 1, M::kCreate);
        QCOMPARE(platform_->inputCalls.size(), size_t(1));
        QCOMPARE(describe(itemsOf(store(*w))), describe(before));
        QCOMPARE(documentText(*w), CWString(u"{\"a\":1}"));
        QVERIFY(!w->current()->slotDirty);
        w->close();
        QCOMPARE(slotFileBytes(), file);
    }

    void delete_renumbers_later_array_elements_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("items");
        QTest::addColumn<QString>("document");
        QTest::newRow("second of three") << "[\"x\",\"y\",\"z\"]"
                                         << "[1]:\"y\""
                                         << "0|Tolvar·JSON|1\n1|[0]:\"x\"|2\n1|[1]:\"z\"|2\n"
                                         << "[\"x\",\"z\"]";
        QTest::newRow("last") << "[\"x\",\"y\",\"z\"]"
                              << "[2]:\"z\""
                              << "0|Tolvar·JSON|1\n1|[0]:\"x\"|2\n1|[1]:\"y\"|2\n"
                              << "[\"x\",\"y\"]";
        QTest::newRow("container with children")
            << "{\"a\":[{\"b\":1},{\"c\":[2]},3]}"
            << "[0]"
            << "0|Tolvar·JSON|0\n1|a|1\n2|[0]|0\n3|c|1\n4|[0]:2|2\n2|[1]:3|2\n"
            << "{\"a\":[{\"c\":[2]},3]}";
        QTest::newRow("member of an object") << "{\"a\":1,\"b\":[9],\"c\":3}"
                                             << "a:1"
                                             << "0|Tolvar·JSON|0\n1|b|1\n2|[0]:9|2\n1|c:3|2\n"
                                             << "{\"b\":[9],\"c\":3}";
        QTest::newRow("ten elements, [10] becomes [9]")
            << "[0,1,2,3,4,5,6,7,8,9,10]"
            << "[3]:3"
            << "0|Tolvar·JSON|1\n1|[0]:0|2\n1|[1]:1|2\n1|[2]:2|2\n1|[3]:4|2\n"
               "1|[4]:5|2\n1|[5]:6|2\n1|[6]:7|2\n1|[7]:8|2\n1|[8]:9|2\n1|[9]:10|2\n"
            << "[0,1,2,4,5,6,7,8,9,10]";
    }
    void delete_renumbers_later_array_elements() {
        QFETCH(QString, json);
        QFETCH(QString, target);
        QFETCH(QString, items);
        QFETCH(QString, document);
        auto w = windowWith(fromQString(json));
        const int32_t item = itemWithText(*w, fromQString(target));
        QVERIFY(item > 0);
        rightClick(*w, item, M::kDelete);
        QCOMPARE(describe(itemsOf(store(*w))), items);
        QCOMPARE(toQString(documentText(*w)), document);
        QVERIFY(w->current()->slotDirty);
        // The item now at the same index is selected (and shown), or nothing when none is left.
        QCOMPARE(store(*w).getSelection(), item < store(*w).itemCount() ? item : -1);
        if (item < store(*w).itemCount()) QCOMPARE(w->pathBox->content(), store(*w).pathOfItem(item, 0));
    }

    void delete_top_item_empties_tree_and_document() {
        auto w = windowWith(u"{\"a\":[1,2],\"b\":{\"c\":3}}");
        rightClick(*w, 0, M::kDelete);
        QCOMPARE(store(*w).itemCount(), 1);
        QCOMPARE(store(*w).getText(0), CWString(u"Tolvar·JSON"));
        QCOMPARE(documentText(*w), CWString(u"{}"));
        QCOMPARE(store(*w).getSelection(), 0);
        w->close();
        QCOMPARE(rg_Korrin_ChuangKou::fromQString(
                     QString::fromUtf16(reinterpret_cast<const char16_t*>(slotFileBytes().constData() + 2),
                                        (slotFileBytes().size() - 2) / 2)),
                 CWString(u"{}"));
    }

    void delete_with_path_naming_nothing_keeps_tree_and_document_in_step() {
        auto w = windowWith(u"{\"a\":1,\"b\":2}");
        store(*w).setSelection(1);
        const std::vector<Item> before = itemsOf(store(*w));
        w->pathBox->setContent(u"zz");
        w->onMenuCommand(M::kDelete);
        QCOMPARE(describe(itemsOf(store(*w))), describe(before));
        QCOMPARE(documentText(*w), CWString(u"{\"a\":1,\"b\":2}"));
        QCOMPARE(w->statusText(rg_ZhuChuangKou1::kColOther), CWString(u"找不到节点，请检查路径"));
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Error});
        QVERIFY(!w->current()->slotDirty);
    }

    void rename_keeps_the_key_style_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("initial");
        QTest::addColumn<QString>("itemText");
        QTest::addColumn<QString>("document");
        QTest::newRow("bare stays bare") << "{a:1}"
                                         << "b"
                                         << "a"
                                         << "b:1"
                                         << "{b:1}";
        QTest::newRow("quoted gains quotes") << "{\"a\":1}"
                                             << "b"
                                             << "a"
                                             << "b:1"
                                             << "{\"b\":1}";
        QTest::newRow("entered quotes kept") << "{\"a\":1}"
                                             << "'b'"
                                             << "a"
                                             << "b:1"
                                             << "{'b':1}";
        QTest::newRow("container") << "{\"a\":{\"x\":1}}"
                                   << "c"
                                   << "a"
                                   << "c"
                                   << "{\"c\":{\"x\":1}}";
        QTest::newRow("single-quoted") << "{'a':'v'}"
                                       << "b"
                                       << "a"
                                       << "b:'v'"
                                       << "{\"b\":'v'}";
    }
    void rename_keeps_the_key_style() {
        QFETCH(QString, json);
        QFETCH(QString, entered);
        QFETCH(QString, initial);
        QFETCH(QString, itemText);
        QFETCH(QString, document);
        auto w = windowWith(fromQString(json));
        platform_->inputAnswers.push_back(fromQString(entered));
        rightClick(*w, 1, M::kRenameKey);
        QCOMPARE(platform_->inputCalls.size(), size_t(1));
        QCOMPARE(platform_->inputCalls[0].caption, CWString(u"输入新的键名："));
        QCOMPARE(toQString(platform_->inputCalls[0].initialText), initial);
        QCOMPARE(toQString(store(*w).getText(1)), itemText);
        QCOMPARE(toQString(documentText(*w)), document);
        QCOMPARE(w->pathBox->content(), store(*w).pathOfItem(1, 0));
        QVERIFY(w->current()->slotDirty);
    }

    void rename_array_element_is_refused() {
        auto w = windowWith(u"{\"a\":[1]}");
        rightClick(*w, 2, M::kRenameKey);
        QCOMPARE(platform_->messageBoxes.size(), size_t(1));
        QCOMPARE(platform_->messageBoxes[0].text, CWString(u"这是数组序号名称，不允许修改！"));
        QVERIFY(platform_->inputCalls.empty());
        QCOMPARE(documentText(*w), CWString(u"{\"a\":[1]}"));
        // Cancelling the dialog leaves everything as it was.
        platform_->inputAnswers.push_back(std::nullopt);
        rightClick(*w, 1, M::kRenameKey);
        QCOMPARE(store(*w).getText(1), CWString(u"a"));
        QCOMPARE(documentText(*w), CWString(u"{\"a\":[1]}"));
        QVERIFY(!w->current()->slotDirty);
    }

    void set_value_rebuilds_the_subtree_in_place() {
        auto w = windowWith(u"{\"a\":{\"x\":1},\"b\":[5,6]}");
        store(*w).setSelection(1);
        w->current()->pane->setText(u"{\"y\":[1,2]}");
        rightClick(*w, 1, M::kSetValue);
        std::vector<Item> expected{{0, u"Tolvar·JSON", 0}, {1, u"a", 0}, {2, u"y", 1},     {3, u"[0]:1", 2},
                                   {3, u"[1]:2", 2},       {1, u"b", 1}, {2, u"[0]:5", 2}, {2, u"[1]:6", 2}};
        QCOMPARE(describe(itemsOf(store(*w))), describe(expected));
        QCOMPARE(documentText(*w), CWString(u"{\"a\":{\"y\":[1,2]},\"b\":[5,6]}"));
        QCOMPARE(store(*w).getSelection(), 1);
        QVERIFY(w->current()->slotDirty);

        // An array element keeps its [i] label; a bare scalar takes the text as written.
        store(*w).setSelection(7);
        w->current()->pane->setText(u"7");
        rightClick(*w, 7, M::kSetValue);
        QCOMPARE(store(*w).getText(7), CWString(u"[1]:7"));
        QCOMPARE(documentText(*w), CWString(u"{\"a\":{\"y\":[1,2]},\"b\":[5,7]}"));

        // The top item keeps its label and shows the root's kind.
        store(*w).setSelection(0);
        w->current()->pane->setText(u"[true]");
        rightClick(*w, 0, M::kSetValue);
        expected = {{0, u"Tolvar·JSON", 1}, {1, u"[0]:true", 2}};
        QCOMPARE(describe(itemsOf(store(*w))), describe(expected));
        QCOMPARE(documentText(*w), CWString(u"[true]"));
    }

    void set_value_with_path_naming_nothing_changes_nothing() {
        auto w = windowWith(u"{\"a\":1}");
        store(*w).setSelection(1);
        w->pathBox->setContent(u"nope");
        w->current()->pane->setText(u"{\"q\":1}");
        w->onMenuCommand(M::kSetValue);
        QCOMPARE(documentText(*w), CWString(u"{\"a\":1}"));
        QCOMPARE(store(*w).itemCount(), 2);
        QVERIFY(!w->current()->slotDirty);
    }

    void pane_transforms_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("ucs2 encode") << int(M::kUcs2Encode) << QStringLiteral("中\"")
                                     << QStringLiteral("\\u4E2D\\\"");
        QTest::newRow("ucs2 decode") << int(M::kUcs2Decode) << QStringLiteral("\\u4e2d\\n")
                                     << QStringLiteral("中\n");
        QTest::newRow("html hex") << int(M::kHtmlEncodeHex) << QStringLiteral("a中")
                                  << QStringLiteral("a&#x4E2D;");
        QTest::newRow("html dec") << int(M::kHtmlEncodeDec) << QStringLiteral("a中")
                                  << QStringLiteral("a&#20013;");
        QTest::newRow("html decode") << int(M::kHtmlDecode) << QStringLiteral("&lt;&#x4E2D;&#20013;")
                                     << QStringLiteral("<中中");
    }
    void pane_transforms() {
        QFETCH(int, id);
        QFETCH(QString, input);
        QFETCH(QString, output);
        auto w = windowWith(u"{\"a\":1}");
        w->current()->pane->setText(fromQString(input));
        rightClick(*w, 1, id);
        // The right-click showed the node first, so put the input back and run the command itself.
        w->current()->pane->setText(fromQString(input));
        w->onMenuCommand(id);
        QCOMPARE(toQString(w->current()->pane->text()), output);
        QCOMPARE(documentText(*w), CWString(u"{\"a\":1}"));
        QVERIFY(!w->current()->slotDirty);
        // One undo step brings the pane's text back.
        QCOMPARE(w->current()->pane->selectionStart(), 0);
        QVERIFY(w->current()->pane->canUndo());
        w->current()->pane->undo();
        QCOMPARE(toQString(w->current()->pane->text()), input);
    }

    void decode_options_and_persistence() {
        {
            auto w = windowWith(u"{\"s\":\"\\u4e2d\"}");
            rightClick(*w, 1, 0);
            QCOMPARE(w->current()->pane->text(), CWString(u"中")); // 20013 checked from the start
            rightClick(*w, 1, M::kDecodeOnShow);
            QVERIFY(!w->treeMenu().isChecked(M::kDecodeOnShow));
            QCOMPARE(w->current()->pane->text(), CWString(u"\\u4e2d"));

            // 20014 parses the slot's source again, decoded, and keeps the path selected.
            rightClick(*w, 1, M::kDecodeOnParse);
            QVERIFY(w->treeMenu().isChecked(M::kDecodeOnParse));
            QCOMPARE(store(*w).getText(1), CWString(u"s:\"中\""));
            QCOMPARE(store(*w).getSelection(), 1);
            QCOMPARE(w->pathBox->content(), CWString(u"s"));
            w->close();
        }
        auto again = shownWindow();
        QVERIFY(!again->treeMenu().isChecked(M::kDecodeOnShow));
        QVERIFY(again->treeMenu().isChecked(M::kDecodeOnParse));
    }

    void path_modes_switch_and_persist() {
        {
            auto w = windowWith(u"{\"a\":[{\"b\":1}]}");
            const int32_t b = itemWithText(*w, u"b:1");
            store(*w).setSelection(b);
            QCOMPARE(w->pathBox->content(), CWString(u"a[0].b"));
            const std::pair<int32_t, int32_t> modes[] = {{M::kPathModeArrays, 1},
                                                         {M::kPathModeKorrin, 2},
                                                         {M::kPathModeDefault, 0},
                                                         {M::kPathModeKorrin, 2}};
            for (const auto& [id, mode] : modes) {
                rightClick(*w, b, id);
                QCOMPARE(w->pathMode(), mode);
                QCOMPARE(w->pathBox->content(), store(*w).pathOfItem(b, mode));
                int checked = 0;
                for (int32_t m : {M::kPathModeDefault, M::kPathModeArrays, M::kPathModeKorrin})
                    checked += w->treeMenu().isChecked(m) ? 1 : 0;
                QCOMPARE(checked, 1);
            }
            QCOMPARE(w->pathBox->content(), CWString(u"//a.[0].b"));
            // With nothing selected the path box is emptied.
            store(*w).properties().currentItem = -1;
            w->onMenuCommand(M::kPathModeArrays);
            QCOMPARE(w->pathBox->content(), CWString());
            w->onMenuCommand(M::kPathModeKorrin);
            w->close();
        }
        auto again = shownWindow();
        QCOMPARE(again->pathMode(), 2);
        QVERIFY(!again->treeMenu().isChecked(M::kPathModeDefault));
    }

    // ---- commands act on the selected item's own node ----

    void commands_act_on_the_items_own_node_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("itemText");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("path");     // the path box after the right-click
        QTest::addColumn<QString>("document"); // afterwards
        const int del = M::kDelete, copy = M::kCopyJson;
        QTest::newRow("colon in a scalar key") << "{\"a:b\":1,\"a\":2}"
                                               << "a:b:1" << del << "a:b"
                                               << "{\"a\":2}";
        QTest::newRow("colon, the plain twin") << "{\"a:b\":1,\"a\":2}"
                                               << "a:2" << del << "a"
                                               << "{\"a:b\":1}";
        QTest::newRow("colon in a container key") << "{\"c\":{\"d:e\":[1],\"d\":0}}"
                                                  << "d:e" << del << "c.d:e"
                                                  << "{\"c\":{\"d\":0}}";
        QTest::newRow("arrow in a key") << "{\"q\":0,\"a->b\":1,\"a\":2}"
                                        << "a->b:1" << del << "[1]"
                                        << "{\"q\":0,\"a\":2}";
        QTest::newRow("bracket in a key") << "{\"a[1]\":5,\"a\":[7,8]}"
                                          << "a[1]:5" << del << "[0]"
                                          << "{\"a\":[7,8]}";
        QTest::newRow("own #46# beside a dot") << "{\"a.b\":1,\"a#46#b\":2}"
                                               << "a#46#b:2" << del << "[1]"
                                               << "{\"a.b\":1}";
        QTest::newRow("copy JSON of a colon key") << "{\"a:b\":{\"x\":1},\"a\":2}"
                                                  << "a:b" << copy << "a:b"
                                                  << "{\"a:b\":{\"x\":1},\"a\":2}";
    }
    void commands_act_on_the_items_own_node() {
        QFETCH(QString, json);
        QFETCH(QString, itemText);
        QFETCH(int, command);
        QFETCH(QString, path);
        QFETCH(QString, document);
        auto w = windowWith(fromQString(json));
        const int32_t item = itemWithText(*w, fromQString(itemText));
        QVERIFY(item > 0);
        rightClick(*w, item, 0); // the menu is dismissed
        QCOMPARE(toQString(w->pathBox->content()), path);
        QCOMPARE(store(*w).findItemByPath(w->pathBox->content()), item);
        QVERIFY(platform_->beeps.empty()); // the text pane showed the node
        {
            rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
            rg_Tolvar_JSON::splitPath(fromQString(path), segments);
            const rg_Tolvar_JSON::rg_TolvarJSONJieDian* node =
                rg_Tolvar_JSON::walkPath(w->current()->document.root(), segments, 0);
            QVERIFY(node != nullptr);
            QCOMPARE(w->current()->pane->text(), rg_Tolvar_JSON::toJsonText(*node, false));
        }
        rightClick(*w, item, command);
        QCOMPARE(toQString(documentText(*w)), document);
        if (command == M::kCopyJson)
            QCOMPARE(platform_->clipboard,
                     rg_Tolvar_JSON::toJsonText(*w->current()->document.root().child(0), false));
        QVERIFY(platform_->beeps.empty());
    }

    void rename_and_create_keep_colon_keys_addressable() {
        auto w = windowWith(u"{\"a:b\":1,\"a\":2}");
        platform_->inputAnswers.push_back(CWString(u"x:y"));
        rightClick(*w, 1, M::kRenameKey);
        QCOMPARE(documentText(*w), CWString(u"{\"x:y\":1,\"a\":2}"));
        QCOMPARE(store(*w).getText(1), CWString(u"x:y:1"));
        QCOMPARE(w->pathBox->content(), CWString(u"x:y"));
        // A new member whose key holds ':' is found again by its own path.
        platform_->inputAnswers.push_back(CWString(u"n:m"));
        rightClick(*w, 0, M::kCreate);
        const int32_t added = store(*w).getSelection();
        QCOMPARE(store(*w).getText(added), CWString(u"n:m:\"值3\""));
        QCOMPARE(w->pathBox->content(), CWString(u"n:m"));
        w->current()->pane->setText(u"7");
        rightClick(*w, added, M::kSetValue);
        QCOMPARE(documentText(*w), CWString(u"{\"x:y\":1,\"a\":2,\"n:m\":\"7\"}"));
        // "新建" on a scalar with a colon key keeps the whole key as its label.
        platform_->inputAnswers.push_back(CWString(u"k"));
        rightClick(*w, 1, M::kCreate);
        QCOMPARE(store(*w).getText(1), CWString(u"x:y"));
        QCOMPARE(documentText(*w), CWString(u"{\"x:y\":{\"k\":\"值4\"},\"a\":2,\"n:m\":\"7\"}"));
    }

    void commands_refuse_a_path_that_names_another_node_data() {
        QTest::addColumn<int>("command");
        QTest::newRow("delete") << int(M::kDelete);
        QTest::newRow("rename") << int(M::kRenameKey);
        QTest::newRow("set value") << int(M::kSetValue);
        QTest::newRow("create") << int(M::kCreate);
        QTest::newRow("copy JSON") << int(M::kCopyJson);
    }
    void commands_refuse_a_path_that_names_another_node() {
        QFETCH(int, command);
        auto w = windowWith(u"{\"a\":1,\"b\":{\"c\":2}}");
        store(*w).setSelection(2); // b
        // The path box names another node than the selected item's: nothing may act on it.
        w->pathBox->setContent(u"a");
        platform_->clipboard = u"kept";
        platform_->inputAnswers.push_back(CWString(u"z"));
        w->current()->pane->setText(u"9");
        w->onMenuCommand(command);
        QCOMPARE(documentText(*w), CWString(u"{\"a\":1,\"b\":{\"c\":2}}"));
        QCOMPARE(store(*w).itemCount(), 4);
        QCOMPARE(w->statusText(rg_ZhuChuangKou1::kColOther), CWString(u"路径所指的不是选中的节点"));
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Error});
        QCOMPARE(platform_->clipboard, CWString(u"kept"));
        QVERIFY(!w->current()->slotDirty);
    }

    // ---- 10007 with the decoded pane ----

    void set_value_keeps_what_the_decode_hid_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("find"); // empty: the pane is left as shown
        QTest::addColumn<QString>("replace");
        QTest::addColumn<int>("answer"); // to the question, 0 when none is expected
        QTest::addColumn<QString>("document");
        const int none = 0, yes = rg_Korrin_ChuangKou::kResultYes, no = rg_Korrin_ChuangKou::kResultNo;
        QTest::newRow("escaped quote and line break") << "{\"s\":\"a\\\"b\\nc\"}" << 1 << ""
                                                      << "" << none << "{\"s\":\"a\\\"b\\nc\"}";
        QTest::newRow("object holding \\u0000") << "{\"o\":{\"a\":\"x\\u0000y\",\"b\":1}}" << 1 << ""
                                                << "" << none << "{\"o\":{\"a\":\"x\\u0000y\",\"b\":1}}";
        QTest::newRow("emoji escapes") << "{\"e\":\"\\ud83d\\ude00 hi\"}" << 1 << ""
                                       << "" << none << "{\"e\":\"\\ud83d\\ude00 hi\"}";
        QTest::newRow("nested object with quotes")
            << "{\"n\":{\"q\":\"say \\\"hi\\\"\",\"u\":\"\\u4e2d\",\"l\":[1,\"\\/\"]}}" << 1 << ""
            << "" << none << "{\"n\":{\"q\":\"say \\\"hi\\\"\",\"u\":\"\\u4e2d\",\"l\":[1,\"\\/\"]}}";
        QTest::newRow("single-quoted value") << "{\"s\":'it'}" << 1 << ""
                                             << "" << none << "{\"s\":'it'}";
        QTest::newRow("edit beside escapes") << "{\"s\":\"\\u4e2d\\u6587 x\"}" << 1 << "x"
                                             << "y" << none << "{\"s\":\"\\u4e2d\\u6587 y\"}";
        QTest::newRow("edit before a decoded U+0000 keeps the rest")
            << "{\"o\":{\"a\":\"x\\u0000y\",\"b\":1}}" << 1 << "x"
            << "z" << none << "{\"o\":{\"a\":\"z\\u0000y\",\"b\":1}}";
        QTest::newRow("edit in an object keeps other escapes")
            << "{\"n\":{\"q\":\"say \\\"hi\\\"\",\"u\":\"\\u4e2d\"}}" << 1 << "中"
            << "文" << none << "{\"n\":{\"q\":\"say \\\"hi\\\"\",\"u\":\"文\"}}";
        QTest::newRow("retyped stretch without decoded characters") << "{\"s\":\"a\\\"b\"}" << 1 << "a\"b"
                                                                    << "q" << none << "{\"s\":\"q\"}";
        // Two edits around a decoded quote: the stretch between them still holds it, raw.
        QTest::newRow("decoded quote inside the edit asks, no") << "{\"s\":\"a\\\"b c\"}" << 1 << "a\"b c"
                                                                << "x\"b y" << no << "{\"s\":\"a\\\"b c\"}";
        QTest::newRow("decoded quote inside the edit asks, yes") << "{\"s\":\"a\\\"b c\"}" << 1 << "a\"b c"
                                                                 << "x\"b y" << yes << "{\"s\":\"x\"b y\"}";
    }
    void set_value_keeps_what_the_decode_hid() {
        QFETCH(QString, json);
        QFETCH(int, item);
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(int, answer);
        QFETCH(QString, document);
        auto w = windowWith(fromQString(json));
        QVERIFY(w->treeMenu().isChecked(M::kDecodeOnShow));
        store(*w).setSelection(item); // shows the node, decoded
        if (!find.isEmpty()) {
            QString pane = toQString(w->current()->pane->text());
            QVERIFY2(pane.contains(find), qPrintable(pane));
            w->current()->pane->setText(fromQString(pane.replace(find, replace)));
        }
        if (answer != 0) platform_->messageBoxAnswers.push_back(answer);
        rightClick(*w, item, M::kSetValue);
        QCOMPARE(platform_->messageBoxes.size(), size_t(answer != 0 ? 1 : 0));
        QCOMPARE(toQString(documentText(*w)), document);
        // The tree shows the document.
        std::vector<Item> expected;
        rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu fresh;
        fresh.appendTopItem(u"Tolvar·JSON", 0);
        fresh.fillFromNode(w->current()->document.root(), 0, false);
        QCOMPARE(describe(itemsOf(store(*w))), describe(itemsOf(fresh)));
    }

    // ---- in-place edits ----

    void in_place_edit_renames_the_key_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("itemText"); // afterwards
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::newRow("keeps the value ending") << "{\"a\":1}" << 1 << "b:1"
                                                << "b:1"
                                                << "{\"b\":1}"
                                                << "";
        QTest::newRow("only the key") << "{\"a\":1}" << 1 << "b"
                                      << "b:1"
                                      << "{\"b\":1}"
                                      << "";
        QTest::newRow("a key with a colon") << "{\"a\":1}" << 1 << "c:d:1"
                                            << "c:d:1"
                                            << "{\"c:d\":1}"
                                            << "";
        QTest::newRow("bare stays bare") << "{a:1}" << 1 << "z"
                                         << "z:1"
                                         << "{z:1}"
                                         << "";
        QTest::newRow("container") << "{\"a\":{\"x\":1}}" << 1 << "c"
                                   << "c"
                                   << "{\"c\":{\"x\":1}}"
                                   << "";
        QTest::newRow("array element refused") << "{\"a\":[1]}" << 2 << "[5]:1"
                                               << "[0]:1"
                                               << "{\"a\":[1]}"
                                               << "这是数组序号名称，不允许修改！";
        QTest::newRow("top item refused") << "{\"a\":1}" << 0 << "X"
                                          << "Tolvar·JSON"
                                          << "{\"a\":1}"
                                          << "请选中具体的节点！";
    }
    void in_place_edit_renames_the_key() {
        QFETCH(QString, json);
        QFETCH(int, item);
        QFETCH(QString, typed);
        QFETCH(QString, itemText);
        QFETCH(QString, document);
        QFETCH(QString, message);
        auto w = windowWith(fromQString(json));
        auto* tree = w->current()->tree;
        store(*w).setSelection(item);
        QTest::keyClick(tree->canvas(), Qt::Key_F2);
        QVERIFY(tree->isEditing());
        tree->editBox()->setContent(fromQString(typed));
        QTest::keyClick(tree->editBox(), Qt::Key_Return);
        QVERIFY(!tree->isEditing());
        QCOMPARE(toQString(store(*w).getText(item)), itemText);
        QCOMPARE(toQString(documentText(*w)), document);
        QCOMPARE(platform_->messageBoxes.size(), size_t(message.isEmpty() ? 0 : 1));
        if (!message.isEmpty()) QCOMPARE(toQString(platform_->messageBoxes[0].text), message);
        QCOMPARE(w->current()->slotDirty, message.isEmpty());
        if (item > 0) {
            QCOMPARE(w->pathBox->content(), store(*w).pathOfItem(item, 0));
            // The path leads back to the renamed member.
            QCOMPARE(store(*w).findItemByPath(CWStringView(w->pathBox->content())), item);
        }
    }

    void edits_reach_the_slot_file_on_close() {
        auto w = windowWith(u"{\"a\":[1,2]}");
        rightClick(*w, 2, M::kDelete);
        platform_->inputAnswers.push_back(CWString(u"n"));
        rightClick(*w, 0, M::kCreate);
        QCOMPARE(documentText(*w), CWString(u"{\"a\":[2],\"n\":\"值3\"}"));
        const CWString expected = rg_Tolvar_JSON::toJsonText(w->current()->document.root(), true);
        w->close();
        const QByteArray bytes = slotFileBytes();
        QVERIFY(bytes.startsWith("\xFF\xFE"));
        QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                    (bytes.size() - 2) / 2),
                 toQString(expected));
    }
};

QTEST_MAIN(AppTreeMenuTest)
#include "test_app_tree_menu.moc"
