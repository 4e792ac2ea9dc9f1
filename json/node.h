// The JSON node model: nodes, child slots and the string helpers of the engine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/types.h"

namespace rg_Tolvar_JSON {

enum NodeKind : int32_t { Bare = 0, Quoted = 1, Object = 2, Array = 3 };

class rg_TolvarJSONKanTao;
class rg_TolvarJSONLei;
namespace detail {
struct NodeAccess;
}

// rg_TolvarJSONJieDian: one node of a JSON tree — an object member, an array element or a
// container. Keys and scalar values are kept exactly as written in the source (quotes, escapes and
// number digits included); nothing is decoded.
//
// Invariants: `Bare`/`Quoted` nodes have no children after a parse; containers have an empty
// value. Every child's parent() is the node whose child list holds it (unless the tree was parsed
// with parent links skipped).
//
// Ownership: a node owns its child slots and through them the whole subtree; parent() is a back
// reference. Nodes built by a parse live in their document's arena and their texts are views into
// it; an edited node holds heap texts of its own. Copying a node copies the whole subtree onto the
// heap; the children of the copy point at the copy, the copy itself has no parent.
//
// Threads: one thread at a time per tree. Reading accessors never write.
//
// Layout: 40 bytes. The key and the value share one text block (key characters, then value
// characters; or, for tokens cut from one quoted run, the key is a prefix of the value); the child
// list is one block holding its count followed by the slot pointers (node_access.h).
class rg_TolvarJSONJieDian {
public:
    rg_TolvarJSONJieDian() noexcept = default;
    rg_TolvarJSONJieDian(const rg_TolvarJSONJieDian& other);
    // Deep assignment. The target keeps its own place in its tree (its parent), so assigning into a
    // node of a document never breaks that document's links.
    rg_TolvarJSONJieDian& operator=(const rg_TolvarJSONJieDian& other);
    ~rg_TolvarJSONJieDian();

    int32_t nodeType() const { return type_; }
    // Views stay valid until this node is changed or destroyed.
    CWStringView keyText() const { return CWStringView(text_, keyLen_); }
    CWStringView valueText() const {
        return CWStringView((flags_ & kKeyInValue) ? text_ : text_ + keyLen_, valueLen_);
    }
    int32_t depth() const { return depth_; }
    rg_TolvarJSONJieDian* parent() const { return parent_; }
    int32_t childCount() const;
    rg_TolvarJSONJieDian* child(int32_t i) const; // 0 <= i < childCount()
    rg_TolvarJSONKanTao* slot(int32_t i) const;   // the slot holding child(i)
    bool isEmptyObject() const { return (flags_ & kEmptyObject) != 0; }
    bool isContainer() const { return type_ == Object || type_ == Array; }

    // Plain field writers: no quoting rules, no re-linking. The editing operations (setValueText,
    // setKeyText, ...) are what the commands use. Edits of a parsed node find their document through
    // the parent chain (to free its heap parts with it), so setParent must keep that chain intact.
    void setNodeType(int32_t type) { type_ = static_cast<int8_t>(type); }
    void setKeyRaw(CWStringView text);
    void setValueRaw(CWStringView text);
    void setDepth(int32_t depth) { depth_ = depth; }
    void setParent(rg_TolvarJSONJieDian* parent) { parent_ = parent; }
    void setEmptyObjectFlag(bool on);

    // Appends a slot made by rg_TolvarJSONKanTao::create() (or otherwise with new); ownership passes
    // to this node, the slot's node gets this node as parent. Returns that node.
    rg_TolvarJSONJieDian* appendSlot(rg_TolvarJSONKanTao* slot);
    // Inserts a slot made by rg_TolvarJSONKanTao::create() at position i (0 <= i <= childCount());
    // later slots move down. Ownership passes as with appendSlot. Null (slot destroyed) when i is
    // out of range or the list is full.
    rg_TolvarJSONJieDian* insertSlotAt(int32_t i, rg_TolvarJSONKanTao* slot);
    // Appends a fresh node from the slot factory.
    rg_TolvarJSONJieDian* appendNewChild();
    // Removes the slot at i (destroying its subtree); later slots move up. False when out of range.
    bool removeSlotAt(int32_t i);
    // Releases all children (destroying their subtrees).
    void releaseChildren();
    // Back to a fresh node: children released, Bare, empty key and value, depth 0, no parent.
    void reset();

private:
    friend struct detail::NodeAccess;
    friend class rg_TolvarJSONKanTao;

    enum Flags : uint8_t {
        kEmptyObject = 1,   // the lookup-failure flag
        kOwnsText = 2,      // text_ was allocated with new[] by this node
        kKeyInValue = 4,    // the key is a prefix of the value: both start at text_
        kOwnsChildren = 8,  // children_ is a heap block (else arena or null)
        kHeapSlot = 16,     // this node sits in a slot made by new (else arena, document or stack)
        kDocumentRoot = 32, // root of a document; kTreeOnHeap below is meaningful
        kTreeOnHeap = 64,   // root only: some node of the tree owns heap memory
    };
    void setTexts(CWStringView key, CWStringView value);

    const char16_t* text_ = nullptr;
    uint32_t keyLen_ = 0;
    uint32_t valueLen_ = 0;
    rg_TolvarJSONJieDian* parent_ = nullptr;
    void* children_ = nullptr; // child block (node_access.h)
    int32_t depth_ = 0;
    int8_t type_ = Bare;
    uint8_t flags_ = 0;
};

// rg_TolvarJSONKanTao: the child slot, a holder of exactly one node. Child lists are lists of slots;
// new children come from create(). Copying a slot copies its node (deep).
class rg_TolvarJSONKanTao {
public:
    rg_TolvarJSONKanTao() = default;
    rg_TolvarJSONKanTao(const rg_TolvarJSONKanTao& other) = default;
    rg_TolvarJSONKanTao& operator=(const rg_TolvarJSONKanTao& other) = default;

    // The slot factory: a heap slot with a fresh node, to be handed to appendSlot.
    static rg_TolvarJSONKanTao* create();
    // Frees a slot made by create() that was never appended.
    static void destroy(rg_TolvarJSONKanTao* slot);

    rg_TolvarJSONJieDian node;
};

// The shared lookup-failure node: returned (reset, with its empty-object flag set) by lookups that
// find nothing. Callers test isEmptyObject() and never keep or change it.
rg_TolvarJSONJieDian& lookupFailureNode();

// ---- string helpers ----
// Drops the first and the last character when the text begins with a quote, then trims.
CWString unquote(CWStringView text);
CWStringView unquoteView(CWStringView text); // the same, as a view into `text`
bool isQuoted(CWStringView text);            // non-empty and begins with " or '
bool isIndexSegment(CWStringView text);      // non-empty, begins with [ and ends with ]
CWString trimText(CWStringView text);        // removes code units <= 0x20 at both ends
CWStringView trimView(CWStringView text);
// Reads a decimal integer like C's atoi: leading white space (space, \t \n \v \f \r), an optional
// sign, digits up to the first non-digit; saturates to the int32 range; 0 when there are no digits.
int32_t parsePathInteger(CWStringView text);

// ---- serializer ----
// A scalar: its unquoted value. A container: its JSON text, indented (two spaces, CR LF) or
// compact. The indented layout grows with the square of the nesting depth; when it would exceed
// kMaxIndentedLength code units the compact layout is returned instead.
CWString toJsonText(const rg_TolvarJSONJieDian& node, bool compact);
// The same into `out` (its content replaced, its storage reused): a caller that writes large texts
// again and again keeps one buffer instead of faulting fresh pages in each time.
void toJsonText(const rg_TolvarJSONJieDian& node, bool compact, CWString& out);
inline constexpr uint64_t kMaxIndentedLength = uint64_t(1) << 31;
// Appends the children of `node` as members at `depth` to `out`.
void writeMembers(const rg_TolvarJSONJieDian& node, CWString& out, int32_t depth, bool compact);
// `sum` plus the key characters of the subtree and the value characters of its scalars
// (saturating at INT32_MAX; the 64-bit form does not saturate).
int32_t estimateTextLength(const rg_TolvarJSONJieDian& node, int32_t sum);
uint64_t estimateTextLength64(const rg_TolvarJSONJieDian& node);

// ---- paths ----
void splitPath(CWStringView path, rg_Korrin_JiBen::rg_WenBenShuZuLei& segments);
// The child named by one segment ([n] or key->n). Without `create` a miss gives the lookup-failure
// node. With `create` missing members or elements are appended (at most kMaxCreatedChildren per
// call; beyond that, and for a negative occurrence number, nothing is created and the
// lookup-failure node is returned).
rg_TolvarJSONJieDian* childBySegment(rg_TolvarJSONJieDian& node, CWStringView segment, bool create);
inline constexpr int64_t kMaxCreatedChildren = int64_t(1) << 20;
// Follows segments[index..] from `node` without creating; null when a segment is not found.
rg_TolvarJSONJieDian* walkPath(rg_TolvarJSONJieDian& node, const rg_Korrin_JiBen::rg_WenBenShuZuLei& segments,
                               size_t index = 0);

// ---- editing ----
// Sets every child's parent to its container, through the whole subtree.
void linkParents(rg_TolvarJSONJieDian& node);
void setValueText(rg_TolvarJSONJieDian& node, CWStringView text, bool raw);
void setKeyText(rg_TolvarJSONJieDian& node, CWStringView text, bool raw);
// Appends a member (key quoted unless it is already, value as setValueText with raw clear) and
// makes the node an Object. Returns the new member.
rg_TolvarJSONJieDian* appendMember(rg_TolvarJSONJieDian& node, CWStringView key, CWStringView value);
// Removes the node from its container and returns the container; a node without a parent is
// reset and null is returned. `node` is destroyed when it had a container.
rg_TolvarJSONJieDian* removeFromParent(rg_TolvarJSONJieDian& node);

} // namespace rg_Tolvar_JSON
