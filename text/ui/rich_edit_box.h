// rg_ChaoJiBianJiKuang: the runtime's rich edit box, a multi-line plain-text editor built for
// very long texts.
//
// The text lives in one UTF-16 buffer (TextStore) split into layout units of at most
// TextStore::kUnitLimit code units; the box lays out (QTextLayout) only the units it shows and
// keeps the display row counts of all others as estimates in a RowIndex, refined as units are
// laid out. Putting 50 MB of JSON into the box therefore costs one scan for line breaks, however
// the text is shaped, and scrolling stays smooth. The vertical scroll bar counts display rows.
// A line longer than a unit is shown with an extra row break at each unit boundary.
//
// Positions are UTF-16 offsets into text(); a caret never stands inside CR LF or a surrogate
// pair. The selection runs between the anchor and the caret; selectionStart() <= selectionEnd().
//
// Properties: multi-line, word wrap, read-only, hide-selection (the selection is drawn only
// while the box has the focus), maximum length (user input stops there; 0 or less = no limit),
// background colour (COLORREF, kSystemWindowColour = the system's window colour), font (default:
// the application font at 9 points). setText() clears the undo steps and the modified flag.
//
// Clipboard: copy, cut, paste and canPaste() go through the platform interface
// (runtime/ui/platform.h), so a test platform can stand in for the clipboard.
//
// Events (rg_Korrin_JiBen::Event, runtime/event.h): rightDown (x, y, modifier bits, in the box's coordinates)
// on the right button press - the box has no menu of its own; menuCommand (message, id) for commands sent
// with sendMenuCommand; textChanged, selectionChanged and scrolled after the fact.
//
// UI thread only. Handlers must not delete the box synchronously.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QRect>

#include "runtime/event.h"
#include "runtime/types.h"
#include "runtime/ui/font.h"
#include "text/ui/text_store.h"

class QTextLayout;

namespace rg_Korrin_MFCJieMian_KuoZhanZuJian {

class rg_ChaoJiBianJiKuang : public QAbstractScrollArea {
    Q_OBJECT
public:
    // The window message number of a menu command.
    static constexpr int32_t kCommandMessage = 273;
    // Background colour marker: the system's window (edit background) colour.
    static constexpr int32_t kSystemWindowColour = static_cast<int32_t>(0xFF000000u);
    // Inner margins of the text area, in pixels.
    static constexpr int kMarginLeft = 2, kMarginTop = 1, kMarginRight = 2;

    explicit rg_ChaoJiBianJiKuang(QWidget* parent = nullptr);
    ~rg_ChaoJiBianJiKuang() override;

    // --- text
    const CWString& text() const { return store_.text(); }
    int32_t textLength() const { return store_.length(); }
    // Replaces the whole text (not undoable); caret and anchor go to 0, the view to the top.
    void setText(CWString text);
    bool isModified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // --- properties
    bool multiLine() const { return multiLine_; }
    void setMultiLine(bool multiLine);
    bool wordWrap() const { return wordWrap_; }
    void setWordWrap(bool wrap);
    bool isReadOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);
    bool hideSelection() const { return hideSelection_; }
    void setHideSelection(bool hide);
    int32_t maxLength() const { return maxLength_; }
    void setMaxLength(int32_t maxLength);
    int32_t backColour() const { return backColour_; }
    void setBackColour(int32_t colourRef);
    void setScreenFont(const rg_Korrin_ChuangKou::ScreenFont& font);

    // --- selection
    int32_t caretPosition() const { return caret_; }
    int32_t anchorPosition() const { return anchor_; }
    int32_t selectionStart() const { return std::min(caret_, anchor_); }
    int32_t selectionEnd() const { return std::max(caret_, anchor_); }
    int32_t selectionLength() const { return selectionEnd() - selectionStart(); }
    // Selects [start, end); an end below 0 means the end of the text. The caret goes to `end`.
    void setSelection(int32_t start, int32_t end);
    void selectAll();
    CWString selectedText() const;
    // Replaces the selection with `text` as one undoable step (also in a read-only box; user
    // input is what read-only refuses). The length limit applies.
    void replaceSelection(CWStringView text);

    // --- standard edit operations (what the edit menu and the keyboard use)
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    // True when the box is editable and the clipboard holds text.
    bool canPaste() const;
    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void deleteSelection(); // the "clear" operation: removes the selection, copies nothing

    // Raises menuCommand (kCommandMessage, id), as a menu owned by the box does when an entry is
    // chosen.
    void sendMenuCommand(int32_t id);

    // --- view
    void ensureCaretVisible();
    // The caret's rectangle in viewport coordinates; empty when the caret is not in view.
    QRect caretRect();
    // The position under a point of the viewport (clamped into the visible rows).
    int32_t positionAt(QPoint viewportPoint);
    int32_t topUnit() const { return topUnit_; }
    int32_t topRow() const { return topRow_; }
    const TextStore& store() const { return store_; }
    const RowIndex& rowIndex() const { return rows_; }
    // The width text is wrapped at (the viewport width less the margins, at least 1).
    int wrapWidth() const;
    // What an input method asks about the caret's surroundings (public as in QWidget).
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    rg_Korrin_JiBen::Event<rg_ChaoJiBianJiKuang, int32_t, int32_t, int32_t> rightDown{this};
    rg_Korrin_JiBen::Event<rg_ChaoJiBianJiKuang, int32_t, int32_t> menuCommand{this};
    rg_Korrin_JiBen::Event<rg_ChaoJiBianJiKuang> textChanged{this};
    rg_Korrin_JiBen::Event<rg_ChaoJiBianJiKuang> selectionChanged{this};
    rg_Korrin_JiBen::Event<rg_ChaoJiBianJiKuang> scrolled{this};

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct UnitLayout {
        std::unique_ptr<QTextLayout> layout;
        qreal height = 0;
    };
    enum class Move {
        Left,
        Right,
        WordLeft,
        WordRight,
        Up,
        Down,
        RowStart,
        RowEnd,
        TextStart,
        TextEnd,
        PageUp,
        PageDown
    };

    // Layout.
    UnitLayout& layoutFor(int32_t u);
    void dropLayouts();
    void trimLayouts();
    int32_t estimateRows(int32_t u) const;
    void reestimateAllRows();
    void applySplice(const TextStore::UnitSplice& splice);
    void scheduleScrollBarSync();
    void syncScrollBars();
    int visibleRows() const;
    // (unit, row) of a position and the caret's x in its row.
    std::pair<int32_t, int32_t> unitRowOf(int32_t pos);
    qreal xOf(int32_t pos);
    // Moves the top of the view by whole rows; returns the rows actually moved.
    int64_t scrollRows(int64_t delta);

    // Editing.
    void edit(int32_t pos, int32_t count, CWString insert, TextEdit::Kind kind);
    void applyRaw(int32_t pos, int32_t count, CWStringView insert);
    CWString fitInsertion(CWStringView text, int32_t replacing) const;
    void insertTyped(CWStringView text);
    void deleteBackward(bool word);
    void deleteForward(bool word);
    void setCaret(int32_t caret, int32_t anchor, bool keepPreferredX = false);
    int32_t moved(int32_t pos, Move how);
    void moveCaret(Move how, bool select);
    void selectWordAt(int32_t pos);
    // The word (a run between two word boundaries of the unit holding pos) at pos, as [first, second).
    // Empty (first == second == pos) in an empty unit.
    std::pair<int32_t, int32_t> wordAt(int32_t pos) const;
    // A left-button drag reached pos: characters while it stays in the word where it started, whole
    // words once it leaves that word (the rich edit control's automatic word selection).
    void dragTo(int32_t pos);
    void afterTextChange();
    void restartCaretBlink();
    QColor backgroundColour() const;
    void fontChanged();
    void setTop(int32_t unit, int32_t row);

    TextStore store_;
    EditHistory history_;
    RowIndex rows_;
    std::unordered_map<int32_t, UnitLayout> layouts_;
    int32_t caret_ = 0;
    int32_t anchor_ = 0;
    qreal preferredX_ = -1; // remembered x for up/down moves; < 0 = none
    int32_t topUnit_ = 0;
    int32_t topRow_ = 0;
    int hOffset_ = 0;
    int maxVisibleWidth_ = 0;
    int layoutWidth_ = -1; // wrap width the cached layouts were made for
    qreal averageCharWidth_ = 7;
    int lineSpacing_ = 15;
    bool modified_ = false;
    bool multiLine_ = true;
    bool wordWrap_ = true;
    bool readOnly_ = false;
    bool hideSelection_ = false;
    int32_t maxLength_ = 0;
    int32_t backColour_ = kSystemWindowColour;
    bool caretOn_ = true;
    bool dragging_ = false;
    bool syncPending_ = false;
    bool syncing_ = false;
    QPoint dragPoint_;
    int32_t dragOrigin_ = 0; // the anchor the drag started from
    QBasicTimer caretTimer_;
    QBasicTimer dragTimer_;
    QString preedit_;
};

} // namespace rg_Korrin_MFCJieMian_KuoZhanZuJian
