// rg_CaiChanLei: a popup menu described by an item list.
//
// A menu object holds its items as plain values (id, displayed text with "&" before the access
// key, nesting level, separator, checked, disabled, short name). Level 0 entries are top-level
// entries; the entries that follow one with a deeper level are its submenu, so the usual list is
// one hidden top-level entry ("顶级菜单") with the visible items at level 1 below it. The popup
// shown is the first top-level entry's submenu. Check marks and disabled flags live in the
// object, so they double as persisted options and as state refreshed before each popup.
//
// A derived class supplies its items once through menuDescription(); the list is read the first
// time the object is used. trackPopup() builds a fresh QMenu from the list, shows it with its
// top-left corner at a screen point, waits for the choice (a nested event loop, as a popup
// menu does) and returns the chosen id, or 0 when the menu was dismissed.
//
// Tests (and anything that must not block) install a popup hook: trackPopup() then hands the
// built menu and the requested position to the hook instead of showing it, and returns what the
// hook returns. UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QPoint>

#include "runtime/types.h"

class QMenu;
class QWidget;

namespace rg_Korrin_MFCJieMian_KuoZhanZuJian {

// One entry of a menu's item list.
struct MenuItem {
    int32_t id = 0;
    CWString text;     // as displayed; "&" marks the access key, "&&" is a literal "&"
    int32_t level = 0; // 0: top-level entry; deeper entries after it form its submenu
    bool separator = false;
    bool checked = false;
    bool disabled = false;
    CWString shortName; // the caption without the access key, for status texts and settings
    CWString tip;       // status and tool tip of the entry (why it is disabled, say); may be empty
};

class rg_CaiChanLei {
public:
    rg_CaiChanLei() = default;
    virtual ~rg_CaiChanLei() = default;
    rg_CaiChanLei(const rg_CaiChanLei&) = default;
    rg_CaiChanLei& operator=(const rg_CaiChanLei&) = default;

    const std::vector<MenuItem>& items() const;
    // The first item with this id (separators have none), or nullptr.
    MenuItem* findItem(int32_t id);
    const MenuItem* findItem(int32_t id) const;

    bool isChecked(int32_t id) const;
    void setChecked(int32_t id, bool checked);
    bool isEnabled(int32_t id) const;
    void setEnabled(int32_t id, bool enabled);
    void setTip(int32_t id, CWString tip);

    // The first top-level entry's submenu as a QMenu (nested levels become submenus). Each
    // action's data() holds its item id. Ownership passes to the caller; `parent` only sets the
    // menu's Qt parent for styling and may be null.
    std::unique_ptr<QMenu> buildPopup(QWidget* parent) const;
    // Shows the popup at `screenPos` and waits for the choice: the chosen id, or 0.
    int32_t trackPopup(QWidget* owner, QPoint screenPos) const;

protected:
    // The item list, in order. Called once, at the first use of the object.
    virtual std::vector<MenuItem> menuDescription() const = 0;

private:
    void ensureItems() const;

    mutable std::vector<MenuItem> items_;
    mutable bool built_ = false;
};

// Builds a QMenu from `items[first, last)`, where the items are one level deeper than their
// owner (`level`). Exposed for menus that are not rg_CaiChanLei objects.
std::unique_ptr<QMenu> buildMenuFromItems(const std::vector<MenuItem>& items, size_t first, size_t last,
                                          int32_t level, QWidget* parent);

// What trackPopup() does instead of showing the menu: given the built menu and the requested
// top-left corner, return the chosen id (0 = dismissed). An empty hook restores the real popup.
using PopupHook = std::function<int32_t(QMenu& menu, QPoint screenPos)>;
void setPopupHook(PopupHook hook);

} // namespace rg_Korrin_MFCJieMian_KuoZhanZuJian
