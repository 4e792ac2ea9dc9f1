// Filling the item store from JSON nodes, generating item paths and finding items by path.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "json/document.h"
#include "json/node.h"
#include "tree/item_record.h"
#include "tree_test_util.h"

using namespace tree_test;
using rg_Tolvar_JSON::rg_TolvarJSONJieDian;
using rg_Tolvar_JSON::rg_TolvarJSONLei;

namespace {

// Loads a document the way the main window does: top item, then the root's children at level 1.
void load(Store& s, rg_TolvarJSONLei& doc, CWStringView text) {
    doc.parseText(text);
    s.clearItems();
    s.appendTopItem(u"Tolvar·JSON", doc.root().nodeType() != rg_Tolvar_JSON::Object ? 1 : 0);
    ASSERT_GE(s.fillFromNode(doc.root(), 0, false), 0);
}

struct Item {
    CWString text;
    int32_t level;
    int32_t image;
    bool operator==(const Item&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Item& i) {
    std::string t;
    for (char16_t c : i.text) t += c < 128 ? static_cast<char>(c) : '?';
    return os << "{" << t << ", " << i.level << ", " << i.image << "}";
}

std::vector<Item> itemsOf(const CKorMem& buf) {
    std::vector<Item> out;
    namespace rec = rg_TolvarMingLingJi_ChuangKouZuJian::item_record;
    int64_t pos = 0;
    while (pos < static_cast<int64_t>(buf.size())) {
        const int64_t sep = rec::findSeparator(buf.data(), buf.size(), pos);
        if (sep < 0) break;
        CWString text(static_cast<size_t>((sep - pos) / 2), u'\0');
        std::memcpy(text.data(), buf.data() + pos, text.size() * 2);
        out.push_back({text, rec::readInt32(buf.data() + sep + 4), rec::readInt32(buf.data() + sep + 8)});
        pos = sep + rec::kRecordOverhead;
    }
    return out;
}

std::vector<Item> itemsOf(const Store& s) {
    std::vector<Item> out;
    ItemCursor walk;
    for (int32_t i = 0; i < s.itemCount(); ++i) {
        s.locateItem(i, walk, i - 1);
        ItemCursor c = walk;
        out.push_back({s.getText(i, c), s.getLevel(i, c), s.getImage(i, c)});
    }
    return out;
}

TEST(tree_fill, five_record_example) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{'a':1,'b':[true,{'c':2}]}");
    CKorMem buf;
    EXPECT_EQ(Store::fillFromNode(doc.root(), buf, 0, false), 5);
    const std::vector<Item> expected = {
        {u"a:1", 1, 2}, {u"b", 1, 1}, {u"[0]:true", 2, 2}, {u"[1]", 2, 0}, {u"c:2", 3, 2},
    };
    EXPECT_EQ(itemsOf(buf), expected);
    // Expand and check bytes start at 0.
    namespace rec = rg_TolvarMingLingJi_ChuangKouZuJian::item_record;
    const int64_t sep = rec::findSeparator(buf.data(), buf.size(), 0);
    EXPECT_EQ(buf.data()[sep + 4 + rec::kExpandField], 0);
    EXPECT_EQ(buf.data()[sep + 4 + rec::kCheckField], 0);
}

TEST(tree_fill, labels) {
    struct Case {
        const char16_t* json;
        std::vector<Item> items; // below the top item
    };
    const Case cases[] = {
        {u"{\"s\":\"x y\", 'q':'z', n:007}", {{u"s:\"x y\"", 1, 2}, {u"q:'z'", 1, 2}, {u"n:007", 1, 2}}},
        {u"{\"  padded  \":1}", {{u"padded:1", 1, 2}}},
        {u"{\"x\", \"y\":1}", {{u":\"x\"", 1, 2}, {u"y:1", 1, 2}}},
        {u"[1,[],{}]", {{u"[0]:1", 1, 2}, {u"[1]", 1, 1}, {u"[2]", 1, 0}}},
        {u"[\"k\":1]", {{u"[0]:1", 1, 2}}}, // keys of array elements are not shown
        {u"{\"a\":{\"b\":{\"c\":[null]}}}", {{u"a", 1, 0}, {u"b", 2, 0}, {u"c", 3, 1}, {u"[0]:null", 4, 2}}},
        {u"{\"a.b\":1}", {{u"a.b:1", 1, 2}}},
        {u"{}", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.json, c.json + std::char_traits<char16_t>::length(c.json)).size());
        Store s;
        rg_TolvarJSONLei doc;
        load(s, doc, c.json);
        std::vector<Item> items = itemsOf(s);
        ASSERT_FALSE(items.empty());
        EXPECT_EQ(items[0].text, u"Tolvar·JSON");
        EXPECT_EQ(items[0].level, 0);
        items.erase(items.begin());
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(s.itemCount(), static_cast<int32_t>(c.items.size()) + 1);
    }
}

TEST(tree_fill, top_item_image_follows_the_root_type) {
    struct Case {
        const char16_t* json;
        int32_t image;
    };
    const Case cases[] = {{u"{\"a\":1}", 0}, {u"", 0}, {u"[1]", 1}, {u"42", 1}};
    for (const Case& c : cases) {
        Store s;
        rg_TolvarJSONLei doc;
        load(s, doc, c.json);
        EXPECT_EQ(s.getImage(0), c.image);
        EXPECT_EQ(s.getExpandState(0), 3);
    }
}

TEST(tree_fill, include_node_labels_the_node_by_its_place) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"o\":{\"k\":[10,{\"z\":1}]}}");
    rg_TolvarJSONJieDian* o = doc.root().child(0);
    rg_TolvarJSONJieDian* arr = o->child(0);
    struct Case {
        const rg_TolvarJSONJieDian* node;
        int32_t level;
        std::vector<Item> items;
    };
    const Case cases[] = {
        {o, 0, {{u"o", 1, 0}, {u"k", 2, 1}, {u"[0]:10", 3, 2}, {u"[1]", 3, 0}, {u"z:1", 4, 2}}},
        {arr->child(0), 2, {{u"[0]:10", 3, 2}}},
        {arr->child(1), 2, {{u"[1]", 3, 0}, {u"z:1", 4, 2}}},
    };
    for (const Case& c : cases) {
        CKorMem buf;
        EXPECT_EQ(Store::fillFromNode(*c.node, buf, c.level, true), static_cast<int32_t>(c.items.size()));
        EXPECT_EQ(itemsOf(buf), c.items);
    }
    // A detached copy has no place: it is labelled as an object member.
    rg_TolvarJSONJieDian copy(*arr->child(0));
    CKorMem buf;
    EXPECT_EQ(Store::fillFromNode(copy, buf, 0, true), 1);
    EXPECT_EQ(itemsOf(buf), (std::vector<Item>{{u":10", 1, 2}}));
}

TEST(tree_fill, replace_after_edit_keeps_the_tree_consistent) {
    Store s;
    rg_TolvarJSONLei doc;
    load(s, doc, u"{\"a\":[1,2,3],\"b\":{\"c\":1}}");
    rg_TolvarJSONJieDian* two = doc.root().child(0)->child(1);
    CKorMem scratch;
    ItemCursor c;
    const int32_t item = 3; // [1]:2
    ASSERT_EQ(s.getText(item), u"[1]:2");
    const int32_t n = Store::fillFromNode(*two, scratch, s.getLevel(item) - 1, true);
    EXPECT_EQ(s.replaceSubtree(item, 0, scratch, n, c), 1);
    EXPECT_EQ(s.getText(item), u"[1]:2");
    EXPECT_EQ(s.pathOfItem(item, 0), u"a[1]");
}

TEST(tree_fill, own_buffer_rejects_a_level_that_breaks_the_tree) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":1}");
    Store s;
    EXPECT_EQ(s.fillFromNode(doc.root(), 0, false), -1); // empty store: first item must be level 0
    EXPECT_EQ(s.fillFromNode(doc.root(), -1, false), 1);
    EXPECT_EQ(s.fillFromNode(doc.root(), 5, false), -1);
    EXPECT_EQ(s.fillFromNode(doc.root(), 0, false), 1);
    EXPECT_EQ(s.itemCount(), 2);
    EXPECT_EQ(s.getParent(1), 0);
}

// ---- paths ----

TEST(tree_paths, generated_paths) {
    struct Case {
        const char16_t* json;
        int32_t item;
        const char16_t* mode0;
        const char16_t* mode1;
        const char16_t* mode2;
    };
    const Case cases[] = {
        {u"{\"a\":{\"b\":[1,2]}}", 4, u"a.b[1]", u"a.b.[1]", u"//a.b.[1]"},
        {u"{\"a\":{\"b\":[1,2]}}", 2, u"a.b", u"a.b", u"//a.b"},
        {u"{\"a\":{\"b\":[1,2]}}", 1, u"a", u"a", u"a"},
        {u"{\"a\":{\"b\":[1,2]}}", 0, u"", u"", u""},
        {u"{\"k\":1,\"k\":2}", 2, u"k->1", u"k->1", u"k->1"},
        {u"{'k':1,\"k\":2,k:3}", 3, u"k->2", u"k->2", u"k->2"},
        {u"{\"a.b\":1}", 1, u"a#46#b", u"a#46#b", u"a#46#b"},
        {u"{\"a.b\":1,\"a#46#b\":2}", 2, u"a#46#b->1", u"a#46#b->1", u"a#46#b->1"},
        {u"{\"x\", \"y\":1}", 1, u"->0", u"->0", u"->0"},
        {u"{\"x\", \"y\"}", 2, u"->1", u"->1", u"->1"},
        {u"[1,[2,3]]", 3, u"[1][0]", u"[1].[0]", u"//[1].[0]"},
        {u"[[[7]]]", 3, u"[0][0][0]", u"[0].[0].[0]", u"//[0].[0].[0]"},
        {u"{\"a\":[{\"b\":1},{\"b\":2}]}", 5, u"a[1].b", u"a.[1].b", u"//a.[1].b"},
        {u"{\"a:b\":1,\"a\":2}", 2, u"a->1", u"a->1", u"a->1"},
        {u"{\"a\":{\"\":{\"c\":1}}}", 3, u"a..c", u"a..c", u"//a..c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.json, c.json + std::char_traits<char16_t>::length(c.json)).size());
        Store s;
        rg_TolvarJSONLei doc;
        load(s, doc, c.json);
        EXPECT_EQ(s.pathOfItem(c.item, 0), c.mode0);
        EXPECT_EQ(s.pathOfItem(c.item, 1), c.mode1);
        EXPECT_EQ(s.pathOfItem(c.item, 2), c.mode2);
        // A key holding "#46#" reads back as a dot: such a path leads elsewhere (here nowhere).
        const CWStringView m0(c.mode0);
        const bool encodedTwin = m0.find(u"#46#") != CWStringView::npos && m0.find(u"->") != CWStringView::npos;
        const int32_t found = encodedTwin ? -1 : c.item;
        for (const char16_t* p : {c.mode0, c.mode1, c.mode2}) EXPECT_EQ(s.findItemByPath(CWStringView(p)), found);
    }
}

TEST(tree_paths, finding_items) {
    struct Case {
        const char16_t* json;
        const char16_t* path;
        int32_t item;
    };
    const Case cases[] = {
        {u"{\"k\":1,\"k\":2}", u"k->1", 2},
        {u"{\"k\":1,\"k\":2}", u"k->2", -1},
        {u"{\"k\":1,\"k\":2}", u"k-> 1", 2},
        {u"{\"k\":1,\"k\":2}", u"k->x", 1},
        {u"{\"k\":1,\"k\":2}", u"k->-1", -1},
        {u"{\"k\":1,\"k\":2}", u"k->99999999999999", -1},
        {u"{\"a\":1,\"b\":2}", u"a.b", -1},
        {u"{\"a\":1,\"b\":2}", u"b", 2},
        {u"{\"a.b\":1}", u"a#46#b", 1},
        {u"{\"a.b\":1}", u"a.b", -1},
        {u"{\"a\":1}", u"", 0},
        {u"{}", u"a", -1},
        {u"{\"A\":1}", u"a", -1},
        {u"{\"a\":{\"b\":1}}", u"a.b.c", -1},
        {u"{\"a\":{\"b\":1}}", u"//a.b", 2},
        {u"[5,6]", u"[1]", 2},
        {u"[5,6]", u"[ 1]", -1}, // key forms are compared as written
        {u"{\"a\":1}", u"[0]", -1}, // an object member is found by its key, not its position
    };
    for (const Case& c : cases) {
        Store s;
        rg_TolvarJSONLei doc;
        load(s, doc, c.json);
        EXPECT_EQ(s.findItemByPath(CWStringView(c.path)), c.item)
            << std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path));
    }
    Store empty;
    EXPECT_EQ(empty.findItemByPath(CWStringView(u"")), -1);
}

// ---- generated round trips ----

// Random documents: objects, arrays and scalars with keys that repeat, hold dots, colons, spaces,
// non-ASCII characters and, now and then, forms that cannot lead back.
class DocGen {
public:
    explicit DocGen(uint32_t seed) : rng_(seed) {}

    CWString document() {
        CWString out;
        value(out, 0, true);
        return out;
    }

private:
    CWString key() {
        static const std::vector<CWString> pool = {
            u"a",   u"b",     u"a.b", u"x y", u"k",  u"中文", u"é", u"a:b", u"#", u"-",   u">",
            u"1",   u"a..b",  u".",   u"//r", u"",   u"#46#", u"a->b", u"[x", u"q\\", u"#46.", u"k",
        };
        return pool[rng_() % pool.size()];
    }

    void value(CWString& out, int depth, bool top) {
        const uint32_t r = rng_() % 10;
        if (top || (depth < 5 && r < 4)) {
            const bool object = top ? rng_() % 4 != 0 : r < 2;
            out.push_back(object ? u'{' : u'[');
            const uint32_t n = rng_() % 5;
            for (uint32_t i = 0; i < n; ++i) {
                if (i) out.push_back(u',');
                if (object && rng_() % 12 != 0) {
                    out.push_back(u'"');
                    out.append(key());
                    out.append(u"\":");
                }
                value(out, depth + 1, false);
            }
            out.push_back(object ? u'}' : u']');
        } else {
            static const std::vector<CWString> scalars = {u"1", u"true", u"null", u"\"s\"", u"\"a.b:c\"", u"-2.5"};
            out.append(scalars[rng_() % scalars.size()]);
        }
    }

    std::mt19937 rng_;
};

CWString keyFormOf(const CWString& text) { return text.substr(0, text.find(u':')); }

CWString encodeDots(const CWString& s) {
    CWString out;
    for (char16_t c : s) {
        if (c == u'.') out.append(u"#46#");
        else out.push_back(c);
    }
    return out;
}

CWString decodeDots(CWString s) {
    for (size_t p = 0; (p = s.find(u"#46#", p)) != CWString::npos; ++p) s.replace(p, 4, u".");
    return s;
}

bool isIndexForm(const CWString& s) { return !s.empty() && s.front() == u'[' && s.back() == u']'; }

// False for the key forms whose generated paths cannot lead back: forms holding "->" or '[' (other
// than array positions), forms that do not survive the "#46#" encoding, a first form beginning
// with "//", an empty first form in mode 2, and in mode 0 an empty form or one ending in '\'
// written straight before an index segment.
bool canRoundTrip(const Store& s, int32_t item, int mode) {
    std::vector<CWString> forms; // from the top down
    for (int32_t i = item; i >= 0 && s.getLevel(i) >= 1; i = s.getParent(i)) forms.insert(forms.begin(), keyFormOf(s.getText(i)));
    for (size_t k = 0; k < forms.size(); ++k) {
        const CWString& f = forms[k];
        if (f.find(u"->") != CWString::npos) return false;
        if (f.find(u'[') != CWString::npos && !isIndexForm(f)) return false;
        if (decodeDots(encodeDots(f)) != f) return false;
        if (k + 1 < forms.size() && mode == 0 && isIndexForm(forms[k + 1]) && (f.empty() || f.back() == u'\\'))
            return false;
    }
    if (forms.size() >= 2 && forms[0].rfind(u"//", 0) == 0) return false;
    if (forms.size() >= 2 && mode == 2 && forms[0].empty()) return false;
    return true;
}

// The document's nodes in pre-order (below the root), matching the items after the top item.
std::vector<rg_TolvarJSONJieDian*> nodesInOrder(rg_TolvarJSONJieDian& root) {
    std::vector<rg_TolvarJSONJieDian*> out;
    std::vector<std::pair<rg_TolvarJSONJieDian*, int32_t>> stack{{&root, 0}};
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next >= node->childCount()) {
            stack.pop_back();
            continue;
        }
        rg_TolvarJSONJieDian* child = node->child(next++);
        out.push_back(child);
        if (child->isContainer()) stack.push_back({child, 0});
    }
    return out;
}

TEST(tree_paths, random_documents_round_trip) {
    int checked = 0, skipped = 0, viaEngine = 0;
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        DocGen gen(seed);
        const CWString json = gen.document();
        Store s;
        rg_TolvarJSONLei doc;
        load(s, doc, json);
        if (seed % 2) s.buildIndexesNow();
        const std::vector<rg_TolvarJSONJieDian*> nodes = nodesInOrder(doc.root());
        ASSERT_EQ(static_cast<size_t>(s.itemCount()), nodes.size() + 1);
        bool colonKeys = false;
        for (int32_t i = 1; i < s.itemCount(); ++i) {
            const rg_TolvarJSONJieDian* n = nodes[i - 1];
            if (rg_Tolvar_JSON::unquote(n->keyText()).find(u':') != CWString::npos) colonKeys = true;
        }
        for (int32_t i = 1; i < s.itemCount(); ++i) {
            for (int mode = 0; mode < 3; ++mode) {
                const CWString path = s.pathOfItem(i, mode);
                if (!canRoundTrip(s, i, mode)) {
                    ++skipped;
                    continue;
                }
                ++checked;
                ASSERT_EQ(s.findItemByPath(path), i) << "seed " << seed << " item " << i << " mode " << mode;
                // The engine resolves the same path to the item's node (keys holding ':' aside).
                if (!colonKeys) {
                    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
                    rg_Tolvar_JSON::splitPath(path, segments);
                    EXPECT_EQ(rg_Tolvar_JSON::walkPath(doc.root(), segments, 0), nodes[i - 1])
                        << "seed " << seed << " item " << i << " mode " << mode;
                    ++viaEngine;
                }
            }
        }
    }
    EXPECT_GT(checked, 1000);
    EXPECT_GT(viaEngine, 200);
    EXPECT_LT(skipped, checked);
}

TEST(tree_paths, listing_all_paths_matches_item_by_item) {
    for (uint32_t seed = 500; seed < 560; ++seed) {
        DocGen gen(seed);
        Store s;
        rg_TolvarJSONLei doc;
        load(s, doc, gen.document());
        ItemCursor c;
        s.insertItem(-1, u"second top", 0, 3, 0, c); // a second top-level item with children
        c.clear();
        s.insertItem(s.itemCount() - 1, u"x:1", 2, 0, 0, c);
        for (int mode = 0; mode < 3; ++mode) {
            int32_t expectedItem = 0;
            s.forEachItemPath(mode, [&](int32_t item, const ItemCursor& cursor, CWStringView path) {
                EXPECT_EQ(item, expectedItem++);
                ItemCursor fresh;
                s.locateItem(item, fresh, -1);
                EXPECT_EQ(cursor, fresh);
                EXPECT_EQ(path, s.pathOfItem(item, mode)) << "seed " << seed << " item " << item << " mode " << mode;
            });
            EXPECT_EQ(expectedItem, s.itemCount());
        }
    }
}

TEST(tree_paths, long_sibling_lists) {
    const std::vector<CWString> forms = {u"a", u"b.c", u"", u"[0]", u"a", u"d", u"e"};
    Store s;
    s.appendTopItem(u"top", 0);
    std::vector<CWString> textOf;
    for (int i = 0; i < 1000; ++i) {
        ItemCursor c;
        CWString text = forms[i % forms.size()] + u":" + u16(std::to_string(i));
        s.insertItem(0, text, 2, 0, 0, c);
    }
    // Expected paths by brute force over the plain texts.
    auto expected = [&](int32_t item) {
        const CWString form = encodeDots(keyFormOf(s.getText(item)));
        int64_t c = 0;
        for (int32_t j = 1; j < item; ++j)
            if (encodeDots(keyFormOf(s.getText(j))) == form) ++c;
        CWString path = form;
        if (c > 0) path += u"->" + u16(std::to_string(c));
        if (path.empty()) path = u"->0";
        return path;
    };
    for (int round = 0; round < 3; ++round) {
        if (round == 1) s.buildIndexesNow();
        if (round == 2) {
            // Renaming invalidates the remembered counts, even at the same length.
            s.setText(5, u"a:5");
            s.setText(12, u"zz:12");
            s.buildIndexesNow();
        }
        for (int32_t item : {1, 2, 7, 300, 301, 500, 998, 999, 1000}) {
            EXPECT_EQ(s.pathOfItem(item, 0), expected(item)) << "round " << round << " item " << item;
            EXPECT_EQ(s.findItemByPath(CWStringView(s.pathOfItem(item, 1))), item);
        }
    }
}

} // namespace
