// Font descriptions: one line "face, size, bold, italic, underline, strikeout, angle", for example
// "黑体, 15, 0, 0, 0, 0, 0". Qt-free; the window layer turns the parsed values into a screen font.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi {

// rg_TolvarZiTiLei: one font held as plain values (value semantics, any thread).
// A new object holds an empty face and zeros; the flags are always 0 or 1.
class rg_TolvarZiTiLei {
public:
    CWString face;    // empty = the default face
    int32_t size = 0; // points; 0 = the default size
    int32_t bold = 0;
    int32_t italic = 0;
    int32_t underline = 0;
    int32_t strikeout = 0;
    int32_t angle = 0; // tenths of a degree

    // Reads a description: fields trimmed of blanks (<= U+0020), padded to seven; size and angle
    // are decimal (empty or non-numeric = 0); a flag is 1 for "真", "true" or "1" (any case).
    void parseDescription(CWStringView description);
    // face + ", " + size + ", " + four flags each followed by ", " + angle.
    CWString formatDescription() const;

    bool operator==(const rg_TolvarZiTiLei&) const = default;
};

// The values a screen font takes from a description: only the fields present are set, so a short
// description leaves the rest of the default font alone.
struct ScreenFontFields {
    std::optional<CWString> face;  // set when field 1 is not empty (trimmed, not yet cut to 31)
    std::optional<int32_t> points; // |size| when field 2 is present; the height applies only
                                   // when round(dpi * points / 72) > 0
    std::optional<bool> bold;      // each flag: true exactly when its field is "1"
    std::optional<bool> italic;
    std::optional<bool> underline;
    std::optional<bool> strikeout;
    std::optional<int32_t> angle; // when field 7 is not empty: value mod 3600, in 0..3599
};
ScreenFontFields screenFontFields(CWStringView description);

// Splits at "," into at most `maxFields` fields, each trimmed of blanks (<= U+0020).
rg_Korrin_JiBen::rg_WenBenShuZuLei splitDescription(CWStringView description, size_t maxFields = 7);

} // namespace rg_Tolvar_MingLingJi
