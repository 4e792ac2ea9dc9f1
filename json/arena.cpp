#include "json/arena.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace rg_Tolvar_JSON::detail {

namespace {

constexpr size_t kHuge = size_t(2) << 20;

// Large chunks: an anonymous mapping aligned to 2 MiB, advised for transparent huge pages.
void* mapChunk(size_t bytes) {
#if defined(__linux__)
    void* raw = mmap(nullptr, bytes + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    auto addr = reinterpret_cast<uintptr_t>(raw);
    uintptr_t aligned = (addr + kHuge - 1) & ~(uintptr_t(kHuge) - 1);
    if (aligned > addr) munmap(raw, aligned - addr);
    size_t tail = (addr + bytes + kHuge) - (aligned + bytes);
    if (tail) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
#else
    (void)bytes;
    return nullptr;
#endif
}

void freeChunk(void* p, size_t bytes, bool mapped) {
#if defined(__linux__)
    if (mapped) {
        munmap(p, bytes);
        return;
    }
#endif
    (void)bytes;
    (void)mapped;
    std::free(p);
}

} // namespace

void Arena::release() {
    recycle();
    trimSpare();
}

void Arena::trimSpare() {
    for (const Chunk& c : spare_) freeChunk(c.p, c.bytes, c.mapped);
    spare_.clear();
}

void Arena::recycle() {
    spare_.insert(spare_.end(), chunks_.begin(), chunks_.end());
    chunks_.clear();
    recCur_ = recEnd_ = nullptr;
    textCur_ = textEnd_ = nullptr;
    lastSrc_ = nullptr;
    lastDst_ = nullptr;
    lastLen_ = 0;
    total_ = 0;
    nextSize_[0] = nextSize_[1] = kFirstChunk;
}

void* Arena::allocChunk(size_t& bytes) {
    chunks_.reserve(chunks_.size() + 1);
    const size_t want = bytes >= kHuge ? (bytes + kHuge - 1) & ~(kHuge - 1) : bytes;
    for (size_t i = spare_.size(); i-- > 0;) {
        if (spare_[i].bytes == want) {
            Chunk c = spare_[i];
            spare_[i] = spare_.back();
            spare_.pop_back();
            chunks_.push_back(c);
            total_ += c.bytes;
            bytes = c.bytes;
            return c.p;
        }
    }
    if (bytes >= kHuge) {
        bytes = (bytes + kHuge - 1) & ~(kHuge - 1);
        if (void* p = mapChunk(bytes)) {
            chunks_.push_back({p, bytes, true});
            total_ += bytes;
            return p;
        }
    }
    void* p = std::malloc(bytes);
    if (!p) throw std::bad_alloc();
    chunks_.push_back({p, bytes, false});
    total_ += bytes;
    return p;
}

void Arena::newChunk(Region region, size_t need) {
    size_t size = std::max(nextSize_[region], need);
    nextSize_[region] = std::min(nextSize_[region] * 2, kMaxChunk);
    void* c = allocChunk(size);
    recCur_ = static_cast<char*>(c);
    recEnd_ = recCur_ + size;
}

void Arena::newTextChunk(size_t needUnits) {
    size_t size = std::max(nextSize_[texts_], needUnits * 2);
    nextSize_[texts_] = std::min(nextSize_[texts_] * 2, kMaxChunk);
    void* c = allocChunk(size);
    textCur_ = static_cast<char16_t*>(c);
    textEnd_ = textCur_ + size / 2;
    lastSrc_ = nullptr;
    lastDst_ = nullptr;
    lastLen_ = 0;
}

} // namespace rg_Tolvar_JSON::detail
