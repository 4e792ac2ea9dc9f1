// The JSON document: a root node, the lenient parser and path reading.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/kor_mem.h"
#include "json/node.h"
#include "json/stream_path.h"

namespace rg_Tolvar_JSON {

struct StreamProgress; // json/stream_extract.h

namespace detail {
class Arena;
}

// rg_TolvarJSONLei: one JSON document. parseText turns any text into a tree under root(): it never
// fails, malformed text gives the partial tree its scanning rules yield.
//
// Invariants: after a parse the root's key is "Tolvar·JSON" and its parent is null; every node the
// parse built lives in the document's arena (nodes, child blocks and token texts), so the tree is
// valid exactly as long as the document and freeing it is one release of the arena when no node
// was edited.
//
// Ownership: the document owns its root by value and the arena; copying a document copies the
// tree into a new arena. Nodes handed out (root(), children, readAtPath's holder) are not owned by
// the caller and die with the next parse, reset or destruction.
//
// Threads: one thread at a time per document; documents are independent of each other.
//
// Texts of 2^32 code units or more are refused: parseText leaves a reset Bare root (key
// "Tolvar·JSON", no children) and returns Bare. Positions inside the parser are 64-bit.
class rg_TolvarJSONLei {
public:
    rg_TolvarJSONLei();
    rg_TolvarJSONLei(const rg_TolvarJSONLei& other);
    rg_TolvarJSONLei& operator=(const rg_TolvarJSONLei& other);
    rg_TolvarJSONLei(rg_TolvarJSONLei&& other) noexcept;
    rg_TolvarJSONLei& operator=(rg_TolvarJSONLei&& other) noexcept;
    ~rg_TolvarJSONLei();

    rg_TolvarJSONJieDian& root() { return root_; }
    const rg_TolvarJSONJieDian& root() const { return root_; }

    // Back to a fresh document: empty Bare root, arena released, stream fields at their defaults.
    void reset();

    // Parses `text` into the root and returns the root's type. skipParentLinks non-zero leaves
    // every parent unset (for trees that are only copied elsewhere).
    int32_t parseText(CWStringView text, int32_t skipParentLinks = 0);
    // One container scan of the text being parsed, from start + 1 into `node`; returns the index of
    // the closing bracket that ended it, or length - 1 when the text ran out. Only meaningful during
    // a parse (the text is released at its end).
    int64_t parseContainer(int64_t start, rg_TolvarJSONJieDian& node, int32_t depth);
    // Characters from..to (inclusive, clamped to the text) of the text being parsed, trimmed.
    CWString sliceTrimmed(int64_t from, int64_t to) const;

    // Reads the node at `path`: a container's JSON text, a scalar's unquoted value, or with keyOnly
    // the last segment cut before its first "->". holder = the node found or null; on a node's text
    // timingText = "读取节点用时 ...". Not found: empty text, timingText unchanged.
    CWString readAtPath(CWStringView path, rg_TolvarJSONJieDian*& holder, bool keyOnly, bool compact,
                        CWString& timingText);
    // Removes the node at `path`. Empty path: all children of the root are released and the result
    // is kRemovedAll. Otherwise the container the node was removed from, or null when the path names
    // nothing.
    rg_TolvarJSONJieDian* removeAtPath(CWStringView path);
    static rg_TolvarJSONJieDian* const kRemovedAll; // the "−1" result: never dereference

    // Number of code units of the text being parsed (0 outside a parse, unless stream extraction set it).
    uint64_t length = 0;

    // Stream extraction (stream_extract.cpp)
    bool extractFromFile(CWStringView filePath, int32_t encoding, CWStringView path, CWString& out);
    int64_t scanContainer(int64_t start, int32_t segmentIndex, CompiledStreamPath& path, bool onPath);
    void readRange(int64_t from, int64_t to, bool startsAfterMark, CKorMem& target);
    void normalizeKeyBytes(CKorMem& bytes) const;
    // stream fields, public so tests can lower the chunk size
    uint64_t streamLength = 0; // file size in bytes during an extraction
    int32_t streamEncoding = 0;
    CKorMem resultBytes;
    int32_t chunkSizeKiB = 10240;
    int32_t chunkOffset = 0;
    CKorMem chunkBytes;
    int streamFd = -1; // the open file during one call (stream manages it)
    // When set, extractFromFile publishes its progress there and stops when asked (not owned;
    // the caller sets it for one call and clears it afterwards).
    StreamProgress* streamProgress = nullptr;

    // Bytes the arena holds (nodes, child blocks, texts), for measurements.
    size_t arenaBytes() const;

    // How many top-level values the last parse read (0 for a text without brackets). Paths of
    // other tools cannot name a node of a document that gathered several.
    int32_t topLevelValueCount() const { return topLevelValues_; }

private:
    void releaseTree();
    void adoptFrom(rg_TolvarJSONLei& other) noexcept;

    rg_TolvarJSONJieDian root_;
    std::unique_ptr<detail::Arena> arena_;
    const char16_t* text_ = nullptr; // the text being parsed (a view of the caller's text)
    int32_t topLevelValues_ = 0;
};

// removeAtPath as a free function, as the commands call it.
inline rg_TolvarJSONJieDian* removeAtPath(rg_TolvarJSONLei& document, CWStringView path) {
    return document.removeAtPath(path);
}

} // namespace rg_Tolvar_JSON
