// Tree find: the item matcher in its three modes, findItem's start and bound, the whole search
// from the selection (wrap-around, direction, the UCS-2 retry) and a walk whose idle hook edits
// the tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/encoding.h"
#include "text/regex.h"
#include "tree/tree_find.h"
#include "tree_test_util.h"
#include "json/document.h"

namespace {

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;
using tree_test::Store;
using Regex = rg_Tolvar_MingLingJi::rg_TolvarZhengZeBiaoDaShiLei;

// A store of top-level items with the given texts.
void fillTexts(Store& store, const std::vector<CWString>& texts) {
    const std::vector<int32_t> levels(texts.size(), 0);
    tree_test::appendLevels(store, levels, &texts);
}

// A store filled from JSON text as the window fills a slot.
void fillJson(Store& store, rg_Tolvar_JSON::rg_TolvarJSONLei& doc, CWStringView json) {
    doc.parseText(json);
    store.appendTopItem(u"Tolvar·JSON", doc.root().nodeType() != rg_Tolvar_JSON::Object ? 1 : 0);
    store.fillFromNode(doc.root(), 0, false);
}

TEST(tree_find, matcher_modes) {
    struct Case {
        int32_t mode;
        bool ignoreCase;
        CWString pattern;
        CWString text;
        bool expected;
    };
    const Case cases[] = {
        // Plain: a substring; ignoring case folds only A-Z / a-z.
        {kFindPlain, false, u"json", u"JSON解析", false},
        {kFindPlain, true, u"json", u"JSON解析", true},
        {kFindPlain, true, u"JSON", u"k:\"json\"", true},
        {kFindPlain, true, u"ｊｓｏｎ", u"ＪＳＯＮ", false}, // full-width letters compare exactly
        {kFindPlain, true, u"ＪＳＯＮ", u"xＪＳＯＮ", true},
        {kFindPlain, true, u"é", u"É", false},
        {kFindPlain, false, u"", u"anything", true}, // the empty text occurs everywhere
        {kFindPlain, false, u"", u"", true},
        {kFindPlain, false, u"a*c", u"abc", false}, // no pattern characters in plain mode
        {kFindPlain, false, u"a*c", u"xa*cx", true},
        // Wildcard: unanchored, ? is zero or one character, regex characters are literal.
        {kFindWildcard, false, u"a*c", u"xxabcxx", true},
        {kFindWildcard, false, u"a*c", u"ac", true},
        {kFindWildcard, false, u"a?c", u"ac", true},
        {kFindWildcard, false, u"a?c", u"abc", true},
        {kFindWildcard, false, u"a?c", u"abbc", false},
        {kFindWildcard, false, u"1+1=2", u"[0]:1+1=2", true},
        {kFindWildcard, false, u"1+1=2", u"11=2", false},
        {kFindWildcard, false, u"1+1=2", u"111=2", false},
        {kFindWildcard, false, u"a\\b", u"a\\b", true},
        {kFindWildcard, false, u"a\\b", u"ab", false},
        {kFindWildcard, false, u"(x)", u"x", false},
        {kFindWildcard, true, u"ABC", u"xabcx", true},
        // Regex: a zero-length match does not count; case per flag.
        {kFindRegex, false, u"a*", u"bbb", false},
        {kFindRegex, false, u"a*", u"bab", true},
        {kFindRegex, false, u"abc", u"ABC", false},
        {kFindRegex, true, u"abc", u"ABC", true},
        {kFindRegex, false, u"^b:", u"a\nb:1", true}, // multi-line anchors
        // A pattern that does not compile matches every non-empty text.
        {kFindRegex, false, u"(", u"x", true},
        {kFindRegex, false, u"[a", u"zzz", true},
        {kFindRegex, false, u"(", u"", false},
        // Modes outside 0..2 are plain.
        {7, false, u"a.c", u"abc", false},
        {7, false, u"a.c", u"a.c", true},
    };
    for (const Case& c : cases) {
        Regex regex;
        TreeItemMatcher matcher(regex);
        matcher.prepare(c.pattern, c.mode, c.ignoreCase);
        EXPECT_EQ(matcher.matches(c.text), c.expected)
            << "mode " << c.mode << " ic " << c.ignoreCase << " pattern "
            << rg_Tolvar_MingLingJi::utf16ToUtf8(c.pattern) << " text "
            << rg_Tolvar_MingLingJi::utf16ToUtf8(c.text);
    }
}

TEST(tree_find, find_item_start_and_bound) {
    Store store;
    fillTexts(store, {u"x0", u"a1", u"x2", u"a3", u"x4", u"a5"}); // "x" at 0, 2, 4
    Regex regex;
    TreeItemMatcher matcher(regex);
    matcher.prepare(u"x", kFindPlain, false);
    struct Case {
        int32_t start;
        int32_t bound;
        bool backward;
        int32_t expected;
    };
    const Case cases[] = {
        {-1, kNoBound, false, 0}, // forward from none begins at item 0
        {0, kNoBound, false, 2},  // the start item itself is not tested
        {4, kNoBound, false, -1}, // nothing after the start; no wrap here
        {5, kNoBound, false, -1},
        {-1, kNoBound, true, 4}, // backward from none begins at the last item
        {4, kNoBound, true, 2},
        {0, kNoBound, true, -1},
        {0, 2, false, 2}, // the bound is inclusive
        {0, 1, false, -1},
        {-1, 0, false, 0},
        {-1, 4, true, 4},
        {-1, 5, true, -1},
        {5, 3, true, 4},
        {5, 4, true, 4},
        {3, 3, true, -1},  // bound beyond the first index tested
        {0, 99, false, 2}, // bounds outside the items are clamped
        {5, -7, true, 4},
        // A start past the end searches backward from the last item.
        {99, kNoBound, true, 4},
        {-5, kNoBound, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(findItem(store, c.start, c.bound, c.backward, matcher), c.expected)
            << "start " << c.start << " bound " << c.bound << " backward " << c.backward;

    Store empty;
    EXPECT_EQ(findItem(empty, -1, kNoBound, false, matcher), -1);
    EXPECT_EQ(findItem(empty, -1, kNoBound, true, matcher), -1);
}

TEST(tree_find, search_from_selection) {
    struct Case {
        const char* what;
        std::vector<CWString> texts;
        int32_t selected;
        bool backward;
        CWString pattern;
        int32_t expected;
    };
    const std::vector<CWString> three = {u"a", u"xx", u"b", u"xx", u"c", u"xx"}; // matches at 1, 3, 5
    const std::vector<CWString> ends = {u"xx0", u"xx1", u"m", u"n", u"xx4"};     // matches at 0, 1, 4
    const Case cases[] = {
        {"next match", three, 1, false, u"xx", 3},
        {"pressed again", three, 3, false, u"xx", 5},
        {"wraps to the first match from the top", three, 5, false, u"xx", 1},
        {"no selection starts at the top", three, -1, false, u"xx", 1},
        {"backward previous match", three, 5, true, u"xx", 3},
        {"backward wraps to the last match", three, 1, true, u"xx", 5},
        {"backward without selection starts at the end", three, -1, true, u"xx", 5},
        {"selection out of range counts as none", three, 6, false, u"xx", 1},
        {"selection below -1 counts as none", three, -2, true, u"xx", 5},
        {"only match is the selected item", {u"a", u"b", u"only", u"c"}, 2, false, u"only", 2},
        {"only match is the selected item, backward", {u"a", u"b", u"only", u"c"}, 2, true, u"only", 2},
        // The wrap-around also runs when the selection is the first item (forward) or the last
        // (backward): the selected item itself is still searched.
        {"only match is the selected first item", {u"only", u"x", u"y"}, 0, false, u"only", 0},
        {"only match is the selected last item, backward", {u"x", u"y", u"only"}, 2, true, u"only", 2},
        // Backward from item 0: the last item first, down to item 1, then item 0.
        {"backward from 0 tests the last item first", ends, 0, true, u"xx", 4},
        {"backward from 0 reaches item 1 before item 0", {u"xx0", u"xx1", u"m"}, 0, true, u"xx", 1},
        {"backward from 0 wraps to item 0", {u"xx0", u"m", u"n"}, 0, true, u"xx", 0},
        {"forward from the last wraps to item 0", ends, 4, false, u"xx", 0},
        {"empty text matches the next item", three, 2, false, u"", 3},
        {"empty text wraps", three, 5, false, u"", 0},
        {"nothing matches", three, 2, false, u"zz", -1},
        {"empty tree", {}, -1, false, u"", -1},
        {"empty tree backward", {}, 0, true, u"x", -1},
    };
    for (const Case& c : cases) {
        Store store;
        fillTexts(store, c.texts);
        store.properties().currentItem = c.selected;
        Regex regex;
        TreeItemMatcher matcher(regex);
        matcher.prepare(c.pattern, kFindPlain, false);
        const TreeFindResult r = findInItems(store, c.backward, matcher, false, c.pattern);
        EXPECT_EQ(r.item, c.expected) << c.what;
        EXPECT_FALSE(r.retried) << c.what;
    }
}

TEST(tree_find, ucs2_retry_and_top_label) {
    rg_Tolvar_JSON::rg_TolvarJSONLei doc;
    Store store;
    // Items: 0 the top label, 1 a:"\u4e2d", 2 b:"\u4E2D", 3 c:"文" (texts kept as written).
    fillJson(store, doc, u"{\"a\":\"\\u4e2d\",\"b\":\"\\u4E2D\",\"c\":\"文\"}");
    ASSERT_EQ(store.itemCount(), 4);
    ASSERT_EQ(store.getText(2), u"b:\"\\u4E2D\"");
    struct Case {
        const char* what;
        int32_t mode;
        bool ignoreCase;
        bool retry;
        int32_t selected;
        CWString pattern;
        int32_t expected;
        bool retried;
    };
    const Case cases[] = {
        {"found without retry", kFindPlain, false, true, -1, u"文", 3, false},
        {"escaped form, exact case", kFindPlain, false, true, -1, u"中", 2, true},
        {"escaped form, exact case, after the selection", kFindPlain, false, true, 2, u"中", 2, true},
        {"escaped form, any case", kFindPlain, true, true, -1, u"中", 1, true},
        {"escaped form, any case, wraps", kFindPlain, true, true, 1, u"中", 2, true},
        {"no retry asked", kFindPlain, false, false, -1, u"中", -1, false},
        {"retry finds nothing either", kFindPlain, false, true, -1, u"字", -1, true},
        {"wildcard retry repeats the pattern", kFindWildcard, false, true, -1, u"中", -1, true},
        {"wildcard finds without retry", kFindWildcard, false, true, -1, u"c:?文", 3, false},
        {"regex retry repeats the pattern", kFindRegex, true, true, 1, u"中", -1, true},
        {"top label", kFindPlain, false, false, 2, u"Tolvar·JSON", 0, false},
        {"top label, any case", kFindPlain, true, false, 3, u"tolvar·json", 0, false},
        {"top label by wildcard", kFindWildcard, false, false, 1, u"T*·J", 0, false},
    };
    for (const Case& c : cases) {
        store.properties().currentItem = c.selected;
        Regex regex;
        TreeItemMatcher matcher(regex);
        matcher.prepare(c.pattern, c.mode, c.ignoreCase);
        const TreeFindResult r = findInItems(store, false, matcher, c.retry, c.pattern);
        EXPECT_EQ(r.item, c.expected) << c.what;
        EXPECT_EQ(r.retried, c.retried) << c.what;
    }

    // In wildcard and regex mode the retry changes only the plain text; the compiled pattern stays.
    for (int32_t mode : {kFindWildcard, kFindRegex}) {
        store.properties().currentItem = -1;
        Regex regex;
        TreeItemMatcher matcher(regex);
        matcher.prepare(u"中x", mode, false);
        EXPECT_EQ(findInItems(store, true, matcher, true, u"中x").item, -1);
        // The plain text after the retry is the escaped form, as the window keeps it.
        EXPECT_EQ(matcher.findText(), u"\\u4E2Dx");
    }
}

// The idle hook runs every few milliseconds of searching; here it edits the tree each time. The
// walk must pick up its place again and give an item that matches in the tree as it is at the end.
TEST(tree_find, idle_hook_editing_the_tree) {
    enum Edit { Rename, RenameSameLength, Insert, RemoveAll, RemoveHead };
    struct Case {
        const char* what;
        Edit edit;
        bool backward;
        bool expectFound; // a needle is planted ahead of the walk
    };
    const Case cases[] = {
        {"rename ahead, forward", Rename, false, true},
        {"rename ahead, backward", Rename, true, true},
        {"same-length rename ahead, forward", RenameSameLength, false, true},
        {"same-length rename ahead, backward", RenameSameLength, true, true},
        {"insert at the end, forward", Insert, false, false},
        {"insert at the end, backward", Insert, true, false},
        {"remove every element, forward", RemoveAll, false, false},
        {"remove every element, backward", RemoveAll, true, false},
        {"remove items near the start, backward", RemoveHead, true, false},
    };
    for (const Case& c : cases) {
        // The hook only runs once a walk took 8 ms: a tree that was searched too fast for that is
        // doubled and searched again. (Small first: under AddressSanitizer each backward step
        // costs the bytes before it, as memrchr's interceptor checks its whole range.)
        int calls = 0;
        for (int32_t elements = 120000; calls == 0 && elements <= 4000000; elements *= 2) {
            CWString json = u"[";
            for (int32_t i = 0; i < elements; ++i)
                json.append(i ? u",100" : u"100");
            json.push_back(u']');
            rg_Tolvar_JSON::rg_TolvarJSONLei doc;
            Store store;
            fillJson(store, doc, json);
            ASSERT_EQ(store.itemCount(), elements + 1);
            // Item 1 selected: a forward walk goes up from item 2; a backward one tests item 0,
            // then wraps to the last item and goes down to item 1.
            store.properties().currentItem = 1;
            Regex regex;
            TreeItemMatcher matcher(regex);
            // No literal every match needs, so each item text is really scanned.
            matcher.prepare(u"needle|\\d{9}", kFindRegex, false);
            const FindIdleHook hook = [&] {
                if (++calls > 3) return; // a few edits are enough; each one costs a fresh locate
                const int32_t n = store.itemCount();
                ItemCursor cursor;
                switch (c.edit) {
                case Rename: // a longer text moves every later record
                    if (calls == 1) store.setText(c.backward ? 2 : n - 1, u"[x]:\"needle\"");
                    store.setText(c.backward ? n / 2 + calls : n / 2 - calls, u"[y]:longer text");
                    break;
                case RenameSameLength: { // in place: no record moves
                    const int32_t at = c.backward ? 2 : n - 1;
                    CWString text = u"needle";
                    text.resize(store.getText(at).size(), u'.');
                    if (calls == 1) store.setText(at, text);
                    break;
                }
                case Insert:
                    store.insertItem(-1, u"needle", 2, 0, 0, cursor);
                    break;
                case RemoveAll: { // the walk's place is then past the last item
                    CKorMem none;
                    store.replaceSubtree(0, 2, none, 0, cursor);
                    break;
                }
                case RemoveHead: { // items 2, 3, ..., 5 a call
                    CKorMem none;
                    for (int32_t k = 0; k < 5; ++k) {
                        ItemCursor at; // a fresh cursor: the last one named a removed record
                        store.replaceSubtree(2, 0, none, 0, at);
                    }
                    break;
                }
                }
            };
            const TreeFindResult r = findInItems(store, c.backward, matcher, false, u"needle", hook);
            if (calls == 0) continue;
            if (c.expectFound) {
                EXPECT_NE(r.item, -1) << c.what;
            }
            if (r.item != -1) {
                ASSERT_LT(r.item, store.itemCount()) << c.what;
                EXPECT_TRUE(matcher.matches(store.getText(r.item))) << c.what;
            }
        }
        EXPECT_GT(calls, 0) << c.what;
    }
}

} // namespace
