#include "runtime/ui/bitmap.h"

#include "runtime/ui/colour.h"
#include "runtime/ui/image_resources.h"

namespace rg_Korrin_ChuangKou {

void rg_ZengJiangWeiTuLei::setImage(const QImage& image) {
    image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    masked_ = QImage();
    maskedColour_ = -1;
}

bool rg_ZengJiangWeiTuLei::loadResource(int32_t resourceId) {
    setImage(loadImageResource(resourceId));
    return !image_.isNull();
}

int rg_ZengJiangWeiTuLei::width() const {
    return static_cast<int>(image_.width() / image_.devicePixelRatio() + 0.5);
}

int rg_ZengJiangWeiTuLei::height() const {
    return static_cast<int>(image_.height() / image_.devicePixelRatio() + 0.5);
}

const QImage& rg_ZengJiangWeiTuLei::withTransparent(int32_t colourRef) const {
    if (colourRef == kDefaultColour || image_.isNull()) return image_;
    if (maskedColour_ == colourRef && !masked_.isNull()) return masked_;
    QImage out = image_.copy();
    const uint32_t key = argbFromRef(colourRef) & 0x00FFFFFFu;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            // Only opaque pixels can match: premultiplied colour equals the colour only there.
            if ((line[x] >> 24) == 0xFF && (line[x] & 0x00FFFFFFu) == key) line[x] = 0;
        }
    }
    masked_ = std::move(out);
    maskedColour_ = colourRef;
    return masked_;
}

rg_ZengJiangWeiTuLei rg_ZengJiangWeiTuLei::cut(int x, int y, int width, int height) const {
    const qreal dpr = image_.devicePixelRatio();
    const QRect device(static_cast<int>(x * dpr), static_cast<int>(y * dpr), static_cast<int>(width * dpr),
                       static_cast<int>(height * dpr));
    const QRect part = device.intersected(image_.rect());
    if (part.isEmpty()) return {};
    QImage piece = image_.copy(part);
    piece.setDevicePixelRatio(dpr);
    return rg_ZengJiangWeiTuLei(piece);
}

} // namespace rg_Korrin_ChuangKou
