// Input translation shared by every window of the system: modifier bits, key codes and wheel
// notches in the form the controls and the tree box work with.
//
// Modifier bits: Ctrl 0x2000, Alt 0x4000, Shift 0x8000. Key codes are Windows virtual-key codes
// (Enter 13, Left 0x25, Up 0x26, Right 0x27, Down 0x28, F2 0x71, 'A' 0x41 ...), so key tables
// read the same on every platform. Wheel input is counted in whole notches of 120 units.
// Pure functions and a small value type; UI thread.
#pragma once

#include <cstdint>

#include <Qt>

class QKeyEvent;

namespace rg_Korrin_ChuangKou {

inline constexpr int32_t kModCtrl = 0x2000;
inline constexpr int32_t kModAlt = 0x4000;
inline constexpr int32_t kModShift = 0x8000;

namespace vk {
inline constexpr int32_t Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11, Menu = 0x12,
                         Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24,
                         Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28, Insert = 0x2D, Delete = 0x2E,
                         F1 = 0x70, F2 = 0x71;
}

int32_t modifierBits(Qt::KeyboardModifiers modifiers);
// Virtual-key code of a key; 0 for keys that have none.
int32_t virtualKeyCode(int qtKey);
int32_t virtualKeyCode(const QKeyEvent& event);

// Turns wheel deltas into whole notches. Deltas smaller than a notch (high-resolution wheels and
// touch pads) are kept until they add up to one, so slow scrolling is not lost.
class WheelAccumulator {
public:
    // Adds a delta (positive = away from the user) and returns the whole notches now complete.
    int32_t add(int delta);
    void reset() { remainder_ = 0; }

private:
    int remainder_ = 0;
};

} // namespace rg_Korrin_ChuangKou
