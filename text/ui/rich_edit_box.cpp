#include "text/ui/rich_edit_box.h"

#include <climits>
#include <cmath>
#include <tuple>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QTimer>

#include "runtime/ui/colour.h"
#include "runtime/ui/input.h"
#include "runtime/ui/platform.h"
#include "runtime/ui/qt_text.h"

namespace rg_Korrin_MFCJieMian_KuoZhanZuJian {

using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::toQString;

namespace {

// Laid-out units kept between paints; beyond this the ones far from the view are dropped.
constexpr size_t kLayoutCacheLimit = 2048;
constexpr int kDragScrollInterval = 50;

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

rg_ChaoJiBianJiKuang::rg_ChaoJiBianJiKuang(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rows_.assign({1});
    QFont f = QApplication::font();
    f.setPointSize(9);
    setFont(f);
    fontChanged();
}

rg_ChaoJiBianJiKuang::~rg_ChaoJiBianJiKuang() = default;

// ---------------------------------------------------------------------------------------------
// Properties

void rg_ChaoJiBianJiKuang::setText(CWString text) {
    store_.setText(std::move(text));
    history_.clear();
    modified_ = false;
    caret_ = anchor_ = 0;
    preferredX_ = -1;
    topUnit_ = topRow_ = 0;
    hOffset_ = 0;
    maxVisibleWidth_ = 0;
    dropLayouts();
    reestimateAllRows();
    syncScrollBars();
    viewport()->update();
    textChanged.raise();
    selectionChanged.raise();
}

void rg_ChaoJiBianJiKuang::setMultiLine(bool multiLine) {
    multiLine_ = multiLine;
    setVerticalScrollBarPolicy(multiLine_ ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(multiLine_ && !wordWrap_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    dropLayouts();
    reestimateAllRows();
    syncScrollBars();
    viewport()->update();
}

void rg_ChaoJiBianJiKuang::setWordWrap(bool wrap) {
    wordWrap_ = wrap;
    hOffset_ = 0;
    setMultiLine(multiLine_);
}

void rg_ChaoJiBianJiKuang::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly_);
    preedit_.clear();
    viewport()->update();
}

void rg_ChaoJiBianJiKuang::setHideSelection(bool hide) {
    hideSelection_ = hide;
    viewport()->update();
}

void rg_ChaoJiBianJiKuang::setMaxLength(int32_t maxLength) {
    maxLength_ = std::max(maxLength, 0);
}

void rg_ChaoJiBianJiKuang::setBackColour(int32_t colourRef) {
    backColour_ = colourRef;
    viewport()->update();
}

void rg_ChaoJiBianJiKuang::setScreenFont(const rg_Korrin_ChuangKou::ScreenFont& font) {
    setFont(font.font);
}

QColor rg_ChaoJiBianJiKuang::backgroundColour() const {
    if (backColour_ == kSystemWindowColour || backColour_ == rg_Korrin_ChuangKou::kDefaultColour)
        return palette().color(QPalette::Active, QPalette::Base);
    return rg_Korrin_ChuangKou::colorFromRef(backColour_);
}

void rg_ChaoJiBianJiKuang::fontChanged() {
    const QFontMetricsF metrics(font());
    averageCharWidth_ = std::max<qreal>(1, metrics.averageCharWidth());
    lineSpacing_ = std::max(1, static_cast<int>(std::ceil(metrics.lineSpacing())));
    dropLayouts();
    reestimateAllRows();
    syncScrollBars();
    viewport()->update();
}

void rg_ChaoJiBianJiKuang::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fontChanged();
    else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Selection and editing

void rg_ChaoJiBianJiKuang::setCaret(int32_t caret, int32_t anchor, bool keepPreferredX) {
    caret = store_.validPosition(caret);
    anchor = store_.validPosition(anchor);
    if (!keepPreferredX) preferredX_ = -1;
    const bool changed = caret != caret_ || anchor != anchor_;
    caret_ = caret;
    anchor_ = anchor;
    restartCaretBlink();
    viewport()->update();
    if (changed) selectionChanged.raise();
}

void rg_ChaoJiBianJiKuang::setSelection(int32_t start, int32_t end) {
    const int32_t n = store_.length();
    if (end < 0) end = n;
    history_.closeStep();
    setCaret(std::clamp(end, 0, n), std::clamp(start, 0, n));
    ensureCaretVisible();
}

void rg_ChaoJiBianJiKuang::selectAll() {
    history_.closeStep();
    // The view stays where it is: selecting everything should not jump to the end.
    setCaret(store_.length(), 0);
}

CWString rg_ChaoJiBianJiKuang::selectedText() const {
    return store_.text().substr(static_cast<size_t>(selectionStart()),
                                static_cast<size_t>(selectionLength()));
}

CWString rg_ChaoJiBianJiKuang::fitInsertion(CWStringView text, int32_t replacing) const {
    if (!multiLine_) {
        const size_t cut = text.find_first_of(u"\r\n");
        if (cut != CWStringView::npos) text = text.substr(0, cut);
    }
    const int64_t limit = maxLength_ > 0 ? maxLength_ : INT32_MAX;
    const int64_t room = limit - (static_cast<int64_t>(store_.length()) - replacing);
    if (room <= 0) return {};
    if (static_cast<int64_t>(text.size()) > room) {
        size_t cut = static_cast<size_t>(room);
        if (cut > 0 && cut < text.size() &&
            ((isHighSurrogate(text[cut - 1]) && isLowSurrogate(text[cut])) ||
             (text[cut - 1] == u'\r' && text[cut] == u'\n')))
            --cut;
        text = text.substr(0, cut);
    }
    return CWString(text);
}

void rg_ChaoJiBianJiKuang::applyRaw(int32_t pos, int32_t count, CWStringView insert) {
    applySplice(store_.replace(pos, count, insert));
}

void rg_ChaoJiBianJiKuang::edit(int32_t pos, int32_t count, CWString insert, TextEdit::Kind kind) {
    TextEdit record;
    record.pos = pos;
    record.removed = store_.text().substr(static_cast<size_t>(pos), static_cast<size_t>(count));
    record.inserted = std::move(insert);
    record.anchorBefore = anchor_;
    record.caretBefore = caret_;
    record.kind = kind;
    applyRaw(pos, count, record.inserted);
    const int32_t caret = pos + static_cast<int32_t>(record.inserted.size());
    history_.record(std::move(record));
    modified_ = true;
    setCaret(caret, caret);
    afterTextChange();
}

void rg_ChaoJiBianJiKuang::afterTextChange() {
    ensureCaretVisible();
    viewport()->update();
    textChanged.raise();
}

void rg_ChaoJiBianJiKuang::replaceSelection(CWStringView text) {
    CWString insert = fitInsertion(text, selectionLength());
    if (insert.empty() && selectionLength() == 0) return;
    history_.closeStep();
    edit(selectionStart(), selectionLength(), std::move(insert), TextEdit::Other);
    history_.closeStep();
}

void rg_ChaoJiBianJiKuang::insertTyped(CWStringView text) {
    if (readOnly_ || text.empty()) return;
    CWString insert = fitInsertion(text, selectionLength());
    if (insert.empty()) return; // no room left: the keystroke is dropped, the selection stays
    edit(selectionStart(), selectionLength(), std::move(insert), TextEdit::Typing);
}

void rg_ChaoJiBianJiKuang::deleteBackward(bool word) {
    if (readOnly_) return;
    if (selectionLength() > 0) {
        history_.closeStep();
        edit(selectionStart(), selectionLength(), {}, TextEdit::Other);
        return;
    }
    if (caret_ == 0) return;
    int32_t from;
    if (word) {
        from = moved(caret_, Move::WordLeft);
    } else {
        // One code point back; CR LF goes as one.
        const CWString& t = store_.text();
        const auto c = static_cast<size_t>(caret_);
        from = caret_ - 1;
        if (c >= 2 && ((t[c - 1] == u'\n' && t[c - 2] == u'\r') ||
                       (isLowSurrogate(t[c - 1]) && isHighSurrogate(t[c - 2]))))
            from = caret_ - 2;
    }
    if (from < caret_) edit(from, caret_ - from, {}, TextEdit::DeleteBackward);
}

void rg_ChaoJiBianJiKuang::deleteForward(bool word) {
    if (readOnly_) return;
    if (selectionLength() > 0) {
        history_.closeStep();
        edit(selectionStart(), selectionLength(), {}, TextEdit::Other);
        return;
    }
    if (caret_ >= store_.length()) return;
    int32_t to;
    if (word) {
        to = moved(caret_, Move::WordRight);
    } else {
        const int32_t brk = store_.breakLengthAt(caret_);
        to = brk ? caret_ + brk : moved(caret_, Move::Right);
    }
    if (to > caret_) edit(caret_, to - caret_, {}, TextEdit::DeleteForward);
}

bool rg_ChaoJiBianJiKuang::canPaste() const {
    return !readOnly_ && !rg_Korrin_ChuangKou::platform().clipboardText().empty();
}

void rg_ChaoJiBianJiKuang::undo() {
    if (!history_.canUndo()) return;
    const TextEdit e = history_.takeUndo();
    applyRaw(e.pos, static_cast<int32_t>(e.inserted.size()), e.removed);
    modified_ = true;
    setCaret(e.caretBefore, e.anchorBefore);
    afterTextChange();
}

void rg_ChaoJiBianJiKuang::redo() {
    if (!history_.canRedo()) return;
    const TextEdit e = history_.takeRedo();
    applyRaw(e.pos, static_cast<int32_t>(e.removed.size()), e.inserted);
    modified_ = true;
    const int32_t caret = e.pos + static_cast<int32_t>(e.inserted.size());
    setCaret(caret, caret);
    afterTextChange();
}

void rg_ChaoJiBianJiKuang::copy() {
    if (selectionLength() > 0) rg_Korrin_ChuangKou::platform().setClipboardText(selectedText());
}

void rg_ChaoJiBianJiKuang::cut() {
    if (readOnly_ || selectionLength() == 0) return;
    copy();
    history_.closeStep();
    edit(selectionStart(), selectionLength(), {}, TextEdit::Other);
}

void rg_ChaoJiBianJiKuang::paste() {
    if (readOnly_) return;
    CWString insert = fitInsertion(rg_Korrin_ChuangKou::platform().clipboardText(), selectionLength());
    if (insert.empty()) return;
    history_.closeStep();
    edit(selectionStart(), selectionLength(), std::move(insert), TextEdit::Other);
    history_.closeStep();
}

void rg_ChaoJiBianJiKuang::deleteSelection() {
    if (readOnly_ || selectionLength() == 0) return;
    history_.closeStep();
    edit(selectionStart(), selectionLength(), {}, TextEdit::Other);
}

void rg_ChaoJiBianJiKuang::sendMenuCommand(int32_t id) {
    menuCommand.raise(kCommandMessage, id);
}

// ---------------------------------------------------------------------------------------------
// Layout

int rg_ChaoJiBianJiKuang::wrapWidth() const {
    return std::max(1, viewport()->width() - kMarginLeft - kMarginRight);
}

int rg_ChaoJiBianJiKuang::visibleRows() const {
    return std::max(1, viewport()->height() / lineSpacing_);
}

rg_ChaoJiBianJiKuang::UnitLayout& rg_ChaoJiBianJiKuang::layoutFor(int32_t u) {
    auto it = layouts_.find(u);
    if (it != layouts_.end()) return it->second;
    UnitLayout unit;
    unit.layout = std::make_unique<QTextLayout>(toQString(store_.unitContent(u)), font());
    QTextOption option;
    option.setWrapMode(wordWrap_ && multiLine_ ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                               : QTextOption::NoWrap);
    option.setTabStopDistance(8 * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')));
    unit.layout->setTextOption(option);
    unit.layout->setCacheEnabled(true);
    const int width = wrapWidth();
    qreal y = 0;
    unit.layout->beginLayout();
    for (;;) {
        QTextLine line = unit.layout->createLine();
        if (!line.isValid()) break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    unit.layout->endLayout();
    unit.height = std::max<qreal>(y, lineSpacing_);
    const int32_t lines = std::max(1, unit.layout->lineCount());
    if (rows_.rows(u) != lines) {
        rows_.set(u, lines);
        scheduleScrollBarSync();
    }
    return layouts_.emplace(u, std::move(unit)).first->second;
}

void rg_ChaoJiBianJiKuang::dropLayouts() {
    layouts_.clear();
    layoutWidth_ = wrapWidth();
}

void rg_ChaoJiBianJiKuang::trimLayouts() {
    if (layouts_.size() <= kLayoutCacheLimit) return;
    const int32_t low = topUnit_ - 64, high = topUnit_ + 512;
    for (auto it = layouts_.begin(); it != layouts_.end();) {
        if (it->first < low || it->first > high)
            it = layouts_.erase(it);
        else
            ++it;
    }
}

int32_t rg_ChaoJiBianJiKuang::estimateRows(int32_t u) const {
    if (!(wordWrap_ && multiLine_)) return 1;
    const int32_t length = store_.unitContentLength(u);
    if (length <= 1) return 1;
    const double rows = std::ceil(length * averageCharWidth_ / wrapWidth());
    return static_cast<int32_t>(std::clamp<double>(rows, 1, length));
}

void rg_ChaoJiBianJiKuang::reestimateAllRows() {
    std::vector<int32_t> rows(static_cast<size_t>(store_.unitCount()));
    for (int32_t u = 0; u < store_.unitCount(); ++u)
        rows[static_cast<size_t>(u)] = estimateRows(u);
    rows_.assign(std::move(rows));
    // Units already laid out keep their exact counts.
    for (const auto& [u, unit] : layouts_)
        rows_.set(u, std::max(1, unit.layout->lineCount()));
}

void rg_ChaoJiBianJiKuang::applySplice(const TextStore::UnitSplice& splice) {
    std::vector<int32_t> fresh(static_cast<size_t>(splice.inserted));
    for (int32_t i = 0; i < splice.inserted; ++i)
        fresh[static_cast<size_t>(i)] = estimateRows(splice.first + i);
    rows_.splice(splice.first, splice.removed, fresh);

    // Layouts before the change stay, those after it move with their units.
    const int32_t shift = splice.inserted - splice.removed;
    std::unordered_map<int32_t, UnitLayout> kept;
    for (auto& [u, unit] : layouts_) {
        if (u < splice.first)
            kept.emplace(u, std::move(unit));
        else if (u >= splice.first + splice.removed)
            kept.emplace(u + shift, std::move(unit));
    }
    layouts_ = std::move(kept);

    if (topUnit_ >= splice.first + splice.removed)
        topUnit_ += shift;
    else if (topUnit_ >= splice.first)
        topUnit_ = std::max(splice.first, std::min(topUnit_, splice.first + splice.inserted - 1));
    topUnit_ = std::clamp(topUnit_, 0, store_.unitCount() - 1);
    if (preedit_.size()) preedit_.clear();
    scheduleScrollBarSync();
}

void rg_ChaoJiBianJiKuang::scheduleScrollBarSync() {
    if (syncPending_) return;
    syncPending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (syncPending_) syncScrollBars();
    });
}

void rg_ChaoJiBianJiKuang::syncScrollBars() {
    syncPending_ = false;
    syncing_ = true;
    QScrollBar* vertical = verticalScrollBar();
    const int64_t value = rows_.prefix(topUnit_) + topRow_;
    const int64_t maximum = std::max<int64_t>(std::max<int64_t>(0, rows_.total() - visibleRows()), value);
    vertical->setRange(0, static_cast<int>(std::min<int64_t>(maximum, INT_MAX)));
    vertical->setPageStep(visibleRows());
    vertical->setSingleStep(1);
    if (!vertical->isSliderDown()) vertical->setValue(static_cast<int>(std::min<int64_t>(value, INT_MAX)));
    QScrollBar* horizontal = horizontalScrollBar();
    const int viewWidth = std::max(1, viewport()->width());
    const int hMax = multiLine_ && !wordWrap_
                         ? std::max({0, maxVisibleWidth_ + kMarginLeft + kMarginRight - viewWidth, hOffset_})
                         : 0;
    horizontal->setRange(0, hMax);
    horizontal->setPageStep(viewWidth);
    horizontal->setSingleStep(std::max(1, static_cast<int>(averageCharWidth_)));
    horizontal->setValue(hOffset_);
    syncing_ = false;
}

void rg_ChaoJiBianJiKuang::setTop(int32_t unit, int32_t row) {
    unit = std::clamp(unit, 0, store_.unitCount() - 1);
    row = std::clamp(row, 0, std::max(0, layoutFor(unit).layout->lineCount() - 1));
    if (unit == topUnit_ && row == topRow_) return;
    topUnit_ = unit;
    topRow_ = row;
    viewport()->update();
    scrolled.raise();
}

void rg_ChaoJiBianJiKuang::scrollContentsBy(int dx, int dy) {
    if (syncing_) return;
    if (dy != 0) {
        const auto [unit, row] = rows_.find(verticalScrollBar()->value());
        setTop(unit, row);
        scheduleScrollBarSync();
    }
    if (dx != 0) {
        hOffset_ = horizontalScrollBar()->value();
        viewport()->update();
        scrolled.raise();
    }
}

int64_t rg_ChaoJiBianJiKuang::scrollRows(int64_t delta) {
    int32_t unit = topUnit_, row = topRow_;
    int64_t done = 0;
    for (; delta > 0; --delta, ++done) {
        if (row + 1 < layoutFor(unit).layout->lineCount())
            ++row;
        else if (unit + 1 < store_.unitCount())
            ++unit, row = 0;
        else
            break;
    }
    for (; delta < 0; ++delta, --done) {
        if (row > 0)
            --row;
        else if (unit > 0)
            --unit, row = std::max(0, layoutFor(unit).layout->lineCount() - 1);
        else
            break;
    }
    setTop(unit, row);
    syncScrollBars();
    return done;
}

std::pair<int32_t, int32_t> rg_ChaoJiBianJiKuang::unitRowOf(int32_t pos) {
    const int32_t u = store_.unitAt(pos);
    QTextLayout& layout = *layoutFor(u).layout;
    const QTextLine line = layout.lineForTextPosition(pos - store_.unitStart(u));
    return {u, line.isValid() ? line.lineNumber() : std::max(0, layout.lineCount() - 1)};
}

qreal rg_ChaoJiBianJiKuang::xOf(int32_t pos) {
    const auto [u, row] = unitRowOf(pos);
    QTextLayout& layout = *layoutFor(u).layout;
    return layout.lineAt(row).cursorToX(pos - store_.unitStart(u));
}

void rg_ChaoJiBianJiKuang::ensureCaretVisible() {
    const auto [cu, crow] = unitRowOf(caret_);
    int32_t top = topUnit_, topRow = topRow_;
    if (cu < top || (cu == top && crow < topRow)) {
        top = cu;
        topRow = crow;
    } else {
        // Is the bottom of the caret's row within the view? The walk stops at the view's height.
        const qreal limit = viewport()->height() - kMarginTop;
        qreal y = 0;
        bool within = false;
        for (int32_t u = top, row = topRow; u <= cu; ++u, row = 0) {
            QTextLayout& layout = *layoutFor(u).layout;
            const qreal off = layout.lineAt(std::min(row, layout.lineCount() - 1)).y();
            if (u == cu) {
                const QTextLine line = layout.lineAt(crow);
                within = y + line.y() + line.height() - off <= limit;
                break;
            }
            y += layoutFor(u).height - off;
            if (y > limit) break;
        }
        if (!within) {
            // Put the caret's row at the bottom: add rows above it while they fit.
            int32_t u = cu, row = crow;
            qreal height = layoutFor(u).layout->lineAt(row).height();
            for (;;) {
                int32_t pu = u, prow = row - 1;
                if (prow < 0) {
                    if (u == 0) break;
                    pu = u - 1;
                    prow = std::max(0, layoutFor(pu).layout->lineCount() - 1);
                }
                const qreal h = layoutFor(pu).layout->lineAt(prow).height();
                if (height + h > limit) break;
                height += h;
                u = pu;
                row = prow;
            }
            top = u;
            topRow = row;
        }
    }
    setTop(top, topRow);
    if (!(wordWrap_ && multiLine_)) {
        const int x = static_cast<int>(xOf(caret_));
        const int viewWidth = std::max(1, viewport()->width() - kMarginLeft - kMarginRight);
        if (x < hOffset_)
            hOffset_ = std::max(0, x - viewWidth / 4);
        else if (x > hOffset_ + viewWidth - 2)
            hOffset_ = x - viewWidth + viewWidth / 4;
        maxVisibleWidth_ = std::max(maxVisibleWidth_, x + 2);
    }
    syncScrollBars();
    viewport()->update();
}

QRect rg_ChaoJiBianJiKuang::caretRect() {
    const auto [cu, crow] = unitRowOf(caret_);
    if (cu < topUnit_ || (cu == topUnit_ && crow < topRow_)) return {};
    const int height = viewport()->height();
    qreal y = kMarginTop;
    for (int32_t u = topUnit_, row = topRow_; u <= cu && y < height; ++u, row = 0) {
        UnitLayout& unit = layoutFor(u);
        const qreal off = unit.layout->lineAt(std::min(row, unit.layout->lineCount() - 1)).y();
        if (u == cu) {
            const QTextLine line = unit.layout->lineAt(crow);
            const qreal x = line.cursorToX(caret_ - store_.unitStart(u));
            const QRect r(static_cast<int>(kMarginLeft - hOffset_ + x), static_cast<int>(y - off + line.y()),
                          1, static_cast<int>(std::ceil(line.height())));
            return r.top() < height ? r : QRect();
        }
        y += unit.height - off;
    }
    return {};
}

int32_t rg_ChaoJiBianJiKuang::positionAt(QPoint point) {
    const int height = viewport()->height();
    const qreal py = std::clamp(point.y(), 0, std::max(0, height - 1));
    const qreal px = point.x() - kMarginLeft + hOffset_;
    qreal y = kMarginTop;
    for (int32_t u = topUnit_, row = topRow_; u < store_.unitCount(); ++u, row = 0) {
        UnitLayout& unit = layoutFor(u);
        const int lines = unit.layout->lineCount();
        row = std::min(row, lines - 1);
        const qreal off = unit.layout->lineAt(row).y();
        const qreal bottom = y + unit.height - off;
        if (py < bottom || u == store_.unitCount() - 1) {
            for (int i = row; i < lines; ++i) {
                const QTextLine line = unit.layout->lineAt(i);
                if (py < y - off + line.y() + line.height() || i == lines - 1)
                    return store_.validPosition(store_.unitStart(u) + line.xToCursor(px));
            }
            return store_.validPosition(store_.unitStart(u));
        }
        y = bottom;
    }
    return store_.length();
}

// ---------------------------------------------------------------------------------------------
// Caret movement

int32_t rg_ChaoJiBianJiKuang::moved(int32_t pos, Move how) {
    const int32_t n = store_.length();
    switch (how) {
    case Move::TextStart:
        return 0;
    case Move::TextEnd:
        return n;
    case Move::Left:
    case Move::WordLeft: {
        const auto mode = how == Move::Left ? QTextLayout::SkipCharacters : QTextLayout::SkipWords;
        const int32_t u = store_.unitAt(pos);
        const int32_t local = pos - store_.unitStart(u);
        if (local > 0) return store_.unitStart(u) + layoutFor(u).layout->previousCursorPosition(local, mode);
        if (u == 0) return 0;
        if (store_.unitContentEnd(u - 1) < store_.unitEnd(u - 1)) // the previous unit ends a line
            return store_.unitContentEnd(u - 1);
        return store_.unitStart(u - 1) +
               layoutFor(u - 1).layout->previousCursorPosition(store_.unitContentLength(u - 1), mode);
    }
    case Move::Right:
    case Move::WordRight: {
        const auto mode = how == Move::Right ? QTextLayout::SkipCharacters : QTextLayout::SkipWords;
        const int32_t u = store_.unitAt(pos);
        const int32_t local = pos - store_.unitStart(u);
        if (local < store_.unitContentLength(u))
            return store_.unitStart(u) + layoutFor(u).layout->nextCursorPosition(local, mode);
        return u + 1 < store_.unitCount() ? store_.unitStart(u + 1) : pos;
    }
    case Move::Up:
    case Move::Down: {
        auto [u, row] = unitRowOf(pos);
        if (how == Move::Up) {
            if (row > 0)
                --row;
            else if (u > 0)
                --u, row = std::max(0, layoutFor(u).layout->lineCount() - 1);
            else
                return pos;
        } else {
            if (row + 1 < layoutFor(u).layout->lineCount())
                ++row;
            else if (u + 1 < store_.unitCount())
                ++u, row = 0;
            else
                return pos;
        }
        const QTextLine line = layoutFor(u).layout->lineAt(row);
        return store_.unitStart(u) + line.xToCursor(preferredX_ >= 0 ? preferredX_ : 0);
    }
    case Move::RowStart:
    case Move::RowEnd: {
        const auto [u, row] = unitRowOf(pos);
        QTextLayout& layout = *layoutFor(u).layout;
        const QTextLine line = layout.lineAt(row);
        if (how == Move::RowStart) return store_.unitStart(u) + line.textStart();
        int32_t end = line.textStart() + line.textLength();
        if (row + 1 < layout.lineCount()) // a wrapped row: stay before the break so the caret stays on it
            end = layout.previousCursorPosition(end);
        return store_.unitStart(u) + end;
    }
    case Move::PageUp:
    case Move::PageDown: {
        const int rows = visibleRows();
        int32_t p = pos;
        for (int i = 0; i < rows; ++i)
            p = moved(p, how == Move::PageUp ? Move::Up : Move::Down);
        return p;
    }
    }
    return pos;
}

void rg_ChaoJiBianJiKuang::moveCaret(Move how, bool select) {
    history_.closeStep();
    if (!select && selectionLength() > 0 && (how == Move::Left || how == Move::Right)) {
        const int32_t p = how == Move::Left ? selectionStart() : selectionEnd();
        setCaret(p, p);
        ensureCaretVisible();
        return;
    }
    const bool vertical =
        how == Move::Up || how == Move::Down || how == Move::PageUp || how == Move::PageDown;
    if (vertical && preferredX_ < 0) preferredX_ = xOf(caret_);
    const int32_t p = moved(caret_, how);
    if (how == Move::PageUp || how == Move::PageDown)
        scrollRows(how == Move::PageUp ? -visibleRows() : visibleRows());
    setCaret(p, select ? anchor_ : p, vertical);
    ensureCaretVisible();
}

std::pair<int32_t, int32_t> rg_ChaoJiBianJiKuang::wordAt(int32_t pos) const {
    const int32_t u = store_.unitAt(pos);
    const int32_t start = store_.unitStart(u);
    const QString content = toQString(store_.unitContent(u));
    if (content.isEmpty()) return {pos, pos};
    const int local = std::clamp(pos - start, 0, static_cast<int>(content.size()));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, content);
    finder.setPosition(local);
    qsizetype begin = finder.isAtBoundary() ? local : finder.toPreviousBoundary();
    finder.setPosition(local);
    qsizetype end = local < content.size() ? finder.toNextBoundary() : local;
    if (begin == end && local > 0) { // at the end of the content: take the word before
        finder.setPosition(local);
        begin = finder.toPreviousBoundary();
    }
    if (begin < 0 || end < 0 || begin == end) return {pos, pos};
    return {start + static_cast<int32_t>(begin), start + static_cast<int32_t>(end)};
}

void rg_ChaoJiBianJiKuang::selectWordAt(int32_t pos) {
    const auto [begin, end] = wordAt(pos);
    if (begin != end) setCaret(end, begin);
}

void rg_ChaoJiBianJiKuang::dragTo(int32_t pos) {
    if (pos >= dragOrigin_) {
        const auto [originBegin, originEnd] = wordAt(dragOrigin_);
        if (pos <= originEnd) {
            setCaret(pos, dragOrigin_);
            return;
        }
        // From the start of the first word to the end of the word under the mouse; a position at
        // the very start of a word has not entered it yet.
        const auto [begin, end] = wordAt(pos);
        setCaret(begin == pos ? pos : end, originBegin);
        return;
    }
    // Backward: a drag starting at a word's start begins in the word to its left.
    auto [originBegin, originEnd] = wordAt(dragOrigin_);
    if (originBegin == dragOrigin_ && dragOrigin_ > 0)
        std::tie(originBegin, originEnd) = wordAt(dragOrigin_ - 1);
    if (pos >= originBegin) {
        setCaret(pos, dragOrigin_);
        return;
    }
    setCaret(wordAt(pos).first, std::max(originEnd, dragOrigin_));
}

// ---------------------------------------------------------------------------------------------
// Events

bool rg_ChaoJiBianJiKuang::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Edit keys belong to the box even when a window action uses the same shortcut.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool editKey = key == QKeySequence::Copy || key == QKeySequence::Cut ||
                             key == QKeySequence::Paste || key == QKeySequence::Undo ||
                             key == QKeySequence::Redo || key == QKeySequence::SelectAll ||
                             key == QKeySequence::Delete || key->key() == Qt::Key_Backspace ||
                             key->key() == Qt::Key_Home || key->key() == Qt::Key_End;
        const bool typed = !key->text().isEmpty() && key->text().at(0).isPrint() &&
                           !(key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
        if (editKey || typed) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void rg_ChaoJiBianJiKuang::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (e == QKeySequence::Undo) {
        if (!readOnly_) undo();
        return;
    }
    if (e == QKeySequence::Redo) {
        if (!readOnly_) redo();
        return;
    }
    if (e == QKeySequence::Copy || (e->key() == Qt::Key_Insert && mods == Qt::ControlModifier)) {
        copy();
        return;
    }
    if (e == QKeySequence::Cut || (e->key() == Qt::Key_Delete && mods == Qt::ShiftModifier)) {
        cut();
        return;
    }
    if (e == QKeySequence::Paste || (e->key() == Qt::Key_Insert && mods == Qt::ShiftModifier)) {
        paste();
        return;
    }
    if (e == QKeySequence::SelectAll) {
        selectAll();
        return;
    }

    struct Binding {
        QKeySequence::StandardKey key;
        Move how;
        bool select;
    };
    static const Binding bindings[] = {
        {QKeySequence::MoveToNextChar, Move::Right, false},
        {QKeySequence::MoveToPreviousChar, Move::Left, false},
        {QKeySequence::SelectNextChar, Move::Right, true},
        {QKeySequence::SelectPreviousChar, Move::Left, true},
        {QKeySequence::MoveToNextWord, Move::WordRight, false},
        {QKeySequence::MoveToPreviousWord, Move::WordLeft, false},
        {QKeySequence::SelectNextWord, Move::WordRight, true},
        {QKeySequence::SelectPreviousWord, Move::WordLeft, true},
        {QKeySequence::MoveToNextLine, Move::Down, false},
        {QKeySequence::MoveToPreviousLine, Move::Up, false},
        {QKeySequence::SelectNextLine, Move::Down, true},
        {QKeySequence::SelectPreviousLine, Move::Up, true},
        {QKeySequence::MoveToStartOfLine, Move::RowStart, false},
        {QKeySequence::MoveToEndOfLine, Move::RowEnd, false},
        {QKeySequence::SelectStartOfLine, Move::RowStart, true},
        {QKeySequence::SelectEndOfLine, Move::RowEnd, true},
        {QKeySequence::MoveToStartOfDocument, Move::TextStart, false},
        {QKeySequence::MoveToEndOfDocument, Move::TextEnd, false},
        {QKeySequence::SelectStartOfDocument, Move::TextStart, true},
        {QKeySequence::SelectEndOfDocument, Move::TextEnd, true},
        {QKeySequence::MoveToNextPage, Move::PageDown, false},
        {QKeySequence::MoveToPreviousPage, Move::PageUp, false},
        {QKeySequence::SelectNextPage, Move::PageDown, true},
        {QKeySequence::SelectPreviousPage, Move::PageUp, true},
    };
    for (const Binding& b : bindings) {
        if (e->matches(b.key)) {
            moveCaret(b.how, b.select);
            return;
        }
    }

    if (e->key() == Qt::Key_Tab && (mods & Qt::ControlModifier)) {
        QWidget::focusNextPrevChild(true);
        return;
    }
    if (e->key() == Qt::Key_Backtab || (e->key() == Qt::Key_Tab && (mods & Qt::ShiftModifier))) {
        QWidget::focusNextPrevChild(false);
        return;
    }
    if (readOnly_) {
        e->ignore();
        return;
    }
    if (e == QKeySequence::Delete) {
        deleteForward(false);
        return;
    }
    if (e == QKeySequence::DeleteEndOfWord) {
        deleteForward(true);
        return;
    }
    if (e == QKeySequence::DeleteStartOfWord) {
        deleteBackward(true);
        return;
    }
    if (e->key() == Qt::Key_Backspace && !(mods & ~Qt::ShiftModifier)) {
        deleteBackward(false);
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (!multiLine_) {
            e->ignore();
            return;
        }
        insertTyped(u"\r\n");
        return;
    }
    if (e->key() == Qt::Key_Tab && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        if (!multiLine_) {
            e->ignore();
            return;
        }
        insertTyped(u"\t");
        return;
    }
    const QString text = e->text();
    // Ctrl with Alt is AltGr on some keyboards and types characters.
    const bool commandChord = (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier);
    if (!text.isEmpty() && text.at(0).isPrint() && !commandChord && !(mods & Qt::MetaModifier)) {
        insertTyped(fromQString(text));
        return;
    }
    e->ignore();
}

void rg_ChaoJiBianJiKuang::inputMethodEvent(QInputMethodEvent* e) {
    if (readOnly_) {
        e->ignore();
        return;
    }
    if (!e->commitString().isEmpty()) insertTyped(fromQString(e->commitString()));
    preedit_ = e->preeditString();
    viewport()->update();
    e->accept();
}

QVariant rg_ChaoJiBianJiKuang::inputMethodQuery(Qt::InputMethodQuery query) const {
    auto* self = const_cast<rg_ChaoJiBianJiKuang*>(this); // queries may lay out the caret's unit
    const int32_t u = store_.unitAt(caret_);
    const int32_t start = store_.unitStart(u);
    switch (query) {
    case Qt::ImEnabled:
        return !readOnly_;
    case Qt::ImCursorRectangle:
        return QRectF(self->caretRect().translated(viewport()->pos()));
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return caret_ - start;
    case Qt::ImAnchorPosition:
        return store_.unitAt(anchor_) == u ? anchor_ - start : caret_ - start;
    case Qt::ImSurroundingText:
        return toQString(store_.unitContent(u));
    case Qt::ImCurrentSelection:
        return selectionLength() <= TextStore::kUnitLimit ? toQString(selectedText()) : QString();
    case Qt::ImMaximumTextLength:
        return maxLength_ > 0 ? QVariant(maxLength_) : QVariant();
    case Qt::ImHints:
        return static_cast<int>(multiLine_ ? Qt::ImhMultiLine : Qt::ImhNone);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void rg_ChaoJiBianJiKuang::mousePressEvent(QMouseEvent* e) {
    rg_Korrin_ChuangKou::noteMouseScreenPos(e->globalPosition().toPoint());
    if (e->button() == Qt::RightButton) {
        const QPoint p = viewport()->mapTo(this, e->position().toPoint());
        e->accept();
        rightDown.raise(p.x(), p.y(), rg_Korrin_ChuangKou::modifierBits(e->modifiers()));
        return;
    }
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    history_.closeStep();
    const int32_t pos = positionAt(e->position().toPoint());
    setCaret(pos, (e->modifiers() & Qt::ShiftModifier) ? anchor_ : pos);
    dragOrigin_ = anchor_;
    dragging_ = true;
    dragPoint_ = e->position().toPoint();
}

void rg_ChaoJiBianJiKuang::mouseMoveEvent(QMouseEvent* e) {
    rg_Korrin_ChuangKou::noteMouseScreenPos(e->globalPosition().toPoint());
    if (!dragging_ || !(e->buttons() & Qt::LeftButton)) return;
    dragPoint_ = e->position().toPoint();
    dragTo(positionAt(dragPoint_));
    const bool outside = dragPoint_.y() < 0 || dragPoint_.y() >= viewport()->height();
    if (outside && !dragTimer_.isActive())
        dragTimer_.start(kDragScrollInterval, this);
    else if (!outside)
        dragTimer_.stop();
}

void rg_ChaoJiBianJiKuang::mouseReleaseEvent(QMouseEvent* e) {
    rg_Korrin_ChuangKou::noteMouseScreenPos(e->globalPosition().toPoint());
    if (e->button() == Qt::LeftButton) {
        dragging_ = false;
        dragTimer_.stop();
    }
}

void rg_ChaoJiBianJiKuang::mouseDoubleClickEvent(QMouseEvent* e) {
    rg_Korrin_ChuangKou::noteMouseScreenPos(e->globalPosition().toPoint());
    if (e->button() == Qt::RightButton) {
        mousePressEvent(e); // a quick second right click still asks for the menu
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    history_.closeStep();
    selectWordAt(positionAt(e->position().toPoint()));
    dragging_ = false;
}

void rg_ChaoJiBianJiKuang::contextMenuEvent(QContextMenuEvent* e) {
    e->accept(); // the owner opens its menu from rightDown
}

void rg_ChaoJiBianJiKuang::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    restartCaretBlink();
    viewport()->update();
}

void rg_ChaoJiBianJiKuang::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    caretTimer_.stop();
    dragging_ = false;
    dragTimer_.stop();
    viewport()->update();
}

bool rg_ChaoJiBianJiKuang::focusNextPrevChild(bool next) {
    // An editable multi-line box takes Tab as text; Ctrl+Tab and Shift+Tab still move the focus.
    if (multiLine_ && !readOnly_) return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void rg_ChaoJiBianJiKuang::restartCaretBlink() {
    caretOn_ = true;
    const int half = QGuiApplication::styleHints()->cursorFlashTime() / 2;
    if (hasFocus() && half > 0)
        caretTimer_.start(half, this);
    else
        caretTimer_.stop();
}

void rg_ChaoJiBianJiKuang::timerEvent(QTimerEvent* e) {
    if (e->timerId() == caretTimer_.timerId()) {
        caretOn_ = !caretOn_;
        const QRect r = caretRect();
        if (!r.isEmpty()) viewport()->update(r.adjusted(-1, 0, 1, 0));
        return;
    }
    if (e->timerId() == dragTimer_.timerId()) {
        if (!dragging_) {
            dragTimer_.stop();
            return;
        }
        if (dragPoint_.y() < 0)
            scrollRows(-1);
        else if (dragPoint_.y() >= viewport()->height())
            scrollRows(1);
        dragTo(positionAt(dragPoint_));
        return;
    }
    QAbstractScrollArea::timerEvent(e);
}

void rg_ChaoJiBianJiKuang::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (wrapWidth() != layoutWidth_) {
        dropLayouts();
        reestimateAllRows();
    }
    syncScrollBars();
}

void rg_ChaoJiBianJiKuang::paintEvent(QPaintEvent* e) {
    trimLayouts();
    QPainter painter(viewport());
    const QRect clip = e->rect();
    painter.fillRect(clip, backgroundColour());

    const bool focused = hasFocus();
    const bool showSelection = selectionLength() > 0 && (!hideSelection_ || focused);
    const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
    QTextCharFormat selectionFormat;
    selectionFormat.setBackground(palette().brush(group, QPalette::Highlight));
    selectionFormat.setForeground(palette().brush(group, QPalette::HighlightedText));
    const qreal breakMarkWidth = QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));

    const int height = viewport()->height();
    const int32_t selStart = selectionStart(), selEnd = selectionEnd();
    const int32_t caretUnit = store_.unitAt(caret_);
    qreal widest = 0;
    qreal y = kMarginTop;
    for (int32_t u = topUnit_, row = topRow_; u < store_.unitCount() && y < height; ++u, row = 0) {
        UnitLayout& unit = layoutFor(u);
        QTextLayout& layout = *unit.layout;
        row = std::min(row, layout.lineCount() - 1);
        const qreal off = layout.lineAt(row).y();
        const QPointF origin(kMarginLeft - hOffset_, y - off);
        const int32_t start = store_.unitStart(u), contentEnd = store_.unitContentEnd(u),
                      end = store_.unitEnd(u);
        QList<QTextLayout::FormatRange> selections;
        if (showSelection) {
            const int32_t a = std::max(selStart, start), b = std::min(selEnd, contentEnd);
            if (a < b) selections.append({a - start, b - a, selectionFormat});
        }
        layout.draw(&painter, origin, selections, QRectF(clip));
        if (showSelection && contentEnd < end && selStart <= contentEnd && selEnd >= end) {
            // A selected line break shows as a space-wide mark after the row.
            const QTextLine last = layout.lineAt(layout.lineCount() - 1);
            painter.fillRect(QRectF(origin.x() + last.naturalTextWidth(), origin.y() + last.y(),
                                    breakMarkWidth, last.height()),
                             selectionFormat.background());
        }
        for (int i = row; i < layout.lineCount(); ++i)
            widest = std::max(widest, layout.lineAt(i).naturalTextWidth());
        if (u == caretUnit && focused && caretOn_) layout.drawCursor(&painter, origin, caret_ - start, 1);
        y += unit.height - off;
    }

    if (!preedit_.isEmpty()) {
        // Text being composed by an input method floats at the caret until it is committed.
        const QRect caret = caretRect();
        if (!caret.isNull()) {
            QFont underlined = font();
            underlined.setUnderline(true);
            const QFontMetrics metrics(underlined);
            const QRect box(caret.left(), caret.top(), metrics.horizontalAdvance(preedit_) + 2,
                            caret.height());
            painter.fillRect(box, backgroundColour());
            painter.setFont(underlined);
            painter.setPen(palette().color(QPalette::Text));
            painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, preedit_);
        }
    }

    if (!(wordWrap_ && multiLine_)) {
        const int w = static_cast<int>(std::ceil(widest));
        if (w > maxVisibleWidth_) {
            maxVisibleWidth_ = w;
            scheduleScrollBarSync();
        }
    }
}

} // namespace rg_Korrin_MFCJieMian_KuoZhanZuJian
