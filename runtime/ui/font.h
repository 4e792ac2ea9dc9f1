// ScreenFont: a screen font as the window code applies it: a QFont plus the rotation of the
// text in tenths of a degree (0..3599, counter-clockwise), which QFont cannot hold.
// text/font/screen_font.h makes one from a font description. Value type; UI thread (QFont).
#pragma once

#include <cstdint>

#include <QFont>

namespace rg_Korrin_ChuangKou {

struct ScreenFont {
    QFont font;
    int32_t angle = 0; // tenths of a degree
};

} // namespace rg_Korrin_ChuangKou
