// The skip kernels of every instruction-set level against each other and, through whole
// extractions with each level forced, against the byte-by-byte reference: patterns at every offset
// of a 64-byte block, strings and backslash runs across blocks, both quote kinds, UTF-16 alignment,
// very deep nesting and arrays of millions of elements on the path.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/json/test_stream_reference.h"
#include "tests/json/test_stream_support.h"
#include "json/stream_extract.h"
#include "json/stream_masks.h"
#include "json/stream_skip.h"

using namespace rg_Tolvar_JSON;
using namespace stream_test;

namespace {

using Rng = std::mt19937_64;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kShare = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kShare = 4;
#else
constexpr int kShare = 1;
#endif
#else
constexpr int kShare = 1;
#endif

int pick(Rng& rng, int n) {
    return static_cast<int>(rng() % static_cast<uint64_t>(n));
}

// The levels this CPU can run.
std::vector<int> levels() {
    std::vector<int> out{detail::kStreamSimdBase};
    if (detail::cpuHasAvx2()) out.push_back(detail::kStreamSimdAvx2);
    if (detail::cpuHasAvx512()) out.push_back(detail::kStreamSimdAvx512);
    return out;
}

// Caps the level for the scanners made while it lives.
class LevelLimit {
public:
    explicit LevelLimit(int level) { detail::setStreamSimdLimit(level); }
    ~LevelLimit() { detail::setStreamSimdLimit(detail::kStreamSimdAvx512); }
    LevelLimit(const LevelLimit&) = delete;
    LevelLimit& operator=(const LevelLimit&) = delete;
};

std::string widen(const std::string& ascii, bool bigEndian) {
    std::string out;
    out.reserve(ascii.size() * 2);
    for (char c : ascii) {
        if (bigEndian) out += '\0';
        out += c;
        if (!bigEndian) out += '\0';
    }
    return out;
}

// Extracts `path` from `bytes` at every level and compares with the reference.
void expectAllLevelsAgree(const std::string& bytes, int32_t enc, const std::string& path,
                          const std::string& what, std::vector<int32_t> chunks = {1, 10240}) {
    CompiledStreamPath compiled;
    compileStreamPath(u16(path), enc, compiled);
    const auto expected = stream_reference::extract(bytes, enc, compiled);
    const MemFile file(bytes);
    for (int level : levels()) {
        const LevelLimit limit(level);
        for (int32_t chunk : chunks) {
            const Outcome o = extractFile(file.path(), enc, path, chunk);
            SCOPED_TRACE(what + "\npath=" + path + " enc=" + encodingName(enc) +
                         " level=" + std::to_string(level) + " chunk=" + std::to_string(chunk));
            ASSERT_TRUE(o.ok);
            ASSERT_EQ(o.status == StreamStatus::Found, expected.has_value());
            if (expected) {
                ASSERT_EQ(o.raw, *expected);
            }
        }
    }
}

} // namespace

TEST(stream_dispatch, the_limit_selects_each_level) {
    for (int level : levels()) {
        const LevelLimit limit(level);
        EXPECT_EQ(detail::streamSimdLevel(), level);
    }
    EXPECT_LE(detail::streamSimdLevel(), detail::kStreamSimdAvx512);
}

TEST(stream_dispatch, classifiers_agree_at_every_level) {
    Rng rng(12);
    const char kBytes[] = "{}[]\"',:\\ az\x00\x7B\x5B\xFB\xDB\x80\xFF\x3A\x2C\x5C\x22\x27\x7D\x5D";
    std::vector<uint8_t> block(64);
    for (int i = 0; i < 5000; ++i) {
        for (auto& b : block)
            b = pick(rng, 4) == 0 ? static_cast<uint8_t>(rng())
                                  : static_cast<uint8_t>(kBytes[pick(rng, sizeof kBytes - 1)]);
        detail::StreamBlockMasks s, v;
        detail::streamMasksScalar(block.data(), s);
        for (int level : levels()) {
            const LevelLimit limit(level);
            detail::bestStreamMaskFunction()(block.data(), v);
            ASSERT_EQ(s.backslash, v.backslash);
            ASSERT_EQ(s.dquote, v.dquote);
            ASSERT_EQ(s.squote, v.squote);
            ASSERT_EQ(s.open, v.open);
            ASSERT_EQ(s.close, v.close);
            ASSERT_EQ(s.delim, v.delim);
        }
    }
}

TEST(stream_dispatch, skip_kernels_agree_on_token_soup) {
    // The kernels straight on random chunks, started in every state at several levels (with levels
    // opened after a quoted token below them), in both backslash widths: same end, same state.
    Rng rng(2025);
    const std::vector<std::string> kTokens = {"{",
                                              "}",
                                              "[",
                                              "]",
                                              ",",
                                              ":",
                                              "\"",
                                              "'",
                                              "\\",
                                              "\\\\",
                                              " ",
                                              "a",
                                              "\"a\"",
                                              "'k'",
                                              "\"x\\\"y\"",
                                              "{\"a\":",
                                              "[1,",
                                              "\"q\"{",
                                              "}\"",
                                              "\"q\"[",
                                              "]\" ",
                                              "\"long string with words\"",
                                              "\\\\\\\"",
                                              std::string("\\\0", 2),
                                              std::string("\"\0", 2),
                                              "0123456789",
                                              "],",
                                              "},"};
    const int kCount = static_cast<int>(kTokens.size());
    for (int d = 0; d < 4000 / kShare; ++d) {
        std::string doc;
        const int n = 5 + pick(rng, 200);
        for (int i = 0; i < n; ++i)
            doc += kTokens[static_cast<size_t>(pick(rng, kCount))];
        std::vector<uint8_t> data(doc.size() + 64 + 64, 0);
        const size_t start = static_cast<size_t>(pick(rng, 64));
        std::copy(doc.begin(), doc.end(), data.begin());
        const int64_t end = static_cast<int64_t>(doc.size());
        const uint8_t state = static_cast<uint8_t>(pick(rng, 4));
        const size_t level = 1 + static_cast<size_t>(pick(rng, 4));
        std::vector<size_t> closedBase;
        if (level > 1 && pick(rng, 2))
            closedBase.push_back(static_cast<size_t>(pick(rng, static_cast<int>(level))));
        if (!closedBase.empty() && closedBase[0] == 0) closedBase.clear();
        const int32_t skip = pick(rng, 2) ? 1 : 2;

        auto run = [&](detail::SkipChunkFunction f, std::vector<size_t>& closed, detail::SkipState& s,
                       int64_t& next) {
            closed = closedBase;
            s = detail::SkipState{};
            s.state = state;
            s.level = level;
            s.closedLevels = &closed;
            s.backslashSkip = skip;
            next = std::min<int64_t>(static_cast<int64_t>(start), end);
            return f(data.data(), next, end, s);
        };
        std::vector<size_t> closedA, closedB;
        detail::SkipState a, b;
        int64_t nextA = 0, nextB = 0;
        const int64_t ra = run(&detail::skipChunkSse2, closedA, a, nextA);
        for (detail::SkipChunkFunction f : {&detail::skipChunkAvx2, &detail::skipChunkAvx512}) {
            if (f == &detail::skipChunkAvx2 && !detail::cpuHasAvx2()) continue;
            if (f == &detail::skipChunkAvx512 && !detail::cpuHasAvx512()) continue;
            const int64_t rb = run(f, closedB, b, nextB);
            SCOPED_TRACE("doc=" + doc + " start=" + std::to_string(start) +
                         " state=" + std::to_string(state) + " level=" + std::to_string(level) +
                         " skip=" + std::to_string(skip));
            ASSERT_EQ(ra, rb);
            if (ra < 0) {
                ASSERT_EQ(nextA, nextB);
                ASSERT_EQ(a.state, b.state);
                ASSERT_EQ(a.level, b.level);
                ASSERT_EQ(closedA, closedB);
            }
        }
    }
}

TEST(stream_dispatch, patterns_at_every_block_offset) {
    // Each snippet is slid across all 64 offsets of a block (and across a 1 KiB chunk boundary),
    // inside a skipped container and inside the one on the path.
    static const char* const kSnippets[] = {
        "\\",
        "\\\\",
        "\\\\\\",
        "\\\\\\\\",
        "\\\"",
        "\\\\\"",
        "\\\\\\\"",
        "\"\"",
        "''",
        "'\"'",
        "\"'\"",
        "\"a\"{\"b\":1}",
        "\"a\"[1]",
        "}\"",
        "]'",
        "\"x\" \"y\"",
        "'it\\'s'",
        "{[}]",
        ":\"v\",",
        "\\{",
        "\\]",
        // After a bracket opened right behind a quoted token, its closing bracket returns to the
        // state where quote bytes are plain: the brackets inside the quotes below count.
        "\"a\"{}\"x]\"",
        "\"a\"[]'y}'",
        "'a'{\"b\":1}\"c,\"",
        "\"a\"[[\"b\"{}]]\"]\"",
    };
    for (const char* snippet : kSnippets) {
        for (int pad = 0; pad < 130; pad += kShare) {
            for (int lead : {0, 1000}) {
                const std::string doc = "{\"k\":[" + std::string(static_cast<size_t>(lead), ' ') + "\"" +
                                        std::string(static_cast<size_t>(pad), 'x') + "\"," + snippet +
                                        " ], \"m\":[7,{\"z\":2}]}";
                for (int32_t enc : {1, 2, 3}) {
                    const std::string bytes = enc < 2 ? doc : widen(doc, enc == 3);
                    for (const char* path : {"m", "m[1].z", "k[0]"})
                        expectAllLevelsAgree(bytes, enc, path, "doc=" + doc, {1});
                }
            }
        }
    }
}

TEST(stream_dispatch, strings_and_escapes_straddle_blocks) {
    Rng rng(808);
    for (int d = 0; d < 300 / kShare; ++d) {
        std::string doc = "{\"skip\":[";
        const int members = 1 + pick(rng, 30);
        for (int i = 0; i < members; ++i) {
            if (i) doc += ',';
            doc += std::string(static_cast<size_t>(pick(rng, 70)), ' ');
            const char q = pick(rng, 3) == 0 ? '\'' : '"';
            doc += q;
            doc += std::string(static_cast<size_t>(pick(rng, 130)), 's');
            doc += std::string(static_cast<size_t>(pick(rng, 6)), '\\');
            if (pick(rng, 2)) doc += q;
            doc += std::string(static_cast<size_t>(pick(rng, 66)), 't');
            doc += q;
            if (pick(rng, 4) == 0)
                doc += "{\"in\":[" + std::string(static_cast<size_t>(pick(rng, 5)), '\\') + "]}";
        }
        doc += "], \"want\": {\"v\": \"ok\"}}";
        for (int32_t enc : {1, 2, 3}) {
            std::string bytes = enc < 2 ? doc : widen(doc, enc == 3);
            if (enc >= 2 && pick(rng, 4) == 0)
                bytes.insert(bytes.begin() + pick(rng, static_cast<int>(bytes.size())), 'z');
            expectAllLevelsAgree(bytes, enc, pick(rng, 2) ? "want.v" : "skip[0]", "doc=" + doc);
        }
    }
}

TEST(stream_dispatch, very_deep_nesting) {
    // Deep enough that any recursion would overflow the stack; closing brackets sit at every
    // distance from the top of the nesting, and some levels open right after a quoted token.
    for (int variant = 0; variant < 3; ++variant) {
        const int depth = 200000 / kShare;
        std::string doc = "{\"deep\":";
        for (int i = 0; i < depth; ++i)
            doc += variant == 1 && i % 7 == 3 ? "\"q\"[" : (i % 2 ? "[" : "{\"a\":");
        doc += "\"bottom\"";
        for (int i = depth - 1; i >= 0; --i)
            doc += variant == 2 && i % 5 == 0 ? "]" : (variant == 1 && i % 7 == 3) || i % 2 ? "]" : "}";
        doc += ",\"after\":[1,2,3]}";
        for (int32_t enc : {1, 2})
            expectAllLevelsAgree(enc < 2 ? doc : widen(doc, false), enc, "after[2]",
                                 "deep variant " + std::to_string(variant), {10240});
    }
}

TEST(stream_dispatch, millions_of_elements_on_the_path) {
    std::string numbers = "{\"data\":{\"items\":[";
    const int n = 2000000 / kShare;
    for (int i = 0; i < n; ++i) {
        if (i) numbers += ',';
        numbers += std::to_string(i);
    }
    numbers += "]}}";
    expectAllLevelsAgree(numbers, 1, "data.items[" + std::to_string(n - 1) + "]", "numbers", {10240});
    expectAllLevelsAgree(numbers, 1, "data.items[" + std::to_string(n) + "]", "numbers past the end",
                         {10240});

    std::string records = "{\"data\":{\"items\":[";
    const int m = 1000000 / kShare;
    for (int i = 0; i < m; ++i) {
        if (i) records += i % 3 ? "," : " ,\n";
        records +=
            "{\"id\":" + std::to_string(i) + ",\"s\":\"a\\\"b'c\",\"t\":[" + std::to_string(i % 10) + "]}";
    }
    records += "]}}";
    expectAllLevelsAgree(records, 1, "data.items[" + std::to_string(m - 2) + "].t[0]", "records", {10240});
    expectAllLevelsAgree(widen(records, true), 3, "data.items[" + std::to_string(m - 1) + "].s",
                         "records UTF-16BE", {10240});
}
