// Memory for large buffers (parse arenas, item buffers, file bytes).
//
// Blocks of 2 MiB and more are marked for transparent huge pages, so that filling them costs one
// page fault per 2 MiB instead of one per 4 KiB; on virtual machines, where a page fault is
// expensive, that is most of the cost of filling a fresh buffer. Smaller blocks are plain malloc
// blocks. All blocks are released with std::free.
//
// Thread-safe (malloc's guarantees).
#pragma once

#include <cstddef>

namespace rg_Korrin_JiBen {

inline constexpr size_t kHugePageBytes = size_t(2) << 20;

// A block of `bytes` (2 MiB aligned when large); nullptr when memory is exhausted.
void* allocateBlock(size_t bytes) noexcept;
// Grows or shrinks a block from allocateBlock or reallocateBlock, keeping its contents (large
// blocks are moved by remapping, not copying); nullptr (the old block kept) when memory is
// exhausted.
void* reallocateBlock(void* block, size_t bytes) noexcept;

} // namespace rg_Korrin_JiBen
