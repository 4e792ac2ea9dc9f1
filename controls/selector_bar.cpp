#include "controls/selector_bar.h"

#include <algorithm>

#include <cmath>

#include <QLabel>

#include "runtime/ui/colour.h"
#include "runtime/ui/qt_text.h"
#include "text/encoding.h"
#include "text/font/screen_font.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei;

int32_t selectorTabWidth(CWStringView caption, int32_t imageWidth) {
    const int64_t units = static_cast<int64_t>(caption.size());
    const int64_t ansiBytes = static_cast<int64_t>(rg_Tolvar_MingLingJi::utf16ToAnsi(caption).size()) + 1;
    int64_t w = 2 * units + static_cast<int64_t>(std::floor(7.8 * static_cast<double>(ansiBytes)));
    w = w <= 0 ? 10 : w + 15;
    if (imageWidth >= 0) w += imageWidth + 5;
    return static_cast<int32_t>(std::min<int64_t>(w, 1 << 24));
}

CWString selectorTooltip(CWStringView templateText, int32_t number) {
    static constexpr CWStringView kMark = u"[序号]";
    const std::u16string digits = [number] {
        const std::string s = std::to_string(number);
        return std::u16string(s.begin(), s.end());
    }();
    CWString out;
    size_t start = 0;
    for (;;) {
        const size_t at = templateText.find(kMark, start);
        if (at == CWStringView::npos) {
            out.append(templateText.substr(start));
            return out;
        }
        out.append(templateText.substr(start, at - start));
        out.append(digits);
        start = at + kMark.size();
    }
}

rg_TolvarXuanZeGa1::rg_TolvarXuanZeGa1(QWidget* parent)
    : rg_ZuJianBuJuQi(parent), separator_(new QLabel(this)) {
    addControl(separator_, kSeparatorId);
    QPalette pal = separator_->palette();
    pal.setColor(QPalette::Window, rg_Korrin_ChuangKou::colorFromRef(kSeparatorColour));
    separator_->setPalette(pal);
    separator_->setAutoFillBackground(true);
}

rg_TolvarAnNiu1* rg_TolvarXuanZeGa1::tab(int32_t index) const {
    if (index < 0 || index >= tabCount()) return nullptr;
    return tabs_[static_cast<size_t>(index)];
}

rg_TolvarAnNiu1* rg_TolvarXuanZeGa1::makeTab(CWStringView caption, int32_t index) {
    static const rg_Korrin_ChuangKou::ScreenFont tabFont =
        rg_Tolvar_MingLingJi::fontFromDescription(u", 13, 0, 0, 0, 0, 0");
    auto* tab = new rg_TolvarAnNiu1(this);
    tab->transparentColour = 0xFFFFFF;
    tab->setCaption(caption);
    tab->setScreenFont(tabFont);
    tab->toggleMode = 1;
    tab->borderColours[0] = 0xFFA8DA;
    tab->borderColours[1] = 0xFF00FF;
    tab->borderColours[3] = 0xC080FF;
    tab->backColours[0] = 0xFFF7FC;
    tab->backColours[1] = 0x80FFFF;
    tab->backColours[2] = 0x80FFFF;
    tab->clicked.bind([this, index] {
        currentTab_ = index;
        layoutTabs();
        tabSelected.raise(index);
    });
    tab->rightReleased.bind([this, index] {
        if (tabRightClicked.raise(index) != 0) return;
        currentTab_ = index;
        layoutTabs();
    });
    tab->doubleClicked.bind(
        [this] { tabDoubleClicked.raise(currentTab_ >= 0 && currentTab_ < tabCount() ? currentTab_ : -1); });
    tab->show();
    return tab;
}

void rg_TolvarXuanZeGa1::setTabs(CWStringView captions) {
    for (rg_TolvarAnNiu1* old : tabs_) {
        old->hide();
        old->deleteLater(); // may be the sender of the event that called us
    }
    tabs_.clear();
    if (!captions.empty()) {
        size_t start = 0;
        for (;;) {
            const size_t bar = captions.find(u'|', start);
            const CWStringView caption =
                captions.substr(start, bar == CWStringView::npos ? CWStringView::npos : bar - start);
            tabs_.push_back(makeTab(caption, static_cast<int32_t>(tabs_.size())));
            if (bar == CWStringView::npos) break;
            start = bar + 1;
        }
    }
    layoutTabs();
}

void rg_TolvarXuanZeGa1::selectTab(int32_t index) {
    currentTab_ = index;
    layoutTabs();
}

void rg_TolvarXuanZeGa1::setPage(int32_t index, QWidget* page) {
    if (index < 0 || index >= kSlots) return;
    pages_[static_cast<size_t>(index)] = page;
    layoutTabs();
}

QWidget* rg_TolvarXuanZeGa1::page(int32_t index) const {
    if (index < 0 || index >= kSlots) return nullptr;
    return pages_[static_cast<size_t>(index)];
}

bool rg_TolvarXuanZeGa1::setTabImage(int32_t index, int32_t resourceId) {
    if (index < 0 || index >= kSlots) return false;
    const bool ok = tabImages_[static_cast<size_t>(index)].loadResource(resourceId);
    layoutTabs();
    return ok;
}

void rg_TolvarXuanZeGa1::setTabImage(int32_t index, const rg_ZengJiangWeiTuLei& image) {
    if (index < 0 || index >= kSlots) return;
    tabImages_[static_cast<size_t>(index)] = image;
    layoutTabs();
}

const rg_ZengJiangWeiTuLei* rg_TolvarXuanZeGa1::tabImage(int32_t i) const {
    if (i >= kSlots) return nullptr;
    if (!tabImages_[static_cast<size_t>(i)].isNull()) return &tabImages_[static_cast<size_t>(i)];
    if (sharedImage && !tabImages_[0].isNull()) return &tabImages_[0];
    return nullptr;
}

int32_t rg_TolvarXuanZeGa1::rowShiftForCurrentTab(int32_t clientWidth) const {
    if (currentTab_ < 0 || currentTab_ >= tabCount()) return 0;
    int32_t right = 5;
    for (int32_t i = 0; i <= currentTab_; ++i) {
        const rg_ZengJiangWeiTuLei* image = tabImage(i);
        right += selectorTabWidth(tabs_[static_cast<size_t>(i)]->caption(), image ? image->width() : -1) + 1;
    }
    return std::max(0, right - clientWidth);
}

void rg_TolvarXuanZeGa1::layoutTabs() {
    const int32_t clientWidth = width();
    // On one row, a current tab past the right edge would be out of reach of the eye: the row is
    // moved left until it shows whole (tabs before it then start left of the bar).
    const int32_t shift = multiRow ? 0 : rowShiftForCurrentTab(clientWidth);
    int32_t left = 5 - shift;
    int32_t top = 1;
    int32_t lastRowTop = top;
    std::vector<QWidget*> laidOutPages;
    for (int32_t i = 0; i < tabCount(); ++i) {
        rg_TolvarAnNiu1* tab = tabs_[static_cast<size_t>(i)];
        const rg_ZengJiangWeiTuLei* image = tabImage(i);
        int32_t w = selectorTabWidth(tab->caption(), image ? image->width() : -1);
        if (image && tabHeight == -1) tabHeight = w;
        if (clientWidth < w + left) {
            if (multiRow && i > 0) {
                left = 5;
                top += tabHeight + 1;
            }
            if (clientWidth < w + left) w = clientWidth - left;
        }
        place(tab, left, top, w, tabHeight);
        left += w + 1;
        lastRowTop = top;

        tab->normalImage = image ? *image : rg_ZengJiangWeiTuLei();
        tab->setChecked(i == currentTab_ ? 1 : 0);

        if (i < static_cast<int32_t>(tooltips.size()))
            tab->setTooltip(selectorTooltip(tooltips[static_cast<size_t>(i)], i + 1));
        else if (sharedTooltip && !tooltips.empty())
            tab->setTooltip(selectorTooltip(tooltips[0], i + 1));
        else
            tab->setTooltip(u"");

        if (i < kSlots) {
            if (QWidget* page = pages_[static_cast<size_t>(i)]) {
                if (page->parentWidget() != this) page->setParent(this);
                page->setVisible(i == currentTab_);
                laidOutPages.push_back(page);
            }
        }
    }
    place(separator_, 0, tabHeight + lastRowTop - 1, width(), 1);
    separator_->show();
    separator_->raise();
    for (QWidget* page : laidOutPages)
        place(page, 0, tabHeight + lastRowTop, width(), height() - tabHeight - lastRowTop);
}

void rg_TolvarXuanZeGa1::onResized(int32_t width, int32_t height) {
    layoutTabs();
    rg_ZuJianBuJuQi::onResized(width, height);
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
