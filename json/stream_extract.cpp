#include "json/stream_extract.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/encoding.h"
#include "text/file_rw.h"
#include "json/document.h"
#include "json/node.h"
#include "json/stream_skip.h"

namespace rg_Tolvar_JSON {

namespace {

constexpr int64_t kWindowBytes = 64 * 1024; // look-back reads outside the chunk
constexpr int64_t kMaxChunkKiB = 1 << 20;   // 1 GiB

bool isQuoteByte(uint8_t b) {
    return b == '"' || b == '\'';
}

// Unquote-and-trim bounds on bytes reached through `at`: [a, b] inclusive, empty when b < a.
template <class At> void normalizeBounds(At&& at, int64_t& a, int64_t& b, int32_t encoding) {
    const bool utf16 = encoding == kStreamUtf16LE || encoding == kStreamUtf16BE;
    const int64_t unit = utf16 ? 2 : 1;
    const int64_t first = encoding == kStreamUtf16BE ? a + 1 : a;
    if (a <= b && first <= b && isQuoteByte(at(first))) {
        a = std::min(a + unit, b + 1);
        b = std::max(b - unit, a - 1);
    }
    if (!utf16) {
        while (a <= b && at(a) <= 0x20)
            ++a;
        while (a <= b && at(b) <= 0x20)
            --b;
    } else {
        while (b - a + 1 >= 2 && at(a) <= 0x20 && at(a + 1) <= 0x20)
            a += 2;
        while (b - a + 1 >= 2 && at(b - 1) <= 0x20 && at(b) <= 0x20)
            b -= 2;
    }
}

} // namespace

// ---- helpers ---------------------------------------------------------------------------------

void normalizeStreamKeyBytes(CKorMem& bytes, int32_t encoding) {
    int64_t a = 0, b = static_cast<int64_t>(bytes.size()) - 1;
    const uint8_t* d = bytes.data();
    normalizeBounds([d](int64_t i) { return d[i]; }, a, b, encoding);
    const int64_t n = b >= a ? b - a + 1 : 0;
    if (n > 0 && a > 0) std::memmove(bytes.data(), bytes.data() + a, static_cast<size_t>(n));
    bytes.resize(static_cast<size_t>(n));
}

void compileStreamPath(CWStringView path, int32_t encoding, CompiledStreamPath& out) {
    using namespace rg_Tolvar_MingLingJi;
    out.clear();
    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
    splitPath(path, segments);
    for (const CWString& seg : segments) {
        CKorMem key;
        int32_t isIndex = 0, wanted = 0;
        if (!seg.empty() && seg.back() == u']') {
            isIndex = 1;
            const uint32_t n = static_cast<uint32_t>(parsePathInteger(CWStringView(seg).substr(1)));
            const uint8_t b[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
            key.append(b, 4);
        } else {
            CWStringView name = seg;
            const size_t arrow = name.find(u"->");
            if (arrow != CWStringView::npos) {
                wanted = parsePathInteger(name.substr(arrow + 2));
                name = name.substr(0, arrow);
            }
            // A text ends at its first U+0000 when it becomes bytes.
            const size_t nul = name.find(u'\0');
            if (nul != CWStringView::npos) name = name.substr(0, nul);
            switch (encoding) {
            case kStreamAnsi: {
                const std::string s = utf16ToAnsi(name);
                key.append(s.data(), s.size());
                break;
            }
            case kStreamUtf16LE:
            case kStreamUtf16BE:
                for (char16_t u : name) {
                    const uint8_t lo = uint8_t(u & 0xFF), hi = uint8_t(u >> 8);
                    if (encoding == kStreamUtf16LE) {
                        key.appendByte(lo);
                        key.appendByte(hi);
                    } else {
                        key.appendByte(hi);
                        key.appendByte(lo);
                    }
                }
                break;
            default: {
                const std::string s = utf16ToUtf8(name);
                key.append(s.data(), s.size());
                break;
            }
            }
        }
        out.segmentKeys.push_back(std::move(key));
        out.isIndexSegment.push_back(isIndex);
        out.wantedOccurrence.push_back(wanted);
        out.seenCount.push_back(0);
    }
}

CWString decodeStreamBytes(const CKorMem& bytes, int32_t encoding) {
    using namespace rg_Tolvar_MingLingJi;
    std::string_view raw = bytesOf(bytes);
    CWString text;
    switch (encoding) {
    case kStreamAnsi:
        text = ansiToUtf16(raw);
        break;
    case kStreamUtf8:
        text = utf8ToUtf16(raw);
        break;
    case kStreamUtf16LE:
    case kStreamUtf16BE: {
        const size_t units = raw.size() / 2; // an odd last byte is dropped
        text.resize(units);
        const uint8_t* d = bytes.data();
        const bool be = encoding == kStreamUtf16BE;
        for (size_t i = 0; i < units; ++i) {
            const uint8_t b0 = d[2 * i], b1 = d[2 * i + 1];
            text[i] = be ? char16_t(b0 << 8 | b1) : char16_t(b1 << 8 | b0);
        }
        const size_t nul = text.find(u'\0');
        if (nul != CWString::npos) text.resize(nul);
        break;
    }
    default:
        break;
    }
    return text;
}

// ---- scanner ---------------------------------------------------------------------------------

StreamScanner::StreamScanner(StreamFields fields)
    : f_(fields), masks_(detail::bestStreamMaskFunction()), skip_(detail::bestSkipChunkFunction()) {}

int64_t StreamScanner::readAt(int64_t offset, uint8_t* dst, int64_t count) {
    if (progress != nullptr && progress->cancel.load(std::memory_order_relaxed)) {
        status_ = StreamStatus::Cancelled;
        return -1;
    }
    int64_t got = 0;
    while (got < count) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(count - got, int64_t(1) << 30));
        const ssize_t n = ::pread(f_.fd, dst + got, want, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            status_ = StreamStatus::ReadError;
            return -1;
        }
        if (n == 0) break;
        got += n;
    }
    return got;
}

StreamScanner::~StreamScanner() {
    unmapChunk();
}

void StreamScanner::unmapChunk() {
    if (mapped_ == nullptr) return;
    ::munmap(mapped_, static_cast<size_t>(mappedBytes_));
    mapped_ = nullptr;
    mappedBytes_ = 0;
}

// Maps a whole chunk of the file instead of copying it: the page cache's pages are shared, not
// copied, which on a warm cache halves the memory traffic of a scan. Only whole chunks that are
// a multiple of the page size are mapped (their blocks never run past the end, so the zero
// padding is not needed); the last, partial chunk is read. False when mapping is not possible;
// the caller then reads.
bool StreamScanner::mapChunk(int64_t start, int64_t bytes) {
    static const int64_t page = ::sysconf(_SC_PAGESIZE);
    // A cancelled scan goes the reading way, which reports it.
    if (progress != nullptr && progress->cancel.load(std::memory_order_relaxed)) return false;
    if (!mapChunks || page <= 0 || bytes != chunkSize_ || chunkSize_ % page != 0 || start % page != 0)
        return false;
    // A file that shrank since it was opened would fault on the missing pages: check first.
    struct stat st {};
    if (::fstat(f_.fd, &st) != 0 || st.st_size < start + bytes) return false;
    void* m = ::mmap(nullptr, static_cast<size_t>(bytes), PROT_READ, MAP_PRIVATE | MAP_POPULATE, f_.fd,
                     static_cast<off_t>(start));
    if (m == MAP_FAILED) return false;
    mapped_ = m;
    mappedBytes_ = bytes;
    return true;
}

bool StreamScanner::loadChunk(int64_t pos) {
    const int64_t start = pos - pos % chunkSize_;
    const int64_t want = std::min(chunkSize_, length_ - start);
    unmapChunk();
    if (mapChunk(start, want)) {
        chunkStart_ = start;
        chunkEnd_ = start + want;
        chunkData_ = static_cast<const uint8_t*>(mapped_);
        if (progress != nullptr) progress->bytesRead.store(chunkEnd_, std::memory_order_relaxed);
        blockStart_ = -1;
        f_.chunkOffset = static_cast<int32_t>(pos - start);
        return true;
    }
    // The chunk starts at the buffer's first 64-byte aligned byte: the kernel copies into an
    // aligned destination several times faster, and blocks then match cache lines.
    CKorMem& buf = f_.chunkBytes;
    buf.clear();
    buf.reserve(static_cast<size_t>(want + 128)); // a small file needs no full-size chunk
    const size_t lead = static_cast<size_t>((64 - (reinterpret_cast<uintptr_t>(buf.data()) & 63)) & 63);
    uint8_t* d = buf.extend(lead + static_cast<size_t>(want)) + lead;
    int64_t got = readAt(start, d, want);
    if (got < want) {
        // A read failure or a file that shrank: the scan ends where the bytes end.
        if (got < 0) got = 0;
        length_ = start + got;
        buf.resize(lead + static_cast<size_t>(got));
    }
    // Zero bytes after the data: a block that runs past the end classifies them as nothing.
    std::memset(d + got, 0, 64);
    chunkStart_ = start;
    chunkEnd_ = start + got;
    chunkData_ = d;
    if (progress != nullptr) progress->bytesRead.store(chunkEnd_, std::memory_order_relaxed);
    blockStart_ = -1;
    f_.chunkOffset = static_cast<int32_t>(pos - start);
    return pos < chunkEnd_;
}

void StreamScanner::loadBlock(int64_t blockStart) {
    detail::StreamBlockMasks m;
    masks_(chunkData_ + (blockStart - chunkStart_), m);
    setBlock(blockStart, m);
}

void StreamScanner::setBlock(int64_t blockStart, const detail::StreamBlockMasks& m) {
    const uint64_t common = m.backslash | m.open | m.close;
    kindMask_[kInDouble] = m.backslash | m.dquote;
    kindMask_[kInSingle] = m.backslash | m.squote;
    kindMask_[kSkipNormal] = common | m.dquote | m.squote;
    kindMask_[kSkipClosed] = common | m.delim;
    kindMask_[kBeforeBracket] = common;
    kindMask_[kFull] = common | m.dquote | m.squote | m.delim;
    blockStart_ = blockStart;
}

// Position of the next byte at or after `pos` that matters for `kind`; length_ (or more) when
// the file ends first.
inline int64_t StreamScanner::nextEvent(int64_t pos, int kind) {
    for (;;) {
        if (pos >= length_) return pos;
        if (pos < chunkStart_ || pos >= chunkEnd_) {
            if (!loadChunk(pos)) return std::max(pos, length_);
        }
        const int64_t rel = pos - chunkStart_;
        const int64_t blockRel = rel & ~int64_t(63);
        const int64_t block = chunkStart_ + blockRel;
        if (block != blockStart_) loadBlock(block);
        const uint64_t m = kindMask_[kind] >> (rel - blockRel);
        if (m != 0) return pos + __builtin_ctzll(m);
        pos = block + 64;
    }
}

uint8_t StreamScanner::byteAnywhere(int64_t pos, bool backward) {
    if (pos >= chunkStart_ && pos < chunkEnd_) return chunkData_[pos - chunkStart_];
    if (windowStart_ >= 0 && pos >= windowStart_ && pos < windowStart_ + int64_t(window_.size()))
        return window_.data()[pos - windowStart_];
    const int64_t start = backward ? std::max<int64_t>(0, pos - kWindowBytes + 1) : pos;
    const int64_t want = std::min(kWindowBytes, length_ - start);
    window_.clear();
    window_.reserve(static_cast<size_t>(kWindowBytes));
    int64_t got = readAt(start, window_.extend(static_cast<size_t>(want)), want);
    window_.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
    windowStart_ = start;
    if (pos - start >= int64_t(window_.size())) {
        windowStart_ = -1;
        return 0;
    }
    return window_.data()[pos - start];
}

void StreamScanner::adjustRange(int64_t& from, int64_t& to, bool startsAfterMark) const {
    if (f_.encoding == kStreamUtf16LE) {
        if (startsAfterMark)
            ++from;
        else
            ++to;
    } else if (f_.encoding == kStreamUtf16BE) {
        if (startsAfterMark)
            --to;
        else
            --from;
    }
    if (from < 0) from = 0;
    if (to > length_ - 1) to = length_ - 1;
}

void StreamScanner::readRange(int64_t from, int64_t to, bool startsAfterMark, CKorMem& target) {
    if (path_ == nullptr) begin();
    target.clear();
    adjustRange(from, to, startsAfterMark);
    const int64_t n = to - from + 1;
    if (n <= 0) return;
    if (n > maxValueBytes) {
        status_ = StreamStatus::TooLarge;
        return;
    }
    target.reserve(static_cast<size_t>(n));
    const int64_t got = readAt(from, target.extend(static_cast<size_t>(n)), n);
    target.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
}

void StreamScanner::takeValue(int64_t from, int64_t to, bool startsAfterMark) {
    found_ = true;
    status_ = StreamStatus::Found;
    readRange(from, to, startsAfterMark, f_.resultBytes);
    if (status_ != StreamStatus::Found) f_.resultBytes.release();
}

bool StreamScanner::hasNonBlank(int64_t from, int64_t to) {
    if (to >= length_) to = length_ - 1;
    if (from < 0) from = 0;
    if (to < from) return false;
    if (to >= chunkStart_ && to < chunkEnd_) {
        if (byteAt(to) > 0x20) return true; // the usual case: the byte before the delimiter
        const int64_t lo = std::max(from, chunkStart_);
        if (detail::anyByteAbove20(chunkData_ + (lo - chunkStart_), static_cast<size_t>(to - lo + 1)))
            return true;
        to = lo - 1;
    }
    while (to >= from) {
        const int64_t lo = std::max(from, to - kWindowBytes + 1);
        window_.clear();
        window_.reserve(static_cast<size_t>(kWindowBytes));
        const int64_t got = readAt(lo, window_.extend(static_cast<size_t>(to - lo + 1)), to - lo + 1);
        window_.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
        windowStart_ = lo;
        if (got <= 0) return false;
        if (detail::anyByteAbove20(window_.data(), window_.size())) return true;
        to = lo - 1;
    }
    return false;
}

bool StreamScanner::keyEquals(const Frame& f, const CKorMem& key) {
    int64_t a = f.pendFrom, b = f.pendTo;
    adjustRange(a, b, f.pendAfterMark);
    const int64_t want = static_cast<int64_t>(key.size());
    if (std::max<int64_t>(0, b - a + 1) < want) return false; // unquoting and trimming only shorten
    if (a >= chunkStart_ && b < chunkEnd_) {
        // The usual case: the key's bytes are still in the chunk.
        const uint8_t* d = chunkData_;
        const int64_t base = chunkStart_;
        normalizeBounds([d, base](int64_t i) { return d[i - base]; }, a, b, f_.encoding);
        if (std::max<int64_t>(0, b - a + 1) != want) return false;
        return want == 0 || std::memcmp(d + (a - base), key.data(), size_t(want)) == 0;
    }
    normalizeBounds([this](int64_t i) { return byteAnywhere(i, false); }, a, b, f_.encoding);
    if (std::max<int64_t>(0, b - a + 1) != want) return false;
    const uint8_t* k = key.data();
    for (int64_t i = 0; i < want; ++i)
        if (byteAnywhere(a + i, false) != k[i]) return false;
    return true;
}

// Sets up a frame's matching: what kind of segment its members are compared with.
void StreamScanner::initFrame(Frame& f, int32_t segmentIndex, bool onPath) const {
    f.segmentIndex = segmentIndex;
    f.onPath = onPath;
    f.matchKind = kMatchNothing;
    if (!onPath || segmentIndex < 0 || segmentIndex >= int64_t(path_->size())) return;
    const size_t s = static_cast<size_t>(segmentIndex);
    if (path_->isIndexSegment[s] != 0) {
        f.matchKind = kMatchIndex;
        f.wantedIndex = path_->segmentIndexValue(s);
    } else {
        f.matchKind = path_->segmentKeys[s].empty() ? kMatchEmptyKey : kMatchKey;
    }
}

// Whether the member just completed is the one segment `segmentIndex` addresses; counts
// occurrences and elements on the way. Only containers on the path match anything.
inline bool StreamScanner::tryMatch(Frame& f, bool keyed) {
    if (f.matchKind == kMatchNothing) return false;
    if (!keyed) {
        if (f.containerType == 3) { // elements: keyless members of a '[' container
            const bool hit = f.matchKind == kMatchIndex && f.elementCounter == f.wantedIndex;
            ++f.elementCounter;
            return hit;
        }
        if (f.matchKind != kMatchEmptyKey) return false;
    } else if (f.matchKind == kMatchIndex ||
               !keyEquals(f, path_->segmentKeys[static_cast<size_t>(f.segmentIndex)])) {
        return false;
    }
    const size_t s = static_cast<size_t>(f.segmentIndex);
    int64_t& seen = path_->seenCount[s];
    const bool hit = seen == path_->wantedOccurrence[s];
    ++seen;
    return hit;
}

// Skips the container whose bracket is at openPos; returns the position of its closing bracket,
// or the last position examined when the file ends first. Off the path only nesting matters,
// which depends on quotes, backslashes and brackets alone (see stream_skip.h); nesting is a
// counter plus closedLevels_, the few levels opened right after a quoted token, so any depth
// works without recursion.
int64_t StreamScanner::skipContainer(int64_t openPos) {
    closedLevels_.clear();
    detail::SkipState state;
    state.closedLevels = &closedLevels_;
    state.backslashSkip = backslashSkip_;
    int64_t pos = openPos + 1;
    for (;;) {
        if (pos >= length_) return pos - 1;
        if (pos < chunkStart_ || pos >= chunkEnd_) {
            if (!loadChunk(pos)) return std::max(pos, length_) - 1;
        }
        int64_t next = pos - chunkStart_;
        const int64_t closing = skip_(chunkData_, next, chunkEnd_ - chunkStart_, state);
        if (closing >= 0) {
            // The scan goes on right after the bracket, in the block the skip has just classified.
            setBlock(chunkStart_ + state.endBlock, state.endMasks);
            return chunkStart_ + closing;
        }
        pos = chunkStart_ + next;
    }
}

// The container scan on the path. One frame per on-path container; containers off the path, and
// the value found, are skipped by skipContainer. Returns as scanContainer does.
int64_t StreamScanner::scan(int64_t start, int32_t segmentIndex, bool onPath) {
    const int64_t segments = static_cast<int64_t>(path_->size());
    frames_.clear();
    frames_.emplace_back();
    initFrame(frames_.back(), segmentIndex, onPath);
    int64_t pos = start + 1;
    for (;;) {
        Frame* f = &frames_.back();
        const int kind = f->quoteState == 1 ? (f->doubleQuoted ? kInDouble : kInSingle)
                                            : (f->mark < 0 ? kBeforeBracket : kFull);
        const int64_t p = nextEvent(pos, kind);
        if (p >= length_) {
            frames_.clear();
            return std::max(pos, length_) - 1;
        }
        const uint8_t c = byteAt(p);
        pos = p;
        const bool last = f->segmentIndex == segments - 1;
        bool ends = false;
        switch (c) {
        case '\\':
            pos += backslashSkip_;
            break;
        case '{':
        case '[': {
            if (f->mark < 0) {
                f->mark = p;
                f->containerType = c == '{' ? 2 : 3;
                break;
            }
            const bool matched = tryMatch(*f, f->keyPending);
            f->keyPending = false;
            f->afterChild = true;
            if (matched && !last) {
                Frame child;
                child.mark = p;
                child.containerType = c == '{' ? 2 : 3;
                initFrame(child, f->segmentIndex + 1, true);
                frames_.push_back(child);
                break;
            }
            const int64_t r = skipContainer(p);
            if (matched) {
                takeValue(p, r, false);
                frames_.clear();
                return -1;
            }
            pos = r;
            break;
        }
        case '"':
        case '\'':
            if (f->quoteStart < 0) {
                f->quoteStart = p;
                f->quoteState = 1;
                f->doubleQuoted = c == '"';
            } else if ((c == '"') == f->doubleQuoted) {
                f->quoteState = 2;
                if (!f->keyPending) {
                    f->pendFrom = f->quoteStart;
                    f->pendTo = p;
                    f->pendAfterMark = false;
                    f->keyPending = true;
                } else {
                    f->keyPending = false;
                    if (tryMatch(*f, true) && last) {
                        takeValue(f->quoteStart, p, false);
                        frames_.clear();
                        return -1;
                    }
                }
            }
            break;
        default: { // '}' ']' ',' ':'
            const bool closing = c == '}' || c == ']';
            if (f->mark < 0) { // only a closing bracket reaches here before the own bracket
                ends = true;
                break;
            }
            const bool colon = c == ':';
            int64_t newMark = f->mark;
            bool toTail = false;
            // D1: the new mark, and the members completed by this delimiter.
            if (colon) {
                newMark = f->keyPending ? p : f->mark;
            } else if (f->afterChild) {
                newMark = f->keyPending ? f->mark : p;
            } else if (!f->keyPending && f->quoteStart >= 0) {
                newMark = p;
            } else if (!f->keyPending) { // a keyless bare value
                if (f->matchKind != kMatchNothing && f->mark < p - 1 &&
                    ((p - 1 >= chunkStart_ && byteAt(p - 1) > 0x20) || hasNonBlank(f->mark + 1, p - 1)) &&
                    tryMatch(*f, false) && last) {
                    takeValue(f->mark + 1, p - 1, true);
                    frames_.clear();
                    return -1;
                }
                newMark = p;
                f->skipTail = true;
            } else if (f->quoteStart >= 0) { // a quoted token with no partner: a keyless value
                if (tryMatch(*f, false) && last) {
                    takeValue(f->pendFrom, f->pendTo, f->pendAfterMark);
                    frames_.clear();
                    return -1;
                }
                f->keyPending = false;
                newMark = p;
            } else {
                toTail = true; // a key waiting for a bare value
            }
            if (!toTail) {
                // D2
                f->mark = newMark;
                if (f->quoteStart >= 0) {
                    f->quoteStart = -1;
                    f->quoteState = 0;
                    if (!closing) break;
                    f->closedAtBracket = true;
                }
                // D3
                if (f->afterChild) {
                    f->afterChild = false;
                    ends = closing;
                    break;
                }
            }
            // D4: the tail of a bare token
            if (f->closedAtBracket) {
                f->closedAtBracket = false;
            } else if (f->skipTail) {
                f->skipTail = false;
            } else {
                const int64_t from = f->mark + 1, to = p - 1;
                if (!f->keyPending) {
                    f->pendFrom = from;
                    f->pendTo = to;
                    f->pendAfterMark = true;
                    f->keyPending = true;
                } else {
                    f->keyPending = false;
                    if (from <= to && tryMatch(*f, true) && last) {
                        takeValue(from, to, true);
                        frames_.clear();
                        return -1;
                    }
                }
                f->mark = p;
            }
            ends = closing; // D5
            break;
        }
        }
        if (ends) {
            frames_.pop_back();
            if (frames_.empty()) return p;
        }
        ++pos;
    }
}

void StreamScanner::begin() {
    length_ = static_cast<int64_t>(std::min<uint64_t>(f_.length, uint64_t(INT64_MAX)));
    backslashSkip_ = f_.encoding == kStreamUtf16LE || f_.encoding == kStreamUtf16BE ? 2 : 1;
    chunkSize_ = std::clamp<int64_t>(f_.chunkSizeKiB, 1, kMaxChunkKiB) * 1024;
    unmapChunk();
    chunkStart_ = chunkEnd_ = -1; // the buffer may hold another file's bytes
    chunkData_ = nullptr;
    blockStart_ = windowStart_ = -1;
    found_ = false;
    status_ = StreamStatus::NotFound;
}

int64_t StreamScanner::scanContainer(int64_t start, int32_t segmentIndex, CompiledStreamPath& path,
                                     bool onPath) {
    // A call from outside a running extraction takes its state from the fields.
    if (path_ == nullptr) begin();
    CompiledStreamPath* saved = path_;
    path_ = &path;
    const int64_t r = scan(start, segmentIndex, onPath);
    path_ = saved;
    if (chunkStart_ >= 0 && r >= 0)
        f_.chunkOffset = static_cast<int32_t>(std::max<int64_t>(0, r - chunkStart_) % chunkSize_);
    return r;
}

bool StreamScanner::extractFromFile(CWStringView filePath, int32_t encoding, CWStringView path,
                                    CWString& out) {
    f_.resultBytes.release();
    raw_.release();
    found_ = false;
    status_ = StreamStatus::CannotOpen;
    if (filePath.empty()) return false;
    if (encoding < kStreamAnsi || encoding > kStreamUtf16BE) {
        status_ = StreamStatus::BadEncoding;
        return false;
    }
    // Read access only: asking for write access would make read-only files unreadable.
    rg_Tolvar_MingLingJi::rg_TolvarWenJianDouXieLei file;
    if (!file.open(filePath)) return false;
    const int64_t size = file.fileSize();
    if (size < 0) return false;

    CompiledStreamPath compiled;
    compileStreamPath(path, encoding, compiled);
    f_.fd = file.handle();
    f_.encoding = encoding;
    f_.length = static_cast<uint64_t>(size);
    begin();
    path_ = &compiled;

    if (compiled.size() == 0) {
        // The whole file, mark included.
        found_ = true;
        status_ = StreamStatus::Found;
        if (size > maxValueBytes) {
            status_ = StreamStatus::TooLarge;
        } else if (size > 0) {
            CKorMem& r = f_.resultBytes;
            r.reserve(static_cast<size_t>(size));
            const int64_t got = readAt(0, r.extend(static_cast<size_t>(size)), size);
            r.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
        }
    } else if (size > 0) {
        // The top-level values one after another; occurrence counts carry over, element counts
        // do not. A value found with no bytes still ends the search.
        int64_t p = -1;
        for (;;) {
            p = scan(p, 0, true);
            if (p < 0 || found_ || p + 1 >= length_) break;
        }
        if (chunkStart_ >= 0 && p >= 0)
            f_.chunkOffset = static_cast<int32_t>(std::max<int64_t>(0, p - chunkStart_) % chunkSize_);
    }
    path_ = nullptr;
    unmapChunk();
    chunkStart_ = chunkEnd_ = -1;
    chunkData_ = nullptr;
    f_.fd = -1;
    file.close();
    if (status_ == StreamStatus::TooLarge || status_ == StreamStatus::ReadError ||
        status_ == StreamStatus::Cancelled) {
        f_.resultBytes.release();
        return false;
    }
    out = decodeStreamBytes(f_.resultBytes, encoding);
    if (keepRawBytes) raw_ = std::move(f_.resultBytes);
    f_.resultBytes.release();
    return true;
}

// ---- the document's stream operations -------------------------------------------------------

namespace {

StreamFields fieldsOf(rg_TolvarJSONLei& d) {
    return StreamFields{d.streamLength, d.streamEncoding, d.resultBytes, d.chunkSizeKiB,
                        d.chunkOffset,  d.chunkBytes,     d.streamFd};
}

} // namespace

bool rg_TolvarJSONLei::extractFromFile(CWStringView filePath, int32_t encoding, CWStringView path,
                                       CWString& out) {
    StreamScanner scanner(fieldsOf(*this));
    scanner.progress = streamProgress;
    return scanner.extractFromFile(filePath, encoding, path, out);
}

int64_t rg_TolvarJSONLei::scanContainer(int64_t start, int32_t segmentIndex, CompiledStreamPath& path,
                                        bool onPath) {
    StreamScanner scanner(fieldsOf(*this));
    return scanner.scanContainer(start, segmentIndex, path, onPath);
}

void rg_TolvarJSONLei::readRange(int64_t from, int64_t to, bool startsAfterMark, CKorMem& target) {
    StreamScanner scanner(fieldsOf(*this));
    scanner.readRange(from, to, startsAfterMark, target);
}

void rg_TolvarJSONLei::normalizeKeyBytes(CKorMem& bytes) const {
    normalizeStreamKeyBytes(bytes, streamEncoding);
}

// ---- self-contained extractor ----------------------------------------------------------------

StreamExtractor::StreamExtractor()
    : scanner_(
          StreamFields{length_, encoding_, resultBytes_, chunkSizeInUse_, chunkOffset_, chunkBytes_, fd_}) {}

bool StreamExtractor::extractFromFile(CWStringView filePath, int32_t encoding, CWStringView path,
                                      CWString& out) {
    chunkSizeInUse_ = chunkSizeKiB;
    scanner_.maxValueBytes = maxValueBytes;
    scanner_.keepRawBytes = keepValueBytes;
    scanner_.mapChunks = mapChunks;
    return scanner_.extractFromFile(filePath, encoding, path, out);
}

} // namespace rg_Tolvar_JSON
