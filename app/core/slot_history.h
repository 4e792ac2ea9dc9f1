// Undo history of the tree slots: per slot an undo list and a redo list of document changes, a
// step limit per slot and one memory budget shared by all slots.
//
// An entry's payload is the window's business (rg_LiShiNeiRong): applying it swaps what it keeps
// with what the slot holds, so the same payload, moved to the other list, undoes its own undo.
// The history only orders, counts and evicts entries; it never reads documents.
//
// States: every document state a slot reaches through recorded changes has an id. The clean id
// names the state the slot file holds (0: none of them, e.g. after a failed write); the window
// asks isClean() after an undo or redo to set the slot's dirty flag.
//
// Budget: bytes() of every payload in every list count against one budget. When a record or an
// apply passes it, the oldest entries go first: the bottoms of the undo lists (oldest first, in
// any slot), then the far ends of the redo lists. The entry just recorded or applied is kept
// while anything else can go; alone above the budget it goes too (the caller asks fits() first).
//
// Ownership: the history owns the payloads. Thread: one thread (the UI thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace rg_Korrin_ChengXu {

// What an entry keeps to restore a slot; the window's entry kinds derive from it.
class rg_LiShiNeiRong {
public:
    virtual ~rg_LiShiNeiRong() = default;
    // Bytes charged to the budget (what the payload holds now).
    virtual size_t bytes() const = 0;
};

class rg_CaoWeiLiShi {
public:
    static constexpr size_t kDefaultMaxSteps = 100;
    static constexpr size_t kDefaultBudget = size_t(256) << 20;

    explicit rg_CaoWeiLiShi(int32_t slots, size_t maxSteps = kDefaultMaxSteps,
                            size_t budget = kDefaultBudget);

    int32_t slotCount() const { return int32_t(slots_.size()); }
    size_t maxSteps() const { return maxSteps_; }
    size_t budget() const { return budget_; }
    void setBudget(size_t bytes);
    size_t totalBytes() const { return total_; }
    // Whether a payload of `bytes` can be kept at all.
    bool fits(size_t bytes) const { return bytes <= budget_; }

    // Records a change made to slot `slot`: the redo list is cleared, the entry goes on top of the
    // undo list, the step limit and the budget are enforced.
    void record(int32_t slot, std::unique_ptr<rg_LiShiNeiRong> payload);
    bool canUndo(int32_t slot) const;
    bool canRedo(int32_t slot) const;
    size_t undoCount(int32_t slot) const;
    size_t redoCount(int32_t slot) const;
    // The payload an undo (redo) applies, nullptr when there is none. The caller applies it, then
    // calls finishUndo (finishRedo), which moves it to the other list and charges its new size.
    rg_LiShiNeiRong* undoTop(int32_t slot);
    rg_LiShiNeiRong* redoTop(int32_t slot);
    void finishUndo(int32_t slot);
    void finishRedo(int32_t slot);
    // Drops both lists of the slot (the document changed in a way that was not recorded).
    void clear(int32_t slot);

    // The id of the slot's current state.
    uint64_t stateId(int32_t slot) const;
    // The slot file holds the current state / none of the recorded states.
    void markClean(int32_t slot);
    void markUnknown(int32_t slot);
    bool isClean(int32_t slot) const;

private:
    struct Entry {
        std::unique_ptr<rg_LiShiNeiRong> payload;
        size_t bytes = 0;
        uint64_t serial = 0; // record order, for oldest-first eviction
        uint64_t before = 0; // state id before the change
        uint64_t after = 0;  // state id after it
    };
    struct Lists {
        std::deque<Entry> undo; // back = most recent
        std::deque<Entry> redo; // back = next to redo
        uint64_t state = 1;
        uint64_t clean = 1;
    };
    void move(int32_t slot, bool undo);
    void enforceBudget(int32_t keepSlot, bool keepInUndo);
    bool valid(int32_t slot) const { return slot >= 0 && size_t(slot) < slots_.size(); }

    std::vector<Lists> slots_;
    size_t maxSteps_;
    size_t budget_;
    size_t total_ = 0;
    uint64_t nextSerial_ = 1;
    uint64_t nextState_ = 2;
};

} // namespace rg_Korrin_ChengXu
