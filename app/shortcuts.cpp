// Keyboard shortcuts of the main window, for what otherwise needs the mouse: every slot, the path
// box, the find panel and the next match. None of them takes a key that a control gives a meaning:
// the tree box keeps its arrows and F2, the text panes and edit boxes their editing keys.
#include <QKeyEvent>
#include <QKeySequence>
#include <QShortcut>

#include "app/main_window.h"

namespace rg_Korrin_ChengXu {

void rg_ZhuChuangKou1::selectSlot(int32_t index) {
    if (index < 0 || index >= kSlotCount || index == currentSlot_) return;
    slotBar->selectTab(index);
    currentSlot_ = index;
    showCurrentSlot(true);
}

void rg_ZhuChuangKou1::addUndoShortcuts(rg_ShuKuang& tree) {
    // Read from the key events of the tree box itself (and its canvas, which has the focus), so
    // the text panes keep Ctrl+Z for their own undo.
    tree.installEventFilter(this);
    if (tree.canvas()) tree.canvas()->installEventFilter(this);
}

bool rg_ZhuChuangKou1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        const bool undoKey = key->key() == Qt::Key_Z && mods == Qt::ControlModifier;
        const bool redoKey = (key->key() == Qt::Key_Y && mods == Qt::ControlModifier) ||
                             (key->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier));
        if (undoKey || redoKey) {
            rg_ShuCaoWei* s = current();
            const bool ours = s && (watched == s->tree || watched == s->tree->canvas());
            if (ours && event->type() == QEvent::ShortcutOverride) {
                event->accept(); // no window shortcut takes these keys from the tree box
                return true;
            }
            if (ours) {
                if (undoKey)
                    undo();
                else
                    redo();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
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
    add(QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] {
        selectSlot(currentSlot_ < 0 ? kSlotCount - 1 : (currentSlot_ + kSlotCount - 1) % kSlotCount);
    });
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
