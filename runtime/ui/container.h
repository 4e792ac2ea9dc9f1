// rg_ZuJianBuJuQi: the component container every custom control is made of.
//
// A child window (WindowBase: input and window events) that holds child controls and
// places them in its client area. Children are owned the Qt way, by their parent; the container
// finds them by control id. A background colour of -1 leaves the container unpainted (the
// parent shows through). UI thread.
#pragma once

#include <cstdint>

#include "runtime/ui/window.h"

namespace rg_Korrin_ChuangKou {

class rg_ZuJianBuJuQi : public WindowBase {
    Q_OBJECT
public:
    explicit rg_ZuJianBuJuQi(QWidget* parent = nullptr);

    // Makes `child` a child of this container with the given control id (the container owns it).
    void addControl(QWidget* child, int32_t controlId);
    // The direct child with this control id, or nullptr.
    QWidget* control(int32_t controlId) const;
    // Places a child in client coordinates; negative sizes count as 0.
    static void place(QWidget* child, int x, int y, int width, int height);

    void setBackColour(int32_t ref);
    int32_t backColour() const { return backColour_; }

private:
    int32_t backColour_ = -1;
};

} // namespace rg_Korrin_ChuangKou
