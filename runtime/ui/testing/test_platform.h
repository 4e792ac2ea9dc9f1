// TestPlatform: a platform double for tests. It records every message box and beep, answers
// message boxes, input dialogs and open-file dialogs from queues (a default answer when a queue
// is empty), keeps its own clipboard text and a manual tick clock, and reports a settable cursor
// position (by default wherever the last mouse event was). Nothing it does blocks or touches the
// real desktop.
//
// Install with TestPlatformInstall (the Qt platform is back when it goes out of
// scope). UI thread only.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "runtime/ui/platform.h"

namespace rg_Korrin_ChuangKou {

class TestPlatform final : public Platform {
public:
    struct MessageBoxCall {
        CWString caption;
        CWString text;
        MessageIcon icon;
        MessageButtons buttons;
    };
    struct InputCall {
        CWString caption;
        CWString prompt;
        CWString initialText;
    };
    struct OpenFileCall {
        CWString caption;
        CWString initialPath;
        CWString filter;
    };

    class ManualClock final : public rg_Korrin_JiBen::ITickClock {
    public:
        uint64_t tickMs() const override { return now; }
        uint64_t now = 0;
    };

    // Recorded calls.
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<InputCall> inputCalls;
    std::vector<BeepKind> beeps;
    std::vector<OpenFileCall> openFileCalls;

    // Queued answers; when empty: message boxes answer kResultOk, dialogs are cancelled.
    std::deque<int32_t> messageBoxAnswers;
    std::deque<std::optional<CWString>> inputAnswers;
    std::deque<std::optional<CWString>> openFileAnswers;

    CWString clipboard;
    ManualClock clock;
    std::optional<QPoint> cursor; // nullopt: the last mouse event's screen position

    int32_t messageBox(const CWString& caption, const CWString& text, MessageIcon icon,
                       MessageButtons buttons) override;
    std::optional<CWString> inputText(const CWString& caption, const CWString& prompt,
                                      const CWString& initialText) override;
    std::optional<CWString> openFileName(const CWString& caption, const CWString& initialPath,
                                         const CWString& filter) override;
    void beep(BeepKind kind) override { beeps.push_back(kind); }
    CWString clipboardText() override { return clipboard; }
    void setClipboardText(const CWString& text) override { clipboard = text; }
    rg_Korrin_JiBen::ITickClock& tickClock() override { return clock; }
    QPoint cursorScreenPos() override { return cursor ? *cursor : lastMouseScreenPos(); }
};

// Installs a platform for the lifetime of this object and restores the Qt platform afterwards.
class TestPlatformInstall {
public:
    explicit TestPlatformInstall(Platform& p) { setPlatform(&p); }
    ~TestPlatformInstall() { setPlatform(nullptr); }
    TestPlatformInstall(const TestPlatformInstall&) = delete;
    TestPlatformInstall& operator=(const TestPlatformInstall&) = delete;
};

} // namespace rg_Korrin_ChuangKou
