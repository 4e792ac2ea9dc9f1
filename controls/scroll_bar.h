// rg_TolvarGunDongTiao: the custom-drawn scroll bar.
//
// A component container holding one canvas (control id 101) on which the whole bar is drawn:
// an arrow button at each end (nested squares), the track and a rounded thumb with grip lines.
// Positions run from 1 to maximum. The owner sets maximum and position, then calls refresh(),
// which clamps the position, repaints once and raises positionChanged when the position differs
// from the one last reported. A left press on an arrow moves by `step`, on the track jumps to the
// position under the cursor, on the thumb starts a drag that follows the mouse until the button is
// released (dragEnded then). A right press on an arrow jumps to the first or last position. The
// wheel moves one position per notch. Key presses on the bar are only reported (keyDown).
//
// Invariants after refresh(): 1 <= position <= maximum, maximum >= 1. Geometry (thumb start and
// length, pixels per position) is that of the last refresh. The canvas is a Qt child; UI thread.
#pragma once

#include <cstdint>

#include "runtime/ui/canvas.h"
#include "runtime/ui/container.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

// The bar's geometry along its axis for one maximum and position.
struct ScrollBarGeometry {
    int32_t trackLength = 0; // length - 2 * thickness - 2
    int32_t thumbLength = 0; // trackLength - maximum, at least thickness
    double pixelsPerPosition = 0;
    int32_t thumbStart = 0; // pixels from the bar's start
};
ScrollBarGeometry scrollBarGeometry(int32_t length, int32_t thickness, int32_t maximum, int32_t position);

// What one paint of the bar needs.
struct ScrollBarLook {
    bool vertical = false;
    int32_t length = 0;
    int32_t thickness = 0;
    int32_t thumbStart = 0;
    int32_t thumbLength = 0;
    int32_t pressedPart = 0; // 0 none/track, 1 first arrow, 2 second arrow, 3 thumb
    bool pressedLook = false;
};
// Paints the whole bar on `canvas` (background, both arrow buttons, thumb and grips).
void paintScrollBar(rg_Korrin_ChuangKou::rg_HuaBan& canvas, const ScrollBarLook& look);

class rg_TolvarGunDongTiao : public rg_Korrin_ChuangKou::rg_ZuJianBuJuQi {
    Q_OBJECT
public:
    static constexpr int32_t kCanvasId = 101;
    static constexpr int32_t kBackColour = 0xECECEC;
    static constexpr int32_t kFaceColour = 0xEEF5FF;
    static constexpr int32_t kPenColour = 0xB99D7F;
    static constexpr int32_t kPressedPenColour = 0x8050FF;

    explicit rg_TolvarGunDongTiao(QWidget* parent = nullptr, bool vertical = false);

    // Owner-written values; they take effect on the next refresh().
    int32_t step() const { return step_; }
    void setStep(int32_t step) { step_ = step; }
    bool isVertical() const { return vertical_; }
    void setVertical(bool vertical);
    int32_t maximum() const { return maximum_; }
    void setMaximum(int32_t maximum) { maximum_ = maximum; }
    int32_t position() const { return position_; }
    void setPosition(int32_t position) { position_ = position; }

    // Clamps, repaints (part `pressedPart` drawn pressed when `pressedLook`) and reports a change.
    void refresh(int32_t pressedPart = 0, int32_t pressedLook = 0);
    // Length and thickness from the canvas window.
    void measure();

    int32_t reportedPosition() const { return reportedPosition_; }
    int32_t dragTarget() const { return dragTarget_; }
    double pixelsPerPosition() const { return pixelsPerPosition_; }
    bool tracking() const { return tracking_; }
    bool dragging() const { return dragging_; }
    int32_t pressedPart() const { return pressedPart_; }
    int32_t thumbStart() const { return thumbStart_; }
    int32_t thumbLength() const { return thumbLength_; }
    int32_t thickness() const { return thickness_; }
    int32_t length() const { return length_; }
    rg_Korrin_ChuangKou::rg_HuaBan* canvas() const { return canvas_; }

    rg_Korrin_JiBen::Event<rg_TolvarGunDongTiao, int32_t> positionChanged{this};
    rg_Korrin_JiBen::Event<rg_TolvarGunDongTiao> dragEnded{this};

protected:
    void onResized(int32_t width, int32_t height) override;

private:
    int32_t along(int32_t x, int32_t y) const { return vertical_ ? y : x; }
    int32_t screenAlong() const;
    void leftDown(int32_t c);
    void rightDown(int32_t c);
    void dragTo(int32_t screenCoordinate);
    void endTracking();

    int32_t step_ = 1;
    rg_Korrin_ChuangKou::rg_HuaBan* canvas_; // owned (Qt child)
    bool vertical_ = false;
    int32_t maximum_ = 100;
    int32_t position_ = 1;
    int32_t reportedPosition_ = 0;
    int32_t dragTarget_ = 0;
    double pixelsPerPosition_ = 0;
    bool tracking_ = false;
    int32_t pressCoordinate_ = 0;
    int32_t pressPosition_ = 0;
    int32_t thumbLength_ = 0;
    int32_t thumbStart_ = 0;
    int32_t pressedPart_ = 0;
    int32_t thickness_ = 0;
    int32_t length_ = 0;
    int32_t lastCursor_ = 0;
    bool dragging_ = false;
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
