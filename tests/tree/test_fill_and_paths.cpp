// Filling the item store from JSON nodes, generating item paths and finding items by path.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "tree/item_record.h"
#include "tree_test_util.h"
#include "json/document.h"
#include "json/node.h"

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
    for (char16_t c : i.text)
        t += c < 128 ? static_cast<char>(c) : '?';
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
        SCOPED_TRACE(testing::Message()
                     << std::string(c.json, c.json + std::char_traits<char16_t>::length(c.json)).size());
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

TEST(tree_fill, separator_units_in_keys_and_values_are_replaced) {
    // Texts are written into the buffer piece by piece (key, ':', value); the separator guard
    // must see the whole label, also where a piece ends and the next begins.
    struct Case {
        CWString json;
        CWString label;
    };
    const CWString sepEven{0x0201, 0x0403};
    const Case cases[] = {
        {u"{\"" + sepEven + u"\":1}", CWString{0xFFFD, 0x0403} + u":1"},
        {u"[\"" + sepEven + u"\"]", u"[0]:\"" + CWString{0xFFFD, 0x0403} + u"\""},
        {u"{k" + CWString{0x0201} + u":" + CWString{0x0403} + u"}",
         u"k" + CWString{0x0201} + u":" + CWString{0x0403}},
        {u"{\"a\":x" + CWString{0x0101, 0x0302, 0x0404} + u"}", u"a:x" + CWString{0x0101, 0xFFFD, 0x0404}},
        {u"{\"plain\":\"text\"}", u"plain:\"text\""},
    };
    namespace rec = rg_TolvarMingLingJi_ChuangKouZuJian::item_record;
    for (const Case& c : cases) {
        Store s;
        rg_TolvarJSONLei doc;
        load(s, doc, c.json);
        ASSERT_EQ(s.itemCount(), 2);
        EXPECT_EQ(s.getText(1), c.label);
        EXPECT_FALSE(rec::textHoldsSeparator(s.getText(1)));
        rec::RecordRunInfo info;
        EXPECT_TRUE(rec::scanRecords(s.itemBuffer().data(), s.bufferLength(), info));
        EXPECT_EQ(info.count, 2);
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

rg_TolvarJSONJieDian* resolve(rg_TolvarJSONLei& doc, CWStringView path) {
    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
    rg_Tolvar_JSON::splitPath(path, segments);
    return rg_Tolvar_JSON::walkPath(doc.root(), segments, 0);
}

std::string narrow(CWStringView s) {
    std::string t;
    for (char16_t c : s)
        t += c < 128 ? static_cast<char>(c) : '?';
    return t;
}

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
        {u"{\"x\", \"y\":1}", 1, u"->0", u"->0", u"->0"},
        {u"{\"x\", \"y\"}", 2, u"->1", u"->1", u"->1"},
        {u"[1,[2,3]]", 3, u"[1][0]", u"[1].[0]", u"//[1].[0]"},
        {u"[[[7]]]", 3, u"[0][0][0]", u"[0].[0].[0]", u"//[0].[0].[0]"},
        {u"{\"a\":[{\"b\":1},{\"b\":2}]}", 5, u"a[1].b", u"a.[1].b", u"//a.[1].b"},
        {u"{\"a\":{\"\":{\"c\":1}}}", 3, u"a..c", u"a..c", u"//a..c"},
        // A key's ':' is part of the key: the record knows where the key ends.
        {u"{\"a:b\":1,\"a\":2}", 1, u"a:b", u"a:b", u"a:b"},
        {u"{\"a:b\":1,\"a\":2}", 2, u"a", u"a", u"a"},
        {u"{\"c\":{\"d:e\":[1]}}", 3, u"c.d:e[0]", u"c.d:e.[0]", u"//c.d:e.[0]"},
        {u"{\"a:\":{\":\":1}}", 2, u"a:.:", u"a:.:", u"//a:.:"},
        // Keys the syntax cannot spell are written by position.
        {u"{\"a.b\":1,\"a#46#b\":2}", 2, u"[1]", u"[1]", u"[1]"},
        {u"{\"a.b\":1,\"a#46#b\":2}", 1, u"a#46#b", u"a#46#b", u"a#46#b"},
        {u"{\"q\":0,\"a->b\":1,\"a\":2}", 2, u"[1]", u"[1]", u"[1]"},
        {u"{\"x\":{\"q\":0,\"a[1]\":[5]}}", 4, u"x[1][0]", u"x.[1].[0]", u"//x.[1].[0]"},
        {u"{\"x\":{\"[y\":1}}", 2, u"x.[y", u"x.[y", u"//x.[y"},
        {u"{\"a\\\\[b\":1}", 1, u"a\\\\[b", u"a\\\\[b", u"a\\\\[b"}, // keys keep their escapes
        {u"{\"q\":0,\"[1]\":5}", 2, u"[1]->0", u"[1]->0", u"[1]->0"},
        {u"{\"q\":0,\" s \":5}", 2, u"s", u"s", u"s"}, // unquoting trims the key
        {u"{\"q\":0,\"//r\":{\"z\":1}}", 3, u"[1].z", u"[1].z", u"////r.z"},
        {u"{\"q\":0,\"//r\":{\"z\":1}}", 2, u"//r", u"//r", u"//r"},
        {u"{\"\":{\"z\":1}}", 2, u".z", u".z", u"//->0.z"},
        {u"{\"\":[7]}", 2, u".[0]", u".[0]", u"//->0.[0]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.json));
        Store s;
        rg_TolvarJSONLei doc;
        load(s, doc, c.json);
        EXPECT_EQ(s.pathOfItem(c.item, 0), c.mode0);
        EXPECT_EQ(s.pathOfItem(c.item, 1), c.mode1);
        EXPECT_EQ(s.pathOfItem(c.item, 2), c.mode2);
        const std::vector<rg_TolvarJSONJieDian*> nodes = nodesInOrder(doc.root());
        rg_TolvarJSONJieDian* own = c.item == 0 ? &doc.root() : nodes[size_t(c.item) - 1];
        for (const char16_t* p : {c.mode0, c.mode1, c.mode2}) {
            EXPECT_EQ(s.findItemByPath(CWStringView(p)), c.item) << narrow(p);
            EXPECT_EQ(resolve(doc, p), own) << narrow(p);
        }
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
        {u"[5,6]", u"[ 1]", 2}, // an index is read as the engine reads it
        {u"[5,6]", u"[-1]", -1},
        {u"[5,6]", u"[2]", -1},
        {u"{\"a\":1,\"b\":2}", u"[1]", 2}, // an index names a member by its position, as in the engine
        {u"{\"a:b\":1,\"a\":2}", u"a", 2},
        {u"{\"a:b\":1,\"a\":2}", u"a:b", 1},
        {u"{\"a\":[5,6]}", u"a.", 2}, // an empty key names the first array element, as in the engine
        {u"{\"a\":[5,6]}", u"a.->1", 3},
        {u"{\"a\":[5,6]}", u"a.[1]->0", -1},
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
            u"a",    u"b", u"a.b",  u"x y", u"k",   u"中文", u"é",     u"a:b",  u"#",  u"-",
            u">",    u"1", u"a..b", u".",   u"//r", u"",     u"#46#",  u"a->b", u"[x", u"q\\",
            u"#46.", u"k", u"[1]",  u" s",  u"s ",  u"a[1]", u"c:d:e", u"\\[z", u"/",
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
            static const std::vector<CWString> scalars = {u"1",     u"true",      u"null",
                                                          u"\"s\"", u"\"a.b:c\"", u"-2.5"};
            out.append(scalars[rng_() % scalars.size()]);
        }
    }

    std::mt19937 rng_;
};

CWString keyFormOf(const CWString& text) {
    return text.substr(0, text.find(u':'));
}

CWString encodeDots(const CWString& s) {
    CWString out;
    for (char16_t c : s) {
        if (c == u'.')
            out.append(u"#46#");
        else
            out.push_back(c);
    }
    return out;
}

TEST(tree_paths, random_documents_round_trip) {
    // Every generated path, in every mode, finds its own item and resolves in the engine to the
    // item's own node, whatever the keys hold.
    int checked = 0;
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        DocGen gen(seed);
        const CWString json = gen.document();
        Store s;
        rg_TolvarJSONLei doc;
        load(s, doc, json);
        if (seed % 2) s.buildIndexesNow();
        const std::vector<rg_TolvarJSONJieDian*> nodes = nodesInOrder(doc.root());
        ASSERT_EQ(static_cast<size_t>(s.itemCount()), nodes.size() + 1);
        for (int32_t i = 1; i < s.itemCount(); ++i) {
            for (int mode = 0; mode < 3; ++mode) {
                const CWString path = s.pathOfItem(i, mode);
                ++checked;
                ASSERT_EQ(s.findItemByPath(path), i) << "seed " << seed << " item " << i << " mode " << mode;
                ASSERT_EQ(resolve(doc, path), nodes[i - 1])
                    << "seed " << seed << " item " << i << " mode " << mode;
            }
        }
    }
    EXPECT_GT(checked, 1000);
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
                EXPECT_EQ(path, s.pathOfItem(item, mode))
                    << "seed " << seed << " item " << item << " mode " << mode;
            });
            EXPECT_EQ(expectedItem, s.itemCount());
        }
    }
}

TEST(tree_paths, long_sibling_lists) {
    const std::vector<CWString> forms = {u"a", u"b.c", u"", u"[x", u"a", u"d", u"e"};
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

namespace {

TEST(tree_paths, key_lengths_follow_the_records) {
    Store s;
    rg_TolvarJSONLei doc;
    load(s, doc, u"{\"a:b\":\"x:y\",\"c\":[1,{\"d:e\":2}]}");
    // items: 1 a:b:"x:y", 2 c, 3 [0]:1, 4 [1], 5 d:e:2
    ItemCursor c;
    EXPECT_EQ(s.keyFormOf(1, c), u"a:b");
    c.clear();
    EXPECT_EQ(s.keyFormOf(3, c), u"[0]");
    c.clear();
    EXPECT_EQ(s.getKeyInfo(3, c), rg_TolvarMingLingJi_ChuangKouZuJian::item_record::kKeyInfoElement);
    EXPECT_EQ(s.pathOfItem(5, 0), u"c[1].d:e");

    // A caller that changes the text and not the length: a length that no longer ends at a ':'
    // reads as unknown, cut at the first ':'.
    s.setText(1, u"zz:1");
    c.clear();
    EXPECT_EQ(s.keyFormOf(1, c), u"zz");
    s.setText(1, u"p:q:r");
    c.clear();
    EXPECT_EQ(s.keyFormOf(1, c), u"p:q"); // the old length 3 still ends at a ':'
    c.clear();
    ASSERT_TRUE(s.setKeyLength(1, 1, c));
    EXPECT_EQ(s.keyFormOf(1, c), u"p");
    EXPECT_EQ(s.pathOfItem(1, 0), u"p");
    c.clear();
    EXPECT_FALSE(s.setKeyLength(1, 6, c)); // past the text
    c.clear();
    EXPECT_FALSE(s.setKeyLength(99, 0, c));

    // Records written without a length (insertItem) are cut at the first ':'.
    c.clear();
    const int32_t added = s.insertItem(0, u"m:n:1", 2, 0, 0, c);
    c.clear();
    EXPECT_EQ(s.keyFormOf(added, c), u"m");
    c.clear();
    s.setKeyLength(added, 3, c);
    EXPECT_EQ(s.pathOfItem(added, 0), u"m:n");
    EXPECT_EQ(s.findItemByPath(CWStringView(u"m:n")), added);
    // A length change invalidates remembered occurrence counts like a text change.
    c.clear();
    s.setKeyLength(1, 3, c);
    EXPECT_EQ(s.findItemByPath(CWStringView(u"p:q")), 1);
}

} // namespace
