// The lenient parser: one character-driven scan per container, run with an explicit stack of
// container frames instead of one call per nesting level.
#include <algorithm>
#include <climits>
#include <new>
#include <vector>

#include "json/document.h"
#include "json/node_access.h"
#include "json/scan_simd.h"

namespace rg_Tolvar_JSON {

using detail::ChildBlock;
using detail::NodeAccess;
using detail::Slot;

namespace detail {

// One parse run over a text: the arena that receives the nodes, the frames of the containers
// being scanned and the slots of their children not yet placed in child blocks.
class ParseRun {
public:
    ParseRun(const char16_t* text, int64_t length, Arena& arena, bool link)
        : t_(text), len_(length), arena_(arena), link_(link) {
        slots_.reserve(256);
        frames_.reserve(64);
    }

    // One container scan from start + 1 into `node` (see rg_TolvarJSONLei::parseContainer). With
    // keepBaseChildren the children found for `node` stay pending until finishBase().
    int64_t scan(int64_t start, Node* node, int32_t depth, bool keepBaseChildren);
    // Places the pending children of the node scanned with keepBaseChildren.
    void finishBase(Node* node, size_t begin) { placeChildren(node, begin); }
    size_t pendingCount() const { return slots_.size(); }

private:
    struct View {
        const char16_t* p = nullptr;
        size_t n = 0;
    };
    struct Frame {
        Node* node;
        int64_t mark;
        int64_t quoteStart;
        size_t childBegin;
        View pending;
        int32_t depth;
        uint8_t quoteState;
        char16_t quoteChar;
        bool keyPending;
        bool afterChild;
        bool skipTail;
        bool closedAtBracket;
    };

    // Characters from..to inclusive, clamped to the text, trimmed.
    View slice(int64_t from, int64_t to) const {
        if (from < 0) from = 0;
        if (to >= len_) to = len_ - 1;
        if (to < from) return {};
        const char16_t* b = t_ + from;
        const char16_t* e = t_ + to + 1;
        while (b < e && *b <= 0x20) ++b;
        while (e > b && e[-1] <= 0x20) --e;
        return {b, static_cast<size_t>(e - b)};
    }

    Node* addChild(Frame& f, View key, View value, int32_t type) {
        auto* s = new (arena_.allocRecord(sizeof(Slot))) Slot();
        Node& n = s->node;
        if (key.n) {
            NodeAccess::key(n) = arena_.copyText(key.p, key.n);
            NodeAccess::keyLen(n) = static_cast<uint32_t>(key.n);
        }
        if (value.n) {
            NodeAccess::value(n) = arena_.copyText(value.p, value.n);
            NodeAccess::valueLen(n) = static_cast<uint32_t>(value.n);
        }
        NodeAccess::type(n) = static_cast<int8_t>(type);
        if (link_) NodeAccess::parent(n) = f.node;
        slots_.push_back(s);
        return &n;
    }

    void placeChildren(Node* node, size_t begin);
    void delimiter(Frame& f, int64_t pos, char16_t c, bool& ended);

    const char16_t* t_;
    int64_t len_;
    Arena& arena_;
    bool link_;
    std::vector<Slot*> slots_;
    std::vector<Frame> frames_;
};

void ParseRun::placeChildren(Node* node, size_t begin) {
    size_t added = slots_.size() - begin;
    if (added == 0) return;
    uint32_t old = NodeAccess::count(*node);
    size_t total = old + added;
    auto* b = static_cast<ChildBlock*>(arena_.allocRecord(ChildBlock::bytesFor(total)));
    b->count = static_cast<uint32_t>(total);
    b->capacity = static_cast<uint32_t>(total);
    if (old) std::copy_n(NodeAccess::block(*node)->slots(), old, b->slots());
    std::copy(slots_.begin() + static_cast<ptrdiff_t>(begin), slots_.end(), b->slots() + old);
    if (NodeAccess::flags(*node) & NodeAccess::kOwnsChildren) std::free(NodeAccess::children(*node));
    NodeAccess::flags(*node) &= static_cast<uint8_t>(~NodeAccess::kOwnsChildren);
    NodeAccess::children(*node) = b;
    slots_.resize(begin);
}

// The delimiter step for `:` `,` `}` `]` outside quotes. Sets `ended` when the container ends here.
void ParseRun::delimiter(Frame& f, int64_t pos, char16_t c, bool& ended) {
    const bool closing = c == u'}' || c == u']';
    int64_t newMark;
    bool tail = false;
    // D1: the first case that applies wins.
    if (c == u':') {
        newMark = f.keyPending ? pos : f.mark;
    } else if (f.afterChild) {
        newMark = f.keyPending ? f.mark : pos;
    } else if (!f.keyPending && f.quoteStart != -1) {
        newMark = pos;
    } else if (!f.keyPending) { // a keyless bare value
        if (f.mark < pos - 1) {
            f.pending = slice(f.mark + 1, pos - 1);
            if (f.pending.n) addChild(f, {}, f.pending, Bare);
        }
        newMark = pos;
        f.skipTail = true;
    } else if (f.quoteStart != -1) { // a quoted token with no partner
        addChild(f, {}, f.pending, Quoted);
        f.keyPending = false;
        newMark = pos;
    } else { // a key waiting for a bare value
        tail = true;
        newMark = f.mark;
    }
    if (!tail) {
        // D2
        f.mark = newMark;
        if (f.quoteStart != -1) {
            f.quoteStart = -1;
            f.quoteState = 0;
            if (!closing) return;
            f.closedAtBracket = true;
        }
        // D3
        if (f.afterChild) {
            f.afterChild = false;
            ended = closing;
            return;
        }
    }
    // D4: the tail token
    if (f.closedAtBracket) {
        f.closedAtBracket = false;
    } else if (f.skipTail) {
        f.skipTail = false;
    } else {
        int64_t from = f.mark + 1, to = pos - 1;
        if (!f.keyPending) {
            f.pending = slice(from, to);
            f.keyPending = true;
        } else {
            f.keyPending = false;
            if (from <= to) addChild(f, f.pending, slice(from, to), Bare);
        }
        f.mark = pos;
    }
    // D5
    ended = closing;
}

int64_t ParseRun::scan(int64_t start, Node* base, int32_t depth, bool keepBaseChildren) {
    const char16_t* const t = t_;
    const int64_t len = len_;
    frames_.clear();
    frames_.push_back(Frame{base, -1, -1, slots_.size(), {}, depth, 0, u'"', false, false, false, false});
    Frame* f = &frames_.back();
    int64_t pos = start + 1;
    for (;;) {
        if (pos >= len) break;
        if (f->quoteState == 1) {
            // Inside quotes only a backslash and the opening quote character mean anything.
            pos = detail::skipQuoted(t, pos, len, f->quoteChar);
            if (pos >= len) break;
            if (t[pos] == u'\\') {
                pos += 2;
                continue;
            }
            f->quoteState = 2;
            View token{t + f->quoteStart, static_cast<size_t>(pos - f->quoteStart + 1)};
            if (!f->keyPending) {
                f->pending = token;
                f->keyPending = true;
            } else {
                addChild(*f, f->pending, token, Quoted);
                f->keyPending = false;
            }
            ++pos;
            continue;
        }
        if (f->mark == -1) {
            // Before the container's own bracket: everything but brackets is skipped.
            pos = detail::skipToBracket(t, pos, len);
            if (pos >= len) break;
            char16_t c = t[pos];
            if (c == u'\\') {
                pos += 2;
                continue;
            }
            if (c == u'}' || c == u']') {
                if (!keepBaseChildren) placeChildren(f->node, f->childBegin);
                return pos;
            }
            f->mark = pos;
            NodeAccess::type(*f->node) = c == u'{' ? Object : Array;
            NodeAccess::depth(*f->node) = f->depth;
            ++pos;
            continue;
        }
        pos = detail::skipOrdinary(t, pos, len);
        if (pos >= len) break;
        const char16_t c = t[pos];
        switch (c) {
        case u'\\':
            pos += 2;
            continue;
        case u'{':
        case u'[': {
            View key;
            if (f->keyPending) {
                key = f->pending;
                f->keyPending = false;
            }
            Node* child = addChild(*f, key, {}, c == u'{' ? Object : Array);
            int32_t d = f->depth == INT32_MAX ? INT32_MAX : f->depth + 1;
            NodeAccess::depth(*child) = d;
            f->afterChild = true;
            frames_.push_back(Frame{child, pos, -1, slots_.size(), {}, d, 0, u'"', false, false, false, false});
            f = &frames_.back();
            ++pos;
            continue;
        }
        case u'"':
        case u'\'':
            if (f->quoteStart == -1) {
                f->quoteStart = pos;
                f->quoteState = 1;
                f->quoteChar = c;
            } else if (c == f->quoteChar) {
                // Another closing quote, measured from the same opening quote.
                f->quoteState = 2;
                View token{t + f->quoteStart, static_cast<size_t>(pos - f->quoteStart + 1)};
                if (!f->keyPending) {
                    f->pending = token;
                    f->keyPending = true;
                } else {
                    addChild(*f, f->pending, token, Quoted);
                    f->keyPending = false;
                }
            }
            ++pos;
            continue;
        default: { // : , } ]
            bool ended = false;
            delimiter(*f, pos, c, ended);
            if (ended) {
                if (frames_.size() == 1) {
                    if (!keepBaseChildren) placeChildren(f->node, f->childBegin);
                    return pos;
                }
                placeChildren(f->node, f->childBegin);
                frames_.pop_back();
                f = &frames_.back();
            }
            ++pos;
            continue;
        }
        }
    }
    // The text ran out: every open container ends here.
    while (frames_.size() > 1) {
        placeChildren(frames_.back().node, frames_.back().childBegin);
        frames_.pop_back();
    }
    if (!keepBaseChildren) placeChildren(frames_.back().node, frames_.back().childBegin);
    return len - 1;
}

} // namespace detail

int32_t rg_TolvarJSONLei::parseText(CWStringView text, int32_t skipParentLinks) {
    static const char16_t kEmptyText[] = u"{}";
    if (text.empty()) text = CWStringView(kEmptyText, 2);
    releaseTree();
    if (text.size() >= (uint64_t(1) << 32)) text = CWStringView(); // refused: see the class comment

    // The root: reset, keyed "Tolvar·JSON".
    NodeAccess::key(root_) = detail::kRootKey;
    NodeAccess::keyLen(root_) = detail::kRootKeyLen;
    if (skipParentLinks) NodeAccess::flags(root_) |= NodeAccess::kTreeOnHeap; // edits cannot find us

    if (!arena_) arena_ = std::make_unique<detail::Arena>();
    text_ = text.data();
    length = text.size();
    const int64_t len = static_cast<int64_t>(length);
    {
        detail::ParseRun run(text_, len, *arena_, skipParentLinks == 0);
        // Top-level values one after another, all into the root. The next opening bracket is
        // searched again only once the scan has passed the one found before.
        int64_t p = -1;
        int64_t next = detail::findOpenBracket(text_, 0, len);
        while (next < len) {
            p = run.scan(p, &root_, 0, true);
            if (p >= next) next = detail::findOpenBracket(text_, p + 1, len);
        }
        run.finishBase(&root_, 0);
    }
    text_ = nullptr;
    length = 0;
    return root_.nodeType();
}

int64_t rg_TolvarJSONLei::parseContainer(int64_t start, rg_TolvarJSONJieDian& node, int32_t depth) {
    if (!arena_) arena_ = std::make_unique<detail::Arena>();
    const int64_t len = static_cast<int64_t>(std::min<uint64_t>(length, INT64_MAX));
    if (!text_ || start + 1 >= len) return len - 1;
    detail::ParseRun run(text_, len, *arena_, true);
    return run.scan(start, &node, depth, false);
}

CWString rg_TolvarJSONLei::sliceTrimmed(int64_t from, int64_t to) const {
    const int64_t len = static_cast<int64_t>(std::min<uint64_t>(length, INT64_MAX));
    if (!text_) return CWString();
    if (from < 0) from = 0;
    if (to >= len) to = len - 1;
    if (to < from) return CWString();
    return trimText(CWStringView(text_ + from, static_cast<size_t>(to - from + 1)));
}

} // namespace rg_Tolvar_JSON
