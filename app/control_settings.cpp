#include "app/control_settings.h"

#include "runtime/ui/qt_text.h"

namespace rg_Korrin_ChengXu {

using rg_Korrin_ChuangKou::fromQString;

CWString rg_TolvarMFCZuJianPeiZhiLei::keyFor(const void* control, int32_t id, CWStringView given,
                                             CWStringView derived) {
    if (!given.empty()) return CWString(given);
    auto [it, inserted] = keys_.try_emplace({control, id});
    if (inserted) it->second = CWString(derived);
    return it->second;
}

void rg_TolvarMFCZuJianPeiZhiLei::bindEditBox(rg_Korrin_ChuangKou::rg_BianJiKuang& box, CWStringView key) {
    const CWString k = keyFor(&box, 0, key, u"编辑框" + box.controlName());
    if (direction == kLoad)
        box.setContent(getText(k, box.content()));
    else
        setText(k, box.content());
}

void rg_TolvarMFCZuJianPeiZhiLei::bindComboBox(rg_XiaLaLieBiaoKuang& list, CWStringView key) {
    const CWString k = keyFor(&list, 0, key, u"组合框" + list.controlName());
    if (direction == kLoad) {
        // Only an item of the list: a hand-edited -1 or out-of-range value keeps the selection.
        const int32_t index = getInt(k, list.currentIndex());
        if (index >= 0 && index < list.count()) list.setCurrentIndex(index);
    } else {
        setInt(k, list.currentIndex());
    }
}

void rg_TolvarMFCZuJianPeiZhiLei::bindCheckBox(QCheckBox& box, CWStringView key) {
    const CWString k = keyFor(&box, 0, key, u"选择框" + fromQString(box.text()));
    if (direction == kLoad)
        box.setChecked(getBool(k, box.isChecked()));
    else
        setBool(k, box.isChecked());
}

void rg_TolvarMFCZuJianPeiZhiLei::bindToggleCheck(
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarXuanZhongKuang1& box, CWStringView key) {
    const CWString k = keyFor(&box, 0, key, u"Tolvar选中框" + box.caption());
    if (direction == kLoad)
        box.setChecked(getBool(k, box.checked() != 0) ? 1 : 0); // repaints
    else
        setBool(k, box.checked() != 0);
}

void rg_TolvarMFCZuJianPeiZhiLei::bindToggleButton(
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1& button, CWStringView key) {
    const CWString k = keyFor(&button, 0, key, u"Tolvar按钮" + button.caption() + u".选中");
    if (direction == kLoad)
        button.setChecked(getBool(k, button.checked() != 0) ? 1 : 0); // repaints
    else
        setBool(k, button.checked() != 0);
}

void rg_TolvarMFCZuJianPeiZhiLei::bindMenuItem(rg_Korrin_MFCJieMian_KuoZhanZuJian::rg_CaiChanLei& menu,
                                               int32_t id, CWStringView key) {
    const auto* item = menu.findItem(id);
    if (!item) return;
    const CWString k =
        keyFor(&menu, id, key, u"菜单" + (item->shortName.empty() ? item->text : item->shortName));
    if (direction == kLoad)
        menu.setChecked(id, getBool(k, menu.isChecked(id)));
    else
        setBool(k, menu.isChecked(id));
}

} // namespace rg_Korrin_ChengXu
