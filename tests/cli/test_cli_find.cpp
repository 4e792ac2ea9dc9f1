// quelix-cli find: the item the window's find selects, from a given item, in either direction.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

fs::path writeFile(const std::string& name, const std::string& bytes) {
    const fs::path dir = fs::temp_directory_path() / ("quelix_cli_find_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

std::string q(const fs::path& p) {
    return "'" + p.string() + "'";
}

// Items: 0 Tolvar·JSON, 1 a, 2 b, 3 [0]:"xx", 4 [1]:"x\\u4E2Dy", 5 k:"v<TAB>w", 6 n:"xx", 7 -d:1
const char kDoc[] = "{\"a\":{\"b\":[\"xx\",\"x\\\\u4E2Dy\"]},\"k\":\"v\tw\",\"n\":\"xx\",\"-d\":1}";

TEST(cli_find, found_item_lines) {
    const fs::path file = writeFile("doc.json", kDoc);
    struct Case {
        std::string options;
        std::string pattern;
        std::string expected;
    };
    const Case cases[] = {
        {"", "xx", "3\ta.b[0]\t[0]:\"xx\"\n"},
        {"--from 3 ", "xx", "6\tn\tn:\"xx\"\n"},         // the next match
        {"--from=6 ", "xx", "3\ta.b[0]\t[0]:\"xx\"\n"},  // wraps to the first from the top
        {"--from 6 ", "n:", "6\tn\tn:\"xx\"\n"},         // the only match is the start item
        {"--from 99 ", "xx", "3\ta.b[0]\t[0]:\"xx\"\n"}, // out of range: no selection
        {"--backward ", "xx", "6\tn\tn:\"xx\"\n"},       // from the end
        {"--backward --from 6 ", "xx", "3\ta.b[0]\t[0]:\"xx\"\n"},
        {"--backward --from 3 ", "xx", "6\tn\tn:\"xx\"\n"},       // wraps to the last
        {"--backward --from 0 ", "Tolvar", "0\t\tTolvar·JSON\n"}, // last .. 1, then 0 itself
        {"--backward --from 0 ", "a", "1\ta\ta\n"},
        {"", "v\tw", "5\tk\tk:\"v\\tw\"\n"}, // a tab, escaped on output
        {"", "v\\tw", ""},                   // backslash t is not a tab
        {"--ignore-case ", "TOLVAR", "0\t\tTolvar·JSON\n"},
        {"", "TOLVAR", ""},
        {"--wildcard ", "x*y", "4\ta.b[1]\t[1]:\"x\\\\\\\\u4E2Dy\"\n"},
        {"--regex ", "^n:.x+\"$", "6\tn\tn:\"xx\"\n"},
        {"--regex --from 1 ", "(", "2\ta.b\tb\n"}, // no compile: any non-empty text
        {"", "中", ""},
        {"--ucs2-retry ", "中", "4\ta.b[1]\t[1]:\"x\\\\\\\\u4E2Dy\"\n"},
        {"--ucs2-retry --wildcard ", "中", ""}, // the retry repeats the pattern
        {"--ucs2-retry --regex ", "中", ""},
        {"", "-d", "7\t-d\t-d:1\n"}, // a pattern starting with '-'
        {"--from 2 -- ", "-", "7\t-d\t-d:1\n"},
    };
    for (const Case& c : cases) {
        const cli_test::Result r = cli_test::runCli("find " + c.options + q(file) + " '" + c.pattern + "'");
        const std::string what = c.options + c.pattern;
        EXPECT_EQ(r.exitCode, c.expected.empty() ? 1 : 0) << what << r.err;
        EXPECT_EQ(r.out, c.expected) << what;
        EXPECT_EQ(r.err, "") << what;
    }
}

TEST(cli_find, standard_input_and_empty_tree) {
    const fs::path file = writeFile("stdin.json", "[1,\"two\"]");
    cli_test::Result r = cli_test::runCli("find --from 2 - two", file);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "2\t[1]\t[1]:\"two\"\n");
    // An empty file still has the top item; an empty pattern matches it.
    const fs::path empty = writeFile("empty.json", "");
    r = cli_test::runCli("find " + q(empty) + " ''");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "0\t\tTolvar·JSON\n");
}

TEST(cli_find, usage_and_failures) {
    const fs::path file = writeFile("ok.json", "{}");
    struct Case {
        std::string args;
        int exitCode;
    };
    const Case cases[] = {
        {"find", 2},
        {"find " + q(file), 2},
        {"find " + q(file) + " a b", 2},
        {"find --wildcard --regex " + q(file) + " a", 2},
        {"find --from " + q(file) + " a", 2},
        {"find --from x " + q(file) + " a", 2},
        {"find --from 1x " + q(file) + " a", 2},
        {"find --backward=1 " + q(file) + " a", 2},
        {"find --bogus " + q(file) + " a", 2},
        {"find -x " + q(file) + " a", 2},
        {"find '/nonexistent/quelix/none.json' a", 2},
        {"find --help", 0},
        {"find -h", 0},
    };
    for (const Case& c : cases) {
        const cli_test::Result r = cli_test::runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args;
        if (c.exitCode == 0) {
            EXPECT_NE(r.out.find("usage: quelix-cli find"), std::string::npos);
        } else {
            EXPECT_EQ(r.out, "") << c.args;
            EXPECT_NE(r.err.find("quelix-cli find"), std::string::npos) << c.args;
        }
    }
}

} // namespace
