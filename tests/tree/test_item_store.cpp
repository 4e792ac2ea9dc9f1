// Item records and lookups of the tree item store. Every lookup test runs twice: with the derived
// indexes stale (answers by scanning the buffer) and with them current.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tree/item_record.h"
#include "tree_test_util.h"

using namespace tree_test;
namespace rec = rg_TolvarMingLingJi_ChuangKouZuJian::item_record;

namespace {

std::vector<uint8_t> bytesOf(const CKorMem& m) {
    return std::vector<uint8_t>(m.data(), m.data() + m.size());
}

TEST(records, byte_layout) {
    CKorMem buf;
    ASSERT_TRUE(Store::appendRecord(buf, u"ab", 2, 1));
    const std::vector<uint8_t> expected = {
        0x61, 0x00, 0x62, 0x00,                         // text
        0x01, 0x02, 0x03, 0x04,                         // separator
        0x01, 0x00, 0x00, 0x00,                         // level 1
        0x02, 0x00, 0x00, 0x00,                         // image 2
        0xFF, 0xFF, 0xFF, 0xFF,                         // selectedImage -1
        0x00, 0x00, 0x00, 0x00,                         // reserved
        0x00, 0x00,                                     // expand, check
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, // colours -1
    };
    EXPECT_EQ(bytesOf(buf), expected);
    ASSERT_TRUE(Store::appendRecord(buf, u"", -1, 0));
    EXPECT_EQ(buf.size(), expected.size() + 30);
}

TEST(records, top_item_is_expanded_and_bold) {
    Store s;
    ASSERT_TRUE(s.appendTopItem(u"Tolvar·JSON", 1));
    EXPECT_EQ(s.itemCount(), 1);
    EXPECT_EQ(s.getText(0), u"Tolvar·JSON");
    EXPECT_EQ(s.getLevel(0), 0);
    EXPECT_EQ(s.getImage(0), 1);
    EXPECT_EQ(s.getExpandState(0), 3);
    EXPECT_EQ(s.getCheckState(0), 0);
    ItemCursor c;
    EXPECT_EQ(s.getSelectedImage(0, c), -1);
    EXPECT_EQ(s.getTextColour(0, c), -1);
    EXPECT_EQ(s.getBackColour(0, c), -1);
}

TEST(records, separator_bytes_in_text_are_replaced) {
    struct Case {
        CWString text;
        CWString stored;
    };
    const Case cases[] = {
        {CWString{0x0201, 0x0403}, CWString{0xFFFD, 0x0403}},                             // even alignment
        {CWString{u'x', 0x0101, 0x0302, 0x0404}, CWString{u'x', 0x0101, 0xFFFD, 0x0404}}, // odd alignment
        {CWString{0x0201, 0x0403, 0x0201, 0x0403}, CWString{0xFFFD, 0x0403, 0xFFFD, 0x0403}},
        {CWString{0x0201}, CWString{0x0201}}, // half a separator is harmless
        {u"plain", u"plain"},
    };
    for (const Case& c : cases) {
        Store s;
        s.appendTopItem(u"top", 0);
        ItemCursor cur;
        ASSERT_EQ(s.insertItem(0, c.text, 2, 0, 0, cur), 1);
        cur.clear();
        ASSERT_EQ(s.insertItem(0, c.text, 2, 0, 0, cur), 2);
        EXPECT_EQ(s.itemCount(), 3);
        EXPECT_EQ(s.getText(1), c.stored);
        EXPECT_EQ(s.getText(2), c.stored);
        EXPECT_EQ(s.getLevel(2), 1);
        EXPECT_EQ(s.nextSibling(1), 2);
        EXPECT_FALSE(rec::textHoldsSeparator(s.getText(1)));
        // setText goes through the same guard.
        EXPECT_TRUE(s.setText(1, c.text));
        EXPECT_EQ(s.getText(1), c.stored);
        EXPECT_EQ(s.getText(2), c.stored);
        rec::RecordRunInfo info;
        EXPECT_TRUE(rec::scanRecords(s.itemBuffer().data(), s.bufferLength(), info));
        EXPECT_EQ(info.count, 3);
    }
}

TEST(records, header_values_are_kept_in_safe_ranges) {
    CKorMem buf;
    Store::appendRecord(buf, u"a", 0x04030201, 0);
    Store::appendRecord(buf, u"b", -7, -3);
    Store::appendRecord(buf, u"c", 70000, 0x04030201);
    EXPECT_EQ(rec::readInt32(buf.data() + 2 + 4 + rec::kImageField), -1);
    EXPECT_EQ(rec::findSeparator(buf.data(), buf.size(), 0), 2);
    EXPECT_EQ(rec::readInt32(buf.data() + 32 + 6 + rec::kLevelField), 0);
    EXPECT_EQ(rec::readInt32(buf.data() + 32 + 6 + rec::kImageField), -1);
    EXPECT_EQ(rec::readInt32(buf.data() + 64 + 6 + rec::kLevelField), rec::kMaxLevel);
    // Exactly three separators: none formed by header bytes.
    int found = 0;
    for (int64_t p = 0; (p = rec::findSeparator(buf.data(), buf.size(), p)) >= 0; ++p)
        ++found;
    EXPECT_EQ(found, 3);
}

TEST(store, empty_box) {
    Store s;
    EXPECT_EQ(s.getSelection(), -1);
    ItemIndexList out;
    EXPECT_EQ(s.enumerateChildren(-1, out), 0);
    EXPECT_TRUE(out.empty());
    ItemCursor c;
    EXPECT_EQ(s.insertItem(-1, u"x", 0, 0, 0, c), 0);
    EXPECT_EQ(s.itemCount(), 1);
}

TEST(store, out_of_range_reads_fail) {
    Store s;
    appendLevels(s, {0, 1, 1});
    for (int32_t i : {-5, -1, 3, 100}) {
        ItemCursor c{7, 8, 9};
        ItemCursor keep = c;
        EXPECT_FALSE(s.locateItem(i, c, -1));
        EXPECT_EQ(c, keep);
        ItemCursor e;
        EXPECT_EQ(s.getText(i, e), u"");
        EXPECT_EQ(s.getLevel(i, e), -1);
        EXPECT_EQ(s.getImage(i, e), -1);
        EXPECT_EQ(s.getExpandState(i, e), 255);
        EXPECT_EQ(s.getCheckState(i, e), 255);
        EXPECT_FALSE(s.hasChildren(i, e));
        ItemCursor r, o;
        EXPECT_EQ(s.getDescendants(i, e, r, true), -1);
        EXPECT_EQ(s.getParent(i, e, o), -1);
        EXPECT_EQ(s.previousSibling(i, e, o), -1);
        EXPECT_EQ(s.nextSibling(i, e, o), -1);
        EXPECT_EQ(s.pathOfItem(i, 0), u"");
    }
    ItemIndexList out;
    EXPECT_EQ(s.enumerateChildren(3, out), -1);
    EXPECT_EQ(s.enumerateChildren(-2, out), -1);
    ItemCursor c;
    EXPECT_EQ(s.insertItem(3, u"x", 0, 0, 0, c), -1);
    EXPECT_FALSE(s.setItem(3, u"x", 0, -1, -1, c, false));
    CKorMem none;
    EXPECT_EQ(s.replaceSubtree(3, 0, none, 0, c), -1);
    EXPECT_EQ(s.itemCount(), 3);
}

TEST(store, bad_cursors_never_read_outside_the_buffer) {
    Store s;
    appendLevels(s, {0, 1, 1});
    const int64_t len = s.bufferLength();
    const std::vector<ItemCursor> bad = {
        {1000, 2000, 0},
        {-40, 10, 0},
        {3, 40, 0},                        // not on record boundaries
        {0, static_cast<int32_t>(len), 0}, // one past the end
        {static_cast<int32_t>(len - 1), static_cast<int32_t>(len - 1), 0},
        {10, 5, 0},
        {INT32_MAX - 3, INT32_MAX, 1},
    };
    for (const ItemCursor& b : bad) {
        ItemCursor c = b;
        EXPECT_EQ(s.getText(1, c), u"");
        c = b;
        EXPECT_EQ(s.getLevel(1, c), -1);
        c = b;
        ItemCursor o, r;
        EXPECT_EQ(s.getParent(1, c, o), -1);
        c = b;
        EXPECT_EQ(s.nextSibling(1, c, o), -1);
        c = b;
        EXPECT_EQ(s.getDescendants(1, c, r, false), -1);
        c = b;
        EXPECT_FALSE(s.setItem(1, u"zz", 0, 2, 1, c, false));
        c = b;
        EXPECT_EQ(s.insertItem(1, u"zz", 0, 0, 0, c), -1);
        // A bad cursor handed to locateItem as a starting point is ignored.
        c = b;
        EXPECT_TRUE(s.locateItem(2, c, 1));
        ItemCursor fresh;
        s.locateItem(2, fresh, -1);
        EXPECT_EQ(c, fresh);
    }
    ItemCursor range{-100, INT32_MAX, 0};
    EXPECT_EQ(s.countItemsInRange(range), 3);
    range = {50, 10, 0};
    EXPECT_EQ(s.countItemsInRange(range), 0);
    range = {1};
    EXPECT_EQ(s.countItemsInRange(range), 0);
}

// ---- lookups, with the indexes stale and current ----

enum class Indexes { Stale, Current };

class Lookups : public ::testing::TestWithParam<Indexes> {
protected:
    void prepare(Store& s) {
        if (GetParam() == Indexes::Current) {
            s.buildIndexesNow();
            ASSERT_TRUE(s.isIndexCurrent(TreeIndexKind::Offset));
            ASSERT_TRUE(s.isIndexCurrent(TreeIndexKind::Parent));
            ASSERT_TRUE(s.isIndexCurrent(TreeIndexKind::Sibling));
            ASSERT_TRUE(s.isIndexCurrent(TreeIndexKind::SubtreeEnd));
        } else {
            ASSERT_FALSE(s.isIndexCurrent(TreeIndexKind::Offset));
            ASSERT_FALSE(s.isIndexCurrent(TreeIndexKind::Parent));
        }
    }
};

INSTANTIATE_TEST_SUITE_P(tree_store, Lookups, ::testing::Values(Indexes::Stale, Indexes::Current),
                         [](const auto& param) {
                             return param.param == Indexes::Stale ? "stale" : "current";
                         });

TEST_P(Lookups, levels_0_1_2_1_2_0) {
    Store s;
    appendLevels(s, {0, 1, 2, 1, 2, 0});
    prepare(s);
    const int32_t parents[] = {-1, 0, 1, 0, 3, -1};
    const int32_t prevs[] = {-1, -1, -1, 1, -1, 0};
    const int32_t nexts[] = {5, 3, -1, -1, -1, -1};
    const int32_t desc[] = {4, 1, 0, 1, 0, 0};
    for (int32_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s.getParent(i), parents[i]);
        EXPECT_EQ(s.previousSibling(i), prevs[i]);
        EXPECT_EQ(s.nextSibling(i), nexts[i]);
        EXPECT_EQ(s.getDescendants(i), desc[i]);
        EXPECT_EQ(s.hasChildren(i), desc[i] > 0);
    }
    if (GetParam() == Indexes::Current) {
        // The arrays themselves: 0 marks "none" for next siblings and subtree ends.
        EXPECT_EQ(*s.indexArray(TreeIndexKind::Parent), (std::vector<int32_t>{-1, 0, 1, 0, 3, -1}));
        EXPECT_EQ(*s.indexArray(TreeIndexKind::Sibling), (std::vector<int32_t>{-1, -1, -1, 1, -1, 0}));
        EXPECT_EQ(*s.indexArray(TreeIndexKind::Sibling, 1), (std::vector<int32_t>{5, 3, 0, 0, 0, 0}));
        EXPECT_EQ(*s.indexArray(TreeIndexKind::SubtreeEnd), (std::vector<int32_t>{4, 2, 0, 4, 0, 0}));
        std::vector<int32_t> offsets;
        ItemCursor c;
        for (int32_t i = 0; i < 6; ++i) {
            c.clear();
            s.locateItem(i, c, -1);
            offsets.push_back(c[0]);
        }
        EXPECT_EQ(*s.indexArray(TreeIndexKind::Offset), offsets);
    }
}

TEST_P(Lookups, top_level_item_has_no_parent) {
    Store s;
    appendLevels(s, {0, 1, 0});
    prepare(s);
    ItemCursor c, out{5, 5, 5};
    EXPECT_EQ(s.getParent(2, c, out), -1);
    EXPECT_EQ(out, (ItemCursor{-1, -1, -1}));
    c.clear();
    out = {5, 5, 5};
    EXPECT_EQ(s.getParent(0, c, out), -1);
    EXPECT_EQ(out, (ItemCursor{-1, -1, -1}));
}

TEST_P(Lookups, cursors_and_ranges) {
    Store s;
    s.appendTopItem(u"top", 0);
    appendLevels(s, {1, 2, 2, 1});
    prepare(s);
    // Records: "top"(6 bytes text) then item1..item4 ("itemK" = 10 bytes text each).
    ItemCursor c;
    ASSERT_TRUE(s.locateItem(0, c, -1));
    EXPECT_EQ(c, (ItemCursor{0, 35, 0}));
    c.clear();
    ASSERT_TRUE(s.locateItem(2, c, -1));
    EXPECT_EQ(c, (ItemCursor{76, 115, 2}));
    // Walking on from an earlier item's cursor.
    ItemCursor walk;
    ASSERT_TRUE(s.locateItem(1, walk, -1));
    ASSERT_TRUE(s.locateItem(3, walk, 1));
    EXPECT_EQ(walk, (ItemCursor{116, 155, 2}));

    ItemCursor cur, range;
    EXPECT_EQ(s.getDescendants(1, cur, range, false), 2);
    EXPECT_EQ(range, (ItemCursor{76, 155, 2}));
    EXPECT_EQ(s.countItemsInRange(range), 2);
    cur.clear();
    EXPECT_EQ(s.getDescendants(1, cur, range, true), 3);
    EXPECT_EQ(range, (ItemCursor{36, 155, 2}));
    EXPECT_EQ(s.countItemsInRange(range), 3);
    cur.clear();
    EXPECT_EQ(s.getDescendants(2, cur, range, false), 0);
    EXPECT_EQ(range, (ItemCursor{116, -1, 3}));
    cur.clear();
    EXPECT_EQ(s.getDescendants(2, cur, range, true), 1);
    EXPECT_EQ(range, (ItemCursor{76, 115, 3}));
    cur.clear();
    EXPECT_EQ(s.getDescendants(4, cur, range, false), 0);
    EXPECT_EQ(range, (ItemCursor{196, -1, 2}));
    cur.clear();
    EXPECT_EQ(s.getDescendants(0, cur, range, false), 4);
    EXPECT_EQ(range, (ItemCursor{36, 195, 1}));

    ItemCursor pc, out;
    EXPECT_EQ(s.getParent(3, pc, out), 1);
    EXPECT_EQ(out, (ItemCursor{36, 75, 1}));
    pc.clear();
    EXPECT_EQ(s.nextSibling(1, pc, out), 4);
    EXPECT_EQ(out, (ItemCursor{156, 195, 1}));
    pc.clear();
    EXPECT_EQ(s.previousSibling(4, pc, out), 1);
    EXPECT_EQ(out, (ItemCursor{36, 75, 1}));
}

TEST_P(Lookups, enumerate_children) {
    Store s;
    appendLevels(s, {0, 1, 2, 1, 1, 2, 2, 0, 1});
    prepare(s);
    struct Case {
        int32_t parent;
        int32_t stopAt;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {-1, -1, {0, 7}}, {0, -1, {1, 3, 4}}, {0, 3, {1, 3}}, {4, -1, {5, 6}},
        {2, -1, {}},      {7, -1, {8}},       {-1, 0, {0}},   {0, 99, {1, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parent);
        ItemIndexList out;
        ItemCursor pc;
        std::vector<ItemCursor> cursors;
        EXPECT_EQ(s.enumerateChildren(c.parent, out, pc, cursors, c.stopAt),
                  static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(out, c.expected);
        ASSERT_EQ(cursors.size(), c.expected.size());
        for (size_t k = 0; k < out.size(); ++k) {
            ItemCursor fresh;
            s.locateItem(out[k], fresh, -1);
            EXPECT_EQ(cursors[k], fresh);
        }
    }
}

TEST_P(Lookups, random_trees_match_a_plain_model) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 30; ++round) {
        Store s;
        LevelModel m;
        m.lv = randomLevels(rng, 1 + rng() % 120, 1 + static_cast<int32_t>(rng() % 8));
        appendLevels(s, m.lv);
        prepare(s);
        ASSERT_EQ(s.itemCount(), m.n());
        ItemCursor walk;
        for (int32_t k = 0; k < m.n(); ++k) {
            SCOPED_TRACE(testing::Message() << "round " << round << " item " << k);
            // Sequential walk with the previous cursor.
            ASSERT_TRUE(s.locateItem(k, walk, k - 1));
            EXPECT_EQ(walk[2], m.lv[k]);
            ItemCursor c = walk;
            EXPECT_EQ(s.getText(k, c), u16("item" + std::to_string(k)));
            EXPECT_EQ(s.getLevel(k), m.lv[k]);
            EXPECT_EQ(s.getParent(k), m.parent(k));
            EXPECT_EQ(s.previousSibling(k), m.prevSibling(k));
            EXPECT_EQ(s.nextSibling(k), m.nextSibling(k));
            EXPECT_EQ(s.getDescendants(k), m.descendants(k));
            EXPECT_EQ(s.hasChildren(k), k + 1 < m.n() && m.lv[k + 1] == m.lv[k] + 1);
            ItemIndexList kids;
            s.enumerateChildren(k, kids);
            EXPECT_EQ(kids, m.children(k));
        }
        ItemIndexList top;
        s.enumerateChildren(-1, top);
        EXPECT_EQ(top, m.children(-1));
    }
}

} // namespace
