// The main window's start-up, settings and slot files under the conditions real use brings: hand-
// edited and corrupt settings files, slot files that cannot be read (too large, out of memory) or
// cannot be written, session-manager save requests, source texts holding U+0000, failed stream
// extractions, and the memory a slot file's read holds. Each test reproduces a fault found in use
// and checks the invariant that mends it:
// - any settings file starts the window, and every list keeps a valid selection;
// - a slot file the program did not read is never written, renamed over or emptied, unless the user
//   parses new text into that slot;
// - a save requested by the session manager does not stop the real close from saving;
// - the slot file gives back the whole source text at the next start;
// - no change is claimed that was not made;
// - a failed stream extraction leaves the slot and its file as they were.
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSessionManager>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app/startup.h"
#include "app_test_base.h"
#include "runtime/ui/platform.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "json/node.h"

using namespace rg_Korrin_ChengXu;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::toQString;
using namespace app_test;

namespace {

// A settings file's bytes: UTF-16LE with its byte-order mark.
QByteArray iniBytes(const QString& text) {
    QByteArray out("\xFF\xFE", 2);
    out.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return out;
}

struct FileStamp {
    qint64 size = -1;
    ino_t inode = 0;
    timespec modified{};
    bool operator==(const FileStamp& o) const {
        return size == o.size && inode == o.inode && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

FileStamp stampOf(const QString& path) {
    struct stat st {};
    FileStamp s;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        s.size = st.st_size;
        s.inode = st.st_ino;
        s.modified = st.st_mtim;
    }
    return s;
}

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"), -1 when not there.
long statusKiB(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray wanted = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(wanted)) return line.mid(wanted.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Resets the peak resident size (VmHWM) to the current one; false where the kernel does not allow it.
bool resetPeakMemory() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// Lowers the address-space limit for its lifetime so that large allocations fail.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t headroomBytes) {
        ::getrlimit(RLIMIT_AS, &saved_);
        const long vmKiB = statusKiB("VmSize");
        struct rlimit lowered = saved_;
        lowered.rlim_cur = rlim_t(vmKiB) * 1024 + headroomBytes;
        active_ = vmKiB > 0 && ::setrlimit(RLIMIT_AS, &lowered) == 0;
    }
    ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &saved_); }
    bool active() const { return active_; }

private:
    struct rlimit saved_ {};
    bool active_ = false;
};

} // namespace

class AppSlotSafetyTest : public AppTestBase {
    Q_OBJECT

    // Toggles 20014 twice (each toggle re-parses the slot's source text), then marks the slot
    // edited as a tree command does and closes the window.
    void reparseEditAndClose(std::unique_ptr<Window> w) {
        QVERIFY(w->onTreeMenuCommand(rg_ShuCaiChanLei::kDecodeOnParse));
        QVERIFY(w->onTreeMenuCommand(rg_ShuCaiChanLei::kDecodeOnParse));
        w->current()->slotDirty = true;
        w->close();
    }

private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    // ---- fault 1: a settings file that crashed every start ------------------------------------

    void anySettingsFileStartsTheWindow_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("outputFormat"); // the list's selection after the start
        const QString h = QStringLiteral("[主界面]\r\n");
        QTest::newRow("compact output only") << iniBytes(h + QStringLiteral("组合框输出格式=1")) << 1;
        QTest::newRow("compact, no header") << iniBytes(QStringLiteral("组合框输出格式=1")) << 0;
        QTest::newRow("output -1") << iniBytes(h + QStringLiteral("组合框输出格式=-1")) << 0;
        QTest::newRow("output huge") << iniBytes(h + QStringLiteral("组合框输出格式=99999999999")) << 0;
        QTest::newRow("output garbage") << iniBytes(h + QStringLiteral("组合框输出格式=紧凑")) << 0;
        QTest::newRow("every list -1")
            << iniBytes(h + QStringLiteral("组合框输出格式=-1\r\n组合框JSON文件编码=-1\r\n组合框匹配模式=-1"))
            << 0;
        QTest::newRow("every list out of range")
            << iniBytes(h + QStringLiteral("组合框输出格式=2\r\n组合框JSON文件编码=4\r\n组合框匹配模式=-7"))
            << 0;
        QTest::newRow("every option on, compact")
            << iniBytes(h +
                        QStringLiteral(
                            "Tolvar按钮查找树数据.选中=真\r\nTolvar按钮文件流解析.选中=真\r\n"
                            "Tolvar选中框窗口置顶=真\r\nTolvar选中框文字图标=真\r\n组合框输出格式=1\r\n"
                            "菜单解析到树时自动USC2解码=真\r\n菜单节点取值时自动USC2解码=假\r\n"
                            "菜单JSON路径模式:默认=真\r\n菜单JSON路径模式:KorrinJSON=真\r\n当前组件序号=19"))
            << 1;
        QTest::newRow("no path mode, booleans garbage")
            << iniBytes(h + QStringLiteral(
                                "菜单JSON路径模式:默认=yes\r\nTolvar选中框文字图标=1\r\n组合框输出格式=1 "))
            << 1;
        QTest::newRow("slot number garbage")
            << iniBytes(h + QStringLiteral("当前组件序号=-2147483648\r\n组合框输出格式=1")) << 1;
        QTest::newRow("UTF-8 file") << (QStringLiteral("[主界面]\r\n组合框输出格式=1\r\n").toUtf8()) << 0;
        QTest::newRow("odd length") << iniBytes(h + QStringLiteral("组合框输出格式=1")).append('\x01') << 1;
        QTest::newRow("binary") << QByteArray("\xFF\xFE\x00\x00\x5B\x00\xFF\xFF\x0D\x00\x0A", 11) << 0;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("header only, no line break") << iniBytes(QStringLiteral("[主界面]")) << 0;
        QTest::newRow("key without value") << iniBytes(h + QStringLiteral("组合框输出格式=")) << 0;
    }
    void anySettingsFileStartsTheWindow() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, outputFormat);
        QVERIFY(writeAll(iniFile(), bytes));
        for (int start = 0; start < 2; ++start) {
            auto w = makeWindow();
            w->show();
            w->onFirstActivated();
            QCOMPARE(w->outputFormatList->currentIndex(), outputFormat);
            for (rg_XiaLaLieBiaoKuang* list : {w->outputFormatList, w->encodingList, w->matchModeList})
                QVERIFY(list->currentIndex() >= 0 && list->currentIndex() < list->count());
            if (w->currentSlot() < 0) // an out-of-range slot number leaves no slot current
                click(w->slotBar->tab(0));
            QVERIFY(w->current() != nullptr);
            platform_->clipboard = u"{\"a\":[1,{\"b\":2}]}";
            click(w->clipboardParseButton);
            store(*w).setSelection(1);
            const CWString shown = w->current()->pane->text();
            QVERIFY(!shown.empty());
            QCOMPARE(shown.find(u"\r\n") == CWString::npos, outputFormat == 1); // compact or indented
            // Changing the output format reads the node again in the other layout.
            w->outputFormatList->setCurrentIndex(1 - w->outputFormatList->currentIndex());
            QVERIFY(w->current()->pane->text() != shown);
            w->outputFormatList->setCurrentIndex(outputFormat);
            w->close();
            // The second start reads the file this window saved.
        }
    }

    // ---- fault 4: a slot file that was not read is never overwritten --------------------------

    void tooLargeSlotFileIsNeverWritten() {
        // Over the whole-file limit (sparse, so it costs no disk): reading refuses it.
        {
            QFile big(slotFile(1));
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.write("\xFF\xFE[\0", 4) == 4);
            QVERIFY(big.resize(qint64(3) << 30));
        }
        const FileStamp before = stampOf(slotFile(1));
        auto w = shownWindow();
        QVERIFY(w->statusText(4).starts_with(u"读取失败，未改写文件"));
        QCOMPARE(store(*w).itemCount(), 1);
        QVERIFY(!w->current()->slotDirty);
        // Re-parsing the source text (20014) and closing after an edit leave the file alone.
        reparseEditAndClose(std::move(w));
        QCOMPARE(stampOf(slotFile(1)), before);
        // The edit is kept beside it, and the user is told where.
        QVERIFY(QFile::exists(slotFile(1) + QStringLiteral(".edited")));
        QCOMPARE(readAll(slotFile(1) + QStringLiteral(".edited")), utf16File(u"{}"));
        QCOMPARE(platform_->messageBoxes.size(), size_t(1));
        QVERIFY(platform_->messageBoxes[0].text.find(u"JSON树1.txt.edited") != CWString::npos);

        // The next start still refuses it, and an explicit parse into the slot adopts the slot
        // again: the user's new text replaces the file.
        auto again = shownWindow();
        QVERIFY(again->statusText(4).starts_with(u"读取失败，未改写文件"));
        QCOMPARE(stampOf(slotFile(1)), before);
        platform_->clipboard = u"{\"new\":1}";
        click(again->clipboardParseButton);
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"new\":1}"));
        again->current()->slotDirty = true;
        again->close();
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"new\":1}"));
    }

    void slotFileThatCannotBeHeldIsNeverWritten() {
        // An allocation failure while the file is read takes the "cannot read" path instead of
        // ending the program.
        const qint64 size = qint64(400) << 20;
        {
            QFile big(slotFile(2));
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.write("\xFF\xFE{\0}\0", 6) == 6);
            QVERIFY(big.resize(size));
        }
        const FileStamp before = stampOf(slotFile(2));
        auto w = shownWindow();
        platform_->clipboard = u"{\"slot1\":true}";
        click(w->clipboardParseButton);
        w->current()->slotDirty = true; // an unsaved edit in another slot must survive
        {
            AddressSpaceLimit limit(rlim_t(96) << 20);
            if (!limit.active()) QSKIP("the address-space limit cannot be lowered here");
            click(w->slotBar->tab(1));
        }
        QCOMPARE(w->currentSlot(), 1);
        QVERIFY(w->statusText(4).starts_with(u"读取失败，未改写文件"));
        QCOMPARE(store(*w).itemCount(), 1);
        QVERIFY(w->slot(0).slotDirty);
        reparseEditAndClose(std::move(w));
        QCOMPARE(stampOf(slotFile(2)), before);
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"slot1\":true}"));
    }

    // ---- fault 5: a session manager's save request ---------------------------------------------

    void sessionSaveDoesNotDisableTheCloseSave() {
        rg_QiDongLei startUp(fromQString(dir_->path()));
        rg_ZhuChuangKou1& w = startUp.mainWindow();
        w.show();
        w.onFirstActivated();
        platform_->clipboard = u"{\"a\":[1,2]}";
        click(w.clipboardParseButton);
        w.current()->slotDirty = true;
        w.findTextBox->setContent(u"before the checkpoint");
        // The session manager asks the program to save (a checkpoint, or a logout the user then
        // cancels). The request's manager object is not used by the program.
        alignas(16) char manager[256] = {};
        emit static_cast<QGuiApplication*>(QCoreApplication::instance())
            ->commitDataRequest(*reinterpret_cast<QSessionManager*>(manager));
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"a\":[1, 2]}"));
        QVERIFY(!w.current()->slotDirty);
        const auto contains = [&](const CWString& text) {
            return readAll(iniFile()).contains(
                QByteArray(reinterpret_cast<const char*>(text.data()), qsizetype(text.size() * 2)));
        };
        QVERIFY(contains(u"before the checkpoint"));
        // The session goes on: later edits and options are saved by the real close.
        platform_->clipboard = u"{ \"b\" : 3 }";
        click(w.clipboardParseButton);
        w.current()->slotDirty = true;
        w.findTextBox->setContent(u"after the checkpoint");
        w.close();
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"b\":3}"));
        QVERIFY(contains(u"after the checkpoint"));
    }

    // ---- fault 6: the memory a slot file's read holds ------------------------------------------

    void readingASlotFileHoldsAboutTwoCopies() {
        // A small document padded with white space: the document and the tree keep next to
        // nothing, so the peak is the read's (and the source text the slot keeps).
        const qint64 units = qint64(32) << 20; // 64 MiB of UTF-16
        {
            CWString text = u"[1]";
            text.append(size_t(units - 3), u' ');
            QVERIFY(writeAll(slotFile(1), utf16File(text)));
        }
        const double fileMiB = double(units * 2 + 2) / (1 << 20);
        auto w = makeWindow();
        w->show();
        if (!resetPeakMemory()) QSKIP("the peak resident size cannot be reset here");
        const long baseKiB = statusKiB("VmRSS");
        w->onFirstActivated();
        const long peakKiB = statusKiB("VmHWM");
        QCOMPARE(store(*w).itemCount(), 2);
        QCOMPARE(w->current()->sourceText.size(), size_t(units));
        const double copies = double(peakKiB - baseKiB) / 1024 / fileMiB;
        qInfo("slot file of %.0f MiB: reading and parsing it peaked at %.2f times its size", fileMiB, copies);
        // The file's bytes and the text: two copies (six before).
        QVERIFY2(copies < 2.3, qPrintable(QStringLiteral("%1 copies").arg(copies)));
    }

    // ---- fault 8: the window caption -----------------------------------------------------------

    void captionIsExactlyTheProgramsTitle() {
        rg_QiDongLei startUp(fromQString(dir_->path()));
        const QString title = startUp.mainWindow().windowTitle();
        QCOMPARE(title, QStringLiteral("Tolvar·Quelix(Veltrix) v1.7.0.0"));
        // Qt's X11 and Wayland windows append an application display name that was set (never the
        // fallback, the application name) unless the caption already ends with it. Whether one
        // was set shows when the application name changes.
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("probe-name"));
        const bool displayNameSet = QGuiApplication::applicationDisplayName() != QStringLiteral("probe-name");
        const QString displayName = QGuiApplication::applicationDisplayName();
        QCoreApplication::setApplicationName(name);
        QVERIFY2(!displayNameSet || title.endsWith(displayName),
                 qPrintable(QStringLiteral("the caption would read \"%1 — %2\"").arg(title, displayName)));
        QCOMPARE(startUp.mainWindow().banner->displayName(), CWString(u"Tolvar·Quelix"));
    }

    // ---- fault 9: a slot file that cannot be rewritten when first shown ------------------------

    void firstShowWriteFailureClaimsNoChange() {
        // A readable file that cannot be replaced, even by root: the symbolic link's target lies in
        // /proc, where no file can be created beside it.
        if (!QFile::exists(QStringLiteral("/proc/version"))) QSKIP("no /proc/version");
        QVERIFY(QFile::link(QStringLiteral("/proc/version"), slotFile(1)));
        auto w = shownWindow();
        QVERIFY(store(*w).itemCount() >= 1);
        QVERIFY(w->statusText(4).starts_with(u"写入失败")); // the failed rewrite is still reported
        QVERIFY(!w->current()->slotDirty);                  // but nothing was changed
        w->close();
        QVERIFY(platform_->messageBoxes.empty()); // no warning about changes nobody made
        QVERIFY(QFileInfo(slotFile(1)).isSymLink());
    }

    // ---- stream extraction into the tree ---------------------------------------------------------

    void failedStreamExtractionKeepsTheSlot_data() {
        QTest::addColumn<QString>("name"); // in the temporary folder; "" for an empty file path
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("jsonPath");
        QTest::addColumn<QString>("reason"); // what the last status column says
        QTest::newRow("missing file")
            << QStringLiteral("missing.json") << 1 << QStringLiteral("a") << QStringLiteral("无法打开文件");
        QTest::newRow("directory") << QStringLiteral("folder") << 1 << QStringLiteral("a")
                                   << QStringLiteral("无法打开文件");
        QTest::newRow("no encoding") << QStringLiteral("ok.json") << -1 << QStringLiteral("a")
                                     << QStringLiteral("未选择文件编码");
        QTest::newRow("empty file path")
            << QString() << 1 << QStringLiteral("a") << QStringLiteral("未填写文件路径");
        QTest::newRow("path names nothing")
            << QStringLiteral("ok.json") << 1 << QStringLiteral("b.c") << QStringLiteral("找不到该路径");
        QTest::newRow("too large") << QStringLiteral("huge.json") << 1 << QString()
                                   << QStringLiteral("值太大");
    }
    void failedStreamExtractionKeepsTheSlot() {
        QFETCH(QString, name);
        QFETCH(int, encoding);
        QFETCH(QString, jsonPath);
        QFETCH(QString, reason);
        QVERIFY(QDir().mkpath(file(QStringLiteral("folder"))));
        QVERIFY(writeAll(file(QStringLiteral("ok.json")), "{\"a\":{\"x\":1}}"));
        {
            QFile huge(file(QStringLiteral("huge.json"))); // sparse, over the 2 GiB value limit
            QVERIFY(huge.open(QIODevice::WriteOnly));
            QVERIFY(huge.resize(qint64(5) << 29));
        }
        auto w = parsedWindow(u"{\"keep\":1}");
        const QByteArray slotBefore = readAll(slotFile(1));
        const FileStamp stampBefore = stampOf(slotFile(1));
        platform_->beeps.clear();
        if (!w->streamToggle->checked()) click(w->streamToggle);
        w->filePathBox->setContent(name.isEmpty() ? CWString() : fromQString(file(name)));
        w->streamPathBox->setContent(fromQString(jsonPath));
        w->encodingList->setCurrentIndex(encoding);
        w->popupOnlyCheck->setChecked(false);
        click(w->streamParseButton);
        QCOMPARE(store(*w).itemCount(), 2);
        QCOMPARE(store(*w).getText(1), CWString(u"keep:1"));
        QCOMPARE(w->current()->sourceText, CWString(u"{\"keep\":1}"));
        QVERIFY(!w->current()->slotDirty);
        QCOMPARE(readAll(slotFile(1)), slotBefore);
        QCOMPARE(stampOf(slotFile(1)), stampBefore);
        const QString status = toQString(w->statusText(4));
        QVERIFY2(status.contains(reason) && status.contains(QStringLiteral("当前树未改变")),
                 qPrintable(status));
        QCOMPARE(w->streamParseButton->caption(), CWString(u"开始文件流解析"));
        QCOMPARE(platform_->beeps,
                 std::vector<rg_Korrin_ChuangKou::BeepKind>{rg_Korrin_ChuangKou::BeepKind::Error});
    }

    // ---- review: a source text holding U+0000 --------------------------------------------------

    void sourceTextWithZeroUnitSurvivesARestart() {
        CWString json = u"{\"a\":\"x";
        json += char16_t(0);
        json += u"y\",\"b\":[1,2]}";
        int items = 0;
        {
            auto w = parsedWindow(json);
            items = store(*w).itemCount();
            QCOMPARE(items, 5);                              // the parser goes on past U+0000
            QCOMPARE(readAll(slotFile(1)), utf16File(json)); // and the file keeps the whole text
            w->close();
        }
        auto w = shownWindow();
        QCOMPARE(store(*w).itemCount(), items);
        QCOMPARE(w->current()->sourceText, json);
        QVERIFY(!QFile::exists(slotFile(1) + QStringLiteral(".bak")));
        // An edit saved at close keeps it too.
        w->current()->slotDirty = true;
        const CWString compact = rg_Tolvar_JSON::toJsonText(w->current()->document.root(), true);
        QVERIFY(compact.find(char16_t(0)) != CWString::npos);
        w->close();
        QCOMPARE(readAll(slotFile(1)), utf16File(compact));
    }

    // ---- review: the dialogs' owner ------------------------------------------------------------

    void dialogsAreOwnedByTheMainWindow() {
        auto w = shownWindow();
        click(w->topMostCheck->button());   // "窗口置顶": an owned dialog still stays above the window
        rg_Korrin_ChuangKou::QtPlatform qt; // the real dialogs, closed as soon as they are up
        QWidget* owner = nullptr;
        bool seen = false;
        QTimer closer;
        closer.setInterval(10);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                seen = true;
                owner = dialog->parentWidget();
                dialog->reject();
            }
        });
        closer.start();
        QVERIFY(!qt.openFileName(u"打开JSON文件", u"", u"").has_value());
        QVERIFY(seen);
        QCOMPARE(owner, static_cast<QWidget*>(w.get()));
        seen = false;
        owner = nullptr;
        QVERIFY(!qt.inputText(u"caption", u"prompt", u"text").has_value());
        QVERIFY(seen);
        QCOMPARE(owner, static_cast<QWidget*>(w.get()));
    }
};

QTEST_MAIN(AppSlotSafetyTest)
#include "test_app_slot_safety.moc"
