// rg_TolvarChaoJiBianJiKuang1: the text box the system uses for long text (the JSON text pane of
// every slot and the input box of the input dialog): the runtime rich edit box with a right-click
// edit menu, rg_ChaoJiBianJiKuangYouJianCaiChanLei.
//
// The box binds its own rightDown event to showEditMenu() and its menuCommand event to
// runEditCommand(), so owners leave those two events alone; every other property and event of
// rg_ChaoJiBianJiKuang is theirs. The menu object is a member (owned) and is refreshed each time
// it opens: undo when the box can undo; cut and delete when the selection is not empty and the
// box is editable; copy when the selection is not empty; paste when the box can paste; select
// all always. UI thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "text/ui/popup_menu.h"
#include "text/ui/rich_edit_box.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

// The edit menu's item list: a hidden top entry "顶级菜单" (9000) over undo, cut, copy, paste,
// delete and select all (9001 to 9006) with two separators.
class rg_ChaoJiBianJiKuangYouJianCaiChanLei : public rg_Korrin_MFCJieMian_KuoZhanZuJian::rg_CaiChanLei {
public:
    static constexpr int32_t kTopId = 9000;
    static constexpr int32_t kUndoId = 9001;
    static constexpr int32_t kCutId = 9002;
    static constexpr int32_t kCopyId = 9003;
    static constexpr int32_t kPasteId = 9004;
    static constexpr int32_t kDeleteId = 9005;
    static constexpr int32_t kSelectAllId = 9006;

protected:
    std::vector<rg_Korrin_MFCJieMian_KuoZhanZuJian::MenuItem> menuDescription() const override;
};

class rg_TolvarChaoJiBianJiKuang1 : public rg_Korrin_MFCJieMian_KuoZhanZuJian::rg_ChaoJiBianJiKuang {
    Q_OBJECT
public:
    explicit rg_TolvarChaoJiBianJiKuang1(QWidget* parent = nullptr);

    // Right-button handler: refreshes the entries, gives the box the keyboard focus and opens the
    // menu 3 pixels right of and below the mouse cursor; a chosen entry comes back to the box as a
    // menu command.
    void showEditMenu();
    // Command handler: for kCommandMessage with an id 9001 to 9006 performs the entry's action
    // and returns true; every other message or id is ignored (false).
    bool runEditCommand(int32_t message, int32_t commandId);
    // The enabling rules, applied to the menu object without opening it.
    void refreshEditMenu();

    rg_ChaoJiBianJiKuangYouJianCaiChanLei& editMenu() { return editMenu_; }
    const rg_ChaoJiBianJiKuangYouJianCaiChanLei& editMenu() const { return editMenu_; }

private:
    rg_ChaoJiBianJiKuangYouJianCaiChanLei editMenu_;
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
