// WindowBase: the child window every control of the system is built from.
//
// A QWidget that reports, in the order they occur, size changes, showing and hiding, mouse moves,
// left and right button presses and releases, double-clicks, wheel notches, key presses and
// releases, focus changes and the mouse leaving, each through a bindable event (rg_Korrin_JiBen::Event,
// runtime/event.h). Mouse events carry (x, y, modifier bits) in this window's coordinates, key events
// (virtual-key code, modifier bits), the wheel whole notches (positive = away from the user).
//
// Each report first goes to a protected virtual (onLeftDown ...) whose default raises the event,
// so a control built on this class can act on its own input and still let owners bind. A
// double-click arrives instead of the second press (press, release, double-click, release). The
// control id is a plain number the owner assigns. Qt parent/child ownership applies. UI thread.
#pragma once

#include <cstdint>

#include <QPoint>
#include <QWidget>

#include "runtime/event.h"
#include "runtime/ui/input.h"

namespace rg_Korrin_ChuangKou {

class WindowBase : public QWidget {
    Q_OBJECT
public:
    using MouseEvent = rg_Korrin_JiBen::Event<WindowBase, int32_t, int32_t, int32_t>; // x, y, modifiers
    using KeyEvent = rg_Korrin_JiBen::Event<WindowBase, int32_t, int32_t>;            // key code, modifiers
    using WheelEvent = rg_Korrin_JiBen::Event<WindowBase, int32_t, int32_t>;          // notches, modifiers
    using SizeEvent = rg_Korrin_JiBen::Event<WindowBase, int32_t, int32_t>;           // width, height
    using PlainEvent = rg_Korrin_JiBen::Event<WindowBase>;

    explicit WindowBase(QWidget* parent = nullptr);
    ~WindowBase() override;

    int32_t controlId() const { return controlId_; }
    void setControlId(int32_t id) { controlId_ = id; }

    // Screen position of the last mouse event this window received.
    QPoint lastMouseScreenPos() const { return lastScreenPos_; }
    // Buttons held at the last mouse event this window received.
    Qt::MouseButtons lastMouseButtons() const { return lastButtons_; }

    SizeEvent resized{this};
    PlainEvent shown{this};
    PlainEvent hidden{this};
    MouseEvent mouseMoved{this};
    MouseEvent leftDown{this};
    MouseEvent leftUp{this};
    MouseEvent leftDoubleClicked{this};
    MouseEvent rightDown{this};
    MouseEvent rightUp{this};
    MouseEvent rightDoubleClicked{this};
    WheelEvent wheel{this};
    KeyEvent keyDown{this};
    KeyEvent keyUp{this};
    PlainEvent focusGained{this};
    PlainEvent focusLost{this};
    PlainEvent mouseLeft{this};

protected:
    virtual void onResized(int32_t width, int32_t height) { resized.raise(width, height); }
    virtual void onShown() { shown.raise(); }
    virtual void onHidden() { hidden.raise(); }
    virtual void onMouseMove(int32_t x, int32_t y, int32_t mods) { mouseMoved.raise(x, y, mods); }
    virtual void onLeftDown(int32_t x, int32_t y, int32_t mods) { leftDown.raise(x, y, mods); }
    virtual void onLeftUp(int32_t x, int32_t y, int32_t mods) { leftUp.raise(x, y, mods); }
    virtual void onLeftDoubleClick(int32_t x, int32_t y, int32_t mods) {
        leftDoubleClicked.raise(x, y, mods);
    }
    virtual void onRightDown(int32_t x, int32_t y, int32_t mods) { rightDown.raise(x, y, mods); }
    virtual void onRightUp(int32_t x, int32_t y, int32_t mods) { rightUp.raise(x, y, mods); }
    virtual void onRightDoubleClick(int32_t x, int32_t y, int32_t mods) {
        rightDoubleClicked.raise(x, y, mods);
    }
    virtual void onWheel(int32_t notches, int32_t mods) { wheel.raise(notches, mods); }
    virtual void onKeyDown(int32_t key, int32_t mods) { keyDown.raise(key, mods); }
    virtual void onKeyUp(int32_t key, int32_t mods) { keyUp.raise(key, mods); }
    virtual void onFocusIn() { focusGained.raise(); }
    virtual void onFocusOut() { focusLost.raise(); }
    virtual void onMouseLeave() { mouseLeft.raise(); }

    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void noteMouse(const QMouseEvent& event);

    int32_t controlId_ = 0;
    QPoint lastScreenPos_;
    Qt::MouseButtons lastButtons_;
    WheelAccumulator wheelNotches_;
};

} // namespace rg_Korrin_ChuangKou
