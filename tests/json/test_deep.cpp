// Deep nesting: parse, serialize, copy and free without recursion.
#include <gtest/gtest.h>

#include "json_test_util.h"
#include "json/document.h"

using namespace rg_Tolvar_JSON;

namespace {

constexpr int kDepth = 1000000;

TEST(deep, million_open_brackets) {
    CWString text(kDepth, u'[');
    rg_TolvarJSONLei doc;
    EXPECT_EQ(doc.parseText(text), Array);
    // Walk down: every level holds one child, depths count up.
    const rg_TolvarJSONJieDian* n = &doc.root();
    int levels = 0;
    while (n->childCount() == 1) {
        const rg_TolvarJSONJieDian* c = n->child(0);
        ASSERT_EQ(c->parent(), n);
        n = c;
        ++levels;
    }
    EXPECT_EQ(levels, kDepth - 1);
    EXPECT_EQ(n->depth(), kDepth - 1);

    CWString compact = toJsonText(doc.root(), true);
    EXPECT_EQ(compact, CWString(kDepth, u'[') + CWString(kDepth, u']'));
    // Indented, this tree would need about 10^12 code units: it is written compact instead.
    EXPECT_EQ(toJsonText(doc.root(), false), compact);

    rg_TolvarJSONJieDian copy(doc.root());
    EXPECT_EQ(estimateTextLength64(copy), estimateTextLength64(doc.root()));
    rg_TolvarJSONLei docCopy(doc);
    EXPECT_EQ(docCopy.root().childCount(), 1);

    rg_TolvarJSONLei reparsed;
    reparsed.parseText(compact);
    EXPECT_TRUE(json_test::sameTree(doc.root(), reparsed.root()));
}

TEST(deep, closed_nesting_and_edits_deep_down) {
    CWString text = CWString(kDepth, u'{') + u"\"k\":1" + CWString(kDepth, u'}');
    rg_TolvarJSONLei doc;
    EXPECT_EQ(doc.parseText(text), Object);
    rg_TolvarJSONJieDian* n = &doc.root();
    while (n->childCount() && n->child(0)->isContainer())
        n = n->child(0);
    ASSERT_EQ(n->childCount(), 1);
    EXPECT_EQ(n->child(0)->keyText(), u"\"k\"");
    // An edit at the bottom marks the document; freeing it then visits every node.
    setValueText(*n->child(0), u"[1,2]", false);
    EXPECT_EQ(n->child(0)->childCount(), 2);
    rg_TolvarJSONJieDian copy(doc.root());
    removeFromParent(*doc.root().child(0));
    EXPECT_EQ(doc.root().childCount(), 0);
}

TEST(deep, indented_output_of_moderate_depth) {
    const int depth = 200;
    CWString text = CWString(depth, u'[') + CWString(depth, u']');
    rg_TolvarJSONLei doc;
    doc.parseText(text);
    CWString out = toJsonText(doc.root(), false);
    EXPECT_EQ(out, json_test::referenceJson(doc.root(), false));
    EXPECT_EQ(out.substr(0, 15), u"[\r\n  [\r\n    [\r\n");
    rg_TolvarJSONLei back;
    back.parseText(out);
    EXPECT_TRUE(json_test::sameTree(doc.root(), back.root()));
}

} // namespace
