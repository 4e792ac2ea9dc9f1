#include <cstdint>
#include <vector>

#include "json/stream_classify.h"
#include "json/stream_skip.h"

namespace rg_Tolvar_JSON::detail {

#ifdef QUELIX_STREAM_X86
// Bit i = XOR of bits 0..i: the carry-less product with all ones.
#define QUELIX_SKIP_PREFIX_XOR(x)                                                                            \
    uint64_t(_mm_cvtsi128_si64(                                                                              \
        _mm_clmulepi64_si128(_mm_cvtsi64_si128(int64_t(x)), _mm_set1_epi8(char(0xFF)), 0)))
#define QUELIX_SKIP_CLASSIFY(p, m) classifyAvx2((p), (m))
#define QUELIX_SKIP_ATTRIBUTES __attribute__((target("avx2,pclmul,popcnt,bmi,bmi2,lzcnt")))
#define QUELIX_SKIP_FUNCTION skipChunkAvx2
#include "json/stream_skip_impl.h"
#undef QUELIX_SKIP_FUNCTION
#undef QUELIX_SKIP_ATTRIBUTES
#undef QUELIX_SKIP_CLASSIFY
#undef QUELIX_SKIP_PREFIX_XOR
#else
// No AVX2 here: the plain version stands in.
int64_t skipChunkAvx2(const uint8_t* data, int64_t& next, int64_t end, SkipState& s) {
    return skipChunkSse2(data, next, end, s);
}
#endif

} // namespace rg_Tolvar_JSON::detail
