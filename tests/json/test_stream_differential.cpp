// The fast scanner against a plain byte-by-byte reference, over many generated documents, paths,
// encodings and chunk sizes; and the block classifiers against each other.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/json/test_stream_reference.h"
#include "tests/json/test_stream_support.h"
#include "json/document.h"
#include "json/node.h"
#include "json/stream_extract.h"
#include "json/stream_masks.h"

using namespace rg_Tolvar_JSON;
using namespace stream_test;

namespace {

using Rng = std::mt19937_64;

// Fewer documents under the sanitizers, which make every extraction several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kShare = 5;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr int kShare = 5;
#else
constexpr int kShare = 1;
#endif
#else
constexpr int kShare = 1;
#endif

int pick(Rng& rng, int n) {
    return static_cast<int>(rng() % static_cast<uint64_t>(n));
}

void space(Rng& rng, std::string& out) {
    static const char* const kSpaces[] = {"", "", "", " ", "  ", "\n", "\t", "\r\n  "};
    out += kSpaces[pick(rng, 8)];
}

void key(Rng& rng, std::string& out) {
    static const char* const kNames[] = {"a", "b", "k", "", "x y", "a.b"};
    const std::string name = kNames[pick(rng, 6)];
    switch (pick(rng, 5)) {
    case 0:
        out += "'" + name + "'";
        break;
    case 1:
        out += name.empty() ? "k" : name;
        break;
    case 2:
        out += " \"" + name + "\" ";
        break;
    default:
        out += "\"" + name + "\"";
        break;
    }
}

void scalar(Rng& rng, std::string& out) {
    switch (pick(rng, 9)) {
    case 0:
        out += std::to_string(pick(rng, 1000));
        break;
    case 1:
        out += "\"s\\\"q\\\\\"";
        break;
    case 2:
        out += "'it\"s'";
        break;
    case 3:
        out += "true";
        break;
    case 4:
        out +=
            "\"" +
            std::string(static_cast<size_t>(pick(rng, 3) == 0 ? 700 + pick(rng, 1500) : pick(rng, 8)), 'v') +
            "\"";
        break;
    case 5:
        out += "two words";
        break;
    case 6:
        out += "\"x]}[{y\"";
        break;
    case 7:
        out += "\\\"esc";
        break;
    default:
        out += "-1.5e3";
        break;
    }
}

// Mostly well-formed lenient JSON: objects, arrays, keys of every quoting, keyless members.
void value(Rng& rng, std::string& out, int depth) {
    const int r = pick(rng, 10);
    if (depth > 5 || (r < 4 && depth > 0)) {
        scalar(rng, out);
        return;
    }
    const bool object = r < 7;
    out += object ? '{' : '[';
    const int n = pick(rng, 5);
    for (int i = 0; i < n; ++i) {
        if (i) out += ',';
        space(rng, out);
        if (object ? pick(rng, 6) != 0 : pick(rng, 8) == 0) {
            key(rng, out);
            if (pick(rng, 12) != 0) out += ':';
            space(rng, out);
        }
        value(rng, out, depth + 1);
        space(rng, out);
    }
    out += object ? '}' : ']';
}

std::string document(Rng& rng) {
    std::string doc;
    if (pick(rng, 8) == 0) doc += "junk ";
    const int values = 1 + (pick(rng, 4) == 0 ? pick(rng, 3) : 0);
    for (int v = 0; v < values; ++v) {
        value(rng, doc, 0);
        space(rng, doc);
    }
    // Noise: structural bytes dropped in, bytes removed, the text cut short.
    static const char kNoise[] = "{}[]\"',:\\ x";
    const int edits = pick(rng, 3) == 0 ? 1 + pick(rng, 4) : 0;
    for (int e = 0; e < edits && !doc.empty(); ++e) {
        const size_t at = static_cast<size_t>(pick(rng, static_cast<int>(doc.size())));
        if (pick(rng, 2))
            doc.insert(doc.begin() + static_cast<long>(at), kNoise[pick(rng, sizeof kNoise - 1)]);
        else
            doc.erase(at, 1);
    }
    if (pick(rng, 10) == 0 && !doc.empty())
        doc.resize(static_cast<size_t>(pick(rng, static_cast<int>(doc.size()))));
    return doc;
}

std::string randomPath(Rng& rng) {
    static const char* const kSegments[] = {"a",   "b",   "k",   "x y",  "a#46#b", "[0]", "[1]", "[2]",
                                            "[3]", "->0", "->1", "a->1", "k->2",   "[0]", "[1]"};
    std::string path;
    const int n = 1 + (pick(rng, 3) == 0 ? pick(rng, 4) : pick(rng, 2));
    for (int i = 0; i < n; ++i) {
        const std::string seg = kSegments[pick(rng, 15)];
        if (i > 0 && (seg[0] != '[' || pick(rng, 2))) path += '.';
        path += seg;
    }
    return path;
}

std::string widen(const std::string& ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        if (bigEndian) out += '\0';
        out += c;
        if (!bigEndian) out += '\0';
    }
    return out;
}

} // namespace

TEST(stream, differential_against_reference) {
    Rng rng(20240611);
    int compared = 0, found = 0;
    for (int d = 0; d < 700 / kShare; ++d) {
        const std::string ascii = document(rng);
        std::vector<std::string> paths;
        for (int i = 0; i < 4; ++i)
            paths.push_back(randomPath(rng));
        for (int32_t enc = 0; enc < 4; ++enc) {
            std::string bytes = enc < 2 ? ascii : widen(ascii, enc == 3);
            if (enc >= 2 && pick(rng, 6) == 0 && !bytes.empty()) // misaligned UTF-16
                bytes.insert(bytes.begin() + pick(rng, static_cast<int>(bytes.size())), 'z');
            const MemFile file(bytes);
            for (const std::string& path : paths) {
                CompiledStreamPath compiled;
                compileStreamPath(u16(path), enc, compiled);
                const auto expected = stream_reference::extract(bytes, enc, compiled);
                for (int32_t chunk : {1, 2, 10240}) {
                    const Outcome o = extractFile(file.path(), enc, path, chunk);
                    SCOPED_TRACE("doc=" + ascii + "\npath=" + path + " enc=" + encodingName(enc) +
                                 " chunk=" + std::to_string(chunk));
                    ASSERT_TRUE(o.ok);
                    ASSERT_EQ(o.status == StreamStatus::Found, expected.has_value());
                    if (expected) {
                        ASSERT_EQ(o.raw, *expected);
                    }
                    ++compared;
                    found += expected.has_value();
                }
            }
        }
    }
    // The generator must reach real values often enough for the comparison to mean something.
    EXPECT_GT(found, compared / 20);
}

TEST(stream, differential_token_soup) {
    Rng rng(77);
    static const char* const kTokens[] = {"{",   "}",  "[",       "]",  ",",    ":",  "\"",
                                          "'",   "\\", " ",       "a",  "k",    "1",  "\"a\"",
                                          "'k'", "[0", "{\"a\":", "\n", "\"\"", "x y"};
    for (int d = 0; d < 1500 / kShare; ++d) {
        std::string doc;
        const int n = pick(rng, 40);
        for (int i = 0; i < n; ++i)
            doc += kTokens[pick(rng, 20)];
        const std::string path = randomPath(rng);
        // Encodings 4 and 5: the narrow bytes read as UTF-16LE and UTF-16BE (every unit misread).
        for (int32_t variant = 0; variant < 6; ++variant) {
            const int32_t enc = variant < 4 ? variant : variant - 2;
            const std::string bytes = enc < 2 || variant >= 4 ? doc : widen(doc, enc == 3);
            const MemFile file(bytes);
            CompiledStreamPath compiled;
            compileStreamPath(u16(path), enc, compiled);
            const auto expected = stream_reference::extract(bytes, enc, compiled);
            const Outcome o = extractFile(file.path(), enc, path, 1);
            SCOPED_TRACE("doc=" + doc + "\npath=" + path + " enc=" + encodingName(enc));
            ASSERT_TRUE(o.ok);
            ASSERT_EQ(o.status == StreamStatus::Found, expected.has_value());
            if (expected) {
                ASSERT_EQ(o.raw, *expected);
            }
        }
    }
}

TEST(stream, differential_long_token_soup) {
    // Long soups: many 64-byte blocks per document, so the block-at-once paths of the scan meet
    // every arrangement of quotes, backslash runs, brackets and delimiters, also across blocks.
    Rng rng(4242);
    static const char* const kTokens[] = {
        "{",    "}",        "[",      "]",          ",",
        ":",    "\"",       "'",      "\\",         "\\\\",
        " ",    "\"a\"",    "'k'",    "\"x\\\"y\"", "{\"a\":",
        "[1,",  "\"k\":[",  "\"\"",   "word",       "\"long string of some length\"",
        "],",   "},",       "\"q\"{", "}\"",        "\"q\"[",
        "]\" ", "\\\\\\\"", "'s'"};
    constexpr int kCount = sizeof kTokens / sizeof kTokens[0];
    for (int d = 0; d < 300 / kShare; ++d) {
        std::string doc = pick(rng, 2) ? "[" : "{";
        const int n = 50 + pick(rng, 500);
        // Mostly JSON-like pieces with a few stray bytes in some documents.
        const int stray = pick(rng, 3) == 0 ? 2 : 40;
        for (int i = 0; i < n; ++i)
            doc += kTokens[pick(rng, stray) == 0 ? pick(rng, 10) : 10 + pick(rng, kCount - 10)];
        for (int32_t enc : {1, 2}) {
            const std::string bytes = enc < 2 ? doc : widen(doc, false);
            const MemFile file(bytes);
            for (int t = 0; t < 3; ++t) {
                const std::string path = randomPath(rng);
                CompiledStreamPath compiled;
                compileStreamPath(u16(path), enc, compiled);
                const auto expected = stream_reference::extract(bytes, enc, compiled);
                for (int32_t chunk : {1, 4, 10240}) {
                    const Outcome o = extractFile(file.path(), enc, path, chunk);
                    SCOPED_TRACE("doc=" + doc + "\npath=" + path + " enc=" + encodingName(enc) +
                                 " chunk=" + std::to_string(chunk));
                    ASSERT_EQ(o.status == StreamStatus::Found, expected.has_value());
                    if (expected) {
                        ASSERT_EQ(o.raw, *expected);
                    }
                }
            }
        }
    }
}

TEST(stream, differential_patterns_at_every_block_offset) {
    // Tricky byte patterns slid across every offset of a 64-byte block (and of a 1 KiB chunk
    // boundary), inside a container that the scan skips.
    static const char* const kSnippets[] = {
        "\"\"", "\" \"", "\"{}\" ", "\"[]\"x",     "\\\"",      "\\\\\"", "\\\\\\\"",
        "'a'",  "\"'\"", "'\"'",    "\"a\":\"b\"", "\"a\"\\\"", "]\"",    "}\"{",
        "\"\\", "\\{",   "\\}\"",   ",\"\"\"",     ":'x\\'y'",
    };
    for (const char* snippet : kSnippets) {
        for (int pad = 0; pad < 140; pad += kShare == 1 ? 1 : 3) {
            for (int lead : {0, 960}) {
                const std::string doc = "{\"k\":[" + std::string(static_cast<size_t>(lead), ' ') + "\"" +
                                        std::string(static_cast<size_t>(pad), 'x') + "\"" + snippet +
                                        " ], \"m\":1}";
                for (int32_t enc : {1, 2}) {
                    const std::string bytes = enc < 2 ? doc : widen(doc, false);
                    const MemFile file(bytes);
                    for (const char* path : {"m", "k"}) {
                        CompiledStreamPath compiled;
                        compileStreamPath(u16(path), enc, compiled);
                        const auto expected = stream_reference::extract(bytes, enc, compiled);
                        const Outcome o = extractFile(file.path(), enc, path, 1);
                        SCOPED_TRACE("doc=" + doc + " path=" + path + " enc=" + encodingName(enc));
                        ASSERT_EQ(o.status == StreamStatus::Found, expected.has_value());
                        if (expected) {
                            ASSERT_EQ(o.raw, *expected);
                        }
                    }
                }
            }
        }
    }
}

TEST(stream, differential_long_documents_across_many_chunks) {
    // Large members and long blank runs, so that keys, values, blank checks and backslashes fall on
    // and across 1 KiB chunk boundaries at every offset.
    Rng rng(5);
    for (int d = 0; d < 60 / kShare; ++d) {
        std::string doc = "[";
        const int members = 20 + pick(rng, 60);
        for (int i = 0; i < members; ++i) {
            if (i) doc += ',';
            doc += std::string(static_cast<size_t>(pick(rng, 3) == 0 ? pick(rng, 1500) : pick(rng, 3)), ' ');
            switch (pick(rng, 5)) {
            case 0:
                doc += "{\"" + std::string(static_cast<size_t>(pick(rng, 1200)), 'k') + "\":1, \"a\":\"" +
                       std::string(static_cast<size_t>(pick(rng, 3000)), '\\') + "\"}";
                break;
            case 1:
                doc += "{\"a\":[" + std::to_string(i) + ", \"" +
                       std::string(static_cast<size_t>(pick(rng, 2000)), 'q') + "\"]}";
                break;
            case 2:
                doc += std::string(static_cast<size_t>(pick(rng, 2000)), '7');
                break;
            case 3:
                doc += "\"" + std::string(static_cast<size_t>(pick(rng, 900)), 's') + "\\\"\"";
                break;
            default:
                doc += "{\"" + std::string(static_cast<size_t>(pick(rng, 5)), ' ') + "a" +
                       std::string(static_cast<size_t>(pick(rng, 1500)), ' ') + "\":[" + std::to_string(i) +
                       "]}";
                break;
            }
        }
        doc += "]";
        for (int32_t enc = 1; enc < 4; ++enc) {
            const std::string bytes = enc < 2 ? doc : widen(doc, enc == 3);
            const MemFile file(bytes);
            for (int t = 0; t < 6; ++t) {
                const std::string path = "[" + std::to_string(pick(rng, members + 2)) + "]" +
                                         (pick(rng, 2) ? ".a" : "") + (pick(rng, 2) ? "[0]" : "");
                CompiledStreamPath compiled;
                compileStreamPath(u16(path), enc, compiled);
                const auto expected = stream_reference::extract(bytes, enc, compiled);
                // 4 KiB chunks are whole pages: they are mapped from the file, the others read.
                for (int32_t chunk : {1, 3, 4}) {
                    const Outcome o = extractFile(file.path(), enc, path, chunk);
                    SCOPED_TRACE("path=" + path + " enc=" + encodingName(enc) +
                                 " chunk=" + std::to_string(chunk));
                    ASSERT_EQ(o.status == StreamStatus::Found, expected.has_value());
                    if (expected) {
                        ASSERT_EQ(o.raw, *expected);
                    }
                }
            }
        }
    }
}

namespace {

// Well-formed documents in which keyed members sit only in objects and keyless ones only in
// arrays: there the stream scan and the tree lookup must name the same values.
void plainValue(Rng& rng, std::string& out, int depth) {
    const int r = pick(rng, 10);
    if (depth > 0 && (depth > 4 || r < 5)) {
        static const char* const kScalars[] = {"1",    " 22 ",       "\"s\"", "'q'",
                                               "true", "\"a\\\"b\"", "x y",   "\"\""};
        out += kScalars[pick(rng, 8)];
        return;
    }
    const bool object = r % 2 == 0;
    out += object ? '{' : '[';
    const int n = pick(rng, 5);
    for (int i = 0; i < n; ++i) {
        if (i) out += ',';
        space(rng, out);
        if (object) {
            static const char* const kKeys[] = {"\"a\"", "'a'", "a", "\"b\"", "b", "\"x y\"", "' k '"};
            out += kKeys[pick(rng, 7)];
            space(rng, out);
            out += ':';
        }
        plainValue(rng, out, depth + 1);
        space(rng, out);
    }
    out += object ? '}' : ']';
}

// A path to a random node of the tree, in the form the tree's own path generation uses.
std::string pathTo(Rng& rng, const rg_TolvarJSONJieDian& root) {
    std::string path;
    const rg_TolvarJSONJieDian* node = &root;
    while (node->childCount() > 0 && pick(rng, 4) != 0) {
        const int32_t i = pick(rng, node->childCount());
        const rg_TolvarJSONJieDian* child = node->child(i);
        if (node->nodeType() == Array) {
            path += "[" + std::to_string(i) + "]";
        } else {
            const CWString key = unquote(child->keyText());
            int occurrence = 0;
            for (int32_t j = 0; j < i; ++j)
                occurrence += unquote(node->child(j)->keyText()) == key;
            if (!path.empty()) path += '.';
            path += u8(key);
            if (occurrence) path += "->" + std::to_string(occurrence);
        }
        node = child;
    }
    if (!path.empty() && pick(rng, 6) == 0) path += ".b";
    return path;
}

} // namespace

TEST(stream, agrees_with_tree_lookup) {
    Rng rng(31);
    int found = 0;
    for (int d = 0; d < 400 / kShare; ++d) {
        std::string doc;
        plainValue(rng, doc, 0);
        rg_TolvarJSONLei tree;
        tree.parseText(u16(doc));
        for (int32_t enc = 1; enc < 4; ++enc) {
            const MemFile file(encodeAs(doc, enc));
            for (int t = 0; t < 4; ++t) {
                const std::string path = pathTo(rng, tree.root());
                if (path.empty()) continue;
                rg_TolvarJSONJieDian* holder = nullptr;
                CWString timing;
                const CWString want = tree.readAtPath(u16(path), holder, false, true, timing);
                const Outcome o = extractFile(file.path(), enc, path, 1);
                SCOPED_TRACE("doc=" + doc + "\npath=" + path + " enc=" + encodingName(enc));
                ASSERT_EQ(o.status == StreamStatus::Found, holder != nullptr);
                if (!holder) continue;
                ++found;
                if (holder->isContainer()) {
                    rg_TolvarJSONLei part;
                    part.parseText(u16(o.text));
                    EXPECT_EQ(u8(toJsonText(part.root(), true)), u8(want));
                } else {
                    EXPECT_EQ(u8(unquote(trimText(u16(o.text)))), u8(want));
                }
            }
        }
    }
    EXPECT_GT(found, 1000 / kShare);
}

TEST(stream, block_classifiers_agree) {
    Rng rng(9);
    const char kBytes[] = "{}[]\"',:\\ azZ\x00\x7B\x5B\xFB\xDB\x80\xFF\x3A\x2C\x5C\x22\x27\x7D\x5D\x1A\x0C";
    std::vector<uint8_t> block(64);
    for (int i = 0; i < 20000; ++i) {
        for (auto& b : block)
            b = pick(rng, 4) == 0 ? static_cast<uint8_t>(rng())
                                  : static_cast<uint8_t>(kBytes[pick(rng, sizeof kBytes - 1)]);
        detail::StreamBlockMasks s, e, a;
        detail::streamMasksScalar(block.data(), s);
        detail::streamMasksSse2(block.data(), e);
        ASSERT_EQ(s.backslash, e.backslash);
        ASSERT_EQ(s.dquote, e.dquote);
        ASSERT_EQ(s.squote, e.squote);
        ASSERT_EQ(s.open, e.open);
        ASSERT_EQ(s.close, e.close);
        ASSERT_EQ(s.delim, e.delim);
        if (detail::cpuHasAvx2()) {
            detail::streamMasksAvx2(block.data(), a);
            ASSERT_EQ(s.backslash, a.backslash);
            ASSERT_EQ(s.dquote, a.dquote);
            ASSERT_EQ(s.squote, a.squote);
            ASSERT_EQ(s.open, a.open);
            ASSERT_EQ(s.close, a.close);
            ASSERT_EQ(s.delim, a.delim);
        }
        bool any = false;
        const size_t n = static_cast<size_t>(pick(rng, 65));
        for (size_t k = 0; k < n; ++k)
            any |= block[k] > 0x20;
        ASSERT_EQ(detail::anyByteAbove20(block.data(), n), any);
    }
}
