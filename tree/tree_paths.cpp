// JSON paths over tree items: generating the path of an item and finding the item a path names.
//
// An item's key form is its text cut before the first ':' (the whole text when it has none): the
// unquoted key of an object member, "[i]" for an array element. Generated paths write each key
// form with '.' as "#46#" and add "->c" when c earlier siblings share the (so written) key form;
// the search compares decoded segments with the plain key forms, counting occurrences.
#include <string>
#include <unordered_map>
#include <vector>

#include "json/node.h"
#include "tree/item_store.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

namespace {

CWString encodedKeyForm(CWStringView text) {
    const size_t colon = text.find(u':');
    const CWStringView form = colon == CWStringView::npos ? text : text.substr(0, colon);
    CWString out;
    out.reserve(form.size());
    for (char16_t c : form) {
        if (c == u'.') {
            out.append(u"#46#");
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool isIndexForm(CWStringView s) { return !s.empty() && s.front() == u'[' && s.back() == u']'; }

void appendDecimal(CWString& out, int64_t v) {
    const std::string digits = std::to_string(v);
    out.append(digits.begin(), digits.end());
}

// The occurrence number after "->": code units <= 0x20 skipped, an optional sign, decimal digits up
// to the first non-digit, saturated; 0 when there are no digits.
int64_t readOccurrence(CWStringView s) {
    size_t i = 0;
    while (i < s.size() && s[i] <= 0x20) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    int64_t v = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        v = v * 10 + (s[i] - u'0');
        if (v > INT32_MAX) v = INT64_C(1) + INT32_MAX;
    }
    return negative ? -v : v;
}

} // namespace

CWString rg_TolvarShuXingKuangCunChu::pathOfItem(int32_t item, int32_t mode) const {
    if (!validIndex(item)) return {};
    std::vector<CWString> segments; // from the item up to the top level
    bool selectedFormEmpty = false;
    ItemCursor cursor;
    for (int32_t cur = item; cur >= 0;) {
        if (getLevel(cur, cursor) < 1) break; // top-level items stand for the root
        CWString segment = encodedKeyForm(getText(cur, cursor));
        if (cur == item) selectedFormEmpty = segment.empty();
        ItemCursor parentCursor;
        const int32_t parent = getParent(cur, cursor, parentCursor);

        const int64_t c = earlierSiblingsWithForm(cur, cursor, parent, segment);
        if (c >= 1) {
            segment.append(u"->");
            appendDecimal(segment, c);
        }
        segments.push_back(std::move(segment));

        cur = parent;
        cursor = std::move(parentCursor);
    }

    CWString path;
    if (mode == 2 && segments.size() >= 2) path = u"//";
    for (size_t i = segments.size(); i-- > 0;) {
        path.append(segments[i]);
        // The separator before the segment to the right: none ahead of an index segment in mode 0.
        if (i > 0 && !(mode == 0 && isIndexForm(segments[i - 1]))) path.push_back(u'.');
    }
    if (segments.size() == 1 && segments[0].empty() && selectedFormEmpty) path = u"->0";
    return path;
}

void rg_TolvarShuXingKuangCunChu::forEachItemPath(
    int32_t mode, const std::function<void(int32_t, const ItemCursor&, CWStringView)>& visit) const {
    // frames[L]: the key forms met so far among the current siblings at level L, and the segment
    // of the latest of them. Going deeper opens a frame; going back up drops the deeper ones.
    struct Frame {
        std::unordered_map<CWString, int64_t> seen;
        CWString segment;
    };
    std::vector<Frame> frames;
    ItemCursor walk;
    CWString path;
    for (int32_t i = 0; i < itemCount_; ++i) {
        if (!locateItem(i, walk, i - 1)) return;
        ItemCursor c = walk;
        const int32_t level = getLevel(i, c);
        if (frames.size() > static_cast<size_t>(level) + 1) frames.resize(static_cast<size_t>(level) + 1);
        while (frames.size() < static_cast<size_t>(level) + 1) frames.emplace_back();
        path.clear();
        if (level >= 1) {
            CWString form = encodedKeyForm(getText(i, c));
            const bool emptyForm = form.empty();
            const int64_t count = frames[level].seen[form]++;
            if (count >= 1) {
                form.append(u"->");
                appendDecimal(form, count);
            }
            frames[level].segment = std::move(form);
            if (mode == 2 && level >= 2) path = u"//";
            for (int32_t L = 1; L <= level; ++L) {
                path.append(frames[L].segment);
                if (L < level && !(mode == 0 && isIndexForm(frames[L + 1].segment))) path.push_back(u'.');
            }
            if (level == 1 && emptyForm && count == 0) path = u"->0";
        }
        visit(i, walk, path);
    }
}

int32_t rg_TolvarShuXingKuangCunChu::findItemByPath(const rg_Korrin_JiBen::rg_WenBenShuZuLei& segments) const {
    if (segments.empty()) return itemCount_ > 0 ? 0 : -1;
    int32_t start = 1;
    ItemCursor startCursor; // cursor of `start`, carried along so no lookup scans from the top
    if (!locateItem(start, startCursor, -1)) return -1;
    for (size_t si = 0; si < segments.size(); ++si) {
        const CWStringView seg = segments[si];
        CWStringView name = seg;
        int64_t occurrence = 0;
        const size_t arrow = seg.find(u"->");
        if (arrow != CWStringView::npos) {
            name = seg.substr(0, arrow);
            occurrence = readOccurrence(seg.substr(arrow + 2));
        }
        ItemCursor cursor = startCursor;
        const int32_t match = findSiblingByForm(start, cursor, name, occurrence);
        if (match < 0) return -1;
        if (si + 1 == segments.size()) return match;
        ItemCursor probe = cursor;
        if (!hasChildren(match, probe)) return -1;
        start = match + 1;
        startCursor = cursor;
        if (!locateItem(start, startCursor, match)) return -1;
    }
    return -1;
}

int32_t rg_TolvarShuXingKuangCunChu::findItemByPath(CWStringView path) const {
    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
    rg_Tolvar_JSON::splitPath(path, segments);
    return findItemByPath(segments);
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
