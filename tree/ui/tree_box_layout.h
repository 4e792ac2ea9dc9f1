// Row geometry and the small drawing helpers of the tree box.
//
// TreeLayout turns the box's properties and two measured sizes (the height of "A" in the item
// font and the icon size) into every x and y a painted row uses. Indents grow with the level, and
// levels reach 16 million, so horizontal positions are int64; callers clamp them before drawing.
// The paint helpers draw the expand glyph and the check box at a position with the canvas's
// primitives and leave the canvas's pen and brush changed. Pure functions and value types; the
// paint helpers run on the UI thread like the canvas they draw on.
#pragma once

#include <cstdint>

#include "runtime/types.h"
#include "tree/item_store.h"

namespace rg_Korrin_ChuangKou {
class rg_HuaBan;
}

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

inline constexpr int32_t kTreeGlyphSize = 15;             // expand glyph and check box, both ways
inline constexpr int32_t kTreeNoCell = 0x7FFFFFFF;        // cached x of a cell that was not drawn
inline constexpr int32_t kTreeTextCut = 1000;             // code units painted before ".."
inline constexpr int32_t kTreeMaxCanvasWidth = 65535;     // widest canvas in pixels
inline constexpr int32_t kTreeSelectionColour = 0xC06000; // COLORREF, RGB(0, 96, 192)
inline constexpr int32_t kTreeSelectionTextColour = 0xFFFFFF;
inline constexpr int32_t kTreeGlyphFrameColour = 0xFF8080;
inline constexpr int32_t kTreeCheckFrameColour = 0xFF0000;
inline constexpr int32_t kTreeCheckMarkColour = 0x0000FF;
inline constexpr int32_t kTreeLineColour = 0xC0C0C0;
inline constexpr int32_t kTreeIconKeyColour = 0xFFFFFF; // transparent colour of the icon strips

// Geometry of one paint. Built by makeTreeLayout; every field is in pixels.
struct TreeLayout {
    int32_t margin = 6; // left and top margin, indent gap
    int32_t indentOffset = 0;
    int32_t rowGap = 3;
    int32_t textHeight = 0; // height of "A"
    int32_t glyphColumn = kTreeGlyphSize;
    int32_t checkColumn = 0; // kTreeGlyphSize with check boxes, else 0
    int32_t iconSize = 0;    // 0 without icons
    int32_t rowHeight = 0;
    int32_t rowPitch = 1; // rowHeight + rowGap, at least 1

    // x of a row's expand glyph (its indent).
    int64_t indentX(int32_t level) const {
        return int64_t{margin} + int64_t{level} * (int64_t{margin} + kTreeGlyphSize) + indentOffset;
    }
    // Gap between the glyph column and the next column: 0.8 x margin, truncated.
    int32_t glyphGap() const { return margin * 4 / 5; }
    int64_t checkX(int64_t indent) const { return indent + glyphColumn + glyphGap(); }
    int64_t iconX(int64_t indent) const {
        return checkX(indent) + checkColumn + (checkColumn != 0 ? margin : 0);
    }
    int64_t textX(int64_t indent) const { return iconX(indent) + iconSize + (iconSize != 0 ? margin : 0); }
    // Top of painted row `row`.
    int64_t rowTop(int32_t row) const { return int64_t{margin} + int64_t{row} * rowPitch; }
    // y at which something `size` high sits centred in the row starting at `top`.
    int64_t centredIn(int64_t top, int32_t size) const;
    // The painted row under canvas y (may be out of range; the top margin counts as row 0).
    int32_t rowAt(int32_t y) const;
    // Rows that fit, some partly, in a client area `clientHeight` high.
    int32_t rowsThatFit(int32_t clientHeight) const;
};

// Settable paint and input properties of the tree box. The owner sets them directly; the box
// reads them on every paint and click. (The selection, top item, redraw switch and check mode
// are the store's: TreeStoreProperties.)
struct TreeBoxProperties {
    CWString fontName;                  // face name of the item font
    int32_t fontSize = 11;              // point size
    int32_t clickToEdit = 0;            // second click on the current item's text edits it
    int32_t clearOnEmptyClick = 0;      // a click on no item clears the selection
    int32_t fullRowSelect = 0;          // highlight and hit-test the whole row
    int32_t fixedRowHeight = -1;        // row height in pixels; < 1 = from the font
    int32_t margin = 6;                 // left/top margin and indent gap in pixels
    int32_t rowGap = 3;                 // pixels between rows
    int32_t hotTracking = 0;            // underline the item under the mouse
    int32_t treeLines = 1;              // draw connector lines
    int32_t checkBoxes = 0;             // show the check-box column
    int32_t indentOffset = 0;           // pixels added to every row's indent
    int32_t defaultTextColour = 0;      // COLORREF of item text
    int32_t defaultItemBackColour = -1; // COLORREF behind item text; -1 = boxBackColour
    int32_t boxBackColour = 0xFFFFFF;   // canvas background
};

// Layout for the box's properties, the height of "A" in the item font and the icon size.
// Properties outside sane ranges (negative or huge margins, gaps or row heights) are clamped so
// that no computation overflows and the pitch stays positive.
TreeLayout makeTreeLayout(const TreeBoxProperties& properties, int32_t textHeight, int32_t iconSize);

// round(v * 0.5) with halves away from zero.
int64_t halfRoundedAway(int64_t v);

// Writes the text shown for an item into `out`: the first kTreeTextCut code units followed by ".."
// when the text is longer (one unit fewer when the cut would split a surrogate pair). `units`
// points at `count` UTF-16LE code units, which need not be aligned.
void shownItemText(const uint8_t* units, size_t count, CWString& out);
// The same cut applied to `text`, which holds the first min(fullUnits, kTreeTextCut) code units of
// an item text of fullUnits units (as ItemRow and readRowText give them).
void cutShownText(CWString& text, size_t fullUnits);

// The expand glyph: a box with a minus, and a plus while collapsed (expandState < 2).
void paintExpandGlyph(rg_Korrin_ChuangKou::rg_HuaBan& canvas, int x, int y, int size, int expandState);
// The check box: a frame, filled for state 1, a filled triangle for state 2; nothing for > 2.
void paintCheckBox(rg_Korrin_ChuangKou::rg_HuaBan& canvas, int x, int y, int size, int checkState);

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
