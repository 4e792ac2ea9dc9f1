// rg_TolvarXuanZhongKuang1: the custom-drawn check box.
//
// A component container whose only child is a rg_TolvarAnNiu1 (control id 101, always filling
// the check box) set up as a toggle button: the box image at the left edge, the caption 5 px after
// it, border and background in the button's face colour so no frame shows. The check state is the
// inner button's `checked`: a left press flips it, repaints with the checked (pressed) or
// unchecked (normal) image and then raises `clicked`, so a handler reads the new state. A
// double-click flips it only once. Caption, tooltip, font and colours are the inner button's.
//
// Owns the inner button (Qt child). UI thread only.
#pragma once

#include <cstdint>

#include "controls/button.h"
#include "runtime/ui/container.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

class rg_TolvarXuanZhongKuang1 : public rg_Korrin_ChuangKou::rg_ZuJianBuJuQi {
    Q_OBJECT
public:
    static constexpr int32_t kButtonId = 101;
    static constexpr int32_t kBoxImage = 518;        // unchecked box, set at creation
    static constexpr int32_t kCheckedBoxImage = 519; // checked box, set at creation

    explicit rg_TolvarXuanZhongKuang1(QWidget* parent = nullptr);

    rg_TolvarAnNiu1* button() const { return button_; }
    int32_t checked() const { return button_->checked(); }
    void setChecked(int32_t checked) { button_->setChecked(checked); }
    void setCaption(CWStringView caption) { button_->setCaption(caption); }
    const CWString& caption() const { return button_->caption(); }

    // Image numbers applied by applyImages(): unchecked -> normal image, checked -> pressed image.
    int32_t uncheckedImage = 520;
    int32_t checkedImage = 521;
    void applyImages();

    rg_Korrin_JiBen::Event<rg_TolvarXuanZhongKuang1> clicked{this};

protected:
    void onResized(int32_t width, int32_t height) override;

private:
    rg_TolvarAnNiu1* button_; // owned (Qt child)
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
