// Stream extraction throughput on a file of more than 1 GiB, in UTF-8 and UTF-16LE, with the
// wanted value at the end (the whole file is scanned) and near the start (found at once). The peer
// in this binary reads the same file in the same chunks without scanning (the I/O floor); cat,
// simdjson On-Demand and jq run in bench/stream_peers.sh on the same files.
//
// The data files are generated once and kept under <build>/data/: the ASCII corpus documents
// repeated inside one JSON object:
//   {"head":{"id":1,"name":"first"},"items":[DOC,DOC,...],"tail":{"wanted":[1,2,{"x":"found"}]}}
// Run with --generate-data to only make sure the files exist (the peers script does that).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "json/stream_extract.h"
#include "text/encoding.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kTargetBytes = int64_t(1) << 30; // UTF-8 size at least this
const char* const kDocs[] = {"twitterescaped.json", "canada.json",       "gsoc-2018.json",
                             "marine_ik.json",      "mesh.json",         "apache_builds.json",
                             "instruments.json",    "numbers.json",      "google_maps_api_response.json",
                             "tree-pretty.json",    "twitter_timeline.json"};
const char kHead[] = R"({"head":{"id":1,"name":"first"},"items":[)";
const char kTail[] = R"(],"tail":{"wanted":[1,2,{"x":"found"}]}})";
const char kWanted[] = R"([1,2,{"x":"found"}])";

fs::path dataDir() { return fs::path(QUELIX_BUILD_DIR) / "data"; }
fs::path fileFor(bool utf16) { return dataDir() / (utf16 ? "stream_utf16le.json" : "stream_utf8.json"); }

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string widen(const std::string& ascii) {
    std::string out(ascii.size() * 2, '\0');
    for (size_t i = 0; i < ascii.size(); ++i) out[2 * i] = ascii[i];
    return out;
}

// Writes the file under a temporary name and renames it into place, so a half-written file is
// never taken for data.
bool generate(bool utf16) {
    const fs::path target = fileFor(utf16);
    if (fs::exists(target)) return true;
    fs::create_directories(dataDir());
    std::vector<std::string> docs;
    for (const char* name : kDocs) {
        std::string d = readAll(fs::path(QUELIX_CORPUS_DIR) / "bench" / name);
        if (d.empty()) {
            std::fprintf(stderr, "bench_stream: missing corpus file %s\n", name);
            return false;
        }
        docs.push_back(utf16 ? widen(d) : std::move(d));
    }
    const fs::path tmp = target.string() + ".part";
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    auto put = [&](const std::string& s) { out.write(s.data(), static_cast<std::streamsize>(s.size())); };
    const std::string comma = utf16 ? widen(",") : ",";
    if (utf16) {
        put(std::string("\xFF\xFE", 2));
        put(widen(kHead));
    } else {
        put(kHead);
    }
    int64_t written = 0;
    const int64_t target8 = kTargetBytes * (utf16 ? 2 : 1);
    for (size_t i = 0; written < target8; ++i) {
        if (i) put(comma);
        const std::string& d = docs[i % docs.size()];
        put(d);
        written += static_cast<int64_t>(d.size());
    }
    put(utf16 ? widen(kTail) : std::string(kTail));
    out.close();
    if (!out) return false;
    fs::rename(tmp, target);
    return true;
}

std::map<std::string, double> gSeconds; // best seconds per iteration, by benchmark label

void record(const std::string& label, double seconds) {
    auto it = gSeconds.find(label);
    if (it == gSeconds.end() || seconds < it->second) gSeconds[label] = seconds;
}

void extractBench(benchmark::State& state, bool utf16, const char* path, const char* label) {
    const fs::path file = fileFor(utf16);
    const int64_t size = static_cast<int64_t>(fs::file_size(file));
    rg_Tolvar_JSON::StreamExtractor ex;
    if (const char* kib = std::getenv("QUELIX_STREAM_CHUNK_KIB")) ex.chunkSizeKiB = std::atoi(kib);
    const CWString name = rg_Tolvar_MingLingJi::pathToText(file);
    const CWString p = rg_Tolvar_MingLingJi::utf8ToUtf16(path);
    CWString out;
    const int32_t enc = utf16 ? rg_Tolvar_JSON::kStreamUtf16LE : rg_Tolvar_JSON::kStreamUtf8;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        ex.extractFromFile(name, enc, p, out);
        record(label, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        benchmark::DoNotOptimize(out);
    }
    if (std::string(path) == "tail.wanted" && out != rg_Tolvar_MingLingJi::utf8ToUtf16(kWanted))
        state.SkipWithError("wrong value extracted");
    if (std::string(path) == "tail.wanted") state.SetBytesProcessed(state.iterations() * size);
}

// The I/O floor: the same positioned reads into one 10 MiB buffer, no scanning.
void readBench(benchmark::State& state, bool utf16, const char* label) {
    const fs::path file = fileFor(utf16);
    const int64_t size = static_cast<int64_t>(fs::file_size(file));
    std::vector<char> buf(10 << 20);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        int64_t off = 0;
        for (ssize_t n; (n = ::pread(fd, buf.data(), buf.size(), off)) > 0;) off += n;
        ::close(fd);
        record(label, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        benchmark::DoNotOptimize(off);
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_ExtractEnd_Utf8(benchmark::State& s) { extractBench(s, false, "tail.wanted", "extract utf8"); }
void BM_ExtractEnd_Utf16LE(benchmark::State& s) { extractBench(s, true, "tail.wanted", "extract utf16le"); }
void BM_ExtractNearStart_Utf8(benchmark::State& s) { extractBench(s, false, "head.id", "near start utf8"); }
void BM_ExtractNearStart_Utf16LE(benchmark::State& s) { extractBench(s, true, "head.id", "near start utf16le"); }
void BM_PeerReadOnly_Utf8(benchmark::State& s) { readBench(s, false, "read only utf8"); }
void BM_PeerReadOnly_Utf16LE(benchmark::State& s) { readBench(s, true, "read only utf16le"); }

BENCHMARK(BM_ExtractEnd_Utf8)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PeerReadOnly_Utf8)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ExtractEnd_Utf16LE)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PeerReadOnly_Utf16LE)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ExtractNearStart_Utf8)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ExtractNearStart_Utf16LE)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (!generate(false) || !generate(true)) return 1;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--generate-data") == 0) return 0;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Ratios ours / peer on the same bytes (best iteration of each).
    auto gbps = [](const char* label, bool utf16) {
        const double s = gSeconds.count(label) ? gSeconds[label] : 0;
        return s > 0 ? double(fs::file_size(fileFor(utf16))) / s / 1e9 : 0.0;
    };
    for (bool utf16 : {false, true}) {
        const char* ours = utf16 ? "extract utf16le" : "extract utf8";
        const char* peer = utf16 ? "read only utf16le" : "read only utf8";
        if (gSeconds.count(ours) && gSeconds.count(peer))
            std::printf("stream %-8s extraction %.2f GB/s, positioned reads alone %.2f GB/s, ratio ours/peer %.2f\n",
                        utf16 ? "UTF-16LE" : "UTF-8", gbps(ours, utf16), gbps(peer, utf16),
                        gbps(ours, utf16) / gbps(peer, utf16));
    }
    for (const char* label : {"near start utf8", "near start utf16le"})
        if (gSeconds.count(label)) std::printf("stream %s: %.3f ms\n", label, gSeconds[label] * 1e3);
    return 0;
}
