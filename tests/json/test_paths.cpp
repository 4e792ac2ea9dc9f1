// JSON paths: splitting, lookup by index and by key occurrence, reading, creating.
#include <gtest/gtest.h>

#include "json_test_util.h"
#include "runtime/tick_clock.h"
#include "text/elapsed_time.h"
#include "json/document.h"

using namespace rg_Tolvar_JSON;
using json_test::dump;
using json_test::U8;
using json_test::W;

namespace {

std::string joined(const rg_Korrin_JiBen::rg_WenBenShuZuLei& segs) {
    std::string s;
    for (size_t i = 0; i < segs.size(); ++i)
        s += (i ? "|" : "") + U8(segs[i]);
    return "<" + s + ">";
}

TEST(paths, split) {
    struct Row {
        const char* path;
        const char* segments;
    } rows[] = {
        {"", "<>"},
        {"a", "<a>"},
        {"a.b", "<a|b>"},
        {"a..b", "<a||b>"},
        {"a.", "<a|>"},
        {".", "<|>"},
        {"  ", "<>"}, // one empty segment: joined shows nothing, counted below
        {" [1]", "<|[1]>"},
        {"a[0][1]", "<a|[0]|[1]>"},
        {"a.[0].[1]", "<a|[0]|[1]>"},
        {"//a.[0].[1]", "<a|[0]|[1]>"},
        {"//.a", "<a>"},
        {"//x.y", "<x|y>"},
        {"//a", "<//a>"},
        {"//", "<//>"},
        {"[0]", "<[0]>"},
        {"[0][1]", "<[0]|[1]>"},
        {"a\\[0]", "<a\\[0]>"},
        {"a#46#b", "<a.b>"},
        {"a#46#46#b", "<a.46#b>"},
        {" a . b ", "<a|b>"},
        {"a[b", "<a|[b>"},
        {"k->2", "<k->2>"},
        {"items[3].b", "<items|[3]|b>"},
        {"x.[", "<x|[>"},
        {"\t->0", "<->0>"},
    };
    for (const Row& r : rows) {
        rg_Korrin_JiBen::rg_WenBenShuZuLei segs;
        splitPath(W(r.path), segs);
        EXPECT_EQ(joined(segs), r.segments) << r.path;
    }
    rg_Korrin_JiBen::rg_WenBenShuZuLei segs;
    splitPath(u"  ", segs);
    EXPECT_EQ(segs.size(), 1u);
    splitPath(u"", segs);
    EXPECT_EQ(segs.size(), 0u);
}

struct Lookup {
    const char* doc;
    const char* path;
    const char* result; // the text readAtPath gives, or nullptr when nothing is found
};

const Lookup kLookups[] = {
    {"{\"k\":1,\"k\":2,\"k\":3}", "k", "1"},
    {"{\"k\":1,\"k\":2,\"k\":3}", "k->0", "1"},
    {"{\"k\":1,\"k\":2,\"k\":3}", "k->2", "3"},
    {"{\"k\":1,\"k\":2,\"k\":3}", "k-> 1 ", "2"},
    {"{\"k\":1,\"k\":2,\"k\":3}", "k->3", nullptr},
    {"{\"k\":1,\"k\":2,\"k\":3}", "k->-1", nullptr},
    {"{\"k\":1,\"k\":2,\"k\":3}", "k->99999999999", nullptr},
    {"{\"k\":1,\"k\":2,\"k\":3}", "k->x", "1"},
    {"{\"k\":1,\"k\":2,\"k\":3}", "k ", "1"},
    {"{\"k\":1,\"k\":2,\"k\":3}", "[2]", "3"},
    {"{\"k\":1,\"k\":2,\"k\":3}", "[ 1]", "2"},
    {"{\"k\":1,\"k\":2,\"k\":3}", "[x]", "1"},
    {"{\"k\":1,\"k\":2,\"k\":3}", "[-1]", nullptr},
    {"{\"k\":1,\"k\":2,\"k\":3}", "[3]", nullptr},
    {"{\"k\":1,\"k\":2,\"k\":3}", "[99999999999]", nullptr},
    {"{\"a.b\":1,\"a\":{\"b\":2}}", "a#46#b", "1"},
    {"{\"a.b\":1,\"a\":{\"b\":2}}", "a.b", "2"},
    {"{'x':1}", "x", "1"},
    {"{'x':1}", "'x'", nullptr},
    {"{\"'q'\":1}", "'q'", "1"},
    {"{\" sp \":1}", " sp ", "1"}, // segments are trimmed, keys unquoted and trimmed
    {"{\" sp \":1}", "\" sp \"", nullptr},
    {"{\" sp \":1}", "sp", "1"},
    {"{\"Ab\":1}", "ab", nullptr},
    {"{\"a\":1,\"b\":2}", "[1]", "2"},
    {"{\"x\", \"y\":1}", "->0", "x"},
    {"{\"x\", \"y\":1}", " ", "x"},
    {"{\"x\", \"y\":1}", "y", "1"},
    {"[1,2,3]", "->2", "3"},
    {"[1,2,3]", "[0]", "1"},
    {"{\"a\":[[0,1],[2,3]]}", "a[1][0]", "2"},
    {"{\"a\":[[0,1],[2,3]]}", "a.[1].[0]", "2"},
    {"{\"a\":[[0,1],[2,3]]}", "//a.[1].[0]", "2"},
    {"{\"a\":[[0,1],[2,3]]}", "//a", nullptr},
    {"{\"//a\":5}", "//a", "5"},
    {"{\"a\":[[0,1],[2,3]]}", "a[1]", "[2, 3]"},
    {"{\"a\":[[0,1],[2,3]]}", "a[1][0][0]", nullptr},
    {"{\"a\":1}", "a.b", nullptr},
    {"{\"a\":1}", "a.", nullptr},
    {"{\"c->d\":1, \"c\":{\"\":2}}", "c->d", "{\"\":2}"},
    {"{\"e[0]\":1, \"e\":[7]}", "e[0]", "7"},
    {"{\"e[0]\":1, \"e\":[7]}", "e\\[0]", nullptr},
    {"{\"e\\\\[0]\":1}", "e\\[0]", nullptr},
    {"{e\\[x:1}", "e\\[x", "1"},
    {"{\"a\":{\"b\":'text'}}", "a.b", "text"},
    {"{\"a\":{\"b\":\"a\\\"b\"}}", "a.b", "a\\\"b"},
    {"{\"a\":1}", "", "{\"a\":1}"},
    {"[\"a\":1]", "a", "1"},
};

TEST(paths, lookups) {
    for (const Lookup& l : kLookups) {
        rg_TolvarJSONLei doc;
        doc.parseText(W(l.doc));
        rg_TolvarJSONJieDian* holder = reinterpret_cast<rg_TolvarJSONJieDian*>(1);
        CWString timing = u"unchanged";
        CWString text = doc.readAtPath(W(l.path), holder, false, true, timing);
        if (l.result) {
            EXPECT_NE(holder, nullptr) << l.doc << " @ " << l.path;
            EXPECT_EQ(U8(text), l.result) << l.doc << " @ " << l.path;
            EXPECT_EQ(timing.rfind(u"读取节点用时 ", 0), 0u) << U8(timing);
        } else {
            EXPECT_EQ(holder, nullptr) << l.doc << " @ " << l.path;
            EXPECT_TRUE(text.empty()) << l.doc << " @ " << l.path;
            EXPECT_EQ(timing, u"unchanged");
        }
    }
}

TEST(paths, all_forms_name_the_same_node) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":[[0,1],[2,3]]}");
    rg_Korrin_JiBen::rg_WenBenShuZuLei segs;
    const char16_t* forms[] = {u"a[0][1]", u"a.[0].[1]", u"//a.[0].[1]"};
    rg_TolvarJSONJieDian* first = nullptr;
    for (const char16_t* f : forms) {
        splitPath(f, segs);
        rg_TolvarJSONJieDian* n = walkPath(doc.root(), segs, 0);
        ASSERT_NE(n, nullptr);
        if (!first) first = n;
        EXPECT_EQ(n, first);
    }
    EXPECT_EQ(first->valueText(), u"1");
}

TEST(paths, read_key_only) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":{\"k\":1,\"k\":2,\"k\":3}, \"'q'\":[5]}");
    rg_TolvarJSONJieDian* holder = nullptr;
    CWString timing = u"t";
    EXPECT_EQ(doc.readAtPath(u"a.k->2", holder, true, false, timing), u"k");
    EXPECT_EQ(holder, doc.root().child(0)->child(2));
    EXPECT_EQ(timing, u"t"); // only a node's text sets the timing
    EXPECT_EQ(doc.readAtPath(u"'q'", holder, true, false, timing), u"'q'");
    EXPECT_EQ(doc.readAtPath(u"'q'[0]", holder, true, false, timing), u"[0]");
    EXPECT_EQ(doc.readAtPath(u"a#46#x", holder, true, false, timing), u"");
    EXPECT_EQ(holder, nullptr);
    EXPECT_EQ(doc.readAtPath(u"", holder, true, false, timing), u"");
    EXPECT_EQ(holder, &doc.root());
}

TEST(paths, read_container_text_indented) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":{\"b\":[1]}}");
    rg_TolvarJSONJieDian* holder = nullptr;
    CWString timing;
    EXPECT_EQ(doc.readAtPath(u"a", holder, false, false, timing),
              u"{\r\n  \"b\":\r\n  [\r\n    1\r\n  ]\r\n}");
    EXPECT_EQ(doc.readAtPath(u"", holder, false, true, timing), u"{\"a\":{\"b\":[1]}}");
}

class SteppingClock : public rg_Korrin_JiBen::ITickClock {
public:
    mutable uint64_t now = 5000;
    uint64_t step = 0;
    uint64_t tickMs() const override {
        uint64_t t = now;
        now += step;
        return t;
    }
};

TEST(paths, timing_text_uses_the_tick_clock) {
    SteppingClock clock;
    clock.step = 1234; // construction, then the reading that ends the measurement
    rg_Korrin_JiBen::setTickClock(&clock);
    rg_TolvarJSONLei doc;
    doc.parseText(u"[1]");
    rg_TolvarJSONJieDian* holder = nullptr;
    CWString timing;
    doc.readAtPath(u"[0]", holder, false, true, timing);
    rg_Korrin_JiBen::setTickClock(nullptr);
    EXPECT_EQ(timing, u"读取节点用时 1.23 秒");
}

// The read runs on the shared stopwatch and restarts it when it ends, so a caller's elapsed text
// after the read ("显示节点") times only what came after it.
TEST(paths, read_restarts_the_shared_stopwatch) {
    SteppingClock clock;
    rg_Korrin_JiBen::setTickClock(&clock);
    rg_Tolvar_MingLingJi::sharedStopwatch().restartTimer(); // at 5000
    clock.now = 9000;
    rg_TolvarJSONLei doc;
    doc.parseText(u"[1]");
    rg_TolvarJSONJieDian* holder = nullptr;
    CWString timing;
    doc.readAtPath(u"[0]", holder, false, true, timing);
    const uint64_t start = rg_Tolvar_MingLingJi::sharedStopwatch().start();
    rg_Korrin_JiBen::setTickClock(nullptr);
    EXPECT_EQ(timing, u"读取节点用时 0 毫秒");
    EXPECT_EQ(start, 9000u);
}

TEST(paths, lookup_failure_node_from_child_by_segment) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":1}");
    rg_TolvarJSONJieDian* n = childBySegment(doc.root(), u"zz", false);
    ASSERT_NE(n, nullptr);
    EXPECT_TRUE(n->isEmptyObject());
    EXPECT_EQ(n, &lookupFailureNode());
    EXPECT_EQ(doc.root().childCount(), 1); // reading creates nothing
    EXPECT_FALSE(childBySegment(doc.root(), u"a", false)->isEmptyObject());
}

TEST(paths, create_members) {
    rg_TolvarJSONJieDian obj;
    obj.setNodeType(Object);
    rg_TolvarJSONJieDian* z = childBySegment(obj, u"z->1", true);
    ASSERT_EQ(obj.childCount(), 2);
    EXPECT_EQ(z, obj.child(1));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(obj.child(i)->keyText(), u"\"z\"");
        EXPECT_EQ(obj.child(i)->valueText(), u"\"\"");
        EXPECT_EQ(obj.child(i)->nodeType(), Quoted);
        EXPECT_EQ(obj.child(i)->parent(), &obj);
    }
    // Existing matches count towards the occurrence.
    EXPECT_EQ(childBySegment(obj, u"z->1", true), z);
    rg_TolvarJSONJieDian* z3 = childBySegment(obj, u"z->3", true);
    EXPECT_EQ(obj.childCount(), 4);
    EXPECT_EQ(z3, obj.child(3));
    // A negative occurrence creates nothing.
    EXPECT_TRUE(childBySegment(obj, u"z->-1", true)->isEmptyObject());
    EXPECT_EQ(obj.childCount(), 4);
    // An absurd occurrence number is refused instead of exhausting memory.
    EXPECT_TRUE(childBySegment(obj, u"q->2000000000", true)->isEmptyObject());
    EXPECT_EQ(obj.childCount(), 4);
}

TEST(paths, create_elements) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"s\":\"scalar\"}");
    rg_TolvarJSONJieDian& s = *doc.root().child(0);
    rg_TolvarJSONJieDian* e = childBySegment(s, u"[2]", true);
    EXPECT_EQ(s.nodeType(), Array);
    EXPECT_TRUE(s.valueText().empty());
    ASSERT_EQ(s.childCount(), 3);
    EXPECT_EQ(e, s.child(2));
    EXPECT_EQ(e->valueText(), u"\"\"");
    EXPECT_EQ(e->nodeType(), Quoted);
    EXPECT_EQ(e->parent(), &s);
    EXPECT_EQ(childBySegment(s, u"[-1]", true), &s);
    EXPECT_EQ(childBySegment(s, u"[1]", true), s.child(1));
    EXPECT_EQ(s.childCount(), 3);
    EXPECT_TRUE(childBySegment(s, u"[2147483647]", true)->isEmptyObject());
    EXPECT_EQ(s.childCount(), 3);
    // The new-node command's call: one element at the end.
    childBySegment(s, u"[3]", true);
    EXPECT_EQ(s.childCount(), 4);
    EXPECT_EQ(toJsonText(doc.root(), true), u"{\"s\":[\"\", \"\", \"\", \"\"]}");
}

TEST(paths, walk_from_an_index) {
    rg_TolvarJSONLei doc;
    doc.parseText(u"{\"a\":{\"b\":{\"c\":1}}}");
    rg_Korrin_JiBen::rg_WenBenShuZuLei segs;
    splitPath(u"x.b.c", segs);
    EXPECT_EQ(walkPath(*doc.root().child(0), segs, 1), doc.root().child(0)->child(0)->child(0));
    EXPECT_EQ(walkPath(doc.root(), segs, 3), &doc.root());
    EXPECT_EQ(walkPath(doc.root(), segs, 0), nullptr);
}

} // namespace
