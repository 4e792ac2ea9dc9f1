#include "runtime/ui/colour.h"

namespace rg_Korrin_ChuangKou {

QColor colorFromRef(int32_t ref, const QColor& defaultColour) {
    if (ref == kDefaultColour) return defaultColour;
    const uint32_t v = static_cast<uint32_t>(ref);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

int32_t colorRefFromColor(const QColor& colour) {
    if (!colour.isValid()) return kDefaultColour;
    const QColor rgb = colour.toRgb();
    return colorRef(rgb.red(), rgb.green(), rgb.blue());
}

} // namespace rg_Korrin_ChuangKou
