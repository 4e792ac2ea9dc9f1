// rg_Korrin_ZiYuan: the program's embedded images and its application icon.
//
// Every picture is painted at build time by quelix_make_images (resources/make_images.cpp) at 1x
// and 2x and compiled into this library with rcc; resources/README.md lists the numbers, sizes
// and uses. Images are addressed by number, as the window code addresses them.
//
// Invariants: imageResource(id) has exactly the logical size listed in the README; its 2x
// variant has twice that size in pixels and devicePixelRatio 2. Images marked "white key" are
// opaque (RGB32) and paint pure white 0xFFFFFF only where the control is meant to treat them as
// transparent; the others carry an alpha channel and no pure-white pixels either, so they are
// safe for a control that keys white out.
//
// Ownership: returned QImage / QIcon objects are implicitly shared copies of a process-wide cache.
// Threads: any thread may call (the cache is locked); QIcon / QPixmap users must follow Qt's
// rules (GUI thread for pixmaps).
#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>

namespace rg_Korrin_ZiYuan {

// The image numbers the window code uses.
inline constexpr int kImageTextIcons = 500;      // tree icon strip 60 x 20, text marks ("文字图标")
inline constexpr int kImagePictureIcons = 501;   // tree icon strip 60 x 20, pictures
inline constexpr int kImageSlotTab = 502;        // 32 x 32, slot bar tab
inline constexpr int kImageStreamParse = 503;    // 28 x 28, "文件流解析"
inline constexpr int kImageFind = 504;           // 28 x 28, "查找树数据"
inline constexpr int kImageCopyPath = 505;       // 20 x 20, "复制路径"
inline constexpr int kImageStatusBar = 506;      // 24 x 24, status bar
inline constexpr int kImagePastePathJump = 507;  // 20 x 20, "粘贴路径并跳转"
inline constexpr int kImagePaste = 508;          // 16 x 16, paste buttons of the panels
inline constexpr int kImageDropDownArrow = 509;  // 13 x 11, find-options drop-down arrow
inline constexpr int kImageClipboardParse = 510; // 32 x 32, "从剪贴板解析到树"
inline constexpr int kImageJumpIcon = 511;       // 24 x 24, jump icon of the path bar
inline constexpr int kImageCheckBoxOff = 518;    // 20 x 20, check box unchecked (normal image)
inline constexpr int kImageCheckBoxOn = 519;     // 20 x 20, check box checked (pressed image)
inline constexpr int kImageSwitchOff = 520;      // 36 x 20, alternative unchecked image
inline constexpr int kImageSwitchOn = 521;       // 36 x 20, alternative checked image

// The image with number `id`: the 1x picture, or the 2x one (devicePixelRatio 2) when
// devicePixelRatio > 1. A null QImage for a number that has no picture.
QImage imageResource(int id, qreal devicePixelRatio = 1.0);

// Logical size of image `id` (the 1x size); an empty size for a number that has no picture.
QSize imageResourceSize(int id);

// True when image `id` is an opaque picture whose pure-white pixels are meant to be transparent.
bool imageResourceUsesWhiteKey(int id);

// Image `id` as an icon holding its 1x and 2x pixmaps (for standard Qt buttons). GUI thread only.
QIcon imageResourceIcon(int id);

// The application icon, 16 to 256 pixels. GUI thread only.
QIcon applicationIcon();

} // namespace rg_Korrin_ZiYuan
