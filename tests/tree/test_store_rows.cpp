// Reading rows from the tree item store: what ItemRow says of each item agrees with the per-item
// getters, nextVisibleRow visits exactly the row list, and positions step record by record, with
// and without the derived indexes.
#include <gtest/gtest.h>

#include <random>

#include "tree_test_util.h"

using namespace tree_test;
using rg_TolvarMingLingJi_ChuangKouZuJian::ItemPosition;
using rg_TolvarMingLingJi_ChuangKouZuJian::ItemRow;

namespace {

// Item k collapsed when collapse(k); other items with children expanded. Some get other images,
// check states and longer texts so that every field is exercised.
void buildTree(Store& s, const std::vector<int32_t>& levels, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<CWString> texts;
    for (size_t k = 0; k < levels.size(); ++k)
        texts.push_back(u16("n" + std::string(rng() % 12, 'x') + std::to_string(k)));
    appendLevels(s, levels, &texts);
    for (int32_t k = 0; k < s.itemCount(); ++k) {
        ItemCursor c;
        const int32_t expand = (rng() % 3 == 0 ? 0 : 2) | static_cast<int32_t>(rng() % 2);
        s.setItem(k, std::nullopt, static_cast<int32_t>(rng() % 4) - 1, expand,
                  static_cast<int32_t>(rng() % 4), c, true);
    }
}

void expectRowMatchesGetters(const Store& s, const ItemRow& row) {
    const int32_t k = row.item;
    ItemCursor c;
    ASSERT_TRUE(s.locateItem(k, c, -1));
    EXPECT_EQ(row.position.start, c[0]) << k;
    EXPECT_EQ(row.position.end(), c[1]) << k;
    EXPECT_EQ(row.level, s.getLevel(k)) << k;
    EXPECT_EQ(row.image, s.getImage(k)) << k;
    ItemCursor c2;
    EXPECT_EQ(row.selectedImage, s.getSelectedImage(k, c2)) << k;
    EXPECT_EQ(row.textColour, s.getTextColour(k, c2)) << k;
    EXPECT_EQ(row.backColour, s.getBackColour(k, c2)) << k;
    EXPECT_EQ(row.expandState, s.getExpandState(k)) << k;
    EXPECT_EQ(row.checkState, s.getCheckState(k)) << k;
    EXPECT_EQ(row.hasChildren, s.hasChildren(k)) << k;
    CWString text;
    s.readRowText(row, SIZE_MAX, text);
    EXPECT_EQ(text, s.getText(k)) << k;
    EXPECT_EQ(row.textUnits, text.size()) << k;
    CWString head;
    s.readRowText(row, 2, head);
    EXPECT_EQ(head, text.substr(0, 2)) << k;
}

} // namespace

TEST(tree_store_rows, rows_follow_the_row_list) {
    struct Case {
        const char* name;
        std::vector<int32_t> levels;
    };
    std::mt19937 rng(7);
    const std::vector<Case> cases = {
        {"one item", {0}},
        {"flat", {0, 1, 1, 1, 1}},
        {"deep chain", {0, 1, 2, 3, 4, 5}},
        {"several top items", {0, 1, 0, 1, 2, 0}},
        {"random 300", randomLevels(rng, 300, 6)},
        {"random 2000", randomLevels(rng, 2000, 12)},
    };
    for (const Case& tc : cases) {
        for (const bool indexed : {false, true}) {
            SCOPED_TRACE(std::string(tc.name) + (indexed ? " indexed" : " scanned"));
            Store s;
            buildTree(s, tc.levels, 11);
            if (indexed) s.buildIndexesNow();
            s.ensureRowList();
            ASSERT_GT(s.rowCount(), 0);

            // Every row from the first, then from a row in the middle.
            for (const int32_t firstRow : {0, s.rowCount() / 2}) {
                const int32_t first = s.itemAtRow(firstRow);
                ItemPosition pos;
                ASSERT_TRUE(s.locatePosition(first, pos, -1));
                ItemRow row;
                ASSERT_TRUE(s.readRow(first, pos, row));
                int32_t r = firstRow;
                do {
                    ASSERT_EQ(row.item, s.itemAtRow(r)) << "row " << r;
                    expectRowMatchesGetters(s, row);
                    ++r;
                } while (s.nextVisibleRow(row));
                EXPECT_EQ(r, s.rowCount());
                EXPECT_EQ(row.item, s.itemAtRow(s.rowCount() - 1)); // unchanged at the end
            }
        }
    }
}

TEST(tree_store_rows, positions_step_record_by_record) {
    std::mt19937 rng(3);
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "indexed" : "scanned");
        Store s;
        buildTree(s, randomLevels(rng, 500, 8), 5);
        if (indexed) s.buildIndexesNow();
        std::vector<ItemPosition> all(static_cast<size_t>(s.itemCount()));
        for (int32_t k = 0; k < s.itemCount(); ++k)
            ASSERT_TRUE(s.locatePosition(k, all[size_t(k)], -1));
        for (int32_t k = 0; k < s.itemCount(); ++k) {
            ItemPosition next, before;
            const bool hasNext = s.positionAfter(all[size_t(k)], next);
            EXPECT_EQ(hasNext, k + 1 < s.itemCount()) << k;
            if (hasNext) {
                EXPECT_EQ(next.start, all[size_t(k) + 1].start) << k;
                EXPECT_EQ(next.sep, all[size_t(k) + 1].sep) << k;
                EXPECT_EQ(next.level, all[size_t(k) + 1].level) << k;
            }
            const bool hasBefore = s.positionBefore(all[size_t(k)], before);
            EXPECT_EQ(hasBefore, k > 0) << k;
            if (hasBefore) {
                EXPECT_EQ(before.start, all[size_t(k) - 1].start) << k;
                EXPECT_EQ(before.sep, all[size_t(k) - 1].sep) << k;
            }
            // A scan from an earlier known position finds the same record.
            const int32_t from = static_cast<int32_t>(rng() % static_cast<uint32_t>(k + 1));
            ItemPosition p = all[size_t(from)];
            ASSERT_TRUE(s.locatePosition(k, p, from));
            EXPECT_EQ(p.start, all[size_t(k)].start) << k;
            EXPECT_EQ(p.sep, all[size_t(k)].sep) << k;
        }
    }
}

TEST(tree_store_rows, bad_positions_and_items_are_refused) {
    Store s;
    appendLevels(s, {0, 1, 1});
    ItemPosition p;
    ASSERT_TRUE(s.locatePosition(1, p, -1));
    ItemRow row;
    EXPECT_FALSE(s.readRow(-1, p, row));
    EXPECT_FALSE(s.readRow(3, p, row));
    ItemPosition shifted = p;
    shifted.start += 2; // not a record start
    EXPECT_FALSE(s.readRow(1, shifted, row));
    ItemPosition past = p;
    past.sep = s.bufferLength(); // past the end
    EXPECT_FALSE(s.readRow(1, past, row));
    EXPECT_FALSE(s.readRow(1, ItemPosition{}, row));
    EXPECT_EQ(row.item, -1); // untouched by the refusals
    ItemPosition none;
    EXPECT_FALSE(s.locatePosition(3, none, -1));
    EXPECT_FALSE(none.isSet());
    EXPECT_FALSE(s.positionAfter(ItemPosition{}, none));
}
