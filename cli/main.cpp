// quelix-cli: the JSON engine's command-line face.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const quelix_cli::Args&);
    const char* summary;
};

const Command kCommands[] = {
    {"format", quelix_cli::cmdFormat, "print a JSON file indented or compact"},
    {"get", quelix_cli::cmdGet, "print the node at a JSON path"},
    {"extract", quelix_cli::cmdExtract, "pull the value at a path out of a file of any size"},
    {"escape", quelix_cli::cmdEscape, "escape standard input (\\uXXXX, &#xHHHH;, &#DDDD;)"},
    {"unescape", quelix_cli::cmdUnescape, "decode \\uXXXX escapes or HTML references"},
    {"tree", quelix_cli::cmdTree, "print the tree items of a JSON file with their paths"},
    {"find", quelix_cli::cmdFind, "find the next tree item whose text matches, as the window does"},
    {"set", quelix_cli::cmdSet, "give the node at a path a new value, keeping every other token"},
    {"rename", quelix_cli::cmdRename, "give the member at a path a new key"},
    {"add", quelix_cli::cmdAdd, "append a member to the node at a path"},
    {"delete", quelix_cli::cmdDelete, "remove the node at a path"},
};

int usage(FILE* out) {
    std::fputs("usage: quelix-cli COMMAND [OPTIONS] ARGS...\n\ncommands:\n", out);
    for (const Command& c : kCommands)
        std::fprintf(out, "  %-9s %s\n", c.name, c.summary);
    std::fputs(
        "\n'quelix-cli COMMAND --help' describes a command; 'quelix-cli --version' prints the version.\n",
        out);
    return out == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage(stderr);
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") return usage(stdout);
    if (name == "--version") {
        std::fputs("quelix-cli " QUELIX_VERSION_TEXT "\n", stdout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (name == c.name) return c.run(quelix_cli::Args(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "quelix-cli: unknown command '%s'\n", name.c_str());
    return usage(stderr);
}
