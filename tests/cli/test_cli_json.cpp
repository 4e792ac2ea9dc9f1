// quelix-cli format / get: output bytes, exit codes, options.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli_run.h"

namespace {

using cli_test::runCli;

class CliJson : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("quelix_cli_json_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string file(const std::string& name, const std::string& bytes) {
        auto p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return "'" + p.string() + "'";
    }

    std::filesystem::path dir_;
};

TEST_F(CliJson, format_indented_and_compact) {
    std::string f = file("a.json", "{\"a\":1,\"b\":[true,{\"c\":'x'}],\"d\":{}}");
    auto r = runCli("format " + f);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(
        r.out,
        "{\r\n  \"a\":1,\r\n  \"b\":\r\n  [\r\n    true,\r\n    {\r\n      \"c\":'x'\r\n    }\r\n  ],\r\n"
        "  \"d\":\r\n  {\r\n\r\n  }\r\n}");
    r = runCli("format --compact " + f);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\"a\":1, \"b\":[true, {\"c\":'x'}], \"d\":{}}");
}

TEST_F(CliJson, format_keeps_text_as_written) {
    std::string f = file("l.json", "{name:'Tom', \"键\":\"值\\u0041\", \"x\"}  [2]");
    auto r = runCli("format --compact " + f);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "['Tom', \"值\\u0041\", \"x\", 2]"); // the last top-level value makes the root an array
}

TEST_F(CliJson, format_standard_input_and_encodings) {
    std::string f = file("in.json", "[1,2]");
    auto r = runCli("format --compact -", dir_ / "in.json");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "[1, 2]");
    // UTF-16LE with a byte-order mark.
    std::string u16("\xFF\xFE", 2);
    for (char c : std::string("{\"k\":\"v\"}")) {
        u16 += c;
        u16 += '\0';
    }
    std::string g = file("u16.json", u16);
    r = runCli("format --compact " + g);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\"k\":\"v\"}");
}

TEST_F(CliJson, format_ucs2_decode_applies_before_parsing) {
    std::string f = file("e.json", "{\"k\":\"\\u4F60\\u597D\"}");
    auto r = runCli("format --compact --ucs2-decode " + f);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\"k\":\"你好\"}");
}

TEST_F(CliJson, get_values_containers_and_keys) {
    std::string f =
        file("g.json", "{\"a\":{\"k\":1,\"k\":\"two\",\"k\":[3]}, \"b.c\":'x', \"list\":[10,20]}");
    struct Row {
        std::string args;
        int code;
        std::string out;
    } rows[] = {
        {"a.k", 0, "1"},
        {"a.k->1", 0, "two"},
        {"a.k->2", 0, "[\r\n  3\r\n]"},
        {"--compact a.k->2", 0, "[3]"},
        {"b#46#c", 0, "x"},
        {"list[1]", 0, "20"},
        {"//list.[0]", 0, "10"},
        {"--key a.k->1", 0, "k"},
        {"--key list[1]", 0, "[1]"},
        {"--compact ''", 0, "{\"a\":{\"k\":1, \"k\":\"two\", \"k\":[3]}, \"b.c\":'x', \"list\":[10, 20]}"},
        {"--key ''", 0, ""},
        {"a.k->3", 1, ""},
        {"nope", 1, ""},
        {"list[2]", 1, ""},
        {"'b.c'", 1, ""},
    };
    for (const Row& row : rows) {
        // Options stand before the positionals: split "--opt path" into the two places.
        std::string opts, path = row.args;
        while (path.rfind("--", 0) == 0) {
            size_t sp = path.find(' ');
            opts += path.substr(0, sp) + " ";
            path = path.substr(sp + 1);
        }
        if (path.front() != '\'') path = "'" + path + "'";
        auto r = runCli("get " + opts + f + " " + path);
        EXPECT_EQ(r.exitCode, row.code) << row.args << " " << r.err;
        EXPECT_EQ(r.out, row.out) << row.args;
        if (row.code == 1) {
            EXPECT_EQ(r.err, "找不到节点，请检查路径\n") << row.args;
        }
    }
}

TEST_F(CliJson, get_ucs2_decode_applies_to_the_output) {
    std::string f = file("u.json", "{\"k\":\"\\u4F60\\\"\"}");
    auto r = runCli("get --ucs2-decode " + f + " k");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "你\"");
    r = runCli("get " + f + " k");
    EXPECT_EQ(r.out, "\\u4F60\\\"");
}

TEST_F(CliJson, get_path_after_double_dash_and_paths_like_options) {
    std::string f = file("d.json", "{\"x\", \"y\":1}");
    auto r = runCli("get " + f + " '->0'");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "x");
    r = runCli("get -- " + f + " y");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "1");
}

TEST_F(CliJson, usage_errors_and_unreadable_files) {
    std::string f = file("ok.json", "[1]");
    struct Row {
        std::string args;
        int code;
    } rows[] = {
        {"format", 2},
        {"format " + f + " " + f, 2},
        {"format --bogus " + f, 2},
        {"format '" + (dir_ / "missing.json").string() + "'", 2},
        {"get " + f, 2},
        {"get " + f + " a b", 2},
        {"get --compact=1 " + f + " a", 2},
        {"get '" + (dir_ / "missing.json").string() + "' a", 2},
        {"format '" + dir_.string() + "'", 2},
    };
    for (const Row& row : rows) {
        auto r = runCli(row.args);
        EXPECT_EQ(r.exitCode, row.code) << row.args;
        EXPECT_TRUE(r.out.empty()) << row.args;
        EXPECT_FALSE(r.err.empty()) << row.args;
    }
}

TEST_F(CliJson, help) {
    auto r = runCli("format --help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("usage: quelix-cli format"), std::string::npos);
    r = runCli("get --help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("usage: quelix-cli get"), std::string::npos);
}

TEST_F(CliJson, empty_and_bracketless_files) {
    std::string e = file("empty.json", "");
    auto r = runCli("format " + e);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\r\n\r\n}");
    std::string b = file("bare.txt", "just words");
    r = runCli("format " + b);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
}

} // namespace
