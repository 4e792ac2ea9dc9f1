#include "runtime/ui/canvas.h"

#include <algorithm>
#include <cmath>

#include <QPaintEvent>

#include "runtime/ui/colour.h"
#include "runtime/ui/qt_text.h"

namespace rg_Korrin_ChuangKou {
namespace {

QRect gdiRect(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

rg_HuaBan::rg_HuaBan(QWidget* parent) : WindowBase(parent), metrics_(font_.font) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    font_.font = QWidget::font();
    metrics_ = QFontMetrics(font_.font, this);
}

rg_HuaBan::~rg_HuaBan() {
    endPainter();
}

QPainter* rg_HuaBan::painter() {
    if (!painter_.isActive()) {
        ensureImage();
        if (image_.isNull()) return nullptr;
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
        painter_.setFont(font_.font);
        painter_.setBrush(brushColour_ == -1 ? QBrush(Qt::NoBrush) : QBrush(colorFromRef(brushColour_)));
        penDirty_ = true;
    }
    return &painter_;
}

void rg_HuaBan::applyPen() {
    if (nullPen_) {
        painter_.setPen(Qt::NoPen);
    } else {
        QPen pen(colorFromRef(penColour_, QColor(0, 0, 0)));
        pen.setWidth(1);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter_.setPen(pen);
    }
    penDirty_ = false;
}

void rg_HuaBan::endPainter() {
    if (painter_.isActive()) painter_.end();
}

void rg_HuaBan::drawn() {
    if (suspendDepth_ == 0) update();
}

void rg_HuaBan::setBackColour(int32_t ref) {
    backColour_ = ref == -1 ? 0xFFFFFF : ref;
}

void rg_HuaBan::setPenColour(int32_t ref) {
    penColour_ = ref;
    nullPen_ = false;
    penDirty_ = true;
}

void rg_HuaBan::setNullPen() {
    nullPen_ = true;
    penDirty_ = true;
}

void rg_HuaBan::setBrushColour(int32_t ref) {
    brushColour_ = ref;
    if (painter_.isActive()) painter_.setBrush(ref == -1 ? QBrush(Qt::NoBrush) : QBrush(colorFromRef(ref)));
}

void rg_HuaBan::setTextColour(int32_t ref) {
    textColour_ = ref;
}
void rg_HuaBan::setTextBackColour(int32_t ref) {
    textBackColour_ = ref;
}

void rg_HuaBan::setScreenFont(const ScreenFont& font) {
    font_ = font;
    metrics_ = QFontMetrics(font_.font, this);
    if (painter_.isActive()) painter_.setFont(font_.font);
}

void rg_HuaBan::clear() {
    if (QPainter* p = painter()) {
        p->fillRect(QRect(QPoint(0, 0), size()), colorFromRef(backColour_));
        drawn();
    }
}

void rg_HuaBan::fillRect(int left, int top, int right, int bottom, int32_t colourRef) {
    const QRect r = gdiRect(left, top, right, bottom);
    if (r.isEmpty()) return;
    if (QPainter* p = painter()) {
        p->fillRect(r, colorFromRef(colourRef));
        drawn();
    }
}

void rg_HuaBan::line(int x1, int y1, int x2, int y2) {
    if ((x1 == x2 && y1 == y2) || nullPen_) return;
    QPainter* p = painter();
    if (!p) return;
    // The pixels from the first point up to, not including, the last one. Axis-aligned lines
    // (nearly all of them) are one filled span; others are stepped along the longer axis.
    const QColor colour = colorFromRef(penColour_, QColor(0, 0, 0));
    const int dx = x2 - x1, dy = y2 - y1;
    if (dy == 0) {
        const int from = dx > 0 ? x1 : x2 + 1;
        p->fillRect(QRect(from, y1, std::abs(dx), 1), colour);
    } else if (dx == 0) {
        const int from = dy > 0 ? y1 : y2 + 1;
        p->fillRect(QRect(x1, from, 1, std::abs(dy)), colour);
    } else {
        const int steps = std::max(std::abs(dx), std::abs(dy));
        for (int i = 0; i < steps; ++i) {
            const int x = x1 + static_cast<int>(std::lround(static_cast<double>(dx) * i / steps));
            const int y = y1 + static_cast<int>(std::lround(static_cast<double>(dy) * i / steps));
            p->fillRect(QRect(x, y, 1, 1), colour);
        }
    }
    drawn();
}

void rg_HuaBan::rectangle(int left, int top, int right, int bottom) {
    const QRect r = gdiRect(left, top, right, bottom);
    if (r.isEmpty()) return;
    QPainter* p = painter();
    if (!p) return;
    if (brushColour_ != -1) p->fillRect(r, colorFromRef(brushColour_));
    if (!nullPen_) {
        // The outline as four filled spans: exact on the pixel grid and cheaper than a stroke.
        const QColor pen = colorFromRef(penColour_, QColor(0, 0, 0));
        if (r.width() <= 2 || r.height() <= 2) {
            p->fillRect(r, pen);
        } else {
            p->fillRect(QRect(r.left(), r.top(), r.width(), 1), pen);
            p->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), pen);
            p->fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), pen);
            p->fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), pen);
        }
    }
    drawn();
}

void rg_HuaBan::roundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
    const QRect r = gdiRect(left, top, right, bottom);
    if (r.isEmpty()) return;
    QPainter* p = painter();
    if (!p) return;
    const double rx = std::clamp(std::abs(ellipseWidth) / 2.0, 0.0, r.width() / 2.0);
    const double ry = std::clamp(std::abs(ellipseHeight) / 2.0, 0.0, r.height() / 2.0);
    if (r.width() < 3 || r.height() < 3 || rx < 1 || ry < 1) {
        rectangle(left, top, right, bottom);
        return;
    }
    if (std::abs(ellipseWidth) <= 6 && std::abs(ellipseHeight) <= 6) {
        // Small corners by hand, so all four come out alike: each side stops k pixels short of
        // the corner and a diagonal joins them (k = 2 for the usual 5 x 5 ellipse).
        const int kx = std::max(std::abs(ellipseWidth) / 2, 1), ky = std::max(std::abs(ellipseHeight) / 2, 1);
        const int l = r.left(), t = r.top(), rr = r.right(), b = r.bottom();
        if (brushColour_ != -1 && r.width() > 2 && r.height() > 2)
            p->fillRect(r.adjusted(1, 1, -1, -1), colorFromRef(brushColour_));
        if (!nullPen_) {
            const QColor pen = colorFromRef(penColour_, QColor(0, 0, 0));
            p->fillRect(QRect(l + kx, t, rr - l - 2 * kx + 1, 1), pen);
            p->fillRect(QRect(l + kx, b, rr - l - 2 * kx + 1, 1), pen);
            p->fillRect(QRect(l, t + ky, 1, b - t - 2 * ky + 1), pen);
            p->fillRect(QRect(rr, t + ky, 1, b - t - 2 * ky + 1), pen);
            for (int i = 1; i < std::min(kx, ky) + (kx != ky); ++i) {
                const int dx = std::min(i, kx - 1), dy = std::min(ky - i, ky - 1);
                p->fillRect(QRect(l + dx, t + dy, 1, 1), pen);
                p->fillRect(QRect(rr - dx, t + dy, 1, 1), pen);
                p->fillRect(QRect(l + dx, b - dy, 1, 1), pen);
                p->fillRect(QRect(rr - dx, b - dy, 1, 1), pen);
            }
        }
    } else {
        // Outline on the pixel grid of columns l..r-1 like the other shapes; the brush fills inside.
        if (penDirty_) applyPen();
        p->drawRoundedRect(QRectF(r.adjusted(0, 0, -1, -1)), rx, ry);
    }
    drawn();
}

void rg_HuaBan::polygon(const QPoint* points, int count) {
    if (!points || count < 2) return;
    if (QPainter* p = painter()) {
        if (penDirty_) applyPen();
        p->drawPolygon(points, count, Qt::OddEvenFill);
        drawn();
    }
}

void rg_HuaBan::text(int x, int y, CWStringView text) {
    if (text.empty()) return;
    QPainter* p = painter();
    if (!p) return;
    const QString s = rawQString(text);
    const bool rotated = font_.angle % 3600 != 0;
    if (rotated) {
        p->save();
        p->translate(x, y);
        p->rotate(-font_.angle / 10.0);
        x = 0;
        y = 0;
    }
    if (textBackColour_ != -1)
        p->fillRect(QRect(x, y, metrics_.horizontalAdvance(s), metrics_.height()),
                    colorFromRef(textBackColour_));
    p->setPen(colorFromRef(textColour_));
    p->drawText(x, y + metrics_.ascent(), s);
    if (rotated) p->restore();
    penDirty_ = true;
    drawn();
}

QSize rg_HuaBan::textExtent(CWStringView text) const {
    return QSize(metrics_.horizontalAdvance(rawQString(text)), metrics_.height());
}

void rg_HuaBan::drawBitmap(int x, int y, int width, int height, const rg_ZengJiangWeiTuLei& bitmap,
                           int32_t transparentRef) {
    if (bitmap.isNull()) return;
    if (width == 0) width = bitmap.width();
    if (height == 0) height = bitmap.height();
    if (width <= 0 || height <= 0) return;
    QPainter* p = painter();
    if (!p) return;
    const QImage& source = bitmap.withTransparent(transparentRef);
    if (width == bitmap.width() && height == bitmap.height())
        p->drawImage(QPoint(x, y), source);
    else
        p->drawImage(QRect(x, y, width, height), source); // nearest neighbour: no smoothing hint
    drawn();
}

void rg_HuaBan::beginRedrawSuspension() {
    ++suspendDepth_;
}

void rg_HuaBan::endRedrawSuspension() {
    if (suspendDepth_ == 0) return;
    if (--suspendDepth_ == 0) {
        endPainter();
        update();
    }
}

void rg_HuaBan::releaseImage() {
    endPainter();
    image_ = QImage();
}

const QImage& rg_HuaBan::image() {
    endPainter();
    ensureImage();
    return image_;
}

int32_t rg_HuaBan::pixelRef(int x, int y) {
    endPainter();
    ensureImage();
    const qreal dpr = image_.devicePixelRatio();
    const QPoint device(static_cast<int>(x * dpr), static_cast<int>(y * dpr));
    if (!image_.valid(device)) return -1;
    const QRgb c = image_.pixel(device);
    return colorRef(qRed(c), qGreen(c), qBlue(c));
}

void rg_HuaBan::paintEvent(QPaintEvent* event) {
    endPainter();
    ensureImage();
    QPainter p(this);
    if (image_.isNull()) {
        p.fillRect(event->rect(), colorFromRef(backColour_));
        return;
    }
    const QRect r = event->rect();
    const qreal dpr = image_.devicePixelRatio();
    p.drawImage(r, image_, QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
}

void rg_HuaBan::ensureImage() {
    // The window's size can change before Qt delivers the resize event (hidden windows get it
    // when shown), so the image follows the size wherever it is about to be used.
    const int w = width(), h = height();
    const qreal dpr = devicePixelRatioF();
    const QSize device(static_cast<int>(std::ceil(w * dpr)), static_cast<int>(std::ceil(h * dpr)));
    if (w <= 0 || h <= 0) {
        if (!image_.isNull()) {
            endPainter();
            image_ = QImage();
        }
        return;
    }
    if (image_.size() == device && image_.devicePixelRatio() == dpr) return;
    endPainter();
    QImage next(device, QImage::Format_RGB32);
    next.setDevicePixelRatio(dpr);
    next.fill(colorFromRef(backColour_));
    if (!image_.isNull()) {
        QPainter copy(&next);
        copy.drawImage(QPoint(0, 0), image_);
    }
    image_ = std::move(next);
}

void rg_HuaBan::onResized(int32_t width, int32_t height) {
    ensureImage();
    WindowBase::onResized(width, height);
}

} // namespace rg_Korrin_ChuangKou
