// Byte classification for the stream scanner: for a block of 64 bytes, one bit per byte for each
// class of structural byte the scan reacts to. Bit i stands for byte i of the block.
//
// Pure functions, callable from any thread. The best implementation for the running CPU (AVX-512,
// AVX2, SSE2 or plain C++) is chosen when a scanner is made; all implementations give identical
// masks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rg_Tolvar_JSON::detail {

struct StreamBlockMasks {
    uint64_t backslash = 0; // '\'
    uint64_t dquote = 0;    // '"'
    uint64_t squote = 0;    // '\''
    uint64_t open = 0;      // '{' '['
    uint64_t close = 0;     // '}' ']'
    uint64_t delim = 0;     // ',' ':'
};

// Classifies the 64 bytes at `block` (all 64 must be readable).
using StreamMaskFunction = void (*)(const uint8_t* block, StreamBlockMasks& out);

void streamMasksScalar(const uint8_t* block, StreamBlockMasks& out);
void streamMasksSse2(const uint8_t* block, StreamBlockMasks& out);   // x86-64 only; else scalar
void streamMasksAvx2(const uint8_t* block, StreamBlockMasks& out);   // only where the CPU has AVX2
void streamMasksAvx512(const uint8_t* block, StreamBlockMasks& out); // only where the CPU has AVX-512BW
bool cpuHasAvx2();
bool cpuHasAvx512(); // AVX-512F and BW

// Instruction-set levels of the stream kernels.
enum StreamSimdLevel : int {
    kStreamSimdBase = 0,   // SSE2 (plain C++ off x86-64)
    kStreamSimdAvx2 = 1,   // AVX2 with PCLMULQDQ, POPCNT, BMI1/2
    kStreamSimdAvx512 = 2, // AVX-512F/BW on top of that
};
// The level scanners made from now on use: the best the CPU has, capped by the limit below.
int streamSimdLevel();
// Caps the level (tests and benchmarks force each path with it); kStreamSimdAvx512 lifts the cap.
// Takes effect for scanners made afterwards.
void setStreamSimdLimit(int level);

// The fastest implementation at streamSimdLevel().
StreamMaskFunction bestStreamMaskFunction();

// True when one of the `n` bytes at `p` is above 0x20 (not white space or a control byte).
bool anyByteAbove20(const uint8_t* p, size_t n);

} // namespace rg_Tolvar_JSON::detail
