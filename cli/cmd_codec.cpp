// quelix-cli escape / unescape: standard input through the text codecs to standard output.
#include <string>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "text/codecs.h"

namespace quelix_cli {

namespace {

const char kEscapeUsage[] =
    "usage: quelix-cli escape [--mode ucs2|hex|dec] < INPUT\n"
    "\n"
    "Reads standard input (encoding detected: byte-order mark, UTF-16, UTF-8 or the ANSI code page)\n"
    "and writes it escaped, as UTF-8, to standard output. Line breaks are escaped too.\n"
    "  --mode ucs2   \\uXXXX for every non-ASCII unit, \\r \\n, backslash before \" ' / \\ [ ] { } "
    "(default)\n"
    "  --mode hex    &#xHHHH; for CR, LF and every non-ASCII unit\n"
    "  --mode dec    &#DDDD; for CR, LF and every non-ASCII unit\n";

const char kUnescapeUsage[] =
    "usage: quelix-cli unescape [--mode ucs2|html] < INPUT\n"
    "\n"
    "Reads standard input (encoding detected) and writes it decoded, as UTF-8, to standard output.\n"
    "  --mode ucs2   \\uXXXX and %uXXXX escapes, \\r \\n, backslash before any other unit (default)\n"
    "  --mode html   &#xHHHH; &#DDD; and named references (&amp; &lt; &quot; ...)\n";

int runCodec(const Args& args, const char* command, const char* usage, bool escape) {
    ParsedArgs parsed;
    std::string error;
    if (!parseOptions(args, {{"mode", true}}, parsed, error)) return usageError(command, error, usage);
    if (parsed.help) return printHelp(usage);
    if (!parsed.positionals.empty())
        return usageError(command, "unexpected argument '" + parsed.positionals[0] + "'", usage);
    std::string mode = parsed.value("mode", "ucs2");
    int32_t codecMode;
    if (escape) {
        if (mode == "ucs2")
            codecMode = rg_Tolvar_MingLingJi::kEscapeUcs2;
        else if (mode == "hex")
            codecMode = rg_Tolvar_MingLingJi::kEscapeHtmlHex;
        else if (mode == "dec")
            codecMode = rg_Tolvar_MingLingJi::kEscapeHtmlDec;
        else
            return usageError(command, "unknown mode '" + mode + "'", usage);
    } else {
        if (mode == "ucs2")
            codecMode = rg_Tolvar_MingLingJi::kUnescapeUcs2;
        else if (mode == "html")
            codecMode = rg_Tolvar_MingLingJi::kUnescapeHtml;
        else
            return usageError(command, "unknown mode '" + mode + "'", usage);
    }
    CWString input;
    if (!readInputText("-", input, error)) {
        std::fprintf(stderr, "quelix-cli %s: %s\n", command, error.c_str());
        return 2;
    }
    CWString output = escape ? rg_Tolvar_MingLingJi::escapeText(input, codecMode)
                             : rg_Tolvar_MingLingJi::unescapeText(input, codecMode);
    if (!writeOutput(output)) {
        std::fprintf(stderr, "quelix-cli %s: cannot write standard output\n", command);
        return 2;
    }
    return 0;
}

} // namespace

int cmdEscape(const Args& args) {
    return runCodec(args, "escape", kEscapeUsage, true);
}

int cmdUnescape(const Args& args) {
    return runCodec(args, "unescape", kUnescapeUsage, false);
}

} // namespace quelix_cli
