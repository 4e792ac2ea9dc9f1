#include "text/ui/text_store.h"

#include <algorithm>
#include <limits>

namespace rg_Korrin_MFCJieMian_KuoZhanZuJian {
namespace {

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
bool isBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

} // namespace

TextStore::TextStore() {
    starts_.push_back(0);
}

void TextStore::setText(CWString text) {
    text_ = std::move(text);
    starts_.clear();
    scanUnits(0, std::numeric_limits<int64_t>::max(), starts_);
}

int64_t TextStore::scanUnits(int32_t lineStart, int64_t stopAt, std::vector<int32_t>& out) const {
    const char16_t* p = text_.data();
    const int32_t n = length();
    int32_t s = lineStart;
    for (;;) {
        if (s >= stopAt) return s;
        // The line's content runs to the first CR or LF.
        const char16_t* found = std::find_if(p + s, p + n, [](char16_t c) { return isBreak(c); });
        const int32_t e = static_cast<int32_t>(found - p);
        int32_t c = s;
        out.push_back(c);
        while (e - c > kUnitLimit) {
            int32_t b = c + kUnitLimit;
            int32_t comfortable = 0;
            for (int32_t k = b; k > b - kComfortWindow; --k) {
                if (p[k - 1] == u' ' || p[k - 1] == u',' || p[k - 1] == u'\t') {
                    comfortable = k;
                    break;
                }
            }
            if (comfortable)
                b = comfortable;
            else if (isHighSurrogate(p[b - 1]) && isLowSurrogate(p[b]))
                --b;
            c = b;
            out.push_back(c);
        }
        if (e >= n) return static_cast<int64_t>(n) + 1;
        s = e + breakLengthAt(e);
    }
}

TextStore::UnitSplice TextStore::replace(int32_t pos, int32_t count, CWStringView insert) {
    const int32_t n = length();
    pos = std::clamp(pos, 0, n);
    count = std::clamp(count, 0, n - pos);
    const int64_t m = static_cast<int64_t>(insert.size());
    const int64_t delta = m - count;

    // Whether an offset starts a line depends on the code units on both sides of it, so the line
    // holding the unit before the change is scanned again (a CR there may pair with an inserted
    // LF); line starts after the changed range keep their status and only move.
    int32_t a = unitAt(std::max(pos - 1, 0));
    while (!unitStartsLine(a))
        --a;
    const int32_t lineStart = starts_[static_cast<size_t>(a)];

    text_.replace(static_cast<size_t>(pos), static_cast<size_t>(count), insert);

    std::vector<int32_t> fresh;
    const int64_t stop = scanUnits(lineStart, pos + m + 1, fresh);
    size_t b = starts_.size();
    if (stop <= length()) {
        const int32_t oldStart = static_cast<int32_t>(stop - delta);
        b = static_cast<size_t>(std::lower_bound(starts_.begin() + a, starts_.end(), oldStart) -
                                starts_.begin());
    }
    for (size_t i = b; i < starts_.size(); ++i)
        starts_[i] = static_cast<int32_t>(starts_[i] + delta);
    const size_t removed = b - static_cast<size_t>(a);
    if (removed >= fresh.size()) {
        std::copy(fresh.begin(), fresh.end(), starts_.begin() + a);
        starts_.erase(starts_.begin() + a + static_cast<std::ptrdiff_t>(fresh.size()),
                      starts_.begin() + static_cast<std::ptrdiff_t>(b));
    } else {
        std::copy(fresh.begin(), fresh.begin() + static_cast<std::ptrdiff_t>(removed), starts_.begin() + a);
        starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(b),
                       fresh.begin() + static_cast<std::ptrdiff_t>(removed), fresh.end());
    }
    return {a, static_cast<int32_t>(removed), static_cast<int32_t>(fresh.size())};
}

int32_t TextStore::unitEnd(int32_t u) const {
    return u + 1 < unitCount() ? starts_[static_cast<size_t>(u) + 1] : length();
}

int32_t TextStore::unitContentEnd(int32_t u) const {
    const int32_t s = unitStart(u);
    int32_t e = unitEnd(u);
    if (e > s) {
        if (text_[static_cast<size_t>(e) - 1] == u'\n')
            e -= (e - 2 >= s && text_[static_cast<size_t>(e) - 2] == u'\r') ? 2 : 1;
        else if (text_[static_cast<size_t>(e) - 1] == u'\r')
            e -= 1;
    }
    return e;
}

CWStringView TextStore::unitContent(int32_t u) const {
    const int32_t s = unitStart(u);
    return CWStringView(text_).substr(static_cast<size_t>(s), static_cast<size_t>(unitContentEnd(u) - s));
}

bool TextStore::unitStartsLine(int32_t u) const {
    if (u <= 0) return true;
    return isBreak(text_[static_cast<size_t>(starts_[static_cast<size_t>(u)]) - 1]);
}

int32_t TextStore::unitAt(int32_t pos) const {
    pos = std::clamp(pos, 0, length());
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), pos);
    return static_cast<int32_t>(it - starts_.begin()) - 1;
}

int32_t TextStore::validPosition(int32_t pos) const {
    const int32_t n = length();
    pos = std::clamp(pos, 0, n);
    if (pos > 0 && pos < n) {
        const char16_t before = text_[static_cast<size_t>(pos) - 1], at = text_[static_cast<size_t>(pos)];
        if ((before == u'\r' && at == u'\n') || (isHighSurrogate(before) && isLowSurrogate(at))) --pos;
    }
    return pos;
}

int32_t TextStore::breakLengthAt(int32_t pos) const {
    if (pos < 0 || pos >= length()) return 0;
    const char16_t c = text_[static_cast<size_t>(pos)];
    if (c == u'\n') return 1;
    if (c != u'\r') return 0;
    return pos + 1 < length() && text_[static_cast<size_t>(pos) + 1] == u'\n' ? 2 : 1;
}

void RowIndex::assign(std::vector<int32_t> rows) {
    rows_ = std::move(rows);
    rebuild();
}

void RowIndex::rebuild() {
    const size_t n = rows_.size();
    tree_.assign(n + 1, 0);
    total_ = 0;
    for (size_t i = 1; i <= n; ++i) {
        tree_[i] += rows_[i - 1];
        total_ += rows_[i - 1];
        const size_t parent = i + (i & (~i + 1));
        if (parent <= n) tree_[parent] += tree_[i];
    }
}

void RowIndex::set(int32_t u, int32_t rows) {
    rows = std::max(rows, 1);
    const int64_t delta = static_cast<int64_t>(rows) - rows_[static_cast<size_t>(u)];
    if (delta == 0) return;
    rows_[static_cast<size_t>(u)] = rows;
    total_ += delta;
    for (size_t i = static_cast<size_t>(u) + 1; i < tree_.size(); i += i & (~i + 1))
        tree_[i] += delta;
}

void RowIndex::splice(int32_t first, int32_t removed, const std::vector<int32_t>& inserted) {
    const auto at = rows_.begin() + first;
    rows_.erase(at, at + removed);
    rows_.insert(rows_.begin() + first, inserted.begin(), inserted.end());
    rebuild();
}

int64_t RowIndex::prefix(int32_t u) const {
    int64_t sum = 0;
    for (size_t i = static_cast<size_t>(std::clamp(u, 0, size())); i > 0; i -= i & (~i + 1))
        sum += tree_[i];
    return sum;
}

std::pair<int32_t, int32_t> RowIndex::find(int64_t row) const {
    if (rows_.empty()) return {0, 0};
    row = std::clamp<int64_t>(row, 0, total_ - 1);
    // Descend the tree for the largest prefix not above `row`.
    size_t pos = 0;
    size_t step = 1;
    while (step * 2 <= rows_.size())
        step *= 2;
    int64_t remaining = row;
    for (; step > 0; step /= 2) {
        const size_t next = pos + step;
        if (next <= rows_.size() && tree_[next] <= remaining) {
            pos = next;
            remaining -= tree_[next];
        }
    }
    return {static_cast<int32_t>(pos), static_cast<int32_t>(remaining)};
}

void EditHistory::record(TextEdit edit) {
    redo_.clear();
    if (open_ && !undo_.empty()) {
        TextEdit& last = undo_.back();
        const auto lastEnd = static_cast<size_t>(last.pos) + last.inserted.size();
        if (edit.kind == TextEdit::Typing && last.kind == TextEdit::Typing && edit.removed.empty() &&
            lastEnd == static_cast<size_t>(edit.pos)) {
            last.inserted += edit.inserted;
            return;
        }
        if (edit.kind == TextEdit::DeleteBackward && last.kind == TextEdit::DeleteBackward &&
            edit.inserted.empty() && last.inserted.empty() &&
            static_cast<size_t>(edit.pos) + edit.removed.size() == static_cast<size_t>(last.pos)) {
            last.removed.insert(0, edit.removed);
            last.pos = edit.pos;
            return;
        }
        if (edit.kind == TextEdit::DeleteForward && last.kind == TextEdit::DeleteForward &&
            edit.inserted.empty() && last.inserted.empty() && edit.pos == last.pos) {
            last.removed += edit.removed;
            return;
        }
    }
    open_ = edit.kind != TextEdit::Other;
    undo_.push_back(std::move(edit));
    while (undo_.size() > limit_)
        undo_.pop_front();
}

void EditHistory::clear() {
    undo_.clear();
    redo_.clear();
    open_ = false;
}

TextEdit EditHistory::takeUndo() {
    TextEdit e = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back(e);
    open_ = false;
    return e;
}

TextEdit EditHistory::takeRedo() {
    TextEdit e = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back(e);
    open_ = false;
    return e;
}

} // namespace rg_Korrin_MFCJieMian_KuoZhanZuJian
