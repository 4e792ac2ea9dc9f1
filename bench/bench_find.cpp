// Tree find benchmark: one whole search (findInItems from item 0) through a generated tree of about
// a million items whose only match is the last item, in the four ways the find panel searches:
// plain text, plain text ignoring case, wildcard and regular expression; and plain text backward
// from the last item (the whole tree down to item 0, then the wrap). Peers in the same run, on
// the same item texts:
//  - a loop of store.getText(i, cursor) + std::u16string_view::find, i.e. an item lookup per item
//    (with the offset index current, the lookup's best case);
//  - std::wregex (regex_search) over the same texts, converted to std::wstring before timing.
// Prints, after the Google Benchmark table, items/s and the ratios ours/peer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "text/regex.h"
#include "tree/item_store.h"
#include "tree/tree_find.h"
#include "json/document.h"

namespace {

namespace tf = rg_TolvarMingLingJi_ChuangKouZuJian;
using Store = tf::rg_TolvarShuXingKuangCunChu;
using tf::ItemCursor;

constexpr int kTargetItems = 1000000;

// Patterns that match only the last item's text, `zz:"Needle-42 found"`.
const CWString kPlain = u"Needle-42";
const CWString kPlainFolded = u"nEEDLE-42";
const CWString kWildcard = u"Ne?dle-4*found";
const CWString kRegex = u"Ne+dle-\\d+ fo";
const wchar_t kRegexWide[] = L"Ne+dle-\\d+ fo";

// A document of nested objects and arrays (up to 8 deep) with short keys and values, like a
// typical API response; no text in it holds "Needle" but the last member.
CWString generateDocument() {
    std::mt19937 rng(7);
    static const char16_t* keys[] = {u"id", u"name", u"value", u"items", u"meta",
                                     u"x",  u"y",    u"tags",  u"child"};
    int items = 1;
    CWString out = u"{";
    // Iterative: a stack of open containers (true = object) and their remaining member counts.
    std::vector<std::pair<bool, uint32_t>> open;
    bool first = true;
    while (items < kTargetItems - 1 || !open.empty()) {
        const bool inObject = open.empty() || open.back().first;
        if (!open.empty() && open.back().second == 0) {
            out.push_back(open.back().first ? u'}' : u']');
            open.pop_back();
            first = false;
            continue;
        }
        if (!open.empty()) --open.back().second;
        if (!first) out.push_back(u',');
        first = false;
        if (inObject) {
            out.push_back(u'"');
            out.append(keys[rng() % 9]);
            out.append(u"\":");
        }
        ++items;
        const uint32_t r = rng() % 10;
        if (open.size() < 8 && r < 3 && items < kTargetItems - 10) {
            const bool object = r < 2;
            out.push_back(object ? u'{' : u'[');
            open.emplace_back(object, rng() % 9);
            first = true;
        } else if (r < 6) {
            out.append(u"\"text value ");
            out.push_back(static_cast<char16_t>(u'a' + rng() % 26));
            out.push_back(u'"');
        } else if (r < 9) {
            const std::string n = std::to_string(rng() % 100000);
            out.append(n.begin(), n.end());
        } else {
            out.append(u"null");
        }
    }
    out.append(u",\"zz\":\"Needle-42 found\"}");
    return out;
}

struct Fixture {
    rg_Tolvar_JSON::rg_TolvarJSONLei doc;
    Store store;
    std::vector<std::wstring> wideTexts; // the item texts for the std::wregex peer

    Fixture() {
        doc.parseText(generateDocument());
        store.appendTopItem(u"Tolvar·JSON", 0);
        store.fillFromNode(doc.root(), 0, false);
        store.buildIndexesNow();
        wideTexts.reserve(static_cast<size_t>(store.itemCount()));
        for (int32_t i = 0; i < store.itemCount(); ++i) {
            const CWString t = store.getText(i);
            wideTexts.emplace_back(t.begin(), t.end()); // BMP texts: one wchar_t per unit
        }
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_find_ours(benchmark::State& state, int32_t mode, bool ignoreCase, const CWString& pattern,
                  bool backward) {
    Fixture& f = fixture();
    // Forward from item 0, or backward from the last item (which it tests last, after the wrap).
    const int32_t from = backward ? f.store.itemCount() - 1 : 0;
    rg_Tolvar_MingLingJi::rg_TolvarZhengZeBiaoDaShiLei regex;
    tf::TreeItemMatcher matcher(regex);
    int32_t found = -1;
    for (auto _ : state) {
        f.store.properties().currentItem = from;
        matcher.prepare(pattern, mode, ignoreCase); // once per search, as the window does
        found = tf::findInItems(f.store, backward, matcher, false, pattern).item;
        benchmark::DoNotOptimize(found);
    }
    if (found != f.store.itemCount() - 1) state.SkipWithError("the search did not find the last item");
    state.SetItemsProcessed(int64_t(state.iterations()) * f.store.itemCount());
}

void BM_get_text_find_peer(benchmark::State& state) {
    Fixture& f = fixture();
    const int32_t n = f.store.itemCount();
    int32_t found = -1;
    for (auto _ : state) {
        found = -1;
        for (int32_t i = 1; i < n && found < 0; ++i) {
            ItemCursor cursor;
            const CWString text = f.store.getText(i, cursor);
            if (CWStringView(text).find(kPlain) != CWStringView::npos) found = i;
        }
        benchmark::DoNotOptimize(found);
    }
    if (found != n - 1) state.SkipWithError("the peer did not find the last item");
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
}

void BM_wregex_peer(benchmark::State& state) {
    Fixture& f = fixture();
    const std::wregex re(kRegexWide, std::regex::ECMAScript);
    const int32_t n = static_cast<int32_t>(f.wideTexts.size());
    int32_t found = -1;
    for (auto _ : state) {
        found = -1;
        for (int32_t i = 1; i < n && found < 0; ++i)
            if (std::regex_search(f.wideTexts[static_cast<size_t>(i)], re)) found = i;
        benchmark::DoNotOptimize(found);
    }
    if (found != n - 1) state.SkipWithError("the peer did not find the last item");
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
}

class Collector : public benchmark::ConsoleReporter {
public:
    // Real seconds per search: the median when repeated (--benchmark_repetitions), else the run's.
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred || r.iterations <= 0) continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type != Run::RT_Iteration && !median) continue;
            if (r.run_type == Run::RT_Iteration && medians_.count(r.run_name.str())) continue;
            if (median) medians_.insert(r.run_name.str());
            seconds[r.run_name.str()] =
                r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }

private:
    std::set<std::string> medians_;
};

} // namespace

int main(int argc, char** argv) {
    using benchmark::RegisterBenchmark;
    std::vector<benchmark::internal::Benchmark*> all;
    using tf::kFindPlain, tf::kFindWildcard, tf::kFindRegex;
    all.push_back(RegisterBenchmark("find/plain", BM_find_ours, kFindPlain, false, kPlain, false));
    all.push_back(
        RegisterBenchmark("find/plain_ignore_case", BM_find_ours, kFindPlain, true, kPlainFolded, false));
    all.push_back(RegisterBenchmark("find/wildcard", BM_find_ours, kFindWildcard, false, kWildcard, false));
    all.push_back(RegisterBenchmark("find/regex", BM_find_ours, kFindRegex, false, kRegex, false));
    all.push_back(RegisterBenchmark("find/plain_backward", BM_find_ours, kFindPlain, false, kPlain, true));
    all.push_back(RegisterBenchmark("peer/getText_find", BM_get_text_find_peer));
    all.push_back(RegisterBenchmark("peer/std_wregex", BM_wregex_peer));
    for (auto* b : all)
        b->UseRealTime()->Unit(benchmark::kMillisecond);

    Fixture& f = fixture();
    const int32_t n = f.store.itemCount();
    std::printf("tree: %d items, %lld buffer bytes; the only match is item %d\n", n,
                static_cast<long long>(f.store.bufferLength()), n - 1);

    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    auto get = [&](const std::string& k) {
        auto it = collector.seconds.find(k + "/real_time");
        return it == collector.seconds.end() ? 0.0 : it->second;
    };
    std::printf("\n%-36s %12s %14s %14s\n", "(real time)", "ms", "Mitems/s", "ms / 1M items");
    for (const char* name : {"find/plain", "find/plain_ignore_case", "find/wildcard", "find/regex",
                             "find/plain_backward", "peer/getText_find", "peer/std_wregex"}) {
        const double s = get(name);
        if (s > 0) std::printf("%-36s %12.2f %14.2f %14.2f\n", name, s * 1e3, n / s / 1e6, s * 1e3 * 1e6 / n);
    }
    auto ratio = [&](const char* label, const std::string& a, const std::string& b) {
        const double x = get(a), y = get(b);
        if (x > 0 && y > 0) std::printf("%-44s ratio %.3g (%.1fx faster)\n", label, x / y, y / x);
    };
    std::printf("\n(ratio = ours / peer, real time)\n");
    ratio("plain vs getText + u16string_view::find", "find/plain", "peer/getText_find");
    ratio("plain ignore-case vs getText + find", "find/plain_ignore_case", "peer/getText_find");
    ratio("regex vs std::wregex", "find/regex", "peer/std_wregex");
    ratio("wildcard vs std::wregex", "find/wildcard", "peer/std_wregex");
    const double plain = get("find/plain"), regex = get("find/regex");
    std::printf("targets per million items: plain %.1f ms (< 1000), regex %.1f ms (< 2000)\n",
                plain * 1e3 * 1e6 / n, regex * 1e3 * 1e6 / n);
    return 0;
}
