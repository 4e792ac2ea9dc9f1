#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/core/settings_file.h"
#include "text/encoding.h"

using rg_Tolvar_MingLingJi::rg_TolvarPeiZhiLei;
using rg_Tolvar_MingLingJi::settingsChecksum;

namespace {

std::vector<uint8_t> utf16le(std::u16string_view text, bool bom = true) {
    std::vector<uint8_t> out;
    if (bom) out = {0xFF, 0xFE};
    for (char16_t c : text) {
        out.push_back(uint8_t(c & 0xFF));
        out.push_back(uint8_t(c >> 8));
    }
    return out;
}

std::vector<uint8_t> fileBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class settings_file : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("quelix_settings_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        file = dir / "软件配置.ini";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    CWString fileText() const { return rg_Tolvar_MingLingJi::pathToText(file); }

    std::filesystem::path dir, file;
};

} // namespace

TEST(settings_checksum, table) {
    const uint8_t bytes[] = {1, 0, 0, 0, 2, 0, 0, 0, 7, 9};
    struct Case {
        size_t n;
        uint32_t expected;
    } cases[] = {
        {0, 0},
        {1, 1 * 5 + 1},           // h = 1, then the lone byte
        {4, 4 * 5 + 1},           // one group
        {8, (8 * 5 + 1) * 5 + 2}, // two groups
        {10, (((10 * 5 + 1) * 5 + 2) * 5 + 7) * 5 + 9},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settingsChecksum(bytes, c.n), c.expected) << c.n;
    // the top bit is cleared
    const uint8_t ff[] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(settingsChecksum(ff, 4), (4u * 5 + 0xFFFFFFFFu) & 0x7FFFFFFFu);
}

TEST_F(settings_file, first_save_layout_and_round_trip) {
    rg_TolvarPeiZhiLei s;
    s.open(fileText());
    s.section = u"主界面";
    s.setBool(u"Tolvar按钮查找树数据.选中", true);
    s.setInt(u"组合框输出格式", 0);
    s.setText(u"编辑框查找内容", u"a\r\nb");
    ASSERT_TRUE(s.save());
    EXPECT_EQ(fileBytes(file),
              utf16le(u"[主界面]\r\nTolvar按钮查找树数据.选中=真\r\n组合框输出格式=0\r\n编辑框查找内容=a\x1E"
                      u"b"));

    rg_TolvarPeiZhiLei t;
    t.open(fileText());
    t.section = u"主界面";
    EXPECT_TRUE(t.getBool(u"Tolvar按钮查找树数据.选中", false));
    EXPECT_EQ(t.getInt(u"组合框输出格式", 5), 0);
    EXPECT_EQ(t.getText(u"编辑框查找内容", u""), u"a\r\nb");
    EXPECT_EQ(t.getText(u"missing", u"dflt"), u"dflt");
    EXPECT_EQ(t.getInt(u"missing", -7), -7);
}

TEST_F(settings_file, unchanged_content_is_not_written_again) {
    rg_TolvarPeiZhiLei s;
    s.open(fileText());
    s.section = u"主界面";
    s.setInt(u"当前组件序号", 3);
    ASSERT_TRUE(s.save());
    std::filesystem::remove(file);
    s.setInt(u"当前组件序号", 3); // same bytes in place
    ASSERT_TRUE(s.save());
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(settings_file, text_equal_to_what_was_read_is_not_stored) {
    writeBytes(file, utf16le(u"[主界面]\r\nk=v"));
    rg_TolvarPeiZhiLei s;
    s.open(fileText());
    s.section = u"主界面";
    EXPECT_EQ(s.getText(u"k", u""), u"v");
    const auto before = s.content();
    s.setText(u"k", u"v");
    EXPECT_EQ(s.content(), before);
    s.setText(u"k", u"w");
    EXPECT_NE(s.content(), before);
    EXPECT_EQ(s.getText(u"k", u""), u"w");
}

TEST_F(settings_file, sections_bound_key_search) {
    writeBytes(file, utf16le(u"[主界面]\r\na=1\r\n[其他]\r\nb=2\r\na=9"));
    rg_TolvarPeiZhiLei s;
    s.open(fileText());
    s.section = u"主界面";
    EXPECT_EQ(s.getInt(u"b", -1), -1); // b lives in the later section only
    EXPECT_EQ(s.getInt(u"a", -1), 1);
    s.setInt(u"b", 5); // inserted before the next header
    EXPECT_EQ(s.content(), utf16le(u"[主界面]\r\na=1\r\nb=5\r\n[其他]\r\nb=2\r\na=9"));
    s.section = u"其他";
    EXPECT_EQ(s.getInt(u"a", -1), 9);
    s.section = u"新";
    s.setBool(u"x", false);
    EXPECT_EQ(s.content(), utf16le(u"[主界面]\r\na=1\r\nb=5\r\n[其他]\r\nb=2\r\na=9\r\n[新]\r\nx=假"));
}

TEST_F(settings_file, hand_written_file_without_mark_and_odd_values) {
    writeBytes(file, utf16le(u"[主界面]\r\nn=abc\r\nm= 42x\r\nb=yes", false));
    rg_TolvarPeiZhiLei s;
    s.open(fileText());
    s.section = u"主界面";
    EXPECT_EQ(s.getInt(u"n", 7), 0);     // not a number
    EXPECT_EQ(s.getInt(u"m", 7), 42);    // leading blanks, trailing junk
    EXPECT_FALSE(s.getBool(u"b", true)); // anything but 真 is false
    s.setInt(u"n", 1);
    EXPECT_EQ(s.content(), utf16le(u"[主界面]\r\nn=1\r\nm= 42x\r\nb=yes", false));
}

TEST_F(settings_file, header_must_start_a_line) {
    // "[主界面]" inside a value is not a header; the real one is created after it.
    writeBytes(file, utf16le(u"[x]\r\nv=[主界面]"));
    rg_TolvarPeiZhiLei s;
    s.open(fileText());
    s.section = u"主界面";
    s.setInt(u"k", 1);
    EXPECT_EQ(s.content(), utf16le(u"[x]\r\nv=[主界面]\r\n[主界面]\r\nk=1"));
}

TEST_F(settings_file, failed_save_is_retried_and_reported) {
    rg_TolvarPeiZhiLei s;
    s.open(fileText());
    s.section = u"主界面";
    s.setInt(u"k", 1);
    // A path below a regular file cannot be created.
    const auto blocked = dir / "plainfile" / "软件配置.ini";
    writeBytes(dir / "plainfile", {1});
    EXPECT_FALSE(s.save(rg_Tolvar_MingLingJi::pathToText(blocked)));
    EXPECT_TRUE(s.save()); // not taken for unchanged
    EXPECT_TRUE(std::filesystem::exists(file));
}

// Any file at all, hand-edited or corrupt: every read gives a value, and what is written reads
// back after a save and a new open, whatever the file held before.
TEST_F(settings_file, corrupt_files_read_and_write_safely) {
    const std::u16string fragments[] = {u"[主界面]",
                                        u"[其它]",
                                        u"\r\n",
                                        u"\r",
                                        u"\n",
                                        u"组合框输出格式=",
                                        u"=",
                                        u"1",
                                        u"-1",
                                        u"真",
                                        u"[",
                                        u"]",
                                        u"编辑框查找内容=",
                                        u"\x1E",
                                        u"当前组件序号=",
                                        u"99999999999",
                                        u"\0",
                                        u"abc"};
    uint32_t seed = 2024;
    auto next = [&](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int round = 0; round < 100; ++round) { // each round saves (and syncs) a file

        std::vector<uint8_t> bytes;
        if (next(4) != 0) bytes = {0xFF, 0xFE};
        const uint32_t parts = next(12);
        for (uint32_t i = 0; i < parts; ++i) {
            const std::u16string& f = fragments[next(std::size(fragments))];
            const std::vector<uint8_t> b = utf16le(f, false);
            bytes.insert(bytes.end(), b.begin(), b.end());
        }
        if (next(5) == 0) bytes.push_back(uint8_t(next(256))); // an odd length
        if (next(9) == 0)
            bytes.insert(bytes.begin() + (bytes.empty() ? 0 : next(uint32_t(bytes.size()))), 0x5B);
        writeBytes(file, bytes);
        SCOPED_TRACE(round);
        {
            rg_TolvarPeiZhiLei s;
            s.open(fileText());
            s.section = u"主界面";
            (void)s.getInt(u"组合框输出格式", 0);
            (void)s.getInt(u"当前组件序号", 0);
            (void)s.getText(u"编辑框查找内容", u"level");
            (void)s.getBool(u"Tolvar按钮查找树数据.选中", true);
            s.setInt(u"组合框输出格式", 1);
            s.setText(u"编辑框查找内容", u"两行\r\n文本");
            s.setBool(u"Tolvar按钮查找树数据.选中", false);
            ASSERT_TRUE(s.save());
        }
        rg_TolvarPeiZhiLei s;
        s.open(fileText());
        s.section = u"主界面";
        EXPECT_EQ(s.getInt(u"组合框输出格式", 0), 1);
        EXPECT_EQ(s.getText(u"编辑框查找内容", u""), CWString(u"两行\r\n文本"));
        EXPECT_FALSE(s.getBool(u"Tolvar按钮查找树数据.选中", true));
    }
}
