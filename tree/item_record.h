// Item records of the tree box: the byte layout, writing records and walking a record buffer.
//
// All items of a tree box live back to back in one byte buffer, in pre-order (an item, then its
// whole subtree, then its next sibling). One record per item, little-endian:
//
//   offset from record start   size   field
//   0                          2*n    text, UTF-16LE code units, no terminator (n >= 0)
//   2n                         4      separator 01 02 03 04
//   2n+4  (sep + 4)            4      level          int32, 0 for top-level items, child = parent + 1
//   2n+8  (sep + 8)            4      image          int32 index into the image list, -1 none
//   2n+12 (sep + 12)           4      selectedImage  int32, -1 = use image (always written -1)
//   2n+16 (sep + 16)           4      keyInfo        int32, where the text's key form ends (below)
//   2n+20 (sep + 20)           1      expandState    bit 1 expanded, bit 0 bold; 0..3
//   2n+21 (sep + 21)           1      checkState     0 clear, 1 checked, 2 partial, 3 fixed
//   2n+22 (sep + 22)           4      textColour     int32 COLORREF, -1 = box default
//   2n+26 (sep + 26)           4      backColour     int32 COLORREF, -1 = box default
//
// The 26 bytes after the separator are the header. A record's text ends at the first separator
// after the record's start, so the bytes 01 02 03 04 must never occur anywhere else in a buffer.
// Writers guarantee it:
//  - a text whose UTF-16LE bytes hold the sequence (at any byte alignment) has the offending code
//    unit replaced by U+FFFD when the record is written (sanitizeItemText);
//  - levels are kept in 0 .. kMaxLevel and images in -1 .. kMaxImage, which keeps every header
//    byte pattern free of the sequence (level's top byte is 0, image's upper half is 0 or FFFF);
//  - selectedImage and the colours are constants, expand and check bytes are 0..3, and keyInfo
//    stays in 0 .. 0x00FFFFFF (top byte 0, and the byte after it is an expand byte, never 04).
// With that, every occurrence of the separator in a buffer is a real one, a search may start at
// any byte, and after a separator found at s the next one lies at s + kRecordOverhead or later.
//
// keyInfo says where the item's key form (the part of the text a path segment names) ends, which
// the text alone cannot tell: "a:b:1" is key "a" with value "b:1" or key "a:b" with value "1".
//   0 (kKeyInfoUnknown)          written by callers that give none: the text up to its first ':'
//   1 .. kKeyInfoMaxMember       an object member; its key form is the first keyInfo - 1 units
//   kKeyInfoElement              an array element, labelled "[i]" (up to the first ':')
// A member length that no longer fits the text (a caller changed the text and not the word)
// counts as unknown.
//
// A well-formed buffer (the store keeps its own one so) also has level 0 for its first record and
// no record deeper than its predecessor's level + 1, so the parent of a record is the nearest
// earlier record one level up and lookups by scanning agree with the derived indexes.
//
// Everything here is plain functions over bytes; any thread may call them on buffers it owns or
// shares immutably.
#pragma once

#include <cstdint>
#include <cstring>

#include "runtime/kor_mem.h"
#include "runtime/types.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

namespace item_record {

inline constexpr uint8_t kSeparator[4] = {0x01, 0x02, 0x03, 0x04};
inline constexpr int32_t kSeparatorLength = 4;
inline constexpr int32_t kHeaderLength = 26;
inline constexpr int32_t kRecordOverhead = kSeparatorLength + kHeaderLength; // 30

// Header field offsets, counted from the first byte after the separator.
inline constexpr int32_t kLevelField = 0;
inline constexpr int32_t kImageField = 4;
inline constexpr int32_t kSelectedImageField = 8;
inline constexpr int32_t kKeyInfoField = 12;
inline constexpr int32_t kExpandField = 16;
inline constexpr int32_t kCheckField = 17;
inline constexpr int32_t kTextColourField = 18;
inline constexpr int32_t kBackColourField = 22;

inline constexpr int32_t kMaxLevel = 0x00FFFFFF;
inline constexpr int32_t kMaxImage = 0xFFFF;
// Offsets and cursors are int32, so a record buffer never grows past this.
inline constexpr int64_t kMaxBufferBytes = 0x7FFFFFFF;

inline int32_t readInt32(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void writeInt32(uint8_t* p, int32_t v) {
    std::memcpy(p, &v, 4);
}

inline bool isSeparatorAt(const uint8_t* data, int64_t size, int64_t pos) {
    return pos >= 0 && pos + kSeparatorLength <= size && data[pos] == 0x01 && data[pos + 1] == 0x02 &&
           data[pos + 2] == 0x03 && data[pos + 3] == 0x04;
}

// First separator starting at or after `from`, or -1.
int64_t findSeparator(const uint8_t* data, int64_t size, int64_t from);
// Last separator starting at or before `from` (and wholly inside the buffer), or -1.
int64_t findSeparatorBackward(const uint8_t* data, int64_t size, int64_t from);

inline constexpr int32_t kKeyInfoUnknown = 0;
inline constexpr int32_t kKeyInfoMaxMember = 0x007FFFFF;
inline constexpr int32_t kKeyInfoElement = 0x00800000;

// The keyInfo of an object member whose key form has keyUnits code units (unknown when too long).
inline int32_t memberKeyInfo(size_t keyUnits) {
    return keyUnits < static_cast<size_t>(kKeyInfoMaxMember) ? static_cast<int32_t>(keyUnits) + 1
                                                             : kKeyInfoUnknown;
}
inline bool isMemberKeyInfo(int32_t keyInfo) {
    return keyInfo >= 1 && keyInfo <= kKeyInfoMaxMember;
}
inline int32_t readKeyInfo(const uint8_t* data, int64_t sep) {
    return readInt32(data + sep + kSeparatorLength + kKeyInfoField);
}
// Code units of the key form of a record text: `units` UTF-16LE code units at `text`.
size_t keyFormUnits(const uint8_t* text, size_t units, int32_t keyInfo);
// keyInfo as it is effectively read: a member length that does not fit the text becomes unknown.
int32_t effectiveKeyInfo(const uint8_t* text, size_t units, int32_t keyInfo);

inline int32_t clampLevel(int32_t level) {
    return level < 0 ? 0 : (level > kMaxLevel ? kMaxLevel : level);
}
inline int32_t clampImage(int32_t image) {
    return image < -1 || image > kMaxImage ? -1 : image;
}

// Replaces, in place, every code unit that takes part in a 01 02 03 04 byte sequence of the
// text's UTF-16LE form by U+FFFD. Returns the number of code units replaced.
int32_t sanitizeItemText(char16_t* units, size_t count);
// True when the text's UTF-16LE bytes hold the separator sequence.
bool textHoldsSeparator(CWStringView text);

// Bytes a record of `textUnits` code units takes.
inline int64_t recordBytes(size_t textUnits) {
    return static_cast<int64_t>(textUnits) * 2 + kRecordOverhead;
}

// Appends one record. Level and image are clamped as described above, expand and check are masked
// to 0..3; the text is sanitized. False (nothing appended) when the buffer would pass
// kMaxBufferBytes.
bool writeRecord(CKorMem& buffer, CWStringView text, int32_t image, int32_t level, uint8_t expandState,
                 uint8_t checkState, int32_t keyInfo = kKeyInfoUnknown);

// For writers that put a record's text in place themselves (bulk fills): `units` code units of
// text already at `text`, followed by room for the separator and header. Sanitizes the text and
// writes the separator and the header with the same clamping as writeRecord; returns the byte
// after the record.
uint8_t* finishRecord(uint8_t* text, size_t units, int32_t image, int32_t level, uint8_t expandState,
                      uint8_t checkState, int32_t keyInfo);

// Facts about a run of whole records, as returned by scanRecords.
struct RecordRunInfo {
    int32_t count = 0;
    int32_t firstLevel = -1;
    int32_t lastLevel = -1;
};

// Checks that [data, data + size) is a sequence of whole records with even text lengths, sane
// header bytes (level 0..kMaxLevel, image -1..kMaxImage, keyInfo 0..0x00FFFFFF, expand and check
// 0..3) and no record
// deeper than its predecessor + 1. Fills `info` and returns true; false when malformed.
bool scanRecords(const uint8_t* data, int64_t size, RecordRunInfo& info);

} // namespace item_record

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
