#include "tree/index_workers.h"

#include <system_error>
#include <utility>

#include "tree/item_record.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

namespace detail {

namespace {

constexpr int32_t kCancelCheckEvery = 4096;

// One pass over the separators; each item's level feeds the builders that were asked for.
template <typename CancelFn>
bool buildImpl(const uint8_t* data, int64_t size, int32_t itemCount, unsigned mask, uint64_t version,
               CancelFn&& cancelled, TreeIndexSet& result) {
    using namespace item_record;
    if (size <= 0 || itemCount <= 0) return false;
    const bool wantOffsets = mask & treeIndexBit(TreeIndexKind::Offset);
    const bool wantParents = mask & treeIndexBit(TreeIndexKind::Parent);
    const bool wantSiblings = mask & treeIndexBit(TreeIndexKind::Sibling);
    const bool wantEnds = mask & treeIndexBit(TreeIndexKind::SubtreeEnd);
    const size_t n = static_cast<size_t>(itemCount);

    auto offsets = std::make_shared<BuiltTreeIndex>();
    auto parents = std::make_shared<BuiltTreeIndex>();
    auto siblings = std::make_shared<BuiltTreeIndex>();
    auto ends = std::make_shared<BuiltTreeIndex>();
    if (wantOffsets) {
        offsets->values.reserve(n);
        offsets->values.push_back(0);
    }
    if (wantParents) parents->values.reserve(n);
    if (wantSiblings) siblings->values.reserve(n);
    if (wantEnds) ends->values.assign(n, 0);

    std::vector<int32_t> parentAt{-1};  // indexed by level + 1: last item seen at that level
    std::vector<int32_t> siblingAt{-1}; // indexed by level: last item at that level, -1 once closed
    std::vector<int32_t> openAt{-1};    // indexed by level: the open item at that level
    int32_t prevSiblingLevel = -1;
    int32_t prevOpenLevel = -1;

    int64_t pos = 0;
    int32_t k = 0;
    for (;; ++k) {
        const int64_t s = findSeparator(data, size, pos);
        if (s < 0) break;
        if (k == itemCount) return false; // more records than items: not the buffer we were told
        const int32_t L =
            s + kSeparatorLength + 4 <= size ? clampLevel(readInt32(data + s + kSeparatorLength)) : 0;
        pos = s + kRecordOverhead;

        if (wantOffsets && offsets->values.size() < n) offsets->values.push_back(static_cast<int32_t>(pos));
        if (wantParents) {
            if (parentAt.size() < static_cast<size_t>(L) + 2) parentAt.resize(static_cast<size_t>(L) + 2, -1);
            parentAt[L + 1] = k;
            parents->values.push_back(parentAt[L]);
        }
        if (wantSiblings) {
            if (L < prevSiblingLevel) {
                for (int32_t j = L + 1; j <= prevSiblingLevel; ++j)
                    siblingAt[j] = -1;
            } else if (siblingAt.size() < static_cast<size_t>(L) + 1) {
                siblingAt.resize(static_cast<size_t>(L) + 1, -1);
            }
            siblings->values.push_back(siblingAt[L]);
            siblingAt[L] = k;
            prevSiblingLevel = L;
        }
        if (wantEnds) {
            if (openAt.size() < static_cast<size_t>(L) + 1) openAt.resize(static_cast<size_t>(L) + 1, -1);
            if (L < prevOpenLevel) {
                const int32_t last = openAt[prevOpenLevel];
                for (int32_t j = L; j < prevOpenLevel; ++j) {
                    if (openAt[j] >= 0) ends->values[openAt[j]] = last;
                }
            }
            prevOpenLevel = L;
            openAt[L] = k;
        }
        if ((k % kCancelCheckEvery) == 0 && cancelled()) return false;
    }
    if (k != itemCount) return false;

    if (wantEnds) {
        const int32_t last = openAt[prevOpenLevel];
        for (int32_t j = 0; j < prevOpenLevel; ++j) {
            if (openAt[j] >= 0) ends->values[openAt[j]] = last;
        }
    }
    if (wantSiblings) {
        if (cancelled()) return false;
        siblings->next.assign(n, 0);
        for (int32_t i = 0; i < itemCount; ++i) {
            const int32_t d = siblings->values[i];
            if (d >= 0) siblings->next[d] = i;
            if ((i % kCancelCheckEvery) == 0 && cancelled()) return false;
        }
    }
    if (cancelled()) return false;

    offsets->version = parents->version = siblings->version = ends->version = version;
    if (wantOffsets) result[static_cast<int>(TreeIndexKind::Offset)] = std::move(offsets);
    if (wantParents) result[static_cast<int>(TreeIndexKind::Parent)] = std::move(parents);
    if (wantSiblings) result[static_cast<int>(TreeIndexKind::Sibling)] = std::move(siblings);
    if (wantEnds) result[static_cast<int>(TreeIndexKind::SubtreeEnd)] = std::move(ends);
    return true;
}

} // namespace

bool buildTreeIndexesNow(const uint8_t* data, int64_t size, int32_t itemCount, unsigned mask,
                         uint64_t version, TreeIndexSet& out) {
    TreeIndexSet built = out;
    if (!buildImpl(
            data, size, itemCount, mask, version, [] { return false; }, built))
        return false;
    out = std::move(built);
    return true;
}

} // namespace detail

IndexWorkerPool::~IndexWorkerPool() {
    cancelAll();
    for (auto& run : runs_) {
        if (run->thread.joinable()) run->thread.join();
    }
}

void IndexWorkerPool::cancelAll() {
    latestRun_.store(nextRunId_++, std::memory_order_relaxed);
}

void IndexWorkerPool::reapFinished() {
    for (size_t i = 0; i < runs_.size();) {
        if (runs_[i]->finished.load(std::memory_order_acquire)) {
            if (runs_[i]->thread.joinable()) runs_[i]->thread.join();
            runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

bool IndexWorkerPool::start(std::shared_ptr<const CKorMem> snapshot, int32_t itemCount, uint64_t version,
                            unsigned mask) {
    reapFinished();
    auto run = std::make_unique<Run>();
    run->id = nextRunId_++;
    run->version = version;
    run->itemCount = itemCount;
    run->mask = mask;
    run->snapshot = std::move(snapshot);
    latestRun_.store(run->id, std::memory_order_relaxed); // older runs stop at their next check
    Run* raw = run.get();
    try {
        run->thread = std::thread([this, raw] { work(raw); });
    } catch (const std::system_error&) {
        return false;
    }
    runs_.push_back(std::move(run));
    return true;
}

void IndexWorkerPool::work(Run* run) {
    const CKorMem& buffer = *run->snapshot;
    TreeIndexSet built;
    const uint64_t id = run->id;
    auto cancelled = [this, id] { return latestRun_.load(std::memory_order_relaxed) != id; };
    const bool complete = detail::buildImpl(buffer.data(), static_cast<int64_t>(buffer.size()),
                                            run->itemCount, run->mask, run->version, cancelled, built);
    if (complete) {
        std::lock_guard<std::mutex> lock(mutex_);
        // Checked under the lock: a superseded run never publishes.
        if (latestRun_.load(std::memory_order_relaxed) == id) {
            for (int k = 0; k < kTreeIndexKinds; ++k) {
                if (run->mask & (1u << k)) published_[k] = built[k];
            }
            publishSequence_.fetch_add(1, std::memory_order_release);
        }
    }
    run->finished.store(true, std::memory_order_release);
}

void IndexWorkerPool::install(const TreeIndexSet& built, unsigned mask) {
    cancelAll();
    std::lock_guard<std::mutex> lock(mutex_);
    for (int k = 0; k < kTreeIndexKinds; ++k) {
        if (mask & (1u << k)) published_[k] = built[k];
    }
    publishSequence_.fetch_add(1, std::memory_order_release);
}

bool IndexWorkerPool::fetch(TreeIndexSet& out, uint64_t& seenSequence) {
    if (publishSequence_.load(std::memory_order_acquire) == seenSequence) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    out = published_;
    seenSequence = publishSequence_.load(std::memory_order_relaxed);
    return true;
}

bool IndexWorkerPool::isShared(const CKorMem* buffer) {
    reapFinished();
    for (const auto& run : runs_) {
        if (run->snapshot.get() == buffer) return true;
    }
    return false;
}

void IndexWorkerPool::waitAll() {
    for (auto& run : runs_) {
        if (run->thread.joinable()) run->thread.join();
    }
    runs_.clear();
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
