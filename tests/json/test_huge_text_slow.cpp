// Texts of 2^31 code units and more: positions past the 32-bit range, and the refusal at 2^32.
// The texts are anonymous mappings of zero pages with a few characters written near the end, so
// they cost address space, not memory.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>

#include "json_test_util.h"
#include "json/document.h"

using namespace rg_Tolvar_JSON;

namespace {

class Mapping {
public:
    explicit Mapping(size_t units) : bytes_(units * 2) {
        void* p =
            mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        data_ = p == MAP_FAILED ? nullptr : static_cast<char16_t*>(p);
    }
    ~Mapping() {
        if (data_) munmap(data_, bytes_);
    }
    char16_t* data() const { return data_; }

private:
    size_t bytes_;
    char16_t* data_;
};

TEST(huge_text, positions_beyond_two_to_the_31) {
    const size_t units = (size_t(1) << 31) + 64;
    Mapping m(units);
    ASSERT_NE(m.data(), nullptr);
    const char16_t tail[] = u"{\"k\":[1,\"x\"]} [2]";
    const size_t n = std::char_traits<char16_t>::length(tail);
    std::memcpy(m.data() + units - n, tail, n * 2);
    // A quoted value opened before 2^31 and closed after it.
    const size_t mid = size_t(1) << 31;
    std::memcpy(m.data() + mid - 8, u"[\"a", 6);
    std::memcpy(m.data() + mid + 8, u"b\"]", 6);

    rg_TolvarJSONLei doc;
    EXPECT_EQ(doc.parseText(CWStringView(m.data(), units)), Array);
    ASSERT_EQ(doc.root().childCount(), 3);
    EXPECT_EQ(doc.root().child(0)->valueText().size(), 17u); // quote, a, 13 NULs, b, quote
    EXPECT_EQ(doc.root().child(1)->keyText(), u"\"k\"");
    EXPECT_EQ(toJsonText(*doc.root().child(1), true), u"[1, \"x\"]");
    EXPECT_EQ(doc.root().child(2)->valueText(), u"2");
}

TEST(huge_text, refused_from_two_to_the_32) {
    const size_t units = (size_t(1) << 32) + 8;
    Mapping m(units);
    ASSERT_NE(m.data(), nullptr);
    std::memcpy(m.data(), u"[1,2]", 10);
    rg_TolvarJSONLei doc;
    EXPECT_EQ(doc.parseText(CWStringView(m.data(), units)), Bare);
    EXPECT_EQ(doc.root().childCount(), 0);
    EXPECT_EQ(doc.root().keyText(), u"Tolvar\u00B7JSON");
}

} // namespace
