// Paths of a node for other tools: the texts per syntax, the nodes no syntax can name, and the jq
// and JSON Pointer texts fed back to jq itself and to an RFC 6901 lookup.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "json_test_util.h"
#include "json/tool_paths.h"

namespace {

using namespace json_test;
using rg_Tolvar_JSON::ToolPathSyntax;

constexpr std::array<ToolPathSyntax, 5> kSyntaxes{ToolPathSyntax::Jq, ToolPathSyntax::JsonPath,
                                                  ToolPathSyntax::JsonPointer, ToolPathSyntax::JavaScript,
                                                  ToolPathSyntax::Python};

// The node reached from the root by child indexes.
const rg_TolvarJSONJieDian* nodeAt(const rg_TolvarJSONLei& doc, const std::vector<int>& steps) {
    const rg_TolvarJSONJieDian* n = &doc.root();
    for (int i : steps) {
        if (i >= n->childCount()) return nullptr;
        n = n->child(i);
    }
    return n;
}

struct Case {
    const char* doc;
    std::vector<int> steps;
    std::array<const char*, 5> expected; // jq, JSONPath, JSON Pointer, JavaScript, Python
};

const Case kCases[] = {
    {R"({"a":1})", {}, {".", "$", "", "data", "data"}},
    {R"({"a":{"b":[10,20]}})",
     {0, 0, 1},
     {".a.b[1]", "$.a.b[1]", "/a/b/1", "data.a.b[1]", "data[\"a\"][\"b\"][1]"}},
    {R"([[1],[2,3]])", {1, 0}, {".[1][0]", "$[1][0]", "/1/0", "data[1][0]", "data[1][0]"}},
    {R"({"a.b":1})", {0}, {".\"a.b\"", "$['a.b']", "/a.b", "data[\"a.b\"]", "data[\"a.b\"]"}},
    {R"({"say \"hi\"":1})",
     {0},
     {R"(."say \"hi\"")", R"($['say "hi"'])", R"(/say "hi")", R"(data["say \"hi\""])",
      R"(data["say \"hi\""])"}},
    {R"({"it's":1})", {0}, {R"(."it's")", R"($['it\'s'])", "/it's", R"(data["it's"])", R"(data["it's"])"}},
    {R"({"a~/b":1})", {0}, {R"(."a~/b")", R"($['a~/b'])", "/a~0~1b", R"(data["a~/b"])", R"(data["a~/b"])"}},
    {R"({"with space":1})",
     {0},
     {R"(."with space")", R"($['with space'])", "/with space", R"(data["with space"])",
      R"(data["with space"])"}},
    {R"({"1st":1})", {0}, {R"(."1st")", R"($['1st'])", "/1st", R"(data["1st"])", R"(data["1st"])"}},
    {R"({"":1})", {0}, {R"(."")", R"($[''])", "/", R"(data[""])", R"(data[""])"}},
    {R"({"名字":1})", {0}, {R"(."名字")", "$.名字", "/名字", R"(data["名字"])", R"(data["名字"])"}},
    {R"({"😀":1})", {0}, {R"(."😀")", "$.😀", "/😀", R"(data["😀"])", R"(data["😀"])"}},
    {R"({"a\u00e9":1})", {0}, {R"(."aé")", "$.aé", "/aé", R"(data["aé"])", R"(data["aé"])"}},
    {R"({"back\\slash":1})",
     {0},
     {R"(."back\\slash")", R"($['back\\slash'])", R"(/back\slash)", R"(data["back\\slash"])",
      R"(data["back\\slash"])"}},
    {R"({"tab\there":1})",
     {0},
     {R"(."tab\there")", R"($['tab\there'])", "/tab\there", R"(data["tab\there"])", R"(data["tab\there"])"}},
    {R"({"_x$":1})", {0}, {R"(."_x$")", R"($['_x$'])", "/_x$", "data._x$", R"(data["_x$"])"}},
    {R"({"if":1})", {0}, {R"(."if")", "$.if", "/if", "data.if", R"(data["if"])"}},
    {R"({"snake_case9":1})",
     {0},
     {".snake_case9", "$.snake_case9", "/snake_case9", "data.snake_case9", R"(data["snake_case9"])"}},
};

TEST(tool_paths, texts_per_syntax) {
    for (const Case& c : kCases) {
        rg_TolvarJSONLei doc;
        doc.parseText(W(c.doc));
        const rg_TolvarJSONJieDian* node = nodeAt(doc, c.steps);
        ASSERT_NE(node, nullptr) << c.doc;
        for (size_t s = 0; s < kSyntaxes.size(); ++s) {
            const rg_Tolvar_JSON::ToolPath p = toolPathOf(*node, kSyntaxes[s], doc.topLevelValueCount());
            EXPECT_TRUE(p.ok) << c.doc << " syntax " << s;
            EXPECT_EQ(U8(p.text), c.expected[s]) << c.doc << " syntax " << s;
        }
    }
}

TEST(tool_paths, keys_written_leniently_are_decoded) {
    const struct {
        const char* key;
        const char* decoded;
    } cases[] = {
        {"'a\\u00e9'", "aé"},        {"\"x\\/y\"", "x/y"},     {"bare", "bare"},     {"'q\\'s'", "q's"},
        {"\"\\ud83d\\ude00\"", "😀"}, {"\"end\\\\\"", "end\\"}, {"\"\\uZZ\"", "uZZ"}, {"\"open", "open"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(U8(rg_Tolvar_JSON::decodedKey(W(c.key))), c.decoded) << c.key;
}

TEST(tool_paths, nodes_no_syntax_can_name) {
    const struct {
        const char* doc;
        std::vector<int> steps;
        const char16_t* why;
    } cases[] = {
        {R"({"a":1,"a":2})", {1}, rg_Tolvar_JSON::kWhyRepeatedKey},
        {R"({"a":1,"a":2})", {0}, rg_Tolvar_JSON::kWhyRepeatedKey}, // the tools keep the last one
        {R"({'a':1, a:2})", {1}, rg_Tolvar_JSON::kWhyRepeatedKey},  // same key, other quoting
        {R"({"a":{"k":[1]},"a":3})", {0, 0, 0}, rg_Tolvar_JSON::kWhyRepeatedKey},
        {R"({"x", "y":1})", {0}, rg_Tolvar_JSON::kWhyNoKey},
        {R"(["a":1])", {0}, rg_Tolvar_JSON::kWhyKeyedElement},
        {R"({"a":1} {"b":2})", {1}, rg_Tolvar_JSON::kWhySeveralValues},
        {R"({"a":1} [2])", {}, rg_Tolvar_JSON::kWhySeveralValues},
    };
    for (const auto& c : cases) {
        rg_TolvarJSONLei doc;
        doc.parseText(W(c.doc));
        const rg_TolvarJSONJieDian* node = nodeAt(doc, c.steps);
        ASSERT_NE(node, nullptr) << c.doc;
        for (ToolPathSyntax s : kSyntaxes) {
            const rg_Tolvar_JSON::ToolPath p = toolPathOf(*node, s, doc.topLevelValueCount());
            EXPECT_FALSE(p.ok) << c.doc;
            EXPECT_EQ(p.whyNot, CWString(c.why)) << c.doc;
        }
    }
    // A key repeated elsewhere in the document does not matter; nor does a sibling of another name.
    rg_TolvarJSONLei doc;
    doc.parseText(W(R"({"a":{"a":1},"b":2})"));
    EXPECT_TRUE(toolPathOf(*nodeAt(doc, {0, 0}), ToolPathSyntax::Jq, doc.topLevelValueCount()).ok);
}

TEST(tool_paths, top_level_values_are_counted) {
    const struct {
        const char* text;
        int32_t count;
    } cases[] = {{"", 1}, {"abc", 0}, {"{}", 1}, {"[1] [2]", 2}, {"{\"a\":[1,2]} x {} []", 3}, {"[[[]]]", 1}};
    for (const auto& c : cases) {
        rg_TolvarJSONLei doc;
        doc.parseText(W(c.text));
        EXPECT_EQ(doc.topLevelValueCount(), c.count) << c.text;
        const rg_TolvarJSONLei copy = doc;
        EXPECT_EQ(copy.topLevelValueCount(), c.count) << c.text;
    }
}

// RFC 6901 lookup over the parsed document, as an API or a patch tool would do it.
const rg_TolvarJSONJieDian* resolvePointer(const rg_TolvarJSONLei& doc, const CWString& pointer) {
    const rg_TolvarJSONJieDian* n = &doc.root();
    if (pointer.empty()) return n;
    if (pointer[0] != u'/') return nullptr;
    size_t pos = 1;
    for (;;) {
        const size_t end = std::min(pointer.find(u'/', pos), pointer.size());
        CWString token;
        for (size_t i = pos; i < end; ++i) {
            if (pointer[i] == u'~' && i + 1 < end && (pointer[i + 1] == u'0' || pointer[i + 1] == u'1')) {
                token.push_back(pointer[++i] == u'0' ? u'~' : u'/');
            } else {
                token.push_back(pointer[i]);
            }
        }
        const rg_TolvarJSONJieDian* next = nullptr;
        for (int32_t i = 0; i < n->childCount() && !next; ++i) {
            const rg_TolvarJSONJieDian* c = n->child(i);
            const bool match = n->nodeType() == rg_Tolvar_JSON::Array
                                   ? U8(token) == std::to_string(i)
                                   : rg_Tolvar_JSON::decodedKey(c->keyText()) == token;
            if (match) next = c;
        }
        if (!next) return nullptr;
        n = next;
        if (end == pointer.size()) return n;
        pos = end + 1;
    }
}

std::string run(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    return out;
}

std::string shellQuoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    return out + "'";
}

// Every node of standard JSON documents: the jq text, run by jq on the same document, prints the
// node; the JSON Pointer text leads back to the node itself.
TEST(tool_paths, jq_and_pointer_reach_the_node) {
    const bool haveJq = run("command -v jq").find("jq") != std::string::npos;
    if (!haveJq) GTEST_SKIP() << "jq is not installed";
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quelix_tool_paths";
    std::filesystem::create_directories(dir);
    const char* docs[] = {
        R"({"a":{"b":[10,{"c d":"x"}]},"a.b":true,"say \"hi\"":null,"it's":1,"a~/b":[[]],"1st":2,"":3})",
        R"({"名字":"值","😀":[1,2],"back\\slash":{"tab\there":0},"if":{"then":1},"_x":[{"y":[true]}]})",
        R"([[1,[2,[3]]],{"k":"v"},"s"])",
    };
    for (const char* text : docs) {
        const std::filesystem::path file = dir / "doc.json";
        std::ofstream(file, std::ios::binary) << text;
        rg_TolvarJSONLei doc;
        doc.parseText(W(text));
        // Every node, parents before children; jq runs once for all of their paths.
        std::string filter, values;
        std::vector<const rg_TolvarJSONJieDian*> todo{&doc.root()};
        while (!todo.empty()) {
            const rg_TolvarJSONJieDian* n = todo.back();
            todo.pop_back();
            for (int32_t i = n->childCount(); i-- > 0;)
                todo.push_back(n->child(i));
            const auto jq = toolPathOf(*n, ToolPathSyntax::Jq, doc.topLevelValueCount());
            const auto ptr = toolPathOf(*n, ToolPathSyntax::JsonPointer, doc.topLevelValueCount());
            ASSERT_TRUE(jq.ok && ptr.ok) << text;
            EXPECT_EQ(resolvePointer(doc, ptr.text), n) << U8(ptr.text);
            filter += (filter.empty() ? "" : ", ") + U8(jq.text);
            // A scalar's JSON is its value as written (toJsonText gives it unquoted).
            const CWString json =
                n->isContainer() ? rg_Tolvar_JSON::toJsonText(*n, true) : CWString(n->valueText());
            values += U8(json) + "\n";
        }
        const std::string expected = run("printf '%s' " + shellQuoted(values) + " | jq -c .");
        const std::string got = run("jq -c " + shellQuoted(filter) + " " + shellQuoted(file.string()));
        EXPECT_EQ(got, expected) << filter << " in " << text;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
