// Text files: whole-file reads and atomic writes, round trips in every encoding.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "text/encoding.h"
#include "text/text_file.h"

using namespace rg_Tolvar_MingLingJi;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

class text_files : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LC_ALL", "zh_CN.UTF-8", 1);
        dir_ = fs::temp_directory_path() / ("quelix_text_files_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    CWString file(const std::string& name) const { return pathToText(dir_ / name); }
    std::string contentOf(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    void put(const std::string& name, const std::string& bytes) const {
        std::ofstream out(dir_ / name, std::ios::binary);
        out << bytes;
    }
    fs::path dir_;
};

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int x : b)
        s.push_back(char(x));
    return s;
}

} // namespace

TEST_F(text_files, read_edge_cases) {
    const struct {
        std::string content;
        CWString text;
        const char16_t* encoding;
    } cases[] = {
        {bytes({0xEF, 0xBB, 0xBF}), u"", u"UTF-8"},
        {bytes({0x41, 0x00}), u"A", u"UTF-16"},
        {bytes({0x00, 0x41}), u"A", u"UTF-16BE"},
        {bytes({0x00, 0x00}), u"", u"UTF-16"},
        {bytes({0xE4, 0xB8, 0xAD}), u"\u4E2D", u"UTF-8"},
        {bytes({0xD6, 0xD0}), u"\u4E2D", u"gbk"},
        {"", u"", u"gbk"},
        {"{\"a\":1}", u"{\"a\":1}", u"gbk"},
        {bytes({0xFF, 0xFE, 0x41, 0x00, 0x42}), u"A", u"UTF-16"},          // odd byte count
        {bytes({0xFF, 0xFE, 0x41, 0x00, 0, 0, 0x42, 0}), u"A", u"UTF-16"}, // ends at U+0000
        {bytes({0xFE, 0xFF, 0x00, 0x41, 0x42}), u"A", u"UTF-16BE"},        // odd last byte
        {bytes({0xEF, 0xBB, 0xBF, 'a', 0xF0, 0x9F, 0x98, 0x80}), u"a\U0001F600", u"UTF-8"},
        {bytes({0xEF, 0xBB, 0xBF, 'a', 0xE4, 0xB8}), u"a", u"UTF-8"},  // truncated sequence
        {bytes({0xFF, 0xFE, 0xE4, 0xB8, 0xAD}), u"\uB8E4", u"UTF-16"}, // a lying mark
    };
    int k = 0;
    for (const auto& c : cases) {
        std::string name = "r" + std::to_string(k++) + ".txt";
        put(name, c.content);
        CWString enc;
        EXPECT_EQ(readTextFile(file(name), enc), c.text) << name;
        EXPECT_EQ(enc, CWString(c.encoding)) << name;
    }
}

TEST_F(text_files, missing_file_reads_empty_as_ansi) {
    CWString enc;
    bool ok = true;
    EXPECT_EQ(readTextFile(file("nope.txt"), enc, &ok), u"");
    EXPECT_EQ(enc, u"gbk");
    EXPECT_FALSE(ok);
    put("empty.txt", "");
    enc.clear();
    EXPECT_EQ(readTextFile(file("empty.txt"), enc, &ok), u"");
    EXPECT_EQ(enc, u"gbk");
    EXPECT_TRUE(ok);
    enc = u"no-such-charset";
    readTextFile(file("empty.txt"), enc, &ok);
    EXPECT_FALSE(ok);
    enc.clear();
    readTextFile(u"", enc, &ok);
    EXPECT_FALSE(ok);
    CKorMem m;
    EXPECT_EQ(readFileBytes(file("nope.txt"), m), -1);
    EXPECT_EQ(readFileBytes(pathToText(dir_), m), -1); // a folder is not a file
    EXPECT_EQ(readFileBytes(u"", m), -1);
    EXPECT_EQ(m.size(), 0u);
}

TEST_F(text_files, read_file_bytes) {
    put("a.bin", std::string("x\0y", 3));
    CKorMem m;
    EXPECT_EQ(readFileBytes(file("a.bin"), m), 3);
    EXPECT_EQ(std::string(bytesOf(m)), std::string("x\0y", 3));
    put("empty.bin", "");
    EXPECT_EQ(readFileBytes(file("empty.bin"), m), 0);
    std::string big(300000, 'q');
    put("big.bin", big);
    EXPECT_EQ(readFileBytes(file("big.bin"), m), int64_t(big.size()));
    EXPECT_EQ(std::string(bytesOf(m)), big);
}

TEST_F(text_files, files_of_two_gib_fail_instead_of_reading_empty) {
    // A sparse file: nothing is really written or read.
    std::string name = (dir_ / "huge.bin").string();
    int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(1) << 31), 0);
    ::close(fd);
    CKorMem m;
    EXPECT_EQ(readFileBytes(file("huge.bin"), m), -1);
    EXPECT_EQ(m.size(), 0u);
    CWString enc;
    bool ok = true;
    EXPECT_EQ(readTextFile(file("huge.bin"), enc, &ok), u"");
    EXPECT_FALSE(ok);
}

TEST_F(text_files, round_trip_in_every_named_encoding) {
    const CWString text = u"{\"\u540D\u79F0\": \"Tolvar\", \"n\": [1, 2.5e3]}\r\n";
    const char16_t* names[] = {u"UTF-8", u"UTF-16", u"UTF-16LE", u"UTF-16BE", u"ANSI", u"gbk"};
    for (size_t i = 0; i < std::size(names); ++i) {
        const char16_t* name = names[i];
        std::string f = "rt" + std::to_string(i) + ".txt";
        ASSERT_TRUE(writeTextFile(text, file(f), name));
        std::string raw = contentOf(f);
        std::string_view mark = byteOrderMark(name);
        EXPECT_EQ(raw.substr(0, mark.size()), mark);
        CWString enc;
        EXPECT_EQ(readTextFile(file(f), enc), text) << f;
        CWString expectedEnc = CWString(name) == u"UTF-16LE" ? CWString(u"UTF-16")
                               : CWString(name) == u"ANSI"   ? CWString(u"gbk")
                                                             : CWString(name);
        EXPECT_EQ(enc, expectedEnc);
        // Read back with the name given explicitly too.
        CWString given = name;
        EXPECT_EQ(readTextFile(file(f), given), text) << f;
    }
    EXPECT_EQ(contentOf("rt1.txt").substr(0, 4), bytes({0xFF, 0xFE, '{', 0})); // "UTF-16"
    EXPECT_EQ(contentOf("rt3.txt").substr(0, 4), bytes({0xFE, 0xFF, 0, '{'})); // "UTF-16BE"
    EXPECT_EQ(contentOf("rt4.txt").substr(0, 1), "{");                         // ANSI: no mark
}

TEST_F(text_files, round_trip_in_every_table_charset) {
    const CWString text = u"key: value 123";
    for (const CodePageRow& row : codePageRows()) {
        std::string f = "cp" + std::to_string(row.codePage) + ".txt";
        ASSERT_TRUE(writeTextFile(text, file(f), row.name)) << f;
        CWString enc = row.name;
        EXPECT_EQ(readTextFile(file(f), enc), text) << f;
    }
}

TEST_F(text_files, write_cuts_at_nul_and_reports_unknown_charsets) {
    ASSERT_TRUE(writeTextFile(CWString(u"ab\0cd", 5), file("nul.txt"), u"UTF-16"));
    EXPECT_EQ(contentOf("nul.txt"), bytes({0xFF, 0xFE, 'a', 0, 'b', 0}));
    EXPECT_FALSE(writeTextFile(u"x", file("bad.txt"), u"no-such-charset"));
    EXPECT_FALSE(fs::exists(dir_ / "bad.txt"));
}

TEST_F(text_files, write_creates_the_folder_chain) {
    CWString name = pathToText(dir_ / "outer" / "inner" / "f.txt");
    ASSERT_TRUE(writeFileBytes(name, "hello"));
    EXPECT_TRUE(fs::is_directory(dir_ / "outer" / "inner"));
    EXPECT_EQ(contentOf("outer/inner/f.txt"), "hello");
    EXPECT_TRUE(createFolderChain(pathToText(dir_ / "a" / "b" / "c")));
    EXPECT_TRUE(createFolderChain(pathToText(dir_ / "a" / "b" / "c"))); // exists already
    EXPECT_TRUE(fs::is_directory(dir_ / "a" / "b" / "c"));
}

TEST_F(text_files, write_replaces_the_old_file) {
    put("f.txt", "old old old");
    ASSERT_TRUE(writeFileBytes(file("f.txt"), "new"));
    EXPECT_EQ(contentOf("f.txt"), "new");
    ASSERT_TRUE(writeFileBytes(file("f.txt"), ""));
    EXPECT_EQ(contentOf("f.txt"), "");
    // No temporary files are left behind.
    int count = 0;
    for (const auto& e : fs::directory_iterator(dir_))
        count += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(count, 1);
}

TEST_F(text_files, write_keeps_permissions_and_follows_links) {
    put("p.txt", "x");
    fs::permissions(dir_ / "p.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(writeFileBytes(file("p.txt"), "y"));
    EXPECT_EQ(fs::status(dir_ / "p.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(dir_ / "p.txt", dir_ / "link.txt");
    ASSERT_TRUE(writeFileBytes(file("link.txt"), "z"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.txt"));
    EXPECT_EQ(contentOf("p.txt"), "z");
}

TEST_F(text_files, failed_writes_report_false) {
    put("plain", "I am a file");
    // The parent "folder" is a regular file: nothing can be created below it.
    EXPECT_FALSE(writeFileBytes(pathToText(dir_ / "plain" / "f.txt"), "x"));
    EXPECT_FALSE(writeTextFile(u"x", pathToText(dir_ / "plain" / "sub" / "f.txt"), u"UTF-8"));
    EXPECT_EQ(contentOf("plain"), "I am a file");
    // A folder of that name is not replaced.
    fs::create_directories(dir_ / "folder");
    EXPECT_FALSE(writeFileBytes(pathToText(dir_ / "folder"), "x"));
    EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
    EXPECT_FALSE(writeFileBytes(u"", "x"));
}

TEST_F(text_files, failed_write_leaves_the_old_file_intact) {
    put("keep.txt", "the old content");
    // Limit the size of files this process may write, so the write fails half-way.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool ok = writeFileBytes(file("keep.txt"), std::string(100000, 'n'));
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(contentOf("keep.txt"), "the old content");
    int count = 0;
    for (const auto& e : fs::directory_iterator(dir_))
        count += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(count, 1); // the temporary file is gone
}

TEST_F(text_files, unicode_file_names) {
    CWString name = pathToText(dir_) + u"/JSON\u6811" + u"1.txt";
    ASSERT_TRUE(writeTextFile(u"[1]", name, u"UTF-16"));
    EXPECT_TRUE(fs::exists(dir_ / "JSON\xE6\xA0\x91"
                                  "1.txt"));
    CWString enc;
    EXPECT_EQ(readTextFile(name, enc), u"[1]");
}

// ---- decoding straight into the text (the slots' reads) ---------------------------------------

namespace {

// What decodeTextBytes gives, as a text (the reference decodeTextFileBytes must equal).
CWString referenceDecode(const std::string& content, CWString& name, bool& ok) {
    const CKorMem units = decodeTextBytes(content, {}, name, &ok);
    return textFromUtf16Bytes(bytesOf(units));
}

} // namespace

TEST_F(text_files, direct_decode_equals_decode_text_bytes) {
    const std::string emoji = "{\"msg\":\"hi \xF0\x9F\x98\x80\"}";
    std::string contents[] = {
        "",
        "{\"a\":1}",
        bytes({0xEF, 0xBB, 0xBF}) + "{\"k\":\"\xE4\xB8\xAD\"}",
        bytes({0xFF, 0xFE, 'A', 0, 0, 0, 'B', 0}),
        bytes({0xFE, 0xFF, 0, 'A', 0x4E, 0x2D}),
        bytes({0xFF, 0xFE, 'A', 0, 'B'}), // odd length
        bytes({'A', 0, 'B', 0}),          // UTF-16 without a mark
        bytes({0, 'A', 0, 'B'}),
        bytes({0xD6, 0xD0, 0xCE, 0xC4}), // GBK
        "\xE4\xB8\xAD\xE6\x96\x87 and \xC3\xA9 then a stray \x80 byte",
        "\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD cut off \xE4\xB8",
        "\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD zero\0after"s,
        bytes({0xEF, 0xBB, 0xBF}) + emoji,
        bytes(
            {0xEF, 0xBB, 0xBF, 0xF8, 0x88, 0x80, 0x80, 0x80, 'x', 0xFC, 0x84, 0x80, 0x80, 0x80, 0x80, 0xFE}),
        bytes({0xEF, 0xBB, 0xBF, 0xED, 0xA0, 0x80, 'x'}), // an encoded lone surrogate
    };
    for (const std::string& content : contents) {
        SCOPED_TRACE(::testing::PrintToString(content));
        CWString refName, name;
        bool refOk = false;
        const CWString reference = referenceDecode(content, refName, refOk);
        CWString text = u"old";
        ASSERT_TRUE(decodeTextFileBytes(content, name, text));
        EXPECT_EQ(name, refName);
        EXPECT_EQ(text, reference);
    }
    // Random bytes, mostly UTF-8-like (lead bytes of every length, continuations, zeros).
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0xFF; };
    for (int round = 0; round < 3000; ++round) {
        std::string content = "\xEF\xBB\xBF";
        const int length = int(next() % 40);
        for (int i = 0; i < length; ++i) {
            const uint32_t r = next();
            content.push_back(char(r < 64 ? 0x80 + (r & 0x3F) : r < 200 ? 0x20 + r % 90 : r));
        }
        CWString refName, name, text;
        bool refOk = false;
        const CWString reference = referenceDecode(content, refName, refOk);
        ASSERT_TRUE(decodeTextFileBytes(content, name, text));
        ASSERT_EQ(text, reference) << ::testing::PrintToString(content);
    }
}

TEST_F(text_files, direct_decode_tells_whether_the_text_gives_back_the_bytes) {
    const struct {
        std::string content;
        bool exact;
    } cases[] = {
        {"", true},
        {"{\"a\":1}", true},
        {"\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD", true},
        {bytes({0xEF, 0xBB, 0xBF}) + "\xF0\x9F\x98\x80", true},
        {bytes({0xFF, 0xFE, 'A', 0, 0, 0, 'B', 0}), true}, // a zero unit is text like any other
        {bytes({0xFE, 0xFF, 0, 'A', 0, 0}), true},
        {bytes({0xFF, 0xFE, 'A', 0, 'B'}), false}, // odd length
        {"\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD zero\0after"s, false},
        {"\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD stray \x80 byte", false},
        {bytes({0xEF, 0xBB, 0xBF, 0xC0, 0x80}), false}, // an overlong form
        {bytes({0xD6, 0xD0, 0xCE, 0xC4}), true},        // GBK, detected as the ANSI code page
        {bytes({0xD6, 0xD0, 0xCE, 0xC4, 0x00, 0x41}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.content));
        CWString name, text;
        bool exact = !c.exact;
        ASSERT_TRUE(decodeTextFileBytes(c.content, name, text, &exact));
        EXPECT_EQ(exact, c.exact);
    }
    // Long texts are compared piece by piece; a surrogate pair across a piece's end is no change.
    std::string longUtf8 = "\xEF\xBB\xBF";
    for (int i = 0; i < 70000; ++i)
        longUtf8 += i % 3 ? "a" : "\xF0\x9F\x98\x80";
    CWString name, text;
    bool exact = false;
    ASSERT_TRUE(decodeTextFileBytes(longUtf8, name, text, &exact));
    EXPECT_TRUE(exact);
    longUtf8.back() = 'A'; // the last emoji cut short
    ASSERT_TRUE(decodeTextFileBytes(longUtf8, name = {}, text, &exact));
    EXPECT_FALSE(exact);
}

TEST_F(text_files, direct_decode_with_a_given_name) {
    CWString name = u"ANSI", text;
    ASSERT_TRUE(decodeTextFileBytes(bytes({0xD6, 0xD0}), name, text));
    EXPECT_EQ(name, systemAnsiName());
    EXPECT_EQ(text, CWString(u"中"));
    name = u"UTF-16BE";
    ASSERT_TRUE(decodeTextFileBytes(bytes({0xFE, 0xFF, 0x4E, 0x2D}), name, text));
    EXPECT_EQ(text, CWString(u"中"));
    name = u"big5";
    ASSERT_TRUE(decodeTextFileBytes(bytes({0xA4, 0xA4}), name, text));
    EXPECT_EQ(text, CWString(u"中"));
    name = u"no-such-charset";
    text = u"old";
    EXPECT_FALSE(decodeTextFileBytes("abc", name, text));
    EXPECT_TRUE(text.empty());
}

TEST_F(text_files, utf16_slot_writes_keep_every_unit) {
    CWString text = u"{\"a\":\"x";
    text += char16_t(0);
    text += u"y\"}";
    ASSERT_TRUE(writeUtf16TextFile(text, file("slot.txt")));
    std::string expected = bytes({0xFF, 0xFE});
    for (char16_t c : text)
        expected += bytes({c & 0xFF, c >> 8});
    EXPECT_EQ(contentOf("slot.txt"), expected);
    CKorMem back;
    ASSERT_EQ(readFileBytes(file("slot.txt"), back), int64_t(expected.size()));
    CWString name, again;
    bool exact = false;
    ASSERT_TRUE(decodeTextFileBytes(bytesOf(back), name, again, &exact));
    EXPECT_EQ(again, text);
    EXPECT_TRUE(exact);
    EXPECT_EQ(name, CWString(u"UTF-16"));
    // readTextFile still ends the text at its first U+0000.
    EXPECT_EQ(readTextFile(file("slot.txt"), name = {}), CWString(u"{\"a\":\"x"));
    EXPECT_FALSE(writeUtf16TextFile(text, file("")));
}

TEST_F(text_files, a_fifo_is_read_without_waiting_for_a_writer) {
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CKorMem out;
    EXPECT_EQ(readFileBytes(pathToText(fifo), out), 0); // no writer: at its end at once
    CWString name;
    bool ok = false;
    EXPECT_TRUE(readTextFile(pathToText(fifo), name, &ok).empty());
}
