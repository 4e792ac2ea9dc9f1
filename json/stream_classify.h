// Inline block classifiers shared by stream_masks.cpp and the skip loops (internal).
// '{' 0x7B and '[' 0x5B differ only in bit 0x20, as do '}' 0x7D and ']' 0x5D: one compare of
// (byte | 0x20) finds both brackets of a kind.
#pragma once

#include <cstdint>

#include "json/stream_masks.h"

#if defined(__x86_64__) || defined(_M_X64)
#define QUELIX_STREAM_X86 1
#include <immintrin.h>
#endif

namespace rg_Tolvar_JSON::detail {

inline void classifyScalar(const uint8_t* block, StreamBlockMasks& out) {
    StreamBlockMasks m;
    for (int i = 0; i < 64; ++i) {
        const uint64_t bit = uint64_t(1) << i;
        switch (block[i]) {
        case '\\':
            m.backslash |= bit;
            break;
        case '"':
            m.dquote |= bit;
            break;
        case '\'':
            m.squote |= bit;
            break;
        case '{':
        case '[':
            m.open |= bit;
            break;
        case '}':
        case ']':
            m.close |= bit;
            break;
        case ',':
        case ':':
            m.delim |= bit;
            break;
        default:
            break;
        }
    }
    out = m;
}

#ifdef QUELIX_STREAM_X86

inline void classifySse2(const uint8_t* block, StreamBlockMasks& out) {
    const __m128i k20 = _mm_set1_epi8(0x20);
    const __m128i kBs = _mm_set1_epi8('\\'), kDq = _mm_set1_epi8('"'), kSq = _mm_set1_epi8('\'');
    const __m128i kOpen = _mm_set1_epi8('{'), kClose = _mm_set1_epi8('}');
    const __m128i kComma = _mm_set1_epi8(','), kColon = _mm_set1_epi8(':');
    StreamBlockMasks m;
    for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i));
        const __m128i v20 = _mm_or_si128(v, k20);
        const int shift = 16 * i;
        m.backslash |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, kBs)))) << shift;
        m.dquote |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, kDq)))) << shift;
        m.squote |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, kSq)))) << shift;
        m.open |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v20, kOpen)))) << shift;
        m.close |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v20, kClose)))) << shift;
        m.delim |= uint64_t(uint32_t(
                       _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, kComma), _mm_cmpeq_epi8(v, kColon)))))
                   << shift;
    }
    out = m;
}

__attribute__((target("avx2"))) inline uint64_t avx2Mask(__m256i lo, __m256i hi) {
    return uint64_t(uint32_t(_mm256_movemask_epi8(lo))) |
           (uint64_t(uint32_t(_mm256_movemask_epi8(hi))) << 32);
}

__attribute__((target("avx2"))) inline void classifyAvx2(const uint8_t* block, StreamBlockMasks& out) {
    const __m256i k20 = _mm256_set1_epi8(0x20);
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32));
    const __m256i a20 = _mm256_or_si256(a, k20), b20 = _mm256_or_si256(b, k20);
    const __m256i kBs = _mm256_set1_epi8('\\'), kDq = _mm256_set1_epi8('"'), kSq = _mm256_set1_epi8('\'');
    const __m256i kOpen = _mm256_set1_epi8('{'), kClose = _mm256_set1_epi8('}');
    const __m256i kComma = _mm256_set1_epi8(','), kColon = _mm256_set1_epi8(':');
    out.backslash = avx2Mask(_mm256_cmpeq_epi8(a, kBs), _mm256_cmpeq_epi8(b, kBs));
    out.dquote = avx2Mask(_mm256_cmpeq_epi8(a, kDq), _mm256_cmpeq_epi8(b, kDq));
    out.squote = avx2Mask(_mm256_cmpeq_epi8(a, kSq), _mm256_cmpeq_epi8(b, kSq));
    out.open = avx2Mask(_mm256_cmpeq_epi8(a20, kOpen), _mm256_cmpeq_epi8(b20, kOpen));
    out.close = avx2Mask(_mm256_cmpeq_epi8(a20, kClose), _mm256_cmpeq_epi8(b20, kClose));
    out.delim = avx2Mask(_mm256_or_si256(_mm256_cmpeq_epi8(a, kComma), _mm256_cmpeq_epi8(a, kColon)),
                         _mm256_or_si256(_mm256_cmpeq_epi8(b, kComma), _mm256_cmpeq_epi8(b, kColon)));
}

// AVX-512BW: one 64-byte load, each compare yields the block's 64-bit mask directly.
// The same with the compare constants made once, outside the caller's loop (the compiler would
// otherwise rebuild some of them for every block).
struct Avx512Classifier {
    __m512i k20, bs, dq, sq, open, close, comma, colon;
    __attribute__((target("avx512f,avx512bw"))) Avx512Classifier()
        : k20(_mm512_set1_epi8(0x20)), bs(_mm512_set1_epi8('\\')), dq(_mm512_set1_epi8('"')),
          sq(_mm512_set1_epi8('\'')), open(_mm512_set1_epi8('{')), close(_mm512_set1_epi8('}')),
          comma(_mm512_set1_epi8(',')), colon(_mm512_set1_epi8(':')) {}
    __attribute__((target("avx512f,avx512bw"))) void operator()(const uint8_t* block,
                                                                StreamBlockMasks& out) const {
        const __m512i v = _mm512_loadu_si512(reinterpret_cast<const void*>(block));
        const __m512i v20 = _mm512_or_si512(v, k20);
        out.backslash = _mm512_cmpeq_epi8_mask(v, bs);
        out.dquote = _mm512_cmpeq_epi8_mask(v, dq);
        out.squote = _mm512_cmpeq_epi8_mask(v, sq);
        out.open = _mm512_cmpeq_epi8_mask(v20, open);
        out.close = _mm512_cmpeq_epi8_mask(v20, close);
        out.delim = _mm512_cmpeq_epi8_mask(v, comma) | _mm512_cmpeq_epi8_mask(v, colon);
    }
};

__attribute__((target("avx512f,avx512bw"))) inline void classifyAvx512(const uint8_t* block,
                                                                       StreamBlockMasks& out) {
    const Avx512Classifier c;
    c(block, out);
}

#endif

} // namespace rg_Tolvar_JSON::detail
