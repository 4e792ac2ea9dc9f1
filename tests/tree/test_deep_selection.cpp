#include <gtest/gtest.h>

#include "tree/item_store.h"
#include "json/document.h"

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;

// Selecting the innermost item of a very deep chain opens every collapsed ancestor; that must cost
// a walk of the chain, not a walk per ancestor.
TEST(tree_selection, deep_chain_opens_every_ancestor) {
    const int depth = 200000;
    CWString text;
    for (int i = 0; i < depth; ++i)
        text += u"[";
    text += u"1";
    for (int i = 0; i < depth; ++i)
        text += u"]";
    rg_Tolvar_JSON::rg_TolvarJSONLei doc;
    doc.parseText(text);

    rg_TolvarShuXingKuangCunChu store;
    ASSERT_TRUE(store.appendTopItem(u"Tolvar·JSON", 1));
    ASSERT_EQ(store.fillFromNode(doc.root(), 0, false), depth);
    const int32_t last = store.itemCount() - 1;
    store.setSelection(last);
    EXPECT_EQ(store.getSelection(), last);
    store.ensureRowList();
    EXPECT_EQ(store.rowOfItem(last), last); // every item above it is an open ancestor
    for (int32_t i : {0, 1, depth / 2, last - 1})
        EXPECT_GE(store.getExpandState(i), 2) << i;
}
