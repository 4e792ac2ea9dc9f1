// Node editing: new values, keys and members, removal.
#include <vector>

#include "json/document.h"
#include "json/node_access.h"

namespace rg_Tolvar_JSON {

using detail::NodeAccess;

void linkParents(rg_TolvarJSONJieDian& node) {
    std::vector<rg_TolvarJSONJieDian*> stack{&node};
    while (!stack.empty()) {
        rg_TolvarJSONJieDian* n = stack.back();
        stack.pop_back();
        for (uint32_t i = 0, k = NodeAccess::count(*n); i < k; ++i) {
            rg_TolvarJSONJieDian* c = NodeAccess::childAt(*n, i);
            NodeAccess::parent(*c) = n;
            if (NodeAccess::count(*c)) stack.push_back(c);
        }
    }
}

void setValueText(rg_TolvarJSONJieDian& node, CWStringView text, bool raw) {
    // A private copy: `text` may point into this node or into a child released below.
    const CWString t(trimView(text));
    node.releaseChildren();
    if (t.empty()) {
        node.setValueRaw(u"\"\"");
        node.setNodeType(Quoted);
    } else if (t[0] == u'"' || t[0] == u'\'') {
        node.setValueRaw(t);
        node.setNodeType(Quoted);
    } else if (t[0] == u'[' || t[0] == u'{') {
        node.setValueRaw(CWStringView());
        int32_t type;
        rg_TolvarJSONJieDian copy;
        {
            rg_TolvarJSONLei temp;
            type = temp.parseText(t, 1);
            copy = temp.root(); // onto the heap; the temporary document goes with its arena
        }
        // Take over the copied children.
        NodeAccess::children(node) = NodeAccess::children(copy);
        NodeAccess::flags(node) |= NodeAccess::flags(copy) & NodeAccess::kOwnsChildren;
        NodeAccess::children(copy) = nullptr;
        NodeAccess::flags(copy) &= static_cast<uint8_t>(~NodeAccess::kOwnsChildren);
        node.setNodeType(type);
        for (int32_t i = 0, n = node.childCount(); i < n; ++i)
            NodeAccess::parent(*node.child(i)) = &node;
        NodeAccess::markHeap(node);
    } else if (raw) {
        node.setValueRaw(t);
        node.setNodeType(Bare);
    } else {
        CWString quoted;
        quoted.reserve(t.size() + 2);
        quoted += u'"';
        quoted += t;
        quoted += u'"';
        node.setValueRaw(quoted);
        node.setNodeType(Quoted);
    }
}

void setKeyText(rg_TolvarJSONJieDian& node, CWStringView text, bool raw) {
    if (!raw && !isQuoted(text)) {
        CWString quoted;
        quoted.reserve(text.size() + 2);
        quoted += u'"';
        quoted += text;
        quoted += u'"';
        node.setKeyRaw(quoted);
    } else {
        node.setKeyRaw(text);
    }
}

rg_TolvarJSONJieDian* appendMember(rg_TolvarJSONJieDian& node, CWStringView key, CWStringView value) {
    const CWString k(key), v(value); // may point into the tree
    node.setNodeType(Object);
    rg_TolvarJSONJieDian* member = node.appendNewChild();
    if (!member) return nullptr;
    setKeyText(*member, k, false);
    setValueText(*member, v, false);
    return member;
}

rg_TolvarJSONJieDian* removeFromParent(rg_TolvarJSONJieDian& node) {
    rg_TolvarJSONJieDian* parent = node.parent();
    if (!parent) {
        node.reset();
        return nullptr;
    }
    for (int32_t i = 0, n = parent->childCount(); i < n; ++i) {
        if (parent->child(i) == &node) {
            parent->removeSlotAt(i);
            return parent;
        }
    }
    return nullptr;
}

rg_TolvarJSONJieDian* rg_TolvarJSONLei::removeAtPath(CWStringView path) {
    if (path.empty()) {
        root_.releaseChildren();
        return kRemovedAll;
    }
    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
    splitPath(path, segments);
    rg_TolvarJSONJieDian* found = walkPath(root_, segments, 0);
    if (!found) return nullptr;
    return removeFromParent(*found);
}

} // namespace rg_Tolvar_JSON
