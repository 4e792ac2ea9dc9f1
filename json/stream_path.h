// The compiled form of a JSON path used by stream extraction: four lists indexed by segment number.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/kor_mem.h"

namespace rg_Tolvar_JSON {

struct CompiledStreamPath {
    // Key segment: the key encoded in the file's encoding. Index segment: the index as 4 bytes,
    // little-endian.
    std::vector<CKorMem> segmentKeys;
    std::vector<int32_t> isIndexSegment;   // 1 index segment, 0 key segment
    std::vector<int32_t> wantedOccurrence; // key segment: the number after "->", else 0
    // Members matching this segment's key met so far (whole call). 64-bit so that a file with more
    // than 2^31 members of one key cannot wrap round to a small or negative count.
    std::vector<int64_t> seenCount;

    size_t size() const { return segmentKeys.size(); }

    // The index of an index segment (decoded from its 4 bytes); 0 for a malformed entry.
    int32_t segmentIndexValue(size_t segment) const {
        int32_t v = 0;
        const CKorMem& k = segmentKeys[segment];
        if (k.size() == 4) {
            const uint8_t* b = k.data();
            v = static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                     uint32_t(b[3]) << 24);
        }
        return v;
    }

    void clear() {
        segmentKeys.clear();
        isIndexSegment.clear();
        wantedOccurrence.clear();
        seenCount.clear();
    }
};

} // namespace rg_Tolvar_JSON
