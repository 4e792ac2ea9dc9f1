// Tree box painting: row layout, glyphs, check boxes, icons, highlight, connector lines, text cut,
// scroll bars and canvas width, horizontal scrolling, screenshots, and robustness on empty,
// huge, deep and zero-size trees.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <QTest>

#include "controls/scroll_bar.h"
#include "gui_test_util.h"
#include "tree/item_record.h"
#include "tree/ui/tree_box.h"
#include "json/document.h"

using rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
using rg_TolvarMingLingJi_ChuangKouZuJian::kTreeGlyphSize;
using rg_TolvarMingLingJi_ChuangKouZuJian::kTreeNoCell;
using rg_TolvarMingLingJi_ChuangKouZuJian::kTreeSelectionColour;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuang;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;
using rg_TolvarMingLingJi_ChuangKouZuJian::TreeIndexKind;
namespace item_record = rg_TolvarMingLingJi_ChuangKouZuJian::item_record;

namespace {

CWString u16(const std::string& s) {
    return CWString(s.begin(), s.end());
}

// One item of a tree built for a test.
struct Item {
    int level;
    std::string text;
    int expand = 2; // expanded unless said otherwise
    int check = 0;
    int image = 2;
};

// Replaces everything in the box by `items` (a well-formed pre-order list starting at level 0)
// and redraws once.
void fill(rg_TolvarShuXingKuang& box, const std::vector<Item>& items) {
    auto& store = box.store();
    store.properties().autoRedraw = 0;
    store.clearItems();
    if (!items.empty()) {
        store.appendTopItem(u16(items[0].text), items[0].image);
        CKorMem rest;
        for (size_t k = 1; k < items.size(); ++k)
            item_record::writeRecord(rest, u16(items[k].text), items[k].image, items[k].level,
                                     static_cast<uint8_t>(items[k].expand),
                                     static_cast<uint8_t>(items[k].check));
        ItemCursor c;
        if (items.size() > 1) store.replaceSubtree(0, 2, rest, static_cast<int32_t>(items.size() - 1), c);
        ItemCursor c0;
        store.setItem(0, std::nullopt, rg_TolvarShuXingKuangCunChu::kKeepImage, items[0].expand,
                      items[0].check, c0, true);
    }
    store.properties().autoRedraw = 1;
    box.redraw(-1);
}

// A flat list: one top item with n children.
std::vector<Item> flat(int n) {
    std::vector<Item> items{{0, "root"}};
    for (int k = 0; k < n; ++k)
        items.push_back({1, "child " + std::to_string(k)});
    return items;
}

// Parses JSON into the box the way the main window loads a slot.
void load(rg_TolvarShuXingKuang& box, const std::u16string& json) {
    auto& store = box.store();
    store.properties().autoRedraw = 0;
    store.clearItems();
    box.document.parseText(json);
    store.appendTopItem(u"Tolvar·JSON", 0);
    store.fillFromNode(box.document.root(), 0, false);
    store.properties().autoRedraw = 1;
    box.redraw(-1);
}

// Every item with children expanded.
void expandAll(rg_TolvarShuXingKuang& box) {
    auto& store = box.store();
    store.properties().autoRedraw = 0;
    for (int32_t i = 0; i < store.itemCount(); ++i) {
        ItemCursor c;
        if (store.hasChildren(i, c)) store.setExpanded(c, i, true, false);
    }
    store.properties().autoRedraw = 1;
    box.redraw(-1);
}

int rowOf(const rg_TolvarShuXingKuang& box, int item) {
    const auto& rows = box.paintedRows();
    for (size_t r = 0; r < rows.size(); ++r)
        if (rows[r].item == item) return static_cast<int>(r);
    return -1;
}

} // namespace

class TreeBoxPaintTest : public QObject {
    Q_OBJECT

private:
    QWidget* host = nullptr;
    rg_TolvarShuXingKuang* box = nullptr;

    int pixel(int x, int y) { return box->canvas()->pixelRef(x, y); }

private slots:
    void init() {
        host = new QWidget;
        host->resize(420, 320);
        box = new rg_TolvarShuXingKuang(host);
        box->setGeometry(10, 10, 302, 242); // a client area of 300 x 240
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
    }

    void cleanup() {
        delete host;
        host = nullptr;
        box = nullptr;
    }

    void children_have_their_ids() {
        auto* client = box->clientArea();
        QCOMPARE(client->control(rg_TolvarShuXingKuang::kVerticalBarId),
                 static_cast<QWidget*>(box->verticalBar()));
        QCOMPARE(client->control(rg_TolvarShuXingKuang::kHorizontalBarId),
                 static_cast<QWidget*>(box->horizontalBar()));
        QCOMPARE(client->control(rg_TolvarShuXingKuang::kBottomStripId),
                 static_cast<QWidget*>(box->bottomStrip()));
        QCOMPARE(client->control(rg_TolvarShuXingKuang::kSideStripId),
                 static_cast<QWidget*>(box->sideStrip()));
        QCOMPARE(client->control(rg_TolvarShuXingKuang::kEditBoxId), static_cast<QWidget*>(box->editBox()));
        QCOMPARE(client->control(rg_TolvarShuXingKuang::kCanvasId), static_cast<QWidget*>(box->canvas()));
        QVERIFY(!box->editBox()->isVisible());
        QCOMPARE(box->clientWidth(), 300);
        QCOMPARE(box->clientHeight(), 240);
        QCOMPARE(box->canvas()->height(), 240);
    }

    void empty_box_paints_nothing_and_hides_bars() {
        fill(*box, {});
        QVERIFY(box->paintedRows().empty());
        QVERIFY(!box->verticalBar()->isVisible());
        QVERIFY(!box->horizontalBar()->isVisible());
        QCOMPARE(box->verticalBar()->position(), 1);
        QCOMPARE(box->horizontalBar()->position(), 1);
        QCOMPARE(box->canvas()->width(), 300);
        QCOMPARE(pixel(5, 5), 0xFFFFFF);
    }

    void indents_data() {
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("indentOffset");
        QTest::addColumn<int>("checkBoxes");
        QTest::addColumn<int>("strip");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("indent");
        QTest::addColumn<int>("textX");
        QTest::newRow("level2_plain") << 6 << 0 << 0 << 0 << 2 << 48 << 67;
        QTest::newRow("level0_plain") << 6 << 0 << 0 << 0 << 0 << 6 << 25;
        QTest::newRow("level1_offset_10") << 6 << 10 << 0 << 0 << 1 << 37 << 56;
        QTest::newRow("level1_check_boxes") << 6 << 0 << 1 << 0 << 1 << 27 << 27 + 15 + 4 + 15 + 6;
        QTest::newRow("level1_icons") << 6 << 0 << 0 << 500 << 1 << 27 << 27 + 15 + 4 + 20 + 6;
        QTest::newRow("level1_both") << 6 << 0 << 1 << 501 << 1 << 27 << 27 + 15 + 4 + 15 + 6 + 20 + 6;
        QTest::newRow("margin10_level3") << 10 << 0 << 0 << 0 << 3 << 10 + 3 * 25 << 10 + 3 * 25 + 15 + 8;
    }
    void indents() {
        QFETCH(int, margin);
        QFETCH(int, indentOffset);
        QFETCH(int, checkBoxes);
        QFETCH(int, strip);
        QFETCH(int, level);
        QFETCH(int, indent);
        QFETCH(int, textX);
        auto& p = box->properties();
        p.margin = margin;
        p.indentOffset = indentOffset;
        p.checkBoxes = checkBoxes;
        if (strip != 0) QVERIFY(box->setImageStrip(strip));
        fill(*box, {{0, "a"}, {1, "b"}, {2, "c"}, {3, "d"}});
        const auto& row = box->paintedRows().at(static_cast<size_t>(level));
        QCOMPARE(row.level, level);
        QCOMPARE(row.indent, int64_t{indent});
        QCOMPARE(row.textX, textX);
        const int icon = strip != 0 ? 20 : 0;
        QCOMPARE(row.textLeft, textX - icon - (icon != 0 ? margin : 0));
        QCOMPARE(row.textRight, textX + row.textWidth);
        QCOMPARE(row.glyphX, level < 3 ? indent : kTreeNoCell);
        QCOMPARE(row.checkX, checkBoxes ? indent + 15 + margin * 4 / 5 : kTreeNoCell);
    }

    void row_metrics() {
        fill(*box, flat(3));
        const auto& L = box->layout();
        QCOMPARE(L.textHeight, box->canvas()->textExtent(u"A").height());
        QCOMPARE(L.rowHeight, std::max(L.textHeight, 15));
        QCOMPARE(L.rowPitch, L.rowHeight + 3);
        for (size_t r = 0; r < box->paintedRows().size(); ++r)
            QCOMPARE(box->paintedRows()[r].top, 6 + static_cast<int>(r) * L.rowPitch);
        QVERIFY(box->setImageStrip(500));
        QCOMPARE(box->iconSize(), 20);
        QCOMPARE(box->imageCount(), 3);
        QCOMPARE(box->layout().rowHeight, std::max(20, L.textHeight));
        box->properties().fixedRowHeight = 40;
        box->redraw(-1);
        QCOMPARE(box->layout().rowHeight, 40);
        box->properties().fixedRowHeight = 2; // never below the glyph, the text or the icons
        box->redraw(-1);
        QCOMPARE(box->layout().rowHeight, std::max(20, L.textHeight));
    }

    void image_strips_load_in_logical_squares_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("size");
        QTest::newRow("text_marks_500") << 500 << 3 << 20;
        QTest::newRow("pictures_501") << 501 << 3 << 20;
        QTest::newRow("switch_520_cuts_one_square") << 520 << 1 << 20;
        QTest::newRow("missing_resource") << 530 << 0 << 0;
    }
    void image_strips_load_in_logical_squares() {
        QFETCH(int, id);
        QFETCH(int, images);
        QFETCH(int, size);
        QCOMPARE(box->setImageStrip(id), images > 0);
        QCOMPARE(box->imageCount(), images);
        QCOMPARE(box->iconSize(), size);
    }

    void rows_that_fit_only() {
        fill(*box, flat(200));
        const int fit = box->rowsThatFit();
        QCOMPARE(fit, (240 + box->layout().rowPitch - 1) / box->layout().rowPitch);
        QCOMPARE(static_cast<int>(box->paintedRows().size()), fit);
        QVERIFY(box->verticalBar()->isVisible());
        QCOMPARE(box->verticalBar()->maximum(), 201 - fit + 2);
    }

    void exactly_as_many_rows_as_fit_shows_the_bar() {
        fill(*box, flat(1));
        const int fit = box->rowsThatFit();
        fill(*box, flat(fit - 2)); // fit - 1 rows
        QVERIFY(!box->verticalBar()->isVisible());
        fill(*box, flat(fit - 1)); // fit rows
        QVERIFY(box->verticalBar()->isVisible());
        QVERIFY(box->sideStrip()->isVisible());
        QCOMPARE(box->verticalBar()->maximum(), 2);
        QCOMPARE(box->verticalBar()->geometry(), QRect(300 - 16 - 1, 1, 16, 240 - 2));
        QCOMPARE(box->sideStrip()->geometry(), QRect(300 - 16 - 1, 1, 17, 240));
        QCOMPARE(box->canvas()->width(), 300 - 17);
    }

    void long_text_is_cut_at_1000_units() {
        const std::string longText(1500, 'x');
        fill(*box, {{0, "root"}, {1, longText}});
        const auto& row = box->paintedRows().at(1);
        const CWString shown = CWString(1000, u'x') + u"..";
        QCOMPARE(row.textWidth, box->canvas()->textExtent(shown).width());
        QVERIFY(box->canvas()->width() > 300);
        QVERIFY(box->horizontalBar()->isVisible());
        QVERIFY(box->bottomStrip()->isVisible());
        QVERIFY(box->contentWidth() >= row.textX + row.textWidth + 6);
    }

    // The cut never ends in the first half of a surrogate pair: 999 units are kept then.
    void cut_keeps_surrogate_pairs_whole_data() {
        QTest::addColumn<int>("pairAt"); // unit index of an emoji's high surrogate
        QTest::addColumn<int>("kept");
        QTest::newRow("pair across the cut") << 999 << 999;
        QTest::newRow("pair ends at the cut") << 998 << 1000;
        QTest::newRow("pair after the cut") << 1000 << 1000;
    }

    void cut_keeps_surrogate_pairs_whole() {
        QFETCH(int, pairAt);
        QFETCH(int, kept);
        CWString text(1500, u'x');
        text[size_t(pairAt)] = char16_t(0xD83D);
        text[size_t(pairAt) + 1] = char16_t(0xDE00);
        CWString shown;
        rg_TolvarMingLingJi_ChuangKouZuJian::shownItemText(reinterpret_cast<const uint8_t*>(text.data()),
                                                           text.size(), shown);
        QCOMPARE(shown, text.substr(0, size_t(kept)) + u"..");
    }

    // redraw(top) of a box that is hidden or has autoRedraw off changes nothing, not even the top.
    void redraw_with_a_top_item_waits_for_a_shown_box() {
        fill(*box, flat(100));
        host->hide();
        box->redraw(40);
        QCOMPARE(box->store().properties().topItem, 0);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        QCOMPARE(box->paintedRows().front().item, 0);
        box->store().properties().autoRedraw = 0;
        box->redraw(40);
        QCOMPARE(box->store().properties().topItem, 0);
        box->store().properties().autoRedraw = 1;
        box->redraw(40);
        QCOMPARE(box->paintedRows().front().item, 40);
    }

    void text_of_100000_units_costs_only_the_cut() {
        fill(*box, {{0, "root"}, {1, std::string(100000, 'w')}, {1, "after"}});
        QCOMPARE(box->paintedRows().size(), size_t{3});
        QVERIFY(box->canvas()->width() <= 65535);
        QVERIFY(box->contentWidth() < 100000);
    }

    void canvas_is_never_wider_than_65535() {
        // Deep nesting pushes text far to the right.
        std::vector<Item> items;
        for (int k = 0; k < 4000; ++k)
            items.push_back({k, "level " + std::to_string(k)});
        fill(*box, items);
        QVERIFY(box->canvas()->width() < 65535); // the first rows are narrow
        box->redraw(3980);
        QVERIFY(box->contentWidth() > 65535);
        QCOMPARE(box->canvas()->width(), 65535);
        QCOMPARE(box->paintedRows().front().item, 3980);
    }

    void canvas_shrinks_when_rows_narrow() {
        fill(*box, {{0, "root"}, {1, std::string(300, 'm')}});
        QVERIFY(box->canvas()->width() > 300);
        fill(*box, flat(2));
        QCOMPARE(box->canvas()->width(), 300);
        QVERIFY(!box->horizontalBar()->isVisible());
    }

    void horizontal_scroll_moves_the_canvas() {
        fill(*box, {{0, "root"}, {1, std::string(400, 'm')}});
        const int th = box->layout().textHeight;
        auto* bar = box->horizontalBar();
        QVERIFY(bar->isVisible());
        const int cw = box->canvas()->width();
        QCOMPARE(bar->maximum(), (cw - 300 + th - 1) / th + 1);
        QCOMPARE(box->canvas()->x(), 0);
        bar->setPosition(3);
        bar->refresh(0, 0);
        QCOMPARE(box->canvas()->x(), -2 * th);
        bar->setPosition(bar->maximum());
        bar->refresh(0, 0);
        QCOMPARE(box->canvas()->x() + cw, 300); // right edge at the client's
        QCOMPARE(bar->geometry(), QRect(1, 240 - 16 - 1, 300 - 2, 16));
        QCOMPARE(box->bottomStrip()->geometry(), QRect(1, 240 - 16 - 1, 300, 17));
    }

    void top_item_inside_collapsed_subtree_shows_its_visible_ancestor() {
        std::vector<Item> items{{0, "root"}, {1, "closed", 0}, {2, "hidden a"}, {2, "hidden b"}};
        for (int k = 0; k < 40; ++k)
            items.push_back({1, "open " + std::to_string(k)});
        fill(*box, items);
        box->redraw(3);
        QCOMPARE(box->paintedRows().front().item, 1);
        QCOMPARE(box->paintedRows().at(1).item, 4);
        QCOMPARE(box->store().properties().topItem, 1);
    }

    void collapsed_subtrees_are_skipped() {
        fill(*box, {{0, "root"}, {1, "a", 0}, {2, "a1"}, {3, "a11"}, {1, "b"}, {2, "b1"}});
        std::vector<int> shown;
        for (const auto& r : box->paintedRows())
            shown.push_back(r.item);
        QCOMPARE(shown, (std::vector<int>{0, 1, 4, 5}));
        QCOMPARE(box->store().rowCount(), 4);
    }

    void a_missing_top_item_moves_to_the_last_page() {
        fill(*box, flat(3));
        box->redraw(50);
        QCOMPARE(box->paintedRows().size(), size_t{4});
        QCOMPARE(box->paintedRows().front().item, 0);
        QCOMPARE(box->store().properties().topItem, 0);
        QVERIFY(!box->verticalBar()->isVisible());
    }

    // A new tree in a scrolled box: the rows are painted from a visible top item, the bar agrees
    // with it, and clicks hit the painted rows.
    void new_items_after_scrolling_data() {
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<int>("closedChildren"); // children of a collapsed item at 41
        QTest::addColumn<int>("tail");           // leaves after it
        QTest::addColumn<int>("firstItem");      // expected first painted item, -1: the last page
        QTest::newRow("cleared, smaller") << true << 0 << 4 << 0;
        QTest::newRow("cleared, larger") << true << 400 << 300 << 0;
        QTest::newRow("replaced, smaller") << false << 0 << 4 << -1;
        QTest::newRow("replaced, top inside a collapsed subtree") << false << 300 << 100 << 41;
    }

    void new_items_after_scrolling() {
        QFETCH(bool, cleared);
        QFETCH(int, closedChildren);
        QFETCH(int, tail);
        QFETCH(int, firstItem);
        fill(*box, flat(300));
        gui_test::wheel(box->canvas(), QPoint(40, 40), -120 * 150);
        QCOMPARE(box->paintedRows().front().item, 150);

        std::vector<Item> items = flat(40);
        if (closedChildren > 0) {
            items.push_back({1, "closed", 0});
            for (int k = 0; k < closedChildren; ++k)
                items.push_back({2, "deep " + std::to_string(k)});
        }
        for (int k = 0; k < tail; ++k)
            items.push_back({1, "tail " + std::to_string(k)});
        if (cleared) {
            fill(*box, items);
        } else {
            CKorMem rest;
            for (size_t k = 1; k < items.size(); ++k)
                item_record::writeRecord(rest, u16(items[k].text), 2, items[k].level,
                                         static_cast<uint8_t>(items[k].expand), 0);
            ItemCursor c;
            box->store().replaceSubtree(0, 2, rest, static_cast<int32_t>(items.size() - 1), c);
        }
        const auto& rows = box->paintedRows();
        QVERIFY(!rows.empty());
        if (firstItem < 0) { // the last rows fill the view
            QVERIFY(box->verticalBar()->isVisible());
            firstItem = box->store().itemAtRow(box->verticalBar()->maximum() - 1);
            QCOMPARE(rows.back().item, box->store().itemCount() - 1);
        }
        QCOMPARE(rows.front().item, firstItem);
        QCOMPARE(box->store().properties().topItem, firstItem);
        for (const auto& r : rows)
            QVERIFY(box->store().rowOfItem(r.item) >= 0); // no orphaned hidden items
        const bool barNeeded = box->store().rowCount() >= box->rowsThatFit();
        QCOMPARE(box->verticalBar()->isVisible(), barNeeded);
        if (barNeeded) QCOMPARE(box->verticalBar()->position(), box->store().rowOfItem(firstItem) + 1);
        // A click on the second row's text selects its item.
        const auto& second = rows.at(1);
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(second.textX + 2, second.top + box->layout().rowHeight / 2));
        QCOMPARE(box->getSelection(), second.item);
        // The wheel goes on from what is shown.
        if (barNeeded) {
            const int topRow = box->store().rowOfItem(firstItem);
            const int step = topRow > 0 ? -1 : 1;
            gui_test::wheel(box->canvas(), QPoint(40, 40), -120 * step);
            QCOMPARE(box->paintedRows().front().item, box->store().itemAtRow(topRow + step));
        }
    }

    void glyph_pixels() {
        fill(*box, {{0, "root"}, {1, "closed", 0}, {2, "x"}, {1, "open", 2}, {2, "y"}});
        const auto& L = box->layout();
        const auto& closed = box->paintedRows().at(1);
        const auto& open = box->paintedRows().at(2);
        for (const auto* row : {&closed, &open}) {
            const int x = row->glyphX;
            const int y = row->top + static_cast<int>((L.rowHeight - 15 + 1) / 2);
            QCOMPARE(pixel(x + 2, y + 2), 0xFF8080);   // frame corner
            QCOMPARE(pixel(x + 12, y + 12), 0xFF8080); // frame, far corner (x + s - 3)
            QCOMPARE(pixel(x + 13, y + 13), 0xFFFFFF); // just outside
            QCOMPARE(pixel(x + 3, y + 3), 0xFFFFFF);   // inside
            QCOMPARE(pixel(x + 5, y + 7), 0x000000);   // minus
            QCOMPARE(pixel(x + 10, y + 7), 0x000000);
            QCOMPARE(pixel(x + 11, y + 7), 0xFFFFFF);
        }
        const int yc = closed.top + (L.rowHeight - 15 + 1) / 2;
        const int yo = open.top + (L.rowHeight - 15 + 1) / 2;
        QCOMPARE(pixel(closed.glyphX + 7, yc + 5), 0x000000); // plus
        QCOMPARE(pixel(open.glyphX + 7, yo + 5), 0xFFFFFF);   // minus only
    }

    void check_box_pixels_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("inner");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("clear") << 0 << 0xFFFFFF << true;
        QTest::newRow("checked") << 1 << 0x0000FF << true;
        QTest::newRow("partial") << 2 << 0x0000FF << true;
        QTest::newRow("fixed_draws_nothing") << 3 << 0xFFFFFF << false;
    }
    void check_box_pixels() {
        QFETCH(int, state);
        QFETCH(int, inner);
        QFETCH(bool, drawn);
        box->properties().checkBoxes = 1;
        fill(*box, {{0, "root"}, {1, "item", 0, state}});
        const auto& L = box->layout();
        const auto& row = box->paintedRows().at(1);
        const int x = static_cast<int>(row.indent) + 15 + 4;
        const int y = row.top + (L.rowHeight - 15 + 1) / 2;
        QCOMPARE(row.checkX, drawn ? x : kTreeNoCell);
        QCOMPARE(pixel(x, y), drawn ? 0xFF0000 : 0xFFFFFF);
        QCOMPARE(pixel(x + 14, y + 14), drawn ? 0xFF0000 : 0xFFFFFF);
        QCOMPARE(pixel(x + 4, y + 10), inner);
        if (state == 2) QCOMPARE(pixel(x + 11, y + 4), 0xFFFFFF); // above the triangle's slope
    }

    void highlight_pixels() {
        fill(*box, flat(3));
        box->store().properties().currentItem = 2;
        box->redraw(-1);
        const auto& row = box->paintedRows().at(2);
        const int mid = row.top + box->layout().rowHeight / 2;
        QCOMPARE(pixel(row.textX - 1, mid), int(kTreeSelectionColour)); // RGB(0, 96, 192)
        QCOMPARE(kTreeSelectionColour, 0xC06000);
        QCOMPARE(pixel(row.textX - 2, mid), 0x000000); // the default pen's outline
        QCOMPARE(pixel(row.textX + row.textWidth + 1, mid), 0x000000);
        QCOMPARE(pixel(row.textX - 3, mid), 0xFFFFFF);
        // An unselected row keeps the background.
        const auto& other = box->paintedRows().at(1);
        QCOMPARE(pixel(other.textX - 1, other.top + box->layout().rowHeight / 2), 0xFFFFFF);
    }

    void full_row_highlight_spans_the_canvas() {
        box->properties().fullRowSelect = 1;
        fill(*box, flat(3));
        box->store().properties().currentItem = 1;
        box->redraw(-1);
        const auto& row = box->paintedRows().at(1);
        QCOMPARE(row.textLeft, 0);
        QCOMPARE(row.textRight, box->canvas()->width());
        const int mid = row.top + box->layout().rowHeight / 2;
        QCOMPARE(pixel(box->canvas()->width() - 2, mid), int(kTreeSelectionColour));
        QCOMPARE(pixel(1, mid), int(kTreeSelectionColour));
        QCOMPARE(pixel(1, box->paintedRows().at(2).top + 4), 0xFFFFFF);
    }

    void connector_lines() {
        fill(*box, {{0, "root"}, {1, "a"}, {2, "only child"}, {1, "b"}, {1, "c"}});
        const auto& L = box->layout();
        const auto& a = box->paintedRows().at(1);
        const auto& only = box->paintedRows().at(2);
        const auto& c = box->paintedRows().at(4);
        const int col = static_cast<int>(a.indent) - L.margin;
        const int midA = a.top + L.rowHeight / 2, midC = c.top + L.rowHeight / 2;
        QCOMPARE(pixel(col, midA + 1), 0xC0C0C0); // a to b to c
        QCOMPARE(pixel(col, midC - 1), 0xC0C0C0);
        QCOMPARE(pixel(col, midC + 2), 0xFFFFFF); // nothing below the last sibling
        QCOMPARE(pixel(col + 3, midA), 0xC0C0C0); // stub to a's glyph
        const int colOnly = static_cast<int>(only.indent) - L.margin;
        QCOMPARE(pixel(colOnly, only.top + L.rowHeight / 2), 0xFFFFFF); // an only child has none
        QCOMPARE(pixel(L.margin - L.margin, box->paintedRows().at(0).top + L.rowHeight / 2), 0xFFFFFF);
    }

    void connector_lines_continue_past_the_view() {
        std::vector<Item> items{{0, "root"}};
        for (int k = 0; k < 60; ++k) {
            items.push_back({1, "group " + std::to_string(k)});
            for (int j = 0; j < 3; ++j)
                items.push_back({2, "leaf " + std::to_string(j)});
        }
        fill(*box, items);
        box->store().buildIndexesNow();
        box->redraw(11); // the second leaf of group 2
        const auto& L = box->layout();
        const int groupColumn = 6 + 1 * 21 - 6;
        // The group level's line runs through the whole height (its family continues below).
        QCOMPARE(pixel(groupColumn, 1), 0xC0C0C0);
        QCOMPARE(pixel(groupColumn, box->canvas()->height() - 2), 0xC0C0C0);
        // The first row's family begins above the view.
        const auto& first = box->paintedRows().front();
        QCOMPARE(first.level, 2);
        QCOMPARE(pixel(static_cast<int>(first.indent) - L.margin, 1), 0xC0C0C0);
    }

    void ancestor_lines_appear_once_the_indexes_are_built() {
        std::vector<Item> items{{0, "root"}};
        for (int k = 0; k < 3000; ++k) {
            items.push_back({1, "group " + std::to_string(k)});
            for (int j = 0; j < 20; ++j)
                items.push_back({2, "leaf " + std::to_string(j)});
        }
        fill(*box, items);
        box->store().waitForIndexWorkers();
        // A change of length: the next paint has no parent or sibling index for a while.
        box->store().properties().autoRedraw = 0;
        box->store().setText(2, u"a longer leaf text");
        box->store().properties().autoRedraw = 1;
        box->redraw(5);
        const int groupColumn = 6 + 21 - 6;
        QTRY_COMPARE(pixel(groupColumn, box->canvas()->height() - 2), 0xC0C0C0);
        QVERIFY(box->store().isIndexCurrent(TreeIndexKind::Parent));
    }

    void redraw_while_hidden_paints_nothing() {
        fill(*box, flat(5));
        const auto before = box->paintCount();
        host->hide();
        box->redraw(-1);
        box->store().setText(1, u"changed while hidden");
        QCOMPARE(box->paintCount(), before);
        box->store().properties().autoRedraw = 0;
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        QCOMPARE(box->paintCount(), before);
        box->store().properties().autoRedraw = 1;
        host->hide();
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        QVERIFY(box->paintCount() > before);
    }

    void redraw_starts_the_index_workers() {
        fill(*box, flat(2000));
        box->store().waitForIndexWorkers();
        QVERIFY(box->store().isIndexCurrent(TreeIndexKind::Offset));
        QVERIFY(box->store().isIndexCurrent(TreeIndexKind::Parent));
        QVERIFY(box->store().isIndexCurrent(TreeIndexKind::Sibling));
        QVERIFY(box->store().isIndexCurrent(TreeIndexKind::SubtreeEnd));
        // A change of length makes them stale until the next redraw rebuilds them.
        box->store().properties().autoRedraw = 0;
        box->store().setText(3, u"a longer text than before");
        QVERIFY(!box->store().isIndexCurrent(TreeIndexKind::Offset));
        box->store().properties().autoRedraw = 1;
        box->redraw(-1);
        box->store().waitForIndexWorkers();
        QVERIFY(box->store().isIndexCurrent(TreeIndexKind::Offset));
    }

    void resize_keeps_the_canvas_width_and_takes_the_height() {
        fill(*box, flat(40));
        box->resize(202, 152);
        QCOMPARE(box->canvas()->height(), 150);
        QCOMPARE(box->verticalBar()->geometry(), QRect(200 - 17, 1, 16, 150 - 2));
        QCOMPARE(static_cast<int>(box->paintedRows().size()), box->rowsThatFit());
    }

    void zero_size_box_is_safe() {
        fill(*box, flat(30));
        box->resize(0, 0);
        box->redraw(-1);
        box->resize(1, 1);
        box->redraw(5);
        box->resize(2, 300); // no client width: rows may be painted, nothing shows
        box->redraw(-1);
        QVERIFY(box->canvas()->width() <= 65535);
        box->resize(302, 2);
        box->redraw(-1);
        QVERIFY(box->paintedRows().empty());
        box->resize(302, 242);
        QVERIFY(!box->paintedRows().empty());
    }

    void odd_properties_are_safe_data() {
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("rowGap");
        QTest::addColumn<int>("fixedRowHeight");
        QTest::addColumn<int>("indentOffset");
        QTest::newRow("negative_gap_bigger_than_row") << 6 << -500 << -1 << 0;
        QTest::newRow("huge_margin") << 2000000000 << 3 << -1 << 0;
        QTest::newRow("negative_margin") << -40 << 3 << -1 << -1000;
        QTest::newRow("huge_row_height") << 6 << 3 << 2000000000 << 0;
        QTest::newRow("huge_indent_offset") << 6 << 2000000000 << -1 << 2000000000;
    }
    void odd_properties_are_safe() {
        QFETCH(int, margin);
        QFETCH(int, rowGap);
        QFETCH(int, fixedRowHeight);
        QFETCH(int, indentOffset);
        auto& p = box->properties();
        p.margin = margin;
        p.rowGap = rowGap;
        p.fixedRowHeight = fixedRowHeight;
        p.indentOffset = indentOffset;
        p.checkBoxes = 1;
        box->setImageStrip(500);
        fill(*box, {{0, "root"}, {1, "a"}, {2, "b"}, {1, "c"}});
        QVERIFY(box->layout().rowPitch >= 1);
        QVERIFY(box->canvas()->width() <= 65535);
        QTest::mouseClick(box->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
        QTest::keyClick(box->canvas(), Qt::Key_Down);
        gui_test::wheel(box->canvas(), QPoint(30, 10), -360);
    }

    void random_input_never_crashes_data() {
        QTest::addColumn<int>("shape");
        QTest::newRow("empty") << 0;
        QTest::newRow("one_item") << 1;
        QTest::newRow("json") << 2;
        QTest::newRow("deep") << 3;
        QTest::newRow("wide_texts") << 4;
    }
    void random_input_never_crashes() {
        QFETCH(int, shape);
        switch (shape) {
        case 0:
            fill(*box, {});
            break;
        case 1:
            fill(*box, {{0, "only"}});
            break;
        case 2:
            load(*box, u"{'a':1,'b':[true,{'c':2},[1,2,3]],'d':{'e':{'f':[{},{}]}},'g':\"text\"}");
            break;
        case 3: {
            std::vector<Item> items;
            for (int k = 0; k < 3000; ++k)
                items.push_back({k, "d" + std::to_string(k), k % 7 == 3 ? 0 : 2});
            fill(*box, items);
            break;
        }
        default:
            fill(*box, {{0, "r"}, {1, std::string(5000, 'q')}, {1, std::string(100, 'z')}, {2, "x"}});
            break;
        }
        auto& p = box->properties();
        p.checkBoxes = 1;
        p.hotTracking = 1;
        p.clickToEdit = 1;
        p.clearOnEmptyClick = 1;
        box->setImageStrip(501);
        std::mt19937 rng(1234 + static_cast<unsigned>(shape));
        const Qt::Key keys[] = {Qt::Key_Up, Qt::Key_Down,   Qt::Key_Left,  Qt::Key_Right,
                                Qt::Key_F2, Qt::Key_Return, Qt::Key_Escape};
        for (int step = 0; step < 400; ++step) {
            auto* canvas = box->canvas();
            const QPoint at(static_cast<int>(rng() % 340) - 20, static_cast<int>(rng() % 280) - 20);
            switch (rng() % 9) {
            case 0:
                QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, at);
                break;
            case 1:
                QTest::mouseClick(canvas, Qt::RightButton, Qt::NoModifier, at);
                break;
            case 2:
                QTest::mouseDClick(canvas, Qt::LeftButton, Qt::NoModifier, at);
                break;
            case 3:
                QTest::mouseMove(canvas, at);
                break;
            case 4:
                gui_test::wheel(canvas, at, (static_cast<int>(rng() % 7) - 3) * 120);
                break;
            case 5: {
                QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : canvas;
                QTest::keyClick(target, keys[rng() % 7],
                                rng() % 4 == 0 ? Qt::AltModifier
                                               : (rng() % 3 == 0 ? Qt::ShiftModifier : Qt::NoModifier));
                break;
            }
            case 6:
                box->resize(static_cast<int>(rng() % 400), static_cast<int>(rng() % 300));
                break;
            case 7:
                box->redraw(static_cast<int32_t>(rng() % 40) - 5);
                break;
            default:
                if (box->store().itemCount() > 0) {
                    ItemCursor c;
                    box->store().setText(static_cast<int32_t>(rng() % box->store().itemCount()),
                                         u16(std::string(rng() % 30, 'n')), c);
                }
                break;
            }
            QVERIFY(box->canvas()->width() <= 65535);
            QVERIFY(box->canvas()->x() <= 0);
            QVERIFY(box->getSelection() >= -1 && box->getSelection() < box->store().itemCount());
            for (const auto& row : box->paintedRows()) {
                QVERIFY(row.item >= 0 && row.item < box->store().itemCount());
                QVERIFY(row.top >= 0);
            }
        }
        box->store().waitForIndexWorkers();
    }

    void screenshots() {
        host->resize(760, 560);
        box->setGeometry(10, 10, 362, 382);
        auto& p = box->properties();
        p.checkBoxes = 1;
        p.hotTracking = 1;
        load(*box,
             u"{'name':'Tolvar','version':1.7,'tags':['json','tree','viewer'],"
             u"'owner':{'id':42,'contacts':[{'kind':'mail','value':'a@b.c'},{'kind':'tel','value':'123'}]},"
             u"'flags':{'dark':true,'wrap':false},'empty':[],'notes':'" +
                 CWString(160, u'n') + u"'}");
        expandAll(*box);
        ItemCursor c;
        box->store().setItem(3, std::nullopt, rg_TolvarShuXingKuangCunChu::kKeepImage, -1, 1, c, true);
        ItemCursor c2;
        box->store().setItem(4, std::nullopt, rg_TolvarShuXingKuangCunChu::kKeepImage, -1, 2, c2, true);
        ItemCursor c3;
        box->store().setItem(7, std::nullopt, rg_TolvarShuXingKuangCunChu::kKeepImage, 0, -1, c3, true);
        box->store().buildIndexesNow();
        QVERIFY(box->setImageStrip(500));
        box->setSelection(5);
        const auto& hotRow = box->paintedRows().at(static_cast<size_t>(rowOf(*box, 2)));
        QTest::mouseMove(box->canvas(), QPoint(hotRow.textX + 3, hotRow.top + 5));
        QCOMPARE(box->hotItem(), 2);
        // A hot item is underlined: dark pixels below the text baseline that a plain row lacks.
        QVERIFY(gui_test::saveShot(host, QStringLiteral("tree_box_icons_500")));
        QVERIFY(box->setImageStrip(501));
        QVERIFY(gui_test::saveShot(host, QStringLiteral("tree_box_icons_501")));
        box->redraw(12);
        QVERIFY(gui_test::saveShot(host, QStringLiteral("tree_box_scrolled")));
        p.fullRowSelect = 1;
        p.checkBoxes = 0;
        box->redraw(0);
        QVERIFY(gui_test::saveShot(host, QStringLiteral("tree_box_full_row")));
    }
};

QTEST_MAIN(TreeBoxPaintTest)
#include "test_tree_box.moc"
