// JSON engine benchmark: parseText (UTF-16 in memory -> linked tree) against RapidJSON's DOM parse
// of the same document as UTF-8, on the benchmark corpus and on a generated ~100 MB document;
// serialization (toJsonText, both layouts) and freeing against the parse; memory of the tree.
//
// Prints, after the Google Benchmark table, one line per file with the time ratio ours/RapidJSON
// and the geometric mean, then the memory and free-time figures of the large document.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <rapidjson/document.h>

#include "json_bench_util.h"
#include "json/document.h"

namespace {

using namespace rg_Tolvar_JSON;

struct Input {
    std::string name;
    std::string utf8;
    CWString utf16;
};

std::vector<Input>& inputs() {
    static std::vector<Input> v;
    return v;
}

// One document per input, parsed again and again as a tree slot re-parses its text: each parse
// releases the previous tree (inside the timing) and reuses its arena. The first, cold parse into a
// fresh document is reported apart (memoryReport).
void BM_ours_parse(benchmark::State& state, const Input* in) {
    static std::map<const Input*, std::unique_ptr<rg_TolvarJSONLei>> docs;
    auto& slot = docs[in];
    if (!slot) slot = std::make_unique<rg_TolvarJSONLei>();
    rg_TolvarJSONLei& doc = *slot;
    for (auto _ : state) {
        doc.parseText(in->utf16);
        benchmark::DoNotOptimize(doc.root().childCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in->utf8.size()));
}

// RapidJSON's usual use: a fresh Document per parse (its pool allocator only grows), destroyed
// outside the timing. Several top-level values (ndjson) are parsed one after another, each into
// its own Document, as the engine gathers them all under one root.
void BM_rapidjson_parse(benchmark::State& state, const Input* in) {
    std::vector<rapidjson::Document*> docs;
    for (auto _ : state) {
        rapidjson::StringStream ss(in->utf8.c_str());
        do {
            auto* doc = new rapidjson::Document;
            doc->ParseStream<rapidjson::kParseStopWhenDoneFlag>(ss);
            docs.push_back(doc);
            if (doc->HasParseError()) break;
            while (ss.Peek() == ' ' || ss.Peek() == '\n' || ss.Peek() == '\r' || ss.Peek() == '\t')
                ss.Take();
        } while (ss.Peek() != '\0');
        benchmark::DoNotOptimize(docs.back()->IsObject());
        state.PauseTiming();
        for (auto* d : docs)
            delete d;
        docs.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in->utf8.size()));
}

void BM_ours_free(benchmark::State& state, const Input* in) {
    for (auto _ : state) {
        state.PauseTiming();
        auto* doc = new rg_TolvarJSONLei;
        doc->parseText(in->utf16);
        state.ResumeTiming();
        delete doc;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in->utf8.size()));
}

// toJsonText of the root into one reused text (as a text pane keeps its buffer), and, for the
// large document, into a fresh text each time (the allocation's page faults included).
void BM_ours_write(benchmark::State& state, const Input* in, bool compact, bool fresh) {
    rg_TolvarJSONLei doc;
    doc.parseText(in->utf16);
    CWString out;
    for (auto _ : state) {
        if (fresh) {
            CWString text = toJsonText(doc.root(), compact);
            benchmark::DoNotOptimize(text.data());
        } else {
            toJsonText(doc.root(), compact, out);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in->utf8.size()));
}

// Keeps the real and the CPU time of every run (the mean when there are repetitions), by name.
class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> real, cpu;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "mean") continue;
            double m = benchmark::GetTimeUnitMultiplier(r.time_unit);
            real[r.run_name.function_name] = r.GetAdjustedRealTime() / m;
            cpu[r.run_name.function_name] = r.GetAdjustedCPUTime() / m;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

size_t heapInUse() {
    struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t total = 0, resident = 0;
    statm >> total >> resident;
    return resident * 4096;
}

double msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

// Memory and free time of one document, measured once outside Google Benchmark.
void memoryReport(const Input& in) {
    malloc_trim(0);
    size_t heapBefore = heapInUse(), rssBefore = residentBytes();
    auto t0 = std::chrono::steady_clock::now();
    auto* doc = new rg_TolvarJSONLei;
    doc->parseText(in.utf16);
    double parseMs = msSince(t0);
    size_t oursHeap = heapInUse() - heapBefore, oursRss = residentBytes() - rssBefore;
    size_t arena = doc->arenaBytes();
    auto t1 = std::chrono::steady_clock::now();
    delete doc;
    double freeMs = msSince(t1);
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // a large arena is freed on a thread

    malloc_trim(0);
    heapBefore = heapInUse();
    rssBefore = residentBytes();
    auto t3 = std::chrono::steady_clock::now();
    auto* rj = new rapidjson::Document;
    rj->Parse(in.utf8.data(), in.utf8.size());
    double rjParseMs = msSince(t3);
    const double theirs = double(heapInUse()) - double(heapBefore);
    const double theirsRss = double(residentBytes()) - double(rssBefore);
    auto t2 = std::chrono::steady_clock::now();
    delete rj;
    double rjFreeMs = msSince(t2);

    const double size = double(in.utf8.size());
    (void)oursHeap;
    std::printf("memory %-26s %7.1f MB UTF-8 | ours: arena %7.1f MB = %.2fx, RSS growth %7.1f MB = %.2fx"
                " | RapidJSON: heap %7.1f MB = %.2fx, RSS growth %7.1f MB = %.2fx\n",
                in.name.c_str(), size / 1e6, arena / 1e6, arena / size, oursRss / 1e6, oursRss / size,
                theirs / 1e6, theirs / size, theirsRss / 1e6, theirsRss / size);
    std::printf("cold   %-26s first parse into a fresh document %8.2f ms, free %7.2f ms = %.3f of it"
                " | RapidJSON: parse %8.2f ms, free %7.2f ms\n",
                in.name.c_str(), parseMs, freeMs, freeMs / parseMs, rjParseMs, rjFreeMs);
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const char* files[] = {"twitter.json",     "citm_catalog.json",       "canada.json",
                           "gsoc-2018.json",   "marine_ik.json",          "mesh.json",
                           "numbers.json",     "update-center.json",      "twitterescaped.json",
                           "random.json",      "github_events.json",      "apache_builds.json",
                           "instruments.json", "amazon_cellphones.ndjson"};
    for (const char* f : files) {
        Input in;
        in.name = f;
        in.utf8 = json_bench::readFile(fs::path(QUELIX_CORPUS_DIR) / "bench" / f);
        if (in.utf8.empty()) continue;
        in.utf16 = json_bench::utf8To16(in.utf8);
        inputs().push_back(std::move(in));
    }
    {
        Input big;
        big.name = "generated-100MB";
        big.utf8 =
            json_bench::generatedDocument(std::filesystem::path(QUELIX_CORPUS_DIR) / "bench", 100u << 20);
        big.utf16 = json_bench::utf8To16(big.utf8);
        inputs().push_back(std::move(big));
    }

    for (const Input& in : inputs()) {
        bool large = in.utf8.size() > (50u << 20);
        auto* a = benchmark::RegisterBenchmark(("parse_ours/" + in.name).c_str(), BM_ours_parse, &in);
        auto* b =
            benchmark::RegisterBenchmark(("parse_rapidjson/" + in.name).c_str(), BM_rapidjson_parse, &in);
        auto* c = benchmark::RegisterBenchmark(("write_indented/" + in.name).c_str(), BM_ours_write, &in,
                                               false, false);
        auto* d = benchmark::RegisterBenchmark(("write_compact/" + in.name).c_str(), BM_ours_write, &in, true,
                                               false);
        if (large) {
            for (bool compact : {false, true}) {
                benchmark::RegisterBenchmark(
                    ((compact ? "write_compact_fresh/" : "write_indented_fresh/") + in.name).c_str(),
                    BM_ours_write, &in, compact, true)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime()
                    ->Iterations(3);
            }
        }
        auto* e = benchmark::RegisterBenchmark(("free_ours/" + in.name).c_str(), BM_ours_free, &in);
        for (auto* bm : {a, b, c, d}) {
            bm->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(large ? 1.0 : 0.1);
            if (large) bm->MinTime(4.0);
        }
        // Each iteration parses (untimed) before the timed free: a fixed count keeps it short.
        e->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(large ? 3 : 30);
    }

    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    std::printf("\n%-26s %9s %9s %7s | %9s %9s %7s | %8s %9s %7s\n", "file", "ours ms", "rapid ms", "ratio",
                "ours cpu", "rapid cpu", "ratio", "indent x", "compact x", "free x");
    double logSum = 0, logSumCpu = 0;
    int n = 0;
    double worst = 0, worstCpu = 0;
    for (const Input& in : inputs()) {
        auto get = [&](const std::map<std::string, double>& m, const std::string& k) {
            auto it = m.find(k + "/" + in.name);
            return it == m.end() ? 0.0 : it->second;
        };
        double ours = get(collector.real, "parse_ours"), theirs = get(collector.real, "parse_rapidjson");
        double oursCpu = get(collector.cpu, "parse_ours"), theirsCpu = get(collector.cpu, "parse_rapidjson");
        if (ours <= 0 || theirs <= 0) continue;
        double ratio = ours / theirs, ratioCpu = oursCpu / theirsCpu;
        logSum += std::log(ratio);
        logSumCpu += std::log(ratioCpu);
        ++n;
        worst = std::max(worst, ratio);
        worstCpu = std::max(worstCpu, ratioCpu);
        std::printf("%-26s %9.3f %9.3f %7.3f | %9.3f %9.3f %7.3f | %8.3f %9.3f %7.3f\n", in.name.c_str(),
                    ours * 1e3, theirs * 1e3, ratio, oursCpu * 1e3, theirsCpu * 1e3, ratioCpu,
                    get(collector.real, "write_indented") / ours, get(collector.real, "write_compact") / ours,
                    get(collector.real, "free_ours") / ours);
    }
    if (n) {
        std::printf("geometric mean of ours/RapidJSON, real time: %.3f (worst %.3f); CPU time: %.3f (worst "
                    "%.3f); %d files\n",
                    std::exp(logSum / n), worst, std::exp(logSumCpu / n), worstCpu, n);
    }
    std::printf("(indent x, compact x: toJsonText into a reused text / parse time; free x: time to free the "
                "document / parse time)\n");
    for (const Input& in : inputs()) {
        auto it = collector.real.find("write_indented_fresh/" + in.name);
        auto jt = collector.real.find("write_compact_fresh/" + in.name);
        auto pt = collector.real.find("parse_ours/" + in.name);
        if (it == collector.real.end() || jt == collector.real.end() || pt == collector.real.end()) continue;
        std::printf(
            "%s: toJsonText into a fresh text: indented %.1f ms (%.2fx the parse), compact %.1f ms (%.2fx)\n",
            in.name.c_str(), it->second * 1e3, it->second / pt->second, jt->second * 1e3,
            jt->second / pt->second);
    }
    std::printf("\n");
    for (const Input& in : inputs())
        if (in.utf8.size() > (1u << 20)) memoryReport(in);
    benchmark::Shutdown();
    return 0;
}
