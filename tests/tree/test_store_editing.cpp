// Changing the tree item store: inserting, replacing subtrees, item states, the row list,
// selection and the events and view calls that go with them.
#include <gtest/gtest.h>

#include <random>

#include "tree/item_record.h"
#include "tree_test_util.h"

using namespace tree_test;
namespace rec = rg_TolvarMingLingJi_ChuangKouZuJian::item_record;

namespace {

std::vector<int32_t> levelsOf(const Store& s) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < s.itemCount(); ++i)
        out.push_back(s.getLevel(i));
    return out;
}

std::vector<CWString> textsOf(const Store& s) {
    std::vector<CWString> out;
    for (int32_t i = 0; i < s.itemCount(); ++i)
        out.push_back(s.getText(i));
    return out;
}

CKorMem recordsOf(const std::vector<std::pair<CWString, int32_t>>& items) {
    CKorMem m;
    for (const auto& [text, level] : items)
        Store::appendRecord(m, text, 2, level);
    return m;
}

struct SelectionLog {
    std::vector<std::pair<int32_t, int32_t>> calls;
};

void bindSelection(Store& s, SelectionLog& log) {
    s.selectionChanged.bind(&log, 42,
                            [](SelectionLog& l, Store&, int64_t user, int32_t item, int32_t reason) {
                                EXPECT_EQ(user, 42);
                                l.calls.push_back({item, reason});
                            });
}

TEST(tree_store_insert, placements) {
    struct Case {
        const char* name;
        std::vector<int32_t> levels;
        int32_t parent;
        int32_t expectedIndex;
        int32_t expectedLevel;
    };
    const Case cases[] = {
        {"leaf parent: right after it", {0, 1, 1}, 1, 2, 2},
        {"after the last descendant", {0, 1, 2, 2, 1}, 1, 4, 2},
        {"deep subtree", {0, 1, 2, 3, 3, 2, 1}, 1, 6, 2},
        {"top level at the end", {0, 1, 0, 1}, -1, 4, 0},
        {"any negative parent is top level", {0, 1}, -7, 2, 0},
        {"last item", {0, 1, 2}, 2, 3, 3},
        {"root", {0, 1, 2, 0}, 0, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store s;
        appendLevels(s, c.levels);
        ItemCursor cur;
        const int32_t idx = s.insertItem(c.parent, u"new", 1, 3, 2, cur);
        EXPECT_EQ(idx, c.expectedIndex);
        EXPECT_EQ(s.itemCount(), static_cast<int32_t>(c.levels.size()) + 1);
        EXPECT_EQ(s.getText(idx), u"new");
        EXPECT_EQ(s.getLevel(idx), c.expectedLevel);
        EXPECT_EQ(s.getImage(idx), 1);
        EXPECT_EQ(s.getExpandState(idx), 3);
        EXPECT_EQ(s.getCheckState(idx), 2);
        if (c.parent >= 0) {
            EXPECT_EQ(s.getParent(idx), c.parent);
        }
    }
}

TEST(tree_store_insert, rejects_bad_states_and_redraws) {
    Store s;
    RecordingView view(s, false);
    s.setView(&view);
    ItemCursor c;
    EXPECT_EQ(s.insertItem(-1, u"a", 0, 4, 0, c), -1);
    EXPECT_EQ(s.insertItem(-1, u"a", 0, 0, -1, c), -1);
    EXPECT_TRUE(view.redraws.empty());
    EXPECT_EQ(s.insertItem(-1, u"a", 0, 0, 0, c), 0);
    EXPECT_EQ(view.redraws, std::vector<int32_t>{-1});
    s.properties().autoRedraw = 0;
    c.clear();
    EXPECT_EQ(s.insertItem(0, u"b", 0, 0, 0, c), 1);
    EXPECT_EQ(view.redraws.size(), 1u);
}

TEST(tree_store_replace, modes) {
    // 0 top, 1 a, 2 a1, 3 a2, 4 b
    auto make = [](Store& s) {
        appendLevels(s, {0, 1, 2, 2, 1}, nullptr);
        ItemCursor c;
        s.setItem(1, std::nullopt, Store::kKeepImage, 2, -1, c, true);
    };
    struct Case {
        const char* name;
        int32_t index;
        int32_t mode;
        std::vector<std::pair<CWString, int32_t>> records;
        int32_t result;
        std::vector<int32_t> levels;
        std::vector<CWString> texts;
        int32_t expandOfFirstNew; // -1: not checked
        bool selectionEvent;
    };
    const Case cases[] = {
        {"mode 0 replaces item and subtree",
         1,
         0,
         {{u"x", 1}, {u"x1", 2}},
         3,
         {0, 1, 2, 1},
         {u"item0", u"x", u"x1", u"item4"},
         2,
         true},
        {"mode 0 empty deletes item and subtree", 1, 0, {}, 3, {0, 1}, {u"item0", u"item4"}, -1, true},
        {"mode 0 on a leaf",
         4,
         0,
         {{u"y", 1}},
         1,
         {0, 1, 2, 2, 1},
         {u"item0", u"item1", u"item2", u"item3", u"y"},
         0,
         true},
        {"mode 2 replaces descendants only",
         1,
         2,
         {{u"z", 2}},
         2,
         {0, 1, 2, 1},
         {u"item0", u"item1", u"z", u"item4"},
         0,
         true},
        {"mode 1 carries the expand state",
         1,
         1,
         {{u"z", 2}},
         2,
         {0, 1, 2, 1},
         {u"item0", u"item1", u"z", u"item4"},
         2,
         true},
        {"mode 2 empty removes descendants",
         1,
         2,
         {},
         2,
         {0, 1, 1},
         {u"item0", u"item1", u"item4"},
         -1,
         true},
        {"mode 2 on a leaf inserts after it",
         4,
         2,
         {{u"c", 2}, {u"d", 2}},
         0,
         {0, 1, 2, 2, 1, 2, 2},
         {u"item0", u"item1", u"item2", u"item3", u"item4", u"c", u"d"},
         0,
         false},
        {"mode 2 empty on a leaf changes nothing",
         4,
         2,
         {},
         0,
         {0, 1, 2, 2, 1},
         {u"item0", u"item1", u"item2", u"item3", u"item4"},
         -1,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool indexed : {false, true}) {
            Store s;
            make(s);
            if (indexed) s.buildIndexesNow();
            SelectionLog log;
            bindSelection(s, log);
            const CKorMem records = recordsOf(c.records);
            ItemCursor cur;
            EXPECT_EQ(s.replaceSubtree(c.index, c.mode, records, static_cast<int32_t>(c.records.size()), cur),
                      c.result);
            EXPECT_EQ(levelsOf(s), c.levels);
            EXPECT_EQ(textsOf(s), c.texts);
            if (c.expandOfFirstNew >= 0) {
                const int32_t firstNew = c.mode == 0 ? c.index : c.index + 1;
                EXPECT_EQ(s.getExpandState(firstNew), c.expandOfFirstNew);
            }
            EXPECT_EQ(!log.calls.empty(), c.selectionEvent);
            EXPECT_FALSE(s.isIndexCurrent(TreeIndexKind::Offset) && c.result != 0);
        }
    }
}

TEST(tree_store_replace, selection_after_delete_is_revalidated) {
    Store s;
    appendLevels(s, {0, 1, 1, 1});
    s.properties().currentItem = 3;
    SelectionLog log;
    bindSelection(s, log);
    CKorMem none;
    ItemCursor c;
    EXPECT_EQ(s.replaceSubtree(2, 0, none, 0, c), 1);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0], std::make_pair(-1, 0)); // item 3 no longer exists
    EXPECT_EQ(s.properties().currentItem, -1);
}

TEST(tree_store_replace, rejects_malformed_records) {
    Store s;
    appendLevels(s, {0, 1, 2, 2, 1});
    const std::vector<int32_t> before = levelsOf(s);
    struct Case {
        const char* name;
        int32_t index;
        int32_t mode;
        CKorMem records;
        int32_t count;
    };
    CKorMem torn = recordsOf({{u"a", 1}});
    torn.resize(torn.size() - 3);
    CKorMem oddText;
    oddText.appendByte('x');
    oddText.append(rec::kSeparator, 4);
    oddText.resize(oddText.size() + 26);
    const Case cases[] = {
        {"count mismatch", 1, 0, recordsOf({{u"a", 1}, {u"b", 2}}), 1},
        {"negative count", 1, 0, CKorMem(), -1},
        {"torn record", 1, 0, std::move(torn), 1},
        {"odd text length", 1, 0, std::move(oddText), 1},
        {"too deep after the item", 1, 2, recordsOf({{u"a", 3}}), 1},
        {"jump inside records", 1, 0, recordsOf({{u"a", 1}, {u"b", 3}}), 2},
        {"first item must stay level 0", 0, 0, recordsOf({{u"a", 1}}), 1},
        {"following item too deep", 2, 0, recordsOf({{u"a", 0}}), 1},
        {"bad mode", 1, 3, recordsOf({{u"a", 1}}), 1},
        {"negative mode", 1, -1, recordsOf({{u"a", 1}}), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemCursor cur;
        EXPECT_EQ(s.replaceSubtree(c.index, c.mode, c.records, c.count, cur), -1);
        EXPECT_EQ(levelsOf(s), before);
    }
    // Shallower records are fine as long as the following item still fits under them.
    ItemCursor cur;
    EXPECT_EQ(s.replaceSubtree(2, 0, recordsOf({{u"a", 1}}), 1, cur), 1);
    EXPECT_EQ(levelsOf(s), (std::vector<int32_t>{0, 1, 1, 2, 1}));
}

TEST(tree_store_states, expand_state_bits) {
    struct Case {
        int32_t start;
        bool expand;
        bool toggle;
        int32_t expected;
    };
    const Case cases[] = {
        {0, true, false, 2},  {1, true, false, 3},  {2, true, false, 2},  {3, true, false, 3},
        {0, false, false, 0}, {1, false, false, 1}, {2, false, false, 0}, {3, false, false, 1},
        {0, false, true, 2},  {1, false, true, 3},  {2, false, true, 0},  {3, false, true, 1},
    };
    for (const Case& c : cases) {
        Store s;
        appendLevels(s, {0, 1});
        ItemCursor cur;
        ASSERT_TRUE(s.setItem(1, std::nullopt, Store::kKeepImage, c.start, -1, cur, true));
        EXPECT_TRUE(s.setExpanded(cur, 1, c.expand, c.toggle));
        EXPECT_EQ(s.getExpandState(1), c.expected) << c.start << " " << c.expand << " " << c.toggle;
        // setItem's toggle (-2) matches setExpanded's toggle.
        Store t;
        appendLevels(t, {0, 1});
        ItemCursor tc;
        t.setItem(1, std::nullopt, Store::kKeepImage, c.start, -1, tc, true);
        t.setItem(1, std::nullopt, Store::kKeepImage, -2, -1, tc, true);
        EXPECT_EQ(t.getExpandState(1), c.start ^ 2);
    }
}

TEST(tree_store_states, check_state_cycling) {
    struct Case {
        int32_t checkMode;
        int32_t start;
        std::vector<int32_t> sequence;
    };
    const Case cases[] = {
        {2, 0, {1, 0, 1}}, {0, 0, {1, 2, 0, 1}}, {1, 0, {1, 2, 0}},
        {2, 3, {3, 3}},    {7, 3, {3}},          {2, 2, {0, 1}},
    };
    for (const Case& c : cases) {
        Store s;
        appendLevels(s, {0});
        s.properties().checkMode = c.checkMode;
        ItemCursor cur;
        s.setItem(0, std::nullopt, Store::kKeepImage, -1, c.start, cur, true);
        for (int32_t want : c.sequence) {
            ASSERT_TRUE(s.setItem(0, std::nullopt, Store::kKeepImage, -1, -2, cur, true));
            EXPECT_EQ(s.getCheckState(0), want) << "mode " << c.checkMode;
        }
    }
}

TEST(tree_store_states, set_item_fields_and_rejects) {
    Store s;
    appendLevels(s, {0, 1, 1});
    RecordingView view(s, false);
    s.setView(&view);
    ItemCursor c;
    EXPECT_TRUE(s.setItem(1, u"renamed and longer", 7, 1, 1, c, false));
    EXPECT_EQ(s.getText(1), u"renamed and longer");
    EXPECT_EQ(s.getImage(1), 7);
    EXPECT_EQ(s.getExpandState(1), 1);
    EXPECT_EQ(s.getCheckState(1), 1);
    EXPECT_EQ(s.getText(2), u"item2");
    // The cursor follows the record when the text length changes.
    EXPECT_EQ(s.getText(1, c), u"renamed and longer");
    EXPECT_EQ(view.redraws.size(), 1u);
    EXPECT_TRUE(s.setItem(1, std::nullopt, Store::kKeepImage, -1, -1, c, true));
    EXPECT_EQ(view.redraws.size(), 1u);
    EXPECT_TRUE(s.setItem(1, std::nullopt, 0x04030201, -1, -1, c, true));
    EXPECT_EQ(s.getImage(1), -1);
    for (int32_t bad : {-3, 4, 255}) {
        EXPECT_FALSE(s.setItem(1, u"x", 0, bad, -1, c, true));
        EXPECT_FALSE(s.setItem(1, u"x", 0, -1, bad, c, true));
    }
    EXPECT_EQ(s.getText(1), u"renamed and longer");
    EXPECT_TRUE(s.setText(1, u""));
    EXPECT_EQ(s.getText(1), u"");
    EXPECT_EQ(s.getText(2), u"item2");
}

TEST(tree_store_states, in_place_changes_keep_indexes_current) {
    Store s;
    appendLevels(s, {0, 1, 2, 1});
    ItemCursor c;
    s.setItem(0, std::nullopt, Store::kKeepImage, 2, -1, c, true);
    s.buildIndexesNow();
    s.rebuildRowList();
    c.clear();
    s.setItem(1, std::nullopt, Store::kKeepImage, -1, 1, c, true); // check byte
    s.setItem(1, u"ITEM1", 5, -1, -1, c, true);                    // same-length text, image
    s.setExpanded(c, 1, true, false);                              // expand byte
    for (int k = 0; k < rg_TolvarMingLingJi_ChuangKouZuJian::kTreeIndexKinds; ++k)
        EXPECT_TRUE(s.isIndexCurrent(static_cast<TreeIndexKind>(k)));
    EXPECT_TRUE(s.isRowListCurrent());
    s.setText(1, u"longer text");
    EXPECT_FALSE(s.isIndexCurrent(TreeIndexKind::Offset));
    EXPECT_FALSE(s.isRowListCurrent());
    EXPECT_EQ(s.getParent(2), 1);
}

// ---- row list ----

std::vector<int32_t> rowsOf(const Store& s) {
    std::vector<int32_t> out;
    for (int32_t r = 0; r < s.rowCount(); ++r)
        out.push_back(s.itemAtRow(r));
    return out;
}

// Visible items computed from scratch.
std::vector<int32_t> expectedRows(const Store& s) {
    std::vector<int32_t> out;
    int32_t hiddenBelow = INT32_MAX; // items deeper than this are hidden
    ItemCursor walk;
    for (int32_t i = 0; i < s.itemCount(); ++i) {
        s.locateItem(i, walk, i - 1);
        ItemCursor c = walk;
        const int32_t L = s.getLevel(i, c);
        if (L > hiddenBelow) continue;
        hiddenBelow = INT32_MAX;
        out.push_back(i);
        if (s.getExpandState(i, c) < 2) hiddenBelow = L;
    }
    return out;
}

TEST(tree_store_rows, build_and_update_in_place) {
    for (bool indexed : {false, true}) {
        Store s;
        s.appendTopItem(u"top", 0);
        appendLevels(s, {1, 2, 3, 2, 1, 2});
        if (indexed) s.buildIndexesNow();
        s.rebuildRowList();
        EXPECT_EQ(rowsOf(s), (std::vector<int32_t>{0, 1, 5}));
        ItemCursor c;
        ASSERT_TRUE(s.setExpanded(c, 1, true, false));
        EXPECT_TRUE(s.isRowListCurrent());
        EXPECT_EQ(rowsOf(s), (std::vector<int32_t>{0, 1, 2, 4, 5}));
        c.clear();
        s.setExpanded(c, 2, true, false);
        EXPECT_EQ(rowsOf(s), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
        c.clear();
        s.setExpanded(c, 1, false, false);
        EXPECT_EQ(rowsOf(s), (std::vector<int32_t>{0, 1, 5}));
        EXPECT_EQ(s.rowOfItem(5), 2);
        EXPECT_EQ(s.rowOfItem(3), -1);
        // Expanding an item inside a collapsed subtree cannot update the list: it goes stale.
        c.clear();
        s.setExpanded(c, 3, true, false);
        EXPECT_FALSE(s.isRowListCurrent());
        EXPECT_FALSE(s.isIndexCurrent(TreeIndexKind::Offset));
        s.ensureRowList();
        EXPECT_EQ(rowsOf(s), expectedRows(s));
    }
}

TEST(tree_store_rows, random_expand_collapse_matches_rebuild) {
    std::mt19937 rng(99);
    for (int round = 0; round < 6; ++round) {
        Store s;
        appendLevels(s, randomLevels(rng, 150, 6));
        if (round % 2) s.buildIndexesNow();
        s.rebuildRowList();
        for (int step = 0; step < 150; ++step) {
            const int32_t i = static_cast<int32_t>(rng() % s.itemCount());
            ItemCursor c;
            if (rng() % 2) {
                s.setExpanded(c, i, rng() % 2, rng() % 3 == 0);
            } else {
                s.setItem(i, std::nullopt, Store::kKeepImage, -2, -1, c, true);
            }
            if (!s.isRowListCurrent()) s.ensureRowList();
            ASSERT_EQ(rowsOf(s), expectedRows(s)) << "round " << round << " step " << step;
        }
    }
}

TEST(tree_store_rows, next_visible_item) {
    Store s;
    appendLevels(s, {0, 1, 2, 1});
    ItemCursor c;
    EXPECT_EQ(s.nextVisibleItem(0, c), -1); // collapsed: its subtree is the rest of the tree
    EXPECT_EQ(s.nextVisibleItem(1, c = {}), 3);
    c.clear();
    s.setExpanded(c, 1, true, false);
    EXPECT_EQ(s.nextVisibleItem(1, c = {}), 2);
    EXPECT_EQ(s.nextVisibleItem(3, c = {}), -1);
}

// ---- selection and view ----

TEST(tree_store_selection, validation_and_events) {
    Store s;
    appendLevels(s, {0, 1, 2, 1});
    RecordingView view(s);
    s.setView(&view);
    SelectionLog log;
    bindSelection(s, log);

    s.properties().currentItem = 9;
    EXPECT_EQ(s.getSelection(), -1);
    EXPECT_EQ(s.properties().currentItem, -1);
    s.properties().currentItem = -4;
    EXPECT_EQ(s.getSelection(), -1);

    s.setSelection(2); // inside collapsed item 1 under collapsed item 0
    EXPECT_EQ(s.getSelection(), 2);
    EXPECT_GE(s.getExpandState(0), 2);
    EXPECT_GE(s.getExpandState(1), 2);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls.back(), std::make_pair(2, 0));
    ASSERT_EQ(view.scrolls.size(), 1u);
    EXPECT_EQ(view.scrolls.back(), std::make_pair(2, 2));

    s.setPendingSelectionReason(2);
    s.setSelection(3);
    EXPECT_EQ(log.calls.back(), std::make_pair(3, 2));
    s.setSelection(1);
    EXPECT_EQ(log.calls.back(), std::make_pair(1, 0)); // reason went back to 0

    const size_t scrollsBefore = view.scrolls.size();
    s.setSelection(50);
    EXPECT_EQ(s.getSelection(), -1);
    EXPECT_EQ(log.calls.back(), std::make_pair(-1, 0));
    EXPECT_EQ(view.scrolls.size(), scrollsBefore); // out of range: redraw only

    s.notifySelectionChanged(3, 1);
    EXPECT_EQ(log.calls.back(), std::make_pair(3, 1));
}

TEST(tree_store_selection, bold_bit_survives_ensure_visible) {
    Store s;
    appendLevels(s, {0, 1, 2});
    ItemCursor c;
    s.setItem(1, std::nullopt, Store::kKeepImage, 1, -1, c, true);
    s.ensureVisible(2);
    EXPECT_EQ(s.getExpandState(1), 3);
    EXPECT_EQ(s.getExpandState(0), 2);
}

TEST(tree_store_buffer, clear_and_refill) {
    Store s;
    appendLevels(s, {0, 1, 1});
    s.buildIndexesNow();
    s.rebuildRowList();
    s.clearItems();
    EXPECT_EQ(s.itemCount(), 0);
    EXPECT_EQ(s.bufferLength(), 0);
    EXPECT_FALSE(s.isRowListCurrent());
    EXPECT_FALSE(s.isIndexCurrent(TreeIndexKind::Offset));
    s.startIndexWorkers(); // an empty buffer never gets an index
    s.waitForIndexWorkers();
    EXPECT_FALSE(s.isIndexCurrent(TreeIndexKind::Offset));
    EXPECT_EQ(s.liveIndexRuns(), 0u);
    appendLevels(s, {0, 1});
    EXPECT_EQ(s.getParent(1), 0);
}

TEST(tree_store_buffer, clearing_resets_the_top_item) {
    Store s;
    appendLevels(s, {0, 1, 1, 1, 1});
    s.properties().topItem = 4;
    s.clearItems();
    EXPECT_EQ(s.properties().topItem, 0);
}

// The row a stale top item falls back to: its outermost collapsed ancestor, or the last row.
TEST(tree_store_rows, visible_item_at_or_before) {
    Store s;
    appendLevels(s, {0, 1, 2, 3, 2, 1, 1}); // item 1 collapsed below: 2, 3, 4 hidden
    ItemCursor c0;
    s.setExpanded(c0, 0, true, false);
    s.rebuildRowList();
    ASSERT_EQ(s.rowCount(), 4); // 0, 1, 5, 6
    struct Case {
        int32_t item;
        int32_t expected;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 5}, {6, 6}, {7, 6}, {500, 6}, {-3, 0}};
    for (const Case& k : cases)
        EXPECT_EQ(s.visibleItemAtOrBefore(k.item), k.expected) << k.item;
    s.clearItems();
    s.rebuildRowList();
    EXPECT_EQ(s.visibleItemAtOrBefore(3), -1);
}

// Renumbering element labels: the first "[n]" of first and of each later sibling moves by delta;
// descendants, earlier items and the parent's later family are untouched.
TEST(tree_store_labels, shift_element_labels) {
    struct Case {
        const char* name;
        std::vector<int32_t> levels;
        std::vector<std::string> texts;
        int32_t first;
        int32_t delta;
        int32_t changed;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"later siblings only",
         {0, 1, 1, 1, 1},
         {"top", "[0]:a", "[2]:b", "[3]:c", "[4]:d"},
         2,
         -1,
         3,
         {"top", "[0]:a", "[1]:b", "[2]:c", "[3]:d"}},
        {"digit boundaries",
         {0, 1, 1, 1},
         {"top", "[10]:x", "[100]", "[1000]:\"[7]\""},
         1,
         -1,
         3,
         {"top", "[9]:x", "[99]", "[999]:\"[7]\""}},
        {"growing", {0, 1, 1}, {"top", "[9]:x", "[99]:y"}, 1, 1, 2, {"top", "[10]:x", "[100]:y"}},
        {"children and the next family are kept",
         {0, 1, 2, 2, 1, 2, 0, 1},
         {"top", "[1]", "[0]:c", "[1]:d", "[2]", "[0]:e", "next", "[5]:f"},
         1,
         -1,
         2,
         {"top", "[0]", "[0]:c", "[1]:d", "[1]", "[0]:e", "next", "[5]:f"}},
        {"texts without a label, zero and odd labels are kept",
         {0, 1, 1, 1, 1, 1, 1},
         {"top", "[0]:a", "key:1", "[]:b", "[1x]:c", "[12345678901]:d", "[3]:e"},
         1,
         -1,
         1,
         {"top", "[0]:a", "key:1", "[]:b", "[1x]:c", "[12345678901]:d", "[2]:e"}},
        {"nothing to change", {0, 1}, {"top", "plain"}, 1, -1, 0, {"top", "plain"}},
    };
    for (const Case& k : cases) {
        for (const bool indexed : {false, true}) {
            SCOPED_TRACE(std::string(k.name) + (indexed ? ", indexed" : ", scanned"));
            Store s;
            std::vector<CWString> texts;
            for (const std::string& t : k.texts)
                texts.push_back(u16(t));
            appendLevels(s, k.levels, &texts);
            if (indexed) s.buildIndexesNow();
            const uint64_t textVersion = s.textVersion();
            ItemCursor c;
            EXPECT_EQ(s.shiftElementLabels(k.first, k.delta, c), k.changed);
            EXPECT_EQ(s.textVersion(), textVersion + (k.changed > 0 ? 1 : 0)); // one rewrite
            ASSERT_EQ(s.itemCount(), static_cast<int32_t>(k.expected.size()));
            for (size_t i = 0; i < k.expected.size(); ++i) {
                EXPECT_EQ(s.getText(static_cast<int32_t>(i)), u16(k.expected[i])) << i;
                EXPECT_EQ(s.getLevel(static_cast<int32_t>(i)), k.levels[i]) << i;
            }
            // The cursor describes `first` in the new buffer.
            ItemCursor fresh;
            ASSERT_TRUE(s.locateItem(k.first, fresh, -1));
            EXPECT_EQ(c, fresh);
            EXPECT_EQ(s.getParent(static_cast<int32_t>(k.expected.size()) - 1),
                      LevelModel{k.levels}.parent(static_cast<int32_t>(k.expected.size()) - 1));
        }
    }
    Store empty;
    ItemCursor c;
    EXPECT_EQ(empty.shiftElementLabels(0, -1, c), -1);
}

} // namespace
