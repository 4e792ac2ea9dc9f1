#include "runtime/ui/input.h"

#include <QKeyEvent>

namespace rg_Korrin_ChuangKou {

int32_t modifierBits(Qt::KeyboardModifiers modifiers) {
    int32_t bits = 0;
    if (modifiers & Qt::ControlModifier) bits |= kModCtrl;
    if (modifiers & Qt::AltModifier) bits |= kModAlt;
    if (modifiers & Qt::ShiftModifier) bits |= kModShift;
    return bits;
}

int32_t virtualKeyCode(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 0x41 + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return 0x30 + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vk::F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::Return;
    case Qt::Key_Shift:
        return vk::Shift;
    case Qt::Key_Control:
        return vk::Control;
    case Qt::Key_Alt:
        return vk::Menu;
    case Qt::Key_Pause:
        return 0x13;
    case Qt::Key_CapsLock:
        return 0x14;
    case Qt::Key_Escape:
        return vk::Escape;
    case Qt::Key_Space:
        return vk::Space;
    case Qt::Key_PageUp:
        return vk::Prior;
    case Qt::Key_PageDown:
        return vk::Next;
    case Qt::Key_End:
        return vk::End;
    case Qt::Key_Home:
        return vk::Home;
    case Qt::Key_Left:
        return vk::Left;
    case Qt::Key_Up:
        return vk::Up;
    case Qt::Key_Right:
        return vk::Right;
    case Qt::Key_Down:
        return vk::Down;
    case Qt::Key_Print:
        return 0x2C;
    case Qt::Key_Insert:
        return vk::Insert;
    case Qt::Key_Delete:
        return vk::Delete;
    case Qt::Key_Meta:
        return 0x5B;
    case Qt::Key_Menu:
        return 0x5D;
    case Qt::Key_NumLock:
        return 0x90;
    case Qt::Key_ScrollLock:
        return 0x91;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return 0xBA;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return 0xBB;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 0xBC;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return 0xBD;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return 0xBE;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return 0xBF;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return 0xC0;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 0xDB;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return 0xDC;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 0xDD;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return 0xDE;
    default:
        return 0;
    }
}

int32_t virtualKeyCode(const QKeyEvent& event) {
    // Digits and letters typed with Shift arrive as their shifted symbols; the key code is the
    // key's, so map the common shifted digit symbols back.
    switch (event.key()) {
    case Qt::Key_Exclam:
        return 0x31;
    case Qt::Key_At:
        return 0x32;
    case Qt::Key_NumberSign:
        return 0x33;
    case Qt::Key_Dollar:
        return 0x34;
    case Qt::Key_Percent:
        return 0x35;
    case Qt::Key_AsciiCircum:
        return 0x36;
    case Qt::Key_Ampersand:
        return 0x37;
    case Qt::Key_Asterisk:
        return (event.modifiers() & Qt::KeypadModifier) ? 0x6A : 0x38;
    case Qt::Key_ParenLeft:
        return 0x39;
    case Qt::Key_ParenRight:
        return 0x30;
    default:
        return virtualKeyCode(event.key());
    }
}

int32_t WheelAccumulator::add(int delta) {
    if ((delta > 0 && remainder_ < 0) || (delta < 0 && remainder_ > 0))
        remainder_ = 0; // a change of direction starts a new notch
    remainder_ += delta;
    const int32_t notches = remainder_ / 120; // truncates towards zero, keeping the sign
    remainder_ -= notches * 120;
    return notches;
}

} // namespace rg_Korrin_ChuangKou
