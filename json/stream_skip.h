// The skip loop of stream extraction: runs through the bytes of one chunk of a container that is
// off the path, tracking only what decides where the container ends. Internal to the stream
// extractor; compiled once per instruction set (stream_skip_avx512.cpp, stream_skip_avx2.cpp,
// stream_skip_sse2.cpp) from the one body in stream_skip_impl.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "json/stream_masks.h"

namespace rg_Tolvar_JSON::detail {

// Quote state of one nesting level while skipping. kNormal: outside quotes; kDouble/kSingle:
// inside quotes; kClosed: a quoted token has closed and no delimiter has come yet (quote bytes are
// plain bytes until then).
enum SkipQuoteState : uint8_t { kSkipNormal, kSkipDouble, kSkipSingle, kSkipClosed };

struct SkipState {
    uint8_t state = kSkipNormal;
    size_t level = 1; // nesting level inside the skipped container, 1 = its own
    // A bracket opens a level in kNormal or kClosed and its closing bracket restores that state.
    // kNormal is the rule; the levels opened in kClosed (a bracket right after a quoted token) are
    // listed here, ascending: closing from level L + 1 to L restores kClosed exactly when L is
    // the last entry. Most skips never touch the list, and blocks whose closing brackets cannot
    // reach its last entry are taken by counting alone.
    std::vector<size_t>* closedLevels = nullptr;
    int32_t backslashSkip = 1; // bytes a backslash skips (2 in UTF-16 files)
    // Set when the skip ends: the masks of the block that holds the closing bracket and that
    // block's offset, so the caller need not classify it again.
    StreamBlockMasks endMasks;
    int64_t endBlock = -1;
};

// Scans data[next .. end) (data padded with at least 64 zero bytes after end, and `next` and the
// blocks aligned to 64 bytes relative to `data`). Returns the offset of the bracket that closes
// level 1, or -1 when the chunk ran out first; `next` is then the offset to continue from (end,
// or beyond it after a backslash in the last bytes).
using SkipChunkFunction = int64_t (*)(const uint8_t* data, int64_t& next, int64_t end, SkipState& s);

int64_t skipChunkSse2(const uint8_t* data, int64_t& next, int64_t end, SkipState& s);
int64_t skipChunkAvx2(const uint8_t* data, int64_t& next, int64_t end, SkipState& s);
int64_t skipChunkAvx512(const uint8_t* data, int64_t& next, int64_t end, SkipState& s);
// The kernel for streamSimdLevel() (stream_masks.h).
SkipChunkFunction bestSkipChunkFunction();

} // namespace rg_Tolvar_JSON::detail
