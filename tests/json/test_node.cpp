// The node model: string helpers, fresh nodes, slots, copies, the lookup-failure node.
#include <gtest/gtest.h>

#include <climits>

#include "json_test_util.h"
#include "json/document.h"

using namespace rg_Tolvar_JSON;
using json_test::dump;
using json_test::U8;

namespace {

TEST(node_strings, unquote) {
    struct Row {
        const char16_t* in;
        const char16_t* out;
    } rows[] = {
        {u"'abc", u"ab"},           // the last character goes whatever it is
        {u"\"  x  \"", u"x"},       // trimmed inside
        {u"abc", u"abc"},           // not quoted: unchanged
        {u"  abc ", u"  abc "},     // not quoted: not trimmed either
        {u"\"a\\\"b\"", u"a\\\"b"}, // escapes stay
        {u"\"\"", u""},
        {u"\"", u""},
        {u"'", u""},
        {u"'x'", u"x"},
        {u"\"\t\r\n\"", u""},
        {u"", u""},
        {u"\"a\"b\"", u"a\"b"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(unquote(r.in), r.out) << U8(r.in);
        EXPECT_EQ(unquoteView(r.in), r.out) << U8(r.in);
    }
}

TEST(node_strings, predicates_and_trim) {
    EXPECT_TRUE(isQuoted(u"\"a"));
    EXPECT_TRUE(isQuoted(u"'"));
    EXPECT_FALSE(isQuoted(u""));
    EXPECT_FALSE(isQuoted(u" \"a\""));
    EXPECT_TRUE(isIndexSegment(u"[3]"));
    EXPECT_TRUE(isIndexSegment(u"[]"));
    EXPECT_TRUE(isIndexSegment(u"[x]"));
    EXPECT_FALSE(isIndexSegment(u"["));
    EXPECT_FALSE(isIndexSegment(u"]"));
    EXPECT_FALSE(isIndexSegment(u"[1]->2"));
    EXPECT_FALSE(isIndexSegment(u""));
    EXPECT_EQ(trimText(u" \t\r\n\x01 a b \x1F\x20"), u"a b");
    EXPECT_EQ(trimText(u"\u00A0a\u3000"), u"\u00A0a\u3000"); // only code units <= 0x20
    EXPECT_EQ(trimText(u"   "), u"");
    EXPECT_EQ(trimText(CWString(u"\0a\0", 3)), u"a");
}

TEST(node_strings, path_integers_read_like_atoi) {
    struct Row {
        const char16_t* in;
        int32_t out;
    } rows[] = {
        {u"3", 3},
        {u" 3]", 3},
        {u"\t\n\v\f\r 7", 7},
        {u"x", 0},
        {u"", 0},
        {u"-1", -1},
        {u"+5", 5},
        {u"- 5", 0},
        {u"12abc", 12},
        {u"007", 7},
        {u"2147483647", INT_MAX},
        {u"2147483648", INT_MAX},
        {u"99999999999", INT_MAX},
        {u"-2147483648", INT_MIN},
        {u"-99999999999", INT_MIN},
        {u"\u3000"
         u"1",
         0}, // only ASCII white space is skipped
    };
    for (const Row& r : rows)
        EXPECT_EQ(parsePathInteger(r.in), r.out) << U8(r.in);
}

TEST(node_model, fresh_node) {
    rg_TolvarJSONJieDian n;
    EXPECT_EQ(n.nodeType(), Bare);
    EXPECT_TRUE(n.keyText().empty());
    EXPECT_TRUE(n.valueText().empty());
    EXPECT_EQ(n.depth(), 0);
    EXPECT_EQ(n.parent(), nullptr);
    EXPECT_EQ(n.childCount(), 0);
    EXPECT_EQ(n.child(0), nullptr);
    EXPECT_FALSE(n.isEmptyObject());
    rg_TolvarJSONKanTao* slot = rg_TolvarJSONKanTao::create();
    EXPECT_EQ(slot->node.nodeType(), Bare);
    EXPECT_EQ(slot->node.childCount(), 0);
    rg_TolvarJSONKanTao::destroy(slot);
}

TEST(node_model, repeated_keys_are_separate_children) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{'a':1, \"a\":2, a:3}");
    ASSERT_EQ(doc.root().childCount(), 3);
    EXPECT_EQ(doc.root().child(0)->keyText(), u"'a'");
    EXPECT_EQ(doc.root().child(1)->keyText(), u"\"a\"");
    EXPECT_EQ(doc.root().child(2)->keyText(), u"a");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(unquote(doc.root().child(i)->keyText()), u"a");
}

TEST(node_model, tokens_are_kept_as_written) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"n\":007, \"x\":1e999, \"s\":\"a\\\"b\"}");
    EXPECT_EQ(doc.root().child(0)->nodeType(), Bare);
    EXPECT_EQ(doc.root().child(0)->valueText(), u"007");
    EXPECT_EQ(doc.root().child(1)->valueText(), u"1e999");
    EXPECT_EQ(doc.root().child(2)->nodeType(), Quoted);
    EXPECT_EQ(doc.root().child(2)->valueText(), u"\"a\\\"b\"");
}

TEST(node_model, no_bracket_gives_a_bare_root) {
    rg_TolvarJSONLei doc;
    EXPECT_EQ(doc.parseText(u"hello world"), Bare);
    EXPECT_EQ(doc.root().nodeType(), Bare);
    EXPECT_EQ(doc.root().childCount(), 0);
    EXPECT_EQ(doc.root().keyText(), u"Tolvar\u00B7JSON");
}

TEST(node_model, copies_are_deep_and_linked_to_the_copy) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":[1,{\"b\":2}],\"c\":'x'}");
    rg_TolvarJSONJieDian copy(doc.root());
    EXPECT_EQ(dump(copy), dump(doc.root()));
    EXPECT_EQ(copy.keyText(), u"Tolvar\u00B7JSON");
    EXPECT_EQ(copy.parent(), nullptr);
    EXPECT_EQ(copy.child(0)->parent(), &copy);
    EXPECT_EQ(copy.child(0)->child(1)->parent(), copy.child(0));
    EXPECT_EQ(copy.child(0)->depth(), 1);
    EXPECT_EQ(copy.child(0)->child(1)->depth(), 2);
    doc.parseText(u"[]"); // the copy does not depend on the document
    EXPECT_EQ(dump(copy), "O[A(\"a\")[B1 | O[B(\"b\")2]] | Q(\"c\")'x']");

    rg_TolvarJSONJieDian assigned;
    assigned = copy;
    EXPECT_EQ(dump(assigned), dump(copy));
    EXPECT_EQ(assigned.child(1)->parent(), &assigned);
    // Assigning a node's own descendant to it.
    assigned = *assigned.child(0);
    EXPECT_EQ(dump(assigned), "A[B1 | O[B(\"b\")2]]");
    EXPECT_EQ(assigned.keyText(), u"\"a\"");
    EXPECT_EQ(assigned.child(1)->parent(), &assigned);
}

TEST(node_model, assignment_keeps_the_targets_place) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":1,\"b\":[2]}");
    rg_TolvarJSONJieDian other;
    other.setKeyRaw(u"k");
    other.setValueRaw(u"v");
    rg_TolvarJSONJieDian* a = doc.root().child(0);
    *a = other;
    EXPECT_EQ(a->parent(), &doc.root());
    EXPECT_EQ(a->keyText(), u"k");
    EXPECT_EQ(a->valueText(), u"v");
    *doc.root().child(1) = doc.root();
    EXPECT_EQ(dump(doc.root()), "O[B(k)v | O(Tolvar\u00B7JSON)[B(k)v | A(\"b\")[B2]]]");
    EXPECT_EQ(doc.root().child(1)->parent(), &doc.root());
    EXPECT_EQ(doc.root().child(1)->child(1)->parent(), doc.root().child(1));
}

TEST(node_model, slots_and_removal) {
    rg_TolvarJSONJieDian n;
    for (int i = 0; i < 10; ++i) {
        rg_TolvarJSONJieDian* c = n.appendNewChild();
        c->setValueRaw(CWString(1, static_cast<char16_t>(u'0' + i)));
        EXPECT_EQ(c->parent(), &n);
    }
    EXPECT_EQ(n.childCount(), 10);
    EXPECT_EQ(&n.slot(3)->node, n.child(3));
    EXPECT_TRUE(n.removeSlotAt(0));
    EXPECT_TRUE(n.removeSlotAt(8));
    EXPECT_FALSE(n.removeSlotAt(8));
    EXPECT_FALSE(n.removeSlotAt(-1));
    ASSERT_EQ(n.childCount(), 8);
    EXPECT_EQ(n.child(0)->valueText(), u"1");
    EXPECT_EQ(n.child(7)->valueText(), u"8");
    n.reset();
    EXPECT_EQ(n.childCount(), 0);
}

TEST(node_model, lookup_failure_node) {
    rg_TolvarJSONJieDian& f = lookupFailureNode();
    EXPECT_TRUE(f.isEmptyObject());
    EXPECT_EQ(f.childCount(), 0);
    // Someone changed it: the next lookup hands it out reset again.
    f.setValueRaw(u"junk");
    f.appendNewChild();
    rg_TolvarJSONJieDian& g = lookupFailureNode();
    EXPECT_EQ(&f, &g);
    EXPECT_TRUE(g.isEmptyObject());
    EXPECT_TRUE(g.valueText().empty());
    EXPECT_EQ(g.childCount(), 0);
    rg_TolvarJSONJieDian copy(g);
    EXPECT_FALSE(copy.isEmptyObject());
}

TEST(node_model, documents_copy_and_move) {
    rg_TolvarJSONLei a;
    a.parseText(u"{\"x\":[1,2],\"y\":{\"z\":3}}");
    rg_TolvarJSONLei b(a);
    EXPECT_EQ(dump(b.root()), dump(a.root()));
    EXPECT_EQ(b.root().child(0)->parent(), &b.root());
    a.parseText(u"[]");
    EXPECT_EQ(dump(b.root()), "O[A(\"x\")[B1 | B2] | O(\"y\")[B(\"z\")3]]");
    rg_TolvarJSONLei c(std::move(b));
    EXPECT_EQ(dump(c.root()), "O[A(\"x\")[B1 | B2] | O(\"y\")[B(\"z\")3]]");
    EXPECT_EQ(c.root().child(1)->parent(), &c.root());
    EXPECT_EQ(b.root().childCount(), 0);
    b = c;
    setValueText(*b.root().child(0), u"edited", false);
    rg_TolvarJSONLei d;
    d = std::move(b);
    EXPECT_EQ(dump(d.root()), "O[Q(\"x\")\"edited\" | O(\"y\")[B(\"z\")3]]");
    EXPECT_EQ(d.root().child(0)->parent(), &d.root());
    d.reset();
    EXPECT_EQ(d.root().childCount(), 0);
    EXPECT_EQ(d.chunkSizeKiB, 10240);
}

} // namespace

// insertSlotAt puts a (copied) node back at any position of a parsed container, as undoing a
// removal does; out-of-range positions are refused without leaking the slot.
TEST(node_editing, insert_slot_at_every_position) {
    for (int32_t at = 0; at <= 3; ++at) {
        SCOPED_TRACE(at);
        rg_TolvarJSONLei doc;
        doc.parseText(u"[1,2,3]");
        rg_TolvarJSONJieDian& root = doc.root();
        rg_TolvarJSONKanTao* slot = rg_TolvarJSONKanTao::create();
        rg_TolvarJSONLei other;
        other.parseText(u"{\"k\":[9,{\"x\":8}]}");
        slot->node = *other.root().child(0);
        rg_TolvarJSONJieDian* added = root.insertSlotAt(at, slot);
        ASSERT_NE(added, nullptr);
        EXPECT_EQ(added->parent(), &root);
        EXPECT_EQ(root.child(at), added);
        EXPECT_EQ(added->child(1)->parent(), added);
        const CWString expected[] = {u"[[9, {\"x\":8}], 1, 2, 3]", u"[1, [9, {\"x\":8}], 2, 3]",
                                     u"[1, 2, [9, {\"x\":8}], 3]", u"[1, 2, 3, [9, {\"x\":8}]]"};
        EXPECT_EQ(toJsonText(root, true), expected[at]);
    }
    rg_TolvarJSONLei doc;
    doc.parseText(u"[1]");
    EXPECT_EQ(doc.root().insertSlotAt(2, rg_TolvarJSONKanTao::create()), nullptr);
    EXPECT_EQ(doc.root().insertSlotAt(-1, rg_TolvarJSONKanTao::create()), nullptr);
    EXPECT_EQ(toJsonText(doc.root(), true), CWString(u"[1]"));
}
