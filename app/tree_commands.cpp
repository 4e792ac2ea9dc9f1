// The tree context menu: the right-click flow and the commands 10001 to 10012 with the option
// items 20013, 20014 and 20016 to 20018.
//
// Every command acts on the current slot and addresses the node through the path box; the
// right-click brings the path box up to date first. After each command the tree box and the
// document describe the same tree: where the document has no node at the path box's path, the
// tree is left as it is too.
#include <QPoint>

#include "app/app_text.h"
#include "app/main_window.h"
#include "json/node.h"
#include "runtime/ui/platform.h"
#include "text/codecs.h"

namespace rg_Korrin_ChengXu {

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;
using rg_Korrin_ChuangKou::platform;
using rg_Korrin_ChuangKou::rg_FengMingLeiXing;
using rg_Korrin_ChuangKou::rg_XiaoXiAnNiu;
using rg_Korrin_ChuangKou::rg_XiaoXiTuBiao;
using rg_Tolvar_JSON::rg_TolvarJSONJieDian;

namespace {

using M = rg_ShuCaiChanLei;
using Store = rg_TolvarShuXingKuangCunChu;

constexpr char16_t kNoNodeText[] = u"找不到节点，请检查路径";

bool found(const rg_TolvarJSONJieDian* node) { return node != nullptr && !node->isEmptyObject(); }

} // namespace

void rg_ZhuChuangKou1::onMenuCommand(int32_t id) {
    if (!onTreeMenuCommand(id))
        onFindMenuCommand(id);
}

void rg_ZhuChuangKou1::onTreeRightClick(int32_t slot) {
    if (slot != currentSlot_)
        return;
    rg_ShuCaoWei* s = current();
    if (!s)
        return;
    Store& store = s->tree->store();
    const int32_t sel = store.getSelection();
    if (sel != -1) {
        const CWString path = store.pathOfItem(sel, pathMode());
        if (path != pathBox->content()) {
            pathBox->setContent(path);
            showSelectedNode();
        }
    }
    const int32_t id = treeMenu_.trackPopup(this, platform().cursorScreenPos() + QPoint(3, 3));
    if (id != 0)
        onMenuCommand(id);
}

void rg_ZhuChuangKou1::showInfo(const CWString& text) {
    platform().messageBox(u"信息:", text, rg_XiaoXiTuBiao::Information, rg_XiaoXiAnNiu::Ok);
}

int32_t rg_ZhuChuangKou1::commandItem(int32_t minimum) {
    rg_ShuCaoWei* s = current();
    const int32_t sel = s->tree->store().getSelection();
    if (sel >= minimum)
        return sel;
    showInfo(u"请选中具体的节点！");
    s->tree->setFocus();
    return -1;
}

rg_TolvarJSONJieDian* rg_ZhuChuangKou1::nodeAtPathBox(CWString* key) {
    rg_ShuCaoWei* s = current();
    rg_TolvarJSONJieDian* node = nullptr;
    CWString timing;
    CWString text = s->document.readAtPath(pathBox->content(), node, true, false, timing);
    if (!found(node)) {
        s->tree->setFocus();
        return nullptr;
    }
    if (key)
        *key = std::move(text);
    return node;
}

bool rg_ZhuChuangKou1::onTreeMenuCommand(int32_t id) {
    switch (id) {
    case M::kCopyPath:
        platform().setClipboardText(pathBox->content());
        return true;
    case M::kCopyJson:
        if (rg_ShuCaoWei* s = current()) {
            rg_TolvarJSONJieDian* holder = nullptr;
            CWString timing;
            platform().setClipboardText(
                s->document.readAtPath(pathBox->content(), holder, false, outputFormatList->currentIndex() == 1, timing));
        }
        return true;
    case M::kCreate:
        if (current())
            createNode();
        return true;
    case M::kDelete:
        if (current())
            deleteNode();
        return true;
    case M::kRenameKey:
        if (current())
            renameKey();
        return true;
    case M::kSetValue:
        if (current())
            setNodeValue();
        return true;
    case M::kHeading:
        return true;
    case M::kUcs2Encode:
    case M::kUcs2Decode:
    case M::kHtmlEncodeHex:
    case M::kHtmlEncodeDec:
    case M::kHtmlDecode:
        if (rg_ShuCaoWei* s = current()) {
            using namespace rg_Tolvar_MingLingJi;
            const CWString& text = s->pane->text();
            CWString out;
            switch (id) {
            case M::kUcs2Encode: out = escapeText(text, kEscapeUcs2); break;
            case M::kUcs2Decode: out = unescapeText(text, kUnescapeUcs2); break;
            case M::kHtmlEncodeHex: out = escapeText(text, kEscapeHtmlHex); break;
            case M::kHtmlEncodeDec: out = escapeText(text, kEscapeHtmlDec); break;
            default: out = unescapeText(text, kUnescapeHtml); break;
            }
            s->pane->setText(std::move(out));
        }
        return true;
    case M::kDecodeOnShow:
        treeMenu_.setChecked(id, !treeMenu_.isChecked(id));
        showSelectedNode();
        return true;
    case M::kDecodeOnParse:
        treeMenu_.setChecked(id, !treeMenu_.isChecked(id));
        if (rg_ShuCaoWei* s = current()) {
            parseTextToSlot(s->sourceText, true, true);
            jumpToPath(true);
        }
        return true;
    case M::kPathModeDefault:
    case M::kPathModeArrays:
    case M::kPathModeKorrin:
        for (int32_t m : {M::kPathModeDefault, M::kPathModeArrays, M::kPathModeKorrin})
            treeMenu_.setChecked(m, m == id);
        if (rg_ShuCaoWei* s = current()) {
            Store& store = s->tree->store();
            pathBox->setContent(store.pathOfItem(store.getSelection(), pathMode()));
        }
        return true;
    default:
        return false;
    }
}

// 10003 "新建": a new element of an array, or a new member (key asked for) of anything else,
// which becomes an object.
void rg_ZhuChuangKou1::createNode() {
    rg_ShuCaoWei* s = current();
    const int32_t item = commandItem(0);
    if (item < 0)
        return;
    Store& store = s->tree->store();
    const int32_t count = store.itemCount();
    CWString key;
    rg_TolvarJSONJieDian* node = nodeAtPathBox(&key);
    if (!node)
        return;
    const CWString value = u"值" + decimal(count);
    CWString entered;
    if (node->nodeType() == rg_Tolvar_JSON::Array) {
        entered.assign(u"[").append(decimal(node->childCount())).append(u"]");
        rg_TolvarJSONJieDian* element = rg_Tolvar_JSON::childBySegment(*node, entered, true);
        if (!found(element)) {
            s->tree->setFocus();
            return;
        }
        rg_Tolvar_JSON::setValueText(*element, value, false);
    } else {
        const std::optional<CWString> answer =
            platform().inputText(u"输入新建节点的键名：", u"", u"键" + decimal(count));
        if (!answer)
            return;
        entered = *answer;
        rg_Tolvar_JSON::appendMember(*node, entered, value);
        ItemCursor cursor;
        const std::optional<CWStringView> text =
            item != 0 ? std::optional<CWStringView>(key) : std::optional<CWStringView>();
        store.setItem(item, text, Store::kImageObject, -1, -1, cursor, true);
    }
    s->slotDirty = true;
    ItemCursor cursor;
    const CWString label = rg_Tolvar_JSON::unquote(entered) + u":\"" + value + u"\"";
    const int32_t added = store.insertItem(item, label, Store::kImageValue, 0, 0, cursor);
    if (added >= 0)
        store.setSelection(added);
    s->tree->setFocus();
}

// 10004 "删除": the node leaves its container and its item leaves the tree; later elements of an
// array are renumbered.
void rg_ZhuChuangKou1::deleteNode() {
    rg_ShuCaoWei* s = current();
    const int32_t item = commandItem(0);
    if (item < 0)
        return;
    Store& store = s->tree->store();
    rg_TolvarJSONJieDian* parent = rg_Tolvar_JSON::removeAtPath(s->document, pathBox->content());
    if (parent == nullptr) {
        // The document has no node there; removing only the item would make the two disagree.
        statusBar->setColumnText(kColOther, kNoNodeText);
        platform().beep(rg_FengMingLeiXing::Error);
        s->tree->setFocus();
        return;
    }
    s->slotDirty = true;
    const CKorMem none;
    ItemCursor cursor;
    if (parent == rg_Tolvar_JSON::rg_TolvarJSONLei::kRemovedAll || item == 0) {
        // The root was emptied: only the top item stays.
        store.replaceSubtree(0, 2, none, 0, cursor);
    } else {
        const int32_t level = store.getLevel(item);
        store.replaceSubtree(item, 0, none, 0, cursor);
        if (parent->nodeType() == rg_Tolvar_JSON::Array && item < store.itemCount() && store.getLevel(item) == level) {
            // The former later siblings now start at the removed item's index.
            const int32_t redraw = store.properties().autoRedraw;
            store.properties().autoRedraw = 0;
            ItemCursor c;
            store.shiftElementLabels(item, -1, c); // one pass over the later siblings
            store.properties().autoRedraw = redraw;
            store.redraw(-1);
        }
    }
    store.setSelection(item < store.itemCount() ? item : -1);
    s->tree->setFocus();
}

// 10005 "修改键名": a member gets a new key; quoted keys stay quoted.
void rg_ZhuChuangKou1::renameKey() {
    rg_ShuCaoWei* s = current();
    const int32_t item = commandItem(1);
    if (item < 0)
        return;
    rg_TolvarJSONJieDian* node = nodeAtPathBox(nullptr);
    if (!node)
        return;
    if (node->parent() != nullptr && node->parent()->nodeType() == rg_Tolvar_JSON::Array) {
        showInfo(u"这是数组序号名称，不允许修改！");
        s->tree->setFocus();
        return;
    }
    const bool quoted = rg_Tolvar_JSON::isQuoted(node->keyText());
    const std::optional<CWString> answer =
        platform().inputText(u"输入新的键名：", u"", rg_Tolvar_JSON::unquote(node->keyText()));
    if (!answer)
        return;
    rg_Tolvar_JSON::setKeyText(*node, *answer, !quoted);
    CWString label = rg_Tolvar_JSON::unquote(*answer);
    if (!node->isContainer())
        label += u":" + CWString(node->valueText());
    Store& store = s->tree->store();
    store.setText(item, label);
    s->slotDirty = true;
    pathBox->setContent(store.pathOfItem(item, pathMode()));
    s->tree->setFocus();
}

// 10007 "修改键值": the text pane's text becomes the node's value; the node's items are rebuilt in
// place.
void rg_ZhuChuangKou1::setNodeValue() {
    rg_ShuCaoWei* s = current();
    const int32_t item = commandItem(0);
    if (item < 0)
        return;
    rg_TolvarJSONJieDian* node = nodeAtPathBox(nullptr);
    if (!node)
        return;
    rg_Tolvar_JSON::setValueText(*node, s->pane->text(), node->nodeType() == rg_Tolvar_JSON::Bare);
    s->slotDirty = true;

    // The node's records, labelled by its place (key or [i]), at the item's level.
    Store& store = s->tree->store();
    const int32_t level = store.getLevel(item);
    const uint8_t expand = store.getExpandState(item);
    CKorMem records;
    const int32_t n = Store::fillFromNode(*node, records, level - 1, true);
    ItemCursor cursor;
    const int32_t selected = store.getSelection();
    store.replaceSubtree(item, 0, records, n, cursor);
    if (item == 0) {
        // The top item keeps its label and its object or array image.
        const CWString& remark = remarkNames_[size_t(currentSlot_)];
        const CWString label = remark.empty() ? CWString(kTopItemText) : remark;
        ItemCursor c;
        store.setItem(0, CWStringView(label),
                      node->nodeType() == rg_Tolvar_JSON::Object ? Store::kImageObject : Store::kImageArray, -1, -1, c,
                      true);
    }
    ItemCursor c;
    store.setItem(item, std::nullopt, Store::kKeepImage, expand, -1, c, false);
    store.properties().currentItem = selected;
    store.redraw(-1);
    s->tree->setFocus();
}

} // namespace rg_Korrin_ChengXu
