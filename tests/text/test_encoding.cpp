// Encodings: code-page table, system ANSI code page, detection, native and ICU conversions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "text/encoding.h"

using namespace rg_Tolvar_MingLingJi;

namespace {

// The tests pin the system ANSI code page to 936 unless they say otherwise.
class encoding : public ::testing::Test {
protected:
    void SetUp() override { setenv("LC_ALL", "zh_CN.UTF-8", 1); }
};

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int x : b)
        s.push_back(char(x));
    return s;
}

std::string str(const CKorMem& m) {
    return std::string(bytesOf(m));
}

std::string hex(std::string_view s) {
    std::string out;
    char buf[4];
    for (unsigned char c : s) {
        std::snprintf(buf, sizeof buf, "%02X ", c);
        out += buf;
    }
    return out;
}

std::string le(CWStringView t) {
    return str(utf16BytesFromText(t));
}

} // namespace

TEST_F(encoding, code_page_table) {
    ASSERT_EQ(codePageRows().size(), 31u);
    EXPECT_EQ(codePageRows()[0].codePage, 708);
    EXPECT_EQ(codePageRows()[30].codePage, 65001);
    EXPECT_EQ(codePageName(936), u"gbk");
    EXPECT_EQ(codePageName(1252), u"iso-8859-1");
    EXPECT_EQ(codePageName(1254), u"iso-8859-9");
    EXPECT_EQ(codePageName(65001), u"utf-8");
    EXPECT_EQ(codePageName(50932), u"_autodetect");
    EXPECT_EQ(codePageName(38598), u"iso-8859-8-i");
    EXPECT_EQ(codePageName(8598), u""); // "\r\n8598," is not a key even though "38598," holds it
    EXPECT_EQ(codePageName(0), u"");
    EXPECT_EQ(codePageName(-1), u"");
    const CWString& t = codePageTable();
    EXPECT_EQ(t.substr(0, 15), u"\r\n708,ASMO-708,");
    for (const CodePageRow& r : codePageRows())
        EXPECT_EQ(codePageName(r.codePage), CWString(r.name));
}

TEST_F(encoding, ansi_code_page_of_locale) {
    const struct {
        const char* locale;
        int32_t cp;
    } cases[] = {
        {"", 936},
        {"C", 936},
        {"POSIX", 936},
        {"C.UTF-8", 936},
        {"zh_CN.UTF-8", 936},
        {"zh_SG", 936},
        {"zh_TW.UTF-8", 950},
        {"zh_HK", 950},
        {"zh_MO.utf8", 950},
        {"zh", 936},
        {"ja_JP.UTF-8", 932},
        {"ko_KR.EUC-KR", 949},
        {"ru_RU.UTF-8", 1251},
        {"uk_UA", 1251},
        {"bg_BG", 1251},
        {"be_BY", 1251},
        {"sr_RS", 1251},
        {"sr_RS@latin", 1250},
        {"el_GR", 1253},
        {"tr_TR", 1254},
        {"he_IL", 1255},
        {"ar_EG.UTF-8", 1256},
        {"lt_LT", 1257},
        {"lv_LV", 1257},
        {"et_EE", 1257},
        {"vi_VN", 1258},
        {"th_TH", 874},
        {"pl_PL", 1250},
        {"cs_CZ", 1250},
        {"sk_SK", 1250},
        {"hu_HU", 1250},
        {"ro_RO", 1250},
        {"hr_HR", 1250},
        {"sl_SI", 1250},
        {"en_US.UTF-8", 1252},
        {"de_DE@euro", 1252},
        {"fr_FR", 1252},
        {"es_ES", 1252},
        {"pt_BR", 1252},
        {"EN_us", 1252},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ansiCodePageOfLocale(c.locale), c.cp) << c.locale;
}

TEST_F(encoding, system_ansi_from_the_environment) {
    setenv("LC_ALL", "", 1);
    setenv("LC_CTYPE", "ja_JP.UTF-8", 1);
    setenv("LANG", "ru_RU.UTF-8", 1);
    EXPECT_EQ(systemAnsiCodePage(), 932);
    setenv("LC_ALL", "el_GR.UTF-8", 1);
    EXPECT_EQ(systemAnsiCodePage(), 1253);
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    EXPECT_EQ(systemAnsiCodePage(), 1251);
    unsetenv("LANG");
    EXPECT_EQ(systemAnsiCodePage(), 936);
    EXPECT_EQ(systemAnsiName(), u"gbk");
    setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_EQ(systemAnsiName(), u"iso-8859-1");
}

TEST_F(encoding, byte_order_marks) {
    EXPECT_EQ(byteOrderMark(u"UTF-8"), bytes({0xEF, 0xBB, 0xBF}));
    EXPECT_EQ(byteOrderMark(u"UTF-16"), bytes({0xFF, 0xFE}));
    EXPECT_EQ(byteOrderMark(u"UTF-16LE"), bytes({0xFF, 0xFE}));
    EXPECT_EQ(byteOrderMark(u"UTF-16BE"), bytes({0xFE, 0xFF}));
    EXPECT_EQ(byteOrderMark(u"utf-8"), "");
    EXPECT_EQ(byteOrderMark(u"ANSI"), "");
    EXPECT_EQ(byteOrderMark(u"gbk"), "");
}

TEST_F(encoding, detection_table) {
    const struct {
        std::string in;
        const char16_t* name;
        int32_t mark;
    } cases[] = {
        {"", u"gbk", 0},
        {"a", u"gbk", 0},
        {bytes({0xE4}), u"gbk", 0},
        {bytes({0xEF, 0xBB, 0xBF}), u"UTF-8", 3},
        {bytes({0xEF, 0xBB}), u"gbk", 0},
        {bytes({0xFF, 0xFE}), u"UTF-16", 2},
        {bytes({0xFE, 0xFF, 0x00, 0x41}), u"UTF-16BE", 2},
        {bytes({0x41, 0x00}), u"UTF-16", 0},
        {bytes({0x00, 0x41}), u"UTF-16BE", 0},
        {bytes({0x00, 0x00}), u"UTF-16", 0},
        {bytes({0xE4, 0xB8, 0xAD}), u"UTF-8", 0},
        {bytes({0xD6, 0xD0}), u"gbk", 0},
        {"plain ascii text", u"gbk", 0},
        // one valid sequence, one invalid byte: equal -> ANSI; one more valid -> UTF-8
        {bytes({'a', 0xC3, 0xA9, 0xFF}), u"gbk", 0},
        {bytes({'a', 0xC3, 0xA9, 0xFF, 0xC3, 0xA9}), u"UTF-8", 0},
        // a well-formed four-byte form (an emoji) is one valid sequence
        {bytes({'x', 0xF0, 0x9F, 0x98, 0x80, 0xE4, 0xB8, 0xAD}), u"UTF-8", 0},
        {std::string("{\"msg\":\"hi \xF0\x9F\x98\x80\"}"), u"UTF-8", 0},
        {bytes({0xF0, 0x90, 0x80, 0x80}), u"UTF-8", 0}, // U+10000, lowest F0 form
        {bytes({0xF3, 0xBF, 0xBF, 0xBF}), u"UTF-8", 0},
        {bytes({0xF4, 0x8F, 0xBF, 0xBF}), u"UTF-8", 0}, // U+10FFFF, highest
        // F0 needs a second byte 90..BF (else overlong), F4 one of 80..8F (else past U+10FFFF),
        // F5 and above lead nothing: four invalid bytes each
        {bytes({0xF0, 0x8F, 0xBF, 0xBF}), u"gbk", 0},
        {bytes({0xF4, 0x90, 0x80, 0x80}), u"gbk", 0},
        {bytes({0xF5, 0x80, 0x80, 0x80}), u"gbk", 0},
        {bytes({0xF8, 0x88, 0x80, 0x80, 0x80}), u"gbk", 0},
        // cut short by the end or by a non-continuation byte
        {bytes({'a', 0xF0, 0x9F, 0x98}), u"gbk", 0},
        {bytes({0xC3, 0xA9, 0xF0, 0x9F, 0x98, 'a'}), u"gbk", 0},
        // two emoji against the three stray bytes of a cut third: 2 valid, 3 invalid
        {bytes({0xF0, 0x9F, 0x98, 0x80, 0xF0, 0x9F, 0x98, 0x80, 0xF0, 0x9F, 0x98}), u"gbk", 0},
        // a sequence cut by the end counts as invalid bytes
        {bytes({'a', 'b', 0xE4, 0xB8}), u"gbk", 0},
        {bytes({'a', 'b', 0xC3, 0xA9, 0xE4, 0xB8}), u"gbk", 0},
        // a mark that lies: FF FE in front of UTF-8 bytes is still UTF-16
        {bytes({0xFF, 0xFE, 0xE4, 0xB8, 0xAD}), u"UTF-16", 2},
    };
    for (const auto& c : cases) {
        DetectedEncoding d = detectTextEncoding(c.in);
        EXPECT_EQ(d.name, CWString(c.name)) << hex(c.in);
        EXPECT_EQ(d.markLength, c.mark) << hex(c.in);
    }
}

TEST_F(encoding, detection_long_buffers) {
    // The sixteen-byte ASCII skip must count the same as the byte loop.
    std::string s(1000, 'a');
    s += "\xE4\xB8\xAD";
    EXPECT_EQ(detectTextEncoding(s).name, u"UTF-8");
    s += std::string(33, 'b') + "\xFF";
    EXPECT_EQ(detectTextEncoding(s).name, u"gbk");
    s += "\xC3\xA9";
    EXPECT_EQ(detectTextEncoding(s).name, u"UTF-8");
}

TEST_F(encoding, utf8_decoder_table) {
    const struct {
        std::string in;
        CWString out;
    } cases[] = {
        {"", u""},
        {"abc", u"abc"},
        {"\xE4\xB8\xAD\xE6\x96\x87", u"\u4E2D\u6587"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xC3\xA9", u"\u00E9"},
        {bytes({'a', 0, 'b'}), u"a"}, // stops at the first zero byte
        {"a\x80"
         "b",
         u"a"}, // stray continuation
        {"a\xFE"
         "b",
         u"a"},
        {"a\xFF"
         "b",
         u"a"},
        {"a\xE4\xB8", u"a"}, // cut off by the end
        {"a\xE4"
         "b\xAD",
         u"a"},             // cut short
        {"\xC1\x81", u"A"}, // overlong forms are accepted
        {"\xE0\x80\x81", u"\x0001"},
        {"\xED\xA0\x80", CWString(1, char16_t(0xD800))}, // an encoded surrogate is kept as a unit
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xF7\xBF\xBF\xBF", CWString{char16_t(0xDFBF), char16_t(0xDFFF)}},     // 0x1FFFFF
        {"\xF8\x88\x80\x80\x80", CWString{char16_t(0xDFC0), char16_t(0xDC00)}}, // 0x200000
        {"\xFD\xBF\xBF\xBF\xBF\xBF",
         CWString{char16_t((0xD800u + ((0x7FFFFFFFu - 0x10000u) >> 10)) & 0xFFFF), char16_t(0xDFFF)}},
        {std::string(40, 'x') + "\xE4\xB8\xAD" + std::string(20, 'y'),
         CWString(40, u'x') + u"\u4E2D" + CWString(20, u'y')},
        {std::string(20, 'x') + std::string(1, '\0') + std::string(20, 'y'), CWString(20, u'x')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf8ToUtf16(c.in), c.out) << hex(c.in);
}

TEST_F(encoding, utf8_encoder_table) {
    const struct {
        CWString in;
        std::string out;
    } cases[] = {
        {u"", ""},
        {u"abc", "abc"},
        {u"\u4E2D", "\xE4\xB8\xAD"},
        {u"\u00E9\u07FF\u0800\uFFFF", "\xC3\xA9\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {CWString(u"a\0b", 3), "a"},
        {CWString{u'a', char16_t(0xD800), u'b'}, "ab"},
        {CWString{u'a', char16_t(0xDC00), u'b'}, "ab"},
        {CWString{char16_t(0xDC00), char16_t(0xD800)}, ""},
        {CWString{char16_t(0xD83D)}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf16ToUtf8(c.in), c.out);
}

TEST_F(encoding, ansi_conversions_use_the_windows_table) {
    EXPECT_EQ(ansiToUtf16(bytes({0xD6, 0xD0, 0xCE, 0xC4})), u"\u4E2D\u6587");
    EXPECT_EQ(ansiToUtf16(bytes({0x80})), u"\u20AC"); // code page 936 has the euro sign at 0x80
    EXPECT_EQ(ansiToUtf16(bytes({'a', 0, 'b'})), u"a");
    EXPECT_EQ(utf16ToAnsi(u"\u4E2D\u6587\u20AC"), bytes({0xD6, 0xD0, 0xCE, 0xC4, 0x80}));
    EXPECT_EQ(utf16ToAnsi(u"a\u0E01b"), "a?b"); // no mapping -> default character
    EXPECT_EQ(utf16ToAnsi(CWString(u"a\0b", 3)), "a");
    setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_EQ(ansiToUtf16(bytes({0x80, 0xE9})), u"\u20AC\u00E9");
    EXPECT_EQ(utf16ToAnsi(u"\u00E9\u4E2D"), bytes({0xE9, '?'}));
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(ansiToUtf16(bytes({0x93, 0xFA, 0x96, 0x7B})), u"\u65E5\u672C");
}

TEST_F(encoding, native_conversion_table) {
    const struct {
        std::string in;
        const char16_t* from;
        const char16_t* to;
        size_t skip;
        std::string out;
    } cases[] = {
        {"\xE4\xB8\xAD", u"UTF-8", u"UTF-16", 0, le(u"\u4E2D")},
        {"\xEF\xBB\xBF\xE4\xB8\xAD", u"UTF-8", u"UTF-16LE", 3, le(u"\u4E2D")},
        {"\xE4\xB8\xAD", u"UTF-8", u"UTF-16BE", 0, bytes({0x4E, 0x2D})},
        {"\xE4\xB8\xAD", u"UTF-8", u"ANSI", 0, bytes({0xD6, 0xD0})},
        {"\xE4\xB8\xAD", u"UTF-8", u"gbk", 0, bytes({0xD6, 0xD0})},
        {bytes({0xD6, 0xD0}), u"gbk", u"UTF-8", 0, "\xE4\xB8\xAD"},
        {bytes({0xD6, 0xD0}), u"ANSI", u"UTF-16BE", 0, bytes({0x4E, 0x2D})},
        {bytes({0xD6, 0xD0, 0, 'x'}), u"ANSI", u"UTF-16", 0, le(u"\u4E2D")},
        {bytes({0x4E, 0x2D}), u"UTF-16BE", u"UTF-8", 0, "\xE4\xB8\xAD"},
        {bytes({0x4E, 0x2D}), u"UTF-16BE", u"ANSI", 0, bytes({0xD6, 0xD0})},
        {bytes({0xFE, 0xFF, 0x4E, 0x2D}), u"UTF-16BE", u"UTF-16", 2, le(u"\u4E2D")},
        {bytes({0x2D, 0x4E, 'A'}), u"UTF-16", u"UTF-16BE", 0, bytes({0x4E, 0x2D, 0})},   // odd byte -> 0
        {bytes({0x2D, 0x4E, 'A'}), u"UTF-16", u"UTF-16LE", 0, bytes({0x2D, 0x4E, 'A'})}, // no step
        {bytes({0x2D, 0x4E, 'A'}), u"UTF-16LE", u"UTF-16", 1, bytes({0x4E, 'A'})},
        {le(u"a\0b"), u"UTF-16", u"UTF-8", 0, "a"},
        {le(u"\U0001F600"), u"UTF-16", u"UTF-8", 0, "\xF0\x9F\x98\x80"},
        {"anything", u"no-such-charset", u"no-such-charset", 2, "ything"}, // equal names copy
        {"abc", u"UTF-8", u"UTF-8", 10, ""},
    };
    for (const auto& c : cases) {
        bool ok = false;
        CKorMem out = convertCharsetNames(c.in, c.from, c.to, c.skip, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(str(out), c.out) << hex(c.in) << " " << std::string(c.from, c.from + 0);
    }
}

TEST_F(encoding, ansi_name_is_written_back) {
    CWString from = u"ANSI", to = u"UTF-16";
    CKorMem out = convertCharset(bytes({0xD6, 0xD0}), from, to);
    EXPECT_EQ(from, u"gbk");
    EXPECT_EQ(to, u"UTF-16");
    EXPECT_EQ(str(out), le(u"\u4E2D"));
}

TEST_F(encoding, unknown_charsets_fail_clearly) {
    const char16_t* names[] = {u"no-such-charset", u"", u"utf\u00E9", u"a b", u"x-ansi"};
    for (const char16_t* name : names) {
        bool ok = true;
        CKorMem out = convertCharsetNames("abc", u"UTF-8", name, 0, &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(out.size(), 0u);
        ok = true;
        out = convertCharsetNames("abc", name, u"UTF-16", 0, &ok);
        EXPECT_FALSE(ok);
    }
}

TEST_F(encoding, other_charsets_through_the_converter) {
    // Table names stand for the Windows code page: "iso-8859-1" reads 0x80 as the euro sign.
    EXPECT_EQ(str(convertCharsetNames(bytes({0x80, 0xE9}), u"iso-8859-1", u"UTF-8")), "\xE2\x82\xAC\xC3\xA9");
    EXPECT_EQ(str(convertCharsetNames(bytes({0x80, 0xE9}), u"ISO-8859-1", u"UTF-8")), "\xE2\x82\xAC\xC3\xA9");
    // "GBK" (not the exact ANSI name) still means code page 936.
    EXPECT_EQ(str(convertCharsetNames(bytes({0x80}), u"GBK", u"UTF-16")), le(u"\u20AC"));
    EXPECT_EQ(str(convertCharsetNames(le(u"\u4E2D"), u"UTF-16", u"big5")), bytes({0xA4, 0xA4}));
    EXPECT_EQ(str(convertCharsetNames("\xE4\xB8\xAD", u"utf-8", u"UTF-16")), le(u"\u4E2D"));
    EXPECT_EQ(str(convertCharsetNames(le(u"\u4E2D"), u"UTF-16", u"utf-8")), "\xE4\xB8\xAD"); // no mark
    EXPECT_EQ(str(convertCharsetNames(le(u"AB"), u"UTF-16", u"unicodeFFFE")), bytes({0, 'A', 0, 'B'}));
    EXPECT_EQ(str(convertCharsetNames(le(u"\u0416"), u"UTF-16", u"koi8-r")), bytes({0xF6}));
}

TEST_F(encoding, every_table_charset_converts) {
    const struct {
        int32_t cp;
        CWString sample;
    } samples[] = {
        {708, u"\u0627\u0644"},         {720, u"\u0627\u0644"},         {28596, u"\u0627\u0644"},
        {1256, u"\u0627\u0644"},        {1257, u"\u0101\u0161"},        {852, u"\u0141\u00F3"},
        {28592, u"\u0141\u00F3"},       {1250, u"\u0141\u00F3"},        {936, u"\u4E2D\u6587"},
        {950, u"\u4E2D\u6587"},         {862, u"\u05D0\u05D1"},         {866, u"\u0416\u044F"},
        {874, u"\u0E01\u0E02"},         {932, u"\u65E5\u672C\u3042"},   {949, u"\uD55C\uAD6D"},
        {1251, u"\u0416\u044F"},        {1252, u"\u00E9\u20AC"},        {1253, u"\u03A9\u03B1"},
        {1254, u"\u011F\u0130"},        {1255, u"\u05D0\u05D1"},        {1258, u"\u0111\u01A1"},
        {20866, u"\u0416\u044F"},       {21866, u"\u0404\u0457"},       {28595, u"\u0416\u044F"},
        {28597, u"\u03A9\u03B1"},       {28598, u"\u05D0\u05D1"},       {38598, u"\u05D0\u05D1"},
        {50932, u"\u65E5\u672C\u3042"}, {51932, u"\u65E5\u672C\u3042"}, {52936, u"\u4E2D\u6587"},
        {65001, u"\u4E2D\U0001F600"},
    };
    ASSERT_EQ(std::size(samples), codePageRows().size());
    for (const auto& s : samples) {
        CWString name = codePageName(s.cp);
        ASSERT_FALSE(name.empty()) << s.cp;
        CWString text = u"Hello, 123 " + s.sample + u" end";
        bool ok = false;
        CKorMem encoded = convertCharsetNames(le(text), u"UTF-16", name, 0, &ok);
        EXPECT_TRUE(ok) << s.cp;
        EXPECT_EQ(str(encoded).find('?'), std::string::npos) << s.cp << ": " << hex(str(encoded));
        EXPECT_NE(str(encoded).find("Hello, 123 "), std::string::npos) << s.cp;
        ok = false;
        CKorMem decoded = convertCharsetNames(bytesOf(encoded), name, u"UTF-16", 0, &ok);
        EXPECT_TRUE(ok) << s.cp;
        EXPECT_EQ(textFromUtf16Bytes(bytesOf(decoded)), text) << s.cp;
    }
}

TEST_F(encoding, autodetect_reads_the_japanese_encodings) {
    CWString text = u"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8";
    for (const char16_t* source : {u"shift_jis", u"euc-jp", u"ISO-2022-JP"}) {
        CKorMem encoded = convertCharsetNames(le(text), u"UTF-16", source);
        ASSERT_GT(encoded.size(), 0u);
        CKorMem decoded = convertCharsetNames(bytesOf(encoded), u"_autodetect", u"UTF-16");
        EXPECT_EQ(textFromUtf16Bytes(bytesOf(decoded)), text) << std::string(bytesOf(encoded));
    }
}

TEST_F(encoding, decode_text_bytes) {
    CWString name;
    EXPECT_EQ(str(decodeTextBytes("\xEF\xBB\xBF"
                                  "a",
                                  {}, name)),
              le(u"a"));
    EXPECT_EQ(name, u"UTF-8");
    name.clear();
    EXPECT_EQ(str(decodeTextBytes(bytes({0xD6, 0xD0}), {}, name)), le(u"\u4E2D"));
    EXPECT_EQ(name, u"gbk");
    // A given name is used as is; its own mark is skipped, another one is not.
    name = u"UTF-8";
    EXPECT_EQ(str(decodeTextBytes("\xEF\xBB\xBF"
                                  "a",
                                  {}, name)),
              le(u"a"));
    name = u"UTF-16BE";
    EXPECT_EQ(str(decodeTextBytes(bytes({0xFE, 0xFF, 0, 'a'}), {}, name)), le(u"a"));
    name = u"UTF-16";
    EXPECT_EQ(str(decodeTextBytes(bytes({0xFE, 0xFF, 'a', 0}), {}, name)), le(u"\uFFFEa"));
    name = u"ANSI";
    EXPECT_EQ(str(decodeTextBytes(bytes({0xD6, 0xD0}), {}, name)), le(u"\u4E2D"));
    EXPECT_EQ(name, u"gbk");
    name = u"bogus-charset";
    EXPECT_EQ(decodeTextBytes("abc", {}, name).size(), 0u);
}

TEST_F(encoding, swap_byte_order) {
    CKorMem m;
    m.append("abcde", 5);
    swapByteOrder(m);
    EXPECT_EQ(str(m), bytes({'b', 'a', 'd', 'c', 0}));
}

namespace {

// The decoding rules, one byte at a time, as a reference for the fast decoder.
CWString referenceUtf8(std::string_view in) {
    CWString out;
    size_t i = 0;
    while (i < in.size()) {
        uint8_t b = uint8_t(in[i]);
        if (b == 0) break;
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        size_t len = b >= 0xC0 && b <= 0xDF   ? 2
                     : b >= 0xE0 && b <= 0xEF ? 3
                     : b >= 0xF0 && b <= 0xF7 ? 4
                     : b >= 0xF8 && b <= 0xFB ? 5
                     : b >= 0xFC && b <= 0xFD ? 6
                                              : 0;
        if (len == 0 || i + len > in.size()) break;
        uint32_t v = len == 2   ? b & 0x1F
                     : len == 3 ? b & 0x0F
                     : len == 4 ? b & 0x07
                     : len == 5 ? b & 0x03
                                : b & 0x01;
        bool bad = false;
        for (size_t k = 1; k < len; ++k) {
            uint8_t c = uint8_t(in[i + k]);
            if (c < 0x80 || c > 0xBF) bad = true;
            v = (v << 6) | (c & 0x3F);
        }
        if (bad) break;
        if (v <= 0xFFFF) {
            out.push_back(char16_t(v));
        } else {
            out.push_back(char16_t(0xD800 + ((v - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + (v & 0x3FF)));
        }
        i += len;
    }
    return out;
}

} // namespace

TEST_F(encoding, utf8_decoder_agrees_with_the_rules) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const std::string pieces[] = {"a",
                                  "0123456789abcdef",
                                  "\xE4\xB8\xAD",
                                  "\xC3\xA9",
                                  "\xF0\x9F\x98\x80",
                                  "\xF8\x88\x80\x80\x80",
                                  "\xFC\x84\x80\x80\x80\x80",
                                  " ",
                                  "\x80",
                                  "\xE4\xB8"};
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        int parts = int(next() % 12);
        for (int k = 0; k < parts; ++k)
            s += pieces[next() % (std::size(pieces) - (round % 3 == 0 ? 0 : 2))];
        if (round % 7 == 0 && !s.empty()) s[next() % s.size()] = char(next());
        EXPECT_EQ(utf8ToUtf16(s), referenceUtf8(s)) << hex(s);
        EXPECT_EQ(str(convertCharsetNames(s, u"UTF-8", u"UTF-16")), le(referenceUtf8(s))) << hex(s);
    }
}
