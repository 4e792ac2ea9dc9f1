// quelix-cli escape / unescape.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli_run.h"

namespace fs = std::filesystem;

namespace {

class cli_codec : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quelix_cli_codec_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        setenv("LC_ALL", "zh_CN.UTF-8", 1); // the child's ANSI code page is 936
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path input(const std::string& bytes) {
        fs::path p = dir_ / ("in" + std::to_string(count_++));
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    fs::path dir_;
    int count_ = 0;
};

} // namespace

TEST_F(cli_codec, escape_modes) {
    const struct {
        const char* args;
        std::string in;
        std::string out;
    } cases[] = {
        {"escape", "\xE4\xB8\xAD\xE6\x96\x87\r\n", "\\u4E2D\\u6587\\r\\n"},
        {"escape --mode ucs2", "{\"a\":[1]}\n", "\\{\\\"a\\\":\\[1\\]\\}\\n"},
        {"escape --mode hex", "\xE4\xB8\xAD<&>\n", "&#x4E2D;<&>&#x000A;"},
        {"escape --mode=dec", "\xE4\xB8\xAD\r\n", "&#20013;&#13;&#10;"},
        {"escape", "", ""},
        {"escape", "\xEF\xBB\xBF\xF0\x9F\x98\x80 \xE4\xB8\xAD", "\\uD83D\\uDE00 \\u4E2D"}, // marked UTF-8
        {"escape", std::string("\xFF\xFE\x2D\x4E\x0A\x00", 6), "\\u4E2D\\n"}, // UTF-16 with a mark
        {"escape", std::string("\xD6\xD0", 2), "\\u4E2D"},                    // ANSI (code page 936)
        {"escape -- ", "a", "a"},
    };
    for (const auto& c : cases) {
        auto direct = cli_test::runCli(c.args, input(c.in));
        EXPECT_EQ(direct.exitCode, 0) << c.args << ": " << direct.err;
        EXPECT_EQ(direct.out, c.out) << c.args;
    }
}

TEST_F(cli_codec, unescape_modes) {
    const struct {
        const char* args;
        std::string in;
        std::string out;
    } cases[] = {
        {"unescape", "\\u4e2d%u6587\\r\\n\n", "\xE4\xB8\xAD\xE6\x96\x87\r\n\n"},
        {"unescape --mode ucs2", "\\\\u0041 \\x \\u12", "\\u0041 x \\u12"},
        {"unescape --mode html", "&#x4e2d;&#20013;&amp;lt;&nbsp;&foo\n",
         "\xE4\xB8\xAD\xE4\xB8\xAD&lt; &foo\n"},
        {"unescape --mode html", "&foo", "&foo;"},
        {"unescape --mode html", "&#65", "A"},
        {"unescape", "ab\\u0000cd", "ab"},
        {"unescape", "\\uD83D\\uDE00", "\xF0\x9F\x98\x80"},
        {"unescape", "\\uD83D!", "!"}, // an unpaired surrogate has no UTF-8 form
        {"unescape", "", ""},
    };
    for (const auto& c : cases) {
        auto r = cli_test::runCli(c.args, input(c.in));
        EXPECT_EQ(r.exitCode, 0) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args << " on " << c.in;
    }
}

TEST_F(cli_codec, round_trip_through_both_commands) {
    std::string text = "{\"\xE5\x90\x8D\":\"Tolvar \xC2\xB7 Quelix\"}\r\n\ttab/slash\\back\r\n";
    auto escaped = cli_test::runCli("escape", input(text));
    ASSERT_EQ(escaped.exitCode, 0);
    auto back = cli_test::runCli("unescape", input(escaped.out));
    ASSERT_EQ(back.exitCode, 0);
    EXPECT_EQ(back.out, text);
}

TEST_F(cli_codec, help_and_usage_errors) {
    for (const char* cmd : {"escape", "unescape"}) {
        auto help = cli_test::runCli(std::string(cmd) + " --help");
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_NE(help.out.find("usage: quelix-cli"), std::string::npos);
        EXPECT_NE(help.out.find("--mode"), std::string::npos);
        for (const char* bad : {" --mode", " --mode nope", " --bogus", " extra", " -x", " --help=1"}) {
            auto r = cli_test::runCli(std::string(cmd) + bad, input("x"));
            EXPECT_EQ(r.exitCode, 2) << cmd << bad;
            EXPECT_TRUE(r.out.empty()) << cmd << bad;
            EXPECT_NE(r.err.find("usage:"), std::string::npos) << cmd << bad;
        }
    }
    EXPECT_EQ(cli_test::runCli("escape --mode html", input("x")).exitCode, 2);
    EXPECT_EQ(cli_test::runCli("unescape --mode hex", input("x")).exitCode, 2);
}
