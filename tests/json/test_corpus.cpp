// Corpus runs: the conformance suite and the benchmark documents go through
// parse -> serialize -> reparse and come back as the same tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "json_test_util.h"
#include "json/document.h"

using namespace rg_Tolvar_JSON;
namespace fs = std::filesystem;

namespace {

int maxDepth(const rg_TolvarJSONJieDian& root) {
    int best = 0;
    std::vector<std::pair<const rg_TolvarJSONJieDian*, int>> stack{{&root, 0}};
    while (!stack.empty()) {
        auto [n, d] = stack.back();
        stack.pop_back();
        best = std::max(best, d);
        for (int32_t i = 0; i < n->childCount(); ++i)
            stack.push_back({n->child(i), d + 1});
    }
    return best;
}

// Texts whose tree holds a token the serializer cannot write back unambiguously: in
// {"a" "b"} the second quote character closes "a" again, so the member's value is `"a" "` with
// an odd number of quotes, and written out it opens a string that swallows what follows.
const char* const kNotWritableBack[] = {"n_object_missing_semicolon.json"};

// Parses `text`, writes it in both layouts and reparses each; the trees must match, and the
// output must match the reference serializer where the tree is shallow enough for it.
void roundTrip(const CWString& text, const std::string& name) {
    rg_TolvarJSONLei first;
    first.parseText(text);
    if (!first.root().isContainer()) {
        // No bracket at all: a Bare root with no children, written as its (empty) value.
        EXPECT_EQ(first.root().childCount(), 0) << name;
        EXPECT_EQ(toJsonText(first.root(), true), u"") << name;
        return;
    }
    for (bool compact : {true, false}) {
        CWString out = toJsonText(first.root(), compact);
        rg_TolvarJSONLei second;
        second.parseText(out);
        std::string where;
        EXPECT_TRUE(json_test::sameTree(first.root(), second.root(), &where))
            << name << (compact ? " (compact)" : " (indented)") << ": " << where;
        if (text.size() < 200000 && maxDepth(first.root()) < 500) {
            EXPECT_EQ(out, json_test::referenceJson(first.root(), compact)) << name;
        }
        // The output is a fixed point: writing the reparsed tree gives the same text.
        EXPECT_EQ(toJsonText(second.root(), compact), out) << name;
    }
}

TEST(corpus, conformance_suite_round_trips) {
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(json_test::corpus("jsontestsuite"))) {
        std::string name = e.path().filename().string();
        if (name.size() < 2 || name[1] != '_') continue;
        std::string bytes = json_test::readFile(e.path());
        if (std::find(std::begin(kNotWritableBack), std::end(kNotWritableBack), name) !=
            std::end(kNotWritableBack)) {
            rg_TolvarJSONLei doc;
            doc.parseText(json_test::W(bytes));
            EXPECT_EQ(toJsonText(doc.root(), true), u"{\"a\":\"a\" \", :\"a\" \"b\"}");
        } else {
            roundTrip(json_test::W(bytes), name);
        }
        // UTF-16 files read as raw code units must not trouble the parser either.
        CWString units;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8));
        rg_TolvarJSONLei doc;
        doc.parseText(units);
        toJsonText(doc.root(), false);
        ++files;
    }
    EXPECT_GT(files, 300u);
}

TEST(corpus, benchmark_documents_round_trip) {
    size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(json_test::corpus("bench"))) {
        if (!e.is_regular_file()) continue;
        std::string ext = e.path().extension().string();
        if (ext != ".json" && ext != ".ndjson") continue;
        roundTrip(json_test::W(json_test::readFile(e.path())), e.path().filename().string());
        ++files;
    }
    EXPECT_GT(files, 20u);
}

TEST(corpus, twitter_shape) {
    rg_TolvarJSONLei doc;
    doc.parseText(json_test::W(json_test::readFile(json_test::corpus("bench/twitter.json"))));
    ASSERT_EQ(doc.root().nodeType(), Object);
    rg_TolvarJSONJieDian* holder = nullptr;
    CWString timing;
    CWString count = doc.readAtPath(u"search_metadata.count", holder, false, true, timing);
    EXPECT_EQ(count, u"100");
    CWString statuses = doc.readAtPath(u"statuses", holder, false, true, timing);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->childCount(), 100);
    EXPECT_EQ(doc.readAtPath(u"statuses[0].user.screen_name", holder, false, true, timing), u"ayuu0123");
}

} // namespace
