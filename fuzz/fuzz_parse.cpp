// Any text: parse, write in both layouts, reparse, follow paths built from the tree's own nodes,
// read paths taken from the input, edit. Checks the tree's invariants; crashes, hangs and
// sanitizer reports are the findings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "json/document.h"

using namespace rg_Tolvar_JSON;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// First byte: 0 raw UTF-16LE units, else bytes widened one by one (Latin-1, which keeps every
// ASCII structure of the input and still reaches all 256 code units).
CWString textOf(const uint8_t* data, size_t size) {
    CWString t;
    if (size == 0) return t;
    if (data[0] == 0) {
        for (size_t i = 1; i + 1 < size; i += 2)
            t += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    } else {
        for (size_t i = 1; i < size; ++i)
            t += static_cast<char16_t>(data[i]);
    }
    return t;
}

// Parent links and, for a parsed tree, the container/scalar invariants (appendMember may leave a
// value on the node it turns into an Object); collects up to `limit` nodes; returns the depth.
int checkTree(const rg_TolvarJSONJieDian& root, std::vector<const rg_TolvarJSONJieDian*>& nodes, size_t limit,
              bool parsed = true) {
    std::vector<std::pair<const rg_TolvarJSONJieDian*, int>> stack{{&root, 0}};
    int depth = 0;
    while (!stack.empty()) {
        auto [n, d] = stack.back();
        stack.pop_back();
        depth = d > depth ? d : depth;
        if (nodes.size() < limit) nodes.push_back(n);
        check(n->nodeType() >= Bare && n->nodeType() <= Array);
        if (parsed && n->isContainer()) check(n->valueText().empty());
        if (parsed && !n->isContainer()) check(n->childCount() == 0);
        for (int32_t i = 0; i < n->childCount(); ++i) {
            check(n->child(i)->parent() == n);
            stack.push_back({n->child(i), d + 1});
        }
    }
    return depth;
}

// The path of `n` in index segments only: always leads back to `n`.
CWString indexPath(const rg_TolvarJSONJieDian* n) {
    std::vector<int32_t> idx;
    for (const rg_TolvarJSONJieDian* p = n->parent(); p; n = p, p = p->parent()) {
        for (int32_t i = 0; i < p->childCount(); ++i)
            if (p->child(i) == n) idx.push_back(i);
    }
    CWString path;
    for (size_t k = idx.size(); k-- > 0;) {
        path += u'[';
        for (char c : std::to_string(idx[k]))
            path += static_cast<char16_t>(c);
        path += u']';
    }
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 18)) return 0;
    const CWString text = textOf(data, size);
    rg_TolvarJSONLei doc;
    const int32_t type = doc.parseText(text);
    check(type == doc.root().nodeType());
    std::vector<const rg_TolvarJSONJieDian*> nodes;
    const int depth = checkTree(doc.root(), nodes, 64);

    const CWString compact = toJsonText(doc.root(), true);
    rg_TolvarJSONLei again;
    again.parseText(compact);
    std::vector<const rg_TolvarJSONJieDian*> ignored;
    checkTree(again.root(), ignored, 0);
    if (depth < 300) { // the indented text grows with the square of the depth
        const CWString indented = toJsonText(doc.root(), false);
        again.parseText(indented);
        checkTree(again.root(), ignored, 0);
    }

    // Index paths lead back to their node (the node's text only for the last few: a text costs
    // the size of the subtree).
    for (size_t i = 0; i < nodes.size(); ++i) {
        rg_TolvarJSONJieDian* holder = nullptr;
        CWString timing;
        doc.readAtPath(indexPath(nodes[i]), holder, i + 4 < nodes.size(), true, timing);
        check(holder == nodes[i]);
    }
    // Paths taken from the input: the last 24 code units, and each node's unquoted key.
    rg_TolvarJSONJieDian* holder = nullptr;
    CWString timing;
    doc.readAtPath(CWStringView(text).substr(text.size() > 24 ? text.size() - 24 : 0), holder, false,
                   depth >= 300, timing);
    doc.readAtPath(CWStringView(text).substr(0, text.size() < 24 ? text.size() : 24), holder, true, false,
                   timing);
    for (const rg_TolvarJSONJieDian* n : nodes)
        doc.readAtPath(unquote(n->keyText()), holder, true, true, timing);

    // Edits on a copy of the document, with texts from the input.
    rg_TolvarJSONLei edited(doc);
    std::vector<const rg_TolvarJSONJieDian*> targets;
    checkTree(edited.root(), targets, 8);
    CWStringView piece = CWStringView(text).substr(0, text.size() < 40 ? text.size() : 40);
    for (size_t i = 0; i < targets.size(); ++i) {
        auto* n = const_cast<rg_TolvarJSONJieDian*>(targets[i]);
        switch (i % 4) {
        case 0:
            setValueText(*n, piece, (i & 4) != 0);
            break;
        case 1:
            setKeyText(*n, piece, false);
            break;
        case 2:
            appendMember(*n, piece, piece);
            break;
        default: {
            // Keep the number of created children small (a segment may ask for up to 2^20).
            size_t arrow = piece.find(u"->");
            int32_t k = isIndexSegment(piece)         ? parsePathInteger(piece.substr(1))
                        : arrow != CWStringView::npos ? parsePathInteger(trimView(piece.substr(arrow + 2)))
                                                      : 0;
            if (k < 1000) childBySegment(*n, piece, true);
            break;
        }
        }
        targets.clear(); // the edit may have released nodes: collect again
        checkTree(edited.root(), targets, 8, false);
    }
    edited.removeAtPath(piece);
    checkTree(edited.root(), ignored, 0, false);
    toJsonText(edited.root(), depth >= 300);
    return 0;
}
