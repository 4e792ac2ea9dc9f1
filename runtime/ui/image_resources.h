// The program's embedded images, addressed by number (500 to 541).
//
// Images come from the resources library (resources/images.h) at the screen's device pixel
// ratio; a build without it has no pictures and every number gives a null image. UI thread.
#pragma once

#include <cstdint>

#include <QImage>

namespace rg_Korrin_ChuangKou {

// The image with this number (devicePixelRatio set for high-DPI screens); null when missing.
QImage loadImageResource(int32_t resourceId);

} // namespace rg_Korrin_ChuangKou
