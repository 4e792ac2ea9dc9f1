// Text utilities: containsMatch over a million short texts, detection and conversion of a 100 MB
// UTF-8 buffer, and UTF-8 -> UTF-16 decoding beside ICU. Peers run on the same bytes in the same
// binary; the ratios (ours / peer, by throughput) are printed after the table.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "text/encoding.h"
#include "text/regex.h"

using namespace rg_Tolvar_MingLingJi;

namespace {

// ---- data (built once, outside the timed loops) -----------------------------------------------

const std::vector<CWString>& shortTexts() {
    static const std::vector<CWString> texts = [] {
        std::mt19937 rng(42);
        const char16_t* words[] = {u"user",         u"name",   u"id",         u"order",       u"\u8BA2\u5355",
                                   u"\u7528\u6237", u"status", u"2024-05-01", u"price",       u"true",
                                   u"null",         u"Tolvar", u"item_",      u"\u540D\u79F0"};
        std::vector<CWString> out;
        out.reserve(1000000);
        for (int i = 0; i < 1000000; ++i) {
            CWString t;
            int n = 1 + int(rng() % 4);
            for (int k = 0; k < n; ++k) {
                t += words[rng() % std::size(words)];
                if (rng() % 3 == 0) t += std::u16string(1, char16_t(u'0' + rng() % 10));
            }
            out.push_back(std::move(t));
        }
        return out;
    }();
    return texts;
}

const std::vector<std::wstring>& shortTextsWide() {
    static const std::vector<std::wstring> texts = [] {
        std::vector<std::wstring> out;
        for (const CWString& t : shortTexts())
            out.emplace_back(t.begin(), t.end());
        return out;
    }();
    return texts;
}

// ~100 MB of UTF-8 JSON-like text: mostly ASCII with Chinese values mixed in.
const std::string& bigUtf8() {
    static const std::string data = [] {
        std::string s;
        s.reserve(100u << 20);
        std::mt19937 rng(7);
        const char* values[] = {"\"\xE8\xAE\xA2\xE5\x8D\x95\xE7\xBC\x96\xE5\x8F\xB7\"",
                                "12345",
                                "true",
                                "\"Tolvar Quelix\"",
                                "\"\xE4\xB8\xAD\xE6\x96\x87\"",
                                "null",
                                "3.14159"};
        while (s.size() < (100u << 20)) {
            s += "{\"key";
            s += std::to_string(rng() % 1000);
            s += "\": ";
            s += values[rng() % std::size(values)];
            s += "},\r\n";
        }
        return s;
    }();
    return data;
}

// ~20 MB of Chinese-heavy UTF-8 text.
const std::string& cjkUtf8() {
    static const std::string data = [] {
        std::string s;
        const std::string unit =
            "\xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95, \"\xE5\x90\x8D\xE7\xA7\xB0\": 1\n";
        while (s.size() < (20u << 20))
            s += unit;
        return s;
    }();
    return data;
}

// ---- containsMatch ----------------------------------------------------------------------------

void runContains(benchmark::State& state, const CWString& pattern) {
    const auto& texts = shortTexts();
    rg_TolvarZhengZeBiaoDaShiLei re;
    if (!re.compilePattern(pattern, true)) state.SkipWithError("pattern does not compile");
    size_t hits = 0;
    for (auto _ : state) {
        for (const CWString& t : texts)
            hits += re.containsMatch(t) ? 1 : 0;
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(texts.size()));
    state.counters["hits"] = double(hits) / double(state.iterations());
}

void BM_contains_plain(benchmark::State& state) {
    runContains(state, u"order");
}
void BM_contains_wildcard(benchmark::State& state) {
    runContains(state, rg_TolvarZhengZeBiaoDaShiLei::wildcardToRegex(u"user*id?"));
}
void BM_contains_regex(benchmark::State& state) {
    runContains(state, u"^(?:item_|user)\\d[a-z]*$");
}

void BM_contains_regex_peer_std_wregex(benchmark::State& state) {
    const auto& texts = shortTextsWide();
    std::wregex re(L"^(?:item_|user)\\d[a-z]*$",
                   std::regex::ECMAScript | std::regex::icase | std::regex::multiline);
    size_t hits = 0;
    for (auto _ : state) {
        for (const std::wstring& t : texts)
            hits += std::regex_search(t, re) ? 1 : 0;
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(texts.size()));
    state.counters["hits"] = double(hits) / double(state.iterations());
}

// ---- detection and conversion of 100 MB --------------------------------------------------------

void BM_detect_100MB(benchmark::State& state) {
    const std::string& data = bigUtf8();
    for (auto _ : state) {
        DetectedEncoding d = detectTextEncoding(data);
        benchmark::DoNotOptimize(d);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void BM_decodeTextBytes_100MB(benchmark::State& state) {
    const std::string& data = bigUtf8();
    for (auto _ : state) {
        CWString name;
        CKorMem out = decodeTextBytes(data, {}, name);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void BM_convertCharset_utf8_to_utf16_100MB(benchmark::State& state) {
    const std::string& data = bigUtf8();
    for (auto _ : state) {
        CKorMem out = convertCharsetNames(data, u"UTF-8", u"UTF-16");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void BM_convertCharset_peer_icu_ucnv_100MB(benchmark::State& state) {
    const std::string& data = bigUtf8();
    UErrorCode err = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("UTF-8", &err);
    for (auto _ : state) {
        // Same work as ours: a fresh result buffer each time.
        std::unique_ptr<UChar[]> out(new UChar[data.size() + 1]);
        err = U_ZERO_ERROR;
        int32_t n =
            ucnv_toUChars(cnv, out.get(), int32_t(data.size() + 1), data.data(), int32_t(data.size()), &err);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(out.get());
    }
    ucnv_close(cnv);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void BM_convertCharset_utf16_to_utf8_100MB(benchmark::State& state) {
    static const CKorMem units = convertCharsetNames(bigUtf8(), u"UTF-8", u"UTF-16");
    for (auto _ : state) {
        CKorMem out = convertCharsetNames(bytesOf(units), u"UTF-16", u"UTF-8");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(units.size()));
}

void BM_convertCharset_utf8_to_gbk_100MB(benchmark::State& state) {
    const std::string& data = bigUtf8();
    for (auto _ : state) {
        CKorMem out = convertCharsetNames(data, u"UTF-8", u"gbk");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

// ---- UTF-8 -> UTF-16 decode beside ICU --------------------------------------------------------

template <const std::string& (*Data)()> void BM_utf8_decode(benchmark::State& state) {
    const std::string& data = Data();
    for (auto _ : state) {
        CWString out = utf8ToUtf16(data);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

template <const std::string& (*Data)()> void BM_utf8_decode_peer_icu(benchmark::State& state) {
    const std::string& data = Data();
    for (auto _ : state) {
        // Same work as ours: allocate the result, convert, trim.
        CWString out(data.size(), u'\0');
        int32_t n = 0;
        UErrorCode err = U_ZERO_ERROR;
        u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), &n, data.data(),
                      int32_t(data.size()), &err);
        out.resize(size_t(n));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

const std::string& asciiHeavy() {
    return bigUtf8();
}
const std::string& cjkHeavy() {
    return cjkUtf8();
}

} // namespace

BENCHMARK(BM_contains_plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_contains_wildcard)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_contains_regex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_contains_regex_peer_std_wregex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_detect_100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decodeTextBytes_100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_convertCharset_utf8_to_utf16_100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_convertCharset_peer_icu_ucnv_100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_convertCharset_utf16_to_utf8_100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_convertCharset_utf8_to_gbk_100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_utf8_decode<asciiHeavy>)->Name("BM_utf8_decode_ascii_heavy")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_utf8_decode_peer_icu<asciiHeavy>)
    ->Name("BM_utf8_decode_ascii_heavy_peer_icu")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_utf8_decode<cjkHeavy>)->Name("BM_utf8_decode_cjk_heavy")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_utf8_decode_peer_icu<cjkHeavy>)
    ->Name("BM_utf8_decode_cjk_heavy_peer_icu")
    ->Unit(benchmark::kMillisecond);

namespace {

// Prints the table as usual and remembers each benchmark's throughput for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration && r.aggregate_name != "mean") continue;
            auto rate = r.counters.find("bytes_per_second");
            if (rate == r.counters.end()) rate = r.counters.find("items_per_second");
            if (rate != r.counters.end()) rates_[r.run_name.function_name] = rate->second.value;
        }
    }
    void printRatios() const {
        const std::pair<const char*, const char*> pairs[] = {
            {"BM_contains_regex", "BM_contains_regex_peer_std_wregex"},
            {"BM_convertCharset_utf8_to_utf16_100MB", "BM_convertCharset_peer_icu_ucnv_100MB"},
            {"BM_utf8_decode_ascii_heavy", "BM_utf8_decode_ascii_heavy_peer_icu"},
            {"BM_utf8_decode_cjk_heavy", "BM_utf8_decode_cjk_heavy_peer_icu"},
        };
        std::printf("\nratio ours/peer (throughput, higher is better for ours):\n");
        for (const auto& [ours, peer] : pairs) {
            auto a = rates_.find(ours), b = rates_.find(peer);
            if (a == rates_.end() || b == rates_.end() || b->second == 0) continue;
            std::printf("  %-40s / %-40s = %.2f\n", ours, peer, a->second / b->second);
        }
    }

private:
    std::map<std::string, double> rates_;
};

} // namespace

int main(int argc, char** argv) {
    setenv("LC_ALL", "zh_CN.UTF-8", 1); // ANSI = code page 936
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
