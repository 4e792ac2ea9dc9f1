// quelix-cli set / rename / add / delete: each editing rule, the output, writing files in place.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;
using cli_test::readAll;
using cli_test::runCli;

class CliEdit : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LC_ALL", "zh_CN.UTF-8", 1); // unmarked non-UTF-8 files are GBK
        dir_ = fs::temp_directory_path() / ("quelix_cli_edit_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    fs::path put(const std::string& name, const std::string& bytes) {
        fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    static std::string q(const fs::path& p) { return "'" + p.string() + "'"; }
    // The names in the folder, to see that no temporary file was left behind.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    fs::path dir_;
};

// ---- hand-made encodings of the texts the tests use (BMP only) ----

std::string utf8(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string utf16(std::u16string_view s, bool bigEndian) {
    std::string out;
    for (char16_t c : s) {
        const char lo = char(c & 0xFF), hi = char(c >> 8);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

std::string gbk(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        switch (c) {
        case u'名':
            out += "\xC3\xFB";
            break;
        case u'中':
            out += "\xD6\xD0";
            break;
        case u'文':
            out += "\xCE\xC4";
            break;
        default:
            out += char(c); // ASCII
        }
    }
    return out;
}

// ---- the editing rules, one row per case ----

struct Row {
    const char* document;
    std::string command;  // the command and its options
    std::string operands; // after FILE, quoted for the shell
    int code;
    const char* expected;   // compact output
    const char* error = ""; // standard error for exit status 1
};

const char kNotFound[] = "找不到节点，请检查路径\n";

TEST_F(CliEdit, rules_of_each_operation) {
    const Row rows[] = {
        // set: quoting, trimming, subtrees
        {R"({"a":1})", "set", "a abc", 0, R"({"a":"abc"})"},
        {R"({"a":1})", "set --raw", "a abc", 0, R"({"a":abc})"},
        {R"({"a":1})", "set", "a ''", 0, R"({"a":""})"},
        {R"({"a":1})", "set --raw", "a '   '", 0, R"({"a":""})"},
        {R"({"a":1})", "set", "a \"  'x'  \"", 0, R"({"a":'x'})"},
        {R"({"a":1})", "set", "a 'a\"b'", 0, R"({"a":"a"b"})"},
        {R"({"a":1})", "set", "a '\"unterminated'", 0, R"({"a":"unterminated})"},
        {R"({"a":1})", "set --raw", "a ' 7 '", 0, R"({"a":7})"},
        {R"({"n":5})", "set", "n 6", 0, R"({"n":"6"})"}, // a bare value stays bare only with --raw
        {R"({"a":1})", "set", "a '[1, {\"a\":2}]'", 0, R"({"a":[1, {"a":2}]})"},
        {R"({"a":{"x":1,"y":2}})", "set", "a '{z:0}'", 0, R"({"a":{z:0}})"},
        {R"({"a":[1,2]})", "set", "a v", 0, R"({"a":"v"})"},
        {R"([1,2])", "set", "'' '{\"r\":1}'", 0, R"({"r":1})"},
        // set keeps every other token as written
        {R"({"a":1.50,"b":1e999,'c':"\u0041",d:tru,"a":2})", "set --raw", "'a->1' 3", 0,
         R"({"a":1.50, "b":1e999, 'c':"\u0041", d:tru, "a":3})"},
        {R"({"a":{"k":1},"b.c":[0,0]})", "set --raw", "'b#46#c[1]' 9", 0, R"({"a":{"k":1}, "b.c":[0, 9]})"},
        // set: a path that names nothing
        {R"({"a":1})", "set", "b x", 1, "", kNotFound},
        {R"({"a":1})", "set", "a.b x", 1, "", kNotFound},
        {R"({"k":1,"k":2})", "set", "'k->2' x", 1, "", kNotFound},
        {R"({"a":[1]})", "set", "'a[1]' x", 1, "", kNotFound},
        // set --create
        {R"({})", "set --create", "'z->1' v", 0, R"({"z":"", "z":"v"})"},
        {R"({"k":1})", "set --create", "'k->2' v", 0, R"({"k":1, "k":"", "k":"v"})"},
        {R"({"a":[1]})", "set --create", "'a[3]' v", 0, R"({"a":[1, "", "", "v"]})"},
        {R"({"a":1})", "set --create", "a.b.c v", 0, R"({"a":{"b":{"c":"v"}}})"},
        {R"({"a":1})", "set --create", "'a[1]' v", 0, R"({"a":["", "v"]})"},
        {R"({"a":1})", "set --create", "a 2", 0, R"({"a":"2"})"},
        {R"({"a":1})", "set --create", "'k->-1' v", 1, "", kNotFound},
        // rename
        {R"({"a":1})", "rename", "a b", 0, R"({"b":1})"},
        {R"({"a":1})", "rename", "a \"'b'\"", 0, R"({'b':1})"},
        {R"({"a":1})", "rename --raw", "a b", 0, R"({b:1})"},
        {R"({a:1})", "rename", "a b", 0, R"({"b":1})"},         // a bare key stays bare only with --raw
        {R"({"a":1})", "rename", "a ' b '", 0, R"({" b ":1})"}, // keys are not trimmed
        {R"({"a":{"k":[1]},"k":2})", "rename", "a.k x", 0, R"({"a":{"x":[1]}, "k":2})"},
        {R"({"x", "y":1})", "rename", "'->0' k", 0, R"({"k":"x", "y":1})"},
        {R"([1,2])", "rename", "'[0]' x", 1, "", "这是数组序号名称，不允许修改！\n"},
        {R"({"a":[{"b":1}]})", "rename", "'a[0]' x", 1, "", "这是数组序号名称，不允许修改！\n"},
        {R"({"a":1})", "rename", "'' x", 1, "", "请选中具体的节点！\n"},
        {R"({"a":1})", "rename", "b x", 1, "", kNotFound},
        // add
        {R"({"a":1})", "add", "'' k v", 0, R"({"a":1, "k":"v"})"},
        {R"({"a":1})", "add", "'' \"'k'\" '[1]'", 0, R"({"a":1, 'k':[1]})"},
        {R"({"a":1})", "add", "'' k ''", 0, R"({"a":1, "k":""})"},
        {R"({"a":1})", "add", "a k 2", 0, R"({"a":{"k":"2"}})"}, // a scalar becomes an object
        {R"({"a":[1,2]})", "add", "a k v", 0, R"({"a":{:1, :2, "k":"v"}})"},
        {R"({"a":{"k":1}})", "add", "a k 2", 0, R"({"a":{"k":1, "k":"2"}})"},
        {R"({"a":1})", "add", "b k v", 1, "", kNotFound},
        // delete
        {R"({"a":1,"b":2})", "delete", "a", 0, R"({"b":2})"},
        {R"({"a":[1]})", "delete", "'a[0]'", 0, R"({"a":[]})"},
        {R"({"k":1,"k":2,"k":3})", "delete", "'k->1'", 0, R"({"k":1, "k":3})"},
        {R"({"a":{"b":[1,2]}})", "delete", "a.b", 0, R"({"a":{}})"},
        {R"({"a":1,"b":2})", "delete", "''", 0, R"({})"},
        {R"([1,[2]])", "delete", "''", 0, R"([])"},
        {R"({"a":1})", "delete", "b", 1, "", kNotFound},
        {R"({"a":[1]})", "delete", "'a[1]'", 1, "", kNotFound},
    };
    int n = 0;
    for (const Row& row : rows) {
        const fs::path f = put("r" + std::to_string(n++) + ".json", row.document);
        const std::string what = row.command + " " + row.document + " " + row.operands;
        const std::string cmd = row.command.substr(0, row.command.find(' '));
        const std::string opts = row.command.substr(cmd.size());
        auto r = runCli(cmd + " --compact" + opts + " " + q(f) + " " + row.operands);
        EXPECT_EQ(r.exitCode, row.code) << what << "\n" << r.err;
        EXPECT_EQ(r.out, row.expected) << what;
        if (row.code != 0) {
            EXPECT_EQ(r.err, row.error) << what;
        }
        EXPECT_EQ(readAll(f), row.document) << what; // without --in-place the file is only read
    }
}

TEST_F(CliEdit, output_is_indented_as_format_writes_it) {
    const fs::path f = put("i.json", R"({"a":1,"b":[true,{"c":'x'}],"d":{}})");
    auto r = runCli("set " + q(f) + " 'b[1].c' y");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "{\r\n  \"a\":1,\r\n  \"b\":\r\n  [\r\n    true,\r\n    {\r\n      \"c\":\"y\"\r\n    }\r\n  ],\r\n"
        "  \"d\":\r\n  {\r\n\r\n  }\r\n}");
    EXPECT_EQ(readAll(f), R"({"a":1,"b":[true,{"c":'x'}],"d":{}})");
}

TEST_F(CliEdit, standard_input_and_options_after_double_dash) {
    put("in.json", R"({"x", "y":1})");
    auto r = runCli("set --compact - '->0' z", dir_ / "in.json");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, R"({:"z", "y":1})");
    const fs::path f = put("n.json", R"({"a":1})");
    r = runCli("set --compact -- " + q(f) + " a -5");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, R"({"a":"-5"})");
}

// ---- --in-place in every encoding a file can be read in ----

struct EncodingRow {
    const char* name;
    std::string (*encode)(std::u16string_view);
    std::string mark;
};

std::string asUtf8(std::u16string_view s) {
    return utf8(s);
}
std::string asUtf16Le(std::u16string_view s) {
    return utf16(s, false);
}
std::string asUtf16Be(std::u16string_view s) {
    return utf16(s, true);
}
std::string asGbk(std::u16string_view s) {
    return gbk(s);
}

TEST_F(CliEdit, in_place_keeps_encoding_mark_and_every_other_byte) {
    // Already in the indented layout, so the file changes only where the node is.
    const std::u16string before =
        u"{\r\n  \"名\":\"中\",\r\n  'n':1.50,\r\n  k:tru,\r\n  \"e\":\"\\u0041\"\r\n}";
    const std::u16string after =
        u"{\r\n  \"名\":\"文\",\r\n  'n':1.50,\r\n  k:tru,\r\n  \"e\":\"\\u0041\"\r\n}";
    const EncodingRow rows[] = {
        {"UTF-8 with mark", asUtf8, "\xEF\xBB\xBF"},
        {"UTF-8", asUtf8, ""},
        {"UTF-16LE with mark", asUtf16Le, "\xFF\xFE"},
        {"UTF-16LE", asUtf16Le, ""},
        {"UTF-16BE with mark", asUtf16Be, "\xFE\xFF"},
        {"UTF-16BE", asUtf16Be, ""},
        {"GBK", asGbk, ""},
    };
    int n = 0;
    for (const EncodingRow& row : rows) {
        const fs::path f = put("e" + std::to_string(n++) + ".json", row.mark + row.encode(before));
        auto r = runCli("set --in-place " + q(f) + " 名 文");
        EXPECT_EQ(r.exitCode, 0) << row.name << "\n" << r.err;
        EXPECT_EQ(r.out, "") << row.name;
        EXPECT_EQ(readAll(f), row.mark + row.encode(after)) << row.name;
        // And back: the file reads as the edited document.
        r = runCli("get " + q(f) + " 名");
        EXPECT_EQ(r.out, utf8(u"文")) << row.name;
    }
    EXPECT_EQ(names().size(), std::size(rows)); // no temporary file left behind
}

TEST_F(CliEdit, in_place_writes_the_layout_chosen) {
    const fs::path f = put("l.json", R"({"a":1, "b":[2,3]})");
    auto r = runCli("delete --in-place " + q(f) + " 'b[0]'");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readAll(f), "{\r\n  \"a\":1,\r\n  \"b\":\r\n  [\r\n    3\r\n  ]\r\n}");
    r = runCli("add --in-place --compact " + q(f) + " '' c 4");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readAll(f), R"({"a":1, "b":[3], "c":"4"})");
    r = runCli("rename --in-place --compact --raw " + q(f) + " c d");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readAll(f), R"({"a":1, "b":[3], d:"4"})");
}

TEST_F(CliEdit, in_place_keeps_permissions_and_follows_links) {
    const fs::path f = put("p.json", R"({"a":1})");
    fs::permissions(f, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    auto r = runCli("set --in-place --compact --raw " + q(f) + " a 2");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readAll(f), R"({"a":2})");
    EXPECT_EQ(fs::status(f).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    fs::create_symlink("p.json", dir_ / "link.json");
    r = runCli("set --in-place --compact --raw " + q(dir_ / "link.json") + " a 3");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.json"));
    EXPECT_EQ(readAll(f), R"({"a":3})");
}

TEST_F(CliEdit, in_place_refuses_a_text_that_would_not_read_back) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string operands;
    } cases[] = {
        // GBK has no emoji.
        {"emoji in GBK", gbk(u"{\"名\":\"中\"}"), "名 '\xF0\x9F\x98\x80'"},
        // A lone surrogate (from a CESU-style argument) has no UTF-8 form.
        {"lone surrogate", "\xEF\xBB\xBF" + utf8(u"{\"a\":1}"), "a '\xED\xA0\x80'"},
        // A U+0000 ends the text that was read: the rest of the file would be lost.
        {"U+0000 in the file", "\xFF\xFE" + utf16(u"{\"a\":1}", false) + std::string("\0\0x\0", 4), "a 2"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path f = put("x" + std::to_string(n++) + ".json", c.bytes);
        auto r = runCli("set --in-place " + q(f) + " " + c.operands);
        EXPECT_EQ(r.exitCode, 2) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_FALSE(r.err.empty()) << c.name;
        EXPECT_EQ(readAll(f), c.bytes) << c.name;
    }
    EXPECT_EQ(names().size(), std::size(cases));
}

TEST_F(CliEdit, in_place_refuses_read_only_files_directories_and_missing_files) {
    // A file with no write permission bit: the tests run as root, whom the bits do not stop, so
    // the refusal is the program's own and holds for every user.
    const fs::path ro = put("ro.json", R"({"a":1})");
    fs::permissions(ro, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto r = runCli("set --in-place " + q(ro) + " a 2");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
    EXPECT_EQ(readAll(ro), R"({"a":1})");
    EXPECT_EQ(fs::status(ro).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    fs::create_directory(dir_ / "sub");
    const std::string notFiles[] = {
        q(dir_ / "sub"),                // a directory in place of the file
        q(dir_ / "ro.json" / "x.json"), // a path whose parent is a regular file
        q(dir_ / "missing.json"),
    };
    for (const std::string& f : notFiles) {
        for (const char* cmd : {"set --in-place", "set", "delete --in-place"}) {
            const std::string operands = std::string(cmd).rfind("set", 0) == 0 ? " a 2" : " a";
            r = runCli(std::string(cmd) + " " + f + operands);
            EXPECT_EQ(r.exitCode, 2) << cmd << " " << f;
            EXPECT_EQ(r.out, "") << cmd << " " << f;
            EXPECT_FALSE(r.err.empty()) << cmd << " " << f;
        }
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
    EXPECT_TRUE(fs::is_empty(dir_ / "sub"));
    EXPECT_EQ(names(), (std::vector<std::string>{"ro.json", "sub"}));
}

TEST_F(CliEdit, in_place_leaves_the_file_alone_when_the_path_names_nothing) {
    const std::string doc = R"({"a" : 1 })";
    const fs::path f = put("m.json", doc);
    for (const std::string& args :
         {"set --in-place " + q(f) + " b 2", "rename --in-place " + q(f) + " b c",
          "add --in-place " + q(f) + " b c d", "delete --in-place " + q(f) + " b"}) {
        auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 1) << args;
        EXPECT_EQ(r.err, kNotFound) << args;
        EXPECT_EQ(readAll(f), doc) << args;
    }
}

TEST_F(CliEdit, usage_errors_and_help) {
    const fs::path f = put("u.json", R"({"a":1})");
    const std::string rows[] = {
        "set",
        "set " + q(f) + " a",
        "set " + q(f) + " a b c",
        "set --bogus " + q(f) + " a b",
        "set --raw=1 " + q(f) + " a b",
        "set --in-place - a b",
        "rename " + q(f) + " a",
        "rename --create " + q(f) + " a b",
        "add " + q(f) + " '' k",
        "add --raw " + q(f) + " '' k v",
        "delete " + q(f),
        "delete " + q(f) + " a b",
    };
    for (const std::string& args : rows) {
        auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err.find("usage: quelix-cli"), std::string::npos) << args;
        EXPECT_EQ(readAll(f), R"({"a":1})") << args;
    }
    for (const char* cmd : {"set", "rename", "add", "delete"}) {
        auto r = runCli(std::string(cmd) + " --help");
        EXPECT_EQ(r.exitCode, 0) << cmd;
        EXPECT_EQ(r.out.rfind(std::string("usage: quelix-cli ") + cmd + " ", 0), 0u) << r.out;
    }
    auto r = runCli("--help");
    for (const char* cmd : {"set", "rename", "add", "delete"})
        EXPECT_NE(r.out.find(std::string("  ") + cmd + " "), std::string::npos) << cmd;
}

} // namespace
