#include "tree/ui/tree_box.h"

#include <algorithm>
#include <string>
#include <utility>

#include <QFocusEvent>
#include <QPainter>

#include "controls/scroll_bar.h"
#include "runtime/ui/input.h"
#include "text/font/screen_font.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using rg_Korrin_ChuangKou::rg_BianJiKuang;
using rg_Korrin_ChuangKou::rg_HuaBan;
using rg_Korrin_ChuangKou::rg_ZuJianBuJuQi;
namespace vk = rg_Korrin_ChuangKou::vk;

namespace {

// Cached coordinates stay far inside int32 so that "x + 15" never overflows.
constexpr int64_t kCoordLimit = int64_t{1} << 30;
// Drawing coordinates are kept where the raster engine is exact.
constexpr int64_t kDrawLimit = int64_t{1} << 24;

int32_t cacheCoord(int64_t v) {
    return static_cast<int32_t>(std::clamp(v, -kCoordLimit, kCoordLimit));
}
int drawCoord(int64_t v) {
    return static_cast<int>(std::clamp(v, -kDrawLimit, kDrawLimit));
}

CWString decimal(int32_t v) {
    const std::string s = std::to_string(v);
    return CWString(s.begin(), s.end());
}

int32_t clampPosition(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

rg_TolvarShuXingKuang::rg_TolvarShuXingKuang(QWidget* parent) : rg_ZuJianBuJuQi(parent) {
    store_.setView(this);

    client_ = new rg_ZuJianBuJuQi(this);
    client_->setBackColour(0xFFFFFF);
    vBar_ = new rg_TolvarGunDongTiao(client_, true);
    client_->addControl(vBar_, kVerticalBarId);
    hBar_ = new rg_TolvarGunDongTiao(client_, false);
    client_->addControl(hBar_, kHorizontalBarId);
    bottomStrip_ = new rg_HuaBan(client_);
    client_->addControl(bottomStrip_, kBottomStripId);
    sideStrip_ = new rg_HuaBan(client_);
    client_->addControl(sideStrip_, kSideStripId);
    editBox_ = new rg_BianJiKuang(client_);
    client_->addControl(editBox_, kEditBoxId);
    canvas_ = new rg_HuaBan(client_);
    client_->addControl(canvas_, kCanvasId);

    for (rg_HuaBan* strip : {bottomStrip_, sideStrip_}) {
        strip->setBackColour(0xFFFFFF);
        strip->hide();
    }
    vBar_->hide();
    hBar_->hide();
    editBox_->hide();
    canvas_->setBackColour(0xFFFFFF);
    // The canvas lies beneath everything else; the strips beneath their bars.
    canvas_->lower();
    bottomStrip_->stackUnder(hBar_);
    sideStrip_->stackUnder(vBar_);
    editBox_->raise();

    canvas_->setFocusPolicy(Qt::StrongFocus);
    setFocusPolicy(Qt::StrongFocus); // a tab stop; the canvas takes the focus for it
    setFocusProxy(canvas_);

    canvas_->mouseMoved.bind([this](int32_t x, int32_t y, int32_t) { onCanvasMouseMove(x, y); });
    canvas_->leftDown.bind([this](int32_t x, int32_t y, int32_t) { onCanvasButton(x, y, true); });
    canvas_->rightDown.bind([this](int32_t x, int32_t y, int32_t) { onCanvasButton(x, y, false); });
    canvas_->leftDoubleClicked.bind([this](int32_t x, int32_t, int32_t) { onCanvasDoubleClick(x); });
    canvas_->mouseLeft.bind([this] { onCanvasMouseMove(INT32_MIN, INT32_MIN); });
    for (rg_HuaBan* source : {canvas_, bottomStrip_, sideStrip_}) {
        source->keyDown.bind([this](int32_t key, int32_t mods) { onKey(key, mods); });
        source->wheel.bind([this](int32_t notches, int32_t) { onWheelNotches(notches); });
    }
    for (rg_TolvarGunDongTiao* bar : {vBar_, hBar_})
        bar->keyDown.bind([this](int32_t key, int32_t mods) { onKey(key, mods); });
    vBar_->positionChanged.bind([this](int32_t p) { onVerticalPosition(p); });
    vBar_->dragEnded.bind([this] { onVerticalDragEnded(); });
    hBar_->positionChanged.bind([this](int32_t p) { onHorizontalPosition(p); });

    editBox_->enterPressed.bind([this] { endEdit(true); });
    // A popup (the edit box's own context menu) takes the focus only for a while and gives it
    // back: the edit goes on, so that the menu's Paste reaches it.
    editBox_->installEventFilter(this);
    editBox_->focusLost.bind([this] {
        if (popupFocusOut_) {
            popupFocusOut_ = false;
            return;
        }
        endEdit(true);
    });
    editBox_->keyDown.bind([this](int32_t key, int32_t) {
        if (key == vk::Escape) endEdit(false);
    });

    indexPoll_.setSingleShot(true);
    connect(&indexPoll_, &QTimer::timeout, this, [this] { onIndexPoll(); });
}

rg_TolvarShuXingKuang::~rg_TolvarShuXingKuang() {
    // Children go first, while the store is still alive; nothing they report may reach the box.
    indexPoll_.stop();
    editing_ = false;
    editBox_->enterPressed.unbind();
    editBox_->focusLost.unbind();
    editBox_->removeEventFilter(this);
    editBox_->keyDown.unbind();
    vBar_->positionChanged.unbind();
    vBar_->dragEnded.unbind();
    hBar_->positionChanged.unbind();
    store_.setView(nullptr);
    delete client_;
    client_ = nullptr;
}

int32_t rg_TolvarShuXingKuang::clientWidth() const {
    return std::max(0, width() - 2);
}
int32_t rg_TolvarShuXingKuang::clientHeight() const {
    return std::max(0, height() - 2);
}

int32_t rg_TolvarShuXingKuang::rowAtCanvasY(int32_t y) const {
    const int32_t row = layout_.rowAt(y);
    return validRow(row) ? row : -1;
}

void rg_TolvarShuXingKuang::onResized(int32_t width, int32_t height) {
    rg_ZuJianBuJuQi::onResized(width, height);
    const int32_t cw = std::max(0, width - 2), ch = std::max(0, height - 2);
    rg_ZuJianBuJuQi::place(client_, 1, 1, cw, ch);
    if (cw > 0 && ch > 0) {
        canvas_->resize(canvas_->width(), ch);
        redraw(-1);
    }
}

void rg_TolvarShuXingKuang::onShown() {
    rg_ZuJianBuJuQi::onShown();
    redraw(-1);
}

void rg_TolvarShuXingKuang::onHidden() {
    // Only shown boxes keep a drawing: twenty slots' canvases at 2x would hold tens of MB, and a
    // hidden box is redrawn from its items when it is shown again anyway.
    if (canvas_) canvas_->releaseImage();
    rg_ZuJianBuJuQi::onHidden();
}

void rg_TolvarShuXingKuang::paintEvent(QPaintEvent*) {
    // The one-pixel sunken edge around the client area.
    QPainter p(this);
    const int w = width(), h = height();
    if (w <= 0 || h <= 0) return;
    p.setPen(QColor(0xA0, 0xA0, 0xA0));
    p.drawLine(0, 0, w - 1, 0);
    p.drawLine(0, 0, 0, h - 1);
    p.setPen(QColor(0xE3, 0xE3, 0xE3));
    p.drawLine(1, h - 1, w - 1, h - 1);
    p.drawLine(w - 1, 1, w - 1, h - 1);
}

bool rg_TolvarShuXingKuang::eventFilter(QObject* watched, QEvent* event) {
    // Seen before the edit box handles the event and raises focusLost.
    if (watched == editBox_ && event->type() == QEvent::FocusOut)
        popupFocusOut_ = static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason;
    return rg_ZuJianBuJuQi::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Images and fonts

bool rg_TolvarShuXingKuang::setImageStrip(int32_t resourceId) {
    images_.clear();
    iconSize_ = 0;
    imageStrip_ = resourceId;
    rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei strip;
    bool loaded = false;
    if (strip.loadResource(resourceId) && strip.height() > 0) {
        // Logical sizes: a 2x picture cuts into the same squares as its 1x form.
        const int h = strip.height();
        const int n = strip.width() / h;
        images_.reserve(static_cast<size_t>(std::max(n, 0)));
        for (int i = 0; i < n; ++i)
            images_.push_back(strip.cut(i * h, 0, h, h));
        iconSize_ = h;
        loaded = true;
    }
    if (store_.properties().autoRedraw) redraw(-1);
    return loaded;
}

void rg_TolvarShuXingKuang::ensureFonts() {
    const TreeBoxProperties& p = properties();
    CWString key = p.fontName;
    key += u", ";
    key += decimal(p.fontSize);
    key += u", 0, 0, 0, 0, 0";
    if (fontsBuilt_ && key == fontKey_) return;
    fontKey_ = std::move(key);
    itemFont_.parseDescription(fontKey_);
    const rg_Korrin_ChuangKou::ScreenFont plain = rg_Tolvar_MingLingJi::fontFromDescription(fontKey_);
    for (int v = 0; v < 4; ++v) {
        fonts_[v] = plain;
        fonts_[v].font.setBold((v & 1) != 0);
        fonts_[v].font.setUnderline((v & 2) != 0);
    }
    fontsBuilt_ = true;
    currentFont_ = -1;
}

void rg_TolvarShuXingKuang::useFont(FontVariant v) {
    const int i = static_cast<int>(v);
    if (currentFont_ == i) return;
    canvas_->setScreenFont(fonts_[i]);
    currentFont_ = i;
}

// ---------------------------------------------------------------------------------------------
// Painting

void rg_TolvarShuXingKuang::setTopItem(int32_t item) {
    store_.properties().topItem = item;
}

void rg_TolvarShuXingKuang::redraw(int32_t top) {
    if (!store_.properties().autoRedraw || !isVisible())
        return; // the top item too stays as it is: nothing shows it
    if (top >= 0) setTopItem(top);
    if (inRedraw_) {
        repaintPending_ = true;
        return;
    }
    inRedraw_ = true;
    // A pass asks for another when the canvas had to grow or the top row had to move; two more
    // passes settle every case, the bound only guards against a handler that keeps changing things.
    for (int pass = 0; pass < 4; ++pass) {
        repaintPending_ = false;
        const bool again = paintOnce();
        if (!again && !repaintPending_) break;
    }
    inRedraw_ = false;
}

bool rg_TolvarShuXingKuang::locateTop(int32_t item, ItemPosition& out) {
    const uint64_t version = store_.bufferVersion();
    if (anchorItem_ == item && anchorVersion_ == version) {
        out = anchor_;
        return true;
    }
    auto remember = [&](const ItemPosition& c) {
        anchorItem_ = item;
        anchor_ = c;
        anchorVersion_ = version;
        out = c;
        return true;
    };
    // Known positions of this buffer version: the last top item and the last painted rows.
    int32_t below = -1, above = -1;
    ItemPosition belowPos, abovePos;
    auto consider = [&](int32_t known, const ItemPosition& c) {
        if (known <= item && known > below) {
            below = known;
            belowPos = c;
        }
        if (known >= item && (above < 0 || known < above)) {
            above = known;
            abovePos = c;
        }
    };
    if (anchorVersion_ == version && anchorItem_ >= 0) consider(anchorItem_, anchor_);
    if (paintedVersion_ == version) {
        for (const PaintedRow& r : painted_)
            consider(r.item, r.position);
    }
    if (below == item) return remember(belowPos);
    if (above == item) return remember(abovePos);
    if (store_.isIndexCurrent(TreeIndexKind::Offset)) {
        ItemPosition c;
        if (!store_.locatePosition(item, c, -1)) return false;
        return remember(c);
    }
    // Without offsets: walk from the nearest known record, backward if that is shorter.
    const int64_t forwardCost = below >= 0 ? int64_t{item} - below : int64_t{item};
    if (above >= 0 && int64_t{above} - item < forwardCost) {
        ItemPosition c = abovePos;
        for (int32_t k = above; k > item; --k) {
            ItemPosition before;
            if (!store_.positionBefore(c, before)) return false;
            c = before;
        }
        return remember(c);
    }
    ItemPosition c = below >= 0 ? belowPos : ItemPosition{};
    if (!store_.locatePosition(item, c, below)) return false;
    return remember(c);
}

void rg_TolvarShuXingKuang::refreshLayout() {
    ensureFonts();
    useFont(FontVariant::Plain);
    layout_ = makeTreeLayout(properties(), canvas_->textExtent(u"A").height(), iconSize_);
}

bool rg_TolvarShuXingKuang::paintOnce() {
    TreeBoxProperties& p = properties();
    ++paintCount_;
    store_.startIndexWorkers();

    canvas_->setBackColour(p.boxBackColour);
    if (p.defaultItemBackColour == -1) p.defaultItemBackColour = p.boxBackColour;
    if (client_->backColour() != p.boxBackColour) client_->setBackColour(p.boxBackColour);
    refreshLayout();

    const int32_t ch = clientHeight();
    if (ch > 0 && canvas_->height() != ch) canvas_->resize(canvas_->width(), ch);

    canvas_->beginRedrawSuspension();
    canvas_->clear();
    painted_.clear();
    contentWidth_ = 0;
    stepFourSkipped_ = false;
    store_.ensureRowList();
    // The top item must own a row: after a reload or a structural change it may lie past the end
    // or inside a collapsed subtree, where nothing (or hidden items) would be painted and the bar
    // could not show it.
    const int32_t top = store_.visibleItemAtOrBefore(store_.properties().topItem);
    if (top != store_.properties().topItem) setTopItem(std::max(top, 0));
    paintRows(layout_.rowsThatFit(ch));
    paintedVersion_ = store_.bufferVersion();
    if (p.treeLines) paintConnectors();
    bool again = false;
    layoutBars(again);
    canvas_->endRedrawSuspension();
    placeCanvasX();
    if (stepFourSkipped_) scheduleIndexPoll();
    return again;
}

void rg_TolvarShuXingKuang::paintRows(int32_t fit) {
    const TreeBoxProperties& p = properties();
    const int32_t count = store_.itemCount();
    int32_t item = store_.properties().topItem;
    if (fit <= 0 || item < 0 || item >= count) return;
    ItemPosition top;
    ItemRow rec;
    if (!locateTop(item, top) || !store_.readRow(item, top, rec)) return;
    const int32_t current = store_.getSelection();
    const int32_t canvasW = canvas_->width();
    const TreeLayout& L = layout_;
    const int32_t h = L.rowHeight, m = L.margin, halfGap = L.rowGap / 2;
    const bool fullRow = p.fullRowSelect != 0;
    painted_.reserve(static_cast<size_t>(std::min(fit, 4096)));

    for (int32_t r = 0; r < fit; ++r) {
        if (r > 0 && !store_.nextVisibleRow(rec)) break;
        item = rec.item;
        const int32_t level = rec.level;
        const uint8_t expand = rec.expandState;
        const bool children = rec.hasChildren;

        PaintedRow row;
        row.item = item;
        row.level = level;
        row.position = rec.position;
        const int64_t y = L.rowTop(r);
        row.top = static_cast<int32_t>(y);
        const bool isCurrent = item == current;

        if (isCurrent && fullRow) {
            canvas_->setDefaultPen();
            canvas_->setBrushColour(kTreeSelectionColour);
            canvas_->rectangle(0, row.top - halfGap, canvasW, row.top + halfGap + h);
        }

        store_.readRowText(rec, kTreeTextCut, rowText_);
        cutShownText(rowText_, rec.textUnits);
        const bool bold = (expand & 1) != 0;
        const bool underline = p.hotTracking != 0 && item == hotItem_ && !isCurrent;
        useFont(static_cast<FontVariant>((bold ? 1 : 0) | (underline ? 2 : 0)));

        const int64_t indent = L.indentX(level);
        const int64_t textX = L.textX(indent);
        const int32_t w = canvas_->textExtent(rowText_).width();
        contentWidth_ = static_cast<int32_t>(
            std::clamp<int64_t>(std::max<int64_t>(contentWidth_, textX + w + m), 0, INT32_MAX));
        row.indent = indent;
        row.textX = cacheCoord(textX);
        row.textWidth = w;
        // Rows indented past the canvas (very deep levels) are cached but not drawn.
        const bool drawn = indent <= canvasW && std::max(indent + kTreeGlyphSize, textX + w) >= 0;

        if (children) {
            row.glyphX = cacheCoord(indent);
            if (drawn)
                paintExpandGlyph(*canvas_, drawCoord(indent), drawCoord(L.centredIn(y, kTreeGlyphSize)),
                                 kTreeGlyphSize, expand);
        }
        if (L.checkColumn != 0) {
            const int64_t cx = L.checkX(indent);
            if (rec.checkState <= 2) {
                row.checkX = cacheCoord(cx);
                if (drawn)
                    paintCheckBox(*canvas_, drawCoord(cx), drawCoord(L.centredIn(y, kTreeGlyphSize)),
                                  kTreeGlyphSize, rec.checkState);
            }
        }
        if (L.iconSize != 0) {
            const int32_t icon = isCurrent && rec.selectedImage >= 0 ? rec.selectedImage : rec.image;
            if (drawn && icon >= 0 && icon < static_cast<int32_t>(images_.size()))
                canvas_->drawBitmap(drawCoord(L.iconX(indent)), drawCoord(L.centredIn(y, L.iconSize)),
                                    L.iconSize, L.iconSize, images_[static_cast<size_t>(icon)],
                                    kTreeIconKeyColour);
        }
        if (fullRow) {
            row.textLeft = 0;
            row.textRight = canvasW;
        } else {
            row.textLeft = cacheCoord(textX - L.iconSize - (L.iconSize != 0 ? m : 0));
            row.textRight = cacheCoord(textX + w);
        }

        int32_t fore, back;
        if (isCurrent) {
            if (!fullRow && drawn) {
                canvas_->setDefaultPen();
                canvas_->setBrushColour(kTreeSelectionColour);
                canvas_->rectangle(drawCoord(textX - 2), row.top - halfGap, drawCoord(textX + w + 2),
                                   row.top + halfGap + h);
            }
            fore = kTreeSelectionTextColour;
            back = kTreeSelectionColour;
        } else {
            fore = rec.textColour == -1 ? p.defaultTextColour : rec.textColour;
            back = rec.backColour == -1 ? p.defaultItemBackColour : rec.backColour;
        }
        if (drawn) {
            canvas_->setTextColour(fore);
            canvas_->setTextBackColour(back);
            canvas_->text(drawCoord(textX), drawCoord(L.centredIn(y, L.textHeight)), rowText_);
        }
        painted_.push_back(row);
    }
}

void rg_TolvarShuXingKuang::paintConnectors() {
    const size_t rows = painted_.size();
    if (rows == 0) return;
    const TreeLayout& L = layout_;
    const int32_t m = L.margin, halfH = L.rowHeight / 2;
    const int32_t canvasW = canvas_->width(), canvasH = canvas_->height();
    constexpr uint8_t kNo = 0, kYes = 1, kAsk = 2;

    // Whether each row's next sibling lies below the last row and its previous sibling above the
    // first. Painted rows answer most of it: the first later (earlier) row at the same or a
    // shallower level is the sibling or ends the family. The rest is asked of the indexes or
    // found by one walk past the painted records.
    nextBelow_.assign(rows, kNo);
    prevAbove_.assign(rows, kNo);
    for (size_t r = 0; r < rows; ++r) {
        const int32_t lv = painted_[r].level;
        if (lv <= 0) continue;
        bool decided = false;
        for (size_t q = r + 1; q < rows && !decided; ++q)
            decided = painted_[q].level <= lv;
        if (!decided) nextBelow_[r] = kAsk;
        decided = false;
        for (size_t q = r; q-- > 0 && !decided;)
            decided = painted_[q].level <= lv;
        if (!decided) prevAbove_[r] = kAsk;
    }
    const auto siblings = store_.sharedIndex(TreeIndexKind::Sibling);
    if (siblings) {
        for (size_t r = 0; r < rows; ++r) {
            const size_t item = static_cast<size_t>(painted_[r].item);
            if (nextBelow_[r] == kAsk)
                nextBelow_[r] = item < siblings->next.size() && siblings->next[item] > 0 ? kYes : kNo;
            if (prevAbove_[r] == kAsk)
                prevAbove_[r] = item < siblings->values.size() && siblings->values[item] >= 0 ? kYes : kNo;
        }
    } else {
        // Forward from the end of the last painted record: the first record at or above a row's
        // level decides for it (same level: a sibling follows).
        size_t open = 0;
        for (size_t r = 0; r < rows; ++r)
            open += nextBelow_[r] == kAsk;
        ItemPosition pos = painted_.back().position;
        while (open > 0) {
            ItemPosition next;
            if (!store_.positionAfter(pos, next)) break;
            const int32_t lv = next.level;
            for (size_t r = 0; r < rows; ++r) {
                if (nextBelow_[r] == kAsk && painted_[r].level >= lv) {
                    nextBelow_[r] = painted_[r].level == lv ? kYes : kNo;
                    --open;
                }
            }
            pos = next;
        }
        // Backward from the first painted record, the same way.
        open = 0;
        for (size_t r = 0; r < rows; ++r)
            open += prevAbove_[r] == kAsk;
        ItemPosition back = painted_.front().position;
        while (open > 0) {
            ItemPosition before;
            if (!store_.positionBefore(back, before)) break;
            const int32_t lv = before.level;
            for (size_t r = 0; r < rows; ++r) {
                if (prevAbove_[r] == kAsk && painted_[r].level >= lv) {
                    prevAbove_[r] = painted_[r].level == lv ? kYes : kNo;
                    --open;
                }
            }
            back = before;
        }
    }
    for (size_t r = 0; r < rows; ++r) {
        if (nextBelow_[r] == kAsk) nextBelow_[r] = kNo;
        if (prevAbove_[r] == kAsk) prevAbove_[r] = kNo;
    }

    canvas_->setPenColour(kTreeLineColour);
    auto column = [&](const PaintedRow& row) { return row.indent - m; };
    auto mid = [&](const PaintedRow& row) { return row.top + halfH; };
    auto visible = [&](int64_t x) { return x >= -1 && x <= canvasW; };
    auto vline = [&](int64_t x, int64_t y1, int64_t y2) {
        if (visible(x)) canvas_->line(drawCoord(x), drawCoord(y1), drawCoord(x), drawCoord(y2));
    };
    auto stub = [&](const PaintedRow& row) {
        const int64_t x = column(row);
        if (x > canvasW) return;
        const int64_t to = row.glyphX != kTreeNoCell ? row.indent : row.indent + kTreeGlyphSize;
        canvas_->line(drawCoord(x), drawCoord(mid(row)), drawCoord(to), drawCoord(mid(row)));
    };

    // Rows in order with the last row seen at each level; a shallower row forgets deeper levels.
    std::vector<std::pair<int32_t, size_t>>& seen = levelSeen_;
    seen.clear();
    for (size_t r = 0; r < rows; ++r) {
        const PaintedRow& row = painted_[r];
        const int32_t lv = row.level;
        while (!seen.empty() && seen.back().first > lv)
            seen.pop_back();
        const bool sibling = !seen.empty() && seen.back().first == lv;
        if (lv > 0) {
            if (sibling) {
                const PaintedRow& above = painted_[seen.back().second];
                vline(column(row), mid(above), mid(row));
                stub(above);
                stub(row);
            } else if (prevAbove_[r] == kYes) {
                vline(column(row), 0, mid(row));
                stub(row);
            }
        }
        if (sibling)
            seen.back().second = r;
        else
            seen.emplace_back(lv, r);
        if (lv > 0 && nextBelow_[r] == kYes) {
            vline(column(row), mid(row), canvasH);
            stub(row);
        }
    }

    // Ancestors of the first row whose family continues below the last row run through the whole
    // height. Needs the parent and sibling indexes; a later paint adds these lines once they are
    // built.
    const PaintedRow& first = painted_.front();
    if (first.level < 2) return;
    const auto parents = store_.sharedIndex(TreeIndexKind::Parent);
    if (!parents || !siblings) {
        stepFourSkipped_ = true;
        return;
    }
    const int32_t last = painted_.back().item;
    const size_t items = parents->values.size();
    int32_t a =
        static_cast<size_t>(first.item) < items ? parents->values[static_cast<size_t>(first.item)] : -1;
    for (int32_t lv = first.level - 1; a >= 0 && lv >= 1; --lv) {
        const size_t ai = static_cast<size_t>(a);
        if (ai >= items || ai >= siblings->next.size()) break;
        const int32_t next = siblings->next[ai];
        if (next > last) vline(L.indentX(lv) - m, 0, canvasH);
        a = parents->values[ai];
    }
}

bool rg_TolvarShuXingKuang::layoutBars(bool& again) {
    const int32_t cw = clientWidth(), ch = clientHeight();
    const int32_t fit = layout_.rowsThatFit(ch);
    const int32_t rowCount = store_.rowCount();
    const bool vNeeded = fit - 1 < rowCount;
    const int32_t vw = vNeeded ? kBarThickness + 1 : 0;

    // Canvas width: the widest painted row, at least the client width, at most 65535.
    const int32_t content = std::max(contentWidth_, cw - vw);
    const int32_t newWidth = std::clamp(content, 0, kTreeMaxCanvasWidth);
    if (newWidth != canvas_->width()) {
        const bool wider = newWidth > canvas_->width();
        canvas_->resize(newWidth, ch > 0 ? ch : canvas_->height());
        if (wider) {
            again = true; // paint again on the wider canvas
            return false;
        }
    }
    const int32_t canvasW = canvas_->width();
    const bool hNeeded = canvasW > cw - vw && !vBar_->dragging();

    suppressBarReports_ = true;
    rg_ZuJianBuJuQi::place(hBar_, 1, ch - kBarThickness - 1, cw - (vNeeded ? kBarThickness : 0) - 2,
                           kBarThickness);
    rg_ZuJianBuJuQi::place(vBar_, cw - kBarThickness - 1, 1, kBarThickness,
                           ch - (hNeeded ? kBarThickness : 0) - 2);

    const int32_t textH = std::max(layout_.textHeight, 1);
    if (hNeeded) {
        const int64_t over = int64_t{canvasW} + vw - cw;
        const int32_t max = clampPosition((over + textH - 1) / textH + 1);
        if (hBar_->maximum() != max || hBar_->position() > max) {
            hBar_->setMaximum(max);
            hBar_->refresh(0, 0);
        }
    } else {
        hBar_->setPosition(1);
        hBar_->refresh(0, 0);
    }

    const int32_t vMax = vNeeded ? clampPosition(int64_t{rowCount} + (hNeeded ? 1 : 0) - fit + 2) : 1;
    const int32_t topRow = store_.rowOfItem(store_.properties().topItem);
    int32_t position = vBar_->position();
    if (topRow >= 0) {
        // The thumb shows the top row; a top row past the last position moves up to it.
        const int32_t desired = std::clamp(topRow + 1, 1, std::max(vMax, 1));
        if (desired != topRow + 1) {
            const int32_t item = store_.itemAtRow(desired - 1);
            if (item >= 0 && item != store_.properties().topItem) {
                setTopItem(item);
                again = true;
            }
        }
        position = desired;
    } else if (!vNeeded) {
        position = 1;
    }
    if (vBar_->maximum() != vMax || vBar_->position() != position || vBar_->reportedPosition() != position ||
        !vNeeded) {
        vBar_->setMaximum(vMax);
        vBar_->setPosition(position);
        vBar_->refresh(0, 0);
    }
    rg_ZuJianBuJuQi::place(sideStrip_, vBar_->x(), vBar_->y(), kBarThickness + 1, ch);
    rg_ZuJianBuJuQi::place(bottomStrip_, hBar_->x(), hBar_->y(), cw, kBarThickness + 1);
    vBarShown_ = vNeeded;
    hBarShown_ = hNeeded;
    // A bar shown now gets its pending resize, and with it a refresh, here: still our own report.
    vBar_->setVisible(vNeeded);
    sideStrip_->setVisible(vNeeded);
    hBar_->setVisible(hNeeded);
    bottomStrip_->setVisible(hNeeded);
    suppressBarReports_ = false;
    return true;
}

void rg_TolvarShuXingKuang::placeCanvasX() {
    const int32_t cw = clientWidth();
    const int32_t vw = vBarShown_ ? kBarThickness + 1 : 0;
    const int64_t textH = std::max(layout_.textHeight, 1);
    int64_t x = hBarShown_ ? (1 - int64_t{hBar_->position()}) * textH : 0;
    // The last position puts the canvas's right edge at the client's (less the vertical bar).
    x = std::max<int64_t>(x, int64_t{cw} - vw - canvas_->width());
    x = std::min<int64_t>(x, 0);
    if (canvas_->x() != x || canvas_->y() != 0) canvas_->move(static_cast<int>(x), 0);
}

void rg_TolvarShuXingKuang::scheduleIndexPoll() {
    if (indexPoll_.isActive()) return;
    indexPolls_ = 0;
    indexPoll_.start(50);
}

void rg_TolvarShuXingKuang::onIndexPoll() {
    if (!isVisible()) return;
    if (store_.isIndexCurrent(TreeIndexKind::Parent) && store_.isIndexCurrent(TreeIndexKind::Sibling)) {
        redraw(-1);
        return;
    }
    // Give up after a while: a build that never finishes (superseded and not restarted) must not
    // keep a timer running; the next change starts a new one anyway.
    if (store_.liveIndexRuns() > 0 && ++indexPolls_ < 400) indexPoll_.start(50);
}

void rg_TolvarShuXingKuang::scrollIntoView(int32_t item, int32_t row) {
    if (item < 0 || item >= store_.itemCount()) return;
    // A hidden box may have had no paint since the last change: its row was asked of a stale list.
    if (!store_.isRowListCurrent()) {
        store_.ensureRowList();
        row = store_.rowOfItem(item);
    }
    refreshLayout();
    const int32_t pitch = std::max(layout_.rowPitch, 1);
    const int32_t hb = hBarShown_ ? kBarThickness + 1 : 0;
    const int32_t v = std::max((clientHeight() - hb) / pitch, 1); // fully visible rows
    if (row >= 0) {
        const int32_t topRow = store_.rowOfItem(store_.properties().topItem);
        if (topRow >= 0) {
            if (row >= topRow && row < topRow + v) return;
        } else {
            const size_t first = std::min(painted_.size(), static_cast<size_t>(v));
            for (size_t r = 0; r < first; ++r)
                if (painted_[r].item == item) return;
        }
    }
    // Put the item's row last among the fully visible ones.
    if (!isVisible() || !store_.properties().autoRedraw) {
        // Nothing is painted, so the bar's maximum may be old: place the top row directly.
        const int32_t fit = layout_.rowsThatFit(clientHeight());
        const int64_t last = std::max<int64_t>(int64_t{store_.rowCount()} - fit + 2, 1);
        const int64_t position = row >= 0 ? std::clamp<int64_t>(int64_t{row} - v + 2, 1, last) : last;
        const int32_t top = store_.itemAtRow(static_cast<int32_t>(position - 1));
        if (top >= 0) setTopItem(top);
        return;
    }
    const int64_t position = row >= 0 ? int64_t{row} - v + 2 : vBar_->maximum();
    vBar_->setPosition(clampPosition(position));
    vBar_->refresh(0, 0); // a change is reported and repaints from the new top row
    const int32_t top = store_.itemAtRow(vBar_->position() - 1);
    if (top >= 0 && top != store_.properties().topItem)
        redraw(top); // the position did not change but the top row differs
}

// ---------------------------------------------------------------------------------------------
// Scroll bar reports

void rg_TolvarShuXingKuang::endEditBeforeScroll() {
    if (editing_) canvas_->setFocus(Qt::OtherFocusReason); // ends the edit through the edit box's focus loss
    if (editing_) endEdit(true); // focus could not move (window not active): end it directly
}

void rg_TolvarShuXingKuang::onVerticalPosition(int32_t position) {
    if (suppressBarReports_) return;
    endEditBeforeScroll();
    store_.ensureRowList();
    const int32_t item = store_.itemAtRow(position - 1);
    redraw(item >= 0 ? item : -1);
}

void rg_TolvarShuXingKuang::onVerticalDragEnded() {
    endEditBeforeScroll();
    redraw(-1);
}

void rg_TolvarShuXingKuang::onHorizontalPosition(int32_t) {
    if (suppressBarReports_) return;
    endEditBeforeScroll();
    placeCanvasX();
}

// ---------------------------------------------------------------------------------------------
// Mouse

bool rg_TolvarShuXingKuang::onGlyph(const PaintedRow& r, int32_t x) {
    return r.glyphX != kTreeNoCell && r.glyphX < x && int64_t{x} < int64_t{r.glyphX} + kTreeGlyphSize;
}

bool rg_TolvarShuXingKuang::onCheck(const PaintedRow& r, int32_t x) {
    return r.checkX != kTreeNoCell && r.checkX < x && int64_t{x} < int64_t{r.checkX} + kTreeGlyphSize;
}

bool rg_TolvarShuXingKuang::onText(const PaintedRow& r, int32_t x) {
    return r.textLeft < x && x < r.textRight;
}

void rg_TolvarShuXingKuang::onCanvasMouseMove(int32_t x, int32_t y) {
    const bool left = x == INT32_MIN && y == INT32_MIN; // the mouse left the canvas
    const int32_t row = left ? -1 : layout_.rowAt(y);
    if (!left) lastMouseRow_ = row;
    if (validRow(row) && onText(painted_[static_cast<size_t>(row)], x)) {
        const int32_t item = painted_[static_cast<size_t>(row)].item;
        if (item == hotItem_) return;
        hotItem_ = item;
        if (properties().hotTracking) redraw(-1);
        hotItemChanged.raise(item);
        return;
    }
    if (hotItem_ == -1) return;
    hotItem_ = -1;
    if (properties().hotTracking) redraw(-1);
}

void rg_TolvarShuXingKuang::emptyClick() {
    if (!properties().clearOnEmptyClick) return;
    store_.properties().currentItem = -1;
    redraw(-1);
    store_.selectionChanged.raise(-1, ByLeftClick);
}

void rg_TolvarShuXingKuang::onCanvasButton(int32_t x, int32_t y, bool left) {
    const int32_t row = layout_.rowAt(y);
    lastMouseRow_ = row;
    if (!validRow(row)) {
        emptyClick();
        return;
    }
    const PaintedRow hit = painted_[static_cast<size_t>(row)]; // a copy: handlers may repaint
    const int32_t item = hit.item;
    if (left && onGlyph(hit, x)) {
        if (expandToggling.raise(item) == 0) {
            ItemCursor c;
            store_.setExpanded(c, item, false, true);
        }
        return;
    }
    if (left && onCheck(hit, x)) {
        if (checkToggling.raise(item) == 0) {
            ItemCursor c;
            if (store_.setItem(item, std::nullopt, rg_TolvarShuXingKuangCunChu::kKeepImage, -1, -2, c, false))
                checkToggled.raise(item);
        }
        return;
    }
    if (!onText(hit, x)) {
        emptyClick();
        return;
    }
    const int32_t old = store_.getSelection();
    store_.properties().currentItem = item;
    redraw(-1);
    if (old != item) {
        store_.selectionChanged.raise(item, left ? ByLeftClick : ByRightClick);
    } else if (left && properties().clickToEdit && x > hit.textX) {
        beginEdit(item, row);
    }
    if (!left) rightClicked.raise();
}

void rg_TolvarShuXingKuang::onCanvasDoubleClick(int32_t x) {
    const int32_t row = lastMouseRow_;
    if (!validRow(row)) return;
    const PaintedRow& hit = painted_[static_cast<size_t>(row)];
    if (onGlyph(hit, x) || onCheck(hit, x) || !onText(hit, x)) return;
    const int32_t item = hit.item;
    if (expandToggling.raise(item) != 0) return;
    ItemCursor c;
    store_.setItem(item, std::nullopt, rg_TolvarShuXingKuangCunChu::kKeepImage, -2, -1, c, false);
}

void rg_TolvarShuXingKuang::onWheelNotches(int32_t notches) {
    if (!vBarShown_ || notches == 0) return;
    vBar_->setPosition(clampPosition(int64_t{vBar_->position()} - notches));
    vBar_->refresh(0, 0);
}

// ---------------------------------------------------------------------------------------------
// Keys

void rg_TolvarShuXingKuang::changeCurrentExpansion(bool expand) {
    const int32_t current = store_.getSelection();
    if (current < 0) return;
    ItemCursor c;
    store_.setExpanded(c, current, expand, false);
}

void rg_TolvarShuXingKuang::moveSelection(int32_t delta) {
    store_.ensureRowList();
    const int32_t current = store_.getSelection();
    const int32_t row = current >= 0 ? store_.rowOfItem(current) : -1;
    const int64_t r = row >= 0 ? int64_t{row} + 1 : 1; // 1-based; 1 without a row
    const int64_t target = r + delta;
    if (target < 1 || target > store_.rowCount()) return;
    store_.setPendingSelectionReason(ByArrowKey);
    store_.setSelection(store_.itemAtRow(static_cast<int32_t>(target - 1)));
}

void rg_TolvarShuXingKuang::onKey(int32_t key, int32_t mods) {
    const bool altOnly = mods == rg_Korrin_ChuangKou::kModAlt;
    switch (key) {
    case vk::Left:
    case vk::Right:
        if (altOnly) {
            if (hBarShown_) {
                hBar_->setPosition(clampPosition(int64_t{hBar_->position()} + (key == vk::Left ? -1 : 1)));
                hBar_->refresh(0, 0);
            }
        } else {
            changeCurrentExpansion(key == vk::Right);
        }
        break;
    case vk::Up:
        moveSelection(-1);
        break;
    case vk::Down:
        moveSelection(1);
        break;
    case vk::F2: {
        const int32_t current = store_.getSelection();
        if (current >= 0) beginEdit(current, -1);
        break;
    }
    default:
        break;
    }
    keyPressed.raise(key, mods);
}

// ---------------------------------------------------------------------------------------------
// In-place editing

int32_t rg_TolvarShuXingKuang::beginEdit(int32_t item, int32_t row) {
    if (item < 0 || item >= store_.itemCount()) return 0;
    if (editing_) endEdit(true);
    if (editStarting.raise(item) != 0) return 0;
    if (row == -1) {
        if (item == store_.getSelection())
            store_.ensureVisible(item);
        else
            store_.setSelection(item);
    }
    // The painted row of the item (the current one on every path that gets here).
    int32_t at = -1;
    for (size_t r = 0; r < painted_.size(); ++r) {
        if (painted_[r].item == item) {
            at = static_cast<int32_t>(r);
            break;
        }
    }
    if (at < 0) {
        if (row == -1 || !validRow(row)) return 0;
        at = row;
    }
    const PaintedRow& pr = painted_[static_cast<size_t>(at)];
    ensureFonts();
    editBox_->setScreenFont(fonts_[0]);

    // Over the item's text, in client coordinates; the canvas may be scrolled sideways.
    const int64_t left = int64_t{pr.textX} + canvas_->x() - 1;
    const int64_t top = layout_.rowTop(at);
    int64_t width = std::max<int64_t>(int64_t{pr.textWidth} + 6, 3 * int64_t{layout_.textHeight});
    const int64_t room = int64_t{clientWidth()} - left;
    if (left + width > clientWidth()) width = room;
    rg_ZuJianBuJuQi::place(editBox_, drawCoord(left), drawCoord(top), drawCoord(std::max<int64_t>(width, 0)),
                           layout_.rowHeight);

    editBefore_ = store_.getText(item);
    editItem_ = item;
    editVersion_ = store_.bufferVersion();
    editBox_->setContent(editBefore_);
    editing_ = true;
    editBox_->show();
    editBox_->raise();
    editBox_->selectAll(); // also scrolls the caret into view
    editBox_->setFocus(Qt::OtherFocusReason);
    return 1;
}

void rg_TolvarShuXingKuang::endEdit(bool commit) {
    if (!editing_ || endingEdit_) return;
    endingEdit_ = true;
    editing_ = false;
    // Move the focus first so that hiding the edit box does not send it elsewhere.
    if (editBox_->hasFocus() && isVisible()) canvas_->setFocus(Qt::OtherFocusReason);
    editBox_->hide();
    const CWString text = editBox_->content();
    const int32_t item = editItem_;
    const CWString before = editBefore_;
    endingEdit_ = false;
    if (!commit) return;
    if (editCommitted.raise(item, before, text) != 0) return;
    // Write only into the item that was edited: if the tree changed meanwhile the index may now
    // name another item.
    if (store_.bufferVersion() != editVersion_ && store_.getText(item) != before) return;
    ItemCursor c;
    store_.setText(item, text, c);
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
