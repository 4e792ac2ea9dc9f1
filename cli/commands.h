// quelix-cli commands. Each takes the arguments after the command name and returns the exit code:
// 0 success, 1 the path names nothing (or nothing matched, or the node can't take the edit), 2 usage
// error or unreadable or unwritable file.
#pragma once

#include <string>
#include <vector>

namespace quelix_cli {

using Args = std::vector<std::string>;

int cmdFormat(const Args& args);   // cmd_json.cpp
int cmdGet(const Args& args);      // cmd_json.cpp
int cmdExtract(const Args& args);  // cmd_extract.cpp
int cmdEscape(const Args& args);   // cmd_codec.cpp
int cmdUnescape(const Args& args); // cmd_codec.cpp
int cmdTree(const Args& args);     // cmd_tree.cpp
int cmdFind(const Args& args);     // cmd_find.cpp
int cmdSet(const Args& args);      // cmd_edit.cpp
int cmdRename(const Args& args);   // cmd_edit.cpp
int cmdAdd(const Args& args);      // cmd_edit.cpp
int cmdDelete(const Args& args);   // cmd_edit.cpp

} // namespace quelix_cli
