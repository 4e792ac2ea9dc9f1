// Native UTF-8 <-> UTF-16 conversions (the hot paths of file reading and stream extraction).
#include <bit>
#include <cstring>

#include "text/encoding.h"
#include "text/encoding_detail.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(std::endian::native == std::endian::little, "byte buffers hold little-endian UTF-16");

namespace rg_Tolvar_MingLingJi {
namespace detail {

size_t decodeUtf8(const uint8_t* s, size_t n, char16_t* out) {
    char16_t* o = out;
    size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
#if defined(__SSE2__)
            // Sixteen ASCII bytes with no zero byte among them widen in one step.
            const __m128i zero = _mm_setzero_si128();
            while (i + 16 <= n) {
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
                int stop = _mm_movemask_epi8(v) | _mm_movemask_epi8(_mm_cmpeq_epi8(v, zero));
                if (stop != 0) break;
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(v, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(v, zero));
                i += 16;
                o += 16;
            }
#endif
            while (i < n && s[i] < 0x80) {
                if (s[i] == 0) return size_t(o - out);
                *o++ = char16_t(s[i++]);
            }
            continue;
        }
        // A run of multi-byte forms; the two- and three-byte ones (most text) are spelled out.
        while (i < n) {
            uint8_t b = s[i];
            if (b < 0x80) break;
            if (b >= 0xE0 && b < 0xF0) {
                if (n - i < 3) return size_t(o - out); // cut off by the end of the buffer
                uint8_t c1 = s[i + 1], c2 = s[i + 2];
                if ((c1 & 0xC0u) != 0x80u || (c2 & 0xC0u) != 0x80u) return size_t(o - out);
                *o++ = char16_t(((b & 0x0Fu) << 12) | ((c1 & 0x3Fu) << 6) | (c2 & 0x3Fu));
                i += 3;
                continue;
            }
            if (b >= 0xC0 && b < 0xE0) {
                if (n - i < 2) return size_t(o - out);
                uint8_t c1 = s[i + 1];
                if ((c1 & 0xC0u) != 0x80u) return size_t(o - out);
                *o++ = char16_t(((b & 0x1Fu) << 6) | (c1 & 0x3Fu));
                i += 2;
                continue;
            }
            size_t len;
            uint32_t v;
            if (b < 0xC0) return size_t(o - out); // stray continuation byte
            if (b < 0xF8) {
                len = 4;
                v = b & 0x07u;
            } else if (b < 0xFC) {
                len = 5;
                v = b & 0x03u;
            } else if (b < 0xFE) {
                len = 6;
                v = b & 0x01u;
            } else {
                return size_t(o - out); // FE, FF
            }
            if (len > n - i) return size_t(o - out); // cut off by the end of the buffer
            for (size_t k = 1; k < len; ++k) {
                uint8_t c = s[i + k];
                if ((c & 0xC0u) != 0x80u) return size_t(o - out); // cut short
                v = (v << 6) | (c & 0x3Fu);
            }
            if (v <= 0xFFFF) {
                *o++ = char16_t(v); // an overlong form
            } else {
                // Values above 0x10FFFF (five- and six-byte forms) keep the same arithmetic, the
                // high unit cut to 16 bits.
                *o++ = char16_t((0xD800u + ((v - 0x10000u) >> 10)) & 0xFFFFu);
                *o++ = char16_t(0xDC00u + (v & 0x3FFu));
            }
            i += len;
        }
    }
    return size_t(o - out);
}

namespace {

template <class Load> size_t encodeUtf8Impl(size_t units, char* out, Load unitAt) {
    char* o = out;
    for (size_t i = 0; i < units; ++i) {
        uint32_t c = unitAt(i);
        if (c < 0x80) {
            if (c == 0) break;
            *o++ = char(c);
        } else if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < units) {
                uint32_t d = unitAt(i + 1);
                if (d >= 0xDC00 && d <= 0xDFFF) {
                    uint32_t v = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                    *o++ = char(0xF0 | (v >> 18));
                    *o++ = char(0x80 | ((v >> 12) & 0x3F));
                    *o++ = char(0x80 | ((v >> 6) & 0x3F));
                    *o++ = char(0x80 | (v & 0x3F));
                    ++i;
                }
            }
            // an unpaired surrogate is dropped
        } else {
            *o++ = char(0xE0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        }
    }
    return size_t(o - out);
}

} // namespace

size_t encodeUtf8FromLeBytes(const uint8_t* s, size_t units, char* out) {
    return encodeUtf8Impl(units, out,
                          [s](size_t i) { return uint32_t(s[2 * i]) | uint32_t(s[2 * i + 1]) << 8; });
}

size_t encodeUtf8(const char16_t* s, size_t units, char* out) {
    return encodeUtf8Impl(units, out, [s](size_t i) { return uint32_t(s[i]); });
}

} // namespace detail

CWString utf8ToUtf16(std::string_view bytes) {
    CWString out;
    if (bytes.empty()) return out;
    out.resize(bytes.size());
    size_t n = detail::decodeUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out.data());
    out.resize(n);
    return out;
}

std::string utf16ToUtf8(CWStringView text) {
    std::string out;
    if (text.empty()) return out;
    out.resize(text.size() * 3);
    size_t n = detail::encodeUtf8(text.data(), text.size(), out.data());
    out.resize(n);
    return out;
}

void swapByteOrder(CKorMem& bytes) {
    uint8_t* p = bytes.data();
    size_t n = bytes.size();
    for (size_t i = 0; i + 1 < n; i += 2)
        std::swap(p[i], p[i + 1]);
    if (n % 2 != 0) p[n - 1] = 0;
}

CWString textFromUtf16Bytes(std::string_view bytes) {
    CWString out(bytes.size() / 2, u'\0');
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

CKorMem utf16BytesFromText(CWStringView text) {
    CKorMem out;
    out.append(text.data(), text.size() * 2);
    return out;
}

} // namespace rg_Tolvar_MingLingJi
