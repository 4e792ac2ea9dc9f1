// quelix-cli format / get: the JSON engine's parser, serializer and path lookup on a file.
#include <cstdio>
#include <string>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "text/codecs.h"
#include "text/encoding.h"
#include "json/document.h"

namespace quelix_cli {

namespace {

const char kFormatUsage[] =
    "usage: quelix-cli format [--compact] [--ucs2-decode] FILE\n"
    "\n"
    "Parses FILE (\"-\" = standard input; encoding detected) with the lenient parser and writes the\n"
    "JSON text of the whole document, as UTF-8, to standard output: indented with two spaces and\n"
    "CR LF line breaks, or on one line with --compact. Nothing is added after the text.\n"
    "  --compact       the compact layout\n"
    "  --ucs2-decode   decode \\uXXXX escapes in the text before parsing it\n";

const char kGetUsage[] =
    "usage: quelix-cli get [--compact] [--key] [--ucs2-decode] FILE PATH\n"
    "\n"
    "Parses FILE (\"-\" = standard input; encoding detected) and writes, as UTF-8, what PATH names:\n"
    "the JSON text of a container (indented, or compact with --compact) or the unquoted value of a\n"
    "scalar. PATH segments are separated by '.', [n] picks the n-th child, key->n the n-th member\n"
    "named key, #46# stands for a dot inside a key; the empty path names the whole document.\n"
    "Exit status 1 when PATH names nothing.\n"
    "  --compact       the compact layout\n"
    "  --key           write the key name of the member at PATH instead of its value\n"
    "  --ucs2-decode   decode \\uXXXX escapes in the text written\n";

const char kNotFound[] = "找不到节点，请检查路径";

bool load(const char* command, const std::string& file, bool decode, rg_Tolvar_JSON::rg_TolvarJSONLei& doc) {
    CWString text;
    std::string error;
    if (!readInputText(file, text, error)) {
        std::fprintf(stderr, "quelix-cli %s: %s\n", command, error.c_str());
        return false;
    }
    if (decode) text = rg_Tolvar_MingLingJi::unescapeText(text, rg_Tolvar_MingLingJi::kUnescapeUcs2);
    doc.parseText(text);
    return true;
}

int write(const char* command, CWStringView text) {
    if (!writeOutput(text)) {
        std::fprintf(stderr, "quelix-cli %s: cannot write standard output\n", command);
        return 2;
    }
    return 0;
}

} // namespace

int cmdFormat(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    if (!parseOptions(args, {{"compact", false}, {"ucs2-decode", false}}, parsed, error))
        return usageError("format", error, kFormatUsage);
    if (parsed.help) return printHelp(kFormatUsage);
    if (parsed.positionals.size() != 1)
        return usageError("format", parsed.positionals.empty() ? "missing FILE" : "too many arguments",
                          kFormatUsage);
    rg_Tolvar_JSON::rg_TolvarJSONLei doc;
    if (!load("format", parsed.positionals[0], parsed.has("ucs2-decode"), doc)) return 2;
    return write("format", rg_Tolvar_JSON::toJsonText(doc.root(), parsed.has("compact")));
}

int cmdGet(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    if (!parseOptions(args, {{"compact", false}, {"key", false}, {"ucs2-decode", false}}, parsed, error))
        return usageError("get", error, kGetUsage);
    if (parsed.help) return printHelp(kGetUsage);
    if (parsed.positionals.size() != 2) {
        return usageError(
            "get", parsed.positionals.size() < 2 ? "missing FILE or PATH" : "too many arguments", kGetUsage);
    }
    rg_Tolvar_JSON::rg_TolvarJSONLei doc;
    if (!load("get", parsed.positionals[0], false, doc)) return 2;
    const CWString path = rg_Tolvar_MingLingJi::utf8ToUtf16(parsed.positionals[1]);
    rg_Tolvar_JSON::rg_TolvarJSONJieDian* holder = nullptr;
    CWString timing;
    CWString text = doc.readAtPath(path, holder, parsed.has("key"), parsed.has("compact"), timing);
    if (!holder) {
        std::fprintf(stderr, "%s\n", kNotFound);
        return 1;
    }
    if (parsed.has("ucs2-decode"))
        text = rg_Tolvar_MingLingJi::unescapeText(text, rg_Tolvar_MingLingJi::kUnescapeUcs2);
    return write("get", text);
}

} // namespace quelix_cli
