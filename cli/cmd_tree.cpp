// quelix-cli tree: the tree items of a JSON file, as the window's tree shows them, with their paths.
#include <cstdio>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "tree/item_store.h"
#include "json/document.h"
#include "json/tool_paths.h"

namespace quelix_cli {

namespace {

const char kTreeUsage[] =
    "usage: quelix-cli tree [--mode 0|1|2 | --format jq|jsonpath|pointer|js|python] FILE\n"
    "\n"
    "Parses FILE (\"-\" = standard input; encoding detected) and prints one line per tree item, in\n"
    "tree order: PATH<TAB>LEVEL<TAB>IMAGE<TAB>TEXT, UTF-8, each line ending in LF. The first item is\n"
    "the top item \"Tolvar·JSON\" with an empty path. IMAGE is 0 object, 1 array, 2 value.\n"
    "Tab, CR, LF, NUL and backslash inside a path or text are written as \\t, \\r, \\n, \\0 and \\\\,\n"
    "so a line splits on tabs and each field decodes exactly.\n"
    "  --mode 0   default paths:                  a.items[3].b (default)\n"
    "  --mode 1   array index as its own segment: a.items.[3].b\n"
    "  --mode 2   platform library form:          //a.items.[3].b\n"
    "  --format F the path in another tool's syntax: jq (.a.items[3].b), jsonpath ($.a.items[3].b),\n"
    "             pointer (/a/items/3/b), js (data.a.items[3].b), python "
    "(data[\"a\"][\"items\"][3][\"b\"]);\n"
    "             an empty PATH where the syntax cannot name the node (a repeated key, a member\n"
    "             without a key, a keyed array element, several top-level values)\n";

// The paths of every node in a tool's syntax, in tree order (the root first), computed in one
// pre-order walk: each container's key counts are made once, when it is entered.
class ToolPathWalk {
public:
    ToolPathWalk(const rg_Tolvar_JSON::rg_TolvarJSONLei& doc, rg_Tolvar_JSON::ToolPathSyntax syntax)
        : syntax_(syntax), severalValues_(doc.topLevelValueCount() > 1) {
        path_ = rg_Tolvar_JSON::toolPathRoot(syntax);
        frames_.push_back(Frame{&doc.root(), 0, path_.size(), !severalValues_, {}});
        first_ = true;
    }

    // The next node's path, or an empty text when the syntax cannot name it.
    CWString next() {
        if (first_) {
            first_ = false;
            enter();
            return frames_.back().nameable ? path_ : CWString();
        }
        while (frames_.size() > 1 && frames_.back().next >= frames_.back().node->childCount())
            frames_.pop_back();
        Frame& f = frames_.back();
        const rg_Tolvar_JSON::rg_TolvarJSONJieDian* child = f.node->child(f.next);
        const int32_t index = f.next++;
        path_.resize(f.pathLength);
        bool nameable = f.nameable;
        if (nameable) {
            const auto it = f.keyCounts.find(rg_Tolvar_JSON::decodedKey(child->keyText()));
            const bool repeated = !child->keyText().empty() && it != f.keyCounts.end() && it->second > 1;
            CWString why;
            nameable = rg_Tolvar_JSON::appendToolPathSegment(*child, index, repeated, syntax_, path_, why);
        }
        frames_.push_back(Frame{child, 0, path_.size(), nameable, {}});
        enter();
        return nameable ? path_ : CWString();
    }

private:
    struct Frame {
        const rg_Tolvar_JSON::rg_TolvarJSONJieDian* node;
        int32_t next;
        size_t pathLength;
        bool nameable;
        std::unordered_map<CWString, int32_t> keyCounts;
    };

    void enter() {
        Frame& f = frames_.back();
        if (!f.nameable || f.node->nodeType() != rg_Tolvar_JSON::Object) return;
        for (int32_t i = 0, n = f.node->childCount(); i < n; ++i) {
            const rg_Tolvar_JSON::rg_TolvarJSONJieDian* c = f.node->child(i);
            if (!c->keyText().empty()) ++f.keyCounts[rg_Tolvar_JSON::decodedKey(c->keyText())];
        }
    }

    rg_Tolvar_JSON::ToolPathSyntax syntax_;
    bool severalValues_;
    bool first_;
    CWString path_;
    std::vector<Frame> frames_;
};

bool parseFormat(const std::string& name, rg_Tolvar_JSON::ToolPathSyntax& out) {
    using S = rg_Tolvar_JSON::ToolPathSyntax;
    const std::pair<const char*, S> names[] = {{"jq", S::Jq},
                                               {"jsonpath", S::JsonPath},
                                               {"pointer", S::JsonPointer},
                                               {"js", S::JavaScript},
                                               {"python", S::Python}};
    for (const auto& [n, s] : names)
        if (name == n) {
            out = s;
            return true;
        }
    return false;
}

} // namespace

int cmdTree(const Args& args) {
    using Store = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;
    using rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
    ParsedArgs parsed;
    std::string error;
    if (!parseOptions(args, {{"mode", true}, {"format", true}}, parsed, error))
        return usageError("tree", error, kTreeUsage);
    if (parsed.help) return printHelp(kTreeUsage);
    if (parsed.positionals.size() != 1)
        return usageError("tree", parsed.positionals.empty() ? "missing FILE" : "too many arguments",
                          kTreeUsage);
    const std::string modeText = parsed.value("mode", "0");
    if (modeText != "0" && modeText != "1" && modeText != "2")
        return usageError("tree", "unknown mode '" + modeText + "'", kTreeUsage);
    const int32_t mode = modeText[0] - '0';
    rg_Tolvar_JSON::ToolPathSyntax syntax{};
    const bool toolFormat = parsed.has("format");
    if (toolFormat && parsed.has("mode"))
        return usageError("tree", "--mode and --format exclude each other", kTreeUsage);
    if (toolFormat && !parseFormat(parsed.value("format"), syntax))
        return usageError("tree", "unknown format '" + parsed.value("format") + "'", kTreeUsage);

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
    std::optional<ToolPathWalk> walk;
    if (toolFormat) walk.emplace(document, syntax);
    store.forEachItemPath(mode, [&](int32_t item, const ItemCursor& cursor, CWStringView path) {
        ItemCursor c = cursor;
        // Items are the nodes in pre-order, the top item standing for the root.
        appendField(out, walk ? CWStringView(walk->next()) : path);
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
