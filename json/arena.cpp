#include "json/arena.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "runtime/large_block.h"

namespace rg_Tolvar_JSON::detail {

void Arena::release() {
    recycle();
    trimSpare();
}

// Returning a few hundred megabytes to the system costs tens of milliseconds of page-table work;
// a large set of chunks is handed to a short-lived thread so that the caller does not wait.
void Arena::trimSpare() {
    if (spare_.empty()) return;
    size_t bytes = 0;
    for (const Chunk& c : spare_)
        bytes += c.bytes;
    auto chunks = std::make_shared<std::vector<Chunk>>(std::move(spare_));
    spare_.clear();
    if (bytes >= kBackgroundFree) {
        try {
            std::thread([chunks] {
                for (const Chunk& c : *chunks)
                    std::free(c.p);
            }).detach();
            return;
        } catch (const std::system_error&) {
            // no thread: free here
        }
    }
    for (const Chunk& c : *chunks)
        std::free(c.p);
}

bool Arena::contains(const void* p) const {
    auto in = [p](const Chunk& c) {
        auto a = reinterpret_cast<uintptr_t>(c.p), x = reinterpret_cast<uintptr_t>(p);
        return x >= a && x < a + c.bytes;
    };
    return std::any_of(chunks_.begin(), chunks_.end(), in) || std::any_of(spare_.begin(), spare_.end(), in);
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

void* Arena::allocChunk(size_t bytes) {
    chunks_.reserve(chunks_.size() + 1);
    for (size_t i = spare_.size(); i-- > 0;) {
        if (spare_[i].bytes == bytes) {
            Chunk c = spare_[i];
            spare_[i] = spare_.back();
            spare_.pop_back();
            chunks_.push_back(c);
            total_ += c.bytes;
            return c.p;
        }
    }
    void* p = rg_Korrin_JiBen::allocateBlock(bytes);
    if (!p) throw std::bad_alloc();
    chunks_.push_back({p, bytes});
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
