// rg_CaoShuKuang: the tree box of one slot as the main window uses it: an item store
// (rg_TolvarShuXingKuangCunChu) shown in a plain painted list of rows.
//
// The main window talks to the store for everything (filling, texts, selection, paths) and to
// this widget only for showing, focus and the icon strip, so the painted part can be exchanged
// for the full tree box widget without touching the commands. Rows are painted from the store's
// row list; a left press selects, a right press selects and raises the store's rightClicked, a
// double-click toggles the item's expansion, the wheel scrolls three rows per notch.
//
// Owns its store; the store's view pointer refers back to this widget. UI thread only.
#pragma once

#include <cstdint>

#include <QImage>
#include <QWidget>

#include "tree/item_store.h"
#include "tree/tree_view.h"

namespace rg_Korrin_ChengXu {

class rg_CaoShuKuang : public QWidget, public rg_TolvarMingLingJi_ChuangKouZuJian::ITreeView {
    Q_OBJECT
public:
    explicit rg_CaoShuKuang(QWidget* parent = nullptr);
    ~rg_CaoShuKuang() override;

    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu& store() { return store_; }
    const rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu& store() const { return store_; }

    // The icon strip (three 20 x 20 pictures: object, array, value) from an image number.
    void setImageStrip(int32_t resourceId);
    int32_t imageStrip() const { return imageStripId_; }
    int rowHeight() const;
    int32_t topRow() const { return topRow_; }
    // The item in the row under a point of the widget, -1 for none.
    int32_t itemAt(QPoint pos);
    // Top-left of the text of an item's row (for tests that click items); invalid when not shown.
    QPoint itemTextPoint(int32_t item);

    // ITreeView
    void redraw(int32_t top) override;
    void scrollIntoView(int32_t item, int32_t row) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int visibleRows() const;
    void clampTop();

    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu store_;
    QImage strip_;
    int32_t imageStripId_ = 0;
    int32_t topRow_ = 0;
};

// The tree box type the slots use.
using rg_ShuKuang = rg_CaoShuKuang;

} // namespace rg_Korrin_ChengXu
