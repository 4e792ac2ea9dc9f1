// Stream extraction: values found by path in files of every encoding, chunk boundaries, failures.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/json/test_stream_support.h"
#include "text/file_rw.h"
#include "json/document.h"
#include "json/node.h"
#include "json/stream_extract.h"

using namespace rg_Tolvar_JSON;
using namespace stream_test;

namespace {

struct Case {
    const char* doc;
    const char* path;
    std::optional<std::string> expected; // nothing: the path names nothing
};

const std::vector<Case>& cases() {
    static const std::vector<Case> rows = {
        // Paths written in any mode reach the same value, exactly as written in the file.
        {R"({"data":{"items":[10,20,30]}})", "data.items.[1]", "20"},
        {R"({"data":{"items":[10,20,30]}})", "data.items[1]", "20"},
        {R"({"data":{"items":[10,20,30]}})", "//data.items.[1]", "20"},
        {R"({"data":{"items":[10,20,30]}})", "data", R"({"items":[10,20,30]})"},
        {R"({"data":{"items":[10,20,30]}})", "data.items", "[10,20,30]"},
        {R"({"data":{"items":[10,20,30]}})", "data.items[3]", std::nullopt},
        {R"({"data":{"items":[10,20,30]}})", "data.items[-1]", std::nullopt},
        {R"({"data":{"items":[10,20,30]}})", "data.items[0].x", std::nullopt},
        {R"({"data":{"items":[10,20,30]}})", "nope", std::nullopt},
        // Bare values keep their surrounding white space; quoted ones their quotes.
        {R"({"a": 1 , "b":2})", "a", " 1 "},
        {R"({"a": 1 , "b":2})", "b", "2"},
        {R"({"k":"x"})", "k", R"("x")"},
        {R"({"s":"x\"y", "t":'it"s'})", "s", R"("x\"y")"},
        {R"({"s":"x\"y", "t":'it"s'})", "t", R"('it"s')"},
        // Occurrences count across side-by-side values; element indexes restart in each value.
        {R"({"k":1}{"k":2})", "k->1", "2"},
        {R"({"k":1}{"k":2})", "k", "1"},
        {"[1,2][3,4]", "[2]", std::nullopt},
        {"[1,2][3,4]", "[1]", "2"},
        {R"({"k":1,"k":2,"k":3})", "k->2", "3"},
        {R"({"k":1,"k":2,"k":3})", "k->3", std::nullopt},
        {R"({"k":1,"k":2,"k":3})", "k-> 1", "2"},
        {R"({"k":1,"k":2,"k":3})", "k->1x", "2"},
        {R"({"k":1,"k":2,"k":3})", "k->x", "1"},
        {R"({"k":1,"k":2,"k":3})", "k->-1", std::nullopt},
        {R"({'a':1, "a":2, a:3})", "a->2", "3"},
        {R"({'a':1, "a":2, a:3})", "a->1", "2"},
        // Lenient members.
        {R"({name:'Tom', "tags":[1, two, "3"], "a":1, "a":2, "x"})", "name", "'Tom'"},
        {R"({name:'Tom', "tags":[1, two, "3"], "a":1, "a":2, "x"})", "tags", R"([1, two, "3"])"},
        {R"({name:'Tom', "tags":[1, two, "3"], "a":1, "a":2, "x"})", "tags[1]", " two"},
        {R"({name:'Tom', "tags":[1, two, "3"], "a":1, "a":2, "x"})", "tags[2]", R"("3")"},
        {R"({name:'Tom', "tags":[1, two, "3"], "a":1, "a":2, "x"})", "a->1", "2"},
        {R"({name:'Tom', "tags":[1, two, "3"], "a":1, "a":2, "x"})", "->0", R"("x")"},
        {R"({a b: c d})", "a b", " c d"},
        {R"({"a":1})", "", R"({"a":1})"},
        {R"({:1})", "->0", "1"},
        {R"({"x", "y":1})", "->0", R"("x")"},
        {R"({"x", "y":1})", "y", "1"},
        {R"({"a": })", "a", " "},
        {R"({"a":1)", "a", std::nullopt},
        {R"({"a":"x")", "a", R"("x")"},
        {R"({"a":{"b":[]}})", "a.b", "[]"},
        {R"({"a":{"b":[]}})", "a.b[0]", std::nullopt},
        {R"(["a":1])", "a", "1"},
        {R"(["a":1])", "[0]", std::nullopt},
        {R"({"a":1})", "[0]", std::nullopt}, // an index never selects a keyed member
        {R"([1,2])", "->0", std::nullopt},   // an empty key never selects an element
        {R"({'x':1})", "x", "1"},
        {R"({'x':1})", "'x'", std::nullopt},
        {R"({"a.b":1})", "a#46#b", "1"},
        {R"({"a.b":1})", "a.b", std::nullopt},
        {R"({"//a":1})", "//a", "1"},
        {R"({"a":[[1,2],[3,[4,5]]]})", "a[1][1][0]", "4"},
        {R"({"a":[[1,2],[3,[4,5]]]})", "a.[1].[1].[0]", "4"},
        {R"({"a":[[1,2],[3,[4,5]]]})", "//a.[1].[1].[0]", "4"},
        // A first token followed by a container is that container's key.
        {R"({"a" {"b":1}})", "a.b", "1"},
        // Only keyless members of a '[' container are counted as elements.
        {R"(["a":1, 2])", "[0]", " 2"},
        {R"([ {"x":1}, [2], "s", 4 ])", "[0]", R"({"x":1})"},
        {R"([ {"x":1}, [2], "s", 4 ])", "[1]", "[2]"},
        {R"([ {"x":1}, [2], "s", 4 ])", "[2]", R"("s")"},
        {R"([ {"x":1}, [2], "s", 4 ])", "[3]", " 4 "},
        {R"([ {"x":1}, [2], "s", 4 ])", "[0].x", "1"},
        {R"([ , ,5])", "[0]", "5"}, // blank slots are no elements
        // Text around and between top-level values is skipped; a stray bracket ends one pass.
        {R"(xx {"a":1} yy ["b"])", "[0]", R"("b")"},
        {R"(}{"a":1})", "a", "1"},
        {R"(]]]{"a":1})", "a", "1"},
        {R"({"a":1} {"a":2} {"a":3})", "a->2", "3"},
        // Backslashes skip the next byte everywhere; quotes of the other kind are plain text.
        {R"({"a\"b":1})", R"(a\"b)", "1"},
        {R"({"k":"a\\","m":2})", "m", "2"},
        {R"({\"k":1, "m":2})", "m", std::nullopt}, // the escaped quote shifts every later quote
        {R"({\"k":1, "m":2})", "->0", R"(\"k":1, "m":2)"},
        {R"({"k":"x]}y", "m":[1]})", "m", "[1]"},
        {R"({"k":'x"y', "m":"'"})", "m", R"("'")"},
        // A quoted token closed right before a bracket: the level keeps its closed-quote state
        // across the nested container, so the quote after it is plain text.
        {R"({"k":["a"{}" ], "m":1})", "m", "1"},
        {R"({"k":["a"[]" ], "m":1})", "m", "1"},
        {R"({"k":["a"{"pad":"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"}" ], "m":1})",
         "m", "1"},
        {R"({"k":["a"{"pad":"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"}" ], "m":1})",
         "k",
         R"(["a"{"pad":"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"}" ])"},
        // Backslash runs of every length before quotes and brackets.
        {R"({"k":"a\\\"]", "m":2})", "m", "2"},
        {R"({"k":"a\\\\"], "m":2})", "m", std::nullopt},
        {R"({"k":[\], "m":2]})", "m", std::nullopt},
        // A key compared after unquoting and trimming.
        {R"({"  spaced  ":1})", "spaced", "1"},
        {R"({  bare   :1})", "bare", "1"},
        {R"({"":1})", "", R"({"":1})"},
        {R"({"":1})", "->0", "1"},
        // Non-ASCII keys and values.
        {"{\"中\":\"文\",\"é\":[\"ü\"]}", "中", "\"文\""},
        {"{\"中\":\"文\",\"é\":[\"ü\"]}", "é[0]", "\"ü\""},
    };
    return rows;
}

// In ANSI files characters outside the code page come back as its substitute character.
std::string ansiRoundTrip(const std::string& utf8, int32_t enc) {
    if (enc != kStreamAnsi) return utf8;
    return u8(rg_Tolvar_MingLingJi::ansiToUtf16(encodeAs(utf8, kStreamAnsi)));
}

std::string describe(const Case& c, int32_t enc, int32_t chunkKiB) {
    return std::string("doc=") + c.doc + " path=" + c.path + " enc=" + encodingName(enc) +
           " chunk=" + std::to_string(chunkKiB);
}

} // namespace

TEST(stream, edge_cases_all_encodings) {
    TempDir tmp;
    int n = 0;
    for (const Case& c : cases()) {
        for (int32_t enc = 0; enc < 4; ++enc) {
            const std::string bytes = encodeAs(c.doc, enc);
            const auto file = tmp.write("case" + std::to_string(n++), bytes);
            for (int32_t chunk : {10240, 1}) {
                const Outcome o = extractFile(file, enc, c.path, chunk);
                SCOPED_TRACE(describe(c, enc, chunk));
                ASSERT_TRUE(o.ok);
                if (c.expected) {
                    EXPECT_EQ(o.status, StreamStatus::Found);
                    EXPECT_EQ(o.text, ansiRoundTrip(*c.expected, enc));
                } else {
                    EXPECT_EQ(o.status, StreamStatus::NotFound);
                    EXPECT_EQ(o.text, "");
                }
            }
        }
    }
}

TEST(stream, byte_order_mark_before_first_bracket_is_skipped) {
    TempDir tmp;
    const std::string doc = R"({"data":{"items":[10,20,30]}})";
    for (int32_t enc = 1; enc < 4; ++enc) {
        const auto file = tmp.write("bom" + std::to_string(enc), bomOf(enc) + encodeAs(doc, enc));
        SCOPED_TRACE(encodingName(enc));
        EXPECT_EQ(extractFile(file, enc, "data.items[1]").text, "20");
        EXPECT_EQ(extractFile(file, enc, "data").text, R"({"items":[10,20,30]})");
        // The empty path gives the whole file, mark included.
        const Outcome whole = extractFile(file, enc, "");
        EXPECT_EQ(whole.status, StreamStatus::Found);
        EXPECT_EQ(whole.raw, bomOf(enc) + encodeAs(doc, enc));
        EXPECT_EQ(whole.text, "\xEF\xBB\xBF" + doc);
    }
}

TEST(stream, empty_path_returns_whole_file_decoded) {
    TempDir tmp;
    const std::string doc = "not json at all, 中文 [1,2] trailing";
    for (int32_t enc = 0; enc < 4; ++enc) {
        const auto file = tmp.write("whole" + std::to_string(enc), encodeAs(doc, enc));
        SCOPED_TRACE(encodingName(enc));
        const Outcome o = extractFile(file, enc, "");
        EXPECT_TRUE(o.ok);
        EXPECT_EQ(o.text, ansiRoundTrip(doc, enc));
    }
    const auto empty = tmp.write("empty", "");
    const Outcome e = extractFile(empty, 1, "");
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.status, StreamStatus::Found);
    EXPECT_EQ(e.text, "");
    const Outcome e2 = extractFile(empty, 1, "a");
    EXPECT_TRUE(e2.ok);
    EXPECT_EQ(e2.status, StreamStatus::NotFound);
}

TEST(stream, utf16_ranges_take_the_other_byte_of_the_bracket) {
    TempDir tmp;
    const std::string doc = R"({"k":"v", "b": 12 ,"o":{"x":[1]}})";
    const std::vector<std::pair<std::string, std::string>> want = {
        {"k", "\"v\""}, {"b", " 12 "}, {"o", R"({"x":[1]})"}, {"o.x[0]", "1"}};
    for (int32_t enc : {2, 3}) {
        const auto file = tmp.write("r" + std::to_string(enc), encodeAs(doc, enc));
        for (const auto& [path, text] : want) {
            const Outcome o = extractFile(file, enc, path);
            SCOPED_TRACE(path + " " + encodingName(enc));
            EXPECT_EQ(o.raw, encodeAs(text, enc));
            EXPECT_EQ(o.text, text);
        }
    }
}

TEST(stream, empty_value_found_in_utf16_ends_the_search) {
    // In UTF-16 "a": followed directly by '}' still leaves one byte (the colon's zero byte)
    // between mark and delimiter, so the member exists with an empty value. The search stops there
    // rather than rescanning for ever.
    TempDir tmp;
    const std::string doc = R"({"a":}{"a":5})";
    for (int32_t enc : {2, 3}) {
        const auto file = tmp.write("e" + std::to_string(enc), encodeAs(doc, enc));
        const Outcome o = extractFile(file, enc, "a");
        EXPECT_TRUE(o.ok);
        EXPECT_EQ(o.status, StreamStatus::Found);
        EXPECT_EQ(o.text, "");
        EXPECT_EQ(extractFile(file, enc, "a->1").text, "5");
    }
    // In single-byte encodings the keyless colon drops the member.
    for (int32_t enc : {0, 1}) {
        const auto file = tmp.write("e" + std::to_string(enc), encodeAs(doc, enc));
        EXPECT_EQ(extractFile(file, enc, "a").text, "5");
    }
}

TEST(stream, odd_length_utf16_result_drops_its_last_byte) {
    TempDir tmp;
    // A stray byte between the quotes of a UTF-16LE value: the quote-to-quote range is odd.
    std::string bytes = encodeAs(R"({"k":"ab"})", 2);
    bytes.insert(bytes.begin() + 12, 'Z'); // right after the opening quote's zero byte
    const auto file = tmp.write("odd", bytes);
    const Outcome o = extractFile(file, 2, "k");
    ASSERT_EQ(o.status, StreamStatus::Found);
    ASSERT_EQ(o.raw.size(), 9u);
    CKorMem raw;
    raw.append(o.raw.data(), o.raw.size());
    const CWString text = decodeStreamBytes(raw, 2);
    EXPECT_EQ(text, (CWString{u'"', char16_t(0x615A), char16_t(0x6200), char16_t(0x2200)}));
    EXPECT_EQ(o.text, u8(text));
}

TEST(stream, value_straddling_chunk_boundaries_is_whole) {
    TempDir tmp;
    for (int32_t enc = 0; enc < 4; ++enc) {
        for (int shift = 0; shift < 8; ++shift) {
            // The value runs from before the first 1 KiB boundary to past the third.
            std::string filler(1000 + shift, ' ');
            std::string big(2500, 'x');
            for (size_t i = 0; i < big.size(); i += 97)
                big[i] = 'y';
            const std::string doc = "{\"pad\":\"" + filler + "\",\"v\":\"" + big + "\",\"w\":[1,2]}";
            const auto file = tmp.write("straddle", encodeAs(doc, enc));
            SCOPED_TRACE(std::string(encodingName(enc)) + " shift " + std::to_string(shift));
            EXPECT_EQ(extractFile(file, enc, "v", 1).text, "\"" + big + "\"");
            EXPECT_EQ(extractFile(file, enc, "w[1]", 1).text, "2");
        }
    }
}

TEST(stream, backslash_skipping_the_first_byte_of_a_chunk) {
    TempDir tmp;
    for (int32_t enc = 0; enc < 4; ++enc) {
        const int unit = enc >= 2 ? 2 : 1;
        // Place a backslash so that the byte it skips is the first byte of the second chunk.
        // Single-byte: '\' at 1023 skips 1024. UTF-16LE: '\' at 1022 skips 1023 and 1024.
        // UTF-16BE: '\' at 1023 (its zero byte at 1022) skips 1024 and 1025.
        const std::string head = "{\"pad\":\"";
        const int64_t backslashAt = enc == 2 ? 1022 : 1023;
        const int64_t headUnits = static_cast<int64_t>(head.size());
        const int64_t bsUnit = (enc == 3 ? backslashAt - 1 : backslashAt) / unit;
        std::string doc = head + std::string(static_cast<size_t>(bsUnit - headUnits), '.') + "\\\"" +
                          "still inside\", \"v\":7}";
        const std::string bytes = encodeAs(doc, enc);
        ASSERT_EQ(bytes[static_cast<size_t>(backslashAt)], '\\');
        const auto file = tmp.write("bs", bytes);
        SCOPED_TRACE(encodingName(enc));
        EXPECT_EQ(extractFile(file, enc, "v", 1).text, "7");
        EXPECT_EQ(extractFile(file, enc, "v").text, "7");
        const Outcome pad = extractFile(file, enc, "pad", 1);
        EXPECT_EQ(pad.text.substr(pad.text.size() - 15), "\\\"still inside\"");
    }
}

TEST(stream, deep_nesting_without_recursion) {
    TempDir tmp;
    const int depth = 1000000;
    std::string doc = "{\"deep\":";
    doc.append(depth, '[');
    doc += "\"x\"";
    doc.append(depth, ']');
    doc += ",\"after\":5}";
    const auto file = tmp.write("deep", doc);
    EXPECT_EQ(extractFile(file, 1, "after").text, "5");
    // A path down 2000 levels of the same nesting.
    std::string path = "deep";
    for (int i = 0; i < 2000; ++i)
        path += "[0]";
    const Outcome o = extractFile(file, 1, path);
    EXPECT_EQ(o.status, StreamStatus::Found);
    EXPECT_EQ(o.text.size(), size_t(2 * (depth - 2000) + 3));
    // Unterminated nesting ends at the end of the file.
    const auto open = tmp.write("open", std::string(depth, '{'));
    EXPECT_EQ(extractFile(open, 1, "a.b").status, StreamStatus::NotFound);
}

TEST(stream, bytes_inside_characters_are_taken_as_structural) {
    // Every byte equal to a structural character counts, also inside a multi-byte character:
    // in UTF-16LE U+5B57 is stored as 57 5B, and 5B is '['.
    TempDir tmp;
    const auto file = tmp.write("trail", encodeAs("{\"k\":\"\u5B57\",\"m\":1}", 2));
    const Outcome o = extractFile(file, 2, "m");
    EXPECT_TRUE(o.ok);
    // The '[' inside the string is ignored by the quote rules, so m is still found.
    EXPECT_EQ(o.text, "1");
    const auto bare = tmp.write("trail2", encodeAs("{\"k\":\u5B57,\"m\":1}", 2));
    EXPECT_EQ(extractFile(bare, 2, "m").status, StreamStatus::NotFound); // the '[' opened a container
}

TEST(stream, failures) {
    TempDir tmp;
    CWString out = u"kept";
    StreamExtractor ex;
    EXPECT_FALSE(ex.extractFromFile(u"", 1, u"a", out));
    EXPECT_EQ(ex.status(), StreamStatus::CannotOpen);
    EXPECT_FALSE(ex.extractFromFile(fileText(tmp.path() / "missing.json"), 1, u"a", out));
    EXPECT_EQ(ex.status(), StreamStatus::CannotOpen);
    EXPECT_FALSE(ex.extractFromFile(fileText(tmp.path()), 1, u"a", out)); // a folder
    EXPECT_EQ(ex.status(), StreamStatus::CannotOpen);
    const auto file = tmp.write("f.json", R"({"a":1})");
    EXPECT_FALSE(ex.extractFromFile(fileText(file), -1, u"a", out));
    EXPECT_EQ(ex.status(), StreamStatus::BadEncoding);
    EXPECT_FALSE(ex.extractFromFile(fileText(file), 4, u"a", out));
    EXPECT_EQ(out, u"kept");
    EXPECT_TRUE(ex.extractFromFile(fileText(file), 1, u"a", out));
    EXPECT_EQ(out, u"1");
}

TEST(stream, read_only_file_is_readable) {
    TempDir tmp;
    const auto file = tmp.write("ro.json", R"({"a":[1,2]})");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    const Outcome o = extractFile(file, 1, "a[1]");
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.text, "2");
    // The running program cannot be opened for writing by anyone, root included.
    const Outcome self = extractFile(fs::read_symlink("/proc/self/exe"), 1, "no.such.path");
    EXPECT_TRUE(self.ok);
    EXPECT_EQ(self.status, StreamStatus::NotFound);
}

TEST(stream, too_large_value_fails_instead_of_allocating) {
    TempDir tmp;
    const auto file = tmp.write("big.json", R"({"small":1,"big":")" + std::string(5000, 'z') + R"("})");
    // With a limit of 4 KiB: the small value is fine, the big one and the whole file are refused.
    Outcome o = extractFile(file, 1, "small", 10240, 4096);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.text, "1");
    o = extractFile(file, 1, "big", 10240, 4096);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.status, StreamStatus::TooLarge);
    EXPECT_EQ(o.text, "<unchanged>");
    o = extractFile(file, 1, "", 10240, 4096);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.status, StreamStatus::TooLarge);
    o = extractFile(file, 1, "big", 10240, 5002);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.text.size(), 5002u);
}

TEST(stream, scanner_reuses_its_buffer_across_calls_and_files) {
    TempDir tmp;
    const auto a = tmp.write("a.json", R"({"k":"first"})");
    const auto b = tmp.write("b.json", R"({"k":"second"})");
    StreamExtractor ex;
    CWString out;
    ASSERT_TRUE(ex.extractFromFile(fileText(a), 1, u"k", out));
    EXPECT_EQ(out, u"\"first\"");
    ASSERT_TRUE(ex.extractFromFile(fileText(b), 1, u"k", out));
    EXPECT_EQ(out, u"\"second\"");
    ASSERT_TRUE(ex.extractFromFile(fileText(a), 1, u"k", out));
    EXPECT_EQ(out, u"\"first\"");
}

TEST(stream, compiled_path_encodes_keys_per_encoding) {
    CompiledStreamPath p;
    compileStreamPath(u"中.[7].k->3", kStreamUtf16BE, p);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.segmentKeys[0].data()), 2),
              std::string("\x4E\x2D", 2));
    EXPECT_EQ(p.isIndexSegment[1], 1);
    EXPECT_EQ(p.segmentIndexValue(1), 7);
    EXPECT_EQ(p.wantedOccurrence[2], 3);
    compileStreamPath(u"中", kStreamUtf16LE, p);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.segmentKeys[0].data()), 2),
              std::string("\x2D\x4E", 2));
    compileStreamPath(u"中", kStreamUtf8, p);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.segmentKeys[0].data()), p.segmentKeys[0].size()),
              "中");
    compileStreamPath(u"", kStreamUtf8, p);
    EXPECT_EQ(p.size(), 0u);
    compileStreamPath(u"x]", kStreamUtf8, p); // the last character alone makes an index segment
    EXPECT_EQ(p.isIndexSegment[0], 1);
    EXPECT_EQ(p.segmentIndexValue(0), 0);
}

TEST(stream, path_integers_read_like_atoi) {
    struct Row {
        const char16_t* text;
        int32_t value;
    };
    const Row rows[] = {{u"12", 12},
                        {u"  7x", 7},
                        {u"-3", -3},
                        {u"+4", 4},
                        {u"x", 0},
                        {u"", 0},
                        {u"\t\n 9", 9},
                        {u"99999999999", INT32_MAX},
                        {u"-99999999999", INT32_MIN},
                        {u"2147483647", INT32_MAX},
                        {u"-2147483648", INT32_MIN},
                        {u"1 2", 1}};
    for (const Row& r : rows)
        EXPECT_EQ(parsePathInteger(r.text), r.value) << u8(r.text);
}

TEST(stream, normalize_key_bytes) {
    struct Row {
        std::string in;
        int32_t enc;
        std::string out;
    };
    const std::vector<Row> rows = {
        {"\"a\"", 1, "a"},
        {"' a '", 1, "a"},
        {"  b ", 1, "b"},
        {"\"", 1, ""},
        {"", 1, ""},
        {"'abc", 1, "ab"},
        {std::string("\"\0a\0\"\0", 6), 2, std::string("a\0", 2)},
        {std::string("\0\"\0a\0\"", 6), 3, std::string("\0a", 2)},
        {std::string(" \0 \0a\0\t\0", 8), 2, std::string("a\0", 2)},
        {std::string("\0 \0a\0 ", 6), 3, std::string("\0a", 2)},
        {std::string("\x20\x4E", 2), 2, std::string("\x20\x4E", 2)}, // U+4E20: one byte above 0x20
    };
    for (const Row& r : rows) {
        CKorMem m;
        m.append(r.in.data(), r.in.size());
        normalizeStreamKeyBytes(m, r.enc);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.data()), m.size()), r.out);
    }
}

TEST(stream, document_operations) {
    TempDir tmp;
    const std::string doc = R"({"a":[1,{"k":"v"}], "b": 2 })";
    const auto file = tmp.write("doc.json", encodeAs(doc, kStreamUtf16BE));
    rg_TolvarJSONLei document;
    document.chunkSizeKiB = 1;
    CWString out;
    ASSERT_TRUE(document.extractFromFile(fileText(file), kStreamUtf16BE, u"a[1].k", out));
    EXPECT_EQ(out, u"\"v\"");
    EXPECT_TRUE(document.resultBytes.empty()); // released after every call
    EXPECT_EQ(document.streamFd, -1);          // the file is open only during the call
    EXPECT_EQ(document.streamLength, encodeAs(doc, kStreamUtf16BE).size());
    ASSERT_TRUE(document.extractFromFile(fileText(file), kStreamUtf16BE, u"b", out));
    EXPECT_EQ(out, u" 2 ");
    ASSERT_TRUE(document.extractFromFile(fileText(file), kStreamUtf16BE, u"zz", out));
    EXPECT_EQ(out, u"");
    out = u"kept";
    EXPECT_FALSE(document.extractFromFile(u"", kStreamUtf16BE, u"b", out));
    EXPECT_EQ(out, u"kept");

    // normalizeKeyBytes follows the encoding of the last extraction.
    CKorMem key;
    key.append("\0\"\0 \0k\0\"", 8);
    document.normalizeKeyBytes(key);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(key.data()), key.size()), std::string("\0k", 2));

    // scanContainer and readRange on an open file, driven by hand.
    const std::string utf8 = R"([10, "x", {"q":1}])";
    const auto plain = tmp.write("plain.json", utf8);
    rg_Tolvar_MingLingJi::rg_TolvarWenJianDouXieLei reader;
    ASSERT_TRUE(reader.open(fileText(plain)));
    document.streamFd = reader.handle();
    document.streamLength = utf8.size();
    document.streamEncoding = kStreamUtf8;
    CompiledStreamPath path;
    compileStreamPath(u"[2].q", kStreamUtf8, path);
    EXPECT_EQ(document.scanContainer(-1, 0, path, true), -1);
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(document.resultBytes.data()), document.resultBytes.size()),
        "1");
    compileStreamPath(u"[7]", kStreamUtf8, path);
    EXPECT_EQ(document.scanContainer(-1, 0, path, true), int64_t(utf8.size()) - 1); // the closing bracket
    compileStreamPath(u"[0]", kStreamUtf8, path);
    EXPECT_EQ(document.scanContainer(-1, 0, path, false),
              int64_t(utf8.size()) - 1); // off the path: nothing matches
    CKorMem range;
    document.readRange(5, 7, false, range);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(range.data()), range.size()), "\"x\"");
    document.readRange(15, 99, false, range); // cut at the end of the file
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(range.data()), range.size()), "1}]");
    document.streamFd = -1;
}

TEST(stream, progress_is_published_and_cancel_stops_the_scan) {
    TempDir tmp;
    std::string doc = "{\"pad\":[";
    for (int i = 0; i < 4000; ++i)
        doc += "12345678,";
    doc += "0],\"v\":\"end\"}";
    const auto file = tmp.write("progress", doc);

    rg_Tolvar_JSON::rg_TolvarJSONLei d;
    d.chunkSizeKiB = 1;
    rg_Tolvar_JSON::StreamProgress progress;
    d.streamProgress = &progress;
    CWString out;
    ASSERT_TRUE(d.extractFromFile(fileText(file), 1, u"v", out));
    EXPECT_EQ(out, u"\"end\"");
    EXPECT_EQ(progress.bytesRead.load(), static_cast<int64_t>(doc.size())); // the value is at the end

    // A cancelled scan fails and leaves the result alone; the document works again afterwards.
    progress.cancel = true;
    out = u"<unchanged>";
    EXPECT_FALSE(d.extractFromFile(fileText(file), 1, u"v", out));
    EXPECT_EQ(out, u"<unchanged>");
    d.streamProgress = nullptr;
    EXPECT_TRUE(d.extractFromFile(fileText(file), 1, u"v", out));
    EXPECT_EQ(out, u"\"end\"");
}
