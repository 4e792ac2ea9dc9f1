// Tree box interaction: hit-testing, selection and its reasons, expand and check toggling with
// their vetoes, hot tracking, double-clicks, the wheel, the keys, ensureVisible and in-place
// editing, all through real input events on the offscreen platform.
#include <string>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include "controls/scroll_bar.h"
#include "gui_test_util.h"
#include "tree/item_record.h"
#include "tree/ui/tree_box.h"

using rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
using rg_TolvarMingLingJi_ChuangKouZuJian::kTreeNoCell;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuang;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;
namespace item_record = rg_TolvarMingLingJi_ChuangKouZuJian::item_record;
using Store = rg_TolvarShuXingKuangCunChu;

namespace {

CWString u16(const std::string& s) {
    return CWString(s.begin(), s.end());
}

struct Item {
    int level;
    std::string text;
    int expand = 2;
    int check = 0;
};

void fill(rg_TolvarShuXingKuang& box, const std::vector<Item>& items) {
    auto& store = box.store();
    store.properties().autoRedraw = 0;
    store.clearItems();
    if (!items.empty()) {
        store.appendTopItem(u16(items[0].text), 0);
        CKorMem rest;
        for (size_t k = 1; k < items.size(); ++k)
            item_record::writeRecord(rest, u16(items[k].text), 2, items[k].level,
                                     static_cast<uint8_t>(items[k].expand),
                                     static_cast<uint8_t>(items[k].check));
        ItemCursor c;
        if (items.size() > 1) store.replaceSubtree(0, 2, rest, static_cast<int32_t>(items.size() - 1), c);
        ItemCursor c0;
        store.setItem(0, std::nullopt, Store::kKeepImage, items[0].expand, items[0].check, c0, true);
    }
    store.properties().autoRedraw = 1;
    box.redraw(-1);
}

std::vector<Item> flat(int n) {
    std::vector<Item> items{{0, "root"}};
    for (int k = 0; k < n; ++k)
        items.push_back({1, "child " + std::to_string(k)});
    return items;
}

// Everything the box raised, in order.
struct Recorder {
    struct Selection {
        int item;
        int reason;
        bool operator==(const Selection&) const = default;
    };
    std::vector<Selection> selections;
    int rightClicks = 0;
    std::vector<int> hot;
    std::vector<int> expandAsks;
    std::vector<int> checkAsks;
    std::vector<int> checkDone;
    std::vector<int> editStarts;
    struct Commit {
        int item;
        CWString before;
        CWString after;
    };
    std::vector<Commit> commits;
    std::vector<std::pair<int, int>> keys;
    int vetoExpand = 0, vetoCheck = 0, vetoEditStart = 0, vetoCommit = 0;

    void attach(rg_TolvarShuXingKuang& box) {
        Store& s = box.store();
        s.selectionChanged.bind(this, 0, [](Recorder& r, Store&, int64_t, int32_t item, int32_t reason) {
            r.selections.push_back({item, reason});
        });
        box.rightClicked.bind(this, 0, [](Recorder& r, rg_TolvarShuXingKuang&, int64_t) { ++r.rightClicks; });
        box.hotItemChanged.bind(this, 0, [](Recorder& r, rg_TolvarShuXingKuang&, int64_t, int32_t item) {
            r.hot.push_back(item);
        });
        box.expandToggling.bind(this, 0, [](Recorder& r, rg_TolvarShuXingKuang&, int64_t, int32_t item) {
            r.expandAsks.push_back(item);
            return r.vetoExpand;
        });
        box.checkToggling.bind(this, 0, [](Recorder& r, rg_TolvarShuXingKuang&, int64_t, int32_t item) {
            r.checkAsks.push_back(item);
            return r.vetoCheck;
        });
        box.checkToggled.bind(this, 0, [](Recorder& r, rg_TolvarShuXingKuang&, int64_t, int32_t item) {
            r.checkDone.push_back(item);
        });
        box.editStarting.bind(this, 0, [](Recorder& r, rg_TolvarShuXingKuang&, int64_t, int32_t item) {
            r.editStarts.push_back(item);
            return r.vetoEditStart;
        });
        box.editCommitted.bind(this, 0,
                               [](Recorder& r, rg_TolvarShuXingKuang&, int64_t, int32_t item,
                                  const CWString& before, const CWString& after) {
                                   r.commits.push_back({item, before, after});
                                   return r.vetoCommit;
                               });
        box.keyPressed.bind(this, 0,
                            [](Recorder& r, rg_TolvarShuXingKuang&, int64_t, int32_t key, int32_t mods) {
                                r.keys.emplace_back(key, mods);
                            });
    }
};

// A double-click as the window system delivers it: press, release, double-click, release.
void doubleClick(QWidget* w, QPoint at) {
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at);
}

// Keys other than the modifier keys themselves (a click with modifiers presses those too).
std::vector<std::pair<int, int>> plainKeys(const std::vector<std::pair<int, int>>& keys) {
    std::vector<std::pair<int, int>> out;
    for (const auto& k : keys)
        if (k.first != 0x10 && k.first != 0x11 && k.first != 0x12) out.push_back(k);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Qt::MouseButton)
Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

class TreeBoxInputTest : public QObject {
    Q_OBJECT

private:
    QWidget* host = nullptr;
    rg_TolvarShuXingKuang* box = nullptr;
    Recorder* rec = nullptr;

    const rg_TolvarShuXingKuang::PaintedRow& row(int r) const {
        return box->paintedRows().at(static_cast<size_t>(r));
    }
    int midY(int r) const { return row(r).top + box->layout().rowHeight / 2; }
    QPoint onText(int r) const { return QPoint(row(r).textX + 3, midY(r)); }
    QPoint onGlyph(int r) const { return QPoint(row(r).glyphX + 7, midY(r)); }
    uint8_t expandOf(int item) const { return box->store().getExpandState(item); }
    uint8_t checkOf(int item) const { return box->store().getCheckState(item); }
    int rowOf(int item) const {
        for (size_t r = 0; r < box->paintedRows().size(); ++r)
            if (box->paintedRows()[r].item == item) return static_cast<int>(r);
        return -1;
    }

private slots:
    void init() {
        host = new QWidget;
        host->resize(420, 320);
        box = new rg_TolvarShuXingKuang(host);
        box->setGeometry(10, 10, 302, 242);
        host->show();
        host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(host));
        rec = new Recorder;
        rec->attach(*box);
    }

    void cleanup() {
        delete host;
        delete rec;
        host = nullptr;
        box = nullptr;
        rec = nullptr;
    }

    // ---- Hit-testing --------------------------------------------------------------------------

    void hit_testing_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("expand");   // item 1's expand state afterwards (starts 0)
        QTest::addColumn<int>("check");    // item 1's check state afterwards (starts 0)
        QTest::addColumn<int>("selected"); // current item afterwards (starts -1)
        QTest::newRow("glyph_left_edge_is_not_the_glyph") << "glyph+0" << 0 << 0 << -1;
        QTest::newRow("glyph_first_inner_pixel") << "glyph+1" << 2 << 0 << -1;
        QTest::newRow("glyph_middle") << "glyph+7" << 2 << 0 << -1;
        QTest::newRow("glyph_last_inner_pixel") << "glyph+14" << 2 << 0 << -1;
        QTest::newRow("glyph_right_edge_is_not_the_glyph") << "glyph+15" << 0 << 0 << -1;
        QTest::newRow("check_left_edge") << "check+0" << 0 << 0 << -1;
        QTest::newRow("check_middle") << "check+7" << 0 << 1 << -1;
        QTest::newRow("check_right_edge") << "check+15" << 0 << 0 << -1;
        QTest::newRow("text_left_edge") << "textLeft+0" << 0 << 0 << -1;
        QTest::newRow("text_first_pixel") << "textLeft+1" << 0 << 0 << 1;
        QTest::newRow("text_last_pixel") << "textRight-1" << 0 << 0 << 1;
        QTest::newRow("text_right_edge") << "textRight+0" << 0 << 0 << -1;
        QTest::newRow("far_right") << "textRight+40" << 0 << 0 << -1;
        QTest::newRow("below_the_rows") << "below" << 0 << 0 << -1;
        QTest::newRow("top_margin_counts_as_row_0") << "margin" << 0 << 0 << 0;
    }
    void hit_testing() {
        QFETCH(QString, where);
        QFETCH(int, expand);
        QFETCH(int, check);
        QFETCH(int, selected);
        box->properties().checkBoxes = 1;
        box->setImageStrip(500);
        fill(*box, {{0, "root"}, {1, "collapsed", 0}, {2, "child"}, {1, "after"}});
        const auto& r = row(1);
        QCOMPARE(r.item, 1);
        QPoint at(0, midY(1));
        const QString base = where.section(QLatin1Char('+'), 0, 0).section(QLatin1Char('-'), 0, 0);
        const int plus = where.contains(QLatin1Char('+')) ? where.section(QLatin1Char('+'), 1).toInt()
                                                          : -where.section(QLatin1Char('-'), 1).toInt();
        if (base == QLatin1String("glyph"))
            at.setX(r.glyphX + plus);
        else if (base == QLatin1String("check"))
            at.setX(r.checkX + plus);
        else if (base == QLatin1String("textLeft"))
            at.setX(r.textLeft + plus);
        else if (base == QLatin1String("textRight"))
            at.setX(r.textRight + plus);
        else if (base == QLatin1String("below"))
            at = QPoint(r.textX + 3, row(2).top + 3 * box->layout().rowPitch);
        else if (base == QLatin1String("margin"))
            at = QPoint(row(0).textX + 3, 2);
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(int(expandOf(1)), expand);
        QCOMPARE(int(checkOf(1)), check);
        QCOMPARE(box->getSelection(), selected);
    }

    void row_under_the_mouse_data() {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("row");
        QTest::newRow("top_of_the_canvas") << 0 << 0;
        QTest::newRow("first_row") << 6 << 0;
        QTest::newRow("last_pixel_of_row_0") << 5 << 0;
    }
    void row_under_the_mouse() {
        QFETCH(int, y);
        QFETCH(int, row);
        fill(*box, flat(10));
        QTest::mouseMove(box->canvas(), QPoint(200, y));
        QCOMPARE(box->lastMouseRow(), row);
        const int pitch = box->layout().rowPitch;
        QTest::mouseMove(box->canvas(), QPoint(200, 6 + 3 * pitch));
        QCOMPARE(box->lastMouseRow(), 3);
        QTest::mouseMove(box->canvas(), QPoint(200, 6 + 3 * pitch - 1));
        QCOMPARE(box->lastMouseRow(), 2);
    }

    // ---- Selection ----------------------------------------------------------------------------

    void selection_reasons_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("reason");
        QTest::newRow("left_click") << "left" << 2 << 1;
        QTest::newRow("right_click") << "right" << 2 << 3;
        QTest::newRow("arrow_key") << "down" << 1 << 2;
        QTest::newRow("owner_call") << "owner" << 3 << 0;
    }
    void selection_reasons() {
        QFETCH(QString, how);
        QFETCH(int, item);
        QFETCH(int, reason);
        fill(*box, flat(5));
        if (how == QLatin1String("left"))
            QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onText(2));
        else if (how == QLatin1String("right"))
            QTest::mouseClick(box->canvas(), Qt::RightButton, Qt::NoModifier, onText(2));
        else if (how == QLatin1String("down"))
            QTest::keyClick(box->canvas(), Qt::Key_Down);
        else
            box->setSelection(3);
        QCOMPARE(rec->selections, (std::vector<Recorder::Selection>{{item, reason}}));
        QCOMPARE(box->getSelection(), item);
        // The pending arrow reason does not leak into the next owner call.
        rec->selections.clear();
        box->setSelection(4);
        QCOMPARE(rec->selections, (std::vector<Recorder::Selection>{{4, 0}}));
    }

    void clicking_the_current_item_again_raises_nothing() {
        fill(*box, flat(5));
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onText(2));
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onText(2));
        QCOMPARE(rec->selections.size(), size_t{1});
        QVERIFY(!box->isEditing());
    }

    void second_click_edits_with_click_to_edit() {
        box->properties().clickToEdit = 1;
        fill(*box, flat(5));
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onText(2));
        QVERIFY(!box->isEditing());
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onText(2));
        QVERIFY(box->isEditing());
        QCOMPARE(box->editedItem(), 2);
        QCOMPARE(rec->editStarts, std::vector<int>{2});
        QCOMPARE(rec->selections.size(), size_t{1});
    }

    void right_click_on_the_current_item() {
        fill(*box, flat(5));
        box->setSelection(2);
        rec->selections.clear();
        QTest::mouseClick(box->canvas(), Qt::RightButton, Qt::NoModifier, onText(2));
        QCOMPARE(rec->rightClicks, 1);
        QVERIFY(rec->selections.empty());
        QTest::mouseClick(box->canvas(), Qt::RightButton, Qt::NoModifier, onText(3));
        QCOMPARE(rec->rightClicks, 2);
        QCOMPARE(rec->selections, (std::vector<Recorder::Selection>{{3, 3}}));
    }

    void right_click_on_a_glyph_is_an_empty_click() {
        fill(*box, {{0, "root"}, {1, "a", 0}, {2, "a1"}});
        QTest::mouseClick(box->canvas(), Qt::RightButton, Qt::NoModifier, onGlyph(1));
        QCOMPARE(rec->rightClicks, 0);
        QCOMPARE(int(expandOf(1)), 0);
        QCOMPARE(box->getSelection(), -1);
    }

    void empty_clicks_data() {
        QTest::addColumn<int>("clear");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("selected");
        QTest::newRow("kept_left") << 0 << Qt::LeftButton << 2;
        QTest::newRow("kept_right") << 0 << Qt::RightButton << 2;
        QTest::newRow("cleared_left") << 1 << Qt::LeftButton << -1;
        QTest::newRow("cleared_right") << 1 << Qt::RightButton << -1;
    }
    void empty_clicks() {
        QFETCH(int, clear);
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, selected);
        box->properties().clearOnEmptyClick = clear;
        fill(*box, flat(3));
        box->setSelection(2);
        rec->selections.clear();
        QTest::mouseClick(box->canvas(), button, Qt::NoModifier, QPoint(row(1).textRight + 30, midY(1)));
        QCOMPARE(box->getSelection(), selected);
        if (clear)
            QCOMPARE(rec->selections, (std::vector<Recorder::Selection>{{-1, 1}}));
        else
            QVERIFY(rec->selections.empty());
        QCOMPARE(rec->rightClicks, 0);
    }

    // ---- Expand and check -----------------------------------------------------------------------

    void glyph_click_toggles_and_can_be_vetoed() {
        fill(*box, {{0, "root"}, {1, "a", 0}, {2, "a1"}, {2, "a2"}, {1, "b"}});
        QCOMPARE(box->paintedRows().size(), size_t{3});
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onGlyph(1));
        QCOMPARE(int(expandOf(1)), 2);
        QCOMPARE(box->paintedRows().size(), size_t{5});
        QCOMPARE(rec->expandAsks, std::vector<int>{1});
        QVERIFY(rec->selections.empty());
        rec->vetoExpand = 1;
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onGlyph(1));
        QCOMPARE(int(expandOf(1)), 2);
        QCOMPARE(rec->expandAsks, (std::vector<int>{1, 1}));
    }

    void double_click_on_text_toggles() {
        fill(*box, {{0, "root"}, {1, "a", 0}, {2, "a1"}, {1, "b"}});
        doubleClick(box->canvas(), onText(1));
        QCOMPARE(box->getSelection(), 1);
        QCOMPARE(int(expandOf(1)), 2);
        QCOMPARE(rec->expandAsks, std::vector<int>{1});
        rec->vetoExpand = 1;
        doubleClick(box->canvas(), onText(1));
        QCOMPARE(int(expandOf(1)), 2);
    }

    void double_click_on_a_glyph_toggles_once() {
        fill(*box, {{0, "root"}, {1, "a", 0}, {2, "a1"}, {1, "b"}});
        doubleClick(box->canvas(), onGlyph(1));
        QCOMPARE(int(expandOf(1)), 2); // the first click toggled; the double-click adds nothing
        QCOMPARE(rec->expandAsks, std::vector<int>{1});
    }

    void bold_items_stay_bold_when_toggled() {
        fill(*box, {{0, "root", 3}, {1, "a"}});
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onGlyph(0));
        QCOMPARE(int(expandOf(0)), 1);
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onGlyph(0));
        QCOMPARE(int(expandOf(0)), 3);
    }

    void check_cycling_data() {
        QTest::addColumn<int>("checkMode");
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<int>>("states");
        QTest::newRow("two_state") << 2 << 0 << QList<int>{1, 0, 1};
        QTest::newRow("three_state") << 3 << 0 << QList<int>{1, 2, 0};
        QTest::newRow("three_state_mode_0") << 0 << 2 << QList<int>{0, 1, 2};
        QTest::newRow("two_state_from_partial") << 2 << 2 << QList<int>{0, 1, 0};
    }
    void check_cycling() {
        QFETCH(int, checkMode);
        QFETCH(int, start);
        QFETCH(QList<int>, states);
        box->properties().checkBoxes = 1;
        box->store().properties().checkMode = checkMode;
        fill(*box, {{0, "root"}, {1, "a", 0, start}});
        for (int expected : states) {
            QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier,
                              QPoint(row(1).checkX + 7, midY(1)));
            QCOMPARE(int(checkOf(1)), expected);
        }
        QCOMPARE(rec->checkDone.size(), size_t(states.size()));
        QVERIFY(rec->selections.empty());
    }

    void fixed_check_state_is_not_cycled() {
        box->properties().checkBoxes = 1;
        fill(*box, {{0, "root"}, {1, "a", 0, 3}});
        QCOMPARE(row(1).checkX, kTreeNoCell);
        const int x = static_cast<int>(row(1).indent) + 15 + 4 + 7;
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(x, midY(1)));
        QCOMPARE(int(checkOf(1)), 3);
        QVERIFY(rec->checkAsks.empty());
    }

    void check_veto() {
        box->properties().checkBoxes = 1;
        fill(*box, {{0, "root"}, {1, "a"}});
        rec->vetoCheck = 1;
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(row(1).checkX + 7, midY(1)));
        QCOMPARE(int(checkOf(1)), 0);
        QCOMPARE(rec->checkAsks, std::vector<int>{1});
        QVERIFY(rec->checkDone.empty());
    }

    // ---- Hot tracking -------------------------------------------------------------------------

    void hot_tracking() {
        box->properties().hotTracking = 1;
        fill(*box, flat(4));
        const auto paints = box->paintCount();
        QTest::mouseMove(box->canvas(), onText(2));
        QCOMPARE(box->hotItem(), 2);
        QCOMPARE(rec->hot, std::vector<int>{2});
        QVERIFY(box->paintCount() > paints);
        QTest::mouseMove(box->canvas(), onText(2) + QPoint(2, 1));
        QCOMPARE(rec->hot, std::vector<int>{2});
        QTest::mouseMove(box->canvas(), onText(3));
        QCOMPARE(rec->hot, (std::vector<int>{2, 3}));
        QTest::mouseMove(box->canvas(), QPoint(row(3).textRight + 40, midY(3)));
        QCOMPARE(box->hotItem(), -1);
        QCOMPARE(rec->hot, (std::vector<int>{2, 3})); // no event for "none"
    }

    void hot_item_without_tracking_does_not_repaint() {
        fill(*box, flat(4));
        const auto paints = box->paintCount();
        QTest::mouseMove(box->canvas(), onText(1));
        QCOMPARE(box->hotItem(), 1);
        QCOMPARE(box->paintCount(), paints);
        QCOMPARE(rec->hot, std::vector<int>{1});
    }

    void leaving_the_canvas_clears_the_hot_item() {
        box->properties().hotTracking = 1;
        fill(*box, flat(4));
        QTest::mouseMove(box->canvas(), onText(2));
        QCOMPARE(box->hotItem(), 2);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(box->canvas(), &leave);
        QCOMPARE(box->hotItem(), -1);
        QCOMPARE(rec->hot, std::vector<int>{2});
    }

    // ---- Wheel ------------------------------------------------------------------------------------

    void the_thumb_follows_the_top_item() {
        fill(*box, {{0, "root"}, {1, "a", 0}, {2, "a1"}, {2, "a2"}, {2, "a3"}});
        for (int k = 0; k < 80; ++k) {
            ItemCursor c;
            box->store().insertItem(0, u16("tail " + std::to_string(k)), 2, 0, 0, c);
        }
        box->redraw(40); // the owner scrolls: item 40 is row 37 (a's children are hidden)
        QCOMPARE(row(0).item, 40);
        QCOMPARE(box->verticalBar()->position(), 38);
        // Opening a above the view shifts the rows; the top item stays first and the thumb follows.
        ItemCursor c;
        box->store().setExpanded(c, 1, true, false);
        QCOMPARE(row(0).item, 40);
        QCOMPARE(box->verticalBar()->position(), 41);
        gui_test::wheel(box->canvas(), QPoint(40, 40), -120);
        QCOMPARE(row(0).item, 41);
    }

    void a_view_past_the_last_rows_moves_up() {
        fill(*box, flat(100));
        gui_test::wheel(box->canvas(), QPoint(40, 40), -120 * 200);
        const int maxPosition = box->verticalBar()->maximum();
        QCOMPARE(row(0).item, maxPosition - 1);
        // Removing rows below leaves the view past the end: it moves up to the new last position.
        for (int k = 0; k < 30; ++k) {
            ItemCursor ck;
            box->store().replaceSubtree(box->store().itemCount() - 1, 0, CKorMem(), 0, ck);
        }
        QCOMPARE(box->verticalBar()->maximum(), maxPosition - 30);
        QCOMPARE(row(0).item, box->verticalBar()->maximum() - 1);
        QCOMPARE(box->paintedRows().back().item, 70);
    }

    void a_hidden_box_still_scrolls_to_the_selection() {
        fill(*box, flat(100));
        host->hide();
        box->setSelection(90);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        QVERIFY(rowOf(90) >= 0);
    }

    // A change while hidden leaves the row list stale; selecting an item already in view must
    // not move the view to the last page.
    void a_hidden_box_with_a_stale_row_list_keeps_its_view() {
        fill(*box, flat(100));
        host->hide();
        ItemCursor c;
        box->store().insertItem(0, u"late", 2, 0, 0, c);
        QVERIFY(!box->store().isRowListCurrent());
        box->setSelection(3);
        QCOMPARE(box->store().properties().topItem, 0);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        QCOMPARE(row(0).item, 0);
        QVERIFY(rowOf(3) >= 0);
    }

    void wheel_scrolling_bounds_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("position");
        QTest::newRow("one_notch_down") << 1 << -120 << 2;
        QTest::newRow("three_notches_down") << 1 << -360 << 4;
        QTest::newRow("up_at_the_top_stays") << 1 << 240 << 1;
        QTest::newRow("one_notch_up") << 10 << 120 << 9;
        QTest::newRow("far_past_the_end") << 10 << -120 * 500 << -1; // the maximum
    }
    void wheel_scrolling_bounds() {
        QFETCH(int, start);
        QFETCH(int, delta);
        QFETCH(int, position);
        fill(*box, flat(60));
        auto* bar = box->verticalBar();
        bar->setPosition(start);
        bar->refresh(0, 0);
        gui_test::wheel(box->canvas(), QPoint(40, 40), delta);
        const int expected = position < 0 ? bar->maximum() : position;
        QCOMPARE(bar->position(), expected);
        QCOMPARE(row(0).item, box->store().itemAtRow(expected - 1));
    }

    void wheel_does_nothing_without_a_vertical_bar() {
        fill(*box, flat(3));
        QVERIFY(!box->verticalBarShown());
        gui_test::wheel(box->canvas(), QPoint(40, 40), -240);
        QCOMPARE(row(0).item, 0);
        QCOMPARE(box->verticalBar()->position(), 1);
    }

    void wheel_on_the_strips() {
        fill(*box, flat(60));
        gui_test::wheel(box->sideStrip(), QPoint(2, 2), -120);
        QCOMPARE(box->verticalBar()->position(), 2);
    }

    // ---- Keys ---------------------------------------------------------------------------------

    void down_without_selection_selects_row_2_and_up_does_nothing() {
        fill(*box, flat(5));
        QTest::keyClick(box->canvas(), Qt::Key_Up);
        QCOMPARE(box->getSelection(), -1);
        QVERIFY(rec->selections.empty());
        QTest::keyClick(box->canvas(), Qt::Key_Down);
        QCOMPARE(box->getSelection(), 1);
        QCOMPARE(rec->selections, (std::vector<Recorder::Selection>{{1, 2}}));
    }

    void up_and_down_stop_at_the_ends() {
        fill(*box, flat(2));
        box->setSelection(0);
        QTest::keyClick(box->canvas(), Qt::Key_Up);
        QCOMPARE(box->getSelection(), 0);
        box->setSelection(2);
        QTest::keyClick(box->canvas(), Qt::Key_Down);
        QCOMPARE(box->getSelection(), 2);
        QTest::keyClick(box->canvas(), Qt::Key_Up);
        QCOMPARE(box->getSelection(), 1);
    }

    void down_skips_collapsed_subtrees() {
        fill(*box, {{0, "root"}, {1, "a", 0}, {2, "a1"}, {2, "a2"}, {1, "b"}});
        box->setSelection(1);
        QTest::keyClick(box->canvas(), Qt::Key_Down);
        QCOMPARE(box->getSelection(), 4);
    }

    void left_right_keys_data() {
        QTest::addColumn<int>("startExpand");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<int>("expand");
        QTest::addColumn<bool>("scrolled");
        QTest::newRow("right_expands") << 0 << int(Qt::Key_Right) << Qt::KeyboardModifiers() << 2 << false;
        QTest::newRow("left_collapses") << 2 << int(Qt::Key_Left) << Qt::KeyboardModifiers() << 0 << false;
        QTest::newRow("left_keeps_bold") << 3 << int(Qt::Key_Left) << Qt::KeyboardModifiers() << 1 << false;
        QTest::newRow("right_keeps_bold") << 1 << int(Qt::Key_Right) << Qt::KeyboardModifiers() << 3 << false;
        QTest::newRow("ctrl_right_expands")
            << 0 << int(Qt::Key_Right) << Qt::KeyboardModifiers(Qt::ControlModifier) << 2 << false;
        QTest::newRow("shift_right_expands")
            << 0 << int(Qt::Key_Right) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 2 << false;
        QTest::newRow("alt_shift_right_expands")
            << 0 << int(Qt::Key_Right) << Qt::KeyboardModifiers(Qt::AltModifier | Qt::ShiftModifier) << 2
            << false;
        QTest::newRow("alt_right_scrolls")
            << 0 << int(Qt::Key_Right) << Qt::KeyboardModifiers(Qt::AltModifier) << 0 << true;
        QTest::newRow("alt_left_scrolls_back")
            << 2 << int(Qt::Key_Left) << Qt::KeyboardModifiers(Qt::AltModifier) << 2 << true;
    }
    void left_right_keys() {
        QFETCH(int, startExpand);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(int, expand);
        QFETCH(bool, scrolled);
        fill(*box, {{0, "root"}, {1, "item", startExpand}, {2, std::string(200, 'w')}});
        box->setSelection(1);
        auto* hbar = box->horizontalBar();
        QVERIFY(hbar->isVisible() || startExpand < 2);
        if (key == Qt::Key_Left && scrolled) {
            hbar->setPosition(3);
            hbar->refresh(0, 0);
        }
        const int before = hbar->position();
        const int canvasX = box->canvas()->x();
        QTest::keyClick(box->canvas(), Qt::Key(key), mods);
        QCOMPARE(int(expandOf(1)), expand);
        if (scrolled && box->horizontalBarShown()) {
            QCOMPARE(hbar->position(), before + (key == Qt::Key_Right ? 1 : -1));
            QCOMPARE(box->canvas()->x(),
                     canvasX + (key == Qt::Key_Right ? -1 : 1) * box->layout().textHeight);
        }
        QCOMPARE(plainKeys(rec->keys).size(), size_t{1});
    }

    void left_right_act_on_leaves_and_need_a_selection() {
        fill(*box, {{0, "root"}, {1, "leaf a", 0}, {1, "leaf b", 0}});
        QTest::keyClick(box->canvas(), Qt::Key_Right); // nothing selected
        QCOMPARE(int(expandOf(1)), 0);
        box->setSelection(1);
        QTest::keyClick(box->canvas(), Qt::Key_Right); // a leaf: only the byte changes
        QCOMPARE(int(expandOf(1)), 2);
        QCOMPARE(box->store().rowCount(), 3);
        box->store().properties().currentItem = 77; // out of range: read as none
        QTest::keyClick(box->canvas(), Qt::Key_Left);
        QCOMPARE(box->store().properties().currentItem, -1);
    }

    void key_pressed_follows_every_key() {
        fill(*box, flat(2));
        QTest::keyClick(box->canvas(), Qt::Key_Down);
        QTest::keyClick(box->canvas(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box->bottomStrip(), Qt::Key_Up, Qt::ShiftModifier);
        QTest::keyClick(box->verticalBar()->canvas(), Qt::Key_Down);
        const std::vector<std::pair<int, int>> expected{{0x28, 0}, {0x41, 0x2000}, {0x26, 0x8000}, {0x28, 0}};
        QCOMPARE(plainKeys(rec->keys), expected);
        QCOMPARE(box->getSelection(), 1); // down, up (strip), down (bar)
    }

    // ---- ensureVisible ---------------------------------------------------------------------------

    void ensure_visible_scrolls_the_row_to_the_last_visible_line() {
        fill(*box, flat(100));
        const int pitch = box->layout().rowPitch;
        const int v = 240 / pitch; // no horizontal bar
        box->setSelection(50);
        QCOMPARE(box->verticalBar()->position(), 50 - v + 2);
        QCOMPARE(row(0).item, 50 - v + 1);
        QCOMPARE(rowOf(50), v - 1);
        // Already among the fully visible rows: nothing moves.
        box->setSelection(50 - v + 3);
        QCOMPARE(row(0).item, 50 - v + 1);
        // Above the view: it becomes the last fully visible row too (the bar clamps at 1).
        box->setSelection(2);
        QCOMPARE(box->verticalBar()->position(), 1);
        QCOMPARE(row(0).item, 0);
    }

    void ensure_visible_opens_collapsed_ancestors() {
        std::vector<Item> items{{0, "root"}, {1, "a", 0}, {2, "b", 0}, {3, "c", 0}, {4, "deep"}};
        for (int k = 0; k < 40; ++k)
            items.push_back({1, "tail " + std::to_string(k)});
        fill(*box, items);
        box->ensureVisible(4);
        QCOMPARE(int(expandOf(1)), 2);
        QCOMPARE(int(expandOf(2)), 2);
        QCOMPARE(int(expandOf(3)), 2);
        QVERIFY(rowOf(4) >= 0);
    }

    // ---- Editing ---------------------------------------------------------------------------------

    void f2_scrolls_an_item_into_view_and_edits_it() {
        fill(*box, flat(100));
        box->setSelection(80);
        gui_test::wheel(box->canvas(), QPoint(40, 40), 120 * 100); // back to the top: 80 out of view
        QCOMPARE(rowOf(80), -1);
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        QVERIFY(box->isEditing());
        QCOMPARE(rec->editStarts, std::vector<int>{80});
        const int r = rowOf(80);
        QVERIFY(r >= 0);
        auto* edit = box->editBox();
        QVERIFY(edit->isVisible());
        QCOMPARE(edit->y(), box->layout().margin + r * box->layout().rowPitch);
        QCOMPARE(edit->x(), row(r).textX + box->canvas()->x() - 1);
        QCOMPARE(edit->height(), box->layout().rowHeight);
        QVERIFY(edit->width() >= 3 * box->layout().textHeight);
        QCOMPARE(edit->text(), QStringLiteral("child 79"));
        QCOMPARE(edit->selectedText(), QStringLiteral("child 79"));
        QVERIFY(edit->hasFocus());
    }

    void enter_commits_and_unchanged_text_still_reports() {
        fill(*box, flat(3));
        box->setSelection(2);
        QCOMPARE(box->beginEdit(2, -1), 1);
        QTest::keyClick(box->editBox(), Qt::Key_Return);
        QVERIFY(!box->isEditing());
        QVERIFY(!box->editBox()->isVisible());
        QCOMPARE(rec->commits.size(), size_t{1});
        QCOMPARE(rec->commits[0].item, 2);
        QCOMPARE(rec->commits[0].before, CWString(u"child 1"));
        QCOMPARE(rec->commits[0].after, CWString(u"child 1"));
    }

    void typing_and_enter_changes_the_text() {
        fill(*box, flat(3));
        box->setSelection(1);
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        QTest::keyClicks(box->editBox(), QStringLiteral("renamed"));
        QTest::keyClick(box->editBox(), Qt::Key_Return);
        QCOMPARE(box->store().getText(1), CWString(u"renamed"));
        QCOMPARE(rec->commits.at(0).after, CWString(u"renamed"));
        QCOMPARE(row(1).item, 1);
        QVERIFY(box->canvas()->hasFocus());
    }

    void commit_veto_keeps_the_old_text() {
        fill(*box, flat(3));
        box->setSelection(1);
        rec->vetoCommit = 1;
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        QTest::keyClicks(box->editBox(), QStringLiteral("nope"));
        QTest::keyClick(box->editBox(), Qt::Key_Return);
        QCOMPARE(box->store().getText(1), CWString(u"child 0"));
        QCOMPARE(rec->commits.at(0).after, CWString(u"nope"));
        QVERIFY(!box->editBox()->isVisible());
    }

    void edit_start_veto() {
        fill(*box, flat(3));
        box->setSelection(1);
        rec->vetoEditStart = 1;
        QCOMPARE(box->beginEdit(1, -1), 0);
        QVERIFY(!box->isEditing());
        QVERIFY(!box->editBox()->isVisible());
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        QVERIFY(!box->isEditing());
        QCOMPARE(rec->editStarts, (std::vector<int>{1, 1}));
    }

    void losing_the_focus_commits() {
        fill(*box, flat(3));
        box->setSelection(1);
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        QTest::keyClicks(box->editBox(), QStringLiteral("x"));
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onText(3));
        QVERIFY(!box->isEditing());
        QCOMPARE(box->store().getText(1), CWString(u"x"));
        QCOMPARE(box->getSelection(), 3);
    }

    // Opening the edit box's own context menu moves the focus to a popup: the edit goes on, and
    // the menu's Paste lands in the editor.
    void the_edit_box_context_menu_keeps_the_edit() {
        fill(*box, flat(3));
        box->setSelection(1);
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        auto* edit = box->editBox();
        QVERIFY(edit->hasFocus());
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
        const QPoint at(4, edit->height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, edit->mapToGlobal(at));
        QApplication::sendEvent(edit, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QVERIFY(box->isEditing());
        QVERIFY(edit->isVisible());
        QAction* paste = nullptr;
        for (QAction* a : menu->actions()) // Qt's standard edit menu, untranslated here
            if (a->text().startsWith(QLatin1String("&Paste"))) paste = a;
        QVERIFY(paste && paste->isEnabled());
        paste->trigger();
        QVERIFY(box->isEditing());
        QCOMPARE(edit->text(), QStringLiteral("pasted")); // it replaced the selected text
        QVERIFY(rec->commits.empty());
        menu->close();
        QCoreApplication::processEvents();
        // The offscreen platform deactivates the window when the popup closes, which ends the edit
        // like any real loss of focus; on a desktop the edit goes on until Enter.
        if (box->isEditing()) QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!box->isEditing());
        QCOMPARE(rec->commits.size(), size_t{1});
        QCOMPARE(rec->commits[0].after, CWString(u"pasted"));
        QCOMPARE(box->store().getText(1), CWString(u"pasted"));
    }

    // Only a popup's focus-out is ignored; the next real loss of the focus still ends the edit.
    void a_popup_focus_out_does_not_end_the_edit() {
        fill(*box, flat(3));
        box->setSelection(2);
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        QTest::keyClicks(box->editBox(), QStringLiteral("kept"));
        QFocusEvent popupOut(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(box->editBox(), &popupOut);
        QVERIFY(box->isEditing());
        QVERIFY(box->editBox()->isVisible());
        QFocusEvent back(QEvent::FocusIn, Qt::PopupFocusReason);
        QApplication::sendEvent(box->editBox(), &back);
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, onText(1));
        QVERIFY(!box->isEditing());
        QCOMPARE(box->store().getText(2), CWString(u"kept"));
    }

    void escape_cancels() {
        fill(*box, flat(3));
        box->setSelection(1);
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        QTest::keyClicks(box->editBox(), QStringLiteral("gone"));
        QTest::keyClick(box->editBox(), Qt::Key_Escape);
        QVERIFY(!box->isEditing());
        QVERIFY(rec->commits.empty());
        QCOMPARE(box->store().getText(1), CWString(u"child 0"));
    }

    void scrolling_ends_the_edit() {
        fill(*box, flat(60));
        box->setSelection(3);
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        QTest::keyClicks(box->editBox(), QStringLiteral("scrolled"));
        gui_test::wheel(box->canvas(), QPoint(40, 40), -120);
        QVERIFY(!box->isEditing());
        QCOMPARE(box->store().getText(3), CWString(u"scrolled"));
    }

    void edit_of_an_item_that_changed_meanwhile_writes_nothing() {
        fill(*box, flat(5));
        box->setSelection(2);
        QTest::keyClick(box->canvas(), Qt::Key_F2);
        QTest::keyClicks(box->editBox(), QStringLiteral("late"));
        // The owner rebuilds the tree while the edit box is open.
        box->store().properties().autoRedraw = 0;
        ItemCursor c;
        box->store().replaceSubtree(1, 0, CKorMem(), 0, c);
        box->store().properties().autoRedraw = 1;
        QTest::keyClick(box->editBox(), Qt::Key_Return);
        QCOMPARE(rec->commits.size(), size_t{1});
        QCOMPARE(box->store().getText(1), CWString(u"child 1")); // was item 2 before the removal
    }

    void clicks_on_the_strips_are_ignored() {
        fill(*box, flat(60));
        QTest::mouseClick(box->sideStrip(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        QCOMPARE(box->getSelection(), -1);
        QVERIFY(rec->selections.empty());
    }
};

QTEST_MAIN(TreeBoxInputTest)
#include "test_tree_box_input.moc"
