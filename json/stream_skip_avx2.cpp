#include <cstdint>
#include <vector>

#include "json/stream_classify.h"
#include "json/stream_skip.h"

namespace rg_Tolvar_JSON::detail {

#ifdef QUELIX_STREAM_X86
#define QUELIX_SKIP_CLASSIFY(p, m) classifyAvx2((p), (m))
#define QUELIX_SKIP_ATTRIBUTES __attribute__((target("avx2")))
#define QUELIX_SKIP_FUNCTION skipChunkAvx2
#include "json/stream_skip_impl.h"
#undef QUELIX_SKIP_FUNCTION
#undef QUELIX_SKIP_ATTRIBUTES
#undef QUELIX_SKIP_CLASSIFY
#else
// No AVX2 here: the plain version stands in.
int64_t skipChunkAvx2(const uint8_t* data, int64_t& next, int64_t end, SkipState& s) {
    return skipChunkSse2(data, next, end, s);
}
#endif

} // namespace rg_Tolvar_JSON::detail
