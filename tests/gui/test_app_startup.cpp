// The program's command line and a file opened at start, as the desktop entry's "quelix %f" does.
#include <QTimer>

#include "app/startup.h"
#include "app_test_base.h"

using namespace app_test;
using namespace rg_Korrin_ChengXu;
using rg_Korrin_ChuangKou::fromQString;

class StartupTest : public AppTestBase {
    Q_OBJECT
private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("file");
        const QString abs = QDir::current().absoluteFilePath(QStringLiteral("rel.json"));
        QTest::newRow("none") << QStringList{"quelix"} << -1 << QString();
        QTest::newRow("absolute") << QStringList{"quelix", "/tmp/a b.json"} << -1
                                  << QStringLiteral("/tmp/a b.json");
        QTest::newRow("relative") << QStringList{"quelix", "rel.json"} << -1 << abs;
        QTest::newRow("after --") << QStringList{"quelix", "--", "-odd.json"} << -1
                                  << QDir::current().absoluteFilePath(QStringLiteral("-odd.json"));
        QTest::newRow("version") << QStringList{"quelix", "--version"} << 0 << QString();
        QTest::newRow("help") << QStringList{"quelix", "--help"} << 0 << QString();
        QTest::newRow("unknown option") << QStringList{"quelix", "--wat"} << 2 << QString();
        QTest::newRow("two files") << QStringList{"quelix", "a.json", "b.json"} << 2 << QString();
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, file);
        CWString out = u"stale";
        QCOMPARE(readCommandLine(args, out), code);
        if (code == -1) QCOMPARE(out, fromQString(file));
    }

    // The file goes into the current slot after that slot's own file was read, so it is what the
    // tree shows and what the slot file then holds.
    void fileGivenAtStartIsOpenedIntoTheCurrentSlot() {
        QVERIFY(writeAll(slotFile(1), utf16File(u"{\"old\":1}")));
        const QString json = file(QStringLiteral("given.json"));
        QVERIFY(writeAll(json, QByteArray("{\"msg\":\"hi \xF0\x9F\x98\x80\"}")));
        rg_QiDongLei start(fromQString(dir_->path()));
        start.openAtStart(fromQString(json));
        Window& w = start.mainWindow();
        QTimer::singleShot(300, &w, [&w] { w.close(); });
        QCOMPARE(start.run(), 0);
        QCOMPARE(store(w).itemCount(), 2);
        QCOMPARE(store(w).getText(1), CWString(u"msg:\"hi \U0001F600\""));
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"msg\":\"hi \U0001F600\"}"));
    }

    void missingFileGivenAtStartLeavesTheSlot() {
        QVERIFY(writeAll(slotFile(1), utf16File(u"{\"old\":1}")));
        rg_QiDongLei start(fromQString(dir_->path()));
        start.openAtStart(fromQString(file(QStringLiteral("missing.json"))));
        Window& w = start.mainWindow();
        QTimer::singleShot(300, &w, [&w] { w.close(); });
        QCOMPARE(start.run(), 0);
        QCOMPARE(store(w).getText(1), CWString(u"old:1"));
        QCOMPARE(w.statusText(Window::kColOther), CWString(u"读取失败：missing.json"));
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"old\":1}"));
    }
};

QTEST_MAIN(StartupTest)
#include "test_app_startup.moc"
