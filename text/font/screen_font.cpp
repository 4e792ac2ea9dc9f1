#include "text/font/screen_font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include "runtime/ui/qt_text.h"
#include "text/font_description.h"

namespace rg_Tolvar_MingLingJi {
namespace {

// Heights past this are refused rather than handed to the font engine.
constexpr int kMaxCellHeight = 2048;

// Sets a pixel size whose cell (ascent + descent) is `cellHeight`, as a positive height asks.
void setCellHeight(QFont& font, int cellHeight) {
    font.setPixelSize(cellHeight);
    const qreal cell = QFontMetricsF(font).height();
    if (cell > cellHeight + 0.5) {
        const int em = static_cast<int>(std::lround(cellHeight * cellHeight / cell));
        font.setPixelSize(std::max(em, 1));
    }
}

} // namespace

double screenDpiY() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const double dpi = screen->logicalDotsPerInchY();
        if (dpi > 0) return dpi;
    }
    return 96.0;
}

rg_Korrin_ChuangKou::ScreenFont fontFromDescription(CWStringView description) {
    rg_Korrin_ChuangKou::ScreenFont out;
    out.font = QGuiApplication::font();
    out.font.setStyleStrategy(QFont::PreferQuality);
    const ScreenFontFields fields = screenFontFields(description);
    if (fields.face && !fields.face->empty()) {
        const size_t n = std::min<size_t>(fields.face->size(), 31);
        out.font.setFamilies({rg_Korrin_ChuangKou::toQString(CWStringView(*fields.face).substr(0, n))});
    }
    if (fields.points) {
        const double points = std::abs(static_cast<double>(*fields.points));
        const double h = std::floor(screenDpiY() * points / 72.0 + 0.5);
        if (h > 0 && h <= kMaxCellHeight) setCellHeight(out.font, static_cast<int>(h));
    }
    if (fields.bold) out.font.setWeight(*fields.bold ? QFont::Bold : QFont::Normal);
    if (fields.italic) out.font.setItalic(*fields.italic);
    if (fields.underline) out.font.setUnderline(*fields.underline);
    if (fields.strikeout) out.font.setStrikeOut(*fields.strikeout);
    if (fields.angle) {
        int32_t a = *fields.angle % 3600;
        if (a < 0) a += 3600;
        out.angle = a;
    }
    return out;
}

} // namespace rg_Tolvar_MingLingJi
