// Internals shared by the encoding sources (not part of the text library's interface).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi::detail {

// UTF-8 -> UTF-16 into `out`, which has room for at least `n` units (a form never yields more
// units than it has bytes). Returns the number of units written.
size_t decodeUtf8(const uint8_t* s, size_t n, char16_t* out);
// UTF-16 units read from little-endian bytes -> UTF-8 into `out` (room for 3 bytes per unit).
// Stops at the first U+0000; drops unpaired surrogates. Returns the number of bytes written.
size_t encodeUtf8FromLeBytes(const uint8_t* s, size_t units, char* out);
size_t encodeUtf8(const char16_t* s, size_t units, char* out);

// The length of the byte-order mark `bytes` start with for `encodingName`; an empty name is
// detected first (and set). 0 for names without a mark.
size_t takeByteOrderMark(std::string_view bytes, CWString& encodingName);

// A charset converter looked up by a name that is not handled natively.
struct CharsetTarget {
    std::string icuName;     // ICU converter name
    bool autodetect = false; // "_autodetect": pick ISO-2022-JP / EUC-JP / Shift_JIS when reading
};
// Resolves a charset name: names of the code-page table go to the Windows table of their code
// page, others to ICU's alias lookup. False when no converter knows the name.
bool resolveCharset(CWStringView name, CharsetTarget& out);
// The ICU converter name of a Windows code page ("windows-936" for 936), empty if none.
const char* icuNameOfCodePage(int32_t codePage);

// Bytes in charset -> UTF-16. False when the converter can't be opened.
bool icuToUtf16(const CharsetTarget& cs, std::string_view bytes, CWString& out);
// UTF-16 -> bytes in charset; unmappable characters become "?" for byte charsets.
bool icuFromUtf16(const CharsetTarget& cs, CWStringView text, std::string& out);

} // namespace rg_Tolvar_MingLingJi::detail
