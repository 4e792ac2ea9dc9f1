// Tree item store benchmark on a generated document of about a million nodes (objects, arrays and
// scalars, up to 12 levels deep, with one array of 100,000 elements):
//  - fillFromNode of the whole document, against a peer that builds one object per item;
//  - each derived index build, and all four in one pass;
//  - lookups of items near the end with the indexes current and stale;
//  - the row list (collapsed and fully expanded), expanding and collapsing the 100,000-element array;
//  - finding an item by a 6-segment path, against the engine resolving the same path in the document.
// Prints, after the Google Benchmark table, the ratios ours/peer and indexed/scanned.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tree/index_workers.h"
#include "tree/item_store.h"
#include "json/document.h"
#include "json/node.h"

namespace {

using Store = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;
using rg_Tolvar_JSON::rg_TolvarJSONJieDian;
using rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
using rg_TolvarMingLingJi_ChuangKouZuJian::TreeIndexKind;
using rg_TolvarMingLingJi_ChuangKouZuJian::TreeIndexSet;

constexpr int kTargetNodes = 1000000;
constexpr int kBigArray = 100000;
const CWString kSixSegmentPath = u"zz.p1.p2[1].p4.p5";

// ---- the document ----

class Generator {
public:
    CWString document() {
        CWString out = u"{";
        while (nodes_ < kTargetNodes - kBigArray - 10) {
            if (out.size() > 1) out.push_back(u',');
            member(out);
            value(out, 1);
        }
        out.append(u",\"big\":[");
        for (int i = 0; i < kBigArray; ++i) {
            if (i) out.push_back(u',');
            out.append(std::u16string(u"1") + static_cast<char16_t>(u'0' + i % 10));
        }
        out.append(u"],\"zz\":{\"p1\":{\"p2\":[0,{\"p4\":{\"p5\":true}}]}}}");
        return out;
    }

private:
    void member(CWString& out) {
        static const char16_t* keys[] = {u"id", u"name", u"value", u"items", u"meta",
                                         u"x",  u"y",    u"tags",  u"child"};
        out.push_back(u'"');
        out.append(keys[rng_() % 9]);
        out.append(u"\":");
    }
    void value(CWString& out, int depth) {
        ++nodes_;
        const uint32_t r = rng_() % 10;
        if (depth < 12 && r < 3) {
            const bool object = r < 2;
            out.push_back(object ? u'{' : u'[');
            const uint32_t n = rng_() % 9;
            for (uint32_t i = 0; i < n; ++i) {
                if (i) out.push_back(u',');
                if (object) member(out);
                value(out, depth + 1);
            }
            out.push_back(object ? u'}' : u']');
        } else if (r < 6) {
            out.append(u"\"text value ");
            out.push_back(static_cast<char16_t>(u'a' + rng_() % 26));
            out.push_back(u'"');
        } else if (r < 9) {
            const std::string n = std::to_string(rng_() % 100000);
            out.append(n.begin(), n.end());
        } else {
            out.append(u"null");
        }
    }
    std::mt19937 rng_{2024};
    int nodes_ = 0;
};

struct Fixture {
    rg_Tolvar_JSON::rg_TolvarJSONLei doc;
    Store store;
    int32_t bigItem = -1;  // the array of 100,000 elements
    int32_t pathItem = -1; // the item kSixSegmentPath names
    size_t bytesPerItem = 0;

    Fixture() {
        Generator g;
        doc.parseText(g.document());
        store.appendTopItem(u"Tolvar·JSON", 0);
        store.fillFromNode(doc.root(), 0, false);
        bytesPerItem = static_cast<size_t>(store.bufferLength()) / static_cast<size_t>(store.itemCount());
        bigItem = store.findItemByPath(CWStringView(u"big"));
        pathItem = store.findItemByPath(kSixSegmentPath);
        if (bigItem < 0 || pathItem < 0) std::fprintf(stderr, "generated document is not as expected\n");
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void setIndexes(Store& s, bool current) {
    if (current) {
        s.buildIndexesNow();
    } else {
        for (int k = 0; k < rg_TolvarMingLingJi_ChuangKouZuJian::kTreeIndexKinds; ++k)
            s.markIndexStale(static_cast<TreeIndexKind>(k));
    }
}

// ---- filling ----

void BM_fill_ours(benchmark::State& state) {
    Fixture& f = fixture();
    CKorMem buffer;
    buffer.reserve(static_cast<size_t>(f.store.bufferLength()) + 64);
    int32_t n = 0;
    for (auto _ : state) {
        buffer.clear();
        n = Store::fillFromNode(f.doc.root(), buffer, 0, false);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
    state.counters["bytes_per_item"] = double(buffer.size()) / n;
}

// Peer: one object per item with the same label, level and image, built by the same walk order.
struct ItemObject {
    CWString text;
    int32_t level;
    int32_t image;
    uint8_t expand = 0;
    uint8_t check = 0;
};

void BM_fill_objects_peer(benchmark::State& state) {
    Fixture& f = fixture();
    std::vector<ItemObject> items;
    items.reserve(static_cast<size_t>(f.store.itemCount()));
    struct Frame {
        const rg_TolvarJSONJieDian* node;
        int32_t next;
        int32_t level;
    };
    std::vector<Frame> stack;
    for (auto _ : state) {
        state.PauseTiming();
        items.clear(); // frees the texts of the last round outside the timing
        state.ResumeTiming();
        stack.assign(1, {&f.doc.root(), 0, 0});
        while (!stack.empty()) {
            Frame& fr = stack.back();
            if (fr.next >= fr.node->childCount()) {
                stack.pop_back();
                continue;
            }
            const int32_t i = fr.next++;
            const rg_TolvarJSONJieDian* c = fr.node->child(i);
            const bool underObject = fr.node->nodeType() == rg_Tolvar_JSON::Object;
            ItemObject o;
            if (underObject) {
                o.text = rg_Tolvar_JSON::unquote(c->keyText());
            } else {
                const std::string d = std::to_string(i);
                o.text.push_back(u'[');
                o.text.append(d.begin(), d.end());
                o.text.push_back(u']');
            }
            if (!c->isContainer()) {
                o.text.push_back(u':');
                o.text.append(c->valueText());
            }
            o.level = fr.level + 1;
            o.image = c->nodeType() == rg_Tolvar_JSON::Object  ? 0
                      : c->nodeType() == rg_Tolvar_JSON::Array ? 1
                                                               : 2;
            items.push_back(std::move(o));
            const int32_t level = fr.level + 1;
            if (c->isContainer() && c->childCount() > 0) stack.push_back({c, 0, level});
        }
        benchmark::DoNotOptimize(items.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(items.size()));
    size_t bytes = items.capacity() * sizeof(ItemObject);
    for (const ItemObject& o : items)
        bytes += o.text.capacity() > 7 ? (o.text.capacity() + 1) * 2 : 0;
    state.counters["bytes_per_item"] = double(bytes) / double(items.size());
}

// ---- index builds ----

void BM_index_build(benchmark::State& state, unsigned mask) {
    Fixture& f = fixture();
    const CKorMem& buf = f.store.itemBuffer();
    for (auto _ : state) {
        TreeIndexSet out;
        rg_TolvarMingLingJi_ChuangKouZuJian::detail::buildTreeIndexesNow(
            buf.data(), static_cast<int64_t>(buf.size()), f.store.itemCount(), mask, 1, out);
        benchmark::DoNotOptimize(out[0].get());
        state.PauseTiming();
        out = {};
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * f.store.itemCount());
}

// Background run as the UI starts it: from startIndexWorkers to all four indexes published.
void BM_index_workers_end_to_end(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        setIndexes(f.store, false);
        state.ResumeTiming();
        f.store.startIndexWorkers();
        f.store.waitForIndexWorkers();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * f.store.itemCount());
}

// ---- lookups near the end ----

enum class Op { Locate, Parent, NextSibling, Descendants, Path, Text };

void BM_lookup(benchmark::State& state, Op op, bool indexed) {
    Fixture& f = fixture();
    setIndexes(f.store, indexed);
    const int32_t n = f.store.itemCount();
    // A handful of items in the last thousand, so no one item's shape dominates.
    const int32_t targets[] = {n - 1, n - 7, n - 123, n - 500, n - 999};
    size_t t = 0;
    for (auto _ : state) {
        const int32_t item = targets[t++ % 5];
        ItemCursor c, out;
        switch (op) {
        case Op::Locate:
            benchmark::DoNotOptimize(f.store.locateItem(item, c, -1));
            break;
        case Op::Parent:
            benchmark::DoNotOptimize(f.store.getParent(item, c, out));
            break;
        case Op::NextSibling:
            benchmark::DoNotOptimize(f.store.nextSibling(item, c, out));
            break;
        case Op::Descendants:
            benchmark::DoNotOptimize(f.store.getDescendants(item, c, out, false));
            break;
        case Op::Path:
            benchmark::DoNotOptimize(f.store.pathOfItem(item, 0));
            break;
        case Op::Text:
            benchmark::DoNotOptimize(f.store.getText(item, c));
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

// ---- row list ----

void BM_row_list(benchmark::State& state, bool allExpanded, bool indexed) {
    Fixture& f = fixture();
    Store& s = f.store;
    ItemCursor walk;
    s.markRowListStale(); // bulk state changes: no in-place row updates
    if (allExpanded) {
        for (int32_t i = 0; i < s.itemCount(); ++i) {
            s.locateItem(i, walk, i - 1);
            ItemCursor c = walk;
            s.setItem(i, std::nullopt, Store::kKeepImage, 2, -1, c, true);
        }
    }
    setIndexes(s, indexed);
    for (auto _ : state) {
        s.rebuildRowList();
        benchmark::DoNotOptimize(s.rowCount());
    }
    state.counters["rows"] = s.rowCount();
    state.SetItemsProcessed(int64_t(state.iterations()) * s.itemCount());
    if (allExpanded) { // back to the loaded state: top item open, the rest closed
        s.markRowListStale();
        for (int32_t i = 1; i < s.itemCount(); ++i) {
            s.locateItem(i, walk, i - 1);
            ItemCursor c = walk;
            s.setItem(i, std::nullopt, Store::kKeepImage, 0, -1, c, true);
        }
    }
}

void BM_expand_collapse_100k(benchmark::State& state, bool indexed) {
    Fixture& f = fixture();
    Store& s = f.store;
    setIndexes(s, indexed);
    s.rebuildRowList();
    for (auto _ : state) {
        ItemCursor c;
        s.setExpanded(c, f.bigItem, true, false);
        s.setExpanded(c, f.bigItem, false, false);
    }
    state.counters["rows_moved"] = kBigArray;
    state.SetItemsProcessed(int64_t(state.iterations()) * 2);
}

// ---- finding by path ----

void BM_find_by_path_ours(benchmark::State& state, bool indexed) {
    Fixture& f = fixture();
    setIndexes(f.store, indexed);
    for (auto _ : state)
        benchmark::DoNotOptimize(f.store.findItemByPath(kSixSegmentPath));
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_find_by_path_engine_peer(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
        rg_Tolvar_JSON::splitPath(kSixSegmentPath, segments);
        benchmark::DoNotOptimize(rg_Tolvar_JSON::walkPath(f.doc.root(), segments, 0));
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds; // real time per iteration
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                seconds[r.benchmark_name()] = r.real_accumulated_time / double(r.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    using benchmark::RegisterBenchmark;
    std::vector<benchmark::internal::Benchmark*> all;
    all.push_back(RegisterBenchmark("fill/ours", BM_fill_ours));
    all.push_back(RegisterBenchmark("fill/objects_peer", BM_fill_objects_peer));
    all.push_back(
        RegisterBenchmark("index/offset", BM_index_build,
                          rg_TolvarMingLingJi_ChuangKouZuJian::treeIndexBit(TreeIndexKind::Offset)));
    all.push_back(
        RegisterBenchmark("index/parent", BM_index_build,
                          rg_TolvarMingLingJi_ChuangKouZuJian::treeIndexBit(TreeIndexKind::Parent)));
    all.push_back(
        RegisterBenchmark("index/sibling", BM_index_build,
                          rg_TolvarMingLingJi_ChuangKouZuJian::treeIndexBit(TreeIndexKind::Sibling)));
    all.push_back(
        RegisterBenchmark("index/subtree_end", BM_index_build,
                          rg_TolvarMingLingJi_ChuangKouZuJian::treeIndexBit(TreeIndexKind::SubtreeEnd)));
    all.push_back(RegisterBenchmark("index/all_four_one_pass", BM_index_build,
                                    rg_TolvarMingLingJi_ChuangKouZuJian::kAllTreeIndexes));
    all.push_back(RegisterBenchmark("index/workers_end_to_end", BM_index_workers_end_to_end));
    const std::pair<const char*, Op> ops[] = {
        {"locateItem", Op::Locate},          {"getParent", Op::Parent}, {"nextSibling", Op::NextSibling},
        {"getDescendants", Op::Descendants}, {"pathOfItem", Op::Path},  {"getText", Op::Text}};
    for (const auto& [name, op] : ops) {
        all.push_back(
            RegisterBenchmark((std::string("near_end/") + name + "/indexed").c_str(), BM_lookup, op, true));
        all.push_back(
            RegisterBenchmark((std::string("near_end/") + name + "/scanned").c_str(), BM_lookup, op, false));
    }
    all.push_back(RegisterBenchmark("rows/loaded/indexed", BM_row_list, false, true));
    all.push_back(RegisterBenchmark("rows/loaded/scanned", BM_row_list, false, false));
    all.push_back(RegisterBenchmark("rows/all_expanded/indexed", BM_row_list, true, true));
    all.push_back(RegisterBenchmark("rows/all_expanded/scanned", BM_row_list, true, false));
    all.push_back(RegisterBenchmark("expand_collapse_100k/indexed", BM_expand_collapse_100k, true));
    all.push_back(RegisterBenchmark("expand_collapse_100k/scanned", BM_expand_collapse_100k, false));
    all.push_back(RegisterBenchmark("find_6_segments/indexed", BM_find_by_path_ours, true));
    all.push_back(RegisterBenchmark("find_6_segments/scanned", BM_find_by_path_ours, false));
    all.push_back(RegisterBenchmark("find_6_segments/engine_peer", BM_find_by_path_engine_peer));
    for (auto* b : all)
        b->UseRealTime()->Unit(benchmark::kMicrosecond);

    Fixture& f = fixture();
    std::printf("document: %d items, %lld buffer bytes, %zu bytes per item\n", f.store.itemCount(),
                static_cast<long long>(f.store.bufferLength()), f.bytesPerItem);

    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    auto get = [&](const std::string& k) {
        auto it = collector.seconds.find(k + "/real_time");
        return it == collector.seconds.end() ? 0.0 : it->second;
    };
    auto ratio = [&](const char* label, const std::string& a, const std::string& b) {
        const double x = get(a), y = get(b);
        if (x > 0 && y > 0)
            std::printf("%-48s %14.3f us %14.3f us  ratio %.3g\n", label, x * 1e6, y * 1e6, x / y);
    };
    std::printf("\n%-48s %17s %17s  (real time; ratio = first / second)\n", "", "ours/indexed",
                "peer/scanned");
    ratio("fillFromNode vs object per item (ours/peer)", "fill/ours", "fill/objects_peer");
    ratio("find 6 segments vs engine walkPath (ours/peer)", "find_6_segments/indexed",
          "find_6_segments/engine_peer");
    for (const auto& [name, op] : ops) {
        (void)op;
        const std::string base = std::string("near_end/") + name;
        ratio((std::string(name) + " near the end (indexed/scanned)").c_str(), base + "/indexed",
              base + "/scanned");
    }
    ratio("row list, all expanded (indexed/scanned)", "rows/all_expanded/indexed",
          "rows/all_expanded/scanned");
    ratio("expand+collapse 100k children (indexed/scanned)", "expand_collapse_100k/indexed",
          "expand_collapse_100k/scanned");
    return 0;
}
