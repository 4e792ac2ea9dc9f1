// rg_TolvarShuRuKuangLei: the multi-line text dialog, in two modes.
//
// Input mode asks the user for a text: the input box is editable and the buttons "恢复"
// (restore the starting text), "清空" (clear), "粘贴" (replace everything with the clipboard
// text), "确定" (accept) and "取消" (cancel) are shown. View mode shows a long text that can be
// read, selected and copied but not handed back: the input box is read-only on light grey, only
// "关闭" (close) is shown. The caller picks view mode by passing a result text marked read-only.
//
// showInputBox() blocks its caller in a nested event loop until the dialog is closed, while the
// application keeps handling its events (the dialog is not modal). One call at a time: a call
// made while another is running returns false at once and changes nothing. Closing from the
// window frame asks "内容已经修改，确认要放弃？" (through the platform interface) when the text
// of an editable box differs from the starting text; it never accepts.
//
// The dialog stays above other windows. Its parts sit at fixed design positions for the design
// client size 815 x 395; on every resize the prompt takes the height its text needs when wrapped,
// the input box fills the height between the prompt and the button row, and "确定" and the
// cancel button keep to the right edge (layoutFor()).
//
// One process-wide instance (instance()) serves every call; it is created on first use and
// destroyed with the application. The parts are Qt children of the dialog. UI thread only.
#pragma once

#include <cstdint>

#include <QRect>
#include <QWidget>

#include "runtime/types.h"

class QEventLoop;
class QPlainTextEdit;

namespace rg_Korrin_ChuangKou {
class rg_ZuJianBuJuQi;
}

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

class rg_TolvarAnNiu1;
class rg_TolvarChaoJiBianJiKuang1;

// The caller's result text. When `readOnly` is set the dialog only shows its initial text (view
// mode) and never writes `text`; otherwise an accepted call stores the entered text in `text`.
struct InputResult {
    CWString text;
    bool readOnly = false;
};

// No Q_OBJECT: the class adds no signals or slots, and without it the class's virtual table
// stays in input_box.cpp, so code that only uses the text pane does not pull in the dialog and
// its buttons.
class rg_TolvarShuRuKuangLei : public QWidget {
public:
    static constexpr int kDesignWidth = 815;
    static constexpr int kDesignHeight = 395;
    static constexpr int kRowButtonWidth = 90;
    static constexpr int kButtonWidth = 96;
    static constexpr int kButtonHeight = 45;

    // Where the parts go for a client size.
    struct Layout {
        QRect prompt;
        QRect input;
        QRect row;
        QRect ok;
        QRect cancel;
    };

    explicit rg_TolvarShuRuKuangLei(QWidget* parent = nullptr);
    ~rg_TolvarShuRuKuangLei() override;

    // The process-wide dialog (created on first use; needs a QApplication).
    static rg_TolvarShuRuKuangLei& instance();

    // Shows the dialog and waits until it is closed. `result` decides the mode (see
    // InputResult); an empty caption becomes "信息：" in view mode and "输入：" in input mode;
    // a height above 0 sets the window's height for this call (0 keeps the design height);
    // `selectAll` selects the whole initial text. Returns true only when "确定" was pressed in
    // input mode; false at once while another call is running.
    bool showInputBox(const CWString& initialText, const CWString& prompt, const CWString& caption,
                      InputResult& result, int32_t height = 0, bool selectAll = false);

    bool isRunning() const { return loop_ != nullptr; }
    bool isViewMode() const { return viewMode_; }
    const CWString& startingText() const { return startingText_; }

    // The layout rules for a client size, with the prompt text as it stands.
    Layout layoutFor(int width, int height) const;
    // The height the prompt text needs when wrapped to `width` (0 for an empty prompt).
    int promptHeightFor(int width) const;

    QPlainTextEdit* promptBox() const { return prompt_; }
    rg_TolvarChaoJiBianJiKuang1* inputBox() const { return input_; }
    rg_Korrin_ChuangKou::rg_ZuJianBuJuQi* buttonRow() const { return row_; }
    rg_TolvarAnNiu1* restoreButton() const { return restore_; }
    rg_TolvarAnNiu1* clearButton() const { return clear_; }
    rg_TolvarAnNiu1* pasteButton() const { return paste_; }
    rg_TolvarAnNiu1* okButton() const { return ok_; }
    rg_TolvarAnNiu1* cancelButton() const { return cancel_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void relayout();
    void finish(); // hides the dialog and ends the running call's wait
    void accept();

    QPlainTextEdit* prompt_;                    // owned (Qt child)
    rg_TolvarChaoJiBianJiKuang1* input_;        // owned (Qt child)
    rg_Korrin_ChuangKou::rg_ZuJianBuJuQi* row_; // owned (Qt child)
    rg_TolvarAnNiu1* restore_;                  // owned by row_
    rg_TolvarAnNiu1* clear_;                    // owned by row_
    rg_TolvarAnNiu1* paste_;                    // owned by row_
    rg_TolvarAnNiu1* ok_;                       // owned (Qt child)
    rg_TolvarAnNiu1* cancel_;                   // owned (Qt child)
    QEventLoop* loop_ = nullptr;                // the running call's loop; not owned
    CWString startingText_;
    CWString resultText_;
    bool accepted_ = false;
    bool viewMode_ = false;
};

// showInputBox on the process-wide dialog.
bool showInputBox(const CWString& initialText, const CWString& prompt, const CWString& caption,
                  InputResult& result, int32_t height = 0, bool selectAll = false);

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
