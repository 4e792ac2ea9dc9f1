// The serializer: a node back to JSON text, indented (two spaces per level, CR LF) or compact.
// Keys and values are written exactly as stored. One walk with an explicit stack; a first walk
// counts the exact length so the text is written into storage of its final size.
#include <climits>
#include <cstring>
#include <vector>

#include "json/arena.h"
#include "json/node_access.h"

namespace rg_Tolvar_JSON {

using detail::NodeAccess;

namespace {

using Node = rg_TolvarJSONJieDian;

char16_t openOf(const Node& n) {
    return n.nodeType() == Object ? u'{' : u'[';
}
char16_t closeOf(const Node& n) {
    return n.nodeType() == Object ? u'}' : u']';
}

// Counts (Sink = Counter) or writes (Sink = Writer) the members of `node` at `depth`.
struct Counter {
    uint64_t n = 0;
    void put(char16_t) { ++n; }
    void put(CWStringView s) { n += s.size(); }
    void crlf() { n += 2; }
    void spaces(uint64_t k) { n += k; }
};

// Writes into storage that has at least kSlack code units after the text's end, so indentation
// can be stored in whole 16-byte runs.
constexpr size_t kSlack = 16;

struct Writer {
    char16_t* p;
    void put(char16_t c) { *p++ = c; }
    void put(CWStringView s) {
        detail::copyUnits(p, s.data(), s.size());
        p += s.size();
    }
    void crlf() {
        p[0] = u'\r';
        p[1] = u'\n';
        p += 2;
    }
    void spaces(uint64_t k) {
        static const char16_t run[16] = {u' ', u' ', u' ', u' ', u' ', u' ', u' ', u' ',
                                         u' ', u' ', u' ', u' ', u' ', u' ', u' ', u' '};
        for (uint64_t i = 0; i < k; i += 16)
            std::memcpy(p + i, run, sizeof run);
        p += k;
    }
};

template <class Sink> void separator(Sink& out, bool compact) {
    out.put(u',');
    if (compact) out.put(u' ');
}

template <class Sink> void members(const Node& node, uint64_t depth, bool compact, Sink& out) {
    struct Level {
        const Node* node;
        uint32_t next;
        uint64_t depth;
    };
    std::vector<Level> stack;
    stack.push_back({&node, 0, depth});
    while (!stack.empty()) {
        Level& lv = stack.back();
        const Node& parent = *lv.node;
        const uint32_t count = NodeAccess::count(parent);
        if (lv.next == count) {
            // Close this level; the container's own closing bracket is written by its parent level.
            stack.pop_back();
            if (stack.empty()) break;
            const Level& up = stack.back();
            const Node& closed = *NodeAccess::childAt(*up.node, up.next - 1);
            if (!compact) {
                out.crlf();
                out.spaces(2 * up.depth);
            }
            out.put(closeOf(closed));
            if (up.next < NodeAccess::count(*up.node)) separator(out, compact);
            continue;
        }
        const uint32_t i = lv.next++;
        const uint64_t d = lv.depth;
        const Node& c = *NodeAccess::childAt(parent, i);
        if (!compact) {
            if (i > 0) out.crlf();
            out.spaces(2 * d);
        }
        const bool inObject = parent.nodeType() == Object;
        if (inObject) {
            out.put(c.keyText());
            out.put(u':');
        }
        if (c.isContainer()) {
            if (!compact) {
                if (inObject) {
                    out.crlf();
                    out.spaces(2 * d);
                }
                out.put(openOf(c));
                out.crlf();
            } else {
                out.put(openOf(c));
            }
            stack.push_back({&c, 0, d + 1}); // `lv` is not used after this
            continue;
        }
        out.put(c.valueText());
        if (i + 1 < count) separator(out, compact);
    }
}

uint64_t containerLength(const Node& node, bool compact) {
    Counter c;
    members(node, 1, compact, c);
    return c.n + (compact ? 2 : 6);
}

void writeContainer(const Node& node, bool compact, uint64_t length, CWString& text) {
    text.resize(length + kSlack);
    Writer w{text.data()};
    w.put(openOf(node));
    if (!compact) w.crlf();
    members(node, 1, compact, w);
    if (!compact) w.crlf();
    w.put(closeOf(node));
    text.resize(length);
}

} // namespace

void toJsonText(const rg_TolvarJSONJieDian& node, bool compact, CWString& out) {
    if (!node.isContainer()) {
        out.assign(unquoteView(node.valueText()));
        return;
    }
    if (!compact) {
        uint64_t len = containerLength(node, false);
        if (len <= kMaxIndentedLength) {
            writeContainer(node, false, len, out);
            return;
        }
        // Indentation grows with the square of the depth: such a tree is written compact.
    }
    writeContainer(node, true, containerLength(node, true), out);
}

CWString toJsonText(const rg_TolvarJSONJieDian& node, bool compact) {
    CWString out;
    toJsonText(node, compact, out);
    return out;
}

void writeMembers(const rg_TolvarJSONJieDian& node, CWString& out, int32_t depth, bool compact) {
    uint64_t d = depth < 0 ? 0 : static_cast<uint64_t>(depth);
    Counter c;
    members(node, d, compact, c);
    size_t at = out.size();
    out.resize(at + c.n + kSlack);
    Writer w{out.data() + at};
    members(node, d, compact, w);
    out.resize(at + c.n);
}

uint64_t estimateTextLength64(const rg_TolvarJSONJieDian& node) {
    uint64_t sum = 0;
    std::vector<const rg_TolvarJSONJieDian*> stack{&node};
    while (!stack.empty()) {
        const rg_TolvarJSONJieDian* n = stack.back();
        stack.pop_back();
        sum += n->keyText().size();
        if (!n->isContainer()) sum += n->valueText().size();
        for (uint32_t i = 0, k = NodeAccess::count(*n); i < k; ++i)
            stack.push_back(NodeAccess::childAt(*n, i));
    }
    return sum;
}

int32_t estimateTextLength(const rg_TolvarJSONJieDian& node, int32_t sum) {
    int64_t total = static_cast<int64_t>(sum) + static_cast<int64_t>(estimateTextLength64(node));
    if (total > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(total);
}

} // namespace rg_Tolvar_JSON
