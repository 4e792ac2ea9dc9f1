// Undo and redo of the document changes of a slot: the entries the commands record and how an
// undo or redo applies them to the document and the tree box.
//
// Entries address nodes by their positions among their siblings from the root down, so they hold
// across path-mode changes and remarks. Each entry keeps only what its change needs: the other
// key of a rename, a copy of the node whose value was set, a copy of the one child that was
// removed or added, or the whole replaced document (moved out of the slot, not copied). Applying
// an entry exchanges what it keeps with what the slot holds, so the same entry serves the way
// back. The tree box is refilled only where the document changed.
#include <algorithm>
#include <memory>
#include <vector>

#include "app/app_text.h"
#include "app/main_window.h"
#include "app/undo_entry.h"
#include "runtime/ui/platform.h"
#include "json/node.h"

namespace rg_Korrin_ChengXu {

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;
using rg_Korrin_ChuangKou::platform;
using rg_Tolvar_JSON::rg_TolvarJSONJieDian;
using Node = rg_TolvarJSONJieDian;
using Store = rg_TolvarShuXingKuangCunChu;

namespace {

constexpr char16_t kNothingToUndo[] = u"没有可撤销的操作";
constexpr char16_t kNothingToRedo[] = u"没有可重做的操作";

// Where `node` stands among its parent's children (it has a parent).
int32_t indexInParent(const Node& node) {
    const Node* p = node.parent();
    int32_t i = 0;
    while (i < p->childCount() && p->child(i) != &node)
        ++i;
    return i;
}

// Positions of `node` among its siblings, from the root's child down (empty for the root).
std::vector<int32_t> positionsOf(const Node& node) {
    std::vector<int32_t> out;
    for (const Node* n = &node; n->parent() != nullptr; n = n->parent())
        out.push_back(indexInParent(*n));
    std::reverse(out.begin(), out.end());
    return out;
}

Node* nodeAt(Node& root, const std::vector<int32_t>& at) {
    Node* n = &root;
    for (int32_t i : at) {
        if (i < 0 || i >= n->childCount()) return nullptr;
        n = n->child(i);
    }
    return n;
}

// The item of the node at `at` (item 0 is the root), -1 when the tree has none there.
int32_t itemAt(Store& store, const std::vector<int32_t>& at) {
    int32_t item = store.itemCount() > 0 ? 0 : -1;
    ItemIndexList kids;
    for (int32_t i : at) {
        if (item < 0) return -1;
        kids.clear();
        store.enumerateChildren(item, kids);
        item = i >= 0 && size_t(i) < kids.size() ? kids[size_t(i)] : -1;
    }
    return item;
}

// Memory a copy of the subtree takes: nodes with their slots and texts (no recursion).
size_t subtreeBytes(const Node& top) {
    size_t bytes = 0;
    std::vector<const Node*> stack{&top};
    while (!stack.empty()) {
        const Node* n = stack.back();
        stack.pop_back();
        bytes +=
            sizeof(Node) + sizeof(void*) + (n->keyText().size() + n->valueText().size()) * sizeof(char16_t);
        for (int32_t i = 0, c = n->childCount(); i < c; ++i)
            if (const Node* k = n->child(i)) stack.push_back(k);
    }
    return bytes;
}

size_t documentBytes(const rg_Tolvar_JSON::rg_TolvarJSONLei& d) {
    return std::max(d.arenaBytes(), subtreeBytes(d.root()));
}

} // namespace

void rg_ZhuChuangKou1::recordEntry(std::unique_ptr<UndoEntry> entry) {
    if (currentSlot_ < 0) return;
    if (rg_ShuCaoWei* s = current()) {
        entry->sourceParse = s->sourceParse;
        s->sourceParse.reset(); // an edit, or a parse that sets it again
        s->saveSource = false;
    }
    history_.record(currentSlot_, std::move(entry));
    refreshUndoRows();
}

void rg_ZhuChuangKou1::recordNodeState(const Node& node) {
    auto e = std::make_unique<UndoEntry>(UndoEntry::NodeState);
    e->at = positionsOf(node);
    e->node = std::make_unique<Node>(node);
    e->size = subtreeBytes(node) + e->at.size() * sizeof(int32_t);
    pendingEntry_ = std::move(e);
}

void rg_ZhuChuangKou1::recordKey(const Node& node) {
    auto e = std::make_unique<UndoEntry>(UndoEntry::Key);
    e->at = positionsOf(node);
    e->key = CWString(node.keyText());
    e->size = sizeof(UndoEntry) + e->key.size() * sizeof(char16_t) + e->at.size() * sizeof(int32_t);
    pendingEntry_ = std::move(e);
}

void rg_ZhuChuangKou1::recordChild(const Node& container, int32_t index, bool present) {
    const Node* child = container.child(index);
    if (child == nullptr) return;
    auto e = std::make_unique<UndoEntry>(UndoEntry::Child);
    e->at = positionsOf(container);
    e->index = index;
    e->present = present;
    e->node = std::make_unique<Node>(*child);
    e->size = subtreeBytes(*child) + e->at.size() * sizeof(int32_t);
    pendingEntry_ = std::move(e);
}

void rg_ZhuChuangKou1::recordRemoval(const Node& child) {
    recordChild(*child.parent(), indexInParent(child), false);
}

void rg_ZhuChuangKou1::dropPendingEntry() {
    pendingEntry_.reset();
}

void rg_ZhuChuangKou1::commitPendingEntry() {
    if (pendingEntry_) recordEntry(std::move(pendingEntry_));
}

void rg_ZhuChuangKou1::dropHistory(int32_t slot) {
    pendingEntry_.reset();
    if (rg_ShuCaoWei* s = current()) {
        s->sourceParse.reset();
        s->saveSource = false;
    }
    history_.clear(slot);
    refreshUndoRows();
}

void rg_ZhuChuangKou1::rememberDocument(bool keepSource) {
    rg_ShuCaoWei* s = current();
    if (!s) return;
    const int32_t slot = currentSlot_;
    finishSlotWrite(slot); // the writer reads the source text
    if (!s->loaded) {
        dropHistory(slot);
        return;
    }
    const size_t size =
        documentBytes(s->document) + (keepSource ? 0 : s->sourceText.size() * sizeof(char16_t));
    if (!history_.fits(size)) {
        dropHistory(slot);
        statusBar->setColumnText(kColOther, u"文档过大，超出撤销内存上限，这次替换将无法撤销");
        return;
    }
    auto e = std::make_unique<UndoEntry>(UndoEntry::Document);
    e->document = std::move(s->document);
    if (!keepSource) {
        e->source = std::move(s->sourceText);
        s->sourceText.clear();
        e->hasSource = true;
    }
    e->size = size + sizeof(UndoEntry);
    recordEntry(std::move(e));
}

void rg_ZhuChuangKou1::refreshUndoRows() {
    const int32_t slot = current() ? currentSlot_ : -1;
    treeMenu_.setEnabled(rg_ShuCaiChanLei::kUndo, history_.canUndo(slot));
    treeMenu_.setEnabled(rg_ShuCaiChanLei::kRedo, history_.canRedo(slot));
}

void rg_ZhuChuangKou1::refillItem(int32_t item, const Node& node) {
    // As 10007 rebuilds a node: its records at the item's level, its expand state kept.
    Store& store = current()->tree->store();
    const int32_t level = store.getLevel(item);
    const uint8_t expand = store.getExpandState(item);
    CKorMem records;
    const int32_t n = Store::fillFromNode(node, records, level - 1, true);
    ItemCursor cursor;
    store.replaceSubtree(item, 0, records, n, cursor);
    if (item == 0) {
        const CWString& remark = remarkNames_[size_t(currentSlot_)];
        const CWString label = remark.empty() ? CWString(kTopItemText) : remark;
        ItemCursor c;
        store.setItem(0, CWStringView(label),
                      node.nodeType() == rg_Tolvar_JSON::Object ? Store::kImageObject : Store::kImageArray,
                      -1, -1, c, true);
    }
    ItemCursor c;
    store.setItem(item, std::nullopt, Store::kKeepImage, expand, -1, c, false);
}

// Puts child `index` of `container` (item `parentItem`) into the tree: its records and those of
// one neighbour replace that neighbour, so the cost follows the child, not the container.
int32_t rg_ZhuChuangKou1::insertChildItems(int32_t parentItem, const Node& container, int32_t index) {
    Store& store = current()->tree->store();
    const int32_t level = store.getLevel(parentItem);
    ItemIndexList kids; // the items of the other children, in order
    store.enumerateChildren(parentItem, kids);
    CKorMem records;
    ItemCursor cursor;
    const int32_t count = container.childCount();
    if (size_t(index) < kids.size() && index + 1 < count) {
        const int32_t at = kids[size_t(index)];
        int32_t n = Store::fillFromNode(*container.child(index), records, level, true);
        n += Store::fillFromNode(*container.child(index + 1), records, level, true);
        store.replaceSubtree(at, 0, records, n, cursor);
        if (container.nodeType() == rg_Tolvar_JSON::Array && index + 2 < count) {
            // The later elements move up by one.
            const int32_t next = store.nextSibling(store.nextSibling(at));
            if (next >= 0) {
                ItemCursor c;
                store.shiftElementLabels(next, 1, c);
            }
        }
        return at;
    }
    if (index > 0 && size_t(index - 1) < kids.size()) {
        const int32_t at = kids[size_t(index - 1)];
        int32_t n = Store::fillFromNode(*container.child(index - 1), records, level, true);
        n += Store::fillFromNode(*container.child(index), records, level, true);
        store.replaceSubtree(at, 0, records, n, cursor);
        return store.nextSibling(at);
    }
    const int32_t n = Store::fillFromNode(container, records, level, false);
    store.replaceSubtree(parentItem, 2, records, n, cursor);
    return parentItem + 1;
}

// Applies `e` to the current slot; the item to select afterwards, -1 for none (a replaced
// document: the tree was rebuilt, as the replacement rebuilt it), -2 when the
// document has no node where the entry points (then nothing was changed).
int32_t rg_ZhuChuangKou1::applyEntry(UndoEntry& e) {
    rg_ShuCaoWei* s = current();
    Store& store = s->tree->store();
    Node& root = s->document.root();
    switch (e.kind) {
    case UndoEntry::NodeState: {
        Node* n = nodeAt(root, e.at);
        const int32_t item = itemAt(store, e.at);
        if (!n || item < 0) return -2;
        auto other = std::make_unique<Node>(*n);
        *n = *e.node;
        e.node = std::move(other);
        e.size = subtreeBytes(*e.node) + e.at.size() * sizeof(int32_t);
        refillItem(item, *n);
        return item;
    }
    case UndoEntry::Key: {
        Node* n = nodeAt(root, e.at);
        const int32_t item = itemAt(store, e.at);
        if (!n || item < 1) return -2;
        CWString other(n->keyText());
        n->setKeyRaw(e.key);
        e.key = std::move(other);
        e.size = sizeof(UndoEntry) + e.key.size() * sizeof(char16_t) + e.at.size() * sizeof(int32_t);
        relabelKeyItem(item, *n);
        return item;
    }
    case UndoEntry::Child: {
        Node* p = nodeAt(root, e.at);
        const int32_t parentItem = itemAt(store, e.at);
        if (!p || parentItem < 0) return -2;
        if (e.present) {
            std::vector<int32_t> childAt = e.at;
            childAt.push_back(e.index);
            const int32_t item = itemAt(store, childAt);
            if (e.index >= p->childCount() || item < 0) return -2;
            p->removeSlotAt(e.index);
            const CKorMem none;
            ItemCursor cursor;
            const int32_t level = store.getLevel(item);
            store.replaceSubtree(item, 0, none, 0, cursor);
            if (p->nodeType() == rg_Tolvar_JSON::Array && item < store.itemCount() &&
                store.getLevel(item) == level) {
                ItemCursor c;
                store.shiftElementLabels(item, -1, c);
            }
            e.present = false;
            return parentItem;
        }
        if (e.index > p->childCount()) return -2;
        rg_Tolvar_JSON::rg_TolvarJSONKanTao* slot = rg_Tolvar_JSON::rg_TolvarJSONKanTao::create();
        slot->node = *e.node;
        if (!p->insertSlotAt(e.index, slot)) return -2;
        e.present = true;
        return insertChildItems(parentItem, *p, e.index);
    }
    case UndoEntry::Document:
        std::swap(s->document, e.document);
        if (e.hasSource) std::swap(s->sourceText, e.source);
        // The file holds whichever text was written last; isClean() says whether that is this one.
        s->fileHoldsSource = false;
        e.size = documentBytes(e.document) + (e.hasSource ? e.source.size() * sizeof(char16_t) : 0) +
                 sizeof(UndoEntry);
        // As the replacement itself: no selection, the path box kept for a jump; showing the
        // top item would write the whole document into the pane.
        loadDocumentToTree();
        return -1;
    }
    return -2;
}

void rg_ZhuChuangKou1::undo() {
    stepHistory(true);
}
void rg_ZhuChuangKou1::redo() {
    stepHistory(false);
}

void rg_ZhuChuangKou1::stepHistory(bool back) {
    rg_ShuCaoWei* s = current();
    const int32_t slot = currentSlot_;
    auto* e = s && s->loaded ? static_cast<UndoEntry*>(back ? history_.undoTop(slot) : history_.redoTop(slot))
                             : nullptr;
    if (!e) {
        reportNodeProblem(back ? kNothingToUndo : kNothingToRedo); // status column and error beep
        refreshUndoRows();
        return;
    }
    finishSlotWrite(slot);
    Store& store = s->tree->store();
    const int32_t redraw = store.properties().autoRedraw;
    store.properties().autoRedraw = 0;
    const int32_t select = applyEntry(*e);
    store.properties().autoRedraw = redraw;
    if (select == -2) {
        // The document and the entry no longer meet: the history of this slot cannot go on.
        dropHistory(slot);
        reportNodeProblem(u"无法撤销：文档已不同于记录时的状态");
        store.redraw(-1);
        return;
    }
    if (back)
        history_.finishUndo(slot);
    else
        history_.finishRedo(slot);
    s->slotDirty = !history_.isClean(slot);
    std::swap(s->sourceParse, e->sourceParse);
    s->saveSource = s->slotDirty && s->fileAdopted && s->sourceParse &&
                    *s->sourceParse == treeMenu_.isChecked(rg_ShuCaiChanLei::kDecodeOnParse);
    store.redraw(-1);
    if (select >= 0 && select < store.itemCount()) {
        const uint64_t shown = shownNodes_;
        store.setPendingSelectionReason(ByOwner);
        store.setSelection(select);
        if (shownNodes_ == shown) { // the selection did not change: the path box and pane follow anyway
            pathBox->setContent(store.pathOfItem(select, pathMode()));
            showSelectedNode();
        }
    } else {
        store.properties().currentItem = -1;
    }
    statusBar->setColumnText(kColOther, back ? u"已撤销" : u"已重做");
    s->tree->setFocus();
    refreshUndoRows();
}

} // namespace rg_Korrin_ChengXu
