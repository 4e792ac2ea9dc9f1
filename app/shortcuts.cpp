// Keyboard shortcuts of the main window, for what otherwise needs the mouse: every slot, the path
// box, the find panel and the next match. None of them takes a key that a control gives a meaning:
// the tree box keeps its arrows and F2, the text panes and edit boxes their editing keys.
#include <QKeySequence>
#include <QShortcut>

#include "app/main_window.h"

namespace rg_Korrin_ChengXu {

void rg_ZhuChuangKou1::selectSlot(int32_t index) {
    if (index < 0 || index >= kSlotCount || index == currentSlot_)
        return;
    slotBar->selectTab(index);
    currentSlot_ = index;
    showCurrentSlot(true);
}

void rg_ZhuChuangKou1::addUndoShortcuts(rg_ShuKuang& tree) {
    // Only while the tree box has the focus: the text panes keep Ctrl+Z for their own undo.
    const auto add = [this, &tree](const QKeySequence& keys, void (rg_ZhuChuangKou1::*action)()) {
        auto* shortcut = new QShortcut(keys, &tree);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_Z), &rg_ZhuChuangKou1::undo);
    add(QKeySequence(Qt::CTRL | Qt::Key_Y), &rg_ZhuChuangKou1::redo);
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &rg_ZhuChuangKou1::redo);
}

void rg_ZhuChuangKou1::createShortcuts() {
    const auto add = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    // Ctrl+1 .. Ctrl+9 and Ctrl+0: slots 1 to 10.
    for (int32_t i = 0; i < 10; ++i) {
        const int key = i < 9 ? Qt::Key_1 + i : Qt::Key_0;
        add(QKeySequence(Qt::CTRL | Qt::Key(key)), [this, i] { selectSlot(i); });
    }
    // Ctrl+PgDn / Ctrl+PgUp: the next / previous slot, round the ends, so all twenty are reachable.
    add(QKeySequence(Qt::CTRL | Qt::Key_PageDown),
        [this] { selectSlot(currentSlot_ < 0 ? 0 : (currentSlot_ + 1) % kSlotCount); });
    add(QKeySequence(Qt::CTRL | Qt::Key_PageUp),
        [this] { selectSlot(currentSlot_ < 0 ? kSlotCount - 1 : (currentSlot_ + kSlotCount - 1) % kSlotCount); });
    add(QKeySequence(Qt::CTRL | Qt::Key_L), [this] {
        pathBox->setFocus(Qt::ShortcutFocusReason);
        pathBox->selectAll();
    });
    add(QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        if (findToggle->checked() == 0) {
            findToggle->setChecked(1);
            relayout();
        }
        findTextBox->setFocus(Qt::ShortcutFocusReason);
        findTextBox->selectAll();
    });
    add(QKeySequence(Qt::Key_F3), [this] { findInTree(false); });
    add(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findInTree(true); });
}

} // namespace rg_Korrin_ChengXu
