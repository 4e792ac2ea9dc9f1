// The tree context menu: the right-click flow and the commands 10001 to 10012 with the option
// items 20013, 20014 and 20016 to 20018.
//
// Every command acts on the current slot and addresses the node through the path box; the
// right-click brings the path box up to date first. After each command the tree box and the
// document describe the same tree: where the document has no node at the path box's path, the
// tree is left as it is too. A command never acts on a node other than the selected item's: the
// node the path names is checked against the node found from the item's position among its
// siblings at every level, and a mismatch is reported instead.
#include <algorithm>
#include <optional>
#include <vector>

#include <QPoint>

#include "app/app_text.h"
#include "app/main_window.h"
#include "runtime/ui/platform.h"
#include "text/codecs.h"
#include "json/node.h"

namespace rg_Korrin_ChengXu {

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;
using rg_Korrin_ChuangKou::BeepKind;
using rg_Korrin_ChuangKou::MessageButtons;
using rg_Korrin_ChuangKou::MessageIcon;
using rg_Korrin_ChuangKou::platform;
using rg_Tolvar_JSON::rg_TolvarJSONJieDian;

namespace {

using M = rg_ShuCaiChanLei;
using Store = rg_TolvarShuXingKuangCunChu;

constexpr char16_t kNoNodeText[] = u"找不到节点，请检查路径";
constexpr char16_t kOtherNodeText[] = u"路径所指的不是选中的节点";
constexpr char16_t kArrayIndexText[] = u"这是数组序号名称，不允许修改！";
constexpr char16_t kSelectNodeText[] = u"请选中具体的节点！";
constexpr char16_t kRootNeedsContainerText[] = u"顶级节点的值必须是对象或数组（以 { 或 [ 开头）";

bool found(const rg_TolvarJSONJieDian* node) {
    return node != nullptr && !node->isEmptyObject();
}

// Whether a member written with this key text reads back as one member with exactly this key.
bool keyReadsBack(CWStringView key) {
    rg_Tolvar_JSON::rg_TolvarJSONLei probe;
    CWString text = u"{";
    text.append(key);
    text.append(u":0}");
    probe.parseText(text);
    const rg_TolvarJSONJieDian& root = probe.root();
    return root.childCount() == 1 && root.child(0)->keyText() == key && root.child(0)->valueText() == u"0";
}

// `text` in double quotes, with a backslash before each quote (and a final backslash) that would
// otherwise end it; escapes the text holds are kept as typed.
CWString doubleQuoted(CWStringView text) {
    CWString out = u"\"";
    size_t backslashes = 0;
    for (char16_t c : text) {
        if (c == u'"' && backslashes % 2 == 0) out.push_back(u'\\');
        out.push_back(c);
        backslashes = c == u'\\' ? backslashes + 1 : 0;
    }
    if (backslashes % 2 == 1) out.push_back(u'\\');
    out.push_back(u'"');
    return out;
}

// The node a tree item was built from, found by the item's position among its siblings at every
// level (no key is read), or nullptr when the document has no node there. Item 0 stands for the
// root.
rg_TolvarJSONJieDian* nodeOfItem(Store& store, int32_t item, rg_TolvarJSONJieDian& root) {
    std::vector<int32_t> positions; // from the item up
    ItemCursor cursor;
    int32_t cur = item;
    for (;;) {
        const int32_t level = store.getLevel(cur, cursor);
        if (level < 0) return nullptr;
        if (level == 0) break;
        int32_t position = 0;
        ItemCursor c = cursor;
        for (int32_t sib = cur;;) {
            ItemCursor prev;
            sib = store.previousSibling(sib, c, prev);
            if (sib < 0) break;
            ++position;
            c = std::move(prev);
        }
        positions.push_back(position);
        ItemCursor parentCursor;
        cur = store.getParent(cur, cursor, parentCursor);
        cursor = std::move(parentCursor);
    }
    if (cur != 0) return nullptr;
    rg_TolvarJSONJieDian* node = &root;
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        if (*it >= node->childCount()) return nullptr;
        node = node->child(*it);
        if (node == nullptr) return nullptr;
    }
    return node;
}

// The mode-0 UCS-2 decode of `text` (as unescapeText does it, up to the first U+0000 it yields)
// with, for every decoded unit k, the index in `text` where the units it came from begin;
// from[decoded.size()] is where the first unit not decoded begins (text.size() when nothing was
// cut off).
void decodeWithOrigins(CWStringView text, CWString& decoded, std::vector<size_t>& from) {
    auto digit = [](char16_t x) -> int32_t {
        if (x >= u'0' && x <= u'9') return x - 0x30;
        if (x >= u'a' && x <= u'f') return x - 0x57;
        return x - 0x37;
    };
    decoded.clear();
    from.clear();
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const char16_t c = text[i];
        char16_t out = c;
        size_t used = 1;
        if ((c == u'\\' || c == u'%') && i + 1 < n) {
            if (text[i + 1] == u'u') {
                if (i + 5 < n) {
                    const int32_t v = digit(text[i + 2]) * 4096 + digit(text[i + 3]) * 256 +
                                      digit(text[i + 4]) * 16 + digit(text[i + 5]);
                    out = static_cast<char16_t>(v & 0xFFFF);
                    used = 6;
                }
            } else if (c == u'\\') {
                const char16_t d = text[i + 1];
                out = d == u'r' ? u'\r' : d == u'n' ? u'\n' : d;
                used = 2;
            }
        }
        if (out == 0) break; // the decoded text ends here
        decoded.push_back(out);
        from.push_back(i);
        i += used;
    }
    from.push_back(i);
}

// What 10007 stores when the pane showed `shown`, the UCS-2 decode of the node's text `original`,
// and now holds `edited`: the parts of the pane left as they were are taken from `original`, so
// every escape (and whatever followed a decoded U+0000) is kept; the edited stretch is taken as
// typed. `lossy` is set when a character that the decode produced inside the replaced stretch
// (from an escape) appears in the typed stretch too: it may be one the user left alone, which is
// then stored raw instead of as its escape.
CWString spliceEdit(const CWString& original, const CWString& shown, const std::vector<size_t>& from,
                    const CWString& edited, bool& lossy) {
    size_t p = 0;
    const size_t limit = std::min(shown.size(), edited.size());
    while (p < limit && shown[p] == edited[p])
        ++p;
    size_t q = 0;
    while (q < limit - p && shown[shown.size() - 1 - q] == edited[edited.size() - 1 - q])
        ++q;
    const size_t shownEnd = shown.size() - q;
    const size_t a = from[p];
    const size_t b = from[shownEnd];
    std::vector<bool> decodedUnits(0x10000, false);
    for (size_t k = p; k < shownEnd; ++k)
        if (from[k + 1] - from[k] != 1 || original[from[k]] != shown[k]) decodedUnits[shown[k]] = true;
    lossy = false;
    for (size_t k = p; k < edited.size() - q && !lossy; ++k)
        lossy = decodedUnits[edited[k]];
    CWString out = original.substr(0, a);
    out.append(edited, p, edited.size() - q - p);
    out.append(original, b);
    return out;
}

} // namespace

void rg_ZhuChuangKou1::onMenuCommand(int32_t id) {
    if (!onTreeMenuCommand(id)) onFindMenuCommand(id);
}

void rg_ZhuChuangKou1::onTreeRightClick(int32_t slot) {
    if (slot != currentSlot_) return;
    rg_ShuCaoWei* s = current();
    if (!s) return;
    Store& store = s->tree->store();
    const int32_t sel = store.getSelection();
    if (sel != -1) {
        const CWString path = store.pathOfItem(sel, pathMode());
        if (path != pathBox->content()) {
            pathBox->setContent(path);
            showSelectedNode();
        }
    }
    refreshUndoRows();
    const int32_t id = treeMenu_.trackPopup(this, platform().cursorScreenPos() + QPoint(3, 3));
    if (id != 0) onMenuCommand(id);
}

void rg_ZhuChuangKou1::showInfo(const CWString& text) {
    platform().messageBox(u"信息:", text, MessageIcon::Information, MessageButtons::Ok);
}

int32_t rg_ZhuChuangKou1::commandItem(int32_t minimum) {
    rg_ShuCaoWei* s = current();
    const int32_t sel = s->tree->store().getSelection();
    if (sel >= minimum) return sel;
    showInfo(kSelectNodeText);
    s->tree->setFocus();
    return -1;
}

void rg_ZhuChuangKou1::reportNodeProblem(const CWString& text) {
    statusBar->setColumnText(kColOther, text);
    platform().beep(BeepKind::Error);
}

rg_TolvarJSONJieDian* rg_ZhuChuangKou1::selectedItemNode() {
    rg_ShuCaoWei* s = current();
    Store& store = s->tree->store();
    const int32_t sel = store.getSelection();
    return sel < 0 ? nullptr : nodeOfItem(store, sel, s->document.root());
}

rg_TolvarJSONJieDian* rg_ZhuChuangKou1::nodeAtPathBox(CWString* key) {
    rg_ShuCaoWei* s = current();
    rg_TolvarJSONJieDian* node = nullptr;
    CWString timing;
    CWString text = s->document.readAtPath(pathBox->content(), node, true, false, timing);
    if (!found(node)) {
        reportNodeProblem(kNoNodeText);
        s->tree->setFocus();
        return nullptr;
    }
    if (s->tree->store().getSelection() >= 0 && node != selectedItemNode()) {
        reportNodeProblem(kOtherNodeText);
        s->tree->setFocus();
        return nullptr;
    }
    if (key) *key = std::move(text);
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
            CWString text = s->document.readAtPath(pathBox->content(), holder, false,
                                                   outputFormatList->currentIndex() == 1, timing);
            if (found(holder) && s->tree->store().getSelection() >= 0 && holder != selectedItemNode()) {
                reportNodeProblem(kOtherNodeText); // the clipboard keeps what it held
                return true;
            }
            platform().setClipboardText(text);
        }
        return true;
    case M::kCreate:
        if (current()) createNode();
        return true;
    case M::kDelete:
        if (current()) deleteNode();
        return true;
    case M::kRenameKey:
        if (current()) renameKey();
        return true;
    case M::kSetValue:
        if (current()) setNodeValue();
        return true;
    case M::kHeading:
        return true;
    case M::kUndo:
        undo();
        return true;
    case M::kRedo:
        redo();
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
            case M::kUcs2Encode:
                out = escapeText(text, kEscapeUcs2);
                break;
            case M::kUcs2Decode:
                out = unescapeText(text, kUnescapeUcs2);
                break;
            case M::kHtmlEncodeHex:
                out = escapeText(text, kEscapeHtmlHex);
                break;
            case M::kHtmlEncodeDec:
                out = escapeText(text, kEscapeHtmlDec);
                break;
            default:
                out = unescapeText(text, kUnescapeHtml);
                break;
            }
            // One undoable step in the pane (the text pane's undo brings the text back).
            if (out != text) {
                s->pane->selectAll();
                s->pane->replaceSelection(out);
                s->pane->setSelection(0, 0);
            }
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
    if (item < 0) return;
    Store& store = s->tree->store();
    const int32_t count = store.itemCount();
    CWString key;
    rg_TolvarJSONJieDian* node = nodeAtPathBox(&key);
    if (!node) return;
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
        recordChild(*node, node->childCount() - 1, true);
    } else {
        const std::optional<CWString> answer =
            platform().inputText(u"输入新建节点的键名：", u"", u"键" + decimal(count));
        if (!answer) return;
        entered = *answer;
        const bool wasObject = node->nodeType() == rg_Tolvar_JSON::Object;
        if (!wasObject) recordNodeState(*node); // a scalar becomes an object
        rg_Tolvar_JSON::appendMember(*node, entered, value);
        if (wasObject) recordChild(*node, node->childCount() - 1, true);
        // A scalar becomes an object: its label keeps only its key form (the key itself, which
        // may hold ':', or "[i]"); the record's key length still fits it.
        ItemCursor cursor;
        const CWString keyForm = store.keyFormOf(item, cursor);
        const std::optional<CWStringView> text =
            item != 0 ? std::optional<CWStringView>(keyForm) : std::optional<CWStringView>();
        store.setItem(item, text, Store::kImageObject, -1, -1, cursor, true);
    }
    s->slotDirty = true;
    commitPendingEntry();
    ItemCursor cursor;
    const bool element = node->nodeType() == rg_Tolvar_JSON::Array;
    const CWString newKey = element ? entered : rg_Tolvar_JSON::unquote(entered);
    const CWString label = newKey + u":\"" + value + u"\"";
    const int32_t added = store.insertItem(item, label, Store::kImageValue, 0, 0, cursor);
    if (added >= 0) {
        ItemCursor c;
        store.setKeyLength(added, element ? -1 : int32_t(newKey.size()), c);
        store.setSelection(added);
    }
    s->tree->setFocus();
}

// 10004 "删除": the node leaves its container and its item leaves the tree; later elements of an
// array are renumbered.
void rg_ZhuChuangKou1::deleteNode() {
    rg_ShuCaoWei* s = current();
    const int32_t item = commandItem(0);
    if (item < 0) return;
    Store& store = s->tree->store();
    {
        // Only the selected item's own node may go.
        rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
        rg_Tolvar_JSON::splitPath(pathBox->content(), segments);
        rg_TolvarJSONJieDian* target = rg_Tolvar_JSON::walkPath(s->document.root(), segments, 0);
        if (found(target) && target != nodeOfItem(store, item, s->document.root())) {
            reportNodeProblem(kOtherNodeText);
            s->tree->setFocus();
            return;
        }
        if (found(target) && target->parent() != nullptr && item != 0)
            recordRemoval(*target);
        else if (found(target))
            recordNodeState(s->document.root()); // the root is emptied
    }
    rg_TolvarJSONJieDian* parent = rg_Tolvar_JSON::removeAtPath(s->document, pathBox->content());
    if (parent == nullptr) {
        // The document has no node there; removing only the item would make the two disagree.
        dropPendingEntry();
        reportNodeProblem(kNoNodeText);
        s->tree->setFocus();
        return;
    }
    s->slotDirty = true;
    if (pendingEntry_)
        commitPendingEntry();
    else
        dropHistory(currentSlot_); // removed without a record: older entries no longer apply
    const CKorMem none;
    ItemCursor cursor;
    if (parent == rg_Tolvar_JSON::rg_TolvarJSONLei::kRemovedAll || item == 0) {
        // The root was emptied: only the top item stays.
        store.replaceSubtree(0, 2, none, 0, cursor);
    } else {
        const int32_t level = store.getLevel(item);
        store.replaceSubtree(item, 0, none, 0, cursor);
        if (parent->nodeType() == rg_Tolvar_JSON::Array && item < store.itemCount() &&
            store.getLevel(item) == level) {
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
    if (item < 0) return;
    rg_TolvarJSONJieDian* node = nodeAtPathBox(nullptr);
    if (!node) return;
    if (node->parent() != nullptr && node->parent()->nodeType() == rg_Tolvar_JSON::Array) {
        showInfo(kArrayIndexText);
        s->tree->setFocus();
        return;
    }
    const std::optional<CWString> answer =
        platform().inputText(u"输入新的键名：", u"", rg_Tolvar_JSON::unquote(node->keyText()));
    if (!answer) return;
    applyKeyRename(item, *node, *answer);
    s->tree->setFocus();
}

void rg_ZhuChuangKou1::applyKeyRename(int32_t item, rg_TolvarJSONJieDian& node, const CWString& entered) {
    rg_ShuCaoWei* s = current();
    recordKey(node);
    const bool quoted = rg_Tolvar_JSON::isQuoted(node.keyText());
    rg_Tolvar_JSON::setKeyText(node, entered, !quoted);
    if (!keyReadsBack(node.keyText())) {
        // A bare key holding ':' or ',', or a quote that would end the key early: saved like that,
        // the text would read back as other members. Written in double quotes instead.
        rg_Tolvar_JSON::setKeyText(node, doubleQuoted(rg_Tolvar_JSON::unquote(entered)), true);
    }
    relabelKeyItem(item, node);
    s->slotDirty = true;
    commitPendingEntry();
    pathBox->setContent(s->tree->store().pathOfItem(item, pathMode()));
}

void rg_ZhuChuangKou1::relabelKeyItem(int32_t item, const rg_TolvarJSONJieDian& node) {
    const CWString key = rg_Tolvar_JSON::unquote(node.keyText());
    CWString label = key;
    if (!node.isContainer()) label += u":" + CWString(node.valueText());
    Store& store = current()->tree->store();
    ItemCursor cursor;
    store.setText(item, label, cursor);
    ItemCursor c;
    store.setKeyLength(item, int32_t(key.size()), c);
}

// A committed in-place edit of an item: for an object member, a rename of its key, as 10005 does;
// refused for the top item and array elements. The edit box held the item's text; for a scalar
// member that is "key:value", so an edit that keeps the ":value" ending renames the key to what
// stands before it, and any other text is taken as the new key. Returns nonzero: the handler
// writes the item itself (or leaves it), the box must not.
int32_t rg_ZhuChuangKou1::onTreeEditCommitted(int32_t slot, int32_t item, const CWString& before,
                                              const CWString& edited) {
    rg_ShuCaoWei* s = current();
    if (slot != currentSlot_ || !s || edited == before) return 1;
    Store& store = s->tree->store();
    if (item < 1 || item >= store.itemCount()) {
        showInfo(kSelectNodeText);
        return 1;
    }
    rg_TolvarJSONJieDian* node = nodeOfItem(store, item, s->document.root());
    if (!found(node) || store.getText(item) != before) {
        reportNodeProblem(kNoNodeText);
        return 1;
    }
    if (node->parent() != nullptr && node->parent()->nodeType() == rg_Tolvar_JSON::Array) {
        showInfo(kArrayIndexText);
        return 1;
    }
    // The path the item is addressed by must name this very node.
    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
    rg_Tolvar_JSON::splitPath(store.pathOfItem(item, pathMode()), segments);
    if (rg_Tolvar_JSON::walkPath(s->document.root(), segments, 0) != node) {
        reportNodeProblem(kOtherNodeText);
        return 1;
    }
    CWString key = edited;
    if (!node->isContainer()) {
        const CWString ending = u":" + CWString(node->valueText());
        if (key.size() >= ending.size() &&
            key.compare(key.size() - ending.size(), ending.size(), ending) == 0)
            key.resize(key.size() - ending.size());
    }
    if (key == rg_Tolvar_JSON::unquote(node->keyText())) return 1; // the key as it is: nothing to change
    applyKeyRename(item, *node, key);
    return 1;
}

// The text 10007 stores for `node` from the pane, or nothing when the value is to stay as it is.
// With 20013 checked the pane showed the node's text UCS-2 decoded, and storing that as typed
// would turn every escape it decoded into a raw character (and drop whatever followed a decoded
// U+0000). So: an unchanged pane leaves the value alone; an edited one keeps the original text
// wherever the pane was left as shown and takes the edited stretch as typed. When that stretch
// still holds a character the decode produced (one the user may have left alone, which would
// then be stored raw instead of as its escape) the user is asked first.
std::optional<CWString> rg_ZhuChuangKou1::valueFromPane(rg_TolvarJSONJieDian& node) {
    rg_ShuCaoWei* s = current();
    const CWString& edited = s->pane->text();
    const CWString original = rg_Tolvar_JSON::toJsonText(node, outputFormatList->currentIndex() == 1);
    CWString shown = original;
    std::vector<size_t> from;
    if (treeMenu_.isChecked(rg_ShuCaiChanLei::kDecodeOnShow)) {
        decodeWithOrigins(original, shown, from);
        if (shown != rg_Tolvar_MingLingJi::unescapeText(original, rg_Tolvar_MingLingJi::kUnescapeUcs2))
            from.clear(); // no trustworthy origins: ask below
    }
    if (edited == shown) {
        statusBar->setColumnText(kColOther, u"编辑框内容未改动，键值保持原样");
        return std::nullopt;
    }
    if (shown == original) return edited; // the decode changed nothing
    bool lossy = true;
    CWString spliced = from.empty() ? edited : spliceEdit(original, shown, from, edited, lossy);
    if (lossy) {
        const int32_t answer = platform().messageBox(
            u"信息:",
            u"右边编辑框显示的是USC2解码后的文本，改动的部分含有由转义字符解码而来的字符，"
            u"这部分将按编辑框中的样子保存（未改动的部分保持原样）。要修改键值吗？",
            MessageIcon::Question, MessageButtons::YesNo);
        if (answer != rg_Korrin_ChuangKou::kResultYes) return std::nullopt;
    }
    return spliced;
}

// 10007 "修改键值": the text pane's text becomes the node's value; the node's items are rebuilt in
// place.
void rg_ZhuChuangKou1::setNodeValue() {
    rg_ShuCaoWei* s = current();
    const int32_t item = commandItem(0);
    if (item < 0) return;
    rg_TolvarJSONJieDian* node = nodeAtPathBox(nullptr);
    if (!node) return;
    std::optional<CWString> value = valueFromPane(*node);
    if (!value) {
        s->tree->setFocus();
        return;
    }
    if (node->parent() == nullptr) {
        // A document is read back from its text only from its brackets on: a root made a scalar
        // would be saved as that scalar and come back as an empty document.
        const CWString trimmed = rg_Tolvar_JSON::trimText(*value);
        if (trimmed.empty() || (trimmed[0] != u'{' && trimmed[0] != u'[')) {
            reportNodeProblem(kRootNeedsContainerText);
            s->tree->setFocus();
            return;
        }
    }
    recordNodeState(*node);
    rg_Tolvar_JSON::setValueText(*node, *value, node->nodeType() == rg_Tolvar_JSON::Bare);
    s->slotDirty = true;
    commitPendingEntry();

    // The node's items rebuilt in place; the selection stays where it was.
    Store& store = s->tree->store();
    const int32_t selected = store.getSelection();
    refillItem(item, *node);
    store.properties().currentItem = selected;
    store.redraw(-1);
    s->tree->setFocus();
}

} // namespace rg_Korrin_ChengXu
