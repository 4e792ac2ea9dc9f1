// Encoding a text back into a file's bytes: exact round trips only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "text/encoding.h"
#include "text/text_encode.h"

using namespace rg_Tolvar_MingLingJi;

namespace {

class text_encode : public ::testing::Test {
protected:
    void SetUp() override { setenv("LC_ALL", "zh_CN.UTF-8", 1); }
};

TEST_F(text_encode, each_encoding_with_and_without_mark) {
    const CWString text = u"{\"名\":\"中\"}";
    struct Row {
        const char16_t* name;
        bool mark;
        std::string bytes;
    } rows[] = {
        {u"UTF-8", true, "\xEF\xBB\xBF{\"\xE5\x90\x8D\":\"\xE4\xB8\xAD\"}"},
        {u"UTF-8", false, "{\"\xE5\x90\x8D\":\"\xE4\xB8\xAD\"}"},
        {u"UTF-16", true, std::string("\xFF\xFE{\0\"\0\x0D\x54\"\0:\0\"\0\x2D\x4E\"\0}\0", 20)},
        {u"UTF-16LE", false, std::string("{\0\"\0\x0D\x54\"\0:\0\"\0\x2D\x4E\"\0}\0", 18)},
        {u"UTF-16BE", true, std::string("\xFE\xFF\0{\0\"\x54\x0D\0\"\0:\0\"\x4E\x2D\0\"\0}", 20)},
        {u"UTF-16BE", false, std::string("\0{\0\"\x54\x0D\0\"\0:\0\"\x4E\x2D\0\"\0}", 18)},
        {u"gbk", false, "{\"\xC3\xFB\":\"\xD6\xD0\"}"},
        {u"ANSI", true, "{\"\xC3\xFB\":\"\xD6\xD0\"}"}, // no mark exists for ANSI
    };
    for (const Row& row : rows) {
        std::string out;
        EXPECT_TRUE(encodeTextExactly(text, row.name, row.mark, out)) << utf16ToUtf8(row.name);
        EXPECT_EQ(out, row.bytes) << utf16ToUtf8(row.name) << " " << row.mark;
    }
}

TEST_F(text_encode, refuses_what_would_read_back_differently) {
    struct Row {
        const char* why;
        CWString text;
        const char16_t* name;
        bool mark;
    } rows[] = {
        {"no GBK form", u"{\"a\":\"\U0001F600\"}", u"gbk", false},
        {"lone surrogate", CWString(u"{\"a\":\"") + char16_t(0xD800) + u"\"}", u"UTF-8", true},
        {"U+0000", CWString(u"{\"a\":1}\0x", 9), u"UTF-16", true},
        {"unmarked UTF-16 not detectable", u"中", u"UTF-16", false},
        {"no converter", u"{}", u"no-such-charset", false},
    };
    for (const Row& row : rows) {
        std::string out = "stale";
        EXPECT_FALSE(encodeTextExactly(row.text, row.name, row.mark, out)) << row.why;
        EXPECT_TRUE(out.empty()) << row.why;
    }
}

TEST_F(text_encode, emoji_in_marked_utf8_and_empty_text) {
    std::string out;
    EXPECT_TRUE(encodeTextExactly(u"\U0001F600", u"UTF-8", true, out));
    EXPECT_EQ(out, "\xEF\xBB\xBF\xF0\x9F\x98\x80");
    // Without a mark too: detection takes well-formed four-byte sequences for UTF-8.
    EXPECT_TRUE(encodeTextExactly(u"{\"a\":\"\U0001F600\"}", u"UTF-8", false, out));
    EXPECT_EQ(out, "{\"a\":\"\xF0\x9F\x98\x80\"}");
    EXPECT_TRUE(encodeTextExactly(u"", u"UTF-16BE", true, out));
    EXPECT_EQ(out, "\xFE\xFF");
    EXPECT_TRUE(encodeTextExactly(u"", u"gbk", false, out));
    EXPECT_EQ(out, "");
}

} // namespace
