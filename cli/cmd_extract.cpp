// quelix-cli extract: the value at a path inside a file of any size, by stream extraction.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "text/encoding.h"
#include "json/stream_extract.h"

namespace quelix_cli {

namespace {

const char kUsage[] =
    "usage: quelix-cli extract [--encoding ANSI|UTF-8|UTF-16LE|UTF-16BE] FILE PATH\n"
    "\n"
    "Scans FILE as a byte stream, without loading it, and prints the JSON text at PATH exactly as\n"
    "written in the file (quotes and surrounding spaces of scalars included), as UTF-8. An empty\n"
    "PATH prints the whole file. FILE must be a file (not standard input); its encoding is given,\n"
    "not detected (default UTF-8). PATH is a JSON path such as data.items[3].name or a->1.\n"
    "Exit status: 0 text printed, 1 the path names nothing (or an empty value), 2 usage error,\n"
    "unreadable file, or a value of 2 GiB or more.\n";

bool encodingNumber(const std::string& name, int32_t& out) {
    if (name == "ANSI")
        out = rg_Tolvar_JSON::kStreamAnsi;
    else if (name == "UTF-8")
        out = rg_Tolvar_JSON::kStreamUtf8;
    else if (name == "UTF-16LE" || name == "UTF16LE")
        out = rg_Tolvar_JSON::kStreamUtf16LE;
    else if (name == "UTF-16BE" || name == "UTF16BE")
        out = rg_Tolvar_JSON::kStreamUtf16BE;
    else
        return false;
    return true;
}

} // namespace

int cmdExtract(const Args& args) {
    using rg_Tolvar_JSON::StreamStatus;
    ParsedArgs parsed;
    std::string error;
    if (!parseOptions(args, {{"encoding", true}}, parsed, error)) return usageError("extract", error, kUsage);
    if (parsed.help) return printHelp(kUsage);
    if (parsed.positionals.size() != 2)
        return usageError("extract",
                          parsed.positionals.size() < 2 ? "FILE and PATH are required" : "too many arguments",
                          kUsage);
    int32_t encoding = rg_Tolvar_JSON::kStreamUtf8;
    const std::string encodingName = parsed.value("encoding", "UTF-8");
    if (!encodingNumber(encodingName, encoding))
        return usageError("extract", "unknown encoding '" + encodingName + "'", kUsage);
    const std::string& file = parsed.positionals[0];
    if (file == "-")
        return usageError("extract", "FILE must be a file; standard input cannot be streamed", kUsage);
    if (file.empty()) return usageError("extract", "FILE is empty", kUsage);

    rg_Tolvar_JSON::StreamExtractor extractor;
    CWString text;
    const bool ok =
        extractor.extractFromFile(rg_Tolvar_MingLingJi::pathToText(std::filesystem::path(file)), encoding,
                                  rg_Tolvar_MingLingJi::utf8ToUtf16(parsed.positionals[1]), text);
    if (!ok) {
        switch (extractor.status()) {
        case StreamStatus::TooLarge:
            std::fprintf(stderr, "quelix-cli extract: the value is 2 GiB or larger; not extracted\n");
            break;
        case StreamStatus::ReadError:
            std::fprintf(stderr, "quelix-cli extract: read error in '%s'\n", file.c_str());
            break;
        default:
            std::fprintf(stderr, "quelix-cli extract: cannot open '%s'\n", file.c_str());
            break;
        }
        return 2;
    }
    if (text.empty()) {
        std::fprintf(stderr, "quelix-cli extract: %s\n",
                     extractor.status() == StreamStatus::Found ? "the value is empty"
                                                               : "the path names nothing");
        return 1;
    }
    if (!writeOutput(text)) {
        std::fprintf(stderr, "quelix-cli extract: cannot write standard output\n");
        return 2;
    }
    return 0;
}

} // namespace quelix_cli
