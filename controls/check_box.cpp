#include "controls/check_box.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

rg_TolvarXuanZhongKuang1::rg_TolvarXuanZhongKuang1(QWidget* parent)
    : rg_ZuJianBuJuQi(parent), button_(new rg_TolvarAnNiu1(this)) {
    addControl(button_, kButtonId);
    button_->transparentColour = 0xFFFFFF; // the box pictures are white-backed
    button_->pressedImage.loadResource(kCheckedBoxImage);
    for (int i = 0; i < 3; ++i) {
        button_->borderColours[static_cast<size_t>(i)] = kFaceEntry;
        button_->backColours[static_cast<size_t>(i)] = kFaceEntry;
    }
    button_->inset = 0;
    button_->centreContent = 0;
    button_->canvas()->setCursor(Qt::PointingHandCursor);
    place(button_, 1, 0, 191, 38);
    button_->normalImage.loadResource(kBoxImage);
    button_->toggleMode = 1;
    button_->clicked.bind([this] { clicked.raise(); });
    button_->redraw();
}

void rg_TolvarXuanZhongKuang1::applyImages() {
    button_->normalImage.loadResource(uncheckedImage);
    button_->pressedImage.loadResource(checkedImage);
    button_->redraw();
}

void rg_TolvarXuanZhongKuang1::onResized(int32_t width, int32_t height) {
    place(button_, 0, 0, width, height);
    rg_ZuJianBuJuQi::onResized(width, height);
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
