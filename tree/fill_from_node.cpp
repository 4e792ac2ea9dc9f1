// Building item records from a JSON node's subtree.
#include <vector>

#include "json/node.h"
#include "tree/item_record.h"
#include "tree/item_store.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using namespace item_record;
using rg_Tolvar_JSON::rg_TolvarJSONJieDian;

namespace {

bool isContainer(const rg_TolvarJSONJieDian& n) {
    return n.nodeType() == rg_Tolvar_JSON::Object || n.nodeType() == rg_Tolvar_JSON::Array;
}

int32_t imageOf(const rg_TolvarJSONJieDian& n) {
    switch (n.nodeType()) {
    case rg_Tolvar_JSON::Object: return rg_TolvarShuXingKuangCunChu::kImageObject;
    case rg_Tolvar_JSON::Array: return rg_TolvarShuXingKuangCunChu::kImageArray;
    default: return rg_TolvarShuXingKuangCunChu::kImageValue;
    }
}

void appendDecimal(CWString& out, int32_t i) {
    char16_t tmp[12];
    int n = 0;
    do {
        tmp[n++] = static_cast<char16_t>(u'0' + i % 10);
        i /= 10;
    } while (i > 0);
    while (n > 0) out.push_back(tmp[--n]);
}

// The label of a child: under an object "key:value" / "key", under anything else "[i]:value" / "[i]".
// Returns the record's keyInfo: where the key ends (a key may hold ':' itself) or that it is "[i]".
int32_t labelOf(const rg_TolvarJSONJieDian& child, bool parentIsObject, int32_t i, CWString& out) {
    out.clear();
    int32_t keyInfo = kKeyInfoElement;
    if (parentIsObject) {
        out.append(rg_Tolvar_JSON::unquoteView(child.keyText()));
        keyInfo = memberKeyInfo(out.size());
    } else {
        out.push_back(u'[');
        appendDecimal(out, i);
        out.push_back(u']');
    }
    if (!isContainer(child)) {
        out.push_back(u':');
        out.append(child.valueText());
    }
    return keyInfo;
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

    // No sizing pass: the buffer grows geometrically, which measured no slower than walking the
    // tree twice to reserve the exact size.
    int32_t count = 0;
    CWString label;
    if (includeNode) {
        const int32_t keyInfo = labelOf(node, includedUnderObject, includedIndex, label);
        if (!writeRecord(buffer, label, imageOf(node), level + 1, 0, 0, keyInfo)) return 0;
        ++count;
        if (!isContainer(node)) return count;
    }
    auto write = [&](const rg_TolvarJSONJieDian& child, bool underObject, int32_t i, int32_t childLevel) {
        const int32_t keyInfo = labelOf(child, underObject, i, label);
        if (!writeRecord(buffer, label, imageOf(child), childLevel, 0, 0, keyInfo)) return false;
        ++count;
        return true;
    };
    walkChildren(node, includeNode ? level + 1 : level, stack, write);
    return count;
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
