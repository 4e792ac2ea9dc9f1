// A document nested a million levels deep goes through the tree store without recursion.
#include <gtest/gtest.h>

#include "tree_test_util.h"
#include "json/document.h"

using namespace tree_test;

namespace {

constexpr int32_t kDepth = 1000000;

TEST(tree_deep, million_levels) {
    CWString text(kDepth, u'[');
    text.append(kDepth, u']');
    rg_Tolvar_JSON::rg_TolvarJSONLei doc;
    doc.parseText(text);
    Store s;
    s.appendTopItem(u"Tolvar·JSON", 1);
    ASSERT_EQ(s.fillFromNode(doc.root(), 0, false), kDepth - 1);
    const int32_t last = s.itemCount() - 1;
    ASSERT_EQ(last, kDepth - 1);
    EXPECT_EQ(s.getLevel(last), kDepth - 1);
    EXPECT_EQ(s.getText(last), u"[0]");

    for (bool indexed : {false, true}) {
        if (indexed) s.buildIndexesNow();
        EXPECT_EQ(s.getParent(last), last - 1);
        EXPECT_EQ(s.getDescendants(1), kDepth - 2);
        EXPECT_EQ(s.nextSibling(1), -1);
        const CWString path = s.pathOfItem(last, 1);
        EXPECT_EQ(path.size(), static_cast<size_t>(kDepth - 1) * 4 - 1); // "[0]" segments joined by '.'
        EXPECT_EQ(s.findItemByPath(path), last);
        const CWString compact = s.pathOfItem(last, 0);
        EXPECT_EQ(compact.size(), static_cast<size_t>(kDepth - 1) * 3);
    }
    s.rebuildRowList();
    EXPECT_EQ(s.rowCount(), 2); // the top item and its collapsed child
    s.ensureVisible(last);
    EXPECT_EQ(s.getExpandState(1), 2);
    s.ensureRowList();
    EXPECT_EQ(s.rowCount(), kDepth);
    EXPECT_EQ(s.rowOfItem(last), last);
}

} // namespace
