// rg_TolvarAnNiu1: the custom-drawn push / toggle button.
//
// A component container holding a canvas (control id 101, hollow brush) on which it paints
// itself, and a 50 ms timer that notices the mouse has left. Visual states: 0 normal, 1 hot,
// 2 pressed, 3 disabled; each state picks its text, background and border colour and its image
// from four-entry tables. Colour entries are COLORREF values with three special ones: -2 takes
// the normal state's entry, -1 the button-face colour, kFaceEntry (0xFF000000) `faceColour`.
//
// `clicked` is raised on the left press (not the release) and every left press flips `checked`;
// a toggle button (toggleMode) draws itself pressed while checked. A disabled button (state 3,
// set by the owner) changes nothing and raises nothing. Nothing is painted while the button is
// hidden. The owner may change the public look fields directly and then call redraw().
//
// Handlers must not delete the button synchronously (use deleteLater). UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <QRect>

#include "runtime/types.h"
#include "runtime/ui/bitmap.h"
#include "runtime/ui/canvas.h"
#include "runtime/ui/container.h"
#include "runtime/ui/font.h"
#include "runtime/ui/timer.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

inline constexpr int32_t kTakeNormalEntry = -2;
inline constexpr int32_t kFaceEntry = static_cast<int32_t>(0xFF000000u);

// The colour of state `state` in a four-entry table, special values resolved; `fallback` when
// both the entry and the normal entry are -2.
int32_t resolveButtonColour(const std::array<int32_t, 4>& table, int32_t state, int32_t faceColour,
                            int32_t fallback);

// What one paint of a button needs, colours already resolved.
struct ButtonLook {
    int32_t backColour = 0xECECEC;
    int32_t textColour = 0;
    int32_t borderColour = 0xC0C0C0;
    const rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei* image = nullptr; // may be null
    int32_t imageWidth = 0;                                           // 0 = the bitmap's own
    int32_t imageHeight = 0;
    bool imageFillsButton = false;
    int32_t gap = 5;
    int32_t inset = 5;
    bool centreContent = true;
    bool centreLines = true;
    int32_t transparentColour = 0; // 0 = images drawn opaque
    CWStringView caption;          // lines separated by "\r\n"
};
// Where the image and the caption lines of a button go.
struct ButtonLayout {
    struct Line {
        CWStringView text;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    QRect imageRect;         // empty when there is no image
    std::vector<Line> lines; // empty when the caption is
    int textWidth = 0;       // the widest line
    int textHeight = 0;      // the line heights plus 2 between lines
};
using TextMeasure = std::function<QSize(CWStringView)>;
ButtonLayout layoutButton(const ButtonLook& look, int width, int height, const TextMeasure& measure);
// Paints a button over the whole canvas.
void paintButton(rg_Korrin_ChuangKou::rg_HuaBan& canvas, const ButtonLook& look);

class rg_TolvarAnNiu1 : public rg_Korrin_ChuangKou::rg_ZuJianBuJuQi {
    Q_OBJECT
public:
    static constexpr int32_t kCanvasId = 101;
    static constexpr int32_t kTimerId = 102;
    static constexpr int32_t kHoverInterval = 50;
    enum : int32_t { Normal = 0, Hot = 1, Pressed = 2, Disabled = 3 };

    explicit rg_TolvarAnNiu1(QWidget* parent = nullptr);

    void setCaption(CWStringView caption);
    const CWString& caption() const { return caption_; }
    void setTooltip(CWStringView tooltip);
    const CWString& tooltip() const { return tooltip_; }
    void setScreenFont(const rg_Korrin_ChuangKou::ScreenFont& font);
    // The font from a font description such as ", 11, 0, 0, 0, 0, 0".
    void setFontDescription(CWStringView description);

    // Images from embedded resources (false when the number has no picture) or given directly.
    bool setNormalImage(int32_t resourceId);
    bool setHotImage(int32_t resourceId);
    bool setPressedImage(int32_t resourceId);
    void setNormalImage(const rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei& image);
    void setHotImage(const rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei& image);
    void setPressedImage(const rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei& image);

    int32_t state() const { return state_; }
    void setState(int32_t state); // 0..3, repaints
    int32_t checked() const { return checked_; }
    void setChecked(int32_t checked); // repaints
    bool isShownFlag() const { return shown_; }
    bool hoverTimerRunning() const { return hoverTimer_->isRunning(); }

    // Paints the button as its state and look fields stand (only while shown).
    void redraw();
    // The look of the state as it would be painted now.
    ButtonLook currentLook() const;
    rg_Korrin_ChuangKou::rg_HuaBan* canvas() const { return canvas_; }

    // Look fields; call redraw() after changing them.
    int32_t toggleMode = 0;
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    int32_t imageFillsButton = 0;
    int32_t gap = 5;
    int32_t inset = 5;
    int32_t centreContent = 1;
    int32_t centreLines = 1;
    int32_t transparentColour = 0;
    int32_t faceColour = -1;
    rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei normalImage;
    rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei hotImage;
    rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei pressedImage;
    rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei disabledImage;
    std::array<int32_t, 4> textColours{0, 0x0000FF, kTakeNormalEntry, 0xC0C0C0};
    std::array<int32_t, 4> backColours{0xECECEC, 0xFBF1E5, 0xFBF1E5, kTakeNormalEntry};
    std::array<int32_t, 4> borderColours{0xC0C0C0, 0xDB8417, kTakeNormalEntry, kTakeNormalEntry};

    rg_Korrin_JiBen::Event<rg_TolvarAnNiu1> clicked{this};
    rg_Korrin_JiBen::Event<rg_TolvarAnNiu1> doubleClicked{this};
    rg_Korrin_JiBen::Event<rg_TolvarAnNiu1> rightReleased{this};
    // Mouse moves over the button are raised as the inherited mouseMoved (x, y, modifier bits).

protected:
    void onResized(int32_t width, int32_t height) override;
    void onShown() override;
    void onHidden() override;

private:
    int32_t drawnState() const;
    void hoverTick();
    void mouseMove(int32_t x, int32_t y, int32_t mods);

    rg_Korrin_ChuangKou::rg_HuaBan* canvas_; // owned (Qt child)
    rg_Korrin_ChuangKou::Timer* hoverTimer_; // owned (Qt child)
    CWString caption_;
    CWString tooltip_;
    int32_t state_ = Normal;
    int32_t checked_ = 0;
    bool shown_ = false;
    QPoint hoverCanvasPoint_;
    QPoint hoverScreenPoint_;
    bool mouseLeftCanvas_ = false;
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
