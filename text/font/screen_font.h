// fontFromDescription: a font description ("黑体, 15, 0, 0, 0, 0, 0") as a screen font.
//
// Starts from the application's default font and changes only what the description's fields
// set: the face (cut to 31 characters), the size (points turned into a cell height in pixels at
// the screen's vertical DPI), bold/italic/underline/strike-out (set exactly for "1", cleared
// otherwise) and the rotation (tenths of a degree, taken modulo 3600). Needs a QGuiApplication;
// UI thread.
#pragma once

#include "runtime/types.h"
#include "runtime/ui/font.h"

namespace rg_Tolvar_MingLingJi {

rg_Korrin_ChuangKou::ScreenFont fontFromDescription(CWStringView description);

// The screen's vertical pixels per inch as fontFromDescription uses it (96 without a screen).
double screenDpiY();

} // namespace rg_Tolvar_MingLingJi
