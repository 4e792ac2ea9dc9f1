// quelix-cli input, output and option parsing shared by the commands.
//
// Input text is read with the program's encoding detection (BOM, UTF-16 zero bytes, UTF-8 sequence
// count, else the system ANSI code page). Output is UTF-8 written byte-exact to standard output.
// Single-threaded, like the rest of quelix-cli.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "runtime/types.h"

namespace quelix_cli {

// Identifies the file found at a path: it is the same file, unchanged, while all fields agree.
struct FileStamp {
    uint64_t device = 0, inode = 0;
    int64_t size = -1, modifiedSec = 0, modifiedNsec = 0;
    bool operator==(const FileStamp&) const = default;
};

// What reading a text file found out besides the text: enough to write it back as it was read.
struct InputInfo {
    CWString encoding;     // the detected encoding name
    bool hadMark = false;  // the bytes began with that encoding's byte-order mark
    bool cutAtNul = false; // the text ended at a U+0000 before the end of the file
    FileStamp stamp;       // the file as it was before reading (not for standard input)
};

// Reads a whole file ("-" = standard input) and decodes it with encoding detection; the text ends
// at its first U+0000. On failure returns false and puts a one-line reason (no trailing newline)
// into `error`. `info`, when given, receives what the file was read as.
bool readInputText(const std::string& pathOrDash, CWString& out, std::string& error,
                   InputInfo* info = nullptr);
// Replaces the file that readInputText read (`info`) by `bytes`, atomically and keeping its
// permissions. Refused (false, `error` set) when the file is no longer the one that was read, when
// it is not writable (no write permission bit at all counts as read-only, also for root), or when
// the write fails; the file is then untouched.
bool writeFileInPlace(const std::string& path, std::string_view bytes, const InputInfo& info,
                      std::string& error);
// Reads a whole file ("-" = standard input) as raw bytes.
bool readInputBytes(const std::string& pathOrDash, std::string& out, std::string& error);

// Writes `text` as UTF-8 (up to its first U+0000, unpaired surrogates dropped) to standard output
// in binary, nothing added; flushes. False when the write failed.
bool writeOutput(CWStringView text);
bool writeOutputBytes(std::string_view bytes);

// Appends `text` to a tab-separated output line: tab, LF, CR and NUL become \t, \n, \r and \0.
void appendField(CWString& out, CWStringView text);
// Appends a number in decimal to an output line.
void appendNumber(CWString& out, int32_t value);

// One option a command accepts: "--name" alone (flag) or "--name VALUE" / "--name=VALUE".
struct OptionDef {
    std::string name; // without the leading "--"
    bool takesValue = false;
};

// The parsed command line: options come before positionals (the first positional ends them, as
// does "--"); a lone "-" is a positional (standard input). "--help" (or "-h") sets `help`.
struct ParsedArgs {
    std::vector<std::pair<std::string, std::string>> options; // in order given; flags have ""
    std::vector<std::string> positionals;
    bool help = false;

    bool has(std::string_view name) const;
    // The last value given for `name`, or `fallback`.
    std::string value(std::string_view name, std::string fallback = {}) const;
};

// Parses `args` against `defs`. False on an unknown option, a missing value or a value given to
// a flag; `error` then holds the reason.
bool parseOptions(const Args& args, const std::vector<OptionDef>& defs, ParsedArgs& out, std::string& error);

// Prints "quelix-cli <command>: <message>" and the usage text to standard error; returns 2.
int usageError(std::string_view command, std::string_view message, std::string_view usage);
// Prints the usage text to standard output; returns 0.
int printHelp(std::string_view usage);

} // namespace quelix_cli
