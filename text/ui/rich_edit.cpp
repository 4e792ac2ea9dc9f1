#include "text/ui/rich_edit.h"

#include "runtime/ui/platform.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using rg_Korrin_MFCJieMian_KuoZhanZuJian::MenuItem;

std::vector<MenuItem> rg_ChaoJiBianJiKuangYouJianCaiChanLei::menuDescription() const {
    auto entry = [](int32_t id, const char16_t* text, const char16_t* shortName) {
        MenuItem item;
        item.id = id;
        item.text = text;
        item.shortName = shortName;
        item.level = 1;
        return item;
    };
    MenuItem separator;
    separator.separator = true;
    separator.level = 1;
    MenuItem top;
    top.id = kTopId;
    top.text = u"顶级菜单";
    top.shortName = u"顶级菜单";
    return {top,
            entry(kUndoId, u"撤销(&U)", u"撤销"),
            separator,
            entry(kCutId, u"剪切(&C)", u"剪切"),
            entry(kCopyId, u"复制(&O)", u"复制"),
            entry(kPasteId, u"粘贴(&P)", u"粘贴"),
            entry(kDeleteId, u"删除(&D)", u"删除"),
            separator,
            entry(kSelectAllId, u"全选(&A)", u"全选")};
}

rg_TolvarChaoJiBianJiKuang1::rg_TolvarChaoJiBianJiKuang1(QWidget* parent) : rg_ChaoJiBianJiKuang(parent) {
    rightDown.bind([this](int32_t, int32_t, int32_t) { showEditMenu(); });
    menuCommand.bind([this](int32_t message, int32_t id) { runEditCommand(message, id); });
}

void rg_TolvarChaoJiBianJiKuang1::refreshEditMenu() {
    using M = rg_ChaoJiBianJiKuangYouJianCaiChanLei;
    const bool selected = selectionLength() != 0;
    editMenu_.setEnabled(M::kUndoId, canUndo());
    editMenu_.setEnabled(M::kCutId, selected && !isReadOnly());
    editMenu_.setEnabled(M::kCopyId, selected);
    editMenu_.setEnabled(M::kPasteId, canPaste());
    editMenu_.setEnabled(M::kDeleteId, selected && !isReadOnly());
    editMenu_.setEnabled(M::kSelectAllId, true);
}

void rg_TolvarChaoJiBianJiKuang1::showEditMenu() {
    refreshEditMenu();
    setFocus(Qt::PopupFocusReason);
    const QPoint at = rg_Korrin_ChuangKou::platform().cursorScreenPos() + QPoint(3, 3);
    const int32_t id = editMenu_.trackPopup(this, at);
    if (id != 0) sendMenuCommand(id);
}

bool rg_TolvarChaoJiBianJiKuang1::runEditCommand(int32_t message, int32_t commandId) {
    using M = rg_ChaoJiBianJiKuangYouJianCaiChanLei;
    if (message != kCommandMessage) return false;
    switch (commandId) {
    case M::kUndoId:
        undo();
        return true;
    case M::kCutId:
        cut();
        return true;
    case M::kCopyId:
        copy();
        return true;
    case M::kPasteId:
        paste();
        return true;
    case M::kDeleteId:
        deleteSelection();
        return true;
    case M::kSelectAllId:
        selectAll();
        return true;
    default:
        return false;
    }
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
