// JSON paths: splitting, one-segment lookup (optionally creating), walking and reading.
#include <climits>

#include "text/elapsed_time.h"
#include "json/document.h"
#include "json/node_access.h"

namespace rg_Tolvar_JSON {

using detail::NodeAccess;

void splitPath(CWStringView path, rg_Korrin_JiBen::rg_WenBenShuZuLei& segments) {
    segments.clear();
    if (path.empty()) return;
    // A '[' not at the start and not after '.' or '\' starts a segment of its own.
    CWString p;
    p.reserve(path.size() + 8);
    for (size_t i = 0; i < path.size(); ++i) {
        char16_t c = path[i];
        if (c == u'[' && i > 0 && path[i - 1] != u'.' && path[i - 1] != u'\\') p += u'.';
        p += c;
    }
    size_t from = 0;
    for (;;) {
        size_t dot = p.find(u'.', from);
        CWStringView piece =
            CWStringView(p).substr(from, dot == CWString::npos ? CWString::npos : dot - from);
        CWStringView trimmed = trimView(piece);
        CWString seg;
        seg.reserve(trimmed.size());
        for (size_t i = 0; i < trimmed.size();) {
            if (trimmed.substr(i, 4) == u"#46#") {
                seg += u'.';
                i += 4;
            } else {
                seg += trimmed[i++];
            }
        }
        segments.push_back(std::move(seg));
        if (dot == CWString::npos) break;
        from = dot + 1;
    }
    if (segments.size() >= 2 && segments[0].size() >= 2 && segments[0][0] == u'/' && segments[0][1] == u'/') {
        if (segments[0].size() == 2)
            segments.erase(segments.begin());
        else
            segments[0].erase(0, 2);
    }
}

namespace {

// The key and occurrence number of a key segment: text before the first "->" and the integer
// read from the trimmed text after it (0 without "->").
void splitKeySegment(CWStringView segment, CWStringView& key, int32_t& occurrence) {
    size_t arrow = segment.find(u"->");
    if (arrow == CWStringView::npos) {
        key = segment;
        occurrence = 0;
    } else {
        key = segment.substr(0, arrow);
        occurrence = parsePathInteger(trimView(segment.substr(arrow + 2)));
    }
}

rg_TolvarJSONJieDian* failure() {
    return &lookupFailureNode();
}

} // namespace

rg_TolvarJSONJieDian* childBySegment(rg_TolvarJSONJieDian& node, CWStringView segment, bool create) {
    const int64_t count = node.childCount();
    if (isIndexSegment(segment)) {
        const int32_t n = parsePathInteger(segment.substr(1));
        if (n >= 0 && n < count) return node.child(n);
        if (!create) return failure();
        if (n < 0) return &node;
        if (n - count + 1 > kMaxCreatedChildren) return failure();
        for (int64_t i = count; i <= n; ++i) {
            rg_TolvarJSONJieDian* c = node.appendNewChild();
            if (!c) return failure();
            c->setValueRaw(u"\"\"");
            c->setNodeType(Quoted);
        }
        node.setNodeType(Array);
        node.setValueRaw(CWStringView());
        return node.child(n);
    }
    CWStringView key;
    int32_t wanted = 0;
    splitKeySegment(segment, key, wanted);
    int64_t matches = 0;
    if (wanted >= 0) {
        for (int64_t i = 0; i < count; ++i) {
            rg_TolvarJSONJieDian* c = NodeAccess::childAt(node, static_cast<uint32_t>(i));
            if (unquoteView(c->keyText()) == key) {
                if (matches == wanted) return c;
                ++matches;
            }
        }
    }
    if (!create || wanted < 0) return failure();
    if (wanted - matches + 1 > kMaxCreatedChildren) return failure();
    CWString quotedKey;
    quotedKey.reserve(key.size() + 2);
    quotedKey += u'"';
    quotedKey += key;
    quotedKey += u'"';
    rg_TolvarJSONJieDian* last = nullptr;
    for (int64_t i = matches; i <= wanted; ++i) {
        last = node.appendNewChild();
        if (!last) return failure();
        last->setKeyRaw(quotedKey);
        last->setValueRaw(u"\"\"");
        last->setNodeType(Quoted);
    }
    node.setNodeType(Object);
    node.setValueRaw(CWStringView());
    return last;
}

rg_TolvarJSONJieDian* walkPath(rg_TolvarJSONJieDian& node, const rg_Korrin_JiBen::rg_WenBenShuZuLei& segments,
                               size_t index) {
    rg_TolvarJSONJieDian* n = &node;
    for (;;) {
        if (n->isEmptyObject()) return nullptr;
        if (index >= segments.size()) return n;
        n = childBySegment(*n, segments[index], false);
        ++index;
    }
}

CWString rg_TolvarJSONLei::readAtPath(CWStringView path, rg_TolvarJSONJieDian*& holder, bool keyOnly,
                                      bool compact, CWString& timingText) {
    // The program's one stopwatch: the caller's next elapsed text then times what follows the read.
    rg_Tolvar_MingLingJi::rg_TolvarShiJianCeLiangLei& timer = rg_Tolvar_MingLingJi::sharedStopwatch();
    timer.restartTimer();
    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
    splitPath(path, segments);
    rg_TolvarJSONJieDian* found = walkPath(root_, segments, 0);
    holder = found;
    if (!found) return CWString();
    if (keyOnly) {
        if (segments.empty()) return CWString();
        const CWString& last = segments.back();
        size_t arrow = last.find(u"->");
        return arrow == CWString::npos ? last : last.substr(0, arrow);
    }
    CWString text = toJsonText(*found, compact);
    timingText = timer.elapsedText(u"读取节点");
    return text;
}

} // namespace rg_Tolvar_JSON
