// The file object: opening (read-only by default), 64-bit size, sequential and positioned reads,
// shared handles between copies, no handle leaks.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "text/encoding.h"
#include "text/file_rw.h"

using rg_Tolvar_MingLingJi::pathToText;
using rg_Tolvar_MingLingJi::rg_TolvarWenJianDouXieLei;

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path dir;
    Folder() {
        dir = fs::temp_directory_path() / ("quelix_file_rw_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path write(const std::string& name, const std::string& bytes) const {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
};

std::string str(const CKorMem& m) {
    return std::string(reinterpret_cast<const char*>(m.data()), m.size());
}

int openDescriptors() {
    int n = 0;
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
        (void)e;
        ++n;
    }
    return n;
}

} // namespace

TEST(file_rw, open_size_and_reads) {
    Folder f;
    const auto p = f.write("a.bin", "0123456789");
    rg_TolvarWenJianDouXieLei file;
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.fileSize(), -1);
    EXPECT_TRUE(file.readBytes(4).empty());
    ASSERT_TRUE(file.open(pathToText(p)));
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(file.fileSize(), 10);
    EXPECT_EQ(str(file.readBytes(4)), "0123");
    EXPECT_EQ(file.fileSize(), 10); // the position is kept
    EXPECT_EQ(str(file.readBytes(4)), "4567");
    EXPECT_EQ(str(file.readBytes(100)), "89");
    EXPECT_TRUE(file.readBytes(5).empty());
    EXPECT_TRUE(file.readBytes(0).empty());
    EXPECT_TRUE(file.readBytes(-3).empty());

    CKorMem m;
    EXPECT_TRUE(file.readBytesAt(3, 4, m));
    EXPECT_EQ(str(m), "3456");
    EXPECT_TRUE(file.readBytesAt(8, 10, m));
    EXPECT_EQ(str(m), "89");
    EXPECT_TRUE(file.readBytesAt(50, 10, m));
    EXPECT_TRUE(m.empty());
    EXPECT_FALSE(file.readBytesAt(-1, 2, m));
    char buf[4] = {};
    EXPECT_EQ(file.readBytesAt(1, buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "123");
    EXPECT_EQ(file.readBytesAt(0, buf, -1), -1);
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.readBytesAt(0, 2, m));
}

TEST(file_rw, refuses_missing_empty_names_and_folders) {
    Folder f;
    rg_TolvarWenJianDouXieLei file;
    EXPECT_FALSE(file.open(u""));
    EXPECT_FALSE(file.open(pathToText(f.dir / "missing")));
    EXPECT_FALSE(file.open(pathToText(f.dir)));
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(fs::exists(f.dir / "missing")); // opening never creates
}

TEST(file_rw, read_only_files_open_for_reading) {
    Folder f;
    const auto p = f.write("ro.bin", "abc");
    ASSERT_EQ(::chmod(p.c_str(), 0444), 0);
    rg_TolvarWenJianDouXieLei file;
    ASSERT_TRUE(file.open(pathToText(p)));
    EXPECT_EQ(file.fileSize(), 3);
    // A file that cannot be opened for writing whatever the permissions: the running program.
    const fs::path self = fs::read_symlink("/proc/self/exe");
    rg_TolvarWenJianDouXieLei exe;
    EXPECT_FALSE(exe.open(pathToText(self), true));
    ASSERT_TRUE(exe.open(pathToText(self)));
    EXPECT_EQ(exe.fileSize(), static_cast<int64_t>(fs::file_size(self)));
    if (::geteuid() != 0) {
        rg_TolvarWenJianDouXieLei rw;
        EXPECT_FALSE(rw.open(pathToText(p), true));
    }
}

TEST(file_rw, copies_share_the_handle) {
    Folder f;
    const auto p = f.write("s.bin", "xyz");
    const int before = openDescriptors();
    {
        rg_TolvarWenJianDouXieLei a;
        ASSERT_TRUE(a.open(pathToText(p)));
        rg_TolvarWenJianDouXieLei b = a;
        EXPECT_EQ(a.handle(), b.handle());
        EXPECT_EQ(openDescriptors(), before + 1);
        CKorMem m;
        EXPECT_TRUE(b.readBytesAt(1, 2, m));
        EXPECT_EQ(str(m), "yz");
        b.close(); // closes the shared handle for both
        EXPECT_FALSE(a.isOpen());
        EXPECT_EQ(openDescriptors(), before);
        // Reopening and dropping: no leak.
        for (int i = 0; i < 50; ++i)
            ASSERT_TRUE(a.open(pathToText(p)));
        EXPECT_EQ(openDescriptors(), before + 1);
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(file_rw, positions_beyond_4_gib) {
    Folder f;
    const auto p = f.dir / "sparse.bin";
    { std::ofstream(p, std::ios::binary).write("head", 4); }
    const int64_t far = (int64_t(5) << 30) + 7;
    fs::resize_file(p, static_cast<uintmax_t>(far));
    {
        std::fstream io(p, std::ios::binary | std::ios::in | std::ios::out);
        io.seekp(far);
        io.write("tail", 4);
    }
    rg_TolvarWenJianDouXieLei file;
    ASSERT_TRUE(file.open(pathToText(p)));
    EXPECT_EQ(file.fileSize(), far + 4);
    CKorMem m;
    ASSERT_TRUE(file.readBytesAt(far - 2, 6, m));
    EXPECT_EQ(str(m), std::string("\0\0tail", 6));
}
