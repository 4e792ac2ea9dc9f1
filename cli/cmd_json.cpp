#include <cstdio>

#include "cli/commands.h"

namespace quelix_cli {

int cmdFormat(const Args&) {
    std::fputs("quelix-cli: this command is not available yet\n", stderr);
    return 2;
}

int cmdGet(const Args&) {
    std::fputs("quelix-cli: this command is not available yet\n", stderr);
    return 2;
}

} // namespace quelix_cli
