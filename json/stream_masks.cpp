#include "json/stream_masks.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "json/stream_classify.h"

namespace rg_Tolvar_JSON::detail {

void streamMasksScalar(const uint8_t* block, StreamBlockMasks& out) {
    classifyScalar(block, out);
}

#ifdef QUELIX_STREAM_X86

void streamMasksSse2(const uint8_t* block, StreamBlockMasks& out) {
    classifySse2(block, out);
}

__attribute__((target("avx2"))) void streamMasksAvx2(const uint8_t* block, StreamBlockMasks& out) {
    classifyAvx2(block, out);
}

__attribute__((target("avx512f,avx512bw"))) void streamMasksAvx512(const uint8_t* block,
                                                                   StreamBlockMasks& out) {
    classifyAvx512(block, out);
}

bool cpuHasAvx2() {
    // The AVX2 kernels also use carry-less multiplication, POPCNT and BMI.
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("pclmul") != 0 &&
               __builtin_cpu_supports("popcnt") != 0 && __builtin_cpu_supports("bmi") != 0 &&
               __builtin_cpu_supports("bmi2") != 0;
    }();
    return has;
}

bool cpuHasAvx512() {
    static const bool has = [] {
        __builtin_cpu_init();
        return cpuHasAvx2() && __builtin_cpu_supports("avx512f") != 0 &&
               __builtin_cpu_supports("avx512bw") != 0;
    }();
    return has;
}

#else

void streamMasksSse2(const uint8_t* block, StreamBlockMasks& out) {
    classifyScalar(block, out);
}
void streamMasksAvx2(const uint8_t* block, StreamBlockMasks& out) {
    classifyScalar(block, out);
}
void streamMasksAvx512(const uint8_t* block, StreamBlockMasks& out) {
    classifyScalar(block, out);
}
bool cpuHasAvx2() {
    return false;
}
bool cpuHasAvx512() {
    return false;
}

#endif

namespace {
std::atomic<int> gSimdLimit{kStreamSimdAvx512};
} // namespace

int streamSimdLevel() {
    const int cpu = cpuHasAvx512() ? kStreamSimdAvx512 : cpuHasAvx2() ? kStreamSimdAvx2 : kStreamSimdBase;
    return std::min(cpu, gSimdLimit.load(std::memory_order_relaxed));
}

void setStreamSimdLimit(int level) {
    gSimdLimit.store(std::clamp(level, int(kStreamSimdBase), int(kStreamSimdAvx512)),
                     std::memory_order_relaxed);
}

StreamMaskFunction bestStreamMaskFunction() {
#ifdef QUELIX_STREAM_X86
    switch (streamSimdLevel()) {
    case kStreamSimdAvx512:
        return &streamMasksAvx512;
    case kStreamSimdAvx2:
        return &streamMasksAvx2;
    default:
        return &streamMasksSse2;
    }
#else
    return &streamMasksScalar;
#endif
}

bool anyByteAbove20(const uint8_t* p, size_t n) {
    // Eight bytes at a time: adding 0x5F to a byte below 0x80 sets its top bit exactly when the
    // byte is above 0x20; bytes of 0x80 and above have it set already.
    constexpr uint64_t kAdd = 0x5F5F5F5F5F5F5F5FULL, kTop = 0x8080808080808080ULL,
                       kLow = 0x7F7F7F7F7F7F7F7FULL;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        if ((((w & kLow) + kAdd) | w) & kTop) return true;
    }
    for (; i < n; ++i)
        if (p[i] > 0x20) return true;
    return false;
}

} // namespace rg_Tolvar_JSON::detail
