// quelix-cli find: the window's tree search run once on a file, printing the item it selects.
#include <charconv>
#include <cstdio>
#include <string>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "text/encoding.h"
#include "text/regex.h"
#include "tree/item_store.h"
#include "tree/tree_find.h"
#include "json/document.h"

namespace quelix_cli {

namespace {

const char kFindUsage[] =
    "usage: quelix-cli find [--wildcard|--regex] [--ignore-case] [--ucs2-retry] [--backward] [--from N]\n"
    "                       FILE PATTERN\n"
    "\n"
    "Parses FILE (\"-\" = standard input; encoding detected), builds the tree as the window does and\n"
    "searches the item texts for PATTERN as the window's find does: from the item after item N in\n"
    "the direction, wrapping around to include item N itself. Prints the item found as one line:\n"
    "ITEM<TAB>PATH<TAB>TEXT, UTF-8, ending in LF (ITEM the item index, PATH in path mode 0). Tab, CR,\n"
    "LF, NUL and backslash inside a path or text are written as \\t, \\r, \\n, \\0 and \\\\, so a line "
    "splits\n"
    "on tabs and each field decodes exactly. Exit code 1: nothing matched.\n"
    "PATTERN is plain text, found anywhere inside an item text, unless:\n"
    "  --wildcard     PATTERN is a wildcard pattern (* any run, ? at most one character)\n"
    "  --regex        PATTERN is a regular expression (a pattern that does not compile matches\n"
    "                 every non-empty text)\n"
    "  --ignore-case  letters compare without case (plain text: only A-Z and a-z)\n"
    "  --ucs2-retry   when nothing matched, search once more for PATTERN in its \\uXXXX escaped form\n"
    "                 (plain text only; the other modes repeat the same pattern)\n"
    "  --backward     search towards item 0\n"
    "  --from N       the selected item to start from (default -1: none; out of range is -1)\n"
    "Options end at FILE (or at \"--\"), so PATTERN may start with '-'.\n";

bool parseItemIndex(const std::string& text, int32_t& out) {
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && !text.empty();
}

} // namespace

int cmdFind(const Args& args) {
    namespace tree = rg_TolvarMingLingJi_ChuangKouZuJian;
    ParsedArgs parsed;
    std::string error;
    const std::vector<OptionDef> defs = {
        {"wildcard", false},   {"regex", false},    {"ignore-case", false},
        {"ucs2-retry", false}, {"backward", false}, {"from", true},
    };
    if (!parseOptions(args, defs, parsed, error)) return usageError("find", error, kFindUsage);
    if (parsed.help) return printHelp(kFindUsage);
    if (parsed.positionals.size() != 2) {
        const char* what = parsed.positionals.empty()       ? "missing FILE and PATTERN"
                           : parsed.positionals.size() == 1 ? "missing PATTERN"
                                                            : "too many arguments";
        return usageError("find", what, kFindUsage);
    }
    if (parsed.has("wildcard") && parsed.has("regex"))
        return usageError("find", "--wildcard and --regex exclude each other", kFindUsage);
    int32_t from = -1;
    if (parsed.has("from") && !parseItemIndex(parsed.value("from"), from))
        return usageError("find", "--from needs an item index, not '" + parsed.value("from") + "'",
                          kFindUsage);
    const int32_t mode = parsed.has("wildcard") ? tree::kFindWildcard
                         : parsed.has("regex")  ? tree::kFindRegex
                                                : tree::kFindPlain;

    CWString text;
    if (!readInputText(parsed.positionals[0], text, error)) {
        std::fprintf(stderr, "quelix-cli find: %s\n", error.c_str());
        return 2;
    }

    // Loaded as the window loads a slot: top item, then one item per node below the root.
    rg_Tolvar_JSON::rg_TolvarJSONLei document;
    document.parseText(text);
    CWString().swap(text);
    tree::rg_TolvarShuXingKuangCunChu store;
    store.appendTopItem(u"Tolvar·JSON", document.root().nodeType() != rg_Tolvar_JSON::Object ? 1 : 0);
    store.fillFromNode(document.root(), 0, false);
    store.properties().currentItem = from; // validated (out of range: none) when the search reads it

    const CWString pattern = rg_Tolvar_MingLingJi::utf8ToUtf16(parsed.positionals[1]);
    rg_Tolvar_MingLingJi::rg_TolvarZhengZeBiaoDaShiLei regex;
    tree::TreeItemMatcher matcher(regex);
    matcher.prepare(pattern, mode, parsed.has("ignore-case"));
    const tree::TreeFindResult found =
        tree::findInItems(store, parsed.has("backward"), matcher, parsed.has("ucs2-retry"), pattern);
    if (found.item < 0) return 1;

    CWString out;
    appendNumber(out, found.item);
    out.push_back(u'\t');
    appendField(out, store.pathOfItem(found.item, 0));
    out.push_back(u'\t');
    appendField(out, store.getText(found.item));
    out.push_back(u'\n');
    if (!writeOutput(out)) {
        std::fprintf(stderr, "quelix-cli find: cannot write standard output\n");
        return 2;
    }
    return 0;
}

} // namespace quelix_cli
