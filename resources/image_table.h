// The table of embedded images: number, logical size, whether white is the transparent key, and
// what the picture shows. Shared by the build-time painter (make_images.cpp) and the library
// (images.cpp) so the two cannot disagree. Plain constant data; any thread.
#pragma once

#include <array>

namespace rg_Korrin_ZiYuan::detail {

struct ImageEntry {
    int id;
    int width; // logical (1x) pixels
    int height;
    bool whiteKey; // opaque picture; pure white 0xFFFFFF is the transparent colour
    const char* what;
};

inline constexpr std::array<ImageEntry, 16> kImages{{
    {500, 60, 20, true, "tree icons with text marks: object, array, value"},
    {501, 60, 20, true, "tree icons as pictures: object, array, value"},
    {502, 32, 32, false, "slot bar tab"},
    {503, 28, 28, false, "stream parse"},
    {504, 28, 28, false, "find in tree"},
    {505, 20, 20, false, "copy path"},
    {506, 24, 24, false, "status bar"},
    {507, 20, 20, false, "paste path and jump"},
    {508, 16, 16, false, "paste into a panel box"},
    {509, 13, 11, false, "drop-down arrow"},
    {510, 32, 32, false, "parse from the clipboard into the tree"},
    {511, 24, 24, false, "jump to the typed path"},
    {518, 20, 20, true, "check box, unchecked"},
    {519, 20, 20, true, "check box, checked"},
    {520, 36, 20, true, "switch, off (alternative check box image)"},
    {521, 36, 20, true, "switch, on (alternative check box image)"},
}};

inline constexpr std::array<int, 6> kAppIconSizes{16, 32, 48, 64, 128, 256};

constexpr const ImageEntry* findImage(int id) {
    for (const ImageEntry& e : kImages)
        if (e.id == id) return &e;
    return nullptr;
}

} // namespace rg_Korrin_ZiYuan::detail
