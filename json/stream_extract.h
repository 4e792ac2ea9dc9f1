// Stream extraction: the JSON text at a path inside a file of any size, found without loading the
// file or building a tree.
//
// The file is read in chunks (chunkSizeKiB x 1024 bytes, one positioned read each, into one
// reusable buffer) and scanned with the lenient parser's structural rules applied to single bytes,
// whatever the encoding (ANSI, UTF-8, UTF-16LE, UTF-16BE). The path is followed segment by
// segment; as soon as the addressed member or element is complete, exactly its bytes are read
// from the file by a separate positioned read, and the scan stops. Positions are 64-bit.
//
// Speed: bytes between structural characters are never looked at one by one. Each 64-byte block
// is classified once (AVX-512, AVX2 or SSE2, chosen at run time; stream_masks.h); containers on
// the path jump from one structural byte to the next, containers off the path are skipped by the
// reduced state machine of stream_skip.h, which settles backslashes, quotes and nesting of a whole
// block with bit operations and popcounts. Nesting uses explicit stacks and counters, never
// recursion, so any depth works. Keys are compared in place when their bytes are still in the
// chunk, and read from the file otherwise.
//
// Sound behaviour where a literal reading would fail:
// - the file is opened for reading only, so read-only files can be extracted from;
// - a value (or, for an empty path, the whole file) larger than maxValueBytes (default 2^31 - 1)
//   is not read: the extraction fails with status TooLarge instead of cutting the value or making
//   an enormous allocation;
// - a value found with no bytes (possible in UTF-16, where the range adjustments can take away
//   the one byte between mark and delimiter) still ends the search: the result is the empty text;
// - element and occurrence counters are 64-bit, so they cannot wrap round in huge files;
// - a file that shrinks or fails to read during the scan ends the scan there (ReadError on a
//   failed read); nothing is read out of bounds.
//
// Threads: a scanner or extractor is used by one thread at a time; independent objects may run in
// parallel. The file is open only during one extractFromFile call.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "runtime/kor_mem.h"
#include "runtime/types.h"
#include "json/stream_masks.h"
#include "json/stream_path.h"
#include "json/stream_skip.h"

namespace rg_Tolvar_JSON {

// Encodings of a streamed file, in the order of the stream panel's list.
inline constexpr int32_t kStreamAnsi = 0;
inline constexpr int32_t kStreamUtf8 = 1;
inline constexpr int32_t kStreamUtf16LE = 2;
inline constexpr int32_t kStreamUtf16BE = 3;

inline constexpr int64_t kMaxStreamValueBytes = int64_t(0x7FFFFFFF);

// How the last extraction ended.
enum class StreamStatus : int32_t {
    Found,       // the path named a value (its text may still be empty)
    NotFound,    // the path names nothing; the whole file was scanned
    CannotOpen,  // empty file name, missing or unreadable file, directory, or not seekable
    BadEncoding, // encoding number outside 0..3
    TooLarge,    // the value (or the whole file, for an empty path) exceeds maxValueBytes
    ReadError,   // the system reported a read failure during the scan
    Cancelled,   // the caller asked the scan to stop (StreamProgress::cancel)
};

// Shared with another thread during one extraction: how far the scan has read, and a request to
// stop. The scanner publishes the end of each chunk it reads and checks `cancel` before each read.
struct StreamProgress {
    std::atomic<int64_t> bytesRead{0};
    std::atomic<bool> cancel{false};
};

// The working state of an extraction. The owner (a document, or a StreamExtractor) keeps the
// fields; a scanner borrows them for the length of its use (they must outlive it).
struct StreamFields {
    uint64_t& length;      // file size in bytes
    int32_t& encoding;     // 0 ANSI, 1 UTF-8, 2 UTF-16LE, 3 UTF-16BE
    CKorMem& resultBytes;  // raw bytes of the value found
    int32_t& chunkSizeKiB; // chunk size in KiB (clamped to 1 .. 1048576 when used)
    int32_t& chunkOffset;  // offset of the scan position inside the current chunk
    CKorMem& chunkBytes;   // the current chunk (kept until the next call)
    int& fd;               // descriptor of the open file during a call, -1 otherwise; not owned
};

// Runs extractions over borrowed StreamFields.
//
// Invariants: between calls no file is open (fields.fd is -1) and resultBytes is empty; while a
// scan runs, chunkData_ holds the file bytes [chunkStart_, chunkEnd_): either in
// fields.chunkBytes followed by 64 zero bytes, or, for a whole chunk of a multiple of the page size
// (so that no 64-byte block runs past its end), in a read-only mapping of the file that lasts
// until the next chunk or the end of the call. One scanner serves one whole
// extractFromFile call (it remembers which chunk the buffer holds) and may be reused afterwards.
// Ownership: owns its stacks and look-back window; borrows the fields. One thread at a time.
class StreamScanner {
public:
    explicit StreamScanner(StreamFields fields);
    ~StreamScanner();
    StreamScanner(const StreamScanner&) = delete;
    StreamScanner& operator=(const StreamScanner&) = delete;

    // The value at `path` in the file. False (and `out` unchanged) when the file name is empty,
    // the file cannot be opened, the encoding is unknown, the value is too large or a read fails;
    // otherwise true with `out` = the value's text, empty when the path names nothing.
    bool extractFromFile(CWStringView filePath, int32_t encoding, CWStringView path, CWString& out);

    // Scans one container from byte `start` + 1 (the file must be open in fields.fd and
    // fields.length set). Returns the position of the closing bracket that ended it, the last
    // position examined when the file ended, or -1 when the value was found (resultBytes then
    // holds it) or found too large (status() says which).
    int64_t scanContainer(int64_t start, int32_t segmentIndex, CompiledStreamPath& path, bool onPath);

    // Reads the file bytes `from`..`to` (inclusive scan positions) into `target`, adjusted for
    // UTF-16: ranges between two structural characters (startsAfterMark false) gain the other
    // byte of the closing (LE) or opening (BE) character; ranges that start after a mark lose the
    // mark's other byte (LE) or the delimiter's (BE). Cut at the end of the file; never before 0.
    void readRange(int64_t from, int64_t to, bool startsAfterMark, CKorMem& target);

    StreamStatus status() const { return status_; }
    // Largest value the extraction reads (bytes); larger ones fail with TooLarge.
    int64_t maxValueBytes = kMaxStreamValueBytes;
    // Keep a copy of the raw bytes of the last value found (rawBytes()), for tests and tools.
    bool keepRawBytes = false;
    const CKorMem& rawBytes() const { return raw_; }
    // Progress and cancellation for one call, when set (not owned).
    StreamProgress* progress = nullptr;
    // Whole chunks are mapped from the file rather than read into chunkBytes (loadChunk); off,
    // every chunk is read. Both give the same results, but a mapped file that another program
    // truncates during the scan ends the process (SIGBUS on the missing pages), where reading
    // just meets the shorter end; so mapping stays off unless a caller that owns the file asks.
    bool mapChunks = false;

private:
    // Scan state of one container on the path (the parser's container-scan variables, 64-bit).
    struct Frame {
        int64_t mark = -1;          // -1 before the own bracket; else the last structural mark
        int64_t quoteStart = -1;    // opening quote of the current quoted token, until the next delimiter
        int64_t elementCounter = 0; // keyless members completed so far (containers opened by '[')
        int64_t pendFrom = 0;       // scan range of the member's first token (the key, or a keyless value)
        int64_t pendTo = -1;
        int32_t segmentIndex = 0;  // segment that the members of this container are matched against
        uint8_t quoteState = 0;    // 0 no quote, 1 inside quotes, 2 quoted token closed
        uint8_t containerType = 4; // 2 after '{', 3 after '[', 4 before the own bracket
        bool doubleQuoted = false;
        bool keyPending = false;
        bool afterChild = false;
        bool skipTail = false;
        bool closedAtBracket = false;
        bool pendAfterMark = false; // the first token was bare (its range starts after a mark)
        bool onPath = false;
        uint8_t matchKind = 0;   // kMatchNothing, kMatchKey, kMatchEmptyKey or kMatchIndex
        int32_t wantedIndex = 0; // index segment: the element wanted
    };
    enum : uint8_t { kMatchNothing, kMatchKey, kMatchEmptyKey, kMatchIndex };
    enum MaskKind : int { kInDouble, kInSingle, kSkipNormal, kSkipClosed, kBeforeBracket, kFull, kKinds };

    void begin();
    int64_t scan(int64_t start, int32_t segmentIndex, bool onPath);
    int64_t skipContainer(int64_t openPos);
    void initFrame(Frame& f, int32_t segmentIndex, bool onPath) const;
    bool tryMatch(Frame& f, bool keyed);
    bool keyEquals(const Frame& f, const CKorMem& key);
    bool hasNonBlank(int64_t from, int64_t to);
    void takeValue(int64_t from, int64_t to, bool startsAfterMark);
    void adjustRange(int64_t& from, int64_t& to, bool startsAfterMark) const;

    int64_t nextEvent(int64_t pos, int kind);
    bool loadChunk(int64_t pos);
    bool mapChunk(int64_t start, int64_t bytes);
    void unmapChunk();
    void loadBlock(int64_t blockStart);
    void setBlock(int64_t blockStart, const detail::StreamBlockMasks& m);
    uint8_t byteAt(int64_t pos) const { return chunkData_[pos - chunkStart_]; }
    uint8_t byteAnywhere(int64_t pos, bool backward);
    int64_t readAt(int64_t offset, uint8_t* dst, int64_t count);

    StreamFields f_;
    CompiledStreamPath* path_ = nullptr; // not owned; set during a scan
    StreamStatus status_ = StreamStatus::NotFound;
    bool found_ = false;

    int64_t length_ = 0; // signed copy of f_.length (may shrink if the file does)
    int64_t chunkSize_ = 0;
    int32_t backslashSkip_ = 1; // bytes a backslash skips: 2 in UTF-16 files

    int64_t chunkStart_ = -1; // file position of chunkBytes[0], -1 when the buffer holds nothing
    int64_t chunkEnd_ = -1;
    const uint8_t* chunkData_ = nullptr;
    void* mapped_ = nullptr; // the mapped chunk, when chunkData_ points into a mapping
    int64_t mappedBytes_ = 0;

    int64_t blockStart_ = -1;
    uint64_t kindMask_[kKinds] = {};
    detail::StreamMaskFunction masks_;
    detail::SkipChunkFunction skip_;

    CKorMem window_; // short look-back reads (keys, blank checks) outside the chunk
    int64_t windowStart_ = -1;

    std::vector<Frame> frames_;
    std::vector<size_t> closedLevels_; // levels opened in kClosed while skipping (stream_skip.h)
    CKorMem raw_;
};

// Self-contained extraction state, for callers that have no document (quelix-cli, tests,
// benchmarks). Owns its fields and a scanner over them; keeps the chunk buffer between calls.
// Not copyable (the scanner refers to the fields). One thread at a time.
class StreamExtractor {
public:
    StreamExtractor();
    StreamExtractor(const StreamExtractor&) = delete;
    StreamExtractor& operator=(const StreamExtractor&) = delete;

    bool extractFromFile(CWStringView filePath, int32_t encoding, CWStringView path, CWString& out);
    // The raw bytes of the last value found, before decoding (only with keepValueBytes).
    const CKorMem& lastValueBytes() const { return scanner_.rawBytes(); }
    StreamStatus status() const { return scanner_.status(); }

    int32_t chunkSizeKiB = 10240;
    int64_t maxValueBytes = kMaxStreamValueBytes;
    bool keepValueBytes = false;
    bool mapChunks = false; // see StreamScanner::mapChunks

private:
    uint64_t length_ = 0;
    int32_t encoding_ = 0;
    CKorMem resultBytes_;
    int32_t chunkSizeInUse_ = 10240;
    int32_t chunkOffset_ = 0;
    CKorMem chunkBytes_;
    int fd_ = -1;
    StreamScanner scanner_;
};

// ---- helpers shared with the document ---------------------------------------------------------

// The byte-level unquote and trim used before comparing a key: when the first character (for
// UTF-16BE the byte after the first) is a quote, one unit (1 byte, 2 in UTF-16) goes from each
// end; then bytes of 0x20 and below are trimmed at both ends (in UTF-16 a unit goes when both of
// its bytes are 0x20 or below).
void normalizeStreamKeyBytes(CKorMem& bytes, int32_t encoding);

// Builds the compiled path for a file in `encoding`: key segments hold the key in that encoding,
// index segments the index as 4 little-endian bytes; seenCount all zero.
void compileStreamPath(CWStringView path, int32_t encoding, CompiledStreamPath& out);

// Decodes extracted bytes: ANSI through the system code page, UTF-8, UTF-16BE byte-swapped,
// UTF-16LE as is. In UTF-16 an odd last byte is dropped. The text ends at its first U+0000.
CWString decodeStreamBytes(const CKorMem& bytes, int32_t encoding);

} // namespace rg_Tolvar_JSON
