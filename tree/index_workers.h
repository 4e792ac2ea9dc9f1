// Derived indexes of the tree item store and the background workers that build them.
//
// Four indexes describe a record buffer (item_record.h) of a given version:
//   offsetIndex      start offset of each item's record
//   parentIndex      parent of each item, -1 for top-level items
//   siblingIndex     previous sibling (-1 none) and, as a second array, next sibling (0 none)
//   subtreeEndIndex  last descendant of each item, 0 when it has none
// They are plain int32 arrays with one entry per item.
//
// IndexWorkerPool runs the builds. Each run owns a snapshot of the buffer (a shared, never
// written CKorMem: the store copies its buffer before changing it while a run still holds it),
// builds arrays of its own in one pass and, unless a newer run superseded it meanwhile, publishes
// them under a mutex together with the buffer version they describe. A newer run supersedes all
// older ones; they notice at their next check and end without publishing. The pool never blocks
// its caller on a worker except in waitAll() (tests, benchmarks) and in its destructor, which
// cancels every run and joins its thread.
//
// Thread: every member function is for the owning (UI) thread; workers touch only their run and,
// under the mutex, the published results.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "runtime/kor_mem.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

// The four derived indexes, in the order a redraw starts their builds.
enum class TreeIndexKind : int { Offset = 0, SubtreeEnd = 1, Parent = 2, Sibling = 3 };
inline constexpr int kTreeIndexKinds = 4;
inline constexpr unsigned kAllTreeIndexes = 0xF;
inline constexpr unsigned treeIndexBit(TreeIndexKind k) {
    return 1u << static_cast<int>(k);
}

// One built index: the buffer version it describes and its array(s).
struct BuiltTreeIndex {
    uint64_t version = 0;
    std::vector<int32_t> values; // offsets, parents, previous siblings or subtree ends
    std::vector<int32_t> next;   // next siblings (Sibling only)
};

using TreeIndexSet = std::array<std::shared_ptr<const BuiltTreeIndex>, kTreeIndexKinds>;

namespace detail {

// Builds the indexes named by `mask` from a buffer holding exactly `itemCount` records, in one
// pass, on the calling thread. False when the buffer is empty or does not hold `itemCount`
// records; `out` then keeps what it had.
bool buildTreeIndexesNow(const uint8_t* data, int64_t size, int32_t itemCount, unsigned mask,
                         uint64_t version, TreeIndexSet& out);

} // namespace detail

class IndexWorkerPool {
public:
    IndexWorkerPool() = default;
    IndexWorkerPool(const IndexWorkerPool&) = delete;
    IndexWorkerPool& operator=(const IndexWorkerPool&) = delete;
    ~IndexWorkerPool();

    // Starts one run building `mask` for `snapshot` (which must never be written again while the
    // run holds it). Supersedes every older run. False when no thread could be started.
    bool start(std::shared_ptr<const CKorMem> snapshot, int32_t itemCount, uint64_t version, unsigned mask);
    // Installs indexes built by the caller as the published ones, superseding every run.
    void install(const TreeIndexSet& built, unsigned mask);
    // Copies the published indexes into `out` if they changed since `seenSequence`; true then.
    bool fetch(TreeIndexSet& out, uint64_t& seenSequence);
    // Joins the runs that have finished; true when a run still in progress holds `buffer`.
    bool isShared(const CKorMem* buffer);
    // Cancels every run.
    void cancelAll();
    // Blocks until every run has ended. For tests and benchmarks.
    void waitAll();
    // Runs whose thread has not been joined yet.
    size_t liveRuns() const { return runs_.size(); }

private:
    struct Run {
        uint64_t id = 0;
        uint64_t version = 0;
        int32_t itemCount = 0;
        unsigned mask = 0;
        std::shared_ptr<const CKorMem> snapshot; // shared, never written while held
        std::atomic<bool> finished{false};
        std::thread thread;
    };

    void work(Run* run);
    void reapFinished();

    std::vector<std::unique_ptr<Run>> runs_; // owned; UI thread only
    uint64_t nextRunId_ = 1;                 // UI thread only
    std::atomic<uint64_t> latestRun_{0};     // the run allowed to publish; others stop
    std::mutex mutex_;                       // guards published_
    TreeIndexSet published_;
    std::atomic<uint64_t> publishSequence_{0}; // bumped under mutex_ at every publish
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
