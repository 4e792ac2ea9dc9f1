#include "app/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

std::vector<CWString> dataFileNames() {
    std::vector<CWString> names{u"软件配置.ini"};
    for (int i = 1; i <= 20; ++i) {
        const std::string n = std::to_string(i);
        names.push_back(u"JSON树" + CWString(n.begin(), n.end()) + u".txt");
    }
    return names;
}

namespace {

// Copies one file through a temporary file in the target folder, so an interrupted copy never
// leaves a half-written data file; an existing target is kept.
bool copyFileAtomically(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return false;
    QTemporaryFile out(to + QStringLiteral(".XXXXXX"));
    if (!out.open()) return false;
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) return false;
        if (n == 0) break;
        if (out.write(buffer, n) != n) return false;
    }
    if (!out.flush()) return false;
    out.close();
    // QFile::rename refuses an existing target, which is what keeps the user's files.
    if (!QFile::rename(out.fileName(), to)) return false;
    out.setAutoRemove(false);
    return true;
}

} // namespace

int copyDataFilesOnce(CWStringView from, CWStringView to) {
    const QDir source(toQString(from)), target(toQString(to));
    if (QFileInfo(source.path()).canonicalFilePath() == QFileInfo(target.path()).canonicalFilePath())
        return 0;
    const std::vector<CWString> names = dataFileNames();
    for (const CWString& name : names)
        if (QFileInfo::exists(target.filePath(toQString(name)))) return 0; // the folder is in use already
    int copied = 0;
    for (const CWString& name : names) {
        const QString path = source.filePath(toQString(name));
        if (QFileInfo(path).isFile() && copyFileAtomically(path, target.filePath(toQString(name)))) ++copied;
    }
    return copied;
}

CWString chooseDataFolder(CWStringView programFolder, CWStringView userFolder) {
    if (!programFolder.empty() && isFolderWritable(programFolder))
        return fromQString(QDir::cleanPath(toQString(programFolder)));
    if (!userFolder.empty() && QDir().mkpath(toQString(userFolder))) {
        if (!programFolder.empty()) copyDataFilesOnce(programFolder, userFolder);
        return fromQString(QDir::cleanPath(toQString(userFolder)));
    }
    return fromQString(
        QDir::cleanPath(toQString(programFolder))); // nothing better: writes will report failure
}

CWString userDataFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? CWString() : fromQString(QDir(base).filePath(QStringLiteral("Tolvar/Quelix")));
}

CWString chooseDataFolder() {
    return chooseDataFolder(fromQString(QCoreApplication::applicationDirPath()), userDataFolder());
}

CWString fileInFolder(CWStringView folder, CWStringView name) {
    CWString out(folder);
    if (!out.empty() && out.back() != u'/' && out.back() != u'\\') out += u'/';
    out += name;
    return out;
}

} // namespace rg_Korrin_ChengXu
