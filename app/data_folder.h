// Where the program keeps its settings file and slot files.
//
// The data folder is the folder of the program file when that folder is writable, so a copied
// program folder carries its data along. When it cannot be written (an installed program), the
// per-user data folder is used instead: $XDG_DATA_HOME/Tolvar/Quelix, else
// ~/.local/share/Tolvar/Quelix. The first time that folder is used, the settings and slot files
// that lie beside the program are copied into it, so nothing the user had becomes invisible.
// Tests give the main window a folder of their own. Functions need a QCoreApplication; UI thread.
#pragma once

#include <vector>

#include "runtime/types.h"

namespace rg_Korrin_ChengXu {

// True when a file can be created in `folder` (tried with a probe file that is removed again).
bool isFolderWritable(CWStringView folder);
// The names of the files the data folder holds: "软件配置.ini" and "JSON树1.txt" .. "JSON树20.txt".
std::vector<CWString> dataFileNames();
// Copies the data files of `from` into `to` when `to` holds none of them yet; each copy is
// written under a temporary name and renamed, and nothing in `to` is ever replaced. Returns the
// number of files copied.
int copyDataFilesOnce(CWStringView from, CWStringView to);
// The data folder for a program in `programFolder`, with `userFolder` as the per-user data folder
// (created when missing). No trailing separator.
CWString chooseDataFolder(CWStringView programFolder, CWStringView userFolder);
// The same for this program, with the per-user folder of the rule above.
CWString chooseDataFolder();
// The per-user data folder of the rule above (not created).
CWString userDataFolder();
// `folder` + "/" + `name`.
CWString fileInFolder(CWStringView folder, CWStringView name);

} // namespace rg_Korrin_ChengXu
