#include "app/startup.h"

#include <QFileInfo>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <QSocketNotifier>
#include <QTimer>

#include "app/data_folder.h"
#include "resources/images.h"
#include "runtime/ui/platform.h"
#include "runtime/ui/qt_text.h"
#include "text/encoding.h"

namespace rg_Korrin_ChengXu {

using rg_Korrin_ChuangKou::platform;

namespace {

// A termination signal (the session ending, kill, Ctrl+C in a terminal) is turned into a byte on
// this socket pair and handled by the event loop: the window closes the usual way, saving its
// settings and edited slots.
int gSignalSocket[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    const int saved = errno;
    (void)!::write(gSignalSocket[1], &byte, 1);
    errno = saved;
}

void closeOnTerminationSignals(rg_ZhuChuangKou1* window) {
    if (gSignalSocket[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalSocket) != 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalSocket[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char bytes[16];
        while (::read(gSignalSocket[0], bytes, sizeof bytes) > 0) {
        }
        window->close();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace

CWString unhandledExceptionText(std::exception_ptr error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const rg_YunXingYiChang& e) {
        const std::string code = std::to_string(e.code);
        return u"俘获到异常,代码值为: " + CWString(code.begin(), code.end()) + u", 描述为: " + e.description;
    } catch (...) {
    }
    return u"程序在运行时抛出了未被管理的异常";
}

void reportUnhandledException(std::exception_ptr error) {
    const CWString text = unhandledExceptionText(error);
    std::fprintf(stderr, "%s\n", rg_Tolvar_MingLingJi::utf16ToUtf8(text).c_str());
    platform().messageBox(u"运行时异常", text, rg_Korrin_ChuangKou::MessageIcon::Error,
                          rg_Korrin_ChuangKou::MessageButtons::Ok);
}

rg_YingYongChengXu::rg_YingYongChengXu(int& argc, char** argv) : QApplication(argc, argv) {}

bool rg_YingYongChengXu::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // Qt cannot carry an exception through its event loop: report it here and end.
        reportUnhandledException(std::current_exception());
        std::_Exit(EXIT_FAILURE);
    }
}

int readCommandLine(const QStringList& arguments, CWString& file) {
    static const char kUsage[] =
        "usage: quelix [FILE]\n"
        "\n"
        "Starts the JSON tree viewer. FILE is opened as a file dropped on the window is: read with\n"
        "encoding detection into the current tree, or, above 256 MB, put into the stream-parse\n"
        "panel's file box.\n"
        "  --version   print the version\n"
        "  --help      print this text\n";
    file.clear();
    const QStringList args = arguments.mid(1);
    if (args.size() == 1 && args[0] == QStringLiteral("--version")) {
        std::fputs("quelix " QUELIX_VERSION_TEXT "\n", stdout);
        return 0;
    }
    if (args.size() == 1 && (args[0] == QStringLiteral("--help") || args[0] == QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    QString path;
    bool optionsEnded = false;
    for (const QString& a : args) {
        if (a == QStringLiteral("--") && !optionsEnded && path.isEmpty()) {
            optionsEnded = true;
            continue;
        }
        const bool option = !optionsEnded && a.startsWith(u'-') && a.size() > 1;
        if (option || !path.isEmpty()) {
            std::fprintf(stderr, "quelix: %s '%s'\n\n%s",
                         path.isEmpty() ? "unknown option" : "unexpected argument",
                         a.toLocal8Bit().constData(), kUsage);
            return 2;
        }
        path = a;
    }
    if (!path.isEmpty()) file = rg_Korrin_ChuangKou::fromQString(QFileInfo(path).absoluteFilePath());
    return -1;
}

rg_QiDongLei::rg_QiDongLei(CWString dataFolder) {
    // The display name "Tolvar·Quelix" is shown by the brand banner only: a display name given to
    // Qt would be appended by its X11 and Wayland windows to every caption
    // ("Tolvar·Quelix(Veltrix) v1.7.0.0 — Tolvar·Quelix", "信息: — Tolvar·Quelix"), and the
    // captions are fixed texts.
    QApplication::setApplicationName(QStringLiteral("Quelix"));
    QApplication::setOrganizationName(QStringLiteral("Tolvar"));
    QApplication::setWindowIcon(rg_Korrin_ZiYuan::applicationIcon());
    // Ties the windows to the installed desktop entry (its icon and name in docks and switchers).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tolvar.Quelix"));
    const bool chosen = dataFolder.empty();
    if (chosen) dataFolder = chooseDataFolder();
    window_ = std::make_unique<rg_ZhuChuangKou1>(std::move(dataFolder));
    // Once, at the start: where the settings and slot files are (beside the program, or in the
    // per-user folder when the program's folder cannot be written).
    if (chosen)
        window_->statusBar->setColumnText(rg_ZhuChuangKou1::kColOther,
                                          u"数据文件夹：" + window_->dataFolder());
    // The session manager asks for a save before logging off or shutting down, which may end the
    // process without a close event, and for checkpoints. The session may go on (a cancelled
    // logout, a checkpoint), so this save leaves the real close its own.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, window_.get(),
                     [w = window_.get()] { w->saveForSession(); });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, window_.get(),
                     [w = window_.get()] { w->saveOnClose(); });
    closeOnTerminationSignals(window_.get());
}

rg_QiDongLei::~rg_QiDongLei() = default;

int rg_QiDongLei::run() {
    window_->show();
    window_->activateWindow();
    // A window manager that refuses to activate a new window (focus-stealing prevention) would
    // otherwise leave the current slot unread until the user clicks the window.
    QTimer::singleShot(500, window_.get(), [w = window_.get()] { w->onFirstActivated(); });
    if (!openAtStart_.empty()) {
        // The current slot is read first, so the file's text is not replaced by the slot's own.
        QTimer::singleShot(0, window_.get(), [w = window_.get(), file = openAtStart_] {
            w->onFirstActivated();
            w->openDroppedFile(file);
        });
    }
    return QApplication::exec();
}

} // namespace rg_Korrin_ChengXu
