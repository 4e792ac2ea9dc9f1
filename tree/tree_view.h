// What the tree item store needs from the window that shows it.
//
// The store calls these where an operation redraws or scrolls; the tree box widget implements
// them (its redraw starts the index workers and rebuilds a stale row list through the store, then
// paints). A store without a view behaves like a box that is not shown: nothing is painted.
// Thread: UI thread only.
#pragma once

#include <cstdint>

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

class ITreeView {
public:
    virtual ~ITreeView() = default;
    // Repaint; top >= 0 makes that item the first painted row, -1 keeps the current top item.
    virtual void redraw(int32_t top) = 0;
    // Scroll so that `item` lies in a fully visible row. `row` is its 0-based row in the row
    // list, or -1 when it has none (scroll to the end then). Called after its ancestors were
    // expanded and the view redrawn.
    virtual void scrollIntoView(int32_t item, int32_t row) = 0;
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
