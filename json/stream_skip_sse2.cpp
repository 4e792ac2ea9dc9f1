#include <cstdint>
#include <vector>

#include "json/stream_classify.h"
#include "json/stream_skip.h"

namespace rg_Tolvar_JSON::detail {

#ifdef QUELIX_STREAM_X86
#define QUELIX_SKIP_CLASSIFY(p, m) classifySse2((p), (m))
#else
#define QUELIX_SKIP_CLASSIFY(p, m) classifyScalar((p), (m))
#endif
#define QUELIX_SKIP_ATTRIBUTES
#define QUELIX_SKIP_FUNCTION skipChunkSse2
#include "json/stream_skip_impl.h"
#undef QUELIX_SKIP_FUNCTION
#undef QUELIX_SKIP_ATTRIBUTES
#undef QUELIX_SKIP_CLASSIFY

SkipChunkFunction bestSkipChunkFunction() { return cpuHasAvx2() ? &skipChunkAvx2 : &skipChunkSse2; }

} // namespace rg_Tolvar_JSON::detail
