// Where the program keeps its settings file and slot files.
//
// The data folder is the folder of the program file, so a copied program folder carries its
// data along. When that folder cannot be written (an installed program), the per-user
// application data folder is used instead. Tests give the main window a folder of their own and
// never call chooseDataFolder. Functions need a QCoreApplication; UI thread.
#pragma once

#include "runtime/types.h"

namespace rg_Korrin_ChengXu {

// True when a file can be created in `folder` (tried with a probe file that is removed again).
bool isFolderWritable(CWStringView folder);
// The program's folder when it is writable, else the per-user application data folder (created
// when missing). No trailing separator.
CWString chooseDataFolder();
// `folder` + "/" + `name`.
CWString fileInFolder(CWStringView folder, CWStringView name);

} // namespace rg_Korrin_ChengXu
