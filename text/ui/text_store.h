// TextStore: the text of a rich edit box and its division into layout units; EditHistory: the
// box's undo and redo steps.
//
// The text is one UTF-16 buffer, kept exactly as given (CR LF, lone CR and lone LF all end a
// line and come back unchanged). A layout unit is a logical line, except that a line longer than
// kUnitLimit code units is cut into chunks of at most that length, preferably after a blank or a
// comma near the end of the chunk and never inside a surrogate pair. Units are what the view lays
// out and scrolls, so no single layout ever holds more than kUnitLimit characters, however long
// a line of compact JSON is.
//
// Layout of the unit index: starts_[u] is the offset of unit u; units are contiguous and the
// first starts at 0, so unit u covers [starts_[u], starts_[u + 1]) (the last one ends at the text
// length). A unit that ends a line carries its line break at its end; a text that ends with a
// line break has a last, empty unit starting at the text length. Invariants: starts_ is never
// empty and strictly increasing, except that an empty text has the single unit [0, 0).
//
// Offsets are int32: a box holds at most INT32_MAX code units. Value type; not thread-safe (the
// owning box uses it on the UI thread).
#pragma once

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "runtime/types.h"

namespace rg_Korrin_MFCJieMian_KuoZhanZuJian {

class TextStore {
public:
    static constexpr int32_t kUnitLimit = 4096;
    // A chunk of a long line ends after the last blank or comma within this many code units of
    // kUnitLimit, so wrapped compact JSON breaks where a reader expects it.
    static constexpr int32_t kComfortWindow = 1024;

    TextStore();

    const CWString& text() const { return text_; }
    int32_t length() const { return static_cast<int32_t>(text_.size()); }

    void setText(CWString text);

    // Which units a replace() changed: units [first, first + removed) of the old index became
    // units [first, first + inserted) of the new one; later units only moved.
    struct UnitSplice {
        int32_t first = 0;
        int32_t removed = 0;
        int32_t inserted = 0;
    };
    // Replaces [pos, pos + count) with `insert` (range clamped to the text) and brings the unit
    // index up to date; only the lines touched are scanned again.
    UnitSplice replace(int32_t pos, int32_t count, CWStringView insert);

    int32_t unitCount() const { return static_cast<int32_t>(starts_.size()); }
    int32_t unitStart(int32_t u) const { return starts_[static_cast<size_t>(u)]; }
    // The next unit's start, or the text length for the last unit.
    int32_t unitEnd(int32_t u) const;
    // unitEnd minus the line break that ends the unit (if any).
    int32_t unitContentEnd(int32_t u) const;
    int32_t unitContentLength(int32_t u) const { return unitContentEnd(u) - unitStart(u); }
    CWStringView unitContent(int32_t u) const;
    // True when the unit begins a logical line (the first unit, or the one after a line break).
    bool unitStartsLine(int32_t u) const;
    // The unit holding offset `pos` (clamped); an offset on a chunk boundary belongs to the later
    // unit, the text length to the last unit.
    int32_t unitAt(int32_t pos) const;

    // `pos` clamped to the text and moved back out of the middle of a CR LF pair or a surrogate
    // pair, so it is a place a caret can stand.
    int32_t validPosition(int32_t pos) const;
    // The length of the line break starting at `pos` (2 for CR LF, 1 for CR or LF, else 0).
    int32_t breakLengthAt(int32_t pos) const;

private:
    // Appends to `out` the unit starts of the lines beginning at `lineStart`, scanning line by
    // line until a line starts at or after `stopAt` (that start is not appended) or the text
    // ends. Returns where scanning stopped (the text length + 1 when it ran off the end).
    int64_t scanUnits(int32_t lineStart, int64_t stopAt, std::vector<int32_t>& out) const;

    CWString text_;
    std::vector<int32_t> starts_;
};

// RowIndex: the number of display rows of every unit, with prefix sums (a Fenwick tree), so the
// view can turn a scroll-bar value into (unit, row) and back in O(log n) while only the units it
// has laid out hold exact counts and the rest hold estimates.
class RowIndex {
public:
    void assign(std::vector<int32_t> rows); // every count at least 1
    void set(int32_t u, int32_t rows);
    void splice(int32_t first, int32_t removed, const std::vector<int32_t>& inserted);
    int32_t size() const { return static_cast<int32_t>(rows_.size()); }
    int32_t rows(int32_t u) const { return rows_[static_cast<size_t>(u)]; }
    int64_t total() const { return total_; }
    // Rows of units [0, u).
    int64_t prefix(int32_t u) const;
    // The unit holding global row `row` (clamped) and the row within it.
    std::pair<int32_t, int32_t> find(int64_t row) const;

private:
    void rebuild();

    std::vector<int32_t> rows_;
    std::vector<int64_t> tree_; // Fenwick tree over rows_, 1-based
    int64_t total_ = 0;
};

// One undoable change: [pos, pos + removed.size()) held `removed` and now holds `inserted`.
struct TextEdit {
    enum Kind : int32_t { Other = 0, Typing, DeleteBackward, DeleteForward };
    int32_t pos = 0;
    CWString removed;
    CWString inserted;
    int32_t anchorBefore = 0; // selection before the change, restored by undo
    int32_t caretBefore = 0;
    Kind kind = Other;
};

// The undo and redo steps of a box. Consecutive typing (or consecutive deleting in one
// direction) at adjoining places merges into one step until closeStep() is called; a new change
// clears the redo steps. At most `limit` undo steps are kept (the oldest go first).
class EditHistory {
public:
    explicit EditHistory(size_t limit = 100) : limit_(limit) {}

    void record(TextEdit edit);
    void closeStep() { open_ = false; }
    void clear();

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // Moves the newest undo step to the redo steps and returns it; the caller reverts it.
    TextEdit takeUndo();
    // Moves the newest redo step back to the undo steps and returns it; the caller reapplies it.
    TextEdit takeRedo();
    size_t undoCount() const { return undo_.size(); }

private:
    std::deque<TextEdit> undo_;
    std::vector<TextEdit> redo_;
    size_t limit_;
    bool open_ = false; // the newest undo step may still absorb a change
};

} // namespace rg_Korrin_MFCJieMian_KuoZhanZuJian
