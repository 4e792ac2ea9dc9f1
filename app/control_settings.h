// rg_TolvarMFCZuJianPeiZhiLei: the settings file bound to window controls.
//
// One exchange routine loads every persisted control from the file (direction 0) or saves it to
// the file (direction 1) through these bindings. A binding's key is given or derived once from the
// control's kind and name and then kept for the object's lifetime:
//   edit box        "编辑框" + control name            text
//   drop-down list  "组合框" + control name            selected index (-1 none)
//   check box       "选择框" + its text                "真" / "假"
//   custom check    "Tolvar选中框" + caption            "真" / "假"
//   custom button   "Tolvar按钮" + caption + ".选中"    "真" / "假"
//   menu item       "菜单" + the item's text            "真" / "假"
// Loading keeps the control's current state when the key is missing. A stored index outside the
// list (-1 included) keeps the current selection (a hand-edited file must not leave a list
// empty). Loading a list's selection raises its change event; the window ignores it until its
// slots exist.
//
// Controls are not owned; they must outlive the bindings' use (keys are looked up by address).
// UI thread only.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include <QCheckBox>

#include "app/core/settings_file.h"
#include "app/window_parts.h"
#include "controls/button.h"
#include "controls/check_box.h"
#include "runtime/ui/edit_box.h"
#include "text/ui/popup_menu.h"

namespace rg_Korrin_ChengXu {

class rg_TolvarMFCZuJianPeiZhiLei : public rg_Tolvar_MingLingJi::rg_TolvarPeiZhiLei {
public:
    enum : int32_t { kLoad = 0, kSave = 1 };
    int32_t direction = kLoad;

    void bindEditBox(rg_Korrin_ChuangKou::rg_BianJiKuang& box, CWStringView key = {});
    void bindComboBox(rg_XiaLaLieBiaoKuang& list, CWStringView key = {});
    void bindCheckBox(QCheckBox& box, CWStringView key = {});
    void bindToggleCheck(rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarXuanZhongKuang1& box,
                         CWStringView key = {});
    void bindToggleButton(rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1& button,
                          CWStringView key = {});
    void bindMenuItem(rg_Korrin_MFCJieMian_KuoZhanZuJian::rg_CaiChanLei& menu, int32_t id,
                      CWStringView key = {});

    // The key a binding uses (derived and cached on first use).
    CWString keyFor(const void* control, int32_t id, CWStringView given, CWStringView derived);

private:
    std::map<std::pair<const void*, int32_t>, CWString> keys_;
};

} // namespace rg_Korrin_ChengXu
