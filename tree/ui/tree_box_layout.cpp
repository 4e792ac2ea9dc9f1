#include "tree/ui/tree_box_layout.h"

#include <algorithm>
#include <cstring>

#include <QPoint>

#include "runtime/ui/canvas.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

namespace {

// Far beyond any screen, small enough that sums of a few of them stay inside int32.
constexpr int32_t kSaneLimit = 1 << 20;

int32_t sane(int32_t v) {
    return std::clamp(v, -kSaneLimit, kSaneLimit);
}

} // namespace

int64_t halfRoundedAway(int64_t v) {
    // v * 0.5 rounded with halves away from zero: for odd v that is (v + sign) / 2.
    if (v % 2 == 0) return v / 2;
    return v > 0 ? (v + 1) / 2 : (v - 1) / 2;
}

int64_t TreeLayout::centredIn(int64_t top, int32_t size) const {
    return top + halfRoundedAway(int64_t{rowHeight} - size);
}

int32_t TreeLayout::rowAt(int32_t y) const {
    const int64_t row = (int64_t{y} - margin) / rowPitch; // truncates toward zero
    return static_cast<int32_t>(std::clamp<int64_t>(row, INT32_MIN, INT32_MAX));
}

int32_t TreeLayout::rowsThatFit(int32_t clientHeight) const {
    if (clientHeight <= 0) return 0;
    return static_cast<int32_t>((int64_t{clientHeight} + rowPitch - 1) / rowPitch);
}

TreeLayout makeTreeLayout(const TreeBoxProperties& p, int32_t textHeight, int32_t iconSize) {
    TreeLayout l;
    l.margin = sane(p.margin);
    l.indentOffset = sane(p.indentOffset);
    l.rowGap = sane(p.rowGap);
    l.textHeight = std::clamp(textHeight, 0, kSaneLimit);
    l.iconSize = std::clamp(iconSize, 0, kSaneLimit);
    l.checkColumn = p.checkBoxes != 0 ? kTreeGlyphSize : 0;
    const int32_t base = p.fixedRowHeight >= 1 ? std::min(p.fixedRowHeight, kSaneLimit) : l.textHeight;
    l.rowHeight = std::max({base, kTreeGlyphSize, l.textHeight, l.iconSize});
    l.rowPitch = std::max(l.rowHeight + l.rowGap, 1);
    return l;
}

void cutShownText(CWString& text, size_t fullUnits) {
    if (fullUnits <= static_cast<size_t>(kTreeTextCut)) return;
    size_t n = std::min(text.size(), static_cast<size_t>(kTreeTextCut));
    if (n != 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF)
        --n; // 999 units then: a lone high surrogate before ".." would draw as a broken glyph
    text.resize(n);
    text.append(u"..");
}

void shownItemText(const uint8_t* units, size_t count, CWString& out) {
    const size_t n = std::min(count, static_cast<size_t>(kTreeTextCut));
    out.resize(n);
    if (n != 0) std::memcpy(out.data(), units, n * 2);
    cutShownText(out, count);
}

void paintExpandGlyph(rg_Korrin_ChuangKou::rg_HuaBan& canvas, int x, int y, int s, int expandState) {
    canvas.setPenColour(kTreeGlyphFrameColour);
    canvas.setBrushColour(0xFFFFFF);
    canvas.rectangle(x + 2, y + 2, x + s - 2, y + s - 2);
    canvas.setPenColour(0x000000);
    const int c = (s - 4) / 2 + 2;
    canvas.line(x + 4, y + c, x + s - 4, y + c);
    if (expandState < 2) canvas.line(x + c, y + 4, x + c, y + s - 4);
}

void paintCheckBox(rg_Korrin_ChuangKou::rg_HuaBan& canvas, int x, int y, int s, int checkState) {
    if (checkState < 0 || checkState > 2) return;
    canvas.setPenColour(kTreeCheckFrameColour);
    canvas.setBrushColour(0xFFFFFF);
    canvas.rectangle(x, y, x + s, y + s);
    if (checkState == 1) {
        canvas.setDefaultPen();
        canvas.setBrushColour(kTreeCheckMarkColour);
        canvas.rectangle(x + 2, y + 2, x + s - 2, y + s - 2);
    } else if (checkState == 2) {
        canvas.setDefaultPen();
        canvas.setBrushColour(kTreeCheckMarkColour);
        const QPoint points[3] = {QPoint(x + 2, y + 1), QPoint(x + 2, y + s - 3),
                                  QPoint(x + s - 2, y + s - 3)};
        canvas.polygon(points, 3);
    }
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
