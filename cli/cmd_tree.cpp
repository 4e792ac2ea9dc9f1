// quelix-cli tree: the tree items of a JSON file, as the window's tree shows them, with their paths.
#include <cstdio>
#include <string>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "json/document.h"
#include "tree/item_store.h"

namespace quelix_cli {

namespace {

const char kTreeUsage[] =
    "usage: quelix-cli tree [--mode 0|1|2] FILE\n"
    "\n"
    "Parses FILE (\"-\" = standard input; encoding detected) and prints one line per tree item, in\n"
    "tree order: PATH<TAB>LEVEL<TAB>IMAGE<TAB>TEXT, UTF-8, each line ending in LF. The first item is\n"
    "the top item \"Tolvar·JSON\" with an empty path. IMAGE is 0 object, 1 array, 2 value.\n"
    "Tab, CR, LF, NUL and backslash inside a path or text are written as \\t, \\r, \\n, \\0 and \\\\,\n"
    "so a line splits on tabs and each field decodes exactly.\n"
    "  --mode 0   default paths:                  a.items[3].b (default)\n"
    "  --mode 1   array index as its own segment: a.items.[3].b\n"
    "  --mode 2   platform library form:          //a.items.[3].b\n";

} // namespace

int cmdTree(const Args& args) {
    using Store = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;
    using rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
    ParsedArgs parsed;
    std::string error;
    if (!parseOptions(args, {{"mode", true}}, parsed, error)) return usageError("tree", error, kTreeUsage);
    if (parsed.help) return printHelp(kTreeUsage);
    if (parsed.positionals.size() != 1)
        return usageError("tree", parsed.positionals.empty() ? "missing FILE" : "too many arguments", kTreeUsage);
    const std::string modeText = parsed.value("mode", "0");
    if (modeText != "0" && modeText != "1" && modeText != "2")
        return usageError("tree", "unknown mode '" + modeText + "'", kTreeUsage);
    const int32_t mode = modeText[0] - '0';

    CWString text;
    if (!readInputText(parsed.positionals[0], text, error)) {
        std::fprintf(stderr, "quelix-cli tree: %s\n", error.c_str());
        return 2;
    }

    // Loaded as the window loads a slot: top item, then one item per node below the root.
    rg_Tolvar_JSON::rg_TolvarJSONLei document;
    document.parseText(text);
    CWString().swap(text);
    Store store;
    store.appendTopItem(u"Tolvar·JSON", document.root().nodeType() != rg_Tolvar_JSON::Object ? 1 : 0);
    store.fillFromNode(document.root(), 0, false);
    store.buildIndexesNow();

    CWString out;
    bool ok = true;
    store.forEachItemPath(mode, [&](int32_t item, const ItemCursor& cursor, CWStringView path) {
        ItemCursor c = cursor;
        appendField(out, path);
        out.push_back(u'\t');
        appendNumber(out, store.getLevel(item, c));
        out.push_back(u'\t');
        appendNumber(out, store.getImage(item, c));
        out.push_back(u'\t');
        appendField(out, store.getText(item, c));
        out.push_back(u'\n');
        if (out.size() >= (1u << 20)) {
            ok = ok && writeOutput(out);
            out.clear();
        }
    });
    ok = ok && writeOutput(out);
    if (!ok) {
        std::fprintf(stderr, "quelix-cli tree: cannot write standard output\n");
        return 2;
    }
    return 0;
}

} // namespace quelix_cli
