// JSON paths over tree items: generating the path of an item and finding the item a path names.
//
// An item's key form is the part of its text that a segment names: an object member's unquoted
// key (which may hold ':'; the record's keyInfo says where it ends), "[i]" for an array element.
// A member's segment is its key form with '.' written as "#46#" and "->c" added when c earlier
// siblings have the same key. Where the path syntax cannot spell a key so that splitPath gives it
// back ("->" or a '[' inside it, "#46#" of its own, white space at its start, a leading "//" on
// the first of several segments, ...), the segment is the member's position "[p]" instead, which
// names the p-th child whatever its key. So every generated path resolves, in the document as in
// the tree, to the item's own node.
//
// Finding an item follows the document's rules: an index segment picks the sibling at that
// position, a key segment the (occurrence + 1)-th sibling with that key (array elements have the
// empty key).
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "tree/item_record.h"
#include "tree/item_store.h"
#include "json/node.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using namespace item_record;

namespace {

bool isIndexForm(CWStringView s) {
    return !s.empty() && s.front() == u'[' && s.back() == u']';
}

// An array element: recorded as one, or labelled "[i]" by a caller that recorded nothing.
bool isElement(int32_t keyInfo, CWStringView form) {
    return (keyInfo == kKeyInfoElement || keyInfo == kKeyInfoUnknown) && isIndexForm(form);
}

void appendDecimal(CWString& out, int64_t v) {
    const std::string digits = std::to_string(v);
    out.append(digits.begin(), digits.end());
}

CWString encodeDots(CWStringView form) {
    CWString out;
    out.reserve(form.size());
    for (char16_t c : form) {
        if (c == u'.')
            out.append(u"#46#");
        else
            out.push_back(c);
    }
    return out;
}

// "#46#" back to '.', left to right, as splitPath does.
CWString decodeDots(CWStringView s) {
    CWString out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (s.substr(i, 4) == u"#46#") {
            out.push_back(u'.');
            i += 4;
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}

// Where a segment stands in its path; the "//" rules of splitPath look at the first segment of a
// path with two or more.
struct Place {
    bool first;
    bool multi;
    int32_t mode;
};

// The key segment that names the member with key form `form` and occurrence `c` at `place`, or
// nothing when no spelling survives splitPath.
std::optional<CWString> keySegment(CWStringView form, int64_t c, const Place& place) {
    if (form.find(u"->") != CWStringView::npos) return std::nullopt;
    if (form.find(u'\uFFFD') != CWStringView::npos) return std::nullopt; // may stand for a replaced unit
    const CWString encoded = encodeDots(form);
    if (decodeDots(encoded) != form) return std::nullopt;
    // A '[' starts a segment of its own unless it is the segment's first unit (preceded by the
    // separator) or follows a backslash.
    for (size_t i = 1; i < encoded.size(); ++i)
        if (encoded[i] == u'[' && encoded[i - 1] != u'\\') return std::nullopt;
    const bool firstOfSeveral = place.first && place.multi;
    if (firstOfSeveral && place.mode != 2 && encoded.size() >= 2 && encoded[0] == u'/' && encoded[1] == u'/')
        return std::nullopt; // splitPath would drop the "//"; mode 2's own prefix protects it
    // Plain first ("k", "k->2"), then with the occurrence always written ("->0" for an empty key
    // alone or first after mode 2's "//", "k ->0" for a key ending in white space).
    for (int variant = 0; variant < 2; ++variant) {
        CWString s = encoded;
        if (c >= 1 || variant == 1) {
            s.append(u"->");
            appendDecimal(s, c);
        }
        if (rg_Tolvar_JSON::trimView(s).size() != s.size()) continue;
        if (rg_Tolvar_JSON::isIndexSegment(s)) continue;
        if (s.empty() && (!place.multi || (place.first && place.mode == 2))) continue;
        return s;
    }
    return std::nullopt;
}

CWString indexSegment(int64_t position) {
    CWString s = u"[";
    appendDecimal(s, position);
    s.push_back(u']');
    return s;
}

// Joins segments (top-down). In mode 0 an index segment follows its left neighbour directly,
// unless that neighbour is empty or ends in '\' (then splitPath would not split there).
CWString joinSegments(const std::vector<CWString>& segs, int32_t mode) {
    CWString path;
    if (mode == 2 && segs.size() >= 2) path = u"//";
    for (size_t i = 0; i < segs.size(); ++i) {
        if (i > 0) {
            const CWString& left = segs[i - 1];
            const bool glued = mode == 0 && isIndexForm(segs[i]) && !left.empty() && left.back() != u'\\';
            if (!glued) path.push_back(u'.');
        }
        path.append(segs[i]);
    }
    return path;
}

// The key-form facts of one item on a path.
struct Step {
    int32_t item;
    ItemCursor cursor;
    CWString form;
    bool element;
    int64_t occurrence; // earlier siblings with the same key form (members only)
};

} // namespace

// The text start and separator of an item's record, from its cursor (filled when empty).
bool rg_TolvarShuXingKuangCunChu::recordBounds(int32_t index, ItemCursor& cursor, int64_t& start,
                                               int64_t& sep) const {
    if (!validIndex(index)) return false;
    if (cursor.size() < 2 && !locateItem(index, cursor, -1)) return false;
    start = cursor[0];
    sep = static_cast<int64_t>(cursor[1]) + 1 - kRecordOverhead;
    return start >= 0 && sep >= start && ((sep - start) & 1) == 0 && isSeparatorAt(data(), size(), sep) &&
           sep + kRecordOverhead <= size();
}

CWString rg_TolvarShuXingKuangCunChu::keyFormOf(int32_t index, ItemCursor& cursor) const {
    int64_t start, sep;
    if (!recordBounds(index, cursor, start, sep)) return {};
    const size_t units =
        keyFormUnits(data() + start, static_cast<size_t>((sep - start) / 2), readKeyInfo(data(), sep));
    CWString out(units, u'\0');
    if (units > 0) std::memcpy(out.data(), data() + start, units * 2);
    return out;
}

int32_t rg_TolvarShuXingKuangCunChu::getKeyInfo(int32_t index, ItemCursor& cursor) const {
    int64_t start, sep;
    if (!recordBounds(index, cursor, start, sep)) return -1;
    return effectiveKeyInfo(data() + start, static_cast<size_t>((sep - start) / 2), readKeyInfo(data(), sep));
}

bool rg_TolvarShuXingKuangCunChu::setKeyLength(int32_t index, int32_t keyUnits, ItemCursor& cursor) {
    int64_t start, sep;
    if (!recordBounds(index, cursor, start, sep)) return false;
    const int64_t units = (sep - start) / 2;
    int32_t info = kKeyInfoElement;
    if (keyUnits != -1) {
        if (keyUnits < 0 || keyUnits > units) return false;
        info = memberKeyInfo(static_cast<size_t>(keyUnits));
    }
    writeInt32(writableBuffer().data() + sep + kSeparatorLength + kKeyInfoField, info);
    ++textVersion_; // remembered occurrence counts depend on key forms
    return true;
}

CWString rg_TolvarShuXingKuangCunChu::pathOfItem(int32_t item, int32_t mode) const {
    if (!validIndex(item)) return {};
    std::vector<Step> steps; // from the item up to the top level
    ItemCursor cursor;
    for (int32_t cur = item; cur >= 0;) {
        if (getLevel(cur, cursor) < 1) break; // top-level items stand for the root
        Step step{cur, cursor, keyFormOf(cur, cursor), false, 0};
        step.element = isElement(getKeyInfo(cur, cursor), step.form);
        ItemCursor parentCursor;
        const int32_t parent = getParent(cur, cursor, parentCursor);
        if (!step.element) step.occurrence = earlierSiblingsWithForm(cur, cursor, parent, step.form);
        steps.push_back(std::move(step));
        cur = parent;
        cursor = std::move(parentCursor);
    }

    std::vector<CWString> segs;
    segs.reserve(steps.size());
    for (size_t k = steps.size(); k-- > 0;) {
        Step& st = steps[k];
        if (st.element) {
            segs.push_back(st.form);
            continue;
        }
        const Place place{k + 1 == steps.size(), steps.size() >= 2, mode};
        std::optional<CWString> seg = keySegment(st.form, st.occurrence, place);
        if (!seg) {
            // Its position among all its siblings.
            int64_t position = 0;
            ItemCursor c = st.cursor;
            for (int32_t s = st.item;;) {
                ItemCursor prev;
                s = previousSibling(s, c, prev);
                if (s < 0) break;
                ++position;
                c = std::move(prev);
            }
            seg = indexSegment(position);
        }
        segs.push_back(std::move(*seg));
    }
    return joinSegments(segs, mode);
}

void rg_TolvarShuXingKuangCunChu::forEachItemPath(
    int32_t mode, const std::function<void(int32_t, const ItemCursor&, CWStringView)>& visit) const {
    // frames[L]: the key forms met so far among the current siblings at level L, their number, and
    // the segment of the latest of them (for level 1 also the spelling as the only segment).
    struct Frame {
        std::unordered_map<CWString, int64_t> seen;
        int64_t position = -1;
        CWString segment;
        CWString alone;
    };
    std::vector<Frame> frames;
    std::vector<CWString> segs;
    ItemCursor walk;
    for (int32_t i = 0; i < itemCount_; ++i) {
        if (!locateItem(i, walk, i - 1)) return;
        ItemCursor c = walk;
        const int32_t level = getLevel(i, c);
        if (frames.size() > static_cast<size_t>(level) + 1) frames.resize(static_cast<size_t>(level) + 1);
        while (frames.size() < static_cast<size_t>(level) + 1)
            frames.emplace_back();
        CWString path;
        if (level >= 1) {
            Frame& f = frames[level];
            ++f.position;
            const CWString form = keyFormOf(i, c);
            const bool element = isElement(getKeyInfo(i, c), form);
            const int64_t count = f.seen[form]++;
            if (element) {
                f.segment = form;
                f.alone = form;
            } else {
                auto spell = [&](const Place& place) {
                    std::optional<CWString> s = keySegment(form, count, place);
                    return s ? std::move(*s) : indexSegment(f.position);
                };
                f.segment = spell(Place{level == 1, true, mode});
                if (level == 1) f.alone = spell(Place{true, false, mode});
            }
            segs.clear();
            if (level == 1) {
                segs.push_back(frames[1].alone);
            } else {
                for (int32_t L = 1; L <= level; ++L)
                    segs.push_back(frames[L].segment);
            }
            path = joinSegments(segs, mode);
        }
        visit(i, walk, path);
    }
}

int32_t
rg_TolvarShuXingKuangCunChu::findItemByPath(const rg_Korrin_JiBen::rg_WenBenShuZuLei& segments) const {
    if (segments.empty()) return itemCount_ > 0 ? 0 : -1;
    int32_t start = 1;
    ItemCursor startCursor; // cursor of `start`, carried along so no lookup scans from the top
    if (!locateItem(start, startCursor, -1)) return -1;
    for (size_t si = 0; si < segments.size(); ++si) {
        const CWStringView seg = segments[si];
        const bool byIndex = rg_Tolvar_JSON::isIndexSegment(seg);
        int64_t wanted = 0;
        CWStringView name = seg;
        if (byIndex) {
            wanted = rg_Tolvar_JSON::parsePathInteger(seg.substr(1));
        } else if (const size_t arrow = seg.find(u"->"); arrow != CWStringView::npos) {
            name = seg.substr(0, arrow);
            wanted = rg_Tolvar_JSON::parsePathInteger(rg_Tolvar_JSON::trimView(seg.substr(arrow + 2)));
        }
        if (wanted < 0) return -1;
        int32_t match = -1;
        int64_t count = 0;
        ItemCursor cursor = startCursor;
        for (int32_t s = start; s >= 0;) {
            bool hit = byIndex;
            if (!byIndex) {
                const int32_t info = getKeyInfo(s, cursor);
                if (info == kKeyInfoElement) {
                    hit = name.empty();
                } else if (info == kKeyInfoUnknown) {
                    const CWString form = keyFormOf(s, cursor);
                    hit = isIndexForm(form) ? name.empty() : form == name;
                } else {
                    hit = keyFormEquals(s, cursor, name, false);
                }
            }
            if (hit && count++ == wanted) {
                match = s;
                break;
            }
            ItemCursor next;
            s = nextSibling(s, cursor, next);
            cursor = std::move(next);
        }
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
