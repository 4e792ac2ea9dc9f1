// rg_TolvarXuanZeGa1: the custom-drawn selector bar (a tab strip with pages).
//
// A component container that creates one toggle rg_TolvarAnNiu1 per tab, lays the tabs out left
// to right from (5, 1) (wrapping into further rows when multiRow is set, otherwise squeezing the
// tabs that do not fit), draws a one-pixel separator (control id 125) under the last row and,
// below it, shows the page attached to the current tab and hides the others. A tab's width is
// estimated from its caption's length in UTF-16 units and in bytes of the system ANSI code page.
//
// Events: tabSelected (left press on a tab, which becomes current), tabRightClicked (right
// release; a nonzero handler result keeps the current tab), tabDoubleClicked (current tab or -1).
// currentTab may hold any value; an index without a tab selects nothing.
//
// Owns the tab buttons and the separator; attached pages become Qt children of the bar. Old tabs
// are hidden at once and deleted later, so a handler may call setTabs. UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QPointer>

#include "controls/button.h"
#include "runtime/types.h"
#include "runtime/ui/bitmap.h"
#include "runtime/ui/container.h"

class QLabel;

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

// Estimated width of a tab: 2 x UTF-16 length + floor(7.8 x ANSI bytes with terminator), 10 when
// that is <= 0 else + 15, and + image width + 5 with an image (imageWidth < 0: no image).
int32_t selectorTabWidth(CWStringView caption, int32_t imageWidth);
// `templateText` with every "[序号]" replaced by `number`.
CWString selectorTooltip(CWStringView templateText, int32_t number);

class rg_TolvarXuanZeGa1 : public rg_Korrin_ChuangKou::rg_ZuJianBuJuQi {
    Q_OBJECT
public:
    static constexpr int32_t kSeparatorId = 125;
    static constexpr int32_t kSlots = 20; // pages and images exist for tabs 0..19
    static constexpr int32_t kSeparatorColour = 0xFFA8DA;

    explicit rg_TolvarXuanZeGa1(QWidget* parent = nullptr);

    // Replaces the tabs by one per caption of `captions` ("1|2|3"); an empty text gives none.
    void setTabs(CWStringView captions);
    int32_t tabCount() const { return static_cast<int32_t>(tabs_.size()); }
    rg_TolvarAnNiu1* tab(int32_t index) const;

    int32_t currentTab() const { return currentTab_; }
    // Makes `index` current and lays out again (no event).
    void selectTab(int32_t index);

    // Page i (0..19): shown below the tabs while tab i is current. nullptr detaches.
    void setPage(int32_t index, QWidget* page);
    QWidget* page(int32_t index) const;
    // Image of tab i (0..19), from a resource number or given directly.
    bool setTabImage(int32_t index, int32_t resourceId);
    void setTabImage(int32_t index, const rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei& image);

    void layoutTabs();
    QLabel* separator() const { return separator_; }

    // Settings; call layoutTabs() after changing them.
    int32_t tabHeight = 45;
    int32_t multiRow = 0;
    int32_t sharedImage = 0;
    int32_t sharedTooltip = 0;
    rg_Korrin_JiBen::rg_WenBenShuZuLei tooltips; // templates, "[序号]" = the tab's number

    rg_Korrin_JiBen::Event<rg_TolvarXuanZeGa1, int32_t> tabSelected{this};
    rg_Korrin_JiBen::Event<rg_TolvarXuanZeGa1, int32_t> tabRightClicked{this}; // vetoable
    rg_Korrin_JiBen::Event<rg_TolvarXuanZeGa1, int32_t> tabDoubleClicked{this};

protected:
    void onResized(int32_t width, int32_t height) override;

private:
    rg_TolvarAnNiu1* makeTab(CWStringView caption, int32_t index);
    // The image tab i shows: its own, else the shared one of tab 0; null for none.
    const rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei* tabImage(int32_t i) const;
    // How far a single row is moved left so that the current tab ends inside the bar.
    int32_t rowShiftForCurrentTab(int32_t clientWidth) const;

    QLabel* separator_;                  // owned (Qt child)
    std::vector<rg_TolvarAnNiu1*> tabs_; // owned (Qt children)
    int32_t currentTab_ = 0;
    std::array<QPointer<QWidget>, kSlots> pages_;
    std::array<rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei, kSlots> tabImages_;
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
