// Regular expressions (ECMAScript dialect) and wildcard translation.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "text/regex.h"

using namespace rg_Tolvar_MingLingJi;
using Regex = rg_TolvarZhengZeBiaoDaShiLei;

namespace {

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

struct MatchCase {
    const char16_t* pattern;
    bool ignoreCase;
    const char16_t* text;
    bool matches;
};

// Shared by the match table and the replace-and-compare check.
const MatchCase kMatchCases[] = {
    {u"abc", false, u"xxabcxx", true},
    {u"abc", false, u"ABC", false},
    {u"abc", true, u"ABC", true},
    {u"a*", false, u"bbb", false}, // only empty matches
    {u"a*", false, u"bab", true},
    {u"a*?", false, u"aaa", false}, // lazy: every match is empty
    {u"x*|b", false, u"abc", false},
    {u"b|x*", false, u"abc", true},
    {u"^b", false, u"a\nb", true}, // multi-line anchors
    {u"a$", false, u"a\nb", true},
    {u"a$", false, u"a\r\nb", true},
    {u"^b", false, u"a\r\nb", true},
    {u"^$", false, u"a\n\nb", false},
    {u"\\u4E2D", false, u"\u4E2D\u6587", true},
    {u"\\u4e2d+", false, u"\u4E2D\u4E2D", true},
    {u"\\x41", false, u"A", true},
    {u"\\x4", false, u"x4", true},   // not two hex digits: a plain "x"
    {u"\\u12", false, u"u12", true}, // not four hex digits: a plain "u"
    {u"\\d+", false, u"abc123", true},
    {u"\\d", false, u"\u0663", false}, // ASCII digits only, as in ECMAScript
    {u"\\w+", false, u"\u4E2D\u6587", false},
    {u"\\bfoo\\b", false, u"a foo b", true},
    {u"\\bfoo\\b", false, u"afoob", false},
    {u"\\s", false, u"\u3000", true}, // ECMAScript white space includes the ideographic space
    {u"\\s", false, u"\u00A0", true},
    {u"\\s", false, u"\uFEFF", true},
    {u"\\S", false, u"\u3000", false},
    {u"[\\s]", false, u"\u3000", true},
    {u"a.c", false, u"a\nc", false},
    {u"a.c", false, u"a\u2028c", false},
    {u"a.c", false, u"a\u4E2Dc", true},
    {u"\\v", false, u"\x0B", true},
    {u"\\v", false, u"\n", false},
    {u"\\a", false, u"a", true}, // identity escapes of letters are the letters
    {u"\\e", false, u"e", true},
    {u"\\z", false, u"z", true},
    {u"\\Qa", false, u"Qa", true},
    {u"\\p{L}", false, u"p{L}", true},
    {u"\\k", false, u"k", true},
    {u"(?<y>a)\\k<y>", false, u"aa", true},
    {u"(a)\\1", false, u"aa", true},
    {u"\\1(a)", false, u"a", true},   // a forward reference matches empty
    {u"a\\2", false, u"a\x02", true}, // no group 2: legacy octal
    {u"\\8", false, u"8", true},
    {u"[[]", false, u"[", true},
    {u"[[:alpha:]]", false, u":", false}, // not a POSIX class: "[[:alph" then "]"
    {u"[[:alpha:]]", false, u":]", true},
    {u"[\\d-z]", false, u"-", true},
    {u"[\\d-z]", false, u"m", false},
    {u"[a-\\d]", false, u"-", true},
    {u"[]", false, u"a", false},
    {u"[^]", false, u"\n", true},
    {u"[\\b]", false, u"\b", true},
    {u"\\cJ", false, u"\n", true},
    {u"\\c1", false, u"\\c1", true},
    {u"a{2}", false, u"aa", true},
    {u"a{,2}", false, u"a{,2}", true},
    {u"x{a}", false, u"x{a}", true},
    {u"\\/", false, u"/", true},
    {u"\\-\\=", false, u"-=", true},
    {u"(?=a)a", false, u"a", true},
    {u"(?<=a)b", false, u"ab", true},
    {u"(?<!a)b", false, u"ab", false},
    {u"\u00C9", true, u"\u00E9", false}, // case folding covers ASCII letters
    {u"JSON", true, u"json\u89E3\u6790", true},
    {u"\\uD83D", false, u"\U0001F600", true}, // code units, not code points
    {u".", false, u"\xD800", true},           // lone surrogates are ordinary units
    {u"", false, u"abc", false},
    {u"", false, u"", false},
    {u"(", false, u"abc", true}, // does not compile: the failed replace gives the empty text
    {u"(", false, u"", false},
    {u"a)", false, u"xyz", true},
    {u"\\", false, u"x", true},
    {u"*", false, u"x", true},
    {u"(?<=a+)b", false, u"zzz", true}, // unbounded look-behind is not supported
};

} // namespace

TEST(regex, match_table) {
    Regex r;
    for (const MatchCase& c : kMatchCases) {
        r.compilePattern(c.pattern, c.ignoreCase);
        EXPECT_EQ(r.containsMatch(c.text), c.matches) << show(c.pattern) << " on " << show(c.text);
    }
}

TEST(regex, contains_agrees_with_replace_and_compare) {
    Regex r;
    const CWString texts[] = {u"", u"a", u"bab", u"bbb", u"abc", u"a\nb", u"\u4E2D", u"xxabcxx", u"  "};
    for (const MatchCase& c : kMatchCases) {
        r.compilePattern(c.pattern, c.ignoreCase);
        for (const CWString& t : texts) {
            bool viaReplace = r.replaceMatches(t, u"") != t;
            EXPECT_EQ(r.containsMatch(t), viaReplace) << show(c.pattern) << " on " << show(t);
        }
        bool viaReplace = r.replaceMatches(c.text, u"") != CWString(c.text);
        EXPECT_EQ(r.containsMatch(c.text), viaReplace) << show(c.pattern);
    }
}

TEST(regex, compile_results) {
    Regex r;
    EXPECT_FALSE(r.isCompiled());
    EXPECT_EQ(r.replaceMatches(u"abc", u"x"), u""); // nothing compiled yet
    EXPECT_TRUE(r.containsMatch(u"abc"));
    EXPECT_FALSE(r.containsMatch(u""));
    EXPECT_TRUE(r.compilePattern(u"b", false));
    EXPECT_TRUE(r.isCompiled());
    EXPECT_TRUE(r.errorText().empty());
    EXPECT_FALSE(r.compilePattern(u"(b", false));
    EXPECT_FALSE(r.isCompiled());
    EXPECT_FALSE(r.errorText().empty());
    EXPECT_EQ(r.replaceMatches(u"abc", u"x"), u""); // the failed pattern replaced the old one
    EXPECT_TRUE(r.compilePattern(u"b", false));
    EXPECT_EQ(r.replaceMatches(u"abc", u"x"), u"axc");
}

TEST(regex, replace_table) {
    const struct {
        const char16_t* pattern;
        const char16_t* text;
        const char16_t* replacement;
        const char16_t* expected;
    } cases[] = {
        {u"a", u"banana", u"o", u"bonono"},
        {u"x*", u"abc", u"-", u"-a-b-c-"},
        {u"a*", u"baaac", u"-", u"-b--c-"},
        {u"(\\w+)@(\\w+)", u"me@host", u"$2 at $1", u"host at me"},
        {u"b", u"abc", u"[$&]", u"a[b]c"},
        {u"b", u"abc", u"[$`|$']", u"a[a|c]c"},
        {u"b", u"abc", u"$$", u"a$c"},
        {u"b", u"abc", u"$1", u"a$1c"}, // no such group: literal
        {u"(b)", u"abc", u"$01", u"abc"},
        {u"(b)", u"abc", u"$10", u"ab0c"}, // "$1" then "0"
        {u"(b)", u"abc", u"$0", u"a$0c"},
        {u"(?<n>b)", u"abc", u"<$<n>>", u"a<b>c"},
        {u"b", u"abc", u"$<n>", u"a$<n>c"}, // no named groups: literal
        {u"(x)?b", u"abc", u"[$1]", u"a[]c"},
        {u"^", u"a\nb", u">", u">a\n>b"},
        {u"$", u"a\r\nb", u"<", u"a<\r<\nb<"},
        {u"\\uD83D", u"\U0001F600", u"x", u"x\xDE00"},
        {u"abc", u"ABC", u"x", u"ABC"},
        {u"", u"ab", u"-", u"-a-b-"},
        {u"b", u"", u"x", u""},
        {u"$", u"ab", u"$", u"ab$"},
    };
    Regex r;
    for (const auto& c : cases) {
        ASSERT_TRUE(r.compilePattern(c.pattern, false)) << show(c.pattern);
        EXPECT_EQ(r.replaceMatches(c.text, c.replacement), CWString(c.expected)) << show(c.pattern);
    }
    ASSERT_TRUE(r.compilePattern(u"abc", true));
    EXPECT_EQ(r.replaceMatches(u"xABCx", u""), u"xx");
}

TEST(regex, wildcard_table) {
    const struct {
        const char16_t* wildcard;
        const char16_t* regex;
    } cases[] = {
        {u"a*c", u"a.*c"},
        {u"a?c", u"a.?c"},
        {u"1+1=2", u"1\\+1\\=2"},
        {u"a\\b", u"a\\\\b"},
        {u"^$+.{}[]=()-\"", u"\\^\\$\\+\\.\\{\\}\\[\\]\\=\\(\\)\\-\\\""},
        {u"a|b/c", u"a|b/c"},
        {u"", u""},
        {u"\u4E2D*", u"\u4E2D.*"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Regex::wildcardToRegex(c.wildcard), CWString(c.regex)) << show(c.wildcard);

    const struct {
        const char16_t* wildcard;
        const char16_t* text;
        bool matches;
    } matches[] = {
        {u"a*c", u"xxabcxx", true}, {u"a*c", u"ac", true},          {u"a?c", u"ac", true},
        {u"a?c", u"abc", true},     {u"a?c", u"abbc", false},       {u"1+1=2", u"1+1=2", true},
        {u"1+1=2", u"11=2", false}, {u"a\\b", u"a\\b", true},       {u"a\\b", u"ab", false},
        {u"[x]", u"[x]", true},     {u"[x]", u"x", false},          {u"a|z", u"z", true},
        {u"(a)", u"(a)", true},     {u"\"k\"", u"{\"k\":1}", true},
    };
    Regex r;
    for (const auto& m : matches) {
        ASSERT_TRUE(r.compilePattern(Regex::wildcardToRegex(m.wildcard), false)) << show(m.wildcard);
        EXPECT_EQ(r.containsMatch(m.text), m.matches) << show(m.wildcard) << " on " << show(m.text);
    }
}

TEST(regex, copies_share_the_pattern_and_run_on_their_own_threads) {
    Regex r;
    ASSERT_TRUE(r.compilePattern(u"b+", false));
    Regex copy = r;
    Regex assigned;
    assigned = r;
    EXPECT_TRUE(copy.containsMatch(u"abbc"));
    EXPECT_TRUE(assigned.containsMatch(u"abbc"));
    std::thread t([copy]() mutable {
        for (int i = 0; i < 1000; ++i)
            ASSERT_TRUE(copy.containsMatch(u"abbc"));
    });
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(r.containsMatch(u"abbc"));
    t.join();
    r.compilePattern(u"z", false); // recompiling one leaves the copies alone
    EXPECT_TRUE(copy.containsMatch(u"abbc"));
    EXPECT_FALSE(r.containsMatch(u"abbc"));
    Regex moved = std::move(copy);
    EXPECT_TRUE(moved.containsMatch(u"abbc"));
}

TEST(regex, runaway_backtracking_ends) {
    Regex r;
    ASSERT_TRUE(r.compilePattern(u"(a+)+$", false));
    CWString text(40, u'a');
    text += u"!";
    // The match limit stops it; the result is the failure result, not a hang.
    EXPECT_EQ(r.replaceMatches(text, u""), u"");
    EXPECT_TRUE(r.containsMatch(text));
}

TEST(regex, long_texts) {
    Regex r;
    ASSERT_TRUE(r.compilePattern(u"x*", false));
    CWString text(200000, u'b');
    EXPECT_FALSE(r.containsMatch(text)); // 200001 empty matches, each found once
    text[150000] = u'x';
    EXPECT_TRUE(r.containsMatch(text));
    ASSERT_TRUE(r.compilePattern(u"(?:a|b)*c", false));
    EXPECT_FALSE(r.containsMatch(CWString(100000, u'a'))); // deep repetition stays within the JIT stack
}
