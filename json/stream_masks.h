// Byte classification for the stream scanner: for a block of 64 bytes, one bit per byte for each
// class of structural byte the scan reacts to. Bit i stands for byte i of the block.
//
// Pure functions, callable from any thread. The best implementation for the running CPU (AVX2,
// SSE2 or plain C++) is chosen once; all implementations give identical masks.
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
void streamMasksSse2(const uint8_t* block, StreamBlockMasks& out);  // x86-64 only; else scalar
void streamMasksAvx2(const uint8_t* block, StreamBlockMasks& out);  // only where the CPU has AVX2
bool cpuHasAvx2();
// The fastest implementation the running CPU supports.
StreamMaskFunction bestStreamMaskFunction();

// True when one of the `n` bytes at `p` is above 0x20 (not white space or a control byte).
bool anyByteAbove20(const uint8_t* p, size_t n);

} // namespace rg_Tolvar_JSON::detail
