// The background index workers: what they build, superseded runs, buffer snapshots while the UI
// thread edits, and shutdown. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <random>

#include "tree/item_record.h"
#include "tree_test_util.h"

using namespace tree_test;
using rg_TolvarMingLingJi_ChuangKouZuJian::kTreeIndexKinds;

namespace {

// ThreadSanitizer makes every memory access several times dearer: the large cases shrink there.
#if defined(__SANITIZE_THREAD__)
constexpr int32_t kLargeStore = 100000;
constexpr int kEditSteps = 100;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr int32_t kLargeStore = 100000;
constexpr int kEditSteps = 100;
#else
constexpr int32_t kLargeStore = 1000000;
constexpr int kEditSteps = 300;
#endif
#else
constexpr int32_t kLargeStore = 1000000;
constexpr int kEditSteps = 300;
#endif

bool allCurrent(const Store& s) {
    for (int k = 0; k < kTreeIndexKinds; ++k)
        if (!s.isIndexCurrent(static_cast<TreeIndexKind>(k))) return false;
    return true;
}

// A store of n items with random levels, appended in one block of records.
LevelModel fillRandom(Store& s, std::mt19937& rng, int32_t n, int32_t maxDepth) {
    LevelModel m;
    m.lv = randomLevels(rng, static_cast<size_t>(n), maxDepth);
    s.clearItems();
    s.appendTopItem(u"n0", 0);
    CKorMem records;
    for (int32_t k = 1; k < n; ++k)
        Store::appendRecord(records, u16("n" + std::to_string(k)), 2, m.lv[k]);
    ItemCursor c;
    EXPECT_EQ(s.replaceSubtree(0, 2, records, n - 1, c), 0);
    // Item 0's children are whatever the random levels made of them; the list is still valid.
    EXPECT_EQ(s.itemCount(), n);
    return m;
}

void expectMatchesModel(const Store& s, const LevelModel& m, std::mt19937& rng, int samples) {
    for (int t = 0; t < samples; ++t) {
        const int32_t k = static_cast<int32_t>(rng() % static_cast<uint32_t>(m.n()));
        ASSERT_EQ(s.getLevel(k), m.lv[k]) << k;
        ASSERT_EQ(s.getParent(k), m.parent(k)) << k;
        ASSERT_EQ(s.previousSibling(k), m.prevSibling(k)) << k;
        ASSERT_EQ(s.nextSibling(k), m.nextSibling(k)) << k;
        ASSERT_EQ(s.getDescendants(k), m.descendants(k)) << k;
    }
}

TEST(tree_workers, build_the_four_indexes) {
    Store s;
    appendLevels(s, {0, 1, 2, 1, 2, 0});
    EXPECT_FALSE(allCurrent(s));
    s.startIndexWorkers();
    s.waitForIndexWorkers();
    ASSERT_TRUE(allCurrent(s));
    EXPECT_EQ(*s.indexArray(TreeIndexKind::Parent), (std::vector<int32_t>{-1, 0, 1, 0, 3, -1}));
    EXPECT_EQ(*s.indexArray(TreeIndexKind::Sibling), (std::vector<int32_t>{-1, -1, -1, 1, -1, 0}));
    EXPECT_EQ(*s.indexArray(TreeIndexKind::Sibling, 1), (std::vector<int32_t>{5, 3, 0, 0, 0, 0}));
    EXPECT_EQ(*s.indexArray(TreeIndexKind::SubtreeEnd), (std::vector<int32_t>{4, 2, 0, 4, 0, 0}));
    EXPECT_EQ(s.indexArray(TreeIndexKind::Offset)->size(), 6u);
    EXPECT_EQ((*s.indexArray(TreeIndexKind::Offset))[0], 0);
}

TEST(tree_workers, unchanged_length_starts_nothing) {
    Store s;
    appendLevels(s, {0, 1, 1});
    s.startIndexWorkers();
    s.waitForIndexWorkers();
    ASSERT_TRUE(allCurrent(s));
    s.startIndexWorkers();
    EXPECT_EQ(s.liveIndexRuns(), 0u);
    ItemCursor c;
    s.setItem(1, std::nullopt, Store::kKeepImage, 3, 1, c, true); // expand and check bytes only
    s.startIndexWorkers();
    EXPECT_EQ(s.liveIndexRuns(), 0u);
    EXPECT_TRUE(allCurrent(s));
}

TEST(tree_workers, index_stays_unused_until_its_run_completes) {
    Store s;
    std::mt19937 rng(5);
    const LevelModel m = fillRandom(s, rng, 20000, 8);
    s.startIndexWorkers();
    // Whether or not the run has finished, every answer is right.
    expectMatchesModel(s, m, rng, 200);
    s.waitForIndexWorkers();
    EXPECT_TRUE(allCurrent(s));
    expectMatchesModel(s, m, rng, 500);
}

TEST(tree_workers, superseded_runs_never_publish) {
    Store s;
    std::mt19937 rng(11);
    fillRandom(s, rng, 30000, 6);
    s.startIndexWorkers(); // run 1
    ItemCursor c;
    s.insertItem(-1, u"late", 0, 0, 0, c);
    s.startIndexWorkers(); // run 2 supersedes run 1
    c.clear();
    s.insertItem(-1, u"later", 0, 0, 0, c);
    s.startIndexWorkers(); // run 3, the last
    s.waitForIndexWorkers();
    ASSERT_TRUE(allCurrent(s));
    EXPECT_EQ(s.indexArray(TreeIndexKind::Parent)->size(), static_cast<size_t>(s.itemCount()));
    EXPECT_EQ(s.getText(s.itemCount() - 1), u"later");
    EXPECT_EQ(s.getParent(s.itemCount() - 1), -1);
    EXPECT_EQ(s.previousSibling(s.itemCount() - 1), s.itemCount() - 2);
}

TEST(tree_workers, edits_while_workers_read_a_snapshot) {
    std::mt19937 rng(21);
    Store s;
    LevelModel m = fillRandom(s, rng, 2000, 6);
    for (int step = 0; step < kEditSteps; ++step) {
        s.startIndexWorkers();
        ItemCursor c;
        const int32_t i = static_cast<int32_t>(rng() % static_cast<uint32_t>(s.itemCount()));
        switch (rng() % 5) {
        case 0: { // a child at the end of i's subtree
            const int32_t idx = s.insertItem(i, u"ins", 2, 0, 0, c);
            m.lv.insert(m.lv.begin() + idx, m.lv[i] + 1);
            break;
        }
        case 1: // text of another length
            s.setText(i, u16(std::string(rng() % 9, 'x')), c);
            break;
        case 2: // in-place bytes while a run may hold the buffer
            s.setItem(i, std::nullopt, Store::kKeepImage, -2, -2, c, true);
            break;
        case 3: { // drop the descendants
            CKorMem none;
            const int32_t d = s.replaceSubtree(i, 2, none, 0, c);
            m.lv.erase(m.lv.begin() + i + 1, m.lv.begin() + i + 1 + d);
            break;
        }
        default:
            s.setExpanded(c, i, true, true);
            break;
        }
        ASSERT_EQ(s.itemCount(), m.n());
        expectMatchesModel(s, m, rng, 3);
    }
    s.startIndexWorkers();
    s.waitForIndexWorkers();
    EXPECT_TRUE(allCurrent(s));
    expectMatchesModel(s, m, rng, 300);
}

TEST(tree_workers, destroying_the_store_stops_its_workers) {
    std::mt19937 rng(3);
    for (int round = 0; round < 3; ++round) {
        Store s;
        fillRandom(s, rng, 20000, 10);
        s.startIndexWorkers();
        ItemCursor c;
        s.insertItem(-1, u"x", 0, 0, 0, c);
        s.startIndexWorkers();
        // The store goes out of scope with runs in flight; its destructor cancels and joins them.
    }
}

TEST(tree_workers, million_items_then_a_burst_of_edits) {
    std::mt19937 rng(77);
    Store s;
    LevelModel m = fillRandom(s, rng, kLargeStore, 12);
    s.startIndexWorkers();
    for (int step = 0; step < 12; ++step) {
        ItemCursor c;
        const int32_t i = static_cast<int32_t>(rng() % static_cast<uint32_t>(s.itemCount()));
        if (step % 3 == 0) {
            const int32_t idx = s.insertItem(i, u"burst", 2, 0, 0, c);
            m.lv.insert(m.lv.begin() + idx, m.lv[i] + 1);
        } else if (step % 3 == 1) {
            s.setItem(i, std::nullopt, Store::kKeepImage, -2, -2, c, true);
        } else {
            s.setText(i, u"renamed", c);
        }
        s.startIndexWorkers();
    }
    s.waitForIndexWorkers();
    ASSERT_TRUE(allCurrent(s));
    ASSERT_EQ(s.itemCount(), m.n());
    // Spot checks near the end, where scanning would be slowest.
    for (int32_t k = m.n() - 50; k < m.n(); ++k) {
        ASSERT_EQ(s.getParent(k), m.parent(k));
        ASSERT_EQ(s.getLevel(k), m.lv[k]);
    }
}

TEST(tree_workers, shared_index_outlives_later_changes) {
    Store s;
    appendLevels(s, {0, 1, 1});
    EXPECT_EQ(s.sharedIndex(TreeIndexKind::Parent), nullptr);
    s.startIndexWorkers();
    s.waitForIndexWorkers();
    auto parents = s.sharedIndex(TreeIndexKind::Parent);
    ASSERT_NE(parents, nullptr);
    ItemCursor c;
    s.insertItem(-1, u"more", 0, 0, 0, c);
    EXPECT_EQ(s.sharedIndex(TreeIndexKind::Parent), nullptr); // stale for the new buffer
    s.buildIndexesNow();
    // The build taken earlier is still readable and still describes the old buffer.
    EXPECT_EQ(parents->values, (std::vector<int32_t>{-1, 0, 0}));
    EXPECT_EQ(s.sharedIndex(TreeIndexKind::Parent)->values, (std::vector<int32_t>{-1, 0, 0, -1}));
}

} // namespace
