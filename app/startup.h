// Start-up: the application object rg_QiDongLei, the Qt application that guards event handlers,
// and the top-level exception handler.
//
// rg_QiDongLei names the application, picks the data folder (data_folder.h) unless it is given,
// and holds the one main window. SIGTERM, SIGINT and SIGHUP close that window the usual way
// (settings and edited slots are saved) instead of ending the process on the spot; a session
// manager's save request saves without closing (rg_ZhuChuangKou1::saveForSession). Qt is given no
// application display name, so that window captions stay exactly as set.
// rg_YingYongChengXu is the QApplication whose notify() catches an exception escaping any event
// handler, shows it the way the top level does and ends the program. UI thread only.
#pragma once

#include <QStringList>

#include <cstdint>
#include <exception>
#include <memory>

#include <QApplication>

#include "app/main_window.h"
#include "runtime/types.h"

namespace rg_Korrin_ChengXu {

// An exception of the runtime itself: a code and a description.
struct rg_YunXingYiChang {
    int32_t code = 0;
    CWString description;
};

// The message of the top-level handler for the exception in flight (call inside a catch block):
// "俘获到异常,代码值为: %d, 描述为: %s" for rg_YunXingYiChang, otherwise
// "程序在运行时抛出了未被管理的异常".
CWString unhandledExceptionText(std::exception_ptr error);
// Shows that message (caption "运行时异常", error icon) through the platform interface.
void reportUnhandledException(std::exception_ptr error);

// The program's own command line, `quelix [--version | --help | FILE]`, read from the arguments
// left after Qt took its own (QCoreApplication::arguments()). Returns -1 to go on, with `file`
// the absolute path of FILE or empty; otherwise the exit code, after printing the version, the
// usage, or a usage error to standard error.
int readCommandLine(const QStringList& arguments, CWString& file);

class rg_YingYongChengXu : public QApplication {
    Q_OBJECT
public:
    rg_YingYongChengXu(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

class rg_QiDongLei {
public:
    // An empty data folder means chooseDataFolder(). Needs a QApplication.
    explicit rg_QiDongLei(CWString dataFolder = {});
    ~rg_QiDongLei();

    rg_ZhuChuangKou1& mainWindow() { return *window_; }
    // A file to open once the window is up, as a file dropped on it is opened.
    void openAtStart(CWString file) { openAtStart_ = std::move(file); }
    // Shows the main window and runs the event loop until it closes; the exit code.
    int run();

private:
    std::unique_ptr<rg_ZhuChuangKou1> window_;
    CWString openAtStart_;
};

} // namespace rg_Korrin_ChengXu
