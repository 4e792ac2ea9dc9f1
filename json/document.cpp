// The document: root ownership, arena lifetime, copies.
#include "json/document.h"

#include <cstring>

#include "json/node_access.h"

namespace rg_Tolvar_JSON {

using detail::ChildBlock;
using detail::NodeAccess;
using detail::Slot;
using Node = rg_TolvarJSONJieDian;

namespace detail {

const char16_t kRootKey[] = u"Tolvar\u00B7JSON";
const uint32_t kRootKeyLen = 11;

namespace {

// Deep copies into a document's arena.
class ArenaCopyTarget final : public CopyTarget {
public:
    explicit ArenaCopyTarget(Arena& arena) : arena_(arena) {}
    Slot* newSlot() override { return new (arena_.allocRecord(sizeof(Slot))) Slot(); }
    void setTexts(Node& n, CWStringView key, CWStringView value) override {
        NodeAccess::text(n) = arena_.copyTexts(key.data(), key.size(), value.data(), value.size());
        NodeAccess::keyLen(n) = static_cast<uint32_t>(key.size());
        NodeAccess::valueLen(n) = static_cast<uint32_t>(value.size());
    }
    ChildBlock* newBlock(Node& n, uint32_t count) override {
        auto* b = static_cast<ChildBlock*>(arena_.allocRecord(ChildBlock::bytesFor(count)));
        b->count = 0;
        b->capacity = count;
        NodeAccess::children(n) = b;
        return b;
    }

private:
    Arena& arena_;
};

} // namespace
} // namespace detail

rg_TolvarJSONJieDian* const rg_TolvarJSONLei::kRemovedAll =
    reinterpret_cast<rg_TolvarJSONJieDian*>(static_cast<intptr_t>(-1));

rg_TolvarJSONLei::rg_TolvarJSONLei() {
    NodeAccess::flags(root_) |= NodeAccess::kDocumentRoot;
}

rg_TolvarJSONLei::rg_TolvarJSONLei(const rg_TolvarJSONLei& other) : rg_TolvarJSONLei() {
    *this = other;
}

rg_TolvarJSONLei& rg_TolvarJSONLei::operator=(const rg_TolvarJSONLei& other) {
    if (this == &other) return *this;
    releaseTree();
    if (!arena_) arena_ = std::make_unique<detail::Arena>();
    detail::ArenaCopyTarget target(*arena_);
    detail::copySubtree(root_, other.root_, target);
    arena_->trimSpare();
    for (int32_t i = 0, n = root_.childCount(); i < n; ++i)
        NodeAccess::parent(*root_.child(i)) = &root_;
    chunkSizeKiB = other.chunkSizeKiB;
    streamEncoding = other.streamEncoding;
    topLevelValues_ = other.topLevelValues_;
    return *this;
}

rg_TolvarJSONLei::rg_TolvarJSONLei(rg_TolvarJSONLei&& other) noexcept : rg_TolvarJSONLei() {
    adoptFrom(other);
}

rg_TolvarJSONLei& rg_TolvarJSONLei::operator=(rg_TolvarJSONLei&& other) noexcept {
    if (this != &other) {
        releaseTree();
        adoptFrom(other);
    }
    return *this;
}

// Takes over other's tree and arena; the root's children are re-linked to this root.
void rg_TolvarJSONLei::adoptFrom(rg_TolvarJSONLei& other) noexcept {
    constexpr uint8_t content = NodeAccess::kOwnsText | NodeAccess::kKeyInValue | NodeAccess::kOwnsChildren |
                                NodeAccess::kTreeOnHeap | NodeAccess::kEmptyObject;
    Node& a = root_;
    Node& b = other.root_;
    NodeAccess::text(a) = NodeAccess::text(b);
    NodeAccess::keyLen(a) = NodeAccess::keyLen(b);
    NodeAccess::valueLen(a) = NodeAccess::valueLen(b);
    NodeAccess::children(a) = NodeAccess::children(b);
    NodeAccess::type(a) = NodeAccess::type(b);
    NodeAccess::depth(a) = NodeAccess::depth(b);
    NodeAccess::flags(a) = static_cast<uint8_t>(NodeAccess::kDocumentRoot | (NodeAccess::flags(b) & content));
    NodeAccess::flags(b) = NodeAccess::kDocumentRoot;
    NodeAccess::text(b) = nullptr;
    NodeAccess::keyLen(b) = NodeAccess::valueLen(b) = 0;
    NodeAccess::children(b) = nullptr;
    NodeAccess::type(b) = Bare;
    NodeAccess::depth(b) = 0;
    for (int32_t i = 0, n = a.childCount(); i < n; ++i) {
        Node* c = a.child(i);
        if (NodeAccess::parent(*c) == &b) NodeAccess::parent(*c) = &a;
    }
    arena_ = std::move(other.arena_);
    chunkSizeKiB = other.chunkSizeKiB;
    topLevelValues_ = other.topLevelValues_;
    streamEncoding = other.streamEncoding;
}

rg_TolvarJSONLei::~rg_TolvarJSONLei() {
    releaseTree();
    if (arena_) arena_->release();
}

void rg_TolvarJSONLei::reset() {
    releaseTree();
    if (arena_) arena_->release();
    length = 0;
    streamLength = 0;
    streamEncoding = 0;
    resultBytes.release();
    chunkSizeKiB = 10240;
    chunkOffset = 0;
    chunkBytes.release();
}

// Empties the root and frees the arena. A tree in which no node owns heap memory is freed by
// releasing the arena's chunks alone; otherwise every node is visited first.
void rg_TolvarJSONLei::releaseTree() {
    if (NodeAccess::flags(root_) & NodeAccess::kTreeOnHeap) {
        root_.reset();
    } else {
        NodeAccess::children(root_) = nullptr; // arena block: nothing of it is on the heap
        root_.reset();
    }
    NodeAccess::flags(root_) = NodeAccess::kDocumentRoot;
    if (arena_) arena_->recycle(); // kept for the next parse; reset() and destruction free it
}

size_t rg_TolvarJSONLei::arenaBytes() const {
    return arena_ ? arena_->bytes() : 0;
}

} // namespace rg_Tolvar_JSON
