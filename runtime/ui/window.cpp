#include "runtime/ui/window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "runtime/ui/platform.h"

namespace rg_Korrin_ChuangKou {
namespace {

int32_t mouseX(const QMouseEvent& e) {
    return static_cast<int32_t>(e.position().toPoint().x());
}
int32_t mouseY(const QMouseEvent& e) {
    return static_cast<int32_t>(e.position().toPoint().y());
}

} // namespace

WindowBase::WindowBase(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
}

WindowBase::~WindowBase() = default;

void WindowBase::noteMouse(const QMouseEvent& event) {
    lastScreenPos_ = event.globalPosition().toPoint();
    lastButtons_ = event.buttons();
    noteMouseScreenPos(lastScreenPos_);
}

void WindowBase::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    onResized(width(), height());
}

void WindowBase::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    onShown();
}

void WindowBase::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    onHidden();
}

void WindowBase::mouseMoveEvent(QMouseEvent* event) {
    noteMouse(*event);
    event->accept();
    onMouseMove(mouseX(*event), mouseY(*event), modifierBits(event->modifiers()));
}

void WindowBase::mousePressEvent(QMouseEvent* event) {
    noteMouse(*event);
    event->accept();
    const int32_t mods = modifierBits(event->modifiers());
    if (event->button() == Qt::LeftButton)
        onLeftDown(mouseX(*event), mouseY(*event), mods);
    else if (event->button() == Qt::RightButton)
        onRightDown(mouseX(*event), mouseY(*event), mods);
}

void WindowBase::mouseReleaseEvent(QMouseEvent* event) {
    noteMouse(*event);
    event->accept();
    const int32_t mods = modifierBits(event->modifiers());
    if (event->button() == Qt::LeftButton)
        onLeftUp(mouseX(*event), mouseY(*event), mods);
    else if (event->button() == Qt::RightButton)
        onRightUp(mouseX(*event), mouseY(*event), mods);
}

void WindowBase::mouseDoubleClickEvent(QMouseEvent* event) {
    // Deliberately not forwarded as a press: the second press of a double-click is only a
    // double-click.
    noteMouse(*event);
    event->accept();
    const int32_t mods = modifierBits(event->modifiers());
    if (event->button() == Qt::LeftButton)
        onLeftDoubleClick(mouseX(*event), mouseY(*event), mods);
    else if (event->button() == Qt::RightButton)
        onRightDoubleClick(mouseX(*event), mouseY(*event), mods);
}

void WindowBase::wheelEvent(QWheelEvent* event) {
    // Qt turns a vertical wheel into a horizontal one while Alt is held; the notches are the same.
    const QPoint delta = event->angleDelta();
    const int d = delta.y() != 0 ? delta.y() : ((event->modifiers() & Qt::AltModifier) ? delta.x() : 0);
    if (d == 0) {
        event->ignore();
        return;
    }
    event->accept();
    const int32_t notches = wheelNotches_.add(d);
    if (notches != 0) onWheel(notches, modifierBits(event->modifiers()));
}

void WindowBase::keyPressEvent(QKeyEvent* event) {
    event->accept();
    onKeyDown(virtualKeyCode(*event), modifierBits(event->modifiers()));
}

void WindowBase::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    onKeyUp(virtualKeyCode(*event), modifierBits(event->modifiers()));
}

void WindowBase::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    onFocusIn();
}

void WindowBase::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    onFocusOut();
}

void WindowBase::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    onMouseLeave();
}

} // namespace rg_Korrin_ChuangKou
