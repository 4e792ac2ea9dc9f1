// The lenient parser: scanning rules, tree shape, depths, parent links, top-level values.
#include <gtest/gtest.h>

#include "json_test_util.h"
#include "json/document.h"

using namespace rg_Tolvar_JSON;
using json_test::dump;
using json_test::parseDump;
using json_test::U8;
using json_test::W;

namespace {

struct Case {
    const char* text;
    const char* tree;
};

// Texts and the trees they give (see json_test_util.h for the notation).
const Case kCases[] = {
    // standard and lenient forms
    {"", "O[]"},
    {"{}", "O[]"},
    {"[]", "A[]"},
    {"{name:'Tom', \"tags\":[1, two, \"3\"], \"a\":1, \"a\":2, \"x\"}",
     "O[Q(name)'Tom' | A(\"tags\")[B1 | Btwo | Q\"3\"] | B(\"a\")1 | B(\"a\")2 | Q\"x\"]"},
    {"{'a':1, \"a\":2, a:3}", "O[B('a')1 | B(\"a\")2 | B(a)3]"},
    {"{\"n\":007, \"x\":1e999, \"s\":\"a\\\"b\"}", "O[B(\"n\")007 | B(\"x\")1e999 | Q(\"s\")\"a\\\"b\"]"},
    {"{\"s\":\"x\\\"y\", \"t\":'it\"s'}", "O[Q(\"s\")\"x\\\"y\" | Q(\"t\")'it\"s']"},
    {"[\"it's\", 'say \"hi\"']", "A[Q\"it's\" | Q'say \"hi\"']"},
    {"{a b: c d}", "O[B(a b)c d]"},
    {"{a:1}", "O[B(a)1]"},
    {"{\"x\", \"y\":1}", "O[Q\"x\" | B(\"y\")1]"},
    {"{:1}", "O[B1]"},
    {"{\"\":1}", "O[B(\"\")1]"},
    {"[\"a\":1]", "A[B(\"a\")1]"},
    {"{\"键\":\"值\"}", "O[Q(\"键\")\"值\"]"},
    {"{'a':'b'}", "O[Q('a')'b']"},
    {"{\"a\":true,\"b\":null,\"c\":-1.5e+3}", "O[B(\"a\")true | B(\"b\")null | B(\"c\")-1.5e+3]"},
    // members without values, empty tokens, white space
    {"{\"a\":}", "O[]"},
    {"{\"a\": }", "O[B(\"a\")]"},
    {"{\"a\":1,}", "O[B(\"a\")1]"},
    {"[1,,2]", "A[B1 | B2]"},
    {"[ , ]", "A[]"},
    {"[\t1\r\n]", "A[B1]"},
    {"{\"a\":1:2}", "O[B2]"},
    // several top-level values, text between them, stray closers
    {"{\"a\":1} [2,3]", "A[B(\"a\")1 | B2 | B3]"},
    {"x{\"a\":1}y[2]z", "A[B(\"a\")1 | B2]"},
    {"} {\"a\":1}", "O[B(\"a\")1]"},
    {"{\"a\":1}}}{\"b\":2}", "O[B(\"a\")1 | B(\"b\")2]"},
    {"abc", "B"},
    {"-1", "B"},
    {"\"[\" {\"a\":1}", "A[Q(\" {\")\" {\"a\" | B\" {\"a\":1]"},
    // truncated texts: open members are dropped
    {"{\"a\":1", "O[]"},
    {"{\"a\":\"x\"", "O[Q(\"a\")\"x\"]"},
    {"[1,2", "A[B1]"},
    {"[\"x\"", "A[]"},
    {"[1,\"x\"", "A[B1]"},
    {"{\"a\":\"b\\\"}", "O[]"},
    {"[1,\\", "A[B1]"},
    {"[", "A[]"},
    {"{", "O[]"},
    // backslashes outside quotes skip the next character whatever it is
    {"[1, \\[2], 3]", "A[B1 | B\\[2]"},
    {"{\"a\":\\\"b}", "O[B(\"a\")\\\"b]"},
    {"\\{\"a\":1}", "B"},
    {"\\[1] [2]", "A[B2]"},
    // repeated closing quotes before the delimiter
    {"{\"a\":\"b\"c\"}", "O[Q(\"a\")\"b\" | Q\"b\"c\"]"},
    {"{\"a\" \"b\"}", "O[Q(\"a\")\"a\" \" | Q\"a\" \"b\"]"},
    {"[\"\"\"]", "A[Q(\"\")\"\"\"]"},
    {"[\"\"\"\"]", "A[Q(\"\")\"\"\" | Q\"\"\"\"]"},
    // nested containers
    {"{\"a\" [1]}", "O[A(\"a\")[B1]]"},
    {"{\"a\":[1}", "O[A(\"a\")[B1]]"},
    {"[[],{}]", "A[A[] | O[]]"},
    {"[[1],[2]]", "A[A[B1] | A[B2]]"},
    {"{[1] \"a\" , b , c}", "O[A[B1] | B(\"a\")[1] \"a\" , b , c]"},
    // keys that look like path syntax are plain text
    {"{\"a.b\":1, \"c->d\":2, \"e[0]\":3, \"f#46#g\":4, g.h:5}",
     "O[B(\"a.b\")1 | B(\"c->d\")2 | B(\"e[0]\")3 | B(\"f#46#g\")4 | B(g.h)5]"},
};

TEST(parser, scanning_rules) {
    for (const Case& c : kCases)
        EXPECT_EQ(parseDump(c.text), c.tree) << "text: " << c.text;
}

TEST(parser, returns_root_type_and_sets_root_key) {
    rg_TolvarJSONLei doc;
    EXPECT_EQ(doc.parseText(u""), Object);
    EXPECT_EQ(doc.parseText(u"abc"), Bare);
    EXPECT_EQ(doc.root().keyText(), u"Tolvar\u00B7JSON");
    EXPECT_EQ(doc.root().childCount(), 0);
    EXPECT_EQ(doc.parseText(u"[1]"), Array);
    EXPECT_EQ(doc.root().keyText(), u"Tolvar\u00B7JSON");
    EXPECT_EQ(doc.root().parent(), nullptr);
    EXPECT_EQ(doc.parseText(u"{\"a\":1} [2]"), Array);
    EXPECT_EQ(doc.parseText(u"[1] {\"a\":2}"), Object);
}

TEST(parser, depths_follow_container_nesting) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":{\"b\":[]}, \"c\":1}");
    const auto& root = doc.root();
    EXPECT_EQ(root.depth(), 0);
    const auto* a = root.child(0);
    ASSERT_EQ(a->nodeType(), Object);
    EXPECT_EQ(a->depth(), 1);
    const auto* b = a->child(0);
    EXPECT_EQ(b->nodeType(), Array);
    EXPECT_EQ(b->depth(), 2);
    EXPECT_EQ(b->childCount(), 0);
    EXPECT_EQ(root.child(1)->depth(), 0); // scalars keep 0
}

TEST(parser, parents_are_linked_unless_skipped) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":[1,{\"b\":2}],\"c\":3}");
    const auto& root = doc.root();
    EXPECT_EQ(root.child(0)->parent(), &root);
    EXPECT_EQ(root.child(1)->parent(), &root);
    const auto* a = root.child(0);
    EXPECT_EQ(a->child(0)->parent(), a);
    EXPECT_EQ(a->child(1)->parent(), a);
    EXPECT_EQ(a->child(1)->child(0)->parent(), a->child(1));

    doc.parseText(u"{\"a\":[1,{\"b\":2}],\"c\":3}", 1);
    EXPECT_EQ(doc.root().child(0)->parent(), nullptr);
    EXPECT_EQ(doc.root().child(0)->child(1)->child(0)->parent(), nullptr);
    linkParents(doc.root());
    EXPECT_EQ(doc.root().child(0)->child(1)->child(0)->parent(), doc.root().child(0)->child(1));
}

TEST(parser, a_parse_replaces_the_tree) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"[1,2,3]");
    doc.parseText(u"{\"a\":1}");
    EXPECT_EQ(dump(doc.root()), "O[B(\"a\")1]");
    doc.parseText(u"x");
    EXPECT_EQ(dump(doc.root()), "B");
}

TEST(parser, text_views_survive_the_callers_buffer) {
    rg_TolvarJSONLei doc;
    {
        CWString text = u"{\"key\":\"value\", k2: v2}";
        doc.parseText(text);
        text.assign(text.size(), u'#');
    }
    EXPECT_EQ(dump(doc.root()), "O[Q(\"key\")\"value\" | B(k2)v2]");
}

TEST(parser, text_from_the_documents_own_tree) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":\"[1, 2, {\\\"b\\\": 3}]\", \"c\":[4]}");
    // A value of the tree itself, parsed into the same document.
    CWStringView inner = doc.root().child(0)->valueText();
    doc.parseText(inner.substr(1, inner.size() - 2));
    EXPECT_EQ(dump(doc.root()), "A[B1 | B2 | O[B(\\\"b\\\")3]]");
    // The same after an edit gave the tree heap texts.
    setValueText(*doc.root().child(0), u"[7, [8]]", false);
    doc.parseText(toJsonText(*doc.root().child(0), true));
    EXPECT_EQ(dump(doc.root()), "A[B7 | A[B8]]");
    setKeyText(*doc.root().child(0), u"{\"k\":9}", true);
    doc.parseText(doc.root().child(0)->keyText());
    EXPECT_EQ(dump(doc.root()), "O[B(\"k\")9]");
}

TEST(parser, repeated_closing_quotes_cost_linear_space) {
    // Each further quote is another closing quote measured from the same opening quote; the tokens
    // share one copy of the text.
    const size_t n = 200000;
    CWString text = u"[";
    text.append(n, u'"');
    rg_TolvarJSONLei doc;
    doc.parseText(text);
    const auto& root = doc.root();
    ASSERT_EQ(root.childCount(), static_cast<int32_t>((n - 1) / 2));
    EXPECT_EQ(root.child(0)->keyText(), u"\"\"");
    EXPECT_EQ(root.child(0)->valueText(), u"\"\"\"");
    EXPECT_EQ(root.child(1)->keyText().size(), 4u);
    EXPECT_EQ(root.child(1)->valueText().size(), 5u);
    const auto* last = root.child(root.childCount() - 1);
    EXPECT_EQ(last->valueText().size(), n - 1);
    EXPECT_LT(doc.arenaBytes(), size_t(64) << 20);
}

TEST(parser, many_stray_closers_before_a_value_stay_linear) {
    // Every stray closer ends one pass of the entry loop; the next bracket must not be searched
    // for again from scratch each time.
    CWString text(400000, u']');
    text += u"{\"a\":1}";
    rg_TolvarJSONLei doc;
    EXPECT_EQ(doc.parseText(text), Object);
    EXPECT_EQ(dump(doc.root()), "O[B(\"a\")1]");
}

TEST(parser, parse_container_and_slice_outside_a_parse) {
    rg_TolvarJSONLei doc;
    EXPECT_EQ(doc.sliceTrimmed(0, 10), u"");
    EXPECT_EQ(doc.parseContainer(-1, doc.root(), 0), -1);
}

TEST(parser, utf16_text_with_surrogates_and_nul) {
    CWString text = u"{\"a\":\"\U0001F600\",\"b\":x";
    text += u'\0';
    text += u"y}";
    rg_TolvarJSONLei doc;
    doc.parseText(text);
    ASSERT_EQ(doc.root().childCount(), 2);
    EXPECT_EQ(doc.root().child(0)->valueText(), u"\"\U0001F600\"");
    EXPECT_EQ(doc.root().child(1)->valueText(), CWString(u"x") + u'\0' + u"y");
}

} // namespace
