#include "tree/tree_find.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "text/codecs.h"
#include "tree/item_record.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

namespace {

inline char16_t foldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// Calls the idle hook when a few milliseconds went by; looks at the clock every 256 items.
class IdleTimer {
public:
    explicit IdleTimer(const FindIdleHook& idle) : idle_(idle), last_(Clock::now()) {}
    // True when the hook ran (the tree may have changed).
    bool tick() {
        if (!idle_ || (++count_ & 255) != 0) return false;
        if (Clock::now() - last_ < std::chrono::milliseconds(8)) return false;
        idle_();
        last_ = Clock::now();
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    const FindIdleHook& idle_;
    Clock::time_point last_;
    uint32_t count_ = 0;
};

} // namespace

void TreeItemMatcher::prepare(CWStringView findText, int32_t mode, bool ignoreCase) {
    mode_ = (mode == kFindWildcard || mode == kFindRegex) ? mode : kFindPlain;
    ignoreCase_ = ignoreCase;
    setFindText(findText);
    if (mode_ == kFindPlain) return;
    const CWString pattern =
        mode_ == kFindWildcard ? rg_Tolvar_MingLingJi::rg_TolvarZhengZeBiaoDaShiLei::wildcardToRegex(findText)
                               : CWString(findText);
    regex_.compilePattern(pattern, ignoreCase);
}

void TreeItemMatcher::setFindText(CWStringView findText) {
    findText_.assign(findText);
    folded_ = findText_;
    for (char16_t& c : folded_)
        c = foldAscii(c);
}

bool TreeItemMatcher::matches(CWStringView text) {
    if (mode_ != kFindPlain) return regex_.containsMatch(text);
    if (!ignoreCase_) return text.find(findText_) != CWStringView::npos;
    // Compared in place, letter case folded on the fly (no copy of each item's text).
    const size_t n = folded_.size();
    if (n == 0) return true;
    if (n > text.size()) return false;
    const char16_t first = folded_[0];
    for (size_t i = 0, last = text.size() - n; i <= last; ++i) {
        if (foldAscii(text[i]) != first) continue;
        size_t k = 1;
        while (k < n && foldAscii(text[i + k]) == folded_[k])
            ++k;
        if (k == n) return true;
    }
    return false;
}

int32_t findItem(rg_TolvarShuXingKuangCunChu& store, int32_t start, int32_t bound, bool backward,
                 TreeItemMatcher& matcher, const FindIdleHook& idle) {
    using namespace item_record;
    const int32_t n = store.itemCount();
    if (n <= 0) return -1;
    const int64_t reference = (start == -1 && backward) ? int64_t(n) : int64_t(start);
    int64_t index = backward ? std::min<int64_t>(reference - 1, n - 1) : std::max<int64_t>(reference + 1, 0);
    const int64_t last = backward ? (bound == kNoBound ? 0 : std::max<int64_t>(bound, 0))
                                  : (bound == kNoBound ? n - 1 : std::min<int64_t>(bound, n - 1));
    if (backward ? index < last : index > last) return -1;

    // The record of `index`: its text [textStart, sep). Walking on reads neighbouring records.
    ItemCursor cursor;
    uint64_t version = store.bufferVersion();
    if (!store.locateItem(static_cast<int32_t>(index), cursor, -1)) return -1;
    int64_t textStart = cursor[0];
    int64_t sep = int64_t(cursor[1]) - (kRecordOverhead - 1);
    CWString text;
    IdleTimer timer(idle);
    for (;;) {
        const uint8_t* data = store.itemBuffer().data();
        const size_t units = static_cast<size_t>((sep - textStart) / 2);
        text.resize(units);
        if (units) std::memcpy(text.data(), data + textStart, units * 2);
        if (matcher.matches(text)) return static_cast<int32_t>(index);
        if (index == last) return -1;
        index += backward ? -1 : 1;
        if (timer.tick() && store.bufferVersion() != version) {
            // The tree changed while messages were processed: find the place again by index.
            version = store.bufferVersion();
            if (index >= store.itemCount()) {
                // Items went away behind the walk: backward it goes on from the new last item.
                if (!backward) return -1;
                index = store.itemCount() - 1;
                if (index < last) return -1;
            }
            cursor.clear();
            if (!store.locateItem(static_cast<int32_t>(index), cursor, -1)) return -1;
            textStart = cursor[0];
            sep = int64_t(cursor[1]) - (kRecordOverhead - 1);
            continue;
        }
        // Same-length edits keep every position but may move the buffer (copy on write).
        data = store.itemBuffer().data();
        const int64_t size = static_cast<int64_t>(store.itemBuffer().size());
        if (backward) {
            // The previous record ends just before this one starts.
            sep = textStart - kRecordOverhead;
            const int64_t before = sep > 0 ? findSeparatorBackward(data, size, sep - 1) : -1;
            textStart = before < 0 ? 0 : before + kRecordOverhead;
        } else {
            textStart = sep + kRecordOverhead;
            sep = findSeparator(data, size, textStart);
            if (sep < 0) return -1; // cannot happen in a well-formed buffer
        }
    }
}

TreeFindResult findInItems(rg_TolvarShuXingKuangCunChu& store, bool backward, TreeItemMatcher& matcher,
                           bool retryEncoded, CWStringView originalText, const FindIdleHook& idle) {
    TreeFindResult result;
    for (int attempt = 0;; ++attempt) {
        const int32_t s = store.getSelection();
        result.selected = s;
        result.item = findItem(store, s, kNoBound, backward, matcher, idle);
        // Nothing after the selection: search from the far end up to the selection itself.
        if (result.item == -1 && s != -1) result.item = findItem(store, -1, s, backward, matcher, idle);
        if (result.item != -1 || !retryEncoded || attempt > 0) return result;
        matcher.setFindText(
            rg_Tolvar_MingLingJi::escapeText(originalText, rg_Tolvar_MingLingJi::kEscapeUcs2));
        result.retried = true;
    }
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
