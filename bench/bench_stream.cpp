// Stream extraction throughput on files of more than 1 GiB, with the wanted value at the end (the
// whole file is scanned) and near the start (found at once):
// - the corpus file, in UTF-8, UTF-16LE and UTF-16BE: the ASCII corpus documents repeated inside
//   one JSON object, path tail.wanted (the documents are skipped as one off-path container):
//     {"head":{"id":1,"name":"first"},"items":[DOC,DOC,...],"tail":{"wanted":[1,2,{"x":"found"}]}}
// - the items file, UTF-8: {"data":{"count":N,"items":[ITEM,...]}} with 3,000,001 records of about
//   360 bytes, path data.items[3000000] (the last one; every element on the path is counted).
// Peers in this binary, on the same files and in the same run: the same positioned reads without
// scanning (the I/O floor), and, when simdjson is found, simdjson On-Demand finding the same value
// in the file's bytes already loaded into memory (its load is not timed), with a fresh parser per
// run and with one parser kept across runs. cat, simdjson's whole process and jq run in
// bench/stream_peers.sh. Every figure is the median of the iterations; ratios compare medians.
//
// QUELIX_STREAM_SIMD_LEVEL caps the scanner's instruction set, QUELIX_STREAM_ITERATIONS sets the
// iterations (default 5), QUELIX_STREAM_MAP=0 reads every chunk instead of mapping it. The data files are
// generated once and kept under <build>/data/. Run with --generate-data to only make sure the files exist
// (the peers script does that).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "text/encoding.h"
#include "json/stream_extract.h"
#include "json/stream_masks.h"

#ifdef QUELIX_BENCH_SIMDJSON
#include "bench/stream_simdjson_scan.h"
#endif

namespace {

namespace fs = std::filesystem;

constexpr int64_t kTargetBytes = int64_t(1) << 30; // UTF-8 size at least this
const char* const kDocs[] = {"twitterescaped.json",
                             "canada.json",
                             "gsoc-2018.json",
                             "marine_ik.json",
                             "mesh.json",
                             "apache_builds.json",
                             "instruments.json",
                             "numbers.json",
                             "google_maps_api_response.json",
                             "tree-pretty.json",
                             "twitter_timeline.json"};
const char kHead[] = R"({"head":{"id":1,"name":"first"},"items":[)";
const char kTail[] = R"(],"tail":{"wanted":[1,2,{"x":"found"}]}})";
const char kWanted[] = R"([1,2,{"x":"found"}])";

constexpr int64_t kItemCount = 3000001;
const char kItemsPath[] = "data.items[3000000]";

enum FileKind { kUtf8, kUtf16LE, kUtf16BE, kItems };

fs::path dataDir() {
    return fs::path(QUELIX_BUILD_DIR) / "data";
}
fs::path fileFor(FileKind k) {
    static const char* const names[] = {"stream_utf8.json", "stream_utf16le.json", "stream_utf16be.json",
                                        "stream_items_utf8.json"};
    return dataDir() / names[k];
}

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string widen(const std::string& ascii, bool bigEndian) {
    std::string out(ascii.size() * 2, '\0');
    for (size_t i = 0; i < ascii.size(); ++i)
        out[2 * i + (bigEndian ? 1 : 0)] = ascii[i];
    return out;
}

// One record of the items file (about 360 bytes).
std::string item(int64_t i) {
    const std::string n = std::to_string(i);
    return "{\"id\":" + n + ",\"name\":\"item " + n + "\",\"active\":" + (i % 3 ? "true" : "false") +
           ",\"tags\":[\"alpha\",\"beta\",\"gamma\"],\"pos\":{\"x\":" + n + ".5,\"y\":-1.25,\"z\":[1,2,3]}," +
           "\"note\":\"a record of the generated items file, with an \\\"escaped\\\" quote, it's {not} "
           "[structure], " +
           "just text: lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor " +
           "incididunt ut labore et dolore magna aliqua\"}";
}

// Writes the file under a temporary name and renames it into place, so a half-written file is
// never taken for data.
bool generate(FileKind kind) {
    const fs::path target = fileFor(kind);
    if (fs::exists(target)) return true;
    fs::create_directories(dataDir());
    const fs::path tmp = target.string() + ".part";
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    auto put = [&](const std::string& s) { out.write(s.data(), static_cast<std::streamsize>(s.size())); };
    if (kind == kItems) {
        put("{\"data\":{\"count\":" + std::to_string(kItemCount) + ",\"items\":[");
        std::string batch;
        for (int64_t i = 0; i < kItemCount; ++i) {
            if (i) batch += ',';
            batch += item(i);
            if (batch.size() > (1 << 20)) {
                put(batch);
                batch.clear();
            }
        }
        put(batch + "]}}");
    } else {
        const bool utf16 = kind != kUtf8, be = kind == kUtf16BE;
        std::vector<std::string> docs;
        for (const char* name : kDocs) {
            std::string d = readAll(fs::path(QUELIX_CORPUS_DIR) / "bench" / name);
            if (d.empty()) {
                std::fprintf(stderr, "bench_stream: missing corpus file %s\n", name);
                return false;
            }
            docs.push_back(utf16 ? widen(d, be) : std::move(d));
        }
        auto text = [&](const char* ascii) { return utf16 ? widen(ascii, be) : std::string(ascii); };
        if (utf16) put(be ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2));
        put(text(kHead));
        const std::string comma = text(",");
        int64_t written = 0;
        const int64_t target8 = kTargetBytes * (utf16 ? 2 : 1);
        for (size_t i = 0; written < target8; ++i) {
            if (i) put(comma);
            const std::string& d = docs[i % docs.size()];
            put(d);
            written += static_cast<int64_t>(d.size());
        }
        put(text(kTail));
    }
    out.close();
    if (!out) return false;
    fs::rename(tmp, target);
    return true;
}

// Seconds of each iteration by label: wall time, and the process's CPU time (user + system) under
// "cpu " + label. On a shared machine the CPU time says what the work costs, the wall time what
// the other processes left of it.
std::map<std::string, std::vector<double>> gSeconds;

double cpuNow() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void record(const std::string& label, double seconds, double cpuSeconds) {
    gSeconds[label].push_back(seconds);
    gSeconds["cpu " + label].push_back(cpuSeconds);
}

double median(const std::string& label) {
    auto it = gSeconds.find(label);
    if (it == gSeconds.end() || it->second.empty()) return 0;
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double gbps(const std::string& label, FileKind k) {
    const double s = median(label);
    return s > 0 ? double(fs::file_size(fileFor(k))) / s / 1e9 : 0.0;
}

const char* encodingLabel(FileKind k) {
    switch (k) {
    case kUtf16LE:
        return "utf16le";
    case kUtf16BE:
        return "utf16be";
    case kItems:
        return "items";
    default:
        return "utf8";
    }
}

std::string expectedItem() {
    return item(kItemCount - 1);
}

void extractBench(benchmark::State& state, FileKind kind, const char* path, const std::string& label) {
    const fs::path file = fileFor(kind);
    const int64_t size = static_cast<int64_t>(fs::file_size(file));
    rg_Tolvar_JSON::StreamExtractor ex;
    if (const char* kib = std::getenv("QUELIX_STREAM_CHUNK_KIB")) ex.chunkSizeKiB = std::atoi(kib);
    if (const char* map = std::getenv("QUELIX_STREAM_MAP")) ex.mapChunks = std::atoi(map) != 0;
    const CWString name = rg_Tolvar_MingLingJi::pathToText(file);
    const CWString p = rg_Tolvar_MingLingJi::utf8ToUtf16(path);
    CWString out;
    const int32_t enc = kind == kUtf16LE   ? rg_Tolvar_JSON::kStreamUtf16LE
                        : kind == kUtf16BE ? rg_Tolvar_JSON::kStreamUtf16BE
                                           : rg_Tolvar_JSON::kStreamUtf8;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = cpuNow();
        ex.extractFromFile(name, enc, p, out);
        record(label, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
               cpuNow() - c0);
        benchmark::DoNotOptimize(out);
    }
    const std::string want = kind == kItems ? expectedItem() : std::string(kWanted);
    const bool atEnd = std::string(path) == "tail.wanted" || kind == kItems;
    if (atEnd && out != rg_Tolvar_MingLingJi::utf8ToUtf16(want)) state.SkipWithError("wrong value extracted");
    if (atEnd) state.SetBytesProcessed(state.iterations() * size);
}

// The I/O floor: the same positioned reads into one 10 MiB buffer, no scanning.
void readBench(benchmark::State& state, FileKind kind, const std::string& label) {
    const fs::path file = fileFor(kind);
    const int64_t size = static_cast<int64_t>(fs::file_size(file));
    std::vector<char> buf(10 << 20);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = cpuNow();
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        int64_t off = 0;
        for (ssize_t n; (n = ::pread(fd, buf.data(), buf.size(), off)) > 0;)
            off += n;
        ::close(fd);
        record(label, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
               cpuNow() - c0);
        benchmark::DoNotOptimize(off);
    }
    state.SetBytesProcessed(state.iterations() * size);
}

#ifdef QUELIX_BENCH_SIMDJSON
// simdjson On-Demand over the file's bytes in memory: only the scan is timed.
void simdjsonBench(benchmark::State& state, FileKind kind, const char* pointer, bool fresh,
                   const std::string& label) {
    stream_bench::SimdjsonScan scan;
    if (!scan.load(fileFor(kind).string())) {
        state.SkipWithError("simdjson could not load the file");
        return;
    }
    std::string out;
    for (auto _ : state) {
        const double c0 = cpuNow();
        const double s = scan.scan(pointer, fresh, out);
        const double c = cpuNow() - c0;
        if (s < 0) {
            state.SkipWithError("simdjson found no value");
            break;
        }
        record(label, s, c);
        state.SetIterationTime(s);
    }
    const std::string want = kind == kItems ? expectedItem() : std::string(kWanted);
    if (out != want) state.SkipWithError("simdjson extracted a different value");
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(scan.size()));
}
#endif

void registerAll() {
    const int iterations =
        std::getenv("QUELIX_STREAM_ITERATIONS") ? std::atoi(std::getenv("QUELIX_STREAM_ITERATIONS")) : 5;
    // Ours and the peers alternate file by file, so that load changes on the machine hit them alike.
    for (FileKind k : {kUtf8, kItems, kUtf16LE, kUtf16BE}) {
        const std::string enc = encodingLabel(k);
        const char* path = k == kItems ? kItemsPath : "tail.wanted";
        benchmark::RegisterBenchmark(("extract end " + enc).c_str(),
                                     [=](benchmark::State& s) { extractBench(s, k, path, "extract " + enc); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("read only " + enc).c_str(),
                                     [=](benchmark::State& s) { readBench(s, k, "read " + enc); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations)
            ->UseRealTime();
#ifdef QUELIX_BENCH_SIMDJSON
        if (k == kUtf8 || k == kItems) {
            const char* pointer = k == kItems ? "/data/items/3000000" : "/tail/wanted";
            benchmark::RegisterBenchmark(
                ("simdjson scan in memory, fresh parser " + enc).c_str(),
                [=](benchmark::State& s) { simdjsonBench(s, k, pointer, true, "simdjson fresh " + enc); })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(iterations)
                ->UseManualTime();
            benchmark::RegisterBenchmark(
                ("simdjson scan in memory, parser kept " + enc).c_str(),
                [=](benchmark::State& s) { simdjsonBench(s, k, pointer, false, "simdjson warm " + enc); })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(iterations + 1)
                ->UseManualTime();
        }
#endif
    }
    for (FileKind k : {kUtf8, kUtf16LE}) {
        const std::string enc = encodingLabel(k);
        benchmark::RegisterBenchmark(
            ("extract near start " + enc).c_str(),
            [=](benchmark::State& s) { extractBench(s, k, "head.id", "near start " + enc); })
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
    }
}

} // namespace

int main(int argc, char** argv) {
    for (FileKind k : {kUtf8, kUtf16LE, kUtf16BE, kItems})
        if (!generate(k)) return 1;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--generate-data") == 0) return 0;
    // QUELIX_STREAM_SIMD_LEVEL=0|1|2 caps the scanner's instruction set (SSE2, AVX2, AVX-512).
    if (const char* level = std::getenv("QUELIX_STREAM_SIMD_LEVEL"))
        rg_Tolvar_JSON::detail::setStreamSimdLimit(std::atoi(level));
    std::printf("stream scanner level %d (0 SSE2, 1 AVX2, 2 AVX-512)\n",
                rg_Tolvar_JSON::detail::streamSimdLevel());
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Medians of the iterations, and ratios on the same bytes in the same run.
    std::printf("\nmedians (GB/s of file bytes) and ratios, same run; wall time, then CPU time:\n");
    for (const char* clock : {"", "cpu "}) {
        for (FileKind k : {kUtf8, kItems, kUtf16LE, kUtf16BE}) {
            const std::string enc = encodingLabel(k), c = clock;
            const double ours = gbps(c + "extract " + enc, k), read = gbps(c + "read " + enc, k);
            if (ours <= 0) continue;
            std::printf("%-4s %-8s extraction %5.2f GB/s | positioned reads alone %5.2f, ours/reads %.2f",
                        clock[0] ? "cpu" : "wall", enc.c_str(), ours, read, read > 0 ? ours / read : 0.0);
            const double fresh = gbps(c + "simdjson fresh " + enc, k),
                         warm = gbps(c + "simdjson warm " + enc, k);
            if (fresh > 0 && warm > 0)
                std::printf(
                    " | simdjson scan in memory %5.2f fresh parser, %5.2f kept; ours/simdjson %.2f, %.2f",
                    fresh, warm, ours / fresh, ours / warm);
            std::printf("\n");
        }
    }
    for (const char* label : {"near start utf8", "near start utf16le"})
        if (gSeconds.count(label)) std::printf("stream %s: %.3f ms\n", label, median(label) * 1e3);
    return 0;
}
