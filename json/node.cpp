// Node storage: child blocks, ownership of texts, deep copies and iterative destruction.
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "json/node_access.h"

namespace rg_Tolvar_JSON {

using detail::ChildBlock;
using detail::NodeAccess;
using detail::Slot;

static_assert(sizeof(rg_TolvarJSONJieDian) == 40, "node layout");
static_assert(sizeof(rg_TolvarJSONKanTao) == sizeof(rg_TolvarJSONJieDian), "a slot is its node");

namespace {

Slot* slotOf(rg_TolvarJSONJieDian* n) {
    return reinterpret_cast<Slot*>(n);
}

class HeapCopyTarget final : public detail::CopyTarget {
public:
    Slot* newSlot() override { return rg_TolvarJSONKanTao::create(); }
    void setTexts(rg_TolvarJSONJieDian& n, CWStringView key, CWStringView value) override {
        NodeAccess::setTexts(n, key, value);
    }
    ChildBlock* newBlock(rg_TolvarJSONJieDian& n, uint32_t count) override {
        return NodeAccess::ensureHeapBlock(n, count);
    }
};

} // namespace

namespace detail {

void NodeAccess::freeOwnParts(Node& n) {
    if (n.flags_ & kOwnsText) delete[] n.text_;
    if (n.flags_ & kOwnsChildren) std::free(n.children_);
    n.flags_ &= static_cast<uint8_t>(~(kOwnsText | kKeyInValue | kOwnsChildren));
    n.text_ = nullptr;
    n.keyLen_ = n.valueLen_ = 0;
    n.children_ = nullptr;
}

void NodeAccess::destroyChildren(Node& n) {
    if (!n.children_) return;
    std::vector<Node*> stack;
    {
        ChildBlock* b = block(n);
        stack.reserve(std::min<size_t>(b->count, 4096));
        for (uint32_t i = 0; i < b->count; ++i)
            stack.push_back(&b->slots()[i]->node);
        if (n.flags_ & kOwnsChildren) std::free(b);
        n.children_ = nullptr;
        n.flags_ &= static_cast<uint8_t>(~kOwnsChildren);
    }
    while (!stack.empty()) {
        Node* m = stack.back();
        stack.pop_back();
        if (m->children_) {
            ChildBlock* b = block(*m);
            for (uint32_t i = 0; i < b->count; ++i)
                stack.push_back(&b->slots()[i]->node);
        }
        freeOwnParts(*m);
        if (m->flags_ & kHeapSlot) delete slotOf(m); // its child list is already empty
    }
}

void NodeAccess::markHeap(Node& n) {
    Node* t = &n;
    while (t->parent_)
        t = t->parent_;
    if (t->flags_ & kDocumentRoot) t->flags_ |= kTreeOnHeap;
}

ChildBlock* NodeAccess::ensureHeapBlock(Node& n, uint32_t need) {
    ChildBlock* old = block(n);
    if (old && (n.flags_ & kOwnsChildren) && old->capacity >= need) return old;
    uint32_t count = old ? old->count : 0;
    uint64_t cap = std::max<uint64_t>({4, need, count});
    cap = std::bit_ceil(cap);
    if (cap > 0xFFFFFFFFu) cap = 0xFFFFFFFFu;
    auto* b = static_cast<ChildBlock*>(std::malloc(ChildBlock::bytesFor(cap)));
    if (!b) throw std::bad_alloc();
    b->count = count;
    b->capacity = static_cast<uint32_t>(cap);
    if (count) std::memcpy(b->slots(), old->slots(), count * sizeof(void*));
    if (n.flags_ & kOwnsChildren) std::free(old);
    n.children_ = b;
    n.flags_ |= kOwnsChildren;
    return b;
}

void copySubtree(Node& dst, const Node& src, CopyTarget& target) {
    NodeAccess::type(dst) = static_cast<int8_t>(src.nodeType());
    NodeAccess::depth(dst) = src.depth();
    target.setTexts(dst, src.keyText(), src.valueText());
    if (!NodeAccess::count(src)) return;
    struct Pending {
        Node* dst;
        const Node* src;
    };
    std::vector<Pending> stack{{&dst, &src}};
    while (!stack.empty()) {
        Pending p = stack.back();
        stack.pop_back();
        uint32_t n = NodeAccess::count(*p.src);
        ChildBlock* b = target.newBlock(*p.dst, n);
        b->count = 0;
        for (uint32_t i = 0; i < n; ++i) {
            const Node& sc = *NodeAccess::childAt(*p.src, i);
            Slot* slot = target.newSlot();
            Node& c = slot->node;
            NodeAccess::type(c) = static_cast<int8_t>(sc.nodeType());
            NodeAccess::depth(c) = sc.depth();
            NodeAccess::parent(c) = p.dst;
            b->slots()[i] = slot;
            b->count = i + 1; // keeps the tree consistent if an allocation below throws
            target.setTexts(c, sc.keyText(), sc.valueText());
            if (NodeAccess::count(sc)) stack.push_back({&c, &sc});
        }
    }
}

CopyTarget& heapCopyTarget() {
    static HeapCopyTarget target;
    return target;
}

} // namespace detail

// ---- node ----

rg_TolvarJSONJieDian::rg_TolvarJSONJieDian(const rg_TolvarJSONJieDian& other) {
    detail::copySubtree(*this, other, detail::heapCopyTarget());
}

rg_TolvarJSONJieDian& rg_TolvarJSONJieDian::operator=(const rg_TolvarJSONJieDian& other) {
    if (this == &other) return *this;
    rg_TolvarJSONJieDian tmp(other); // `other` may live inside this subtree
    NodeAccess::destroyChildren(*this);
    NodeAccess::freeOwnParts(*this);
    text_ = tmp.text_;
    keyLen_ = tmp.keyLen_;
    valueLen_ = tmp.valueLen_;
    children_ = tmp.children_;
    depth_ = tmp.depth_;
    type_ = tmp.type_;
    constexpr uint8_t owned = NodeAccess::kOwnsText | NodeAccess::kKeyInValue | NodeAccess::kOwnsChildren;
    flags_ = static_cast<uint8_t>((flags_ & NodeAccess::kPlacement) | (tmp.flags_ & owned));
    tmp.flags_ &= static_cast<uint8_t>(~owned);
    tmp.children_ = nullptr;
    tmp.text_ = nullptr;
    for (int32_t i = 0, n = childCount(); i < n; ++i)
        child(i)->parent_ = this;
    NodeAccess::markHeap(*this);
    return *this;
}

rg_TolvarJSONJieDian::~rg_TolvarJSONJieDian() {
    NodeAccess::destroyChildren(*this);
    NodeAccess::freeOwnParts(*this);
}

int32_t rg_TolvarJSONJieDian::childCount() const {
    return static_cast<int32_t>(NodeAccess::count(*this));
}

rg_TolvarJSONJieDian* rg_TolvarJSONJieDian::child(int32_t i) const {
    if (i < 0 || static_cast<uint32_t>(i) >= NodeAccess::count(*this)) return nullptr;
    return NodeAccess::childAt(*this, static_cast<uint32_t>(i));
}

rg_TolvarJSONKanTao* rg_TolvarJSONJieDian::slot(int32_t i) const {
    if (i < 0 || static_cast<uint32_t>(i) >= NodeAccess::count(*this)) return nullptr;
    return NodeAccess::block(*this)->slots()[i];
}

// One heap block for both texts: key characters, then value characters.
void rg_TolvarJSONJieDian::setTexts(CWStringView key, CWStringView value) {
    if (key.size() > 0xFFFFFFFFu || value.size() > 0xFFFFFFFFu)
        return; // longer than any parsed text: refused
    const size_t n = key.size() + value.size();
    char16_t* p = n ? new char16_t[n] : nullptr;
    if (!key.empty()) std::memcpy(p, key.data(), key.size() * 2);
    if (!value.empty()) std::memcpy(p + key.size(), value.data(), value.size() * 2);
    if (flags_ & kOwnsText) delete[] text_;
    text_ = p;
    keyLen_ = static_cast<uint32_t>(key.size());
    valueLen_ = static_cast<uint32_t>(value.size());
    flags_ = static_cast<uint8_t>((flags_ & ~(kOwnsText | kKeyInValue)) | (p ? kOwnsText : 0));
    if (p) NodeAccess::markHeap(*this);
}

void rg_TolvarJSONJieDian::setKeyRaw(CWStringView text) {
    setTexts(text, valueText());
}

void rg_TolvarJSONJieDian::setValueRaw(CWStringView text) {
    setTexts(keyText(), text);
}

void rg_TolvarJSONJieDian::setEmptyObjectFlag(bool on) {
    flags_ = static_cast<uint8_t>(on ? (flags_ | kEmptyObject) : (flags_ & ~kEmptyObject));
}

rg_TolvarJSONJieDian* rg_TolvarJSONJieDian::appendSlot(rg_TolvarJSONKanTao* slot) {
    uint32_t n = NodeAccess::count(*this);
    if (n == 0xFFFFFFFFu) {
        rg_TolvarJSONKanTao::destroy(slot);
        return nullptr;
    }
    ChildBlock* b = NodeAccess::ensureHeapBlock(*this, n + 1);
    slot->node.flags_ |= kHeapSlot;
    slot->node.parent_ = this;
    b->slots()[b->count++] = slot;
    NodeAccess::markHeap(*this);
    return &slot->node;
}

rg_TolvarJSONJieDian* rg_TolvarJSONJieDian::insertSlotAt(int32_t i, rg_TolvarJSONKanTao* slot) {
    const uint32_t n = NodeAccess::count(*this);
    if (i < 0 || static_cast<uint32_t>(i) > n) {
        rg_TolvarJSONKanTao::destroy(slot);
        return nullptr;
    }
    rg_TolvarJSONJieDian* added = appendSlot(slot);
    if (added == nullptr) return nullptr;
    ChildBlock* b = NodeAccess::block(*this);
    std::memmove(b->slots() + i + 1, b->slots() + i, (n - static_cast<uint32_t>(i)) * sizeof(void*));
    b->slots()[i] = slot;
    return added;
}

rg_TolvarJSONJieDian* rg_TolvarJSONJieDian::appendNewChild() {
    return appendSlot(rg_TolvarJSONKanTao::create());
}

bool rg_TolvarJSONJieDian::removeSlotAt(int32_t i) {
    uint32_t n = NodeAccess::count(*this);
    if (i < 0 || static_cast<uint32_t>(i) >= n) return false;
    ChildBlock* b = NodeAccess::block(*this);
    rg_TolvarJSONJieDian* c = &b->slots()[i]->node;
    std::memmove(b->slots() + i, b->slots() + i + 1, (n - static_cast<uint32_t>(i) - 1) * sizeof(void*));
    b->count = n - 1;
    NodeAccess::destroyChildren(*c);
    NodeAccess::freeOwnParts(*c);
    if (c->flags_ & kHeapSlot) delete slotOf(c);
    return true;
}

void rg_TolvarJSONJieDian::releaseChildren() {
    NodeAccess::destroyChildren(*this);
}

void rg_TolvarJSONJieDian::reset() {
    NodeAccess::destroyChildren(*this);
    NodeAccess::freeOwnParts(*this);
    depth_ = 0;
    type_ = Bare;
    parent_ = nullptr;
    flags_ &= static_cast<uint8_t>(kHeapSlot | kDocumentRoot); // the tree is only this node now
}

// ---- slot ----

rg_TolvarJSONKanTao* rg_TolvarJSONKanTao::create() {
    auto* s = new rg_TolvarJSONKanTao;
    s->node.flags_ |= rg_TolvarJSONJieDian::kHeapSlot;
    return s;
}

void rg_TolvarJSONKanTao::destroy(rg_TolvarJSONKanTao* slot) {
    delete slot;
}

// ---- lookup-failure node ----

rg_TolvarJSONJieDian& lookupFailureNode() {
    static rg_TolvarJSONJieDian node;
    // Reset only when someone changed it, so that lookups from several threads only read it.
    if (node.nodeType() != Bare || node.childCount() != 0 || !node.keyText().empty() ||
        !node.valueText().empty() || node.depth() != 0 || node.parent() != nullptr || !node.isEmptyObject()) {
        node.reset();
        node.setEmptyObjectFlag(true);
    }
    return node;
}

} // namespace rg_Tolvar_JSON
