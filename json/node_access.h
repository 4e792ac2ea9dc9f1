// Engine-internal access to the node layout (parser, serializer, copies, editing).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "json/arena.h"
#include "json/node.h"

namespace rg_Tolvar_JSON::detail {

// A child block: this header, then `capacity` slot pointers of which the first `count` are used.
// Blocks built by a parse or an arena copy are exact (capacity = count) and owned by the arena;
// blocks grown by editing are malloc'd and flagged kOwnsChildren on their node.
struct ChildBlock {
    uint32_t count;
    uint32_t capacity;
    rg_TolvarJSONKanTao** slots() { return reinterpret_cast<rg_TolvarJSONKanTao**>(this + 1); }
    static size_t bytesFor(size_t capacity) { return sizeof(ChildBlock) + capacity * sizeof(void*); }
};
static_assert(sizeof(ChildBlock) == 8);

using Node = rg_TolvarJSONJieDian;
using Slot = rg_TolvarJSONKanTao;

// The text every parse writes into the root's key: "Tolvar·JSON".
extern const char16_t kRootKey[];
extern const uint32_t kRootKeyLen;

struct NodeAccess {
    using Flags = Node::Flags;
    static constexpr uint8_t kEmptyObject = Node::kEmptyObject;
    static constexpr uint8_t kOwnsText = Node::kOwnsText;
    static constexpr uint8_t kKeyInValue = Node::kKeyInValue;
    static constexpr uint8_t kOwnsChildren = Node::kOwnsChildren;
    static constexpr uint8_t kHeapSlot = Node::kHeapSlot;
    static constexpr uint8_t kDocumentRoot = Node::kDocumentRoot;
    static constexpr uint8_t kTreeOnHeap = Node::kTreeOnHeap;
    // Flags that describe where a node lives rather than what it holds.
    static constexpr uint8_t kPlacement = kHeapSlot | kDocumentRoot | kTreeOnHeap;

    static ChildBlock* block(const Node& n) { return static_cast<ChildBlock*>(n.children_); }
    static uint32_t count(const Node& n) { return n.children_ ? block(n)->count : 0; }
    static Node* childAt(const Node& n, uint32_t i) { return &block(n)->slots()[i]->node; }

    static void init(Node& n, const char16_t* text, uint32_t keyLen, uint32_t valueLen, Node* parent,
                     int32_t depth, int8_t type, uint8_t flags) {
        n.text_ = text;
        n.keyLen_ = keyLen;
        n.valueLen_ = valueLen;
        n.parent_ = parent;
        n.children_ = nullptr;
        n.depth_ = depth;
        n.type_ = type;
        n.flags_ = flags;
    }
    static uint8_t& flags(Node& n) { return n.flags_; }
    static uint8_t flags(const Node& n) { return n.flags_; }
    static const char16_t*& text(Node& n) { return n.text_; }
    static uint32_t& keyLen(Node& n) { return n.keyLen_; }
    static uint32_t& valueLen(Node& n) { return n.valueLen_; }
    static void*& children(Node& n) { return n.children_; }
    static Node*& parent(Node& n) { return n.parent_; }
    static int8_t& type(Node& n) { return n.type_; }
    static int32_t& depth(Node& n) { return n.depth_; }

    // Replaces the key and the value by a heap copy of both (either may point into the old text).
    static void setTexts(Node& n, CWStringView key, CWStringView value) { n.setTexts(key, value); }
    // Frees what the node itself owns (texts, heap child block) without looking at the children.
    static void freeOwnParts(Node& n);
    // Destroys every node below `n` (their heap parts and heap slots) and empties n's child list.
    static void destroyChildren(Node& n);
    // Marks the document holding `n` (if the parent chain reaches one) as having heap parts.
    static void markHeap(Node& n);
    // Replaces n's child block by a heap block with room for at least `need` slots.
    static ChildBlock* ensureHeapBlock(Node& n, uint32_t need);
};

// Where deep copies put their nodes and texts.
class CopyTarget {
public:
    virtual ~CopyTarget() = default;
    virtual Slot* newSlot() = 0;
    // Sets both texts of a node that owns no text yet.
    virtual void setTexts(Node& n, CWStringView key, CWStringView value) = 0;
    virtual ChildBlock* newBlock(Node& n, uint32_t count) = 0;
};

// Copies the content of `src` (type, depth, texts, subtree) into `dst`, which must have no
// children. Parents below dst are linked to their copies; dst's own parent is left alone.
void copySubtree(Node& dst, const Node& src, CopyTarget& target);

CopyTarget& heapCopyTarget();

} // namespace rg_Tolvar_JSON::detail
