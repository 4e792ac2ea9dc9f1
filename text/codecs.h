// Text escape codecs: `\uXXXX` escapes (mode 0) and HTML character references (modes 1 and 2).
//
// escapeText and unescapeText work on UTF-16 code units one at a time (a surrogate pair gives two
// escapes) and are pure functions: no state, callable from any thread. Their result ends at the
// first U+0000 that the transformation produces (so `\u0000` or `&#0;` cuts the text there).
#pragma once

#include <array>
#include <cstdint>

#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi {

// Encoder modes.
inline constexpr int32_t kEscapeUcs2 = 0;    // `\uXXXX`, backslash before " ' / \ [ ] { }, `\r` `\n`
inline constexpr int32_t kEscapeHtmlHex = 1; // `&#xHHHH;` for CR, LF and every unit >= U+0080
inline constexpr int32_t kEscapeHtmlDec = 2; // `&#DDDD;` for the same units
// Decoder modes.
inline constexpr int32_t kUnescapeUcs2 = 0; // `\uXXXX`, `%uXXXX`, `\r`, `\n`, `\c` -> c
inline constexpr int32_t kUnescapeHtml = 1; // `&#xHHHH;`, `&#DDD;` and the named entities below

// Encodes `text`. Unknown modes return the text unchanged (cut at its first U+0000).
CWString escapeText(CWStringView text, int32_t mode);
// Decodes `text`. Unknown modes return the text unchanged (cut at its first U+0000).
CWString unescapeText(CWStringView text, int32_t mode);
// The four upper-case hexadecimal digits of `unit`, most significant first ("00E9").
CWString hexDigits4(char16_t unit);

// One row of the named-entity table.
struct EntityRow {
    const char16_t* name; // case-sensitive, ASCII letters and digits
    int32_t code;
};
inline constexpr size_t kEntityRowCount = 101;
// The rows in their stored order (quot, amp, lt, gt, nbsp, iexcl, ...).
extern const std::array<EntityRow, kEntityRowCount> kEntityRows;
// The table as one text: rows "&name; &#code;" separated by CR LF, in stored order.
const CWString& entityTableText();
// The code of a named entity (case-sensitive), 0 when the name has no row.
int32_t entityCode(CWStringView name);

} // namespace rg_Tolvar_MingLingJi
