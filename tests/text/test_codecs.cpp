// Escape codecs: \uXXXX escapes and HTML character references.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "text/codecs.h"

using namespace rg_Tolvar_MingLingJi;

namespace {

struct Case {
    const char16_t* input;
    size_t inputLength; // 0 = up to the terminator
    int32_t mode;
    const char16_t* expected;
};

CWString textOf(const Case& c) {
    return c.inputLength == 0 ? CWString(c.input) : CWString(c.input, c.inputLength);
}

std::string show(CWStringView s) {
    std::string out;
    for (char16_t c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(char(c));
        } else {
            char buf[12];
            std::snprintf(buf, sizeof buf, "<%04X>", unsigned(c));
            out += buf;
        }
    }
    return out;
}

} // namespace

TEST(codecs, escape_ucs2_table) {
    const Case cases[] = {
        {u"", 0, 0, u""},
        {u"\u4E2D\u6587", 0, 0, u"\\u4E2D\\u6587"},
        {u"\"", 0, 0, u"\\\""},
        {u"\r\n", 0, 0, u"\\r\\n"},
        {u"a\tb", 0, 0, u"a\tb"},
        {u"{\"a\":[1]}", 0, 0, u"\\{\\\"a\\\":\\[1\\]\\}"},
        {u"'/\\", 0, 0, u"\\'\\/\\\\"},
        {u"\U0001F600", 0, 0, u"\\uD83D\\uDE00"},
        {u"\u00E9\u0080\u007F", 0, 0, u"\\u00E9\\u0080\u007F"},
        {u"\x01:A9z", 0, 0, u"\x01:A9z"},
        {u"\xFFFF", 0, 0, u"\\uFFFF"},
        {u"\xD800", 0, 0, u"\\uD800"}, // a lone surrogate is one unit like any other
        {u"ab\0cd", 5, 0, u"ab"},      // the result ends at the first U+0000
    };
    for (const Case& c : cases) {
        EXPECT_EQ(escapeText(textOf(c), c.mode), CWString(c.expected)) << show(textOf(c));
    }
}

TEST(codecs, unescape_ucs2_table) {
    const Case cases[] = {
        {u"", 0, 0, u""},
        {u"\\u4e2d", 0, 0, u"\u4E2D"},
        {u"\\u4E2D", 0, 0, u"\u4E2D"},
        {u"%u4E2D", 0, 0, u"\u4E2D"},
        {u"%u4e2d!", 0, 0, u"\u4E2D!"},
        {u"\\u12", 0, 0, u"\\u12"},
        {u"x\\u123", 0, 0, u"x\\u123"},
        {u"\\u1234", 0, 0, u"\u1234"},
        {u"\\x", 0, 0, u"x"},
        {u"\\\\u0041", 0, 0, u"\\u0041"},
        {u"%41", 0, 0, u"%41"},
        {u"%", 0, 0, u"%"},
        {u"\\", 0, 0, u"\\"},
        {u"a\\", 0, 0, u"a\\"},
        {u"\\r\\n", 0, 0, u"\r\n"},
        {u"\\\"\\/\\t", 0, 0, u"\"/t"},
        {u"\\uZZZZ", 0, 0, u"\u5553"}, // 35*4096 + 35*256 + 35*16 + 35 = 152915
        {u"a\\uG000", 0, 0, u"a"},     // G counts 16: 65536, whose low 16 bits are 0: the text ends
        {u"\\u 000", 0, 0, u"\x9000"}, // a space counts -23: -94208, low 16 bits 0x9000
        {u"ab\\u0000cd", 0, 0, u"ab"},
        {u"\\uD83D\\uDE00", 0, 0, u"\U0001F600"},
        {u"%%u0041", 0, 0, u"%A"},
        {u"\\%u0041", 0, 0, u"%u0041"},
        {u"a\0\\u0041", 8, 0, u"a"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(unescapeText(textOf(c), c.mode), CWString(c.expected)) << show(textOf(c));
    }
}

TEST(codecs, escape_html_table) {
    const Case cases[] = {
        {u"", 0, 1, u""},
        {u"\u4E2D", 0, 1, u"&#x4E2D;"},
        {u"\u4E2D", 0, 2, u"&#20013;"},
        {u"\r\n", 0, 1, u"&#x000D;&#x000A;"},
        {u"\r\n", 0, 2, u"&#13;&#10;"},
        {u"&<>\"", 0, 1, u"&<>\""},
        {u"&<>\"", 0, 2, u"&<>\""},
        {u"\U0001F600", 0, 1, u"&#xD83D;&#xDE00;"},
        {u"\U0001F600", 0, 2, u"&#55357;&#56832;"},
        {u"\u00E9", 0, 1, u"&#x00E9;"},
        {u"\u0080", 0, 2, u"&#128;"},
        {u"\xFFFF", 0, 2, u"&#65535;"},
        {u"a\tb", 0, 2, u"a\tb"},
        {u"a\0b", 3, 2, u"a"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(escapeText(textOf(c), c.mode), CWString(c.expected))
            << show(textOf(c)) << " mode " << c.mode;
    }
}

TEST(codecs, unescape_html_table) {
    const Case cases[] = {
        {u"", 0, 1, u""},
        {u"&#x4e2d;", 0, 1, u"\u4E2D"},
        {u"&#x4E2D;", 0, 1, u"\u4E2D"},
        {u"&#X4E2D;", 0, 1, u"&#X4E2D;"},
        {u"&#x41;", 0, 1, u"&#x41;"},
        {u"&#x41;bc", 0, 1, u"\u414B"},
        {u"&#x4E2D;&#x6587;", 0, 1, u"\u4E2D\u6587"},
        {u"&#x4E2Dz", 0, 1, u"\u4E2D"}, // the unit after the four digits is consumed, whatever it is
        {u"&#20013;", 0, 1, u"\u4E2D"},
        {u"&#65", 0, 1, u"A"},
        {u"&#65;x", 0, 1, u"Ax"},
        {u"&#6a;", 0, 1, u"&#6a;"},
        {u"&#;", 0, 1, u"&#;"},
        {u"&#", 0, 1, u"&#"},
        {u"&", 0, 1, u"&"},
        {u"a&", 0, 1, u"a&"},
        {u"&#99999999999;", 0, 1, u"\xFFFF"}, // beyond int32: 2147483647, low 16 bits
        {u"&#65601;", 0, 1, u"A"},            // 65601 = 0x10041 -> 0x0041
        {u"&amp;lt;", 0, 1, u"&lt;"},
        {u"&nbsp;", 0, 1, u" "},
        {u"&AMP;", 0, 1, u"&AMP;"},
        {u"&quot;&amp;&lt;&gt;", 0, 1, u"\"&<>"},
        {u"&ldquo;x&rdquo;", 0, 1, u"\u201Cx\u201D"},
        {u"&circ;&ring;&ieth;", 0, 1, u"\u00C2\u00C5\u00F0"},
        {u"&eth;&Auml;&Acirc;", 0, 1, u"&eth;&Auml;&Acirc;"},
        {u"&foo;", 0, 1, u"&foo;"},
        {u"&foo", 0, 1, u"&foo;"},
        {u"&a b;", 0, 1, u"&a b;"},
        {u"&;", 0, 1, u"&;"},
        {u"&&amp;", 0, 1, u"&&"},
        {u"&#0;after", 0, 1, u""},
        {u"x&#x0000;y", 0, 1, u"x"},
        {u"&#x0041", 0, 1, u"&#x0041"}, // four digits but no unit after them
        {u"&#x00411", 0, 1, u"A"},
        {u"&\u4E2D;", 0, 1, u"&\u4E2D;"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(unescapeText(textOf(c), c.mode), CWString(c.expected)) << show(textOf(c));
    }
}

TEST(codecs, hex_digits) {
    EXPECT_EQ(hexDigits4(0), u"0000");
    EXPECT_EQ(hexDigits4(0x4E2D), u"4E2D");
    EXPECT_EQ(hexDigits4(0xabcd), u"ABCD");
    EXPECT_EQ(hexDigits4(0x00E9), u"00E9");
    EXPECT_EQ(hexDigits4(0xFFFF), u"FFFF");
}

TEST(codecs, entity_table) {
    ASSERT_EQ(kEntityRows.size(), 101u);
    EXPECT_EQ(CWString(kEntityRows[0].name), u"quot");
    EXPECT_EQ(CWString(kEntityRows[4].name), u"nbsp");
    EXPECT_EQ(kEntityRows[4].code, 32);
    EXPECT_EQ(CWString(kEntityRows[100].name), u"rdquo");
    EXPECT_EQ(kEntityRows[100].code, 8221);
    const CWString& table = entityTableText();
    EXPECT_EQ(table.substr(0, 22), u"&quot; &#34;\r\n&amp; &#");
    EXPECT_EQ(table.substr(table.size() - 15), u"&rdquo; &#8221;");
    EXPECT_EQ(entityCode(u"quot"), 34);
    EXPECT_EQ(entityCode(u"ETH"), 208);
    EXPECT_EQ(entityCode(u"ieth"), 240);
    EXPECT_EQ(entityCode(u"eth"), 0);
    EXPECT_EQ(entityCode(u"Quot"), 0);
    EXPECT_EQ(entityCode(u""), 0);
    EXPECT_EQ(entityCode(u"quot; &#34"), 0);
    // Every row decodes to its code.
    for (const EntityRow& r : kEntityRows) {
        CWString ref = u"&" + CWString(r.name) + u";";
        EXPECT_EQ(unescapeText(ref, 1), CWString(1, char16_t(r.code))) << show(r.name);
    }
}

TEST(codecs, unknown_modes_leave_the_text) {
    EXPECT_EQ(escapeText(u"a\u4E2D", 7), u"a\u4E2D");
    EXPECT_EQ(unescapeText(u"\\u0041", -1), u"\\u0041");
}

TEST(codecs, round_trips) {
    // Escaping then unescaping gives the text back for texts without U+0000.
    CWString all;
    for (char32_t c = 1; c < 0x10000; c += 7)
        all.push_back(char16_t(c));
    all += u"\"'/\\[]{}\r\n\t%&;#x";
    EXPECT_EQ(unescapeText(escapeText(all, 0), 0), all);
    // HTML escapes leave & alone, so only texts without "&" come back.
    CWString noAmp;
    for (char16_t c : all)
        if (c != u'&') noAmp.push_back(c);
    EXPECT_EQ(unescapeText(escapeText(noAmp, 1), 1), noAmp);
    EXPECT_EQ(unescapeText(escapeText(noAmp, 2), 1), noAmp);
}

TEST(codecs, every_truncated_prefix_is_safe) {
    // Each prefix sits at the very end of its allocation so a read past it is caught.
    const CWString inputs[] = {u"\\u4E2D%u4E2D\\x\\", u"&#x4E2D;&#20013;&amp;&foo&#x41;bc"};
    for (const CWString& in : inputs) {
        for (size_t len = 0; len <= in.size(); ++len) {
            std::unique_ptr<char16_t[]> exact(new char16_t[len == 0 ? 1 : len]);
            std::copy(in.begin(), in.begin() + long(len), exact.get());
            CWStringView v(exact.get(), len);
            for (int32_t m = 0; m < 2; ++m)
                (void)unescapeText(v, m);
            for (int32_t m = 0; m < 3; ++m)
                (void)escapeText(v, m);
        }
    }
}
