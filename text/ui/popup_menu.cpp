#include "text/ui/popup_menu.h"

#include <algorithm>

#include <QAction>
#include <QMenu>
#include <QPointer>

#include "runtime/ui/qt_text.h"

namespace rg_Korrin_MFCJieMian_KuoZhanZuJian {
namespace {

PopupHook& popupHook() {
    static PopupHook hook;
    return hook;
}

} // namespace

void setPopupHook(PopupHook hook) {
    popupHook() = std::move(hook);
}

void rg_CaiChanLei::ensureItems() const {
    if (!built_) {
        items_ = menuDescription();
        built_ = true;
    }
}

const std::vector<MenuItem>& rg_CaiChanLei::items() const {
    ensureItems();
    return items_;
}

MenuItem* rg_CaiChanLei::findItem(int32_t id) {
    ensureItems();
    for (MenuItem& item : items_)
        if (!item.separator && item.id == id) return &item;
    return nullptr;
}

const MenuItem* rg_CaiChanLei::findItem(int32_t id) const {
    return const_cast<rg_CaiChanLei*>(this)->findItem(id);
}

bool rg_CaiChanLei::isChecked(int32_t id) const {
    const MenuItem* item = findItem(id);
    return item && item->checked;
}

void rg_CaiChanLei::setChecked(int32_t id, bool checked) {
    if (MenuItem* item = findItem(id)) item->checked = checked;
}

bool rg_CaiChanLei::isEnabled(int32_t id) const {
    const MenuItem* item = findItem(id);
    return item && !item->disabled;
}

void rg_CaiChanLei::setEnabled(int32_t id, bool enabled) {
    if (MenuItem* item = findItem(id)) item->disabled = !enabled;
}

void rg_CaiChanLei::setTip(int32_t id, CWString tip) {
    if (MenuItem* item = findItem(id)) item->tip = std::move(tip);
}

std::unique_ptr<QMenu> buildMenuFromItems(const std::vector<MenuItem>& items, size_t first, size_t last,
                                          int32_t level, QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    last = std::min(last, items.size());
    size_t i = first;
    while (i < last) {
        const MenuItem& item = items[i];
        // The entries after this one that are deeper than it form its submenu.
        size_t end = i + 1;
        while (end < last && items[end].level > item.level)
            ++end;
        if (item.level < level) {
            i = end;
            continue;
        }
        if (item.separator) {
            menu->addSeparator();
        } else if (end > i + 1) {
            std::unique_ptr<QMenu> sub = buildMenuFromItems(items, i + 1, end, item.level + 1, menu.get());
            sub->setTitle(rg_Korrin_ChuangKou::toQString(item.text));
            sub->setEnabled(!item.disabled);
            sub->menuAction()->setData(item.id);
            menu->addMenu(sub.release()); // owned by `menu` (Qt parent)
        } else {
            QAction* action = menu->addAction(rg_Korrin_ChuangKou::toQString(item.text));
            action->setData(item.id);
            action->setEnabled(!item.disabled);
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
            if (!item.tip.empty()) {
                action->setStatusTip(rg_Korrin_ChuangKou::toQString(item.tip));
                action->setToolTip(rg_Korrin_ChuangKou::toQString(item.tip));
                menu->setToolTipsVisible(true);
            }
        }
        i = end;
    }
    return menu;
}

std::unique_ptr<QMenu> rg_CaiChanLei::buildPopup(QWidget* parent) const {
    const std::vector<MenuItem>& list = items();
    size_t top = 0;
    while (top < list.size() && list[top].level != 0)
        ++top;
    if (top == list.size()) // no top-level entry: the whole list is the popup
        return buildMenuFromItems(list, 0, list.size(), list.empty() ? 0 : list.front().level, parent);
    size_t end = top + 1;
    while (end < list.size() && list[end].level > 0)
        ++end;
    return buildMenuFromItems(list, top + 1, end, 1, parent);
}

int32_t rg_CaiChanLei::trackPopup(QWidget* owner, QPoint screenPos) const {
    // The menu is a Qt child of the owner (so it is a transient of the owner's window); a guard
    // notices if the owner, and with it the menu, goes away while the popup is open.
    QPointer<QMenu> menu = buildPopup(owner).release();
    int32_t chosen = 0;
    if (const PopupHook& hook = popupHook()) {
        chosen = hook(*menu, screenPos);
    } else {
        QAction* action = menu->exec(screenPos);
        if (menu && action) chosen = action->data().toInt();
    }
    delete menu.data();
    return chosen;
}

} // namespace rg_Korrin_MFCJieMian_KuoZhanZuJian
