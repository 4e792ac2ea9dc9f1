// Every prefix of a few texts parses, with the prefix placed at the very end of its allocation so
// that the sanitizers catch any read past the end of the text.
#include <gtest/gtest.h>

#include <memory>

#include "json_test_util.h"
#include "json/document.h"

using namespace rg_Tolvar_JSON;

namespace {

void parseEveryPrefix(const CWString& text, size_t stride = 1) {
    rg_TolvarJSONLei doc;
    for (size_t k = 0; k <= text.size(); k += stride) {
        std::unique_ptr<char16_t[]> exact(new char16_t[k == 0 ? 1 : k]);
        std::copy_n(text.data(), k, exact.get());
        doc.parseText(CWStringView(exact.get(), k));
        if (k % 16 == 0 || text.size() < 1000) toJsonText(doc.root(), true);
        rg_Korrin_JiBen::rg_WenBenShuZuLei segs;
        splitPath(CWStringView(exact.get(), k < 12 ? k : 12), segs);
        walkPath(doc.root(), segs, 0);
    }
}

TEST(truncation, corpus_prefixes) {
    const char* files[] = {
        "bench/twitter_api_compact_response.json",
        "bench/small/adversarial.json",
        "bench/small/flatadversarial.json",
        "bench/small/demo.json",
        "bench/small/truenull.json",
    };
    for (const char* f : files) {
        std::string bytes = json_test::readFile(json_test::corpus(f));
        ASSERT_FALSE(bytes.empty()) << f;
        parseEveryPrefix(json_test::W(bytes));
    }
}

TEST(truncation, larger_file_sampled_prefixes) {
    std::string bytes = json_test::readFile(json_test::corpus("bench/twitter_timeline.json"));
    ASSERT_FALSE(bytes.empty());
    parseEveryPrefix(json_test::W(bytes), 97);
}

TEST(truncation, lenient_texts) {
    const char* texts[] = {
        "{name:'Tom', \"tags\":[1, two, \"3\"], \"a\":1, \"a\":2, \"x\"}",
        "[1, \\[2], 3] {\"a\":\\\"b} \"[\" {\"a\":1}",
        "{\"a\":\"b\"c\"} {\"a\" \"b\"} [\"\"\"\"] ]]}}{[{'x':\"y'z\"}]}",
        "{\"s\":\"x\\\"y\", \"t\":'it\"s', \"u\":\"\\\\\", v:\\\\}",
        "[[[[{\"a\":[[[{}]]]}]]]] \\",
    };
    for (const char* t : texts)
        parseEveryPrefix(json_test::W(t));
}

} // namespace
