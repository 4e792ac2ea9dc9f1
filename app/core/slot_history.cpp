#include "app/core/slot_history.h"

#include <limits>

namespace rg_Korrin_ChengXu {

rg_CaoWeiLiShi::rg_CaoWeiLiShi(int32_t slots, size_t maxSteps, size_t budget)
    : slots_(size_t(slots > 0 ? slots : 0)), maxSteps_(maxSteps > 0 ? maxSteps : 1), budget_(budget) {}

void rg_CaoWeiLiShi::setBudget(size_t bytes) {
    budget_ = bytes;
    enforceBudget(-1, true);
}

void rg_CaoWeiLiShi::record(int32_t slot, std::unique_ptr<rg_LiShiNeiRong> payload) {
    if (!valid(slot) || !payload) return;
    Lists& l = slots_[size_t(slot)];
    for (const Entry& e : l.redo)
        total_ -= e.bytes;
    l.redo.clear();
    Entry e;
    e.bytes = payload->bytes();
    e.payload = std::move(payload);
    e.serial = nextSerial_++;
    e.before = l.state;
    e.after = nextState_++;
    l.state = e.after;
    total_ += e.bytes;
    l.undo.push_back(std::move(e));
    while (l.undo.size() > maxSteps_) {
        total_ -= l.undo.front().bytes;
        l.undo.pop_front();
    }
    enforceBudget(slot, true);
}

bool rg_CaoWeiLiShi::canUndo(int32_t slot) const {
    return valid(slot) && !slots_[size_t(slot)].undo.empty();
}
bool rg_CaoWeiLiShi::canRedo(int32_t slot) const {
    return valid(slot) && !slots_[size_t(slot)].redo.empty();
}
size_t rg_CaoWeiLiShi::undoCount(int32_t slot) const {
    return valid(slot) ? slots_[size_t(slot)].undo.size() : 0;
}
size_t rg_CaoWeiLiShi::redoCount(int32_t slot) const {
    return valid(slot) ? slots_[size_t(slot)].redo.size() : 0;
}

rg_LiShiNeiRong* rg_CaoWeiLiShi::undoTop(int32_t slot) {
    return canUndo(slot) ? slots_[size_t(slot)].undo.back().payload.get() : nullptr;
}

rg_LiShiNeiRong* rg_CaoWeiLiShi::redoTop(int32_t slot) {
    return canRedo(slot) ? slots_[size_t(slot)].redo.back().payload.get() : nullptr;
}

void rg_CaoWeiLiShi::move(int32_t slot, bool undo) {
    Lists& l = slots_[size_t(slot)];
    std::deque<Entry>& from = undo ? l.undo : l.redo;
    std::deque<Entry>& to = undo ? l.redo : l.undo;
    if (from.empty()) return;
    Entry e = std::move(from.back());
    from.pop_back();
    l.state = undo ? e.before : e.after;
    total_ -= e.bytes;
    e.bytes = e.payload->bytes();
    total_ += e.bytes;
    to.push_back(std::move(e));
    enforceBudget(slot, !undo);
}

void rg_CaoWeiLiShi::finishUndo(int32_t slot) {
    if (valid(slot)) move(slot, true);
}

void rg_CaoWeiLiShi::finishRedo(int32_t slot) {
    if (valid(slot)) move(slot, false);
}

void rg_CaoWeiLiShi::clear(int32_t slot) {
    if (!valid(slot)) return;
    Lists& l = slots_[size_t(slot)];
    for (const Entry& e : l.undo)
        total_ -= e.bytes;
    for (const Entry& e : l.redo)
        total_ -= e.bytes;
    l.undo.clear();
    l.redo.clear();
    // A fresh state: what the file held is not known to match it unless told again.
    const bool wasClean = l.clean == l.state;
    l.state = nextState_++;
    l.clean = wasClean ? l.state : 0;
}

void rg_CaoWeiLiShi::enforceBudget(int32_t keepSlot, bool keepInUndo) {
    while (total_ > budget_) {
        // The oldest undo entry anywhere, else the farthest redo entry, sparing the kept one.
        std::deque<Entry>* victim = nullptr;
        uint64_t oldest = std::numeric_limits<uint64_t>::max();
        for (size_t i = 0; i < slots_.size(); ++i) {
            std::deque<Entry>& u = slots_[i].undo;
            if (u.empty()) continue;
            if (int32_t(i) == keepSlot && keepInUndo && u.size() == 1) continue;
            if (u.front().serial < oldest) {
                oldest = u.front().serial;
                victim = &u;
            }
        }
        if (!victim) {
            for (size_t i = 0; i < slots_.size() && !victim; ++i) {
                std::deque<Entry>& r = slots_[i].redo;
                if (r.empty() || (int32_t(i) == keepSlot && !keepInUndo && r.size() == 1)) continue;
                victim = &r;
            }
        }
        if (!victim && keepSlot >= 0) {
            // Only the kept entry is left, and it alone is above the budget.
            Lists& l = slots_[size_t(keepSlot)];
            victim = keepInUndo ? &l.undo : &l.redo;
            if (victim->empty()) victim = nullptr;
        }
        if (!victim) return;
        total_ -= victim->front().bytes;
        victim->pop_front();
    }
}

uint64_t rg_CaoWeiLiShi::stateId(int32_t slot) const {
    return valid(slot) ? slots_[size_t(slot)].state : 0;
}

void rg_CaoWeiLiShi::markClean(int32_t slot) {
    if (valid(slot)) slots_[size_t(slot)].clean = slots_[size_t(slot)].state;
}

void rg_CaoWeiLiShi::markUnknown(int32_t slot) {
    if (valid(slot)) slots_[size_t(slot)].clean = 0;
}

bool rg_CaoWeiLiShi::isClean(int32_t slot) const {
    return valid(slot) && slots_[size_t(slot)].clean == slots_[size_t(slot)].state;
}

} // namespace rg_Korrin_ChengXu
