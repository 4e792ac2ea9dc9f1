#include "tree/item_record.h"

#include <bit>
#include <cstring>
#include <string.h> // memrchr

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rg_TolvarMingLingJi_ChuangKouZuJian::item_record {

static_assert(std::endian::native == std::endian::little, "item records are written in host order");

int64_t findSeparator(const uint8_t* data, int64_t size, int64_t from) {
    if (from < 0) from = 0;
    const uint8_t* p = data + from;
    const uint8_t* const last = data + size - kSeparatorLength; // last possible start
    while (p <= last) {
        // First byte with memchr, then compare the other three.
        p = static_cast<const uint8_t*>(std::memchr(p, 0x01, static_cast<size_t>(last - p) + 1));
        if (p == nullptr) return -1;
        if (p[1] == 0x02 && p[2] == 0x03 && p[3] == 0x04) return p - data;
        ++p;
    }
    return -1;
}

int64_t findSeparatorBackward(const uint8_t* data, int64_t size, int64_t from) {
    if (from > size - kSeparatorLength) from = size - kSeparatorLength;
    // Windows of 4 KiB, nearest first: a step back touches the bytes it passes, not everything
    // before it (checked memory functions, as under sanitizers, look at the whole range given).
    constexpr int64_t kWindow = 4096;
    while (from >= 0) {
        const int64_t low = from >= kWindow ? from + 1 - kWindow : 0;
        const void* hit = ::memrchr(data + low, 0x01, static_cast<size_t>(from - low) + 1);
        if (hit == nullptr) {
            from = low - 1;
            continue;
        }
        int64_t p = static_cast<const uint8_t*>(hit) - data;
        if (data[p + 1] == 0x02 && data[p + 2] == 0x03 && data[p + 3] == 0x04) return p;
        from = p - 1;
    }
    return -1;
}

int32_t sanitizeItemText(char16_t* u, size_t n) {
    // In UTF-16LE the sequence 01 02 03 04 is either the units 0x0201 0x0403 (even alignment) or
    // 0x01xx 0x0302 0xyy04 (odd alignment). Replacing the unit 0x0201 or 0x0302 breaks it, and
    // U+FFFD (bytes FD FF) cannot start a new one.
    int32_t replaced = 0;
    for (size_t k = 0; k + 1 < n; ++k) {
        if (u[k] == 0x0201 && u[k + 1] == 0x0403) {
            u[k] = 0xFFFD;
            ++replaced;
        } else if (k + 2 < n && (u[k] >> 8) == 0x01 && u[k + 1] == 0x0302 && (u[k + 2] & 0xFF) == 0x04) {
            u[k + 1] = 0xFFFD;
            ++replaced;
        }
    }
    return replaced;
}

bool textHoldsSeparator(CWStringView t) {
    for (size_t k = 0; k + 1 < t.size(); ++k) {
        if (t[k] == 0x0201 && t[k + 1] == 0x0403) return true;
        if (k + 2 < t.size() && (t[k] >> 8) == 0x01 && t[k + 1] == 0x0302 && (t[k + 2] & 0xFF) == 0x04)
            return true;
    }
    return false;
}

namespace {

size_t firstColon(const uint8_t* text, size_t units) {
    for (size_t u = 0; u < units; ++u) {
        char16_t c;
        std::memcpy(&c, text + 2 * u, 2);
        if (c == u':') return u;
    }
    return units;
}

} // namespace

int32_t effectiveKeyInfo(const uint8_t* text, size_t units, int32_t keyInfo) {
    if (keyInfo == kKeyInfoElement) return keyInfo;
    if (!isMemberKeyInfo(keyInfo)) return kKeyInfoUnknown;
    const size_t k = static_cast<size_t>(keyInfo) - 1;
    if (k > units) return kKeyInfoUnknown;
    if (k < units) {
        char16_t c;
        std::memcpy(&c, text + 2 * k, 2);
        if (c != u':') return kKeyInfoUnknown;
    }
    return keyInfo;
}

size_t keyFormUnits(const uint8_t* text, size_t units, int32_t keyInfo) {
    const int32_t info = effectiveKeyInfo(text, units, keyInfo);
    if (isMemberKeyInfo(info)) return static_cast<size_t>(info) - 1;
    return firstColon(text, units);
}

namespace {

// True when the text may hold the separator: either form of it needs the unit 0x0201 or 0x0302.
// The exact test runs only after a hit. Reads whole 16-byte groups: the caller guarantees 14
// readable bytes after the text (the record's separator and header follow it).
bool mayHoldSeparator(const uint8_t* text, size_t units) {
#if defined(__SSE2__)
    const __m128i even = _mm_set1_epi16(0x0201), odd = _mm_set1_epi16(0x0302);
    for (size_t k = 0; k < units; k += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * k));
        uint32_t m = static_cast<uint32_t>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, even), _mm_cmpeq_epi16(v, odd))));
        const size_t left = units - k;
        if (left < 8) m &= (uint32_t(1) << (2 * left)) - 1;
        if (m != 0) return true;
    }
    return false;
#else
    bool hit = false;
    for (size_t k = 0; k < units; ++k) {
        char16_t c;
        std::memcpy(&c, text + 2 * k, 2);
        hit |= (c == 0x0201) | (c == 0x0302);
    }
    return hit;
#endif
}

} // namespace

uint8_t* finishRecord(uint8_t* p, size_t units, int32_t image, int32_t level, uint8_t expandState,
                      uint8_t checkState, int32_t keyInfo) {
    const size_t textBytes = units * 2;
    uint8_t* s = p + textBytes;
    std::memcpy(s, kSeparator, kSeparatorLength);
    uint8_t* h = s + kSeparatorLength;
    writeInt32(h + kLevelField, clampLevel(level));
    writeInt32(h + kImageField, clampImage(image));
    writeInt32(h + kSelectedImageField, -1);
    writeInt32(h + kKeyInfoField, keyInfo >= 0 && keyInfo <= 0x00FFFFFF ? keyInfo : kKeyInfoUnknown);
    h[kExpandField] = expandState & 3;
    h[kCheckField] = checkState & 3;
    writeInt32(h + kTextColourField, -1);
    writeInt32(h + kBackColourField, -1);
    if (units > 1 && mayHoldSeparator(p, units)) {
        // The buffer's bytes need not be aligned for char16_t: sanitize a copy.
        CWString t(units, u'\0');
        std::memcpy(t.data(), p, textBytes);
        if (textHoldsSeparator(t)) {
            sanitizeItemText(t.data(), units);
            std::memcpy(p, t.data(), textBytes);
        }
    }
    return h + kHeaderLength;
}

bool writeRecord(CKorMem& buffer, CWStringView text, int32_t image, int32_t level, uint8_t expandState,
                 uint8_t checkState, int32_t keyInfo) {
    const int64_t bytes = recordBytes(text.size());
    if (static_cast<int64_t>(buffer.size()) + bytes > kMaxBufferBytes) return false;
    uint8_t* p = buffer.extend(static_cast<size_t>(bytes));
    if (!text.empty()) std::memcpy(p, text.data(), text.size() * 2);
    finishRecord(p, text.size(), image, level, expandState, checkState, keyInfo);
    return true;
}

bool scanRecords(const uint8_t* data, int64_t size, RecordRunInfo& info) {
    info = RecordRunInfo{};
    int64_t pos = 0;
    int32_t prev = -1;
    while (pos < size) {
        const int64_t s = findSeparator(data, size, pos);
        if (s < 0 || ((s - pos) & 1) != 0 || s + kRecordOverhead > size) return false;
        const uint8_t* h = data + s + kSeparatorLength;
        const int32_t level = readInt32(h + kLevelField);
        const int32_t image = readInt32(h + kImageField);
        if (level < 0 || level > kMaxLevel || image < -1 || image > kMaxImage) return false;
        const int32_t keyInfo = readInt32(h + kKeyInfoField);
        if (keyInfo < 0 || keyInfo > 0x00FFFFFF) return false;
        if (readInt32(h + kSelectedImageField) != -1 || h[kExpandField] > 3 || h[kCheckField] > 3)
            return false;
        if (readInt32(h + kTextColourField) != -1 || readInt32(h + kBackColourField) != -1) return false;
        if (prev >= 0 && level > prev + 1) return false;
        if (info.count == INT32_MAX) return false;
        if (info.count == 0) info.firstLevel = level;
        info.lastLevel = level;
        prev = level;
        ++info.count;
        pos = s + kRecordOverhead;
    }
    return true;
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian::item_record
