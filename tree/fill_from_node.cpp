// Building item records from a JSON node's subtree.
#include <cstring>
#include <vector>

#include "tree/item_record.h"
#include "tree/item_store.h"
#include "json/node.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using namespace item_record;
using rg_Tolvar_JSON::rg_TolvarJSONJieDian;

namespace {

bool isContainer(const rg_TolvarJSONJieDian& n) {
    return n.nodeType() == rg_Tolvar_JSON::Object || n.nodeType() == rg_Tolvar_JSON::Array;
}

int32_t imageOf(const rg_TolvarJSONJieDian& n) {
    switch (n.nodeType()) {
    case rg_Tolvar_JSON::Object:
        return rg_TolvarShuXingKuangCunChu::kImageObject;
    case rg_Tolvar_JSON::Array:
        return rg_TolvarShuXingKuangCunChu::kImageArray;
    default:
        return rg_TolvarShuXingKuangCunChu::kImageValue;
    }
}

// "[i]" into `out` (room for 13 units); returns the units written.
size_t elementLabel(char16_t* out, int32_t i) {
    char16_t tmp[11];
    int n = 0;
    uint32_t v = static_cast<uint32_t>(i < 0 ? 0 : i);
    do {
        tmp[n++] = static_cast<char16_t>(u'0' + v % 10);
        v /= 10;
    } while (v > 0);
    size_t k = 0;
    out[k++] = u'[';
    while (n > 0)
        out[k++] = tmp[--n];
    out[k++] = u']';
    return k;
}

// Appends the record of `child` with its text written in place: under an object "key:value" /
// "key", under anything else "[i]:value" / "[i]". keyInfo says where the key ends (a key may hold
// ':' itself) or that the item is "[i]". False (nothing appended) when the buffer is full.
bool writeItem(CKorMem& buffer, const rg_TolvarJSONJieDian& child, bool parentIsObject, int32_t i,
               int32_t level) {
    char16_t element[13];
    CWStringView key;
    int32_t keyInfo = kKeyInfoElement;
    if (parentIsObject) {
        key = rg_Tolvar_JSON::unquoteView(child.keyText());
        keyInfo = memberKeyInfo(key.size());
    } else {
        key = CWStringView(element, elementLabel(element, i));
    }
    const bool scalar = !isContainer(child);
    const CWStringView value = scalar ? child.valueText() : CWStringView();
    const size_t units = key.size() + (scalar ? 1 + value.size() : 0);
    const int64_t bytes = recordBytes(units);
    if (static_cast<int64_t>(buffer.size()) + bytes > kMaxBufferBytes) return false;
    uint8_t* const p = buffer.extend(static_cast<size_t>(bytes));
    uint8_t* q = p;
    if (!key.empty()) std::memcpy(q, key.data(), key.size() * 2);
    q += key.size() * 2;
    if (scalar) {
        const char16_t colon = u':';
        std::memcpy(q, &colon, 2);
        q += 2;
        if (!value.empty()) std::memcpy(q, value.data(), value.size() * 2);
    }
    finishRecord(p, units, imageOf(child), level, 0, 0, keyInfo);
    return true;
}

struct Frame {
    const rg_TolvarJSONJieDian* node;
    int32_t next;  // next child to visit
    int32_t level; // level of the node's children - 1
    bool isObject;
};

// Pre-order walk over the children of `top` (and their subtrees) without recursion.
template <typename Visit>
void walkChildren(const rg_TolvarJSONJieDian& top, int32_t level, std::vector<Frame>& stack, Visit&& visit) {
    stack.clear();
    stack.push_back({&top, 0, level, top.nodeType() == rg_Tolvar_JSON::Object});
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next >= f.node->childCount()) {
            stack.pop_back();
            continue;
        }
        const int32_t i = f.next++;
        const rg_TolvarJSONJieDian* child = f.node->child(i);
        if (child == nullptr) continue;
        const int32_t childLevel = f.level + 1;
        if (!visit(*child, f.isObject, i, childLevel)) return;
        if (isContainer(*child) && child->childCount() > 0)
            stack.push_back({child, 0, childLevel, child->nodeType() == rg_Tolvar_JSON::Object});
    }
}

// Where an included node sits: under an object (its key labels it) or at position i of an array.
// A node without a parent is labelled as an object member.
void placeOf(const rg_TolvarJSONJieDian& node, bool& parentIsObject, int32_t& index) {
    parentIsObject = true;
    index = 0;
    const rg_TolvarJSONJieDian* p = node.parent();
    if (p == nullptr) return;
    parentIsObject = p->nodeType() == rg_Tolvar_JSON::Object;
    for (int32_t i = 0; i < p->childCount(); ++i) {
        if (p->child(i) == &node) {
            index = i;
            return;
        }
    }
}

} // namespace

int32_t rg_TolvarShuXingKuangCunChu::fillFromNode(const Node& node, CKorMem& buffer, int32_t level,
                                                  bool includeNode) {
    std::vector<Frame> stack;
    bool includedUnderObject = true;
    int32_t includedIndex = 0;
    if (includeNode) placeOf(node, includedUnderObject, includedIndex);

    // No sizing pass: the buffer grows from the step the caller set, and large blocks grow in
    // place (their pages are remapped, not copied), so reserving the exact size first only adds a
    // second walk over the nodes. Texts are written straight into the buffer, with no label built
    // on the side.
    int32_t count = 0;
    if (includeNode) {
        if (!writeItem(buffer, node, includedUnderObject, includedIndex, level + 1)) return 0;
        ++count;
        if (!isContainer(node)) return count;
    }
    auto write = [&](const rg_TolvarJSONJieDian& child, bool underObject, int32_t i, int32_t childLevel) {
        if (!writeItem(buffer, child, underObject, i, childLevel)) return false;
        ++count;
        return true;
    };
    walkChildren(node, includeNode ? level + 1 : level, stack, write);
    return count;
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
