#include "json/arena.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace rg_Tolvar_JSON::detail {

void Arena::release() {
    for (void* c : chunks_) std::free(c);
    chunks_.clear();
    recCur_ = recEnd_ = nullptr;
    textCur_ = textEnd_ = nullptr;
    lastSrc_ = nullptr;
    lastDst_ = nullptr;
    lastLen_ = 0;
    total_ = 0;
    nextSize_[0] = nextSize_[1] = kFirstChunk;
}

static void* allocChunk(size_t bytes) {
    void* p = std::malloc(bytes);
    if (!p) throw std::bad_alloc();
    return p;
}

void Arena::newChunk(Region region, size_t need) {
    size_t size = std::max(nextSize_[region], need);
    nextSize_[region] = std::min(nextSize_[region] * 2, kMaxChunk);
    chunks_.reserve(chunks_.size() + 1);
    void* c = allocChunk(size);
    chunks_.push_back(c);
    total_ += size;
    recCur_ = static_cast<char*>(c);
    recEnd_ = recCur_ + size;
}

void Arena::newTextChunk(size_t needUnits) {
    size_t size = std::max(nextSize_[texts_], needUnits * 2);
    nextSize_[texts_] = std::min(nextSize_[texts_] * 2, kMaxChunk);
    chunks_.reserve(chunks_.size() + 1);
    void* c = allocChunk(size);
    chunks_.push_back(c);
    total_ += size;
    textCur_ = static_cast<char16_t*>(c);
    textEnd_ = textCur_ + size / 2;
    lastSrc_ = nullptr;
    lastDst_ = nullptr;
    lastLen_ = 0;
}

} // namespace rg_Tolvar_JSON::detail
