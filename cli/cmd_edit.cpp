// quelix-cli set / rename / add / delete: the tree menu's editing operations on a file. Each parses
// FILE, changes one node with the engine's editing operations (every other token stays as it was
// written) and writes the whole document, to standard output or back into FILE.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "text/encoding.h"
#include "text/text_encode.h"
#include "json/document.h"

namespace quelix_cli {

namespace {

using rg_Tolvar_JSON::rg_TolvarJSONJieDian;
using rg_Tolvar_JSON::rg_TolvarJSONLei;

#define QUELIX_EDIT_COMMON                                                                                   \
    "Writes the whole edited document, as UTF-8, to standard output: indented with two spaces and\n"         \
    "CR LF line breaks as 'format' writes it, or on one line with --compact. With --in-place FILE\n"         \
    "is replaced instead (atomically, permissions kept), in the encoding it was read in, with its\n"         \
    "byte-order mark kept or absent as it was; a text that would not read back exactly in that\n"            \
    "encoding is refused and FILE left untouched.\n"                                                         \
    "PATH uses the path syntax of 'get'; the empty path names the whole document.\n"                         \
    "Exit status 0 done, 1 PATH names nothing (nothing is written), 2 usage error, unreadable or\n"          \
    "unwritable file.\n"                                                                                     \
    "  --compact       the compact layout\n"                                                                 \
    "  --in-place      write FILE back instead of standard output\n"

const char kSetUsage[] =
    "usage: quelix-cli set [--raw] [--create] [--compact] [--in-place] FILE PATH TEXT\n"
    "\n"
    "Gives the node at PATH the value TEXT (trimmed), as the tree menu's change-value command does:\n"
    "empty text becomes \"\", a text starting with a quote is stored as written, a text starting\n"
    "with [ or { is parsed into a subtree, any other text is wrapped in double quotes (kept bare\n"
    "with --raw). Nothing is escaped.\n" QUELIX_EDIT_COMMON
    "  --raw           a plain text stays bare (a number, true, null, a word)\n"
    "  --create        create missing members (value \"\") and array elements along PATH; key->n\n"
    "                  adds members up to the (n+1)-th named key, [n] elements up to index n\n";

const char kRenameUsage[] =
    "usage: quelix-cli rename [--raw] [--compact] [--in-place] FILE PATH KEY\n"
    "\n"
    "Gives the member at PATH the key KEY, as the tree menu's change-key command does: KEY is\n"
    "wrapped in double quotes unless it begins with a quote (stored as typed with --raw). Array\n"
    "elements have no key to change (exit status 1).\n" QUELIX_EDIT_COMMON
    "  --raw           store KEY as typed (a bare key)\n";

const char kAddUsage[] =
    "usage: quelix-cli add [--compact] [--in-place] FILE PATH KEY VALUE\n"
    "\n"
    "Appends the member KEY:VALUE to the node at PATH, which becomes an object (an array's elements\n"
    "stay, as members without a key). KEY is wrapped in double quotes unless it begins with a quote;\n"
    "VALUE is stored as 'set' without --raw stores it.\n" QUELIX_EDIT_COMMON;

const char kDeleteUsage[] = "usage: quelix-cli delete [--compact] [--in-place] FILE PATH\n"
                            "\n"
                            "Removes the node at PATH from its container; the empty path empties the whole "
                            "document.\n" QUELIX_EDIT_COMMON;

#undef QUELIX_EDIT_COMMON

const char kNotFound[] = "找不到节点，请检查路径";
const char kArrayElementKey[] = "这是数组序号名称，不允许修改！";
const char kSelectNode[] = "请选中具体的节点！";

// The edit itself: changes the document and returns 0, or returns 1 (message printed) when the
// node it needs is not there. The positionals are FILE and the command's operands.
using Edit = std::function<int(rg_TolvarJSONLei&, const ParsedArgs&)>;

struct EditCommand {
    const char* name;
    const char* usage;
    std::vector<OptionDef> extraOptions;
    size_t operands; // after FILE
    const char* missing;
};

int fail(const char* command, const std::string& message) {
    std::fprintf(stderr, "quelix-cli %s: %s\n", command, message.c_str());
    return 2;
}

int notFound() {
    std::fprintf(stderr, "%s\n", kNotFound);
    return 1;
}

CWString utf16(const std::string& s) {
    return rg_Tolvar_MingLingJi::utf8ToUtf16(s);
}

// The node at `path`; null (message printed) when it names nothing.
rg_TolvarJSONJieDian* nodeAt(rg_TolvarJSONLei& doc, const std::string& path) {
    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
    rg_Tolvar_JSON::splitPath(utf16(path), segments);
    rg_TolvarJSONJieDian* node = rg_Tolvar_JSON::walkPath(doc.root(), segments, 0);
    if (!node) notFound();
    return node;
}

// The node at `path`, creating missing members and elements segment by segment as the tree menu's
// new-node command does; null (message printed) when a segment can't be created.
rg_TolvarJSONJieDian* createAt(rg_TolvarJSONLei& doc, const std::string& path) {
    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
    rg_Tolvar_JSON::splitPath(utf16(path), segments);
    rg_TolvarJSONJieDian* node = &doc.root();
    for (size_t i = 0; i < segments.size(); ++i) {
        node = rg_Tolvar_JSON::childBySegment(*node, segments[i], true);
        if (node->isEmptyObject()) {
            notFound();
            return nullptr;
        }
    }
    return node;
}

// Parses the arguments, loads FILE, runs `edit` and writes the result.
int runEdit(const EditCommand& cmd, const Args& args, const Edit& edit) {
    std::vector<OptionDef> defs = {{"compact", false}, {"in-place", false}};
    defs.insert(defs.end(), cmd.extraOptions.begin(), cmd.extraOptions.end());
    ParsedArgs parsed;
    std::string error;
    if (!parseOptions(args, defs, parsed, error)) return usageError(cmd.name, error, cmd.usage);
    if (parsed.help) return printHelp(cmd.usage);
    if (parsed.positionals.size() != cmd.operands + 1) {
        return usageError(cmd.name,
                          parsed.positionals.size() < cmd.operands + 1 ? cmd.missing : "too many arguments",
                          cmd.usage);
    }
    const std::string& file = parsed.positionals[0];
    const bool inPlace = parsed.has("in-place");
    if (inPlace && file == "-")
        return usageError(cmd.name, "--in-place needs a FILE, not standard input", cmd.usage);

    CWString text;
    InputInfo info;
    if (!readInputText(file, text, error, &info)) return fail(cmd.name, error);
    if (inPlace && info.cutAtNul)
        return fail(cmd.name, "'" + file + "' holds a U+0000; what follows it would be lost");
    rg_TolvarJSONLei doc;
    doc.parseText(text);
    text.clear();
    text.shrink_to_fit();

    if (int code = edit(doc, parsed); code != 0) return code;
    const CWString out = rg_Tolvar_JSON::toJsonText(doc.root(), parsed.has("compact"));

    if (!inPlace) {
        if (!writeOutput(out)) return fail(cmd.name, "cannot write standard output");
        return 0;
    }
    std::string bytes;
    if (!rg_Tolvar_MingLingJi::encodeTextExactly(out, info.encoding, info.hadMark, bytes)) {
        return fail(cmd.name, "the edited text can't be written back exactly in " +
                                  rg_Tolvar_MingLingJi::utf16ToUtf8(info.encoding) + "; '" + file +
                                  "' is left as it was");
    }
    if (!writeFileInPlace(file, bytes, info, error)) return fail(cmd.name, error);
    return 0;
}

} // namespace

int cmdSet(const Args& args) {
    static const EditCommand cmd{
        "set", kSetUsage, {{"raw", false}, {"create", false}}, 2, "missing FILE, PATH or TEXT"};
    return runEdit(cmd, args, [](rg_TolvarJSONLei& doc, const ParsedArgs& p) {
        const std::string& path = p.positionals[1];
        rg_TolvarJSONJieDian* node = p.has("create") ? createAt(doc, path) : nodeAt(doc, path);
        if (!node) return 1;
        rg_Tolvar_JSON::setValueText(*node, utf16(p.positionals[2]), p.has("raw"));
        return 0;
    });
}

int cmdRename(const Args& args) {
    static const EditCommand cmd{"rename", kRenameUsage, {{"raw", false}}, 2, "missing FILE, PATH or KEY"};
    return runEdit(cmd, args, [](rg_TolvarJSONLei& doc, const ParsedArgs& p) {
        rg_TolvarJSONJieDian* node = nodeAt(doc, p.positionals[1]);
        if (!node) return 1;
        if (node->parent() == nullptr) { // the document itself has no key that is written
            std::fprintf(stderr, "%s\n", kSelectNode);
            return 1;
        }
        if (node->parent()->nodeType() == rg_Tolvar_JSON::Array) {
            std::fprintf(stderr, "%s\n", kArrayElementKey);
            return 1;
        }
        rg_Tolvar_JSON::setKeyText(*node, utf16(p.positionals[2]), p.has("raw"));
        return 0;
    });
}

int cmdAdd(const Args& args) {
    static const EditCommand cmd{"add", kAddUsage, {}, 3, "missing FILE, PATH, KEY or VALUE"};
    return runEdit(cmd, args, [](rg_TolvarJSONLei& doc, const ParsedArgs& p) {
        rg_TolvarJSONJieDian* node = nodeAt(doc, p.positionals[1]);
        if (!node) return 1;
        rg_Tolvar_JSON::appendMember(*node, utf16(p.positionals[2]), utf16(p.positionals[3]));
        return 0;
    });
}

int cmdDelete(const Args& args) {
    static const EditCommand cmd{"delete", kDeleteUsage, {}, 1, "missing FILE or PATH"};
    return runEdit(cmd, args, [](rg_TolvarJSONLei& doc, const ParsedArgs& p) {
        if (rg_Tolvar_JSON::removeAtPath(doc, utf16(p.positionals[1])) == nullptr) return notFound();
        return 0;
    });
}

} // namespace quelix_cli
