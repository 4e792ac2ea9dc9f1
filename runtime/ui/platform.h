// Platform: the one interface through which window code reaches everything modal or
// noisy: message boxes, the input dialog, the open-file dialog, beeps, the clipboard, the tick
// clock and the cursor's screen position.
//
// The application runs on QtPlatform (real dialogs on Qt); tests install a double that records
// and answers from queues (runtime/ui/testing/test_platform.h), so no test ever blocks on a dialog.
// platform() returns the installed object, or the Qt one when none is installed. Install and
// call from the UI thread only; the installed object is not owned and must outlive its use.
#pragma once

#include <cstdint>
#include <optional>

#include <QPoint>

class QWidget;

#include "runtime/tick_clock.h"
#include "runtime/types.h"

namespace rg_Korrin_ChuangKou {

enum class MessageIcon : int32_t { None = 0, Information, Warning, Error, Question };
enum class MessageButtons : int32_t { Ok = 0, OkCancel, YesNo, YesNoCancel, RetryCancel };
// Message box results use the Windows values so callers can compare against them directly.
inline constexpr int32_t kResultOk = 1, kResultCancel = 2, kResultRetry = 4, kResultYes = 6, kResultNo = 7;
enum class BeepKind : int32_t { Default = 0, Error, Simple };

class Platform {
public:
    virtual ~Platform() = default;

    // A message box with no owner window; returns one of the kResult values.
    virtual int32_t messageBox(const CWString& caption, const CWString& text, MessageIcon icon,
                               MessageButtons buttons) = 0;
    // The standard modal input dialog ("确认输入(&O)" / "取消(&C)"), owned by the active window;
    // nullopt when cancelled.
    virtual std::optional<CWString> inputText(const CWString& caption, const CWString& prompt,
                                              const CWString& initialText) = 0;
    // The open-file dialog, owned by the active window; `filter` in Qt's form
    // ("JSON (*.json *.txt);;所有文件 (*)"); nullopt when cancelled.
    virtual std::optional<CWString> openFileName(const CWString& caption, const CWString& initialPath,
                                                 const CWString& filter) = 0;
    virtual void beep(BeepKind kind) = 0;
    // Clipboard text; empty when the clipboard holds no text.
    virtual CWString clipboardText() = 0;
    virtual void setClipboardText(const CWString& text) = 0;
    virtual rg_Korrin_JiBen::ITickClock& tickClock() = 0;
    // Where the mouse cursor is now, in screen coordinates (the hover checks poll it).
    virtual QPoint cursorScreenPos() = 0;
};

// The platform on Qt: real dialogs, QApplication::beep, the system clipboard, the process tick
// clock and QCursor::pos.
class QtPlatform final : public Platform {
public:
    int32_t messageBox(const CWString& caption, const CWString& text, MessageIcon icon,
                       MessageButtons buttons) override;
    std::optional<CWString> inputText(const CWString& caption, const CWString& prompt,
                                      const CWString& initialText) override;
    std::optional<CWString> openFileName(const CWString& caption, const CWString& initialPath,
                                         const CWString& filter) override;
    void beep(BeepKind kind) override;
    CWString clipboardText() override;
    void setClipboardText(const CWString& text) override;
    rg_Korrin_JiBen::ITickClock& tickClock() override;
    QPoint cursorScreenPos() override;
};

// The window that owns the input and open-file dialogs of QtPlatform, so that they stay above
// it (also while it is top-most) and open centred on it; without one (or while it is hidden) the
// active window owns them. Not owned; forgotten when the window is destroyed. UI thread.
void setDialogOwner(QWidget* owner);

Platform& platform();
void setPlatform(Platform* platform); // not owned; nullptr restores the Qt platform

// The screen position of the last mouse event any window of the system received.
QPoint lastMouseScreenPos();
void noteMouseScreenPos(QPoint screenPos);

} // namespace rg_Korrin_ChuangKou
