// The slot history: undo and redo lists, step limit, shared budget with oldest-first eviction,
// redo clearing and the clean state.
#include <gtest/gtest.h>

#include <memory>

#include "app/core/slot_history.h"

using rg_Korrin_ChengXu::rg_CaoWeiLiShi;
using rg_Korrin_ChengXu::rg_LiShiNeiRong;

namespace {

// A payload that swaps a value with the slot's value, like the window's entries do.
struct Swap final : rg_LiShiNeiRong {
    int* target;
    int kept;
    size_t size;
    Swap(int* t, int k, size_t s) : target(t), kept(k), size(s) {}
    size_t bytes() const override { return size; }
    void apply() { std::swap(*target, kept); }
};

// Changes *value to `to`, recording the change.
void change(rg_CaoWeiLiShi& h, int32_t slot, int* value, int to, size_t size = 8) {
    auto p = std::make_unique<Swap>(value, *value, size);
    *value = to;
    h.record(slot, std::move(p));
}

bool undo(rg_CaoWeiLiShi& h, int32_t slot) {
    auto* p = static_cast<Swap*>(h.undoTop(slot));
    if (!p) return false;
    p->apply();
    h.finishUndo(slot);
    return true;
}

bool redo(rg_CaoWeiLiShi& h, int32_t slot) {
    auto* p = static_cast<Swap*>(h.redoTop(slot));
    if (!p) return false;
    p->apply();
    h.finishRedo(slot);
    return true;
}

} // namespace

TEST(slot_history, undo_redo_walk_back_and_forth) {
    rg_CaoWeiLiShi h(2);
    int v = 0;
    for (int i = 1; i <= 5; ++i)
        change(h, 0, &v, i);
    for (int k = 1; k <= 5; ++k) {
        ASSERT_TRUE(undo(h, 0));
        EXPECT_EQ(v, 5 - k);
    }
    EXPECT_FALSE(undo(h, 0)); // empty history: nothing happens
    EXPECT_EQ(v, 0);
    for (int k = 1; k <= 5; ++k) {
        ASSERT_TRUE(redo(h, 0));
        EXPECT_EQ(v, k);
    }
    EXPECT_FALSE(redo(h, 0));
    EXPECT_FALSE(h.canUndo(1));
    EXPECT_FALSE(undo(h, 7)); // no such slot
    EXPECT_FALSE(redo(h, -1));
}

TEST(slot_history, new_change_clears_redo) {
    rg_CaoWeiLiShi h(1);
    int v = 0;
    change(h, 0, &v, 1);
    change(h, 0, &v, 2);
    undo(h, 0);
    EXPECT_EQ(h.redoCount(0), 1u);
    change(h, 0, &v, 3);
    EXPECT_EQ(h.redoCount(0), 0u);
    EXPECT_EQ(h.totalBytes(), 16u);
    undo(h, 0);
    EXPECT_EQ(v, 1);
}

TEST(slot_history, step_limit_drops_oldest) {
    rg_CaoWeiLiShi h(1, 100);
    int v = 0;
    for (int i = 1; i <= 150; ++i)
        change(h, 0, &v, i);
    EXPECT_EQ(h.undoCount(0), 100u);
    EXPECT_EQ(h.totalBytes(), 800u);
    while (undo(h, 0)) {
    }
    EXPECT_EQ(v, 50);
}

TEST(slot_history, budget_evicts_oldest_across_slots) {
    rg_CaoWeiLiShi h(3, 100, 100);
    int a = 0, b = 0;
    change(h, 0, &a, 1, 40); // oldest
    change(h, 1, &b, 1, 40);
    change(h, 0, &a, 2, 40); // 120 > 100: slot 0's first entry goes
    EXPECT_EQ(h.totalBytes(), 80u);
    EXPECT_EQ(h.undoCount(0), 1u);
    EXPECT_EQ(h.undoCount(1), 1u);
    change(h, 1, &b, 2, 40); // slot 1's first goes
    EXPECT_EQ(h.undoCount(1), 1u);
    EXPECT_EQ(h.undoCount(0), 1u);
    ASSERT_TRUE(undo(h, 0));
    EXPECT_EQ(a, 1);
    EXPECT_FALSE(undo(h, 0));
}

TEST(slot_history, entry_larger_than_budget_is_not_kept) {
    rg_CaoWeiLiShi h(1, 100, 100);
    int v = 0;
    EXPECT_FALSE(h.fits(101));
    EXPECT_TRUE(h.fits(100));
    change(h, 0, &v, 1, 10);
    change(h, 0, &v, 2, 500);
    EXPECT_EQ(h.undoCount(0), 0u);
    EXPECT_EQ(h.totalBytes(), 0u);
}

TEST(slot_history, lowering_the_budget_evicts) {
    rg_CaoWeiLiShi h(2, 100, 1000);
    int a = 0;
    for (int i = 1; i <= 10; ++i)
        change(h, 0, &a, i, 50);
    h.setBudget(120);
    EXPECT_EQ(h.undoCount(0), 2u);
    EXPECT_LE(h.totalBytes(), 120u);
}

TEST(slot_history, clean_state_follows_undo_and_redo) {
    struct Row {
        const char* name;
        int writtenAfter; // changes made before the write
        int undos;
        bool clean;
    };
    const Row rows[] = {
        {"written_then_undo_is_dirty", 2, 1, false},  {"undo_back_to_written", 2, 0, true},
        {"written_in_middle_undo_to_it", 1, 1, true}, {"written_at_start_undo_all", 0, 2, true},
        {"written_at_start_undo_one", 0, 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        rg_CaoWeiLiShi h(1);
        int v = 0;
        for (int i = 1; i <= 2; ++i) {
            if (i - 1 == r.writtenAfter) h.markClean(0);
            change(h, 0, &v, i);
        }
        if (r.writtenAfter == 2) h.markClean(0);
        // The write happened after some changes; undo back past them and redo to the end.
        for (int k = 0; k < r.undos; ++k)
            ASSERT_TRUE(undo(h, 0));
        EXPECT_EQ(h.isClean(0), r.clean);
        while (redo(h, 0)) {
        }
        EXPECT_EQ(h.isClean(0), r.writtenAfter == 2);
    }
}

TEST(slot_history, failed_write_is_never_clean) {
    rg_CaoWeiLiShi h(1);
    int v = 0;
    change(h, 0, &v, 1);
    h.markUnknown(0);
    undo(h, 0);
    EXPECT_FALSE(h.isClean(0));
    redo(h, 0);
    EXPECT_FALSE(h.isClean(0));
}

TEST(slot_history, clear_keeps_cleanness_of_the_current_state) {
    rg_CaoWeiLiShi h(1);
    int v = 0;
    change(h, 0, &v, 1);
    h.markClean(0);
    h.clear(0);
    EXPECT_TRUE(h.isClean(0));
    EXPECT_FALSE(h.canUndo(0));
    EXPECT_EQ(h.totalBytes(), 0u);
    change(h, 0, &v, 2);
    h.clear(0);
    EXPECT_FALSE(h.isClean(0));
}

TEST(slot_history, payload_size_is_charged_again_after_apply) {
    // A payload holds the other side after an apply; its new size is what counts.
    struct Growing final : rg_LiShiNeiRong {
        size_t size = 10;
        size_t bytes() const override { return size; }
    };
    rg_CaoWeiLiShi h(1, 100, 1000);
    h.record(0, std::make_unique<Growing>());
    EXPECT_EQ(h.totalBytes(), 10u);
    static_cast<Growing*>(h.undoTop(0))->size = 300;
    h.finishUndo(0);
    EXPECT_EQ(h.totalBytes(), 300u);
    EXPECT_EQ(h.redoCount(0), 1u);
}
