// quelix-cli extract: values by path from files in each encoding, exit codes, usage errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/cli/cli_run.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path dir;
    Folder() {
        dir = fs::temp_directory_path() / ("quelix_cli_extract_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string write(const std::string& name, const std::string& bytes) const {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return "'" + p.string() + "'";
    }
};

// ASCII text as UTF-16 (little- or big-endian).
std::string utf16(const std::string& ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        if (bigEndian) out += '\0';
        out += c;
        if (!bigEndian) out += '\0';
    }
    return out;
}

const char kDoc[] = R"({"data":{"items":[10,"twenty",{"k":'v'}]}, "a": 1 , "e":""})";

} // namespace

TEST(cli_extract, values_by_path) {
    Folder f;
    const std::string file = f.write("doc.json", kDoc);
    struct Row {
        const char* path;
        const char* out;
    };
    const Row rows[] = {
        {"data.items[1]", "\"twenty\""},
        {"data.items.[2].k", "'v'"},
        {"//data.items.[0]", "10"},
        {"data", R"({"items":[10,"twenty",{"k":'v'}]})"},
        {"a", " 1 "},
        {"e", "\"\""},
    };
    for (const Row& r : rows) {
        const cli_test::Result res = cli_test::runCli("extract " + file + " '" + r.path + "'");
        SCOPED_TRACE(r.path);
        EXPECT_EQ(res.exitCode, 0) << res.err;
        EXPECT_EQ(res.out, r.out);
    }
    const cli_test::Result whole = cli_test::runCli("extract " + file + " ''");
    EXPECT_EQ(whole.exitCode, 0);
    EXPECT_EQ(whole.out, kDoc);
}

TEST(cli_extract, encodings) {
    Folder f;
    const std::string le = f.write("le.json", "\xFF\xFE" + utf16(kDoc, false));
    const std::string be = f.write("be.json", utf16(kDoc, true));
    const std::string ansi = f.write("ansi.json", kDoc);
    cli_test::Result r = cli_test::runCli("extract --encoding UTF-16LE " + le + " data.items[1]");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "\"twenty\"");
    r = cli_test::runCli("extract --encoding=UTF-16BE " + be + " data.items[2]");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, R"({"k":'v'})");
    r = cli_test::runCli("extract --encoding ANSI " + ansi + " a");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, " 1 ");
    // Read as the wrong encoding, the UTF-16 file has no key "a" (its bytes are "a\0").
    r = cli_test::runCli("extract " + le + " a");
    EXPECT_EQ(r.exitCode, 1);
    // A non-ASCII value comes out as UTF-8.
    const std::string cjk = f.write("cjk.json", utf16("{\"k\":", false) + "\x2D\x4E" + utf16("}", false));
    r = cli_test::runCli("extract --encoding UTF-16LE " + cjk + " k");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "\xE4\xB8\xAD");
}

TEST(cli_extract, exit_codes) {
    Folder f;
    const std::string file = f.write("doc.json", kDoc);
    cli_test::Result r = cli_test::runCli("extract " + file + " nothing.here");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("names nothing"), std::string::npos);
    const std::string empty = f.write("empty.json", "");
    r = cli_test::runCli("extract " + empty + " ''");
    EXPECT_EQ(r.exitCode, 1);
    r = cli_test::runCli("extract '" + (f.dir / "missing.json").string() + "' a");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("cannot open"), std::string::npos);
    r = cli_test::runCli("extract '" + f.dir.string() + "' a");
    EXPECT_EQ(r.exitCode, 2);
}

TEST(cli_extract, usage) {
    Folder f;
    const std::string file = f.write("doc.json", kDoc);
    EXPECT_EQ(cli_test::runCli("extract").exitCode, 2);
    EXPECT_EQ(cli_test::runCli("extract " + file).exitCode, 2);
    EXPECT_EQ(cli_test::runCli("extract " + file + " a b").exitCode, 2);
    EXPECT_EQ(cli_test::runCli("extract --encoding UTF-32 " + file + " a").exitCode, 2);
    EXPECT_EQ(cli_test::runCli("extract --bogus " + file + " a").exitCode, 2);
    EXPECT_EQ(cli_test::runCli("extract - a", fs::path(f.dir / "doc.json")).exitCode, 2);
    const cli_test::Result help = cli_test::runCli("extract --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: quelix-cli extract"), std::string::npos);
    // "--" ends the options, so a path that begins with "--" can be given.
    const std::string dashed = f.write("dashed.json", R"({"--x":5})");
    const cli_test::Result r = cli_test::runCli("extract -- " + dashed + " --x");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "5");
}
