#include "app/menus.h"

namespace rg_Korrin_ChengXu {

using rg_Korrin_MFCJieMian_KuoZhanZuJian::MenuItem;

namespace {

MenuItem item(int32_t id, CWStringView text, bool checked = false, bool disabled = false) {
    MenuItem x;
    x.id = id;
    x.text = CWString(text);
    x.level = 1;
    x.checked = checked;
    x.disabled = disabled;
    x.shortName = CWString(text);
    return x;
}

MenuItem top(int32_t id) {
    MenuItem x;
    x.id = id;
    x.text = u"顶级菜单";
    x.shortName = x.text;
    return x;
}

MenuItem separator() {
    MenuItem x;
    x.level = 1;
    x.separator = true;
    return x;
}

} // namespace

std::vector<MenuItem> rg_ShuCaiChanLei::menuDescription() const {
    return {
        top(kTop),
        item(kCopyPath, u"复制JSON路径"),
        item(kCopyJson, u"复制JSON数据"),
        separator(),
        item(kCreate, u"新建"),
        item(kDelete, u"删除"),
        item(kRenameKey, u"修改键名"),
        separator(),
        item(kHeading, u"下面是对右边编辑框内容的操作", false, true),
        separator(),
        item(kSetValue, u"修改键值"),
        item(kUcs2Encode, u"USC2编码"),
        item(kUcs2Decode, u"USC2解码"),
        item(kHtmlEncodeHex, u"网页转义符编码(十六进制)"),
        item(kHtmlEncodeDec, u"网页转义符编码(十进制)"),
        item(kHtmlDecode, u"网页转义符解码"),
        separator(),
        item(kDecodeOnShow, u"节点取值时自动USC2解码", true),
        item(kDecodeOnParse, u"解析到树时自动USC2解码"),
        separator(),
        item(kPathModeDefault, u"JSON路径模式:默认", true),
        item(kPathModeArrays, u"JSON路径模式:独立数组分隔"),
        item(kPathModeKorrin, u"JSON路径模式:KorrinJSON"),
        separator(),
        item(kUndo, u"撤销", false, true),
        item(kRedo, u"重做", false, true),
    };
}

std::vector<MenuItem> rg_ChaZhaoCaiChanLei::menuDescription() const {
    return {
        top(kTop),
        item(kUcs2Encode, u"USC2编码"),
        item(kUcs2Decode, u"USC2解码"),
        item(kHtmlEncodeHex, u"网页转义符编码(十六进制)"),
        item(kHtmlEncodeDec, u"网页转义符编码(十进制)"),
        item(kHtmlDecode, u"网页转义符解码"),
        separator(),
        item(kIgnoreCase, u"忽略大小写", true),
        item(kRetryEncoded, u"找不到时自动USC2编码重新查找", true),
    };
}

std::vector<MenuItem> rg_FuZhiLuJingCaiChanLei::menuDescription() const {
    return {
        top(kTop),
        item(kJq, u"复制为 jq 路径"),
        item(kJsonPath, u"复制为 JSONPath"),
        item(kJsonPointer, u"复制为 JSON Pointer"),
        item(kJavaScript, u"复制为 JavaScript 访问式"),
        item(kPython, u"复制为 Python 访问式"),
    };
}

} // namespace rg_Korrin_ChengXu
