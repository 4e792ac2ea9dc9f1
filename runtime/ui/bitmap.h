// rg_ZengJiangWeiTuLei: a bitmap that can be drawn with one colour treated as transparent.
//
// Holds one image (value semantics; QImage shares pixels until written); its size is counted in
// device-independent pixels, so a high-DPI picture draws at the size of its 1x form. withTransparent()
// gives the image with every pixel of a COLORREF colour made fully transparent; the result for
// the last colour asked for is cached, so drawing the same bitmap again costs no conversion.
// UI thread (the cache is not synchronised).
#pragma once

#include <cstdint>

#include <QImage>

namespace rg_Korrin_ChuangKou {

class rg_ZengJiangWeiTuLei {
public:
    rg_ZengJiangWeiTuLei() = default;
    explicit rg_ZengJiangWeiTuLei(const QImage& image) { setImage(image); }

    void setImage(const QImage& image);
    // Loads an embedded image resource by number (runtime/ui/image_resources.h); false and an
    // empty bitmap when there is none.
    bool loadResource(int32_t resourceId);
    void clear() { setImage(QImage()); }

    bool isNull() const { return image_.isNull(); }
    // Size in device-independent pixels (a 2x picture of 20 x 20 pixels is 10 x 10).
    int width() const;
    int height() const;
    const QImage& image() const { return image_; }

    // The image with `colourRef` (0x00BBGGRR) transparent; -1 gives the image as it is.
    const QImage& withTransparent(int32_t colourRef) const;
    // A part of the image as a bitmap of its own (clipped to the image).
    rg_ZengJiangWeiTuLei cut(int x, int y, int width, int height) const;

private:
    QImage image_;          // Format_ARGB32_Premultiplied, or null
    mutable QImage masked_; // image_ with maskedColour_ transparent
    mutable int32_t maskedColour_ = -1;
};

} // namespace rg_Korrin_ChuangKou
