// The main window's two popup menus as item lists: the tree context menu (rg_ShuCaiChanLei) and
// the find-options menu (rg_ChaZhaoCaiChanLei). Their check marks are the persisted options of the
// window (automatic USC2 decoding, the path mode, ignore case, the USC2 retry). Value types owned
// by the main window; UI thread.
#pragma once

#include <cstdint>
#include <vector>

#include "text/ui/popup_menu.h"

namespace rg_Korrin_ChengXu {

class rg_ShuCaiChanLei : public rg_Korrin_MFCJieMian_KuoZhanZuJian::rg_CaiChanLei {
public:
    enum : int32_t {
        kTop = 10000,
        kCopyPath = 10001,
        kCopyJson = 10002,
        kCreate = 10003,
        kDelete = 10004,
        kRenameKey = 10005,
        kHeading = 10006,
        kSetValue = 10007,
        kUcs2Encode = 10008,
        kUcs2Decode = 10009,
        kHtmlEncodeHex = 10010,
        kHtmlEncodeDec = 10011,
        kHtmlDecode = 10012,
        kUndo = 10013,
        kRedo = 10014,
        kDecodeOnShow = 20013,
        kDecodeOnParse = 20014,
        kPathModeArrays = 20016,
        kPathModeKorrin = 20017,
        kPathModeDefault = 20018,
    };

protected:
    std::vector<rg_Korrin_MFCJieMian_KuoZhanZuJian::MenuItem> menuDescription() const override;
};

class rg_ChaZhaoCaiChanLei : public rg_Korrin_MFCJieMian_KuoZhanZuJian::rg_CaiChanLei {
public:
    enum : int32_t {
        kTop = 20000,
        kUcs2Encode = 20001,
        kUcs2Decode = 20002,
        kIgnoreCase = 20004,
        kHtmlEncodeHex = 20005,
        kHtmlEncodeDec = 20006,
        kHtmlDecode = 20007,
        kRetryEncoded = 20008,
    };

protected:
    std::vector<rg_Korrin_MFCJieMian_KuoZhanZuJian::MenuItem> menuDescription() const override;
};

// The menu of a right-click on "复制路径": the selected node's path in another tool's syntax.
// Rows the syntax cannot name the node in are disabled, with the reason as their tip.
class rg_FuZhiLuJingCaiChanLei : public rg_Korrin_MFCJieMian_KuoZhanZuJian::rg_CaiChanLei {
public:
    enum : int32_t {
        kTop = 30000,
        kJq = 30001,
        kJsonPath = 30002,
        kJsonPointer = 30003,
        kJavaScript = 30004,
        kPython = 30005,
    };

protected:
    std::vector<rg_Korrin_MFCJieMian_KuoZhanZuJian::MenuItem> menuDescription() const override;
};

} // namespace rg_Korrin_ChengXu
