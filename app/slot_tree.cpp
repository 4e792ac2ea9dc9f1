#include "app/slot_tree.h"

#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "runtime/ui/image_resources.h"
#include "runtime/ui/qt_text.h"

namespace rg_Korrin_ChengXu {

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;

rg_CaoShuKuang::rg_CaoShuKuang(QWidget* parent) : QWidget(parent) {
    store_.setView(this);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

rg_CaoShuKuang::~rg_CaoShuKuang() { store_.setView(nullptr); }

void rg_CaoShuKuang::setImageStrip(int32_t resourceId) {
    imageStripId_ = resourceId;
    strip_ = rg_Korrin_ChuangKou::loadImageResource(resourceId);
    update();
}

int rg_CaoShuKuang::rowHeight() const {
    const int fixed = store_.properties().fixedRowHeight;
    if (fixed >= 1)
        return fixed;
    return std::max(fontMetrics().height(), 20) + store_.properties().rowGap;
}

int rg_CaoShuKuang::visibleRows() const { return std::max(1, height() / std::max(1, rowHeight())); }

void rg_CaoShuKuang::clampTop() {
    const int32_t rows = store_.rowCount();
    topRow_ = std::clamp<int32_t>(topRow_, 0, std::max<int32_t>(0, rows - visibleRows()));
}

void rg_CaoShuKuang::redraw(int32_t top) {
    if (!store_.properties().autoRedraw)
        return;
    store_.ensureRowList();
    store_.startIndexWorkers();
    if (top >= 0) {
        const int32_t row = store_.rowOfItem(top);
        if (row >= 0)
            topRow_ = row;
    }
    clampTop();
    update();
}

void rg_CaoShuKuang::scrollIntoView(int32_t item, int32_t row) {
    (void)item;
    store_.ensureRowList();
    if (row < 0)
        row = std::max<int32_t>(0, store_.rowCount() - 1);
    if (row < topRow_)
        topRow_ = row;
    else if (row >= topRow_ + visibleRows())
        topRow_ = row - visibleRows() + 1;
    clampTop();
    update();
}

int32_t rg_CaoShuKuang::itemAt(QPoint pos) {
    store_.ensureRowList();
    if (pos.y() < 2)
        return -1;
    return store_.itemAtRow(topRow_ + (pos.y() - 2) / rowHeight());
}

QPoint rg_CaoShuKuang::itemTextPoint(int32_t item) {
    store_.ensureRowList();
    const int32_t row = store_.rowOfItem(item);
    if (row < topRow_ || row >= topRow_ + visibleRows())
        return {};
    const int margin = store_.properties().margin;
    return QPoint(margin + store_.getLevel(item) * 18 + 24 + 4, 2 + (row - topRow_) * rowHeight() + rowHeight() / 2);
}

void rg_CaoShuKuang::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xFF, 0xFF, 0xFF));
    p.setPen(QColor(0xC8, 0xC8, 0xC8));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    store_.ensureRowList();
    const int rh = rowHeight();
    const int margin = store_.properties().margin;
    const int32_t selected = store_.getSelection();
    const int32_t rows = store_.rowCount();
    ItemCursor cursor;
    for (int32_t r = topRow_, y = 2; r < rows && y < height(); ++r, y += rh) {
        const int32_t item = store_.itemAtRow(r);
        if (item < 0)
            break;
        cursor.clear();
        const int32_t level = store_.getLevel(item, cursor);
        const int x = margin + level * 18;
        const bool kids = store_.hasChildren(item, cursor);
        if (kids) {
            const bool open = store_.getExpandState(item, cursor) >= 2;
            p.setPen(QColor(0x70, 0x70, 0x70));
            p.drawRect(x - 1, y + rh / 2 - 5, 9, 9);
            p.drawLine(x + 1, y + rh / 2 - 1, x + 5, y + rh / 2 - 1);
            if (!open)
                p.drawLine(x + 3, y + rh / 2 - 3, x + 3, y + rh / 2 + 1);
        }
        const int32_t image = store_.getImage(item, cursor);
        if (!strip_.isNull() && image >= 0 && image < 3) {
            const qreal dpr = strip_.devicePixelRatio();
            p.drawImage(QRectF(x + 12, y + (rh - 20) / 2.0, 20, 20), strip_,
                        QRectF(image * 20 * dpr, 0, 20 * dpr, 20 * dpr));
        }
        const QString text = rg_Korrin_ChuangKou::toQString(store_.getText(item, cursor));
        QFont f = font();
        f.setBold(level == 0);
        const QRect textRect(x + 36, y, QFontMetrics(f).horizontalAdvance(text) + 8, rh);
        if (item == selected) {
            p.fillRect(textRect, QColor(0xCC, 0xE4, 0xF7));
            p.setPen(QColor(0x26, 0x8B, 0xD2));
            p.drawRect(textRect.adjusted(0, 0, -1, -1));
        }
        p.setFont(f);
        p.setPen(QColor(0x20, 0x20, 0x20));
        p.drawText(textRect.adjusted(3, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
    }
}

void rg_CaoShuKuang::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const int32_t item = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        if (item < 0)
            return;
        store_.setPendingSelectionReason(ByLeftClick);
        store_.setSelection(item);
    } else if (event->button() == Qt::RightButton) {
        if (item >= 0 && item != store_.getSelection()) {
            store_.setPendingSelectionReason(ByRightClick);
            store_.setSelection(item);
        }
        store_.rightClicked.raise(store_);
    }
}

void rg_CaoShuKuang::mouseDoubleClickEvent(QMouseEvent* event) {
    const int32_t item = itemAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || item < 0 || !store_.hasChildren(item))
        return;
    ItemCursor cursor;
    store_.setExpanded(cursor, item, false, true);
    redraw(-1);
}

void rg_CaoShuKuang::wheelEvent(QWheelEvent* event) {
    topRow_ -= event->angleDelta().y() / 120 * 3;
    clampTop();
    update();
}

void rg_CaoShuKuang::keyPressEvent(QKeyEvent* event) {
    const int32_t s = store_.getSelection();
    int32_t row = s >= 0 ? store_.rowOfItem(s) : -1;
    if (event->key() == Qt::Key_Down)
        ++row;
    else if (event->key() == Qt::Key_Up)
        --row;
    else
        return QWidget::keyPressEvent(event);
    const int32_t item = store_.itemAtRow(std::max(0, row));
    if (item >= 0) {
        store_.setPendingSelectionReason(ByArrowKey);
        store_.setSelection(item);
    }
}

} // namespace rg_Korrin_ChengXu
