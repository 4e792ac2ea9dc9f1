// quelix-cli tree: the item list of a file, with paths in the three modes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

fs::path writeFile(const std::string& name, const std::string& bytes) {
    const fs::path dir = fs::temp_directory_path() / ("quelix_cli_tree_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

std::string q(const fs::path& p) {
    return "'" + p.string() + "'";
}

TEST(cli_tree, items_and_paths_in_three_modes) {
    const fs::path file = writeFile("doc.json", R"({"a":{"b":[1,2]},"k":1,"k":'x',"a.b":[{"c":null}]})");
    struct Case {
        const char* mode;
        std::string expected;
    };
    const Case cases[] = {
        {"", "\t0\t0\tTolvar·JSON\n"
             "a\t1\t0\ta\n"
             "a.b\t2\t1\tb\n"
             "a.b[0]\t3\t2\t[0]:1\n"
             "a.b[1]\t3\t2\t[1]:2\n"
             "k\t1\t2\tk:1\n"
             "k->1\t1\t2\tk:'x'\n"
             "a#46#b\t1\t1\ta.b\n"
             "a#46#b[0]\t2\t0\t[0]\n"
             "a#46#b[0].c\t3\t2\tc:null\n"},
        {"--mode 1 ", "\t0\t0\tTolvar·JSON\n"
                      "a\t1\t0\ta\n"
                      "a.b\t2\t1\tb\n"
                      "a.b.[0]\t3\t2\t[0]:1\n"
                      "a.b.[1]\t3\t2\t[1]:2\n"
                      "k\t1\t2\tk:1\n"
                      "k->1\t1\t2\tk:'x'\n"
                      "a#46#b\t1\t1\ta.b\n"
                      "a#46#b.[0]\t2\t0\t[0]\n"
                      "a#46#b.[0].c\t3\t2\tc:null\n"},
        {"--mode=2 ", "\t0\t0\tTolvar·JSON\n"
                      "a\t1\t0\ta\n"
                      "//a.b\t2\t1\tb\n"
                      "//a.b.[0]\t3\t2\t[0]:1\n"
                      "//a.b.[1]\t3\t2\t[1]:2\n"
                      "k\t1\t2\tk:1\n"
                      "k->1\t1\t2\tk:'x'\n"
                      "a#46#b\t1\t1\ta.b\n"
                      "//a#46#b.[0]\t2\t0\t[0]\n"
                      "//a#46#b.[0].c\t3\t2\tc:null\n"},
    };
    for (const Case& c : cases) {
        const cli_test::Result r = cli_test::runCli(std::string("tree ") + c.mode + q(file));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.expected) << c.mode;
        EXPECT_EQ(r.err, "");
    }
}

TEST(cli_tree, roots_and_encodings) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"array.json", "[true,[]]", "\t0\t1\tTolvar·JSON\n[0]\t1\t2\t[0]:true\n[1]\t1\t1\t[1]\n"},
        {"empty.json", "", "\t0\t0\tTolvar·JSON\n"},
        {"keyless.json", R"({"x", "y":1})", "\t0\t0\tTolvar·JSON\n->0\t1\t2\t:\"x\"\ny\t1\t2\ty:1\n"},
        // UTF-16LE with a byte-order mark: {"é":1}
        {"utf16.json",
         std::string("\xFF\xFE{\0\"\0\xE9\0\"\0:\0"
                     "1\0}\0",
                     16),
         "\t0\t0\tTolvar·JSON\né\t1\t2\té:1\n"},
        {"tab.json", "{\"t\":\"a\tb\"}", "\t0\t0\tTolvar·JSON\nt\t1\t2\tt:\"a\\tb\"\n"},
        // A backslash is doubled, so the escaped backslash-t differs from the tab above.
        {"backslash.json", R"({"t":"a\tb","k\\":1})",
         "\t0\t0\tTolvar·JSON\nt\t1\t2\tt:\"a\\\\tb\"\nk\\\\\\\\\t1\t2\tk\\\\\\\\:1\n"},
    };
    for (const Case& c : cases) {
        const cli_test::Result r = cli_test::runCli("tree " + q(writeFile(c.name, c.bytes)));
        EXPECT_EQ(r.exitCode, 0) << c.name << r.err;
        EXPECT_EQ(r.out, c.expected) << c.name;
    }
}

// The PATH column in other tools' syntax; a node none can name gets an empty field.
TEST(cli_tree, tool_formats) {
    const fs::path file = writeFile("tools.json", R"({"a":{"b c":[1]},"k":1,"k":2,"x", "~/":0})");
    const std::string items[] = {"\t0\t0\tTolvar·JSON\n", "\t1\t0\ta\n",   "\t2\t1\tb c\n",
                                 "\t3\t2\t[0]:1\n",       "\t1\t2\tk:1\n", "\t1\t2\tk:2\n",
                                 "\t1\t2\t:\"x\"\n",      "\t1\t2\t~/:0\n"};
    struct Case {
        const char* format;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"jq", {".", ".a", ".a.\"b c\"", ".a.\"b c\"[0]", "", "", "", ".\"~/\""}},
        {"jsonpath", {"$", "$.a", "$.a['b c']", "$.a['b c'][0]", "", "", "", "$['~/']"}},
        {"pointer", {"", "/a", "/a/b c", "/a/b c/0", "", "", "", "/~0~1"}},
        {"js", {"data", "data.a", "data.a[\"b c\"]", "data.a[\"b c\"][0]", "", "", "", "data[\"~/\"]"}},
        {"python",
         {"data", "data[\"a\"]", "data[\"a\"][\"b c\"]", "data[\"a\"][\"b c\"][0]", "", "", "",
          "data[\"~/\"]"}},
    };
    for (const Case& c : cases) {
        std::string expected;
        for (size_t i = 0; i < c.paths.size(); ++i)
            expected += c.paths[i] + items[i];
        const cli_test::Result r = cli_test::runCli(std::string("tree --format ") + c.format + " " + q(file));
        EXPECT_EQ(r.exitCode, 0) << c.format << r.err;
        EXPECT_EQ(r.out, expected) << c.format;
    }
    // Several top-level values: no syntax names anything, not even the root.
    const cli_test::Result r = cli_test::runCli("tree --format jq " + q(writeFile("two.json", "[1] [2]")));
    EXPECT_EQ(r.out, "\t0\t1\tTolvar·JSON\n\t1\t2\t[0]:1\n\t1\t2\t[1]:2\n");
    for (const char* bad : {"--format xml", "--format jq --mode 1", "--format"}) {
        const cli_test::Result e = cli_test::runCli(std::string("tree ") + bad + " " + q(file));
        EXPECT_EQ(e.exitCode, 2) << bad;
        EXPECT_EQ(e.out, "") << bad;
    }
}

TEST(cli_tree, standard_input) {
    const fs::path file = writeFile("stdin.json", "{\"a\":[1]}");
    const cli_test::Result r = cli_test::runCli("tree --mode 1 -", file);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "\t0\t0\tTolvar·JSON\na\t1\t1\ta\na.[0]\t2\t2\t[0]:1\n");
}

TEST(cli_tree, usage_and_failures) {
    const fs::path file = writeFile("ok.json", "{}");
    struct Case {
        std::string args;
        int exitCode;
    };
    const Case cases[] = {
        {"tree", 2},
        {"tree --mode 3 " + q(file), 2},
        {"tree --mode " + q(file), 2},
        {"tree --bogus " + q(file), 2},
        {"tree " + q(file) + " " + q(file), 2},
        {"tree '/nonexistent/quelix/none.json'", 2},
        {"tree --help", 0},
        {"tree -h", 0},
    };
    for (const Case& c : cases) {
        const cli_test::Result r = cli_test::runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args;
        if (c.exitCode == 0) {
            EXPECT_NE(r.out.find("usage: quelix-cli tree"), std::string::npos);
        } else {
            EXPECT_EQ(r.out, "") << c.args;
            EXPECT_NE(r.err.find("quelix-cli tree"), std::string::npos) << c.args;
        }
    }
}

} // namespace

TEST(cli_main, version) {
    const cli_test::Result r = cli_test::runCli("--version");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "quelix-cli " QUELIX_VERSION_TEXT "\n");
}
