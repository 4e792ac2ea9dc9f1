// The document arena: chunked bump allocation for nodes, child blocks and token texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rg_Tolvar_JSON::detail {

// Copies n code units; short texts with two overlapping 16-byte moves instead of a call.
inline void copyUnits(char16_t* d, const char16_t* s, size_t n) {
#if defined(__SSE2__)
    if (n >= 8 && n <= 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + n - 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n - 8), b);
        return;
    }
    if (n >= 4 && n < 8) {
        uint64_t a, b;
        std::memcpy(&a, s, 8);
        std::memcpy(&b, s + n - 4, 8);
        std::memcpy(d, &a, 8);
        std::memcpy(d + n - 4, &b, 8);
        return;
    }
    if (n < 4) {
        for (size_t i = 0; i < n; ++i)
            d[i] = s[i];
        return;
    }
#endif
    std::memcpy(d, s, n * 2);
}

// Arena: two bump regions over malloc'd chunks, one for 8-byte aligned records (nodes and child
// blocks) and one for UTF-16 texts, so that a text can be extended in place while nothing else has
// been placed after it (copyText). Nothing is freed singly; release() frees every chunk at once.
// Chunks grow geometrically up to kMaxChunk, so a small document costs a few KiB and a large one a
// few dozen chunks. A recycled arena hands its chunks out again before asking the system for new
// ones, so a document that parses again does not fault fresh pages in. Releasing 64 MiB or more
// frees the chunks on a detached thread that owns nothing else.
// Owned by one document; one thread at a time.
class Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() { release(); }

    // `bytes` must be a multiple of 8.
    void* allocRecord(size_t bytes) {
        if (static_cast<size_t>(recEnd_ - recCur_) < bytes) newChunk(records_, bytes);
        void* p = recCur_;
        recCur_ += bytes;
        return p;
    }

    // Copies n code units. A copy whose source starts where the previous copy's source started and is
    // at least as long extends the previous copy in place when possible, so repeated closing quotes
    // of one token (each a longer slice from the same opening quote) cost linear space.
    const char16_t* copyText(const char16_t* src, size_t n) {
        if (n == 0) return nullptr;
        if (src == lastSrc_ && n <= lastLen_) return lastDst_; // a prefix of the previous copy
        if (src == lastSrc_ && n >= lastLen_ && lastDst_ + lastLen_ == textCur_ &&
            static_cast<size_t>(textEnd_ - textCur_) >= n - lastLen_) {
            copyUnits(textCur_, src + lastLen_, n - lastLen_);
            textCur_ += n - lastLen_;
            lastLen_ = n;
            return lastDst_;
        }
        if (static_cast<size_t>(textEnd_ - textCur_) < n) newTextChunk(src == lastSrc_ ? 2 * n : n);
        char16_t* d = textCur_;
        copyUnits(d, src, n);
        textCur_ += n;
        lastSrc_ = src;
        lastDst_ = d;
        lastLen_ = n;
        return d;
    }

    // Key characters then value characters in one block (a key-less text goes through copyText).
    const char16_t* copyTexts(const char16_t* key, size_t keyLen, const char16_t* value, size_t valueLen) {
        if (keyLen == 0) return copyText(value, valueLen);
        const size_t n = keyLen + valueLen;
        if (static_cast<size_t>(textEnd_ - textCur_) < n) newTextChunk(n);
        char16_t* d = textCur_;
        copyUnits(d, key, keyLen);
        copyUnits(d + keyLen, value, valueLen);
        textCur_ += n;
        lastSrc_ = nullptr;
        return d;
    }

    // Frees every chunk.
    void release();
    // Empties the arena but keeps its chunks for reuse by the next allocations (a document that
    // parses again reuses its memory instead of faulting fresh pages in).
    void recycle();
    // Frees the chunks kept by recycle() that were not reused.
    void trimSpare();
    // Whether `p` points into one of the chunks (in use or kept).
    bool contains(const void* p) const;
    // Bytes of the chunks in use.
    size_t bytes() const { return total_; }

private:
    enum Region { records_, texts_ };
    void newChunk(Region region, size_t need);
    void newTextChunk(size_t needUnits);
    void* allocChunk(size_t bytes);

    static constexpr size_t kFirstChunk = 4096;
    static constexpr size_t kMaxChunk = size_t(8) << 20;
    static constexpr size_t kBackgroundFree = size_t(64) << 20; // larger releases run on a thread

    char* recCur_ = nullptr;
    char* recEnd_ = nullptr;
    char16_t* textCur_ = nullptr;
    char16_t* textEnd_ = nullptr;
    const char16_t* lastSrc_ = nullptr;
    char16_t* lastDst_ = nullptr;
    size_t lastLen_ = 0;
    size_t total_ = 0;
    size_t nextSize_[2] = {kFirstChunk, kFirstChunk};
    struct Chunk {
        void* p;
        size_t bytes;
    };
    std::vector<Chunk> chunks_; // owned, in use
    std::vector<Chunk> spare_;  // owned, kept by recycle()
};

} // namespace rg_Tolvar_JSON::detail
