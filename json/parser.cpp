// The lenient parser: one character-driven scan per container, run with an explicit stack of
// suspended containers instead of one call per nesting level.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

#include "json/document.h"
#include "json/node_access.h"
#include "json/scan_simd.h"

namespace rg_Tolvar_JSON {

using detail::ChildBlock;
using detail::NodeAccess;
using detail::Slot;

namespace detail {

// A growable array of trivially copyable items on malloc/realloc (large stacks grow by remapping
// rather than by copying).
template <class T> class PodStack {
public:
    PodStack() = default;
    PodStack(const PodStack&) = delete;
    PodStack& operator=(const PodStack&) = delete;
    ~PodStack() { std::free(data_); }

    void push(const T& v) {
        if (size_ == cap_) grow();
        data_[size_++] = v;
    }
    T& back() { return data_[size_ - 1]; }
    void pop() { --size_; }
    size_t size() const { return size_; }
    void resize(size_t n) { size_ = n; } // shrinking only
    T* data() { return data_; }
    void clear() { size_ = 0; }

private:
    void grow() {
        size_t cap = cap_ ? cap_ * 2 : 256;
        void* p = std::realloc(data_, cap * sizeof(T));
        if (!p) throw std::bad_alloc();
        data_ = static_cast<T*>(p);
        cap_ = cap;
    }
    T* data_ = nullptr;
    size_t size_ = 0;
    size_t cap_ = 0;
};

// One parse run over a text: the arena that receives the nodes, the containers suspended while a
// nested one is scanned, and the slots of children not yet placed in child blocks.
class ParseRun {
public:
    ParseRun(const char16_t* text, int64_t length, Arena& arena, bool link)
        : t_(text), len_(length), arena_(arena), link_(link) {}

    // One container scan from start + 1 into `node` (see rg_TolvarJSONLei::parseContainer). With
    // keepBaseChildren the children found for `node` stay pending until finishBase().
    int64_t scan(int64_t start, Node* node, int32_t depth, bool keepBaseChildren);
    // Places the pending children of the node scanned with keepBaseChildren.
    void finishBase(Node* node) { placeChildren(node, 0); }

private:
    struct View {
        const char16_t* p = nullptr;
        size_t n = 0;
    };
    // What a container needs to resume after a nested container: the rest of its state is known
    // at that point (a pending key was given to the nested container, a child was just read).
    struct Suspended {
        Node* node;
        int64_t mark;
        int64_t quoteStart;
        size_t childBegin;
        int32_t depth;
        char16_t quoteChar;
    };

    // Characters from..to inclusive, clamped to the text, trimmed of code units <= 0x20.
    View slice(int64_t from, int64_t to) const {
        if (from < 0) from = 0;
        if (to >= len_) to = len_ - 1;
        if (to < from) return {};
        const char16_t* b = t_ + from;
        const char16_t* e = t_ + to + 1;
        while (b < e && *b <= 0x20)
            ++b;
        while (e > b && e[-1] <= 0x20)
            --e;
        return {b, static_cast<size_t>(e - b)};
    }

    __attribute__((always_inline)) Node* addChild(Node* parent, View key, View value, int32_t type,
                                                  int32_t depth = 0) {
        auto* s = new (arena_.allocRecord(sizeof(Slot))) Slot;
        Node& n = s->node;
        uint8_t flags = 0;
        const char16_t* text;
        if (key.n && key.p == value.p && key.n <= value.n) {
            // Both cut from one quoted run: the key is a prefix of the value.
            text = arena_.copyText(value.p, value.n);
            flags = NodeAccess::kKeyInValue;
        } else {
            text = arena_.copyTexts(key.p, key.n, value.p, value.n);
        }
        NodeAccess::init(n, text, static_cast<uint32_t>(key.n), static_cast<uint32_t>(value.n),
                         link_ ? parent : nullptr, depth, static_cast<int8_t>(type), flags);
        slots_.push(s);
        return &n;
    }

    void placeChildren(Node* node, size_t begin);

    const char16_t* t_;
    int64_t len_;
    Arena& arena_;
    bool link_;
    PodStack<Slot*> slots_;
    PodStack<Suspended> suspended_;
};

void ParseRun::placeChildren(Node* node, size_t begin) {
    const size_t added = slots_.size() - begin;
    if (added == 0) return;
    const uint32_t old = NodeAccess::count(*node);
    const size_t total = old + added;
    auto* b = static_cast<ChildBlock*>(arena_.allocRecord(ChildBlock::bytesFor(total)));
    b->count = static_cast<uint32_t>(total);
    b->capacity = static_cast<uint32_t>(total);
    if (old) std::copy_n(NodeAccess::block(*node)->slots(), old, b->slots());
    std::copy_n(slots_.data() + begin, added, b->slots() + old);
    if (NodeAccess::flags(*node) & NodeAccess::kOwnsChildren) std::free(NodeAccess::children(*node));
    NodeAccess::flags(*node) &= static_cast<uint8_t>(~NodeAccess::kOwnsChildren);
    NodeAccess::children(*node) = b;
    slots_.resize(begin);
}

// The container scan, one hot loop. The state of the container being scanned lives in locals; a
// nested container suspends it. For each character, the first that applies:
//   - a backslash skips the next character, whatever it is (the backslash stays in the token);
//   - before the container's own bracket only brackets count: `{` `[` is the own bracket, `}` `]`
//     ends the scan;
//   - inside quotes only the opening quote character counts (it closes the token);
//   - `{` `[` opens a nested container, which takes the pending key;
//   - a quote opens a token, or, after one was closed and before the next delimiter, closes it
//     again measured from the same opening quote; the other quote character is plain text;
//   - `:` `,` `}` `]` run the delimiter step below;
//   - anything else belongs to a bare token, cut out by position at the next delimiter.
// Tokens are cut out of the text only when a delimiter or a closing quote completes them.
int64_t ParseRun::scan(int64_t start, Node* base, int32_t baseDepth, bool keepBaseChildren) {
    const char16_t* const t = t_;
    const int64_t len = len_;
    suspended_.clear();

    Node* node = base;
    int32_t depth = baseDepth;
    size_t childBegin = keepBaseChildren ? 0 : slots_.size();
    int64_t mark = -1;       // -1 until the own bracket; then the last structural mark
    int64_t quoteStart = -1; // opening quote of the current quoted token, until the next delimiter
    bool inQuotes = false;
    char16_t quoteChar = u'"';
    bool keyPending = false;
    View pending;            // the member's first token
    bool afterChild = false; // a nested container has just been read

    int64_t pos = start + 1;
    for (;;) {
        if (pos >= len) break;
        if (inQuotes) {
            // Inside quotes only a backslash and the opening quote character mean anything.
            pos = skipQuoted(t, pos, len, quoteChar);
            if (pos >= len) break;
            if (t[pos] == u'\\') {
                pos += 2;
                continue;
            }
            inQuotes = false;
            View token{t + quoteStart, static_cast<size_t>(pos - quoteStart + 1)};
            if (!keyPending) {
                pending = token;
                keyPending = true;
            } else {
                addChild(node, pending, token, Quoted);
                keyPending = false;
            }
            ++pos;
            continue;
        }
        if (mark == -1) {
            pos = skipToBracket(t, pos, len);
            if (pos >= len) break;
            const char16_t c = t[pos];
            if (c == u'\\') {
                pos += 2;
                continue;
            }
            if (c == u'}' || c == u']') {
                if (!keepBaseChildren) placeChildren(node, childBegin);
                return pos;
            }
            mark = pos;
            NodeAccess::type(*node) = c == u'{' ? Object : Array;
            NodeAccess::depth(*node) = depth;
            ++pos;
            continue;
        }
        pos = skipOrdinary(t, pos, len);
        if (pos >= len) break;
        const char16_t c = t[pos];
        switch (c) {
        case u'\\':
            pos += 2;
            continue;
        case u'{':
        case u'[': {
            View key;
            if (keyPending) key = pending;
            const int32_t d = depth == INT32_MAX ? INT32_MAX : depth + 1;
            Node* child = addChild(node, key, {}, c == u'{' ? Object : Array, d);
            suspended_.push(Suspended{node, mark, quoteStart, childBegin, depth, quoteChar});
            node = child;
            depth = d;
            childBegin = slots_.size();
            mark = pos;
            quoteStart = -1;
            keyPending = false;
            afterChild = false;
            ++pos;
            continue;
        }
        case u'"':
        case u'\'':
            if (quoteStart == -1) {
                quoteStart = pos;
                inQuotes = true;
                quoteChar = c;
            } else if (c == quoteChar) {
                // Another closing quote, measured from the same opening quote.
                View token{t + quoteStart, static_cast<size_t>(pos - quoteStart + 1)};
                if (!keyPending) {
                    pending = token;
                    keyPending = true;
                } else {
                    addChild(node, pending, token, Quoted);
                    keyPending = false;
                }
            }
            ++pos;
            continue;
        default:
            break;
        }

        // The delimiter step for : , } ] outside quotes, in five phases: choose the new mark (and
        // emit what the delimiter completes), drop a closed quote, skip the tail after a nested
        // container, cut the tail token, end the container at a closer.
        const bool closing = c == u'}' || c == u']';
        bool ended = closing;
        bool tail = true; // whether the tail phase runs
        bool closedAtBracket = false, skipTail = false;
        // Choosing the new mark: the first case that applies wins.
        int64_t newMark;
        bool toTail = false;
        if (c == u':') {
            newMark = keyPending ? pos : mark;
        } else if (afterChild) {
            newMark = keyPending ? mark : pos;
        } else if (!keyPending && quoteStart != -1) {
            newMark = pos;
        } else if (!keyPending) { // a keyless bare value
            if (mark < pos - 1) {
                pending = slice(mark + 1, pos - 1);
                if (pending.n) addChild(node, {}, pending, Bare);
            }
            newMark = pos;
            skipTail = true;
        } else if (quoteStart != -1) { // a quoted token with no partner
            addChild(node, {}, pending, Quoted);
            keyPending = false;
            newMark = pos;
        } else { // a key waiting for a bare value: straight to the tail phase
            newMark = mark;
            toTail = true;
        }
        if (!toTail) {
            // Dropping a closed quote: `:` and `,` end the step here.
            mark = newMark;
            if (quoteStart != -1) {
                quoteStart = -1;
                if (!closing) {
                    ++pos;
                    continue;
                }
                closedAtBracket = true;
            }
            // After a nested container there is no tail token.
            if (afterChild) {
                afterChild = false;
                tail = false;
            }
        }
        // The tail token: from after the mark to before the delimiter, a key or a bare value.
        if (tail) {
            if (closedAtBracket || skipTail) {
                // cleared
            } else {
                const int64_t from = mark + 1, to = pos - 1;
                if (!keyPending) {
                    pending = slice(from, to);
                    keyPending = true;
                } else {
                    keyPending = false;
                    if (from <= to) addChild(node, pending, slice(from, to), Bare);
                }
                mark = pos;
            }
        }
        // A closer ends the container; its parent resumes after it.
        if (ended) {
            if (suspended_.size() == 0) {
                if (!keepBaseChildren) placeChildren(node, childBegin);
                return pos;
            }
            placeChildren(node, childBegin);
            const Suspended& s = suspended_.back();
            node = s.node;
            mark = s.mark;
            quoteStart = s.quoteStart;
            childBegin = s.childBegin;
            depth = s.depth;
            quoteChar = s.quoteChar;
            suspended_.pop();
            keyPending = false;
            afterChild = true;
        }
        ++pos;
    }
    // The text ran out: every open container ends here.
    while (suspended_.size()) {
        placeChildren(node, childBegin);
        node = suspended_.back().node;
        childBegin = suspended_.back().childBegin;
        suspended_.pop();
    }
    if (!keepBaseChildren) placeChildren(node, childBegin);
    return len - 1;
}

} // namespace detail

int32_t rg_TolvarJSONLei::parseText(CWStringView text, int32_t skipParentLinks) {
    static const char16_t kEmptyText[] = u"{}";
    if (text.empty()) text = CWStringView(kEmptyText, 2);
    // A text taken from this document's own tree would be released (or overwritten) below.
    CWString own;
    if ((arena_ && arena_->contains(text.data())) || (NodeAccess::flags(root_) & NodeAccess::kTreeOnHeap)) {
        own.assign(text);
        text = own;
    }
    releaseTree();
    if (text.size() >= (uint64_t(1) << 32)) text = CWStringView(); // refused: see the class comment

    // The root: reset, keyed "Tolvar·JSON".
    NodeAccess::text(root_) = detail::kRootKey;
    NodeAccess::keyLen(root_) = detail::kRootKeyLen;
    if (skipParentLinks) NodeAccess::flags(root_) |= NodeAccess::kTreeOnHeap; // edits cannot find us

    if (!arena_) arena_ = std::make_unique<detail::Arena>();
    text_ = text.data();
    length = text.size();
    const int64_t len = static_cast<int64_t>(length);
    {
        detail::ParseRun run(text_, len, *arena_, skipParentLinks == 0);
        // Top-level values one after another, all into the root. The next opening bracket is
        // searched for again only once the scan has passed the one found before.
        int64_t p = -1;
        int64_t next = detail::findOpenBracket(text_, 0, len);
        topLevelValues_ = 0;
        while (next < len) {
            p = run.scan(p, &root_, 0, true);
            ++topLevelValues_;
            if (p >= next) next = detail::findOpenBracket(text_, p + 1, len);
        }
        run.finishBase(&root_);
    }
    arena_->trimSpare();
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
