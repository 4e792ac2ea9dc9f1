#include "runtime/ui/platform.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

#include "runtime/ui/qt_text.h"

namespace rg_Korrin_ChuangKou {
namespace {

rg_PingTaiJieKou* g_platform = nullptr;
QPoint g_lastMouseScreenPos;

QMessageBox::Icon qtIcon(rg_XiaoXiTuBiao icon) {
    switch (icon) {
    case rg_XiaoXiTuBiao::Information: return QMessageBox::Information;
    case rg_XiaoXiTuBiao::Warning: return QMessageBox::Warning;
    case rg_XiaoXiTuBiao::Error: return QMessageBox::Critical;
    case rg_XiaoXiTuBiao::Question: return QMessageBox::Question;
    case rg_XiaoXiTuBiao::None: break;
    }
    return QMessageBox::NoIcon;
}

QPointer<QWidget> g_dialogOwner;

// The owner of the standard dialogs: the window set by setDialogOwner while it is shown, else the
// active window (nullptr when there is none).
QWidget* dialogOwner() {
    if (g_dialogOwner && g_dialogOwner->isVisible())
        return g_dialogOwner;
    return QApplication::activeWindow();
}

} // namespace

int32_t rg_QtPingTai::messageBox(const CWString& caption, const CWString& text, rg_XiaoXiTuBiao icon,
                                 rg_XiaoXiAnNiu buttons) {
    QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
    switch (buttons) {
    case rg_XiaoXiAnNiu::Ok: qtButtons = QMessageBox::Ok; break;
    case rg_XiaoXiAnNiu::OkCancel: qtButtons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case rg_XiaoXiAnNiu::YesNo: qtButtons = QMessageBox::Yes | QMessageBox::No; break;
    case rg_XiaoXiAnNiu::YesNoCancel: qtButtons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case rg_XiaoXiAnNiu::RetryCancel: qtButtons = QMessageBox::Retry | QMessageBox::Cancel; break;
    }
    QMessageBox box(qtIcon(icon), toQString(caption), toQString(text), qtButtons, nullptr);
    switch (box.exec()) {
    case QMessageBox::Ok: return kResultOk;
    case QMessageBox::Yes: return kResultYes;
    case QMessageBox::No: return kResultNo;
    case QMessageBox::Retry: return kResultRetry;
    default: return buttons == rg_XiaoXiAnNiu::Ok ? kResultOk : kResultCancel;
    }
}

std::optional<CWString> rg_QtPingTai::inputText(const CWString& caption, const CWString& prompt,
                                                const CWString& initialText) {
    QInputDialog dialog(dialogOwner());
    dialog.setWindowTitle(toQString(caption));
    dialog.setLabelText(toQString(prompt));
    dialog.setTextValue(toQString(initialText));
    dialog.setOkButtonText(QStringLiteral("确认输入(&O)"));
    dialog.setCancelButtonText(QStringLiteral("取消(&C)"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return fromQString(dialog.textValue());
}

std::optional<CWString> rg_QtPingTai::openFileName(const CWString& caption, const CWString& initialPath,
                                                   const CWString& filter) {
    const QString name =
        QFileDialog::getOpenFileName(dialogOwner(), toQString(caption), toQString(initialPath), toQString(filter));
    if (name.isEmpty())
        return std::nullopt;
    return fromQString(name);
}

void rg_QtPingTai::beep(rg_FengMingLeiXing) { QApplication::beep(); }

CWString rg_QtPingTai::clipboardText() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? fromQString(clipboard->text()) : CWString();
}

void rg_QtPingTai::setClipboardText(const CWString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(toQString(text));
}

rg_Korrin_JiBen::ITickClock& rg_QtPingTai::tickClock() { return rg_Korrin_JiBen::currentTickClock(); }

QPoint rg_QtPingTai::cursorScreenPos() { return QCursor::pos(); }

void setDialogOwner(QWidget* owner) { g_dialogOwner = owner; }

rg_PingTaiJieKou& platform() {
    static rg_QtPingTai qtPlatform;
    return g_platform ? *g_platform : qtPlatform;
}

void setPlatform(rg_PingTaiJieKou* p) { g_platform = p; }

QPoint lastMouseScreenPos() { return g_lastMouseScreenPos; }
void noteMouseScreenPos(QPoint screenPos) { g_lastMouseScreenPos = screenPos; }

} // namespace rg_Korrin_ChuangKou
