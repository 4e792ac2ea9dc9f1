// CKorMem: a growable byte buffer.
//
// Holds bytes, a length and a capacity. The growth step (64 bytes unless a caller sets a larger
// one before a bulk fill) is the least a full buffer grows by; growth is also at least
// geometric so appending stays amortised O(1) whatever the step. Copying is deep. Storage comes
// from allocateBlock (huge pages for large buffers) and grows in place where it can.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

class CKorMem {
public:
    CKorMem() = default;
    CKorMem(const CKorMem& other);
    CKorMem& operator=(const CKorMem& other);
    CKorMem(CKorMem&& other) noexcept;
    CKorMem& operator=(CKorMem&& other) noexcept;
    ~CKorMem() = default;

    const uint8_t* data() const { return data_.get(); }
    uint8_t* data() { return data_.get(); }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }

    size_t growthStep() const { return step_; }
    void setGrowthStep(size_t step) { step_ = step < 64 ? 64 : step; }

    void append(const void* bytes, size_t n);
    void appendByte(uint8_t b) { append(&b, 1); }
    // Grows the length by n bytes (uninitialised) and returns a pointer to them.
    uint8_t* extend(size_t n);
    void reserve(size_t capacity);
    void resize(size_t n); // new bytes are zero
    void clear() { size_ = 0; }
    // Frees the storage; the growth step is kept.
    void release();

private:
    void grow(size_t needed);

    struct FreeBlock {
        void operator()(uint8_t* p) const noexcept;
    };
    std::unique_ptr<uint8_t[], FreeBlock> data_; // owned
    size_t size_ = 0;
    size_t capacity_ = 0;
    size_t step_ = 64;
};
