// Skipping runs of ordinary UTF-16 code units quickly (SSE2 where available).
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rg_Tolvar_JSON::detail {

// The code units that mean something to the container scan outside quotes.
inline bool isStructural(char16_t c) {
    switch (c) {
    case u'\\':
    case u'{':
    case u'[':
    case u'"':
    case u'\'':
    case u':':
    case u',':
    case u'}':
    case u']':
        return true;
    default:
        return false;
    }
}

// First index >= pos of a structural code unit, or len.
inline int64_t skipOrdinary(const char16_t* t, int64_t pos, int64_t len) {
#if defined(__SSE2__)
    const __m128i k20 = _mm_set1_epi16(0x20);
    const __m128i kOpen = _mm_set1_epi16(u'{');  // '[' | 0x20 == '{'
    const __m128i kClose = _mm_set1_epi16(u'}'); // ']' | 0x20 == '}'
    const __m128i kBs = _mm_set1_epi16(u'\\');
    const __m128i kDq = _mm_set1_epi16(u'"');
    const __m128i kSq = _mm_set1_epi16(u'\'');
    const __m128i kComma = _mm_set1_epi16(u',');
    const __m128i kColon = _mm_set1_epi16(u':');
    while (pos + 8 <= len) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos));
        __m128i v20 = _mm_or_si128(v, k20);
        __m128i m = _mm_or_si128(_mm_cmpeq_epi16(v20, kOpen), _mm_cmpeq_epi16(v20, kClose));
        m = _mm_or_si128(m, _mm_cmpeq_epi16(v, kBs));
        m = _mm_or_si128(m, _mm_or_si128(_mm_cmpeq_epi16(v, kDq), _mm_cmpeq_epi16(v, kSq)));
        m = _mm_or_si128(m, _mm_or_si128(_mm_cmpeq_epi16(v, kComma), _mm_cmpeq_epi16(v, kColon)));
        int bits = _mm_movemask_epi8(m);
        if (bits) return pos + (__builtin_ctz(static_cast<unsigned>(bits)) >> 1);
        pos += 8;
    }
#endif
    while (pos < len && !isStructural(t[pos]))
        ++pos;
    return pos;
}

// First index >= pos of a backslash or of `quote`, or len.
inline int64_t skipQuoted(const char16_t* t, int64_t pos, int64_t len, char16_t quote) {
#if defined(__SSE2__)
    const __m128i kBs = _mm_set1_epi16(u'\\');
    const __m128i kQ = _mm_set1_epi16(static_cast<short>(quote));
    while (pos + 8 <= len) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos));
        int bits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, kBs), _mm_cmpeq_epi16(v, kQ)));
        if (bits) return pos + (__builtin_ctz(static_cast<unsigned>(bits)) >> 1);
        pos += 8;
    }
#endif
    while (pos < len && t[pos] != u'\\' && t[pos] != quote)
        ++pos;
    return pos;
}

// First index >= pos of a backslash or a bracket, or len (before a container's own bracket).
inline int64_t skipToBracket(const char16_t* t, int64_t pos, int64_t len) {
#if defined(__SSE2__)
    const __m128i k20 = _mm_set1_epi16(0x20);
    const __m128i kOpen = _mm_set1_epi16(u'{');
    const __m128i kClose = _mm_set1_epi16(u'}');
    const __m128i kBs = _mm_set1_epi16(u'\\');
    while (pos + 8 <= len) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos));
        __m128i v20 = _mm_or_si128(v, k20);
        __m128i m = _mm_or_si128(_mm_cmpeq_epi16(v20, kOpen), _mm_cmpeq_epi16(v20, kClose));
        m = _mm_or_si128(m, _mm_cmpeq_epi16(v, kBs));
        int bits = _mm_movemask_epi8(m);
        if (bits) return pos + (__builtin_ctz(static_cast<unsigned>(bits)) >> 1);
        pos += 8;
    }
#endif
    while (pos < len) {
        char16_t c = t[pos];
        if (c == u'\\' || c == u'{' || c == u'[' || c == u'}' || c == u']') break;
        ++pos;
    }
    return pos;
}

// First index >= pos of `{` or `[`, or len.
inline int64_t findOpenBracket(const char16_t* t, int64_t pos, int64_t len) {
#if defined(__SSE2__)
    const __m128i k20 = _mm_set1_epi16(0x20);
    const __m128i kOpen = _mm_set1_epi16(u'{');
    while (pos + 8 <= len) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos));
        int bits = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_or_si128(v, k20), kOpen));
        if (bits) return pos + (__builtin_ctz(static_cast<unsigned>(bits)) >> 1);
        pos += 8;
    }
#endif
    while (pos < len && t[pos] != u'{' && t[pos] != u'[')
        ++pos;
    return pos;
}

} // namespace rg_Tolvar_JSON::detail
