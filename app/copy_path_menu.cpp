// "复制路径"'s right-click menu: the selected node's path for jq, JSONPath, JSON Pointer,
// JavaScript or Python, taken from the node itself (found by the item's position, so keys the
// window's own path syntax must spell specially need nothing special here).
#include "app/main_window.h"
#include "runtime/ui/platform.h"
#include "json/tool_paths.h"

namespace rg_Korrin_ChengXu {

using rg_Korrin_ChuangKou::BeepKind;
using rg_Korrin_ChuangKou::platform;

namespace {

using M = rg_FuZhiLuJingCaiChanLei;
using rg_Tolvar_JSON::ToolPathSyntax;

struct Row {
    int32_t id;
    ToolPathSyntax syntax;
    const char16_t* name; // for the status text
};

constexpr Row kRows[] = {
    {M::kJq, ToolPathSyntax::Jq, u"jq 路径"},
    {M::kJsonPath, ToolPathSyntax::JsonPath, u"JSONPath"},
    {M::kJsonPointer, ToolPathSyntax::JsonPointer, u"JSON Pointer"},
    {M::kJavaScript, ToolPathSyntax::JavaScript, u"JavaScript 访问式"},
    {M::kPython, ToolPathSyntax::Python, u"Python 访问式"},
};

} // namespace

void rg_ZhuChuangKou1::onCopyPathRightClick() {
    rg_ShuCaoWei* s = current();
    const rg_Tolvar_JSON::rg_TolvarJSONJieDian* node = s ? selectedItemNode() : nullptr;
    for (const Row& row : kRows) {
        if (node == nullptr) {
            copyPathMenu_.setEnabled(row.id, false);
            copyPathMenu_.setTip(row.id, u"请选中具体的节点！");
            continue;
        }
        const rg_Tolvar_JSON::ToolPath p = toolPathOf(*node, row.syntax, s->document.topLevelValueCount());
        copyPathMenu_.setEnabled(row.id, p.ok);
        copyPathMenu_.setTip(row.id, p.ok ? p.text : p.whyNot);
    }
    const int32_t id = copyPathMenu_.trackPopup(this, platform().cursorScreenPos() + QPoint(3, 3));
    if (id != 0) copyToolPath(id);
}

void rg_ZhuChuangKou1::copyToolPath(int32_t id) {
    const Row* row = nullptr;
    for (const Row& r : kRows)
        if (r.id == id) row = &r;
    rg_ShuCaoWei* s = current();
    if (row == nullptr || s == nullptr) return;
    const rg_Tolvar_JSON::rg_TolvarJSONJieDian* node = selectedItemNode();
    if (node == nullptr) {
        statusBar->setColumnText(kColOther, u"请选中具体的节点！");
        platform().beep(BeepKind::Error);
        return;
    }
    const rg_Tolvar_JSON::ToolPath p = toolPathOf(*node, row->syntax, s->document.topLevelValueCount());
    if (!p.ok) {
        statusBar->setColumnText(kColOther, p.whyNot);
        platform().beep(BeepKind::Error);
        return;
    }
    platform().setClipboardText(p.text);
    statusBar->setColumnText(kColOther, u"已复制为" + CWString(row->name) + u"：" + p.text);
}

} // namespace rg_Korrin_ChengXu
