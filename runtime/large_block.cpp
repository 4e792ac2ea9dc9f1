#include "runtime/large_block.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace rg_Korrin_JiBen {

namespace {

// Asks for huge pages over the whole pages inside the block; a kernel without them ignores it.
void adviseHugePages(void* block, size_t bytes) noexcept {
    const uintptr_t page = 4096;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(page - 1);
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

} // namespace

void* allocateBlock(size_t bytes) noexcept {
    if (bytes < kHugePageBytes) return std::malloc(bytes == 0 ? 1 : bytes);
    const size_t rounded = (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    if (rounded < bytes) return nullptr;
    void* block = std::aligned_alloc(kHugePageBytes, rounded);
    if (block != nullptr) adviseHugePages(block, rounded);
    return block;
}

void* reallocateBlock(void* block, size_t bytes) noexcept {
    void* moved = std::realloc(block, bytes == 0 ? 1 : bytes);
    if (moved != nullptr && bytes >= kHugePageBytes) adviseHugePages(moved, bytes);
    return moved;
}

} // namespace rg_Korrin_JiBen
