#include "controls/button.h"

#include <algorithm>
#include <vector>

#include "runtime/ui/colour.h"
#include "runtime/ui/platform.h"
#include "runtime/ui/qt_text.h"
#include "text/font/screen_font.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using rg_Korrin_ChuangKou::rg_HuaBan;
using rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei;

int32_t resolveButtonColour(const std::array<int32_t, 4>& table, int32_t state, int32_t faceColour,
                            int32_t fallback) {
    int32_t c = table[static_cast<size_t>(std::clamp(state, 0, 3))];
    if (c == kTakeNormalEntry) c = table[0];
    if (c == kTakeNormalEntry) return fallback;
    if (c == kFaceEntry) c = faceColour;
    if (c == rg_Korrin_ChuangKou::kDefaultColour || c == kFaceEntry || c == kTakeNormalEntry)
        c = rg_Korrin_ChuangKou::kButtonFaceColour;
    return c;
}

ButtonLayout layoutButton(const ButtonLook& look, int w, int h, const TextMeasure& measure) {
    ButtonLayout out;
    const rg_ZengJiangWeiTuLei* image = look.image && !look.image->isNull() ? look.image : nullptr;
    const int imageW = image ? (look.imageWidth ? look.imageWidth : image->width()) : 0;
    const int imageH = image ? (look.imageHeight ? look.imageHeight : image->height()) : 0;
    if (!look.caption.empty()) {
        size_t start = 0;
        for (;;) {
            const size_t end = look.caption.find(u"\r\n", start);
            const CWStringView part =
                look.caption.substr(start, end == CWStringView::npos ? CWStringView::npos : end - start);
            const QSize extent = measure(part);
            out.lines.push_back({part, 0, 0, extent.width(), extent.height()});
            out.textWidth = std::max(out.textWidth, extent.width());
            out.textHeight += extent.height();
            if (end == CWStringView::npos) break;
            start = end + 2;
        }
        out.textHeight += 2 * static_cast<int>(out.lines.size() - 1);
    }
    const int d = out.textWidth;
    int x = look.inset;
    if (image) {
        if (look.centreContent) x = std::max((w - imageW - (d > 0 ? look.gap : 0) - d) / 2, look.inset);
        out.imageRect = QRect(x, (h - imageH) / 2, imageW, imageH);
    }
    if (d > 0) {
        int textX;
        if (image)
            textX = x + imageW + look.gap;
        else
            textX = look.centreContent ? std::max((w - d) / 2, look.inset) : look.inset;
        int y = (h - out.textHeight) / 2;
        for (ButtonLayout::Line& line : out.lines) {
            line.x = textX + (look.centreLines ? (d - line.width) / 2 : 0);
            line.y = y;
            y += line.height + 2;
        }
    } else {
        out.lines.clear();
    }
    return out;
}

void paintButton(rg_HuaBan& canvas, const ButtonLook& look) {
    const int w = canvas.width(), h = canvas.height();
    canvas.beginRedrawSuspension();
    canvas.setBackColour(look.backColour);
    canvas.clear();
    canvas.setHollowBrush();
    const rg_ZengJiangWeiTuLei* image = look.image && !look.image->isNull() ? look.image : nullptr;
    const int32_t key = look.transparentColour != 0 ? look.transparentColour : -1;
    if (look.imageFillsButton) {
        if (image) canvas.drawBitmap(0, 0, w, h, *image, key);
        canvas.endRedrawSuspension();
        return;
    }
    canvas.setPenColour(look.borderColour);
    canvas.rectangle(0, 0, w, h);
    const ButtonLayout layout =
        layoutButton(look, w, h, [&canvas](CWStringView text) { return canvas.textExtent(text); });
    if (image && !layout.imageRect.isEmpty())
        canvas.drawBitmap(layout.imageRect.x(), layout.imageRect.y(), layout.imageRect.width(),
                          layout.imageRect.height(), *image, key);
    canvas.setTextColour(look.textColour);
    canvas.setTextBackColour(-1);
    for (const ButtonLayout::Line& line : layout.lines)
        canvas.text(line.x, line.y, line.text);
    canvas.endRedrawSuspension();
}

rg_TolvarAnNiu1::rg_TolvarAnNiu1(QWidget* parent)
    : rg_ZuJianBuJuQi(parent), canvas_(new rg_HuaBan(this)),
      hoverTimer_(new rg_Korrin_ChuangKou::Timer(this)) {
    addControl(canvas_, kCanvasId);
    hoverTimer_->setObjectName(QStringLiteral("hoverTimer"));
    canvas_->setHollowBrush();

    canvas_->mouseMoved.bind([this](int32_t x, int32_t y, int32_t mods) { mouseMove(x, y, mods); });
    canvas_->mouseLeft.bind([this] {
        mouseLeftCanvas_ = true;
        if (!hoverTimer_->isRunning() && state_ == Hot) hoverTimer_->setInterval(kHoverInterval);
    });
    hoverTimer_->tick.bind([this] { hoverTick(); });
    canvas_->leftDown.bind([this](int32_t, int32_t, int32_t) {
        if (state_ == Disabled) return; // a disabled button neither changes nor reports
        state_ = Pressed;
        checked_ = checked_ ? 0 : 1;
        redraw();
        clicked.raise();
    });
    canvas_->leftUp.bind([this](int32_t, int32_t, int32_t) {
        if (state_ == Disabled) return;
        state_ = Hot;
        redraw();
    });
    canvas_->leftDoubleClicked.bind([this](int32_t, int32_t, int32_t) {
        if (state_ != Disabled) doubleClicked.raise();
    });
    canvas_->rightDown.bind([this](int32_t, int32_t, int32_t) {
        if (state_ == Disabled) return;
        state_ = Pressed;
        redraw();
    });
    canvas_->rightUp.bind([this](int32_t, int32_t, int32_t) {
        if (state_ == Disabled) return;
        state_ = Hot;
        redraw();
        rightReleased.raise();
    });
    canvas_->keyDown.bind([this](int32_t key, int32_t mods) { keyDown.raise(key, mods); });
    canvas_->wheel.bind([this](int32_t notches, int32_t mods) { wheel.raise(notches, mods); });
}

void rg_TolvarAnNiu1::setCaption(CWStringView caption) {
    caption_ = CWString(caption);
    redraw();
}

void rg_TolvarAnNiu1::setTooltip(CWStringView tooltip) {
    tooltip_ = CWString(tooltip);
    canvas_->setToolTip(rg_Korrin_ChuangKou::toQString(tooltip_));
}

void rg_TolvarAnNiu1::setScreenFont(const rg_Korrin_ChuangKou::ScreenFont& font) {
    canvas_->setScreenFont(font);
    redraw();
}

void rg_TolvarAnNiu1::setFontDescription(CWStringView description) {
    setScreenFont(rg_Tolvar_MingLingJi::fontFromDescription(description));
}

bool rg_TolvarAnNiu1::setNormalImage(int32_t resourceId) {
    const bool ok = normalImage.loadResource(resourceId);
    redraw();
    return ok;
}

bool rg_TolvarAnNiu1::setHotImage(int32_t resourceId) {
    const bool ok = hotImage.loadResource(resourceId);
    redraw();
    return ok;
}

bool rg_TolvarAnNiu1::setPressedImage(int32_t resourceId) {
    const bool ok = pressedImage.loadResource(resourceId);
    redraw();
    return ok;
}

void rg_TolvarAnNiu1::setNormalImage(const rg_ZengJiangWeiTuLei& image) {
    normalImage = image;
    redraw();
}

void rg_TolvarAnNiu1::setHotImage(const rg_ZengJiangWeiTuLei& image) {
    hotImage = image;
    redraw();
}

void rg_TolvarAnNiu1::setPressedImage(const rg_ZengJiangWeiTuLei& image) {
    pressedImage = image;
    redraw();
}

void rg_TolvarAnNiu1::setState(int32_t state) {
    state_ = std::clamp(state, 0, 3);
    redraw();
}

void rg_TolvarAnNiu1::setChecked(int32_t checked) {
    checked_ = checked ? 1 : 0;
    redraw();
}

int32_t rg_TolvarAnNiu1::drawnState() const {
    if (toggleMode && checked_ && (state_ == Normal || state_ == Hot)) return Pressed;
    return state_;
}

ButtonLook rg_TolvarAnNiu1::currentLook() const {
    const int32_t d = drawnState();
    ButtonLook look;
    look.backColour = resolveButtonColour(backColours, d, faceColour, 0xECECEC);
    look.textColour = resolveButtonColour(textColours, state_, faceColour, 0);
    look.borderColour = resolveButtonColour(borderColours, d, faceColour, 0xC0C0C0);
    const rg_ZengJiangWeiTuLei* images[4] = {&normalImage, &hotImage, &pressedImage, &disabledImage};
    look.image = images[d]->isNull() ? &normalImage : images[d];
    look.imageWidth = imageWidth;
    look.imageHeight = imageHeight;
    look.imageFillsButton = imageFillsButton != 0;
    look.gap = gap;
    look.inset = inset;
    look.centreContent = centreContent != 0;
    look.centreLines = centreLines != 0;
    look.transparentColour = transparentColour;
    look.caption = caption_;
    return look;
}

void rg_TolvarAnNiu1::redraw() {
    if (!shown_) return;
    paintButton(*canvas_, currentLook());
}

void rg_TolvarAnNiu1::mouseMove(int32_t x, int32_t y, int32_t mods) {
    mouseLeftCanvas_ = false;
    if (!hoverTimer_->isRunning()) {
        hoverCanvasPoint_ = QPoint(x, y);
        hoverScreenPoint_ = canvas_->lastMouseScreenPos();
        hoverTimer_->setInterval(kHoverInterval);
    }
    if (state_ == Normal) {
        state_ = Hot;
        redraw();
    }
    mouseMoved.raise(x, y, mods);
}

void rg_TolvarAnNiu1::hoverTick() {
    const QPoint now = rg_Korrin_ChuangKou::platform().cursorScreenPos();
    const QPoint inCanvas = hoverCanvasPoint_ + (now - hoverScreenPoint_);
    const bool inside = inCanvas.x() >= 0 && inCanvas.x() < canvas_->width() && inCanvas.y() >= 0 &&
                        inCanvas.y() < canvas_->height();
    if (inside && !mouseLeftCanvas_) return;
    hoverTimer_->stop();
    mouseLeftCanvas_ = false;
    if (state_ != Disabled) {
        state_ = Normal;
        redraw();
    }
}

void rg_TolvarAnNiu1::onResized(int32_t width, int32_t height) {
    if (width > 0 && height > 0) {
        place(canvas_, 0, 0, width, height);
        redraw();
    }
    rg_ZuJianBuJuQi::onResized(width, height);
}

void rg_TolvarAnNiu1::onShown() {
    shown_ = true;
    redraw();
    rg_ZuJianBuJuQi::onShown();
}

void rg_TolvarAnNiu1::onHidden() {
    shown_ = false;
    rg_ZuJianBuJuQi::onHidden();
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
