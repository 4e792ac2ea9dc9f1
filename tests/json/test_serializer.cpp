// The serializer: indented and compact layouts, scalars, estimates.
#include <gtest/gtest.h>

#include "json_test_util.h"
#include "json/document.h"

using namespace rg_Tolvar_JSON;
using json_test::U8;
using json_test::W;

namespace {

CWString compactOf(const char* text) {
    rg_TolvarJSONLei doc;
    doc.parseText(W(text));
    return toJsonText(doc.root(), true);
}

CWString indentedOf(const char* text) {
    rg_TolvarJSONLei doc;
    doc.parseText(W(text));
    return toJsonText(doc.root(), false);
}

TEST(serializer, worked_example) {
    const char* text = "{\"a\":1,\"b\":[true,{\"c\":'x'}],\"d\":{}}";
    EXPECT_EQ(indentedOf(text), u"{\r\n"
                                u"  \"a\":1,\r\n"
                                u"  \"b\":\r\n"
                                u"  [\r\n"
                                u"    true,\r\n"
                                u"    {\r\n"
                                u"      \"c\":'x'\r\n"
                                u"    }\r\n"
                                u"  ],\r\n"
                                u"  \"d\":\r\n"
                                u"  {\r\n"
                                u"\r\n"
                                u"  }\r\n"
                                u"}");
    EXPECT_EQ(compactOf(text), u"{\"a\":1, \"b\":[true, {\"c\":'x'}], \"d\":{}}");
}

TEST(serializer, compact_layouts) {
    struct Row {
        const char* text;
        const char16_t* out;
    } rows[] = {
        {"{'k':v}", u"{'k':v}"},
        {"{\"x\", \"y\":1}", u"{:\"x\", \"y\":1}"},
        {"{\"a\":1} [2]", u"[1, 2]"},
        {"[\"a\":1, \"b\":[2]]", u"[1, [2]]"},
        {"", u"{}"},
        {"[]", u"[]"},
        {"[[],{}]", u"[[], {}]"},
        {"{a b: c d}", u"{a b:c d}"},
        {"{\"a\": }", u"{\"a\":}"},
        {"{\"s\":\"x\\\"y\", \"t\":'it\"s'}", u"{\"s\":\"x\\\"y\", \"t\":'it\"s'}"},
        {"{\"a\" [1]}", u"{\"a\":[1]}"},
        {"[{\"a\":{}}]", u"[{\"a\":{}}]"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(compactOf(r.text), r.out) << r.text;
}

TEST(serializer, indented_layouts) {
    EXPECT_EQ(indentedOf(""), u"{\r\n\r\n}");
    EXPECT_EQ(indentedOf("[]"), u"[\r\n\r\n]");
    EXPECT_EQ(indentedOf("[1,2]"), u"[\r\n  1,\r\n  2\r\n]");
    EXPECT_EQ(indentedOf("[[1]]"), u"[\r\n  [\r\n    1\r\n  ]\r\n]");
    EXPECT_EQ(indentedOf("[[]]"), u"[\r\n  [\r\n\r\n  ]\r\n]");
    EXPECT_EQ(indentedOf("{\"x\"}"), u"{\r\n  :\"x\"\r\n}");
    EXPECT_EQ(indentedOf("{\"a\":{\"b\":[1]}}"),
              u"{\r\n  \"a\":\r\n  {\r\n    \"b\":\r\n    [\r\n      1\r\n    ]\r\n  }\r\n}");
}

TEST(serializer, scalars_give_their_unquoted_value) {
    rg_TolvarJSONJieDian n;
    n.setValueRaw(u"\"a\\\"b\"");
    n.setNodeType(Quoted);
    EXPECT_EQ(toJsonText(n, true), u"a\\\"b");
    EXPECT_EQ(toJsonText(n, false), u"a\\\"b");
    n.setValueRaw(u"007");
    n.setNodeType(Bare);
    EXPECT_EQ(toJsonText(n, false), u"007");
    n.setValueRaw(u"'  padded  '");
    EXPECT_EQ(toJsonText(n, true), u"padded");
    n.setKeyRaw(u"\"key\"");
    EXPECT_EQ(toJsonText(n, true), u"padded"); // a node's own key is never written
}

TEST(serializer, reparsing_the_output_gives_the_same_tree) {
    const char* texts[] = {
        "{name:'Tom', \"tags\":[1, two, \"3\"], \"a\":1, \"a\":2, \"x\"}",
        "{\"a\":{\"b\":[[],{}, {\"c\":[1,[2,[3]]]}]}, \"d\":\"e\"}",
        "[{\"a\":\"x\\\"y\"}, 'q', true, null, -1.5]",
        "{\"键\":\"值\", k v : w x}",
    };
    for (const char* t : texts) {
        rg_TolvarJSONLei a, b, c;
        a.parseText(W(t));
        b.parseText(toJsonText(a.root(), true));
        c.parseText(toJsonText(a.root(), false));
        std::string where;
        EXPECT_TRUE(json_test::sameTree(a.root(), b.root(), &where)) << t << ": " << where;
        EXPECT_TRUE(json_test::sameTree(a.root(), c.root(), &where)) << t << ": " << where;
    }
}

TEST(serializer, estimate_counts_keys_and_scalar_values) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"ab\":1, \"c\":[\"xyz\", {\"d\":true}]}");
    // keys: "Tolvar·JSON"(11) "ab"(4) "c"(3) "d"(3); values: 1 "xyz" true
    EXPECT_EQ(estimateTextLength(doc.root(), 0), 11 + 4 + 3 + 3 + 1 + 5 + 4);
    EXPECT_EQ(estimateTextLength(doc.root(), 100), 100 + 31);
    EXPECT_EQ(estimateTextLength(doc.root(), INT32_MAX - 1), INT32_MAX);
    EXPECT_EQ(estimateTextLength64(doc.root()), 31u);
}

TEST(serializer, write_members_appends_at_a_depth) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":1,\"b\":[2]}");
    CWString out = u">";
    writeMembers(doc.root(), out, 2, false);
    EXPECT_EQ(out, u">    \"a\":1,\r\n    \"b\":\r\n    [\r\n      2\r\n    ]");
    out.clear();
    writeMembers(doc.root(), out, 0, true);
    EXPECT_EQ(out, u"\"a\":1, \"b\":[2]");
}

TEST(serializer, edited_and_built_trees) {
    rg_TolvarJSONJieDian root;
    root.setNodeType(Object);
    appendMember(root, u"k", u"v");
    rg_TolvarJSONJieDian* arr = appendMember(root, u"list", u"[1,2]");
    arr->appendNewChild(); // a fresh Bare child with an empty value
    EXPECT_EQ(toJsonText(root, true), u"{\"k\":\"v\", \"list\":[1, 2, ]}");
}

} // namespace
