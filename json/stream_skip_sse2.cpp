#include <cstdint>
#include <vector>

#include "json/stream_classify.h"
#include "json/stream_skip.h"

namespace rg_Tolvar_JSON::detail {

namespace {
// Bit i = XOR of bits 0..i, by doubling shifts (no carry-less multiply in plain x86-64).
inline uint64_t prefixXorShifts(uint64_t x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}
} // namespace

#ifdef QUELIX_STREAM_X86
#define QUELIX_SKIP_CLASSIFY(p, m) classifySse2((p), (m))
#else
#define QUELIX_SKIP_CLASSIFY(p, m) classifyScalar((p), (m))
#endif
#define QUELIX_SKIP_PREFIX_XOR(x) prefixXorShifts(x)
#define QUELIX_SKIP_ATTRIBUTES
#define QUELIX_SKIP_FUNCTION skipChunkSse2
#include "json/stream_skip_impl.h"
#undef QUELIX_SKIP_FUNCTION
#undef QUELIX_SKIP_ATTRIBUTES
#undef QUELIX_SKIP_PREFIX_XOR
#undef QUELIX_SKIP_CLASSIFY

SkipChunkFunction bestSkipChunkFunction() {
    switch (streamSimdLevel()) {
    case kStreamSimdAvx512:
        return &skipChunkAvx512;
    case kStreamSimdAvx2:
        return &skipChunkAvx2;
    default:
        return &skipChunkSse2;
    }
}

} // namespace rg_Tolvar_JSON::detail
