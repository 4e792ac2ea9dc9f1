// Stream extraction at positions beyond 4 GiB, on a sparse in-memory file: the hole takes no
// memory and reads as zero bytes, which are ordinary blank bytes to the scan.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/json/test_stream_support.h"
#include "json/stream_extract.h"

using namespace rg_Tolvar_JSON;
using namespace stream_test;

namespace {

constexpr int64_t kHole = (int64_t(4) << 30) + (int64_t(1) << 28) + 13; // 4.25 GiB and a bit

// {"first":1, "a":[ <hole> , 42], "b":[7,"x"]}
// A memfd: reading its hole copies the shared zero page, far faster than a disk file's hole.
class SparseDocument {
public:
    SparseDocument() {
        fd_ = ::memfd_create("quelix_sparse", MFD_CLOEXEC);
        const std::string head = R"({"first":1, "a":[)";
        const std::string tail = R"(, 42], "b":[7,"x"]})";
        ok_ = fd_ >= 0 && ::pwrite(fd_, head.data(), head.size(), 0) == ssize_t(head.size()) &&
              ::pwrite(fd_, tail.data(), tail.size(), off_t(head.size()) + kHole) == ssize_t(tail.size());
    }
    ~SparseDocument() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return ok_; }
    fs::path path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_ = -1;
    bool ok_ = false;
};

} // namespace

TEST(stream, positions_beyond_4_gib) {
    const SparseDocument doc;
    ASSERT_TRUE(doc.ok());
    const fs::path file = doc.path();
    ASSERT_GT(static_cast<int64_t>(fs::file_size(file)), int64_t(4) << 30);

    // Near the start: found without reading the rest.
    EXPECT_EQ(extractFile(file, kStreamUtf8, "first").text, "1");

    // Key and value beyond 4 GiB.
    Outcome o = extractFile(file, kStreamUtf8, "b[1]");
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.text, "\"x\"");

    // The run of zero bytes before the first comma is blank, so it is no element: element 0 is
    // the one after it.
    o = extractFile(file, kStreamUtf8, "a[0]");
    EXPECT_EQ(o.status, StreamStatus::Found);
    EXPECT_EQ(o.text, " 42");

    // A value of more than 2 GiB is refused, not cut or loaded.
    o = extractFile(file, kStreamUtf8, "a");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.status, StreamStatus::TooLarge);
}
