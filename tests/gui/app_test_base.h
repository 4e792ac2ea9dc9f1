// What the main window's tests share: a temporary data folder, the platform double installed for
// each test (clipboard, beeps, dialogs, the clock), windows made on that folder, real clicks on
// the custom buttons and small file helpers.
#pragma once

#include <memory>

#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "runtime/tick_clock.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "text/ui/popup_menu.h"

namespace app_test {

// A custom button acts on the press; the release completes the click (and raises rightReleased
// for the right button).
inline void click(rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* button,
                  Qt::MouseButton b = Qt::LeftButton) {
    QTest::mousePress(button->canvas(), b, Qt::NoModifier, QPoint(8, 8));
    QTest::mouseRelease(button->canvas(), b, Qt::NoModifier, QPoint(8, 8));
}

// A UTF-16LE file's bytes with its byte-order mark.
inline QByteArray utf16File(const CWString& text) {
    QByteArray out("\xFF\xFE", 2);
    out.append(reinterpret_cast<const char*>(text.data()), qsizetype(text.size() * 2));
    return out;
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The base of the window test classes: call setUpEnvironment() from init() and
// tearDownEnvironment() from cleanup().
class AppTestBase : public QObject {
protected:
    using Store = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;
    using Window = rg_Korrin_ChengXu::rg_ZhuChuangKou1;

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<rg_Korrin_ChuangKou::TestPlatform> platform_;
    std::unique_ptr<rg_Korrin_ChuangKou::TestPlatformInstall> install_;

    void setUpEnvironment() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        platform_ = std::make_unique<rg_Korrin_ChuangKou::TestPlatform>();
        install_ = std::make_unique<rg_Korrin_ChuangKou::TestPlatformInstall>(*platform_);
        rg_Korrin_JiBen::setTickClock(&platform_->clock);
    }
    void tearDownEnvironment() {
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook({});
        rg_Korrin_JiBen::setTickClock(nullptr);
        install_.reset();
        platform_.reset();
        if (dir_) QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        dir_.reset();
    }

    QString file(const QString& name) const { return dir_->filePath(name); }
    QString slotFile(int number) const { return file(QStringLiteral("JSON树%1.txt").arg(number)); }
    QString iniFile() const { return file(QStringLiteral("软件配置.ini")); }

    // A window on the data folder at its design size, not shown yet.
    std::unique_ptr<Window> makeWindow() {
        auto w = std::make_unique<Window>(rg_Korrin_ChuangKou::fromQString(dir_->path()));
        w->resize(Window::kDesignWidth, Window::kDesignHeight);
        return w;
    }
    // A shown and activated window (its current slot file read).
    std::unique_ptr<Window> shownWindow() {
        auto w = makeWindow();
        w->show();
        w->onFirstActivated();
        return w;
    }
    // A shown window with `json` parsed from the clipboard into slot 1 (the parse beeps once).
    std::unique_ptr<Window> parsedWindow(const CWString& json) {
        auto w = shownWindow();
        platform_->clipboard = json;
        click(w->clipboardParseButton);
        return w;
    }
    static Store& store(Window& w) { return w.current()->tree->store(); }
    // The first item of the current tree with exactly this text, or -1.
    static int32_t itemWithText(Window& w, CWStringView text) {
        Store& s = store(w);
        for (int32_t i = 0; i < s.itemCount(); ++i)
            if (s.getText(i) == text) return i;
        return -1;
    }
};

} // namespace app_test
