#include "app/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "runtime/ui/qt_text.h"

namespace rg_Korrin_ChengXu {

using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::toQString;

bool isFolderWritable(CWStringView folder) {
    // QFileInfo::isWritable only reads permission bits; a read-only mount or an ACL says no only
    // when a file is really created.
    QTemporaryFile probe(QDir(toQString(folder)).filePath(QStringLiteral(".quelix-probe-XXXXXX")));
    return probe.open();
}

CWString chooseDataFolder() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty() && isFolderWritable(fromQString(programFolder)))
        return fromQString(QDir::cleanPath(programFolder));
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!userFolder.isEmpty() && QDir().mkpath(userFolder))
        return fromQString(QDir::cleanPath(userFolder));
    return fromQString(QDir::cleanPath(programFolder)); // nothing better: writes will report failure
}

CWString fileInFolder(CWStringView folder, CWStringView name) {
    CWString out(folder);
    if (!out.empty() && out.back() != u'/' && out.back() != u'\\')
        out += u'/';
    out += name;
    return out;
}

} // namespace rg_Korrin_ChengXu
