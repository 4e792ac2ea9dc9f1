#include "runtime/kor_mem.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "runtime/large_block.h"

CKorMem::CKorMem(const CKorMem& other) : step_(other.step_) {
    if (other.size_ != 0) {
        reserve(other.size_);
        std::memcpy(data_.get(), other.data_.get(), other.size_);
        size_ = other.size_;
    }
}

CKorMem& CKorMem::operator=(const CKorMem& other) {
    if (this != &other) {
        CKorMem copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CKorMem::CKorMem(CKorMem&& other) noexcept
    : data_(std::move(other.data_)), size_(other.size_), capacity_(other.capacity_), step_(other.step_) {
    other.size_ = 0;
    other.capacity_ = 0;
}

CKorMem& CKorMem::operator=(CKorMem&& other) noexcept {
    data_ = std::move(other.data_);
    size_ = other.size_;
    capacity_ = other.capacity_;
    step_ = other.step_;
    other.size_ = 0;
    other.capacity_ = 0;
    return *this;
}

void CKorMem::grow(size_t needed) {
    size_t next = std::max({needed, capacity_ + step_, capacity_ + capacity_ / 2});
    reserve(next);
}

void CKorMem::FreeBlock::operator()(uint8_t* p) const noexcept {
    std::free(p);
}

void CKorMem::reserve(size_t capacity) {
    if (capacity <= capacity_) return;
    void* bigger = data_ ? rg_Korrin_JiBen::reallocateBlock(data_.get(), capacity)
                         : rg_Korrin_JiBen::allocateBlock(capacity);
    if (bigger == nullptr) throw std::bad_alloc();
    (void)data_.release(); // realloc freed or kept it; `bigger` owns the bytes now
    data_.reset(static_cast<uint8_t*>(bigger));
    capacity_ = capacity;
}

uint8_t* CKorMem::extend(size_t n) {
    if (size_ + n > capacity_) grow(size_ + n);
    uint8_t* p = data_.get() + size_;
    size_ += n;
    return p;
}

void CKorMem::append(const void* bytes, size_t n) {
    if (n == 0) return;
    std::memcpy(extend(n), bytes, n);
}

void CKorMem::resize(size_t n) {
    if (n > size_) {
        size_t old = size_;
        std::memset(extend(n - old), 0, n - old);
    } else {
        size_ = n;
    }
}

void CKorMem::release() {
    data_.reset();
    size_ = 0;
    capacity_ = 0;
}
