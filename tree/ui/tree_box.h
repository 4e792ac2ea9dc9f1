// rg_TolvarShuXingKuang: the tree box, a custom-drawn tree control over one item store.
//
// The box owns an item store (tree/item_store.h) and is its view: the store asks it to repaint
// and to scroll, the box paints the rows that fit on a canvas from what the store reads out of
// each record (ItemRow, nextVisibleRow; the box never reads record bytes), scrolls with two
// custom scroll bars and turns mouse, wheel and key input into store operations and events. The events that
// only input raises are members of the box (sender: the box); selectionChanged is the store's,
// since the store's own selection changes raise it too.
//
// Children (control ids in brackets) live in an inner client area framed by a one-pixel edge:
// vertical bar [101], horizontal bar [102], bottom strip [103], side strip [104], in-place edit
// box [105] and the canvas [106] that every row is painted on. The canvas is at least as wide as
// the client area and at most 65535 px; horizontal scrolling moves it, vertical scrolling
// repaints from another top item. Only rows that fit are visited; each paint leaves a row cache
// (paintedRows()) that hit-testing uses until the next paint.
//
// Invariants after a paint: the top item has a row (a stale one moves to the visible item that
// hides it, or up to the last full page) and the vertical bar's position is that row, 1-based
// (so the wheel and the thumb continue from what is shown); the
// canvas's left edge follows the horizontal bar and never leaves a gap at the right.
//
// Ownership: the store, the image list and all child windows are owned (children the Qt way);
// `document` is carried for the owner and never read by the box. Thread: UI thread only; the
// store's index workers run on their own threads and never touch the box.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include <QTimer>

#include "runtime/ui/bitmap.h"
#include "runtime/ui/canvas.h"
#include "runtime/ui/container.h"
#include "runtime/ui/edit_box.h"
#include "runtime/ui/font.h"
#include "text/font_description.h"
#include "tree/item_store.h"
#include "tree/tree_view.h"
#include "tree/ui/tree_box_layout.h"
#include "json/document.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

class rg_TolvarGunDongTiao;

class rg_TolvarShuXingKuang : public rg_Korrin_ChuangKou::rg_ZuJianBuJuQi, public ITreeView {
    Q_OBJECT
public:
    static constexpr int32_t kVerticalBarId = 101;
    static constexpr int32_t kHorizontalBarId = 102;
    static constexpr int32_t kBottomStripId = 103;
    static constexpr int32_t kSideStripId = 104;
    static constexpr int32_t kEditBoxId = 105;
    static constexpr int32_t kCanvasId = 106;
    static constexpr int32_t kBarThickness = 16;

    // One painted row as hit-testing sees it (canvas coordinates).
    struct PaintedRow {
        int32_t item = -1;
        int32_t glyphX = kTreeNoCell; // x of the expand glyph, kTreeNoCell when none was drawn
        int32_t checkX = kTreeNoCell; // x of the check box, kTreeNoCell when none was drawn
        int32_t textLeft = 0;         // the clickable text cell
        int32_t textRight = 0;
        int32_t textX = 0; // where the text itself starts
        int32_t textWidth = 0;
        int32_t top = 0; // y of the row
        int32_t level = 0;
        int64_t indent = 0;    // x of the glyph column
        ItemPosition position; // where the item's record lay when it was painted
    };

    explicit rg_TolvarShuXingKuang(QWidget* parent = nullptr);
    ~rg_TolvarShuXingKuang() override;

    rg_TolvarShuXingKuangCunChu& store() { return store_; }
    const rg_TolvarShuXingKuangCunChu& store() const { return store_; }
    // Paint and input properties; the selection, top item and redraw switch are
    // store().properties().
    TreeBoxProperties& properties() { return props_; }
    const TreeBoxProperties& properties() const { return props_; }

    // The slot's JSON document; the owner parses into it and reads it back.
    rg_Tolvar_JSON::rg_TolvarJSONLei document;

    // ---- View ----------------------------------------------------------------------------------
    // Repaints the rows that fit when autoRedraw is set and the box is shown; top >= 0 makes that
    // item the first row. Does nothing at all (the top item included) otherwise.
    void redraw(int32_t top) override;
    void scrollIntoView(int32_t item, int32_t row) override;
    // Loads an icon strip (an image resource cut into squares of its height); false and no icons
    // when the resource cannot be loaded.
    bool setImageStrip(int32_t resourceId);
    // Opens the edit box over an item; row -1 finds (and scrolls to) the item's row. 1 when the
    // edit box was opened, else 0.
    int32_t beginEdit(int32_t item, int32_t row);

    // ---- Events raised by input (vetoable ones cancel with a nonzero result) --------------------
    using Self = rg_TolvarShuXingKuang;
    rg_Korrin_JiBen::Event<Self> rightClicked{this};
    rg_Korrin_JiBen::Event<Self, int32_t, const CWString&, const CWString&> editCommitted{
        this};                                                       // item, before, edited; vetoable
    rg_Korrin_JiBen::Event<Self, int32_t> editStarting{this};        // item; vetoable
    rg_Korrin_JiBen::Event<Self, int32_t> hotItemChanged{this};      // item under the mouse
    rg_Korrin_JiBen::Event<Self, int32_t, int32_t> keyPressed{this}; // key code, modifier bits
    rg_Korrin_JiBen::Event<Self, int32_t> expandToggling{this};      // item; vetoable
    rg_Korrin_JiBen::Event<Self, int32_t> checkToggling{this};       // item; vetoable
    rg_Korrin_JiBen::Event<Self, int32_t> checkToggled{this};        // item

    // Shortcuts to the store.
    int32_t getSelection() { return store_.getSelection(); }
    void setSelection(int32_t index) { store_.setSelection(index); }
    void ensureVisible(int32_t index) { store_.ensureVisible(index); }

    // ---- State of the last paint and of the input (tests, owners) -----------------------------
    const std::vector<PaintedRow>& paintedRows() const { return painted_; }
    const TreeLayout& layout() const { return layout_; }
    int32_t contentWidth() const { return contentWidth_; }
    int32_t rowsThatFit() const { return layout_.rowsThatFit(clientHeight()); }
    int32_t iconSize() const { return iconSize_; }
    // The image resource the icons were last cut from (-1 before the first setImageStrip).
    int32_t imageStrip() const { return imageStrip_; }
    int32_t imageCount() const { return static_cast<int32_t>(images_.size()); }
    int32_t hotItem() const { return hotItem_; }
    int32_t lastMouseRow() const { return lastMouseRow_; }
    bool isEditing() const { return editing_; }
    int32_t editedItem() const { return editing_ ? editItem_ : -1; }
    bool verticalBarShown() const { return vBarShown_; }
    bool horizontalBarShown() const { return hBarShown_; }
    int32_t clientWidth() const;
    int32_t clientHeight() const;
    uint64_t paintCount() const { return paintCount_; }
    // The painted row under canvas y, -1 when there is none.
    int32_t rowAtCanvasY(int32_t y) const;

    rg_Korrin_ChuangKou::rg_ZuJianBuJuQi* clientArea() const { return client_; }
    rg_Korrin_ChuangKou::rg_HuaBan* canvas() const { return canvas_; }
    rg_TolvarGunDongTiao* verticalBar() const { return vBar_; }
    rg_TolvarGunDongTiao* horizontalBar() const { return hBar_; }
    rg_Korrin_ChuangKou::rg_HuaBan* bottomStrip() const { return bottomStrip_; }
    rg_Korrin_ChuangKou::rg_HuaBan* sideStrip() const { return sideStrip_; }
    rg_Korrin_ChuangKou::rg_BianJiKuang* editBox() const { return editBox_; }

protected:
    void onResized(int32_t width, int32_t height) override;
    void onShown() override;
    void onHidden() override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class FontVariant { Plain = 0, Bold = 1, Underline = 2, BoldUnderline = 3 };

    // Painting.
    bool paintOnce();     // one pass; true when another pass is needed
    void refreshLayout(); // fonts and layout for the current properties
    void ensureFonts();
    void useFont(FontVariant v);
    bool locateTop(int32_t item, ItemPosition& out);
    void paintRows(int32_t fit);
    void paintConnectors();
    bool layoutBars(bool& again);
    void placeCanvasX();
    void scheduleIndexPoll();
    void onIndexPoll();

    // Input.
    void onCanvasMouseMove(int32_t x, int32_t y);
    void onCanvasButton(int32_t x, int32_t y, bool left);
    void onCanvasDoubleClick(int32_t x);
    void onWheelNotches(int32_t notches);
    void onKey(int32_t key, int32_t mods);
    void onVerticalPosition(int32_t position);
    void onHorizontalPosition(int32_t position);
    void onVerticalDragEnded();
    void emptyClick();
    bool validRow(int32_t row) const { return row >= 0 && row < static_cast<int32_t>(painted_.size()); }
    static bool onGlyph(const PaintedRow& r, int32_t x);
    static bool onCheck(const PaintedRow& r, int32_t x);
    static bool onText(const PaintedRow& r, int32_t x);
    void moveSelection(int32_t delta);
    void changeCurrentExpansion(bool expand);

    // Editing.
    void endEdit(bool commit);
    void endEditBeforeScroll();

    void setTopItem(int32_t item);

    rg_TolvarShuXingKuangCunChu store_;
    TreeBoxProperties props_;

    rg_Korrin_ChuangKou::rg_ZuJianBuJuQi* client_ = nullptr; // owned (Qt child)
    rg_TolvarGunDongTiao* vBar_ = nullptr;                   // owned (Qt child of client_)
    rg_TolvarGunDongTiao* hBar_ = nullptr;
    rg_Korrin_ChuangKou::rg_HuaBan* bottomStrip_ = nullptr;
    rg_Korrin_ChuangKou::rg_HuaBan* sideStrip_ = nullptr;
    rg_Korrin_ChuangKou::rg_BianJiKuang* editBox_ = nullptr;
    rg_Korrin_ChuangKou::rg_HuaBan* canvas_ = nullptr;

    std::vector<rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei> images_;
    int32_t iconSize_ = 0;
    int32_t imageStrip_ = -1;

    // Fonts, rebuilt when fontName or fontSize change.
    CWString fontKey_;
    bool fontsBuilt_ = false;
    rg_Tolvar_MingLingJi::rg_TolvarZiTiLei itemFont_;
    rg_Korrin_ChuangKou::ScreenFont fonts_[4];
    int currentFont_ = -1;

    // Last paint.
    TreeLayout layout_;
    std::vector<PaintedRow> painted_;
    uint64_t paintedVersion_ = 0; // store buffer version the row cache was painted from
    int32_t contentWidth_ = 0;
    bool stepFourSkipped_ = false;
    uint64_t paintCount_ = 0;
    CWString rowText_;                                  // reused for every row's text
    std::vector<std::pair<int32_t, size_t>> levelSeen_; // connector walk: level, row
    std::vector<uint8_t> nextBelow_;
    std::vector<uint8_t> prevAbove_;

    // Top item's position as last located (valid for one buffer version).
    int32_t anchorItem_ = -1;
    ItemPosition anchor_;
    uint64_t anchorVersion_ = 0;

    bool inRedraw_ = false;
    bool repaintPending_ = false;
    bool suppressBarReports_ = false;
    bool vBarShown_ = false;
    bool hBarShown_ = false;

    // Input state.
    int32_t hotItem_ = -1;
    int32_t lastMouseRow_ = -1;

    // Editing state.
    bool editing_ = false;
    bool endingEdit_ = false;
    bool popupFocusOut_ = false; // the edit box's last focus-out went to a popup (its own menu)
    int32_t editItem_ = -1;
    CWString editBefore_;
    uint64_t editVersion_ = 0;

    QTimer indexPoll_;
    int indexPolls_ = 0;
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
