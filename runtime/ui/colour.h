// COLORREF values (0x00BBGGRR) and their conversion to and from QColor.
//
// The controls keep colours as COLORREF int32 values because their tables hold special values
// beside real colours: -1 means "the default colour" of whatever is being drawn, and the
// controls give meaning to others (-2, 0xFF000000) before converting. Pure functions; any thread.
#pragma once

#include <cstdint>

#include <QColor>

namespace rg_Korrin_ChuangKou {

inline constexpr int32_t kDefaultColour = -1;
// The colour Windows uses for button faces; what -1 resolves to in the buttons' tables.
inline constexpr int32_t kButtonFaceColour = 0xF0F0F0;

constexpr int32_t colorRef(int r, int g, int b) {
    return static_cast<int32_t>((static_cast<uint32_t>(b & 0xFF) << 16) |
                                (static_cast<uint32_t>(g & 0xFF) << 8) | static_cast<uint32_t>(r & 0xFF));
}

// 0x00BBGGRR -> opaque QColor; the top byte is ignored. -1 gives `defaultColour`.
QColor colorFromRef(int32_t ref, const QColor& defaultColour = QColor(0, 0, 0));
// QColor -> 0x00BBGGRR (alpha dropped); an invalid colour gives -1.
int32_t colorRefFromColor(const QColor& colour);
// Packs a COLORREF into the pixel value of a 32-bit QImage (0xFFRRGGBB).
constexpr uint32_t argbFromRef(int32_t ref) {
    const uint32_t v = static_cast<uint32_t>(ref);
    return 0xFF000000u | ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
}

} // namespace rg_Korrin_ChuangKou
