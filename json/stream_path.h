// The compiled form of a JSON path used by stream extraction: four lists indexed by segment number.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/kor_mem.h"

namespace rg_Tolvar_JSON {

struct CompiledStreamPath {
    // Key segment: the key encoded in the file's encoding. Index segment: the index as 4 bytes, little-endian.
    std::vector<CKorMem> segmentKeys;
    std::vector<int32_t> isIndexSegment;   // 1 index segment, 0 key segment
    std::vector<int32_t> wantedOccurrence; // key segment: the number after "->", else 0
    std::vector<int32_t> seenCount;        // members matching this segment's key met so far (whole call)

    size_t size() const { return segmentKeys.size(); }
};

} // namespace rg_Tolvar_JSON
