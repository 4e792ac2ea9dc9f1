// The data folder rule: the program's folder when writable, else the per-user folder, into which
// the files beside the program are copied once, never over the user's own.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/data_folder.h"
#include "runtime/ui/qt_text.h"

using namespace rg_Korrin_ChengXu;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::toQString;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class DataFolderTest : public QObject {
    Q_OBJECT
private slots:
    void names() {
        const std::vector<CWString> n = dataFileNames();
        QCOMPARE(n.size(), size_t(21));
        QCOMPARE(n.front(), CWString(u"软件配置.ini"));
        QCOMPARE(n[1], CWString(u"JSON树1.txt"));
        QCOMPARE(n.back(), CWString(u"JSON树20.txt"));
    }

    void writableProgramFolderIsUsed() {
        QTemporaryDir program, user;
        QCOMPARE(chooseDataFolder(fromQString(program.path()), fromQString(user.filePath("u"))),
                 fromQString(QDir::cleanPath(program.path())));
        QVERIFY(!QFileInfo::exists(user.filePath("u"))); // not even created
    }

    void unwritableProgramFolderFallsBackToTheUserFolder() {
        // A folder that does not exist cannot be written, even by root.
        QTemporaryDir base;
        const QString user = base.filePath("share/Tolvar/Quelix");
        QCOMPARE(chooseDataFolder(fromQString(base.filePath("gone")), fromQString(user)), fromQString(user));
        QVERIFY(QFileInfo(user).isDir());
    }

    void filesBesideTheProgramAreCopiedOnce() {
        QTemporaryDir program, user;
        const QByteArray settings("\xFF\xFE[\0", 4), slot3("\xFF\xFE{\0}\0", 6);
        QVERIFY(writeFile(program.filePath(u"软件配置.ini"_qs), settings));
        QVERIFY(writeFile(program.filePath(u"JSON树3.txt"_qs), slot3));
        QVERIFY(writeFile(program.filePath(u"other.txt"_qs), "x"));
        QCOMPARE(copyDataFilesOnce(fromQString(program.path()), fromQString(user.path())), 2);
        QCOMPARE(readFile(user.filePath(u"软件配置.ini"_qs)), settings);
        QCOMPARE(readFile(user.filePath(u"JSON树3.txt"_qs)), slot3);
        QVERIFY(!QFileInfo::exists(user.filePath("other.txt")));
        QCOMPARE(QDir(user.path()).entryList(QDir::Files).size(), 2); // no temporary files left

        // Once the user folder holds data files, it is the user's: nothing is copied over them.
        QVERIFY(writeFile(user.filePath(u"JSON树3.txt"_qs), "mine"));
        QVERIFY(writeFile(program.filePath(u"JSON树4.txt"_qs), "new"));
        QCOMPARE(copyDataFilesOnce(fromQString(program.path()), fromQString(user.path())), 0);
        QCOMPARE(readFile(user.filePath(u"JSON树3.txt"_qs)), QByteArray("mine"));
        QVERIFY(!QFileInfo::exists(user.filePath(u"JSON树4.txt"_qs)));
    }

    void aFolderIsNeverCopiedOntoItself() {
        QTemporaryDir program;
        QVERIFY(writeFile(program.filePath(u"JSON树1.txt"_qs), "a"));
        QCOMPARE(copyDataFilesOnce(fromQString(program.path()), fromQString(program.path() + "/.")), 0);
        QCOMPARE(readFile(program.filePath(u"JSON树1.txt"_qs)), QByteArray("a"));
    }

    void userFolderFollowsXdgDataHome() {
        QTemporaryDir base;
        qputenv("XDG_DATA_HOME", base.path().toLocal8Bit());
        QCOMPARE(userDataFolder(), fromQString(base.path() + "/Tolvar/Quelix"));
        qunsetenv("XDG_DATA_HOME");
        QVERIFY(toQString(userDataFolder()).endsWith("/.local/share/Tolvar/Quelix"));
    }
};

QTEST_GUILESS_MAIN(DataFolderTest)
#include "test_app_data_folder.moc"
