#include "controls/scroll_bar.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using rg_Korrin_ChuangKou::rg_HuaBan;

namespace {

int32_t clampToInt32(double v) {
    if (!(v > std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    if (v >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

int32_t clampToInt32(int64_t v) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// One axis-aligned rectangle of the bar: `a0..a1` along the axis, `c0..c1` across it.
void barRect(rg_HuaBan& canvas, bool vertical, int a0, int c0, int a1, int c1) {
    if (vertical)
        canvas.rectangle(c0, a0, c1, a1);
    else
        canvas.rectangle(a0, c0, a1, c1);
}

} // namespace

ScrollBarGeometry scrollBarGeometry(int32_t length, int32_t thickness, int32_t maximum, int32_t position) {
    ScrollBarGeometry g;
    const int64_t max = std::max<int32_t>(maximum, 1);
    const int64_t track = int64_t{length} - 2 * int64_t{thickness} - 2;
    const int64_t thumb = std::max<int64_t>(track - max, thickness);
    g.trackLength = clampToInt32(track);
    g.thumbLength = clampToInt32(thumb);
    g.pixelsPerPosition = static_cast<double>(track - thumb) / static_cast<double>(max);
    // std::lround rounds halves away from zero.
    const double offset = (static_cast<double>(position) - 1.0) * g.pixelsPerPosition;
    g.thumbStart = clampToInt32(static_cast<int64_t>(std::lround(std::clamp(offset, -1e15, 1e15))) +
                                int64_t{thickness} + 1);
    return g;
}

void paintScrollBar(rg_HuaBan& canvas, const ScrollBarLook& look) {
    const int th = look.thickness;
    canvas.beginRedrawSuspension();
    canvas.setBackColour(rg_TolvarGunDongTiao::kBackColour);
    canvas.clear();
    canvas.setBrushColour(rg_TolvarGunDongTiao::kFaceColour);
    for (int b = 0; b < 2; ++b) {
        const bool pressed = look.pressedPart == b + 1;
        const int a0 = b == 0 ? 0 : look.length - th;
        canvas.setPenColour(pressed ? rg_TolvarGunDongTiao::kPressedPenColour
                                    : rg_TolvarGunDongTiao::kPenColour);
        barRect(canvas, look.vertical, a0, 0, a0 + th, th);
        if (pressed && look.pressedLook) {
            for (const int inset : {th / 8, th / 4, static_cast<int>(th / 2.66)})
                barRect(canvas, look.vertical, a0 + inset, inset, a0 + th - inset, th - inset);
        } else {
            const int inset = static_cast<int>(th / 5.33);
            barRect(canvas, look.vertical, a0 + inset, inset, a0 + th - inset, th - inset);
        }
    }
    canvas.setPenColour(look.pressedPart == 3 ? rg_TolvarGunDongTiao::kPressedPenColour
                                              : rg_TolvarGunDongTiao::kPenColour);
    const int s = look.thumbStart, n = look.thumbLength;
    if (look.vertical)
        canvas.roundRect(0, s, th, s + n, 5, 5);
    else
        canvas.roundRect(s, 0, s + n, th, 5, 5);
    const int mid = s + n / 2;
    auto grip = [&](int k) {
        if (look.vertical)
            canvas.line(0, mid + k, th, mid + k);
        else
            canvas.line(mid + k, 0, mid + k, th);
    };
    if (n <= 10) {
        grip(-1);
        grip(0);
    } else {
        for (const int k : {-4, -2, 0, 2, 4})
            grip(k);
    }
    canvas.endRedrawSuspension();
}

rg_TolvarGunDongTiao::rg_TolvarGunDongTiao(QWidget* parent, bool vertical)
    : rg_ZuJianBuJuQi(parent), canvas_(new rg_HuaBan(this)), vertical_(vertical) {
    addControl(canvas_, kCanvasId);
    canvas_->setFocusPolicy(Qt::ClickFocus);
    canvas_->setBackColour(kBackColour);
    canvas_->leftDown.bind([this](int32_t x, int32_t y, int32_t) { leftDown(along(x, y)); });
    // A quick second click on an arrow or the track moves again instead of being lost.
    canvas_->leftDoubleClicked.bind([this](int32_t x, int32_t y, int32_t) { leftDown(along(x, y)); });
    canvas_->leftUp.bind([this](int32_t, int32_t, int32_t) {
        if (tracking_) endTracking();
    });
    canvas_->mouseMoved.bind([this](int32_t, int32_t, int32_t) {
        if (!tracking_) return;
        if (!(canvas_->lastMouseButtons() & Qt::LeftButton)) {
            endTracking(); // the release went elsewhere
            return;
        }
        if (pressedPart_ == 3) dragTo(screenAlong());
    });
    canvas_->rightDown.bind([this](int32_t x, int32_t y, int32_t) { rightDown(along(x, y)); });
    canvas_->rightUp.bind([this](int32_t, int32_t, int32_t) {
        pressedPart_ = 0;
        refresh(0, 0);
    });
    canvas_->wheel.bind([this](int32_t notches, int32_t) {
        position_ = clampToInt32(int64_t{position_} - notches);
        refresh(0, 0);
    });
    canvas_->keyDown.bind([this](int32_t key, int32_t mods) { keyDown.raise(key, mods); });
    canvas_->keyUp.bind([this](int32_t key, int32_t mods) { keyUp.raise(key, mods); });
    canvas_->hidden.bind([this] {
        if (tracking_) endTracking();
    });
}

void rg_TolvarGunDongTiao::setVertical(bool vertical) {
    vertical_ = vertical;
    measure();
}

void rg_TolvarGunDongTiao::measure() {
    length_ = vertical_ ? canvas_->height() : canvas_->width();
    thickness_ = vertical_ ? canvas_->width() : canvas_->height();
}

int32_t rg_TolvarGunDongTiao::screenAlong() const {
    const QPoint p = canvas_->lastMouseScreenPos();
    return vertical_ ? p.y() : p.x();
}

void rg_TolvarGunDongTiao::refresh(int32_t pressedPart, int32_t pressedLook) {
    if (maximum_ < 1) maximum_ = 1; // also keeps pixels per position finite
    const ScrollBarGeometry before = scrollBarGeometry(length_, thickness_, maximum_, 1);
    thumbLength_ = before.thumbLength;
    pixelsPerPosition_ = before.pixelsPerPosition;
    if (position_ < 1) position_ = 1;
    if (position_ > maximum_) position_ = maximum_;
    thumbStart_ = scrollBarGeometry(length_, thickness_, maximum_, position_).thumbStart;

    ScrollBarLook look;
    look.vertical = vertical_;
    look.length = length_;
    look.thickness = thickness_;
    look.thumbStart = thumbStart_;
    look.thumbLength = thumbLength_;
    look.pressedPart = pressedPart;
    look.pressedLook = pressedLook != 0;
    paintScrollBar(*canvas_, look);

    if (position_ != reportedPosition_) {
        reportedPosition_ = position_;
        positionChanged.raise(position_);
    }
}

void rg_TolvarGunDongTiao::leftDown(int32_t c) {
    if (c < thickness_) {
        pressedPart_ = 1;
        position_ = clampToInt32(int64_t{position_} - step_);
        refresh(1, 1);
    } else if (c > length_ - thickness_) {
        pressedPart_ = 2;
        position_ = clampToInt32(int64_t{position_} + step_);
        refresh(2, 1);
    } else if (c < thumbStart_ || c > thumbStart_ + thumbLength_) {
        pressedPart_ = 0;
        // A bar too short to have a track has no positions to jump to.
        if (pixelsPerPosition_ > 0)
            position_ = clampToInt32(std::ceil((c - thickness_ - 1) / pixelsPerPosition_));
        refresh(0, 0);
        return;
    } else {
        pressedPart_ = 3;
        dragging_ = true;
    }
    pressCoordinate_ = screenAlong();
    lastCursor_ = pressCoordinate_;
    pressPosition_ = position_;
    tracking_ = true;
}

void rg_TolvarGunDongTiao::dragTo(int32_t screenCoordinate) {
    lastCursor_ = screenCoordinate;
    if (!(pixelsPerPosition_ > 0)) return;
    const int64_t delta = int64_t{screenCoordinate} - pressCoordinate_;
    const int64_t d =
        static_cast<int64_t>(std::ceil(static_cast<double>(delta < 0 ? -delta : delta) / pixelsPerPosition_));
    const int64_t target = int64_t{pressPosition_} + (delta > 0 ? d : -d);
    dragTarget_ = static_cast<int32_t>(std::clamp<int64_t>(target, 1, maximum_));
    if (dragTarget_ != position_) {
        position_ = dragTarget_;
        refresh(3, 1);
    }
}

void rg_TolvarGunDongTiao::endTracking() {
    tracking_ = false;
    if (dragging_) {
        dragging_ = false;
        dragEnded.raise();
    }
    pressedPart_ = 0;
    refresh(0, 0);
}

void rg_TolvarGunDongTiao::rightDown(int32_t c) {
    if (c < thickness_) {
        pressedPart_ = 1;
        position_ = 1;
        refresh(1, 1);
    } else if (c > length_ - thickness_) {
        pressedPart_ = 2;
        position_ = maximum_;
        refresh(2, 1);
    } else {
        refresh(pressedPart_, 1);
    }
}

void rg_TolvarGunDongTiao::onResized(int32_t width, int32_t height) {
    if (width > 0 && height > 0) {
        place(canvas_, 0, 0, width, height);
        measure();
        refresh(0, 0);
    }
    rg_ZuJianBuJuQi::onResized(width, height);
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
