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

Platform* g_platform = nullptr;
QPoint g_lastMouseScreenPos;

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QPointer<QWidget> g_dialogOwner;

// The owner of the standard dialogs: the window set by setDialogOwner while it is shown, else the
// active window (nullptr when there is none).
QWidget* dialogOwner() {
    if (g_dialogOwner && g_dialogOwner->isVisible()) return g_dialogOwner;
    return QApplication::activeWindow();
}

} // namespace

int32_t QtPlatform::messageBox(const CWString& caption, const CWString& text, MessageIcon icon,
                               MessageButtons buttons) {
    QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
    switch (buttons) {
    case MessageButtons::Ok:
        qtButtons = QMessageBox::Ok;
        break;
    case MessageButtons::OkCancel:
        qtButtons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MessageButtons::YesNo:
        qtButtons = QMessageBox::Yes | QMessageBox::No;
        break;
    case MessageButtons::YesNoCancel:
        qtButtons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case MessageButtons::RetryCancel:
        qtButtons = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    }
    QMessageBox box(qtIcon(icon), toQString(caption), toQString(text), qtButtons, nullptr);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return kResultOk;
    case QMessageBox::Yes:
        return kResultYes;
    case QMessageBox::No:
        return kResultNo;
    case QMessageBox::Retry:
        return kResultRetry;
    default:
        return buttons == MessageButtons::Ok ? kResultOk : kResultCancel;
    }
}

std::optional<CWString> QtPlatform::inputText(const CWString& caption, const CWString& prompt,
                                              const CWString& initialText) {
    QInputDialog dialog(dialogOwner());
    dialog.setWindowTitle(toQString(caption));
    dialog.setLabelText(toQString(prompt));
    dialog.setTextValue(toQString(initialText));
    dialog.setOkButtonText(QStringLiteral("确认输入(&O)"));
    dialog.setCancelButtonText(QStringLiteral("取消(&C)"));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return fromQString(dialog.textValue());
}

std::optional<CWString> QtPlatform::openFileName(const CWString& caption, const CWString& initialPath,
                                                 const CWString& filter) {
    const QString name = QFileDialog::getOpenFileName(dialogOwner(), toQString(caption),
                                                      toQString(initialPath), toQString(filter));
    if (name.isEmpty()) return std::nullopt;
    return fromQString(name);
}

void QtPlatform::beep(BeepKind) {
    QApplication::beep();
}

CWString QtPlatform::clipboardText() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? fromQString(clipboard->text()) : CWString();
}

void QtPlatform::setClipboardText(const CWString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(toQString(text));
}

rg_Korrin_JiBen::ITickClock& QtPlatform::tickClock() {
    return rg_Korrin_JiBen::currentTickClock();
}

QPoint QtPlatform::cursorScreenPos() {
    return QCursor::pos();
}

void setDialogOwner(QWidget* owner) {
    g_dialogOwner = owner;
}

Platform& platform() {
    static QtPlatform qtPlatform;
    return g_platform ? *g_platform : qtPlatform;
}

void setPlatform(Platform* p) {
    g_platform = p;
}

QPoint lastMouseScreenPos() {
    return g_lastMouseScreenPos;
}
void noteMouseScreenPos(QPoint screenPos) {
    g_lastMouseScreenPos = screenPos;
}

} // namespace rg_Korrin_ChuangKou
