// Node editing: values, keys, members, removal; links stay valid.
#include <gtest/gtest.h>

#include "json_test_util.h"
#include "json/document.h"

using namespace rg_Tolvar_JSON;
using json_test::dump;
using json_test::U8;
using json_test::W;

namespace {

struct ValueRow {
    const char16_t* text;
    bool raw;
    const char16_t* value;
    int32_t type;
};

TEST(editing, set_value_text) {
    const ValueRow rows[] = {
        {u"abc", false, u"\"abc\"", Quoted},
        {u"abc", true, u"abc", Bare},
        {u"", false, u"\"\"", Quoted},
        {u"", true, u"\"\"", Quoted},
        {u"   ", true, u"\"\"", Quoted},
        {u"  'x'  ", false, u"'x'", Quoted},
        {u"\"unterminated", true, u"\"unterminated", Quoted},
        {u"a\"b", false, u"\"a\"b\"", Quoted},
        {u" 12 ", true, u"12", Bare},
        {u" 12 ", false, u"\"12\"", Quoted},
        {u"a b", true, u"a b", Bare},
    };
    for (const ValueRow& r : rows) {
        rg_TolvarJSONLei doc;
        doc.parseText(u"{\"k\":[1,2]}");
        rg_TolvarJSONJieDian& n = *doc.root().child(0);
        setValueText(n, r.text, r.raw);
        EXPECT_EQ(n.valueText(), r.value) << U8(r.text);
        EXPECT_EQ(n.nodeType(), r.type) << U8(r.text);
        EXPECT_EQ(n.childCount(), 0);
        EXPECT_EQ(n.keyText(), u"\"k\"");
    }
    rg_TolvarJSONJieDian n;
    setValueText(n, u"a\"b", false);
    rg_TolvarJSONJieDian parent;
    parent.setNodeType(Array);
    parent.appendNewChild();
    *parent.child(0) = n;
    EXPECT_EQ(toJsonText(parent, true), u"[\"a\"b\"]"); // written unchanged
}

TEST(editing, set_value_text_parses_brackets) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"k\":\"old\",\"z\":0}");
    rg_TolvarJSONJieDian& n = *doc.root().child(0);
    setValueText(n, u" [1, {\"a\":2}] ", false);
    EXPECT_EQ(n.nodeType(), Array);
    EXPECT_TRUE(n.valueText().empty());
    EXPECT_EQ(n.keyText(), u"\"k\"");
    EXPECT_EQ(n.parent(), &doc.root());
    ASSERT_EQ(n.childCount(), 2);
    EXPECT_EQ(n.child(0)->nodeType(), Bare);
    EXPECT_EQ(n.child(1)->nodeType(), Object);
    EXPECT_EQ(n.child(0)->parent(), &n);
    EXPECT_EQ(n.child(1)->parent(), &n);
    EXPECT_EQ(n.child(1)->child(0)->parent(), n.child(1));
    EXPECT_EQ(n.child(1)->depth(), 1); // depths of the parse of the value text
    EXPECT_EQ(toJsonText(doc.root(), true), u"{\"k\":[1, {\"a\":2}], \"z\":0}");

    // Unterminated text gives whatever the parser builds.
    setValueText(n, u"{\"a\":1, \"b\"", true);
    EXPECT_EQ(dump(n), "O[B(\"a\")1]");
    // A value that is one of the node's own texts or a child's.
    setValueText(n, n.keyText(), true);
    EXPECT_EQ(n.valueText(), u"\"k\"");
    setValueText(n, u"[\"x\",[\"y\"]]", false);
    setValueText(n, n.child(1)->child(0)->valueText(), true);
    EXPECT_EQ(n.valueText(), u"\"y\"");
    EXPECT_EQ(n.childCount(), 0);
}

TEST(editing, set_key_text) {
    struct Row {
        const char16_t* text;
        bool raw;
        const char16_t* key;
    } rows[] = {
        {u"name", false, u"\"name\""},
        {u"'name'", false, u"'name'"},
        {u"name", true, u"name"},
        {u"\"q\"", true, u"\"q\""},
        {u" sp ", false, u"\" sp \""},
        {u"", false, u"\"\""},
        {u"", true, u""},
    };
    for (const auto& r : rows) {
        rg_TolvarJSONJieDian n;
        setKeyText(n, r.text, r.raw);
        EXPECT_EQ(n.keyText(), r.key) << U8(r.text);
    }
}

TEST(editing, append_member) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"b\":42}");
    rg_TolvarJSONJieDian& b = *doc.root().child(0);
    rg_TolvarJSONJieDian* m = appendMember(b, u"键1", u"值1");
    EXPECT_EQ(b.nodeType(), Object);
    ASSERT_EQ(b.childCount(), 1);
    EXPECT_EQ(m, b.child(0));
    EXPECT_EQ(m->parent(), &b);
    EXPECT_EQ(m->keyText(), u"\"键1\"");
    EXPECT_EQ(m->valueText(), u"\"值1\"");
    EXPECT_EQ(toJsonText(doc.root(), true), u"{\"b\":{\"键1\":\"值1\"}}");
    appendMember(b, u"'q'", u"[1]");
    EXPECT_EQ(toJsonText(doc.root(), true), u"{\"b\":{\"键1\":\"值1\", 'q':[1]}}");
    EXPECT_EQ(b.child(1)->child(0)->parent(), b.child(1));
}

TEST(editing, remove_at_path) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":[1],\"b\":{\"c\":2,\"d\":3},\"e\":4}");
    EXPECT_EQ(doc.removeAtPath(u"zz"), nullptr);
    EXPECT_EQ(doc.root().childCount(), 3);
    rg_TolvarJSONJieDian* from = removeAtPath(doc, u"b.c");
    EXPECT_EQ(from, doc.root().child(1));
    EXPECT_EQ(toJsonText(doc.root(), true), u"{\"a\":[1], \"b\":{\"d\":3}, \"e\":4}");
    from = doc.removeAtPath(u"a[0]");
    EXPECT_EQ(from, doc.root().child(0));
    EXPECT_EQ(from->nodeType(), Array);
    EXPECT_EQ(from->childCount(), 0);
    EXPECT_EQ(doc.removeAtPath(u"a"), &doc.root());
    EXPECT_EQ(toJsonText(doc.root(), true), u"{\"b\":{\"d\":3}, \"e\":4}");
    EXPECT_EQ(doc.root().child(1)->parent(), &doc.root());
    EXPECT_EQ(doc.removeAtPath(u""), rg_TolvarJSONLei::kRemovedAll);
    EXPECT_EQ(doc.root().childCount(), 0);
    EXPECT_EQ(doc.root().keyText(), u"Tolvar\u00B7JSON");
}

TEST(editing, remove_from_parent) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":1,\"b\":2}");
    EXPECT_EQ(removeFromParent(*doc.root().child(0)), &doc.root());
    EXPECT_EQ(dump(doc.root()), "O[B(\"b\")2]");
    // The root has no container: it is reset, key included.
    EXPECT_EQ(removeFromParent(doc.root()), nullptr);
    EXPECT_EQ(doc.root().childCount(), 0);
    EXPECT_EQ(doc.root().nodeType(), Bare);
    EXPECT_TRUE(doc.root().keyText().empty());
    // A node whose parent does not list it: nothing changes.
    rg_TolvarJSONJieDian parent;
    parent.appendNewChild();
    rg_TolvarJSONJieDian orphan;
    orphan.setParent(&parent);
    EXPECT_EQ(removeFromParent(orphan), nullptr);
    EXPECT_EQ(parent.childCount(), 1);
}

TEST(editing, edits_of_parsed_nodes_are_freed_with_the_document) {
    // Exercised under the sanitizers: heap texts and slots attached to arena nodes.
    for (int round = 0; round < 3; ++round) {
        rg_TolvarJSONLei doc;
        doc.parseText(u"{\"a\":{\"b\":[1,2,{\"c\":3}]}}");
        rg_TolvarJSONJieDian& c = *doc.root().child(0)->child(0)->child(2)->child(0);
        setKeyText(c, u"renamed", false);
        setValueText(c, u"{\"deep\":[1,[2,[3]]]}", false);
        appendMember(*doc.root().child(0), u"n", u"v");
        childBySegment(*doc.root().child(0)->child(0), u"[5]", true);
        if (round == 1) doc.parseText(u"[1]");
        if (round == 2) doc.reset();
    }
}

TEST(editing, parent_links_survive_every_operation) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":[1,{\"b\":2}]}");
    rg_TolvarJSONJieDian& a = *doc.root().child(0);
    appendMember(*a.child(1), u"x", u"[[1]]");
    childBySegment(a, u"[4]", true);
    setValueText(*a.child(0), u"{\"y\":{\"z\":1}}", false);
    doc.removeAtPath(u"a[2]");
    std::vector<const rg_TolvarJSONJieDian*> stack{&doc.root()};
    int visited = 0;
    while (!stack.empty()) {
        const rg_TolvarJSONJieDian* n = stack.back();
        stack.pop_back();
        ++visited;
        for (int32_t i = 0; i < n->childCount(); ++i) {
            EXPECT_EQ(n->child(i)->parent(), n);
            stack.push_back(n->child(i));
        }
    }
    EXPECT_GT(visited, 10);
}

} // namespace
