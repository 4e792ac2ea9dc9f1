#include "tree/item_store.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "tree/item_record.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using namespace item_record;

namespace {

void insertBytes(CKorMem& buf, int64_t pos, const uint8_t* bytes, int64_t n) {
    if (n <= 0) return;
    const int64_t oldSize = static_cast<int64_t>(buf.size());
    buf.extend(static_cast<size_t>(n));
    uint8_t* d = buf.data();
    std::memmove(d + pos + n, d + pos, static_cast<size_t>(oldSize - pos));
    std::memcpy(d + pos, bytes, static_cast<size_t>(n));
}

// Replaces bytes [pos, pos + oldLen) by `bytes` (n of them).
void replaceBytes(CKorMem& buf, int64_t pos, int64_t oldLen, const uint8_t* bytes, int64_t n) {
    const int64_t oldSize = static_cast<int64_t>(buf.size());
    const int64_t tail = oldSize - pos - oldLen;
    if (n > oldLen) buf.extend(static_cast<size_t>(n - oldLen));
    uint8_t* d = buf.data();
    if (n != oldLen) std::memmove(d + pos + n, d + pos + oldLen, static_cast<size_t>(tail));
    if (n > 0) std::memcpy(d + pos, bytes, static_cast<size_t>(n));
    if (n < oldLen) buf.resize(static_cast<size_t>(oldSize - oldLen + n));
}

// The digits of the first "[n]" in a UTF-16LE text (1 to 10 decimal digits between the first '['
// and the next ']'): their byte range [from, to) and n. False when the text has no such label.
bool findElementLabel(const uint8_t* text, int64_t bytes, int64_t& from, int64_t& to, int64_t& n) {
    auto unit = [&](int64_t i) { return static_cast<char16_t>(text[i] | (text[i + 1] << 8)); };
    int64_t open = 0;
    while (open + 1 < bytes && unit(open) != u'[')
        open += 2;
    if (open + 1 >= bytes) return false;
    n = 0;
    int64_t i = open + 2;
    for (; i + 1 < bytes && unit(i) != u']'; i += 2) {
        const char16_t c = unit(i);
        if (c < u'0' || c > u'9' || i - open > 20) return false;
        n = n * 10 + (c - u'0');
    }
    if (i + 1 >= bytes || i == open + 2) return false;
    from = open + 2;
    to = i;
    return true;
}

// n in decimal as UTF-16LE bytes.
size_t decimalUnits(int64_t n, uint8_t (&out)[48]) {
    char digits[24];
    size_t k = 0;
    do {
        digits[k++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    for (size_t i = 0; i < k; ++i) {
        out[2 * i] = static_cast<uint8_t>(digits[k - 1 - i]);
        out[2 * i + 1] = 0;
    }
    return 2 * k;
}

uint8_t nextCheckState(uint8_t state, int32_t checkMode) {
    if (state == 3) return 3;
    const uint8_t top = checkMode == 2 ? 1 : 2;
    return state + 1 > top ? 0 : static_cast<uint8_t>(state + 1);
}

} // namespace

rg_TolvarShuXingKuangCunChu::rg_TolvarShuXingKuangCunChu()
    : buf_(std::make_shared<CKorMem>()), workers_(std::make_unique<IndexWorkerPool>()) {}

// The pool's destructor cancels the runs and joins their threads.
rg_TolvarShuXingKuangCunChu::~rg_TolvarShuXingKuangCunChu() = default;

// ---------------------------------------------------------------------------------------------
// Buffer

CKorMem& rg_TolvarShuXingKuangCunChu::writableBuffer() {
    if (workers_->isShared(buf_.get())) buf_ = std::make_shared<CKorMem>(*buf_);
    return *buf_;
}

void rg_TolvarShuXingKuangCunChu::structureChanged() {
    ++version_;
    ++textVersion_;
}

void rg_TolvarShuXingKuangCunChu::clearItems() {
    if (workers_->isShared(buf_.get())) {
        auto fresh = std::make_shared<CKorMem>();
        fresh->setGrowthStep(buf_->growthStep());
        buf_ = std::move(fresh);
    } else {
        buf_->clear();
    }
    itemCount_ = 0;
    rowListValid_ = false;
    // A new tree starts at its first row; a scrolled-away top item would name nothing.
    props_.topItem = 0;
    structureChanged();
}

void rg_TolvarShuXingKuangCunChu::setGrowthStep(size_t bytes) {
    // Only the step member changes; worker runs read the bytes and the length, never the step.
    buf_->setGrowthStep(bytes);
}

// ---------------------------------------------------------------------------------------------
// Building records

bool rg_TolvarShuXingKuangCunChu::appendRecord(CKorMem& buffer, CWStringView text, int32_t image,
                                               int32_t level) {
    return writeRecord(buffer, text, image, level, 0, 0);
}

bool rg_TolvarShuXingKuangCunChu::appendTopItem(CWStringView text, int32_t image) {
    if (itemCount_ == INT32_MAX) return false;
    if (static_cast<int64_t>(buf_->size()) + recordBytes(text.size()) > kMaxBufferBytes) return false;
    if (!writeRecord(writableBuffer(), text, image, 0, 3, 0)) return false;
    ++itemCount_;
    structureChanged();
    return true;
}

int32_t rg_TolvarShuXingKuangCunChu::lastLevel() const {
    if (size() < kRecordOverhead) return -1;
    return readInt32(data() + size() - kHeaderLength + kLevelField);
}

int32_t rg_TolvarShuXingKuangCunChu::fillFromNode(const Node& node, int32_t level, bool includeNode) {
    if (level < -1 || level >= kMaxLevel) return -1;
    const int32_t first = level + 1;
    if (itemCount_ == 0 ? first != 0 : first > lastLevel() + 1) return -1;
    const int32_t n = fillFromNode(node, writableBuffer(), level, includeNode);
    if (n > 0) {
        itemCount_ += n;
        structureChanged();
    }
    return n;
}

// ---------------------------------------------------------------------------------------------
// Indexes

void rg_TolvarShuXingKuangCunChu::refreshIndexes() const {
    workers_->fetch(indexes_, seenPublish_);
}

const BuiltTreeIndex* rg_TolvarShuXingKuangCunChu::currentIndex(TreeIndexKind kind) const {
    refreshIndexes();
    const int k = static_cast<int>(kind);
    const BuiltTreeIndex* idx = indexes_[k].get();
    if (idx == nullptr || idx->version != version_ || requested_[k] != version_) return nullptr;
    if (idx->values.size() != static_cast<size_t>(itemCount_)) return nullptr;
    if (kind == TreeIndexKind::Sibling && idx->next.size() != static_cast<size_t>(itemCount_)) return nullptr;
    return idx;
}

bool rg_TolvarShuXingKuangCunChu::isIndexCurrent(TreeIndexKind kind) const {
    return currentIndex(kind) != nullptr;
}

void rg_TolvarShuXingKuangCunChu::markIndexStale(TreeIndexKind kind) {
    requested_[static_cast<int>(kind)] = 0;
}

const std::vector<int32_t>* rg_TolvarShuXingKuangCunChu::indexArray(TreeIndexKind kind, int which) const {
    const BuiltTreeIndex* idx = currentIndex(kind);
    if (idx == nullptr) return nullptr;
    return which == 0 ? &idx->values : &idx->next;
}

std::shared_ptr<const BuiltTreeIndex> rg_TolvarShuXingKuangCunChu::sharedIndex(TreeIndexKind kind) const {
    if (currentIndex(kind) == nullptr) return nullptr;
    return indexes_[static_cast<int>(kind)];
}

void rg_TolvarShuXingKuangCunChu::startIndexWorkers() {
    unsigned mask = 0;
    for (int k = 0; k < kTreeIndexKinds; ++k) {
        if (requested_[k] != version_) mask |= 1u << k;
    }
    if (mask == 0) return;
    if (itemCount_ == 0 || buf_->size() == 0) {
        // An empty buffer never gets an index; remember that this version was seen.
        for (int k = 0; k < kTreeIndexKinds; ++k)
            requested_[k] = version_;
        return;
    }
    // The new run supersedes every older one, so it also takes over what they were still building.
    for (int k = 0; k < kTreeIndexKinds; ++k) {
        if (!(mask & (1u << k)) && currentIndex(static_cast<TreeIndexKind>(k)) == nullptr) mask |= 1u << k;
    }
    for (int k = 0; k < kTreeIndexKinds; ++k) {
        if (mask & (1u << k)) requested_[k] = version_;
    }
    if (!workers_->start(std::shared_ptr<const CKorMem>(buf_), itemCount_, version_, mask)) {
        for (int k = 0; k < kTreeIndexKinds; ++k) {
            if (mask & (1u << k)) requested_[k] = 0; // retried by the next redraw
        }
    }
}

void rg_TolvarShuXingKuangCunChu::buildIndexesNow() {
    TreeIndexSet built;
    if (!detail::buildTreeIndexesNow(data(), size(), itemCount_, kAllTreeIndexes, version_, built)) return;
    workers_->install(built, kAllTreeIndexes);
    for (int k = 0; k < kTreeIndexKinds; ++k)
        requested_[k] = version_;
    refreshIndexes();
}

void rg_TolvarShuXingKuangCunChu::waitForIndexWorkers() {
    workers_->waitAll();
    refreshIndexes();
}

// ---------------------------------------------------------------------------------------------
// Locating records

void rg_TolvarShuXingKuangCunChu::toCursor(const ItemPosition& rec, ItemCursor& cursor) {
    cursor.assign({static_cast<int32_t>(rec.start), static_cast<int32_t>(rec.end()), rec.level});
}

bool rg_TolvarShuXingKuangCunChu::recordAtStart(int64_t start, ItemPosition& rec) const {
    if (start < 0 || start >= size()) return false;
    const int64_t s = findSeparator(data(), size(), start);
    if (s < 0 || s + kRecordOverhead > size()) return false;
    rec.start = start;
    rec.sep = s;
    rec.level = readInt32(data() + s + kSeparatorLength + kLevelField);
    return true;
}

bool rg_TolvarShuXingKuangCunChu::recordEndingAt(int64_t sep, ItemPosition& rec) const {
    if (!isSeparatorAt(data(), size(), sep) || sep + kRecordOverhead > size()) return false;
    const int64_t prev = sep > 0 ? findSeparatorBackward(data(), size(), sep - 1) : -1;
    rec.start = prev < 0 ? 0 : prev + kRecordOverhead;
    rec.sep = sep;
    rec.level = readInt32(data() + sep + kSeparatorLength + kLevelField);
    return true;
}

bool rg_TolvarShuXingKuangCunChu::recordFromCursor(const ItemCursor& cursor, ItemPosition& rec) const {
    if (cursor.size() < 2) return false;
    return recordFromBounds(cursor[0], cursor[1], rec);
}

bool rg_TolvarShuXingKuangCunChu::recordFromBounds(int64_t start, int64_t end, ItemPosition& rec) const {
    const int64_t sep = end - (kRecordOverhead - 1);
    // Checked in O(1): on record boundaries and inside the buffer, so nothing is read past it.
    if (start < 0 || end >= size() || sep < start || ((sep - start) & 1) != 0) return false;
    if (!isSeparatorAt(data(), size(), sep)) return false;
    if (start != 0 && !isSeparatorAt(data(), size(), start - kRecordOverhead)) return false;
    rec.start = start;
    rec.sep = sep;
    rec.level = readInt32(data() + sep + kSeparatorLength + kLevelField);
    return true;
}

bool rg_TolvarShuXingKuangCunChu::recordOfItemByIndex(int32_t index, ItemPosition& rec) const {
    if (!validIndex(index)) return false;
    if (const BuiltTreeIndex* offsets = currentIndex(TreeIndexKind::Offset)) {
        const int64_t start = offsets->values[index];
        const int64_t nextStart = index + 1 < itemCount_ ? offsets->values[index + 1] : size();
        const int64_t sep = nextStart - kRecordOverhead;
        if (sep < start || !isSeparatorAt(data(), size(), sep)) return false;
        rec.start = start;
        rec.sep = sep;
        rec.level = readInt32(data() + sep + kSeparatorLength + kLevelField);
        return true;
    }
    int64_t pos = 0;
    for (int32_t k = 0; k < index; ++k) {
        const int64_t s = findSeparator(data(), size(), pos);
        if (s < 0) return false;
        pos = s + kRecordOverhead;
    }
    return recordAtStart(pos, rec);
}

int32_t rg_TolvarShuXingKuangCunChu::indexFromOffset(int64_t start) const {
    const BuiltTreeIndex* offsets = currentIndex(TreeIndexKind::Offset);
    if (offsets == nullptr) return -1;
    auto it = std::lower_bound(offsets->values.begin(), offsets->values.end(), static_cast<int32_t>(start));
    if (it == offsets->values.end() || *it != start) return -1;
    return static_cast<int32_t>(it - offsets->values.begin());
}

bool rg_TolvarShuXingKuangCunChu::locateItem(int32_t index, ItemCursor& cursor, int32_t cursorIndex) const {
    if (!validIndex(index)) return false;
    ItemPosition rec;
    if (isIndexCurrent(TreeIndexKind::Offset)) {
        if (!recordOfItemByIndex(index, rec)) return false;
        toCursor(rec, cursor);
        return true;
    }
    ItemPosition from;
    if (cursor.size() >= 2 && cursorIndex >= 0 && cursorIndex <= index && recordFromCursor(cursor, from)) {
        if (cursorIndex == index) return true;
        int64_t pos = from.next();
        for (int32_t k = cursorIndex + 1; k < index; ++k) {
            const int64_t s = findSeparator(data(), size(), pos);
            if (s < 0) return false;
            pos = s + kRecordOverhead;
        }
        if (!recordAtStart(pos, rec)) return false;
        toCursor(rec, cursor);
        return true;
    }
    if (!recordOfItemByIndex(index, rec)) return false;
    toCursor(rec, cursor);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Rows

bool rg_TolvarShuXingKuangCunChu::locatePosition(int32_t index, ItemPosition& position,
                                                 int32_t fromIndex) const {
    if (!validIndex(index)) return false;
    ItemPosition rec;
    if (isIndexCurrent(TreeIndexKind::Offset)) {
        if (!recordOfItemByIndex(index, rec)) return false;
        position = rec;
        return true;
    }
    ItemPosition from;
    if (position.isSet() && fromIndex >= 0 && fromIndex <= index &&
        recordFromBounds(position.start, position.end(), from)) {
        if (fromIndex == index) {
            position = from;
            return true;
        }
        int64_t pos = from.next();
        for (int32_t k = fromIndex + 1; k < index; ++k) {
            const int64_t s = findSeparator(data(), size(), pos);
            if (s < 0) return false;
            pos = s + kRecordOverhead;
        }
        if (!recordAtStart(pos, rec)) return false;
        position = rec;
        return true;
    }
    if (!recordOfItemByIndex(index, rec)) return false;
    position = rec;
    return true;
}

bool rg_TolvarShuXingKuangCunChu::positionAfter(const ItemPosition& position, ItemPosition& out) const {
    return position.isSet() && recordAtStart(position.next(), out);
}

bool rg_TolvarShuXingKuangCunChu::positionBefore(const ItemPosition& position, ItemPosition& out) const {
    if (position.start <= 0) return false;
    return recordEndingAt(position.start - kRecordOverhead, out);
}

bool rg_TolvarShuXingKuangCunChu::readRow(int32_t index, const ItemPosition& position, ItemRow& row) const {
    if (!validIndex(index)) return false;
    ItemPosition rec;
    if (!recordFromBounds(position.start, position.end(), rec)) return false;
    const uint8_t* hdr = data() + rec.sep + kSeparatorLength;
    row.item = index;
    row.position = rec;
    row.level = rec.level;
    row.image = readInt32(hdr + kImageField);
    row.selectedImage = readInt32(hdr + kSelectedImageField);
    row.expandState = hdr[kExpandField];
    row.checkState = hdr[kCheckField];
    row.textColour = readInt32(hdr + kTextColourField);
    row.backColour = readInt32(hdr + kBackColourField);
    row.textUnits = static_cast<size_t>((rec.sep - rec.start) / 2);
    // The next record tells whether this item has children.
    row.nextRecord = ItemPosition{};
    if (index + 1 < itemCount_ && rec.next() < size()) {
        ItemPosition next;
        if (recordAtStart(rec.next(), next)) row.nextRecord = next;
    }
    row.hasChildren = row.nextRecord.isSet() && row.nextRecord.level == rec.level + 1;
    return true;
}

bool rg_TolvarShuXingKuangCunChu::nextVisibleRow(ItemRow& row) const {
    if (row.expandState >= 2 || !row.hasChildren) {
        if (!row.nextRecord.isSet()) return false;
        const ItemPosition next = row.nextRecord;
        return readRow(row.item + 1, next, row);
    }
    // Collapsed with children: the record after the subtree.
    ItemPosition last;
    const int32_t descendants = descendantsOf(row.item, row.position, last);
    if (descendants <= 0 || !last.isSet()) return false;
    const int32_t next = row.item + descendants + 1;
    if (next >= itemCount_) return false;
    ItemPosition after;
    if (!recordAtStart(last.next(), after)) return false;
    return readRow(next, after, row);
}

void rg_TolvarShuXingKuangCunChu::readRowText(const ItemRow& row, size_t maxUnits, CWString& out) const {
    const size_t n = std::min(row.textUnits, maxUnits);
    out.resize(n);
    if (n != 0 && row.position.start >= 0 && row.position.start + static_cast<int64_t>(2 * n) <= size())
        std::memcpy(out.data(), data() + row.position.start, n * 2);
    else if (n != 0)
        out.clear();
}

bool rg_TolvarShuXingKuangCunChu::resolve(int32_t index, ItemCursor& cursor, ItemPosition& rec) const {
    if (!validIndex(index)) return false;
    if (cursor.size() >= 2) return recordFromCursor(cursor, rec);
    if (!recordOfItemByIndex(index, rec)) return false;
    toCursor(rec, cursor);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Reading fields

CWString rg_TolvarShuXingKuangCunChu::getText(int32_t index, ItemCursor& cursor) const {
    ItemPosition rec;
    if (!resolve(index, cursor, rec)) return {};
    CWString text(static_cast<size_t>((rec.sep - rec.start) / 2), u'\0');
    if (!text.empty()) std::memcpy(text.data(), data() + rec.start, text.size() * 2);
    return text;
}

CWString rg_TolvarShuXingKuangCunChu::getText(int32_t index) const {
    ItemCursor c;
    return getText(index, c);
}

int32_t rg_TolvarShuXingKuangCunChu::getLevel(int32_t index, ItemCursor& cursor) const {
    ItemPosition rec;
    return resolve(index, cursor, rec) ? rec.level : -1;
}

int32_t rg_TolvarShuXingKuangCunChu::getLevel(int32_t index) const {
    ItemCursor c;
    return getLevel(index, c);
}

int32_t rg_TolvarShuXingKuangCunChu::getImage(int32_t index, ItemCursor& cursor) const {
    ItemPosition rec;
    return resolve(index, cursor, rec) ? readInt32(data() + rec.sep + kSeparatorLength + kImageField) : -1;
}

int32_t rg_TolvarShuXingKuangCunChu::getImage(int32_t index) const {
    ItemCursor c;
    return getImage(index, c);
}

int32_t rg_TolvarShuXingKuangCunChu::getSelectedImage(int32_t index, ItemCursor& cursor) const {
    ItemPosition rec;
    return resolve(index, cursor, rec) ? readInt32(data() + rec.sep + kSeparatorLength + kSelectedImageField)
                                       : -1;
}

int32_t rg_TolvarShuXingKuangCunChu::getTextColour(int32_t index, ItemCursor& cursor) const {
    ItemPosition rec;
    return resolve(index, cursor, rec) ? readInt32(data() + rec.sep + kSeparatorLength + kTextColourField)
                                       : -1;
}

int32_t rg_TolvarShuXingKuangCunChu::getBackColour(int32_t index, ItemCursor& cursor) const {
    ItemPosition rec;
    return resolve(index, cursor, rec) ? readInt32(data() + rec.sep + kSeparatorLength + kBackColourField)
                                       : -1;
}

uint8_t rg_TolvarShuXingKuangCunChu::getExpandState(int32_t index, ItemCursor& cursor) const {
    ItemPosition rec;
    return resolve(index, cursor, rec) ? data()[rec.sep + kSeparatorLength + kExpandField] : 255;
}

uint8_t rg_TolvarShuXingKuangCunChu::getExpandState(int32_t index) const {
    ItemCursor c;
    return getExpandState(index, c);
}

uint8_t rg_TolvarShuXingKuangCunChu::getCheckState(int32_t index, ItemCursor& cursor) const {
    ItemPosition rec;
    return resolve(index, cursor, rec) ? data()[rec.sep + kSeparatorLength + kCheckField] : 255;
}

uint8_t rg_TolvarShuXingKuangCunChu::getCheckState(int32_t index) const {
    ItemCursor c;
    return getCheckState(index, c);
}

bool rg_TolvarShuXingKuangCunChu::hasChildren(int32_t index, ItemCursor& cursor) const {
    ItemPosition rec;
    if (!resolve(index, cursor, rec) || index + 1 >= itemCount_) return false;
    ItemPosition next;
    if (!recordAtStart(rec.next(), next)) return false;
    return next.level == rec.level + 1;
}

bool rg_TolvarShuXingKuangCunChu::hasChildren(int32_t index) const {
    ItemCursor c;
    return hasChildren(index, c);
}

bool rg_TolvarShuXingKuangCunChu::keyFormEquals(int32_t index, ItemCursor& cursor, CWStringView form,
                                                bool encodedDots) const {
    ItemPosition rec;
    return resolve(index, cursor, rec) && keyFormEqualsAt(rec, form, encodedDots);
}

bool rg_TolvarShuXingKuangCunChu::keyFormEqualsAt(const ItemPosition& rec, CWStringView form,
                                                  bool encodedDots) const {
    static constexpr char16_t kDot[] = u"#46#";
    const uint8_t* p = data() + rec.start;
    const size_t units =
        keyFormUnits(p, static_cast<size_t>((rec.sep - rec.start) / 2), readKeyInfo(data(), rec.sep));
    size_t j = 0; // position in form
    for (size_t u = 0; u < units; ++u) {
        char16_t c;
        std::memcpy(&c, p + 2 * u, 2);
        if (c == u'.' && encodedDots) {
            if (form.substr(j, 4) != CWStringView(kDot, 4)) return false;
            j += 4;
        } else {
            if (j >= form.size() || form[j] != c) return false;
            ++j;
        }
    }
    return j == form.size();
}

int64_t rg_TolvarShuXingKuangCunChu::earlierSiblingsWithForm(int32_t item, const ItemCursor& cursor,
                                                             int32_t parent, CWStringView form) const {
    constexpr int32_t kWalkLimit = 256; // longer sibling lists are counted once and looked up
    ItemPosition rec;
    if (!recordFromCursor(cursor, rec)) return 0;
    const BuiltTreeIndex* siblings = currentIndex(TreeIndexKind::Sibling);
    int64_t count = 0;
    if (siblings == nullptr || !isIndexCurrent(TreeIndexKind::Offset)) {
        // One backward pass: records deeper than the item are skipped, the first shallower one
        // (the parent) ends the siblings.
        ItemPosition cur = rec;
        while (cur.start > 0) {
            ItemPosition prev;
            if (!recordEndingAt(cur.start - kRecordOverhead, prev) || prev.level < rec.level) break;
            if (prev.level == rec.level && keyFormEqualsAt(prev, form, false)) ++count;
            cur = prev;
        }
        return count;
    }
    int32_t steps = 0;
    for (int32_t d = siblings->values[item]; d >= 0; d = siblings->values[d]) {
        if (++steps > kWalkLimit) break;
        ItemPosition r;
        if (!recordOfItemByIndex(d, r)) return count;
        if (keyFormEqualsAt(r, form, false)) ++count;
    }
    if (steps <= kWalkLimit || parent < 0) return count;

    // A long list: occurrence numbers of all children of `parent`, kept for later calls.
    if (formCountsVersion_ != textVersion_) {
        formCounts_.clear();
        formCountsVersion_ = textVersion_;
    }
    auto it = std::find_if(formCounts_.begin(), formCounts_.end(),
                           [&](const FormCounts& f) { return f.parent == parent; });
    if (it == formCounts_.end()) {
        if (formCounts_.size() >= 8) formCounts_.erase(formCounts_.begin());
        FormCounts fc;
        fc.parent = parent;
        std::unordered_map<CWString, int32_t> seen;
        CWString key;
        for (int32_t c = parent + 1; c > 0 && c < itemCount_;) {
            ItemPosition r;
            if (!recordOfItemByIndex(c, r)) break;
            // Plain key forms: pathOfItem counts occurrences of the key itself.
            const size_t units = keyFormUnits(data() + r.start, static_cast<size_t>((r.sep - r.start) / 2),
                                              readKeyInfo(data(), r.sep));
            key.resize(units);
            if (units > 0) std::memcpy(key.data(), data() + r.start, units * 2);
            fc.items.push_back(c);
            fc.occurrences.push_back(seen[key]++);
            const int32_t next = siblings->next[c];
            c = next > c ? next : -1;
        }
        formCounts_.push_back(std::move(fc));
        it = formCounts_.end() - 1;
    }
    auto pos = std::lower_bound(it->items.begin(), it->items.end(), item);
    if (pos == it->items.end() || *pos != item) return count; // not a child after all: the walked part
    return it->occurrences[pos - it->items.begin()];
}

int32_t rg_TolvarShuXingKuangCunChu::findSiblingByForm(int32_t start, ItemCursor& cursor, CWStringView name,
                                                       int64_t occurrence) const {
    int64_t count = 0;
    const BuiltTreeIndex* siblings = currentIndex(TreeIndexKind::Sibling);
    const BuiltTreeIndex* offsets = currentIndex(TreeIndexKind::Offset);
    if (siblings != nullptr && offsets != nullptr) {
        // A key form never holds ':', so a name with one matches nothing; otherwise the text must
        // start with the name, followed by ':' or nothing.
        if (name.find(u':') != CWStringView::npos) return -1;
        const size_t nameBytes = name.size() * 2;
        for (int32_t s = start; s >= 0 && s < itemCount_;) {
            const int64_t begin = offsets->values[s];
            const int64_t sep = (s + 1 < itemCount_ ? offsets->values[s + 1] : size()) - kRecordOverhead;
            const int64_t textBytes = sep - begin;
            if (textBytes >= static_cast<int64_t>(nameBytes) &&
                (nameBytes == 0 || std::memcmp(data() + begin, name.data(), nameBytes) == 0)) {
                char16_t after = 0;
                if (textBytes > static_cast<int64_t>(nameBytes))
                    std::memcpy(&after, data() + begin + nameBytes, 2);
                if ((textBytes == static_cast<int64_t>(nameBytes) || after == u':') &&
                    ++count == occurrence + 1) {
                    ItemPosition r;
                    if (!recordOfItemByIndex(s, r)) return -1;
                    toCursor(r, cursor);
                    return s;
                }
            }
            const int32_t next = siblings->next[s];
            s = next > s ? next : -1;
        }
        return -1;
    }
    for (int32_t s = start; s >= 0;) {
        if (keyFormEquals(s, cursor, name, false) && ++count == occurrence + 1) return s;
        ItemCursor next;
        s = nextSibling(s, cursor, next);
        cursor = std::move(next);
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Descendants, parents, siblings, children

int32_t rg_TolvarShuXingKuangCunChu::scanDescendants(const ItemPosition& item, ItemPosition& last) const {
    int32_t count = 0;
    int64_t pos = item.next();
    while (pos < size()) {
        const int64_t s = findSeparator(data(), size(), pos);
        if (s < 0 || s + kRecordOverhead > size()) break;
        const int32_t level = readInt32(data() + s + kSeparatorLength + kLevelField);
        if (level <= item.level) break;
        last.start = pos;
        last.sep = s;
        last.level = level;
        ++count;
        pos = s + kRecordOverhead;
    }
    return count;
}

int32_t rg_TolvarShuXingKuangCunChu::descendantsOf(int32_t index, const ItemPosition& rec,
                                                   ItemPosition& lastDesc) const {
    if (rec.next() >= size()) return 0;
    const BuiltTreeIndex* ends = currentIndex(TreeIndexKind::SubtreeEnd);
    if (ends != nullptr && isIndexCurrent(TreeIndexKind::Offset)) {
        const int32_t d = ends->values[index];
        if (d <= index) return 0;
        if (!recordOfItemByIndex(d, lastDesc)) return 0;
        return d - index;
    }
    return scanDescendants(rec, lastDesc);
}

int32_t rg_TolvarShuXingKuangCunChu::getDescendants(int32_t index, ItemCursor& cursor, ItemCursor& outRange,
                                                    bool includeSelf) const {
    ItemPosition rec;
    if (!resolve(index, cursor, rec)) return -1;
    ItemPosition last;
    int32_t count = descendantsOf(index, rec, last);
    int64_t first = rec.next();
    int64_t lastByte = count > 0 ? last.end() : -1;
    if (includeSelf) {
        first = rec.start;
        if (count == 0) lastByte = rec.end();
        ++count;
    }
    outRange.assign({static_cast<int32_t>(first), static_cast<int32_t>(lastByte), rec.level + 1});
    return count;
}

int32_t rg_TolvarShuXingKuangCunChu::getDescendants(int32_t index) const {
    if (!validIndex(index)) return -1;
    if (const BuiltTreeIndex* ends = currentIndex(TreeIndexKind::SubtreeEnd)) {
        const int32_t d = ends->values[index];
        return d > index ? d - index : 0;
    }
    ItemCursor c, range;
    return getDescendants(index, c, range, false);
}

int32_t rg_TolvarShuXingKuangCunChu::countItemsInRange(const ItemCursor& range) const {
    if (range.size() < 2) return 0;
    const int64_t first = std::max<int64_t>(0, range[0]);
    const int64_t last = std::min<int64_t>(size() - 1, range[1]);
    int32_t count = 0;
    int64_t pos = first;
    while (pos <= last) {
        const int64_t s = findSeparator(data(), size(), pos);
        if (s < 0 || s + kSeparatorLength - 1 > last) break;
        ++count;
        pos = s + kRecordOverhead;
    }
    return count;
}

int32_t rg_TolvarShuXingKuangCunChu::getParent(int32_t index, ItemCursor& cursor,
                                               ItemCursor& outCursor) const {
    ItemPosition rec;
    if (!resolve(index, cursor, rec)) return -1;
    if (rec.level <= 0) {
        outCursor.assign({-1, -1, -1});
        return -1;
    }
    const BuiltTreeIndex* parents = currentIndex(TreeIndexKind::Parent);
    if (parents != nullptr && isIndexCurrent(TreeIndexKind::Offset)) {
        const int32_t p = parents->values[index];
        ItemPosition prec;
        if (p < 0 || !recordOfItemByIndex(p, prec)) {
            outCursor.assign({-1, -1, -1});
            return -1;
        }
        toCursor(prec, outCursor);
        return p;
    }
    // The first shallower record before it is the parent (levels climb by at most one, so it is
    // exactly one level up).
    ItemPosition prev;
    const int32_t k = walkBackToLevel(rec, index, rec.level - 1, prev);
    if (k < 0) {
        outCursor.assign({-1, -1, -1});
        return -1;
    }
    toCursor(prev, outCursor);
    return k;
}

int32_t rg_TolvarShuXingKuangCunChu::walkBackToLevel(const ItemPosition& rec, int32_t index, int32_t level,
                                                     ItemPosition& found) const {
    ItemPosition cur = rec;
    int32_t k = index;
    while (cur.start > 0) {
        if (!recordEndingAt(cur.start - kRecordOverhead, found)) break;
        --k;
        if (found.level <= level) return k;
        cur = found;
    }
    return -1;
}

int32_t rg_TolvarShuXingKuangCunChu::getParent(int32_t index) const {
    ItemCursor c, out;
    return getParent(index, c, out);
}

int32_t rg_TolvarShuXingKuangCunChu::previousSibling(int32_t index, ItemCursor& cursor,
                                                     ItemCursor& outCursor) const {
    ItemPosition rec;
    if (!resolve(index, cursor, rec)) return -1;
    const BuiltTreeIndex* siblings = currentIndex(TreeIndexKind::Sibling);
    if (siblings != nullptr && isIndexCurrent(TreeIndexKind::Offset)) {
        const int32_t d = siblings->values[index];
        ItemPosition srec;
        if (d < 0 || !recordOfItemByIndex(d, srec)) return -1;
        toCursor(srec, outCursor);
        return d;
    }
    ItemPosition prev;
    const int32_t k = walkBackToLevel(rec, index, rec.level, prev);
    if (k < 0 || prev.level != rec.level) return -1; // reached the parent first: no earlier sibling
    toCursor(prev, outCursor);
    return k;
}

int32_t rg_TolvarShuXingKuangCunChu::previousSibling(int32_t index) const {
    ItemCursor c, out;
    return previousSibling(index, c, out);
}

int32_t rg_TolvarShuXingKuangCunChu::nextSibling(int32_t index, ItemCursor& cursor,
                                                 ItemCursor& outCursor) const {
    ItemPosition rec;
    if (!resolve(index, cursor, rec)) return -1;
    const BuiltTreeIndex* siblings = currentIndex(TreeIndexKind::Sibling);
    if (siblings != nullptr && isIndexCurrent(TreeIndexKind::Offset)) {
        const int32_t n = siblings->next[index];
        ItemPosition srec;
        if (n <= 0 || !recordOfItemByIndex(n, srec)) return -1;
        toCursor(srec, outCursor);
        return n;
    }
    ItemPosition last;
    const int32_t d = scanDescendants(rec, last);
    const int64_t pos = d > 0 ? last.next() : rec.next();
    ItemPosition next;
    if (index + d + 1 >= itemCount_ || !recordAtStart(pos, next) || next.level != rec.level) return -1;
    toCursor(next, outCursor);
    return index + d + 1;
}

int32_t rg_TolvarShuXingKuangCunChu::nextSibling(int32_t index) const {
    ItemCursor c, out;
    return nextSibling(index, c, out);
}

int32_t rg_TolvarShuXingKuangCunChu::enumerateChildren(int32_t parent, ItemIndexList& outIndexes,
                                                       ItemCursor& parentCursor,
                                                       std::vector<ItemCursor>& outCursors,
                                                       int32_t stopAt) const {
    if (parent < -1 || parent >= itemCount_) return -1;
    if (itemCount_ == 0) return 0;
    ItemPosition prec;
    int32_t childLevel = 0;
    int64_t pos = 0;
    int32_t k = 0; // index of the record at pos
    if (parent >= 0) {
        if (!resolve(parent, parentCursor, prec)) return -1;
        childLevel = prec.level + 1;
        pos = prec.next();
        k = parent + 1;
    }
    int32_t listed = 0;
    auto list = [&](int32_t index, const ItemPosition& r) {
        outIndexes.push_back(index);
        ItemCursor c;
        toCursor(r, c);
        outCursors.push_back(std::move(c));
        ++listed;
    };

    const BuiltTreeIndex* siblings = currentIndex(TreeIndexKind::Sibling);
    if (siblings != nullptr && isIndexCurrent(TreeIndexKind::Offset)) {
        if (k >= itemCount_) return 0;
        ItemPosition r;
        if (!recordOfItemByIndex(k, r) || r.level != childLevel) return 0;
        for (int32_t c = k;;) {
            list(c, r);
            if (c == stopAt) break;
            c = siblings->next[c];
            if (c <= 0 || !recordOfItemByIndex(c, r)) break;
        }
        return listed;
    }
    while (pos < size()) {
        ItemPosition r;
        if (!recordAtStart(pos, r)) break;
        if (parent >= 0 && r.level < childLevel) break;
        if (r.level == childLevel) {
            list(k, r);
            if (k == stopAt) break;
        }
        pos = r.next();
        ++k;
    }
    return listed;
}

int32_t rg_TolvarShuXingKuangCunChu::enumerateChildren(int32_t parent, ItemIndexList& outIndexes) const {
    ItemCursor pc;
    std::vector<ItemCursor> cursors;
    return enumerateChildren(parent, outIndexes, pc, cursors, -1);
}

// ---------------------------------------------------------------------------------------------
// Changing

int32_t rg_TolvarShuXingKuangCunChu::insertItem(int32_t parent, CWStringView text, int32_t image,
                                                int32_t expandState, int32_t checkState, ItemCursor& cursor) {
    if (parent >= itemCount_ || expandState < 0 || expandState > 3 || checkState < 0 || checkState > 3)
        return -1;
    if (itemCount_ == INT32_MAX) return -1;
    int64_t at = size();
    int32_t level = 0;
    int32_t index = itemCount_;
    if (parent >= 0) {
        ItemPosition prec;
        if (!resolve(parent, cursor, prec) || prec.level >= kMaxLevel) return -1;
        ItemPosition last;
        const int32_t d = descendantsOf(parent, prec, last);
        at = d > 0 ? last.next() : prec.next();
        level = prec.level + 1;
        index = parent + d + 1;
    }
    CKorMem record;
    if (!writeRecord(record, text, image, level, static_cast<uint8_t>(expandState),
                     static_cast<uint8_t>(checkState)))
        return -1;
    if (size() + static_cast<int64_t>(record.size()) > kMaxBufferBytes) return -1;
    insertBytes(writableBuffer(), at, record.data(), static_cast<int64_t>(record.size()));
    ++itemCount_;
    structureChanged();
    if (props_.autoRedraw) redraw(-1);
    return index;
}

int32_t rg_TolvarShuXingKuangCunChu::replaceSubtree(int32_t index, int32_t mode, const CKorMem& records,
                                                    int32_t recordCount, ItemCursor& cursor) {
    if (mode < 0 || mode > 2 || recordCount < 0) return -1;
    RecordRunInfo info;
    if (!scanRecords(records.data(), static_cast<int64_t>(records.size()), info) || info.count != recordCount)
        return -1;
    ItemPosition rec;
    if (!resolve(index, cursor, rec)) return -1;
    ItemPosition last;
    const int32_t d = descendantsOf(index, rec, last);

    // The byte range to replace and the levels around it.
    int64_t first, lastByte;
    int32_t replaced;
    int32_t before; // level of the record before the range, -1 at the buffer start
    if (mode == 0) {
        first = rec.start;
        lastByte = d > 0 ? last.end() : rec.end();
        replaced = d + 1;
        before = rec.start > 0 ? readInt32(data() + rec.start - kHeaderLength + kLevelField) : -1;
    } else {
        first = rec.next();
        lastByte = d > 0 ? last.end() : rec.next() - 1;
        replaced = d;
        before = rec.level;
    }
    const int64_t oldLen = lastByte - first + 1;
    ItemPosition after;
    const int32_t afterLevel = recordAtStart(lastByte + 1, after) ? after.level : -1;
    if (recordCount > 0) {
        const bool fitsBefore = before < 0 ? info.firstLevel == 0 : info.firstLevel <= before + 1;
        const bool fitsAfter = afterLevel < 0 || afterLevel <= info.lastLevel + 1;
        if (!fitsBefore || !fitsAfter) return -1;
    }
    if (size() - oldLen + static_cast<int64_t>(records.size()) > kMaxBufferBytes) return -1;
    if (static_cast<int64_t>(itemCount_) - replaced + recordCount > INT32_MAX) return -1;

    if (replaced <= 0) {
        if (recordCount > 0) {
            insertBytes(writableBuffer(), first, records.data(), static_cast<int64_t>(records.size()));
            itemCount_ += recordCount;
            structureChanged();
        }
    } else {
        const uint8_t expand = data()[rec.sep + kSeparatorLength + kExpandField];
        CKorMem& buf = writableBuffer();
        if (recordCount > 0) {
            replaceBytes(buf, first, oldLen, records.data(), static_cast<int64_t>(records.size()));
            if (mode != 2) {
                const int64_t s = findSeparator(buf.data(), static_cast<int64_t>(buf.size()), first);
                buf.data()[s + kSeparatorLength + kExpandField] = expand;
            }
        } else {
            replaceBytes(buf, first, oldLen, nullptr, 0);
        }
        itemCount_ += recordCount - replaced;
        structureChanged();
    }
    if (props_.autoRedraw) redraw(-1);
    if (replaced > 0) selectionChanged.raise(getSelection(), ByOwner);
    return std::max(replaced, 0);
}

bool rg_TolvarShuXingKuangCunChu::applyExpandChange(int32_t index, const ItemPosition& rec,
                                                    uint8_t newState) {
    const int64_t at = rec.sep + kSeparatorLength + kExpandField;
    const uint8_t old = data()[at];
    if (old == newState) return true;
    writableBuffer().data()[at] = newState;
    if ((old < 2) == (newState < 2) || !isRowListCurrent()) return true;
    const int32_t row = rowOfItem(index);
    if (row < 0) {
        // Inside a collapsed subtree: rebuild the row list (and, as before, the offsets) later.
        markRowListStale();
        markIndexStale(TreeIndexKind::Offset);
        return true;
    }
    ItemPosition last;
    const int32_t d = descendantsOf(index, rec, last);
    if (d == 0) return true;
    if (newState >= 2) {
        std::vector<int32_t> sub;
        buildRowsInto(sub, index + 1, index + d + 1);
        rows_.insert(rows_.begin() + row + 1, sub.begin(), sub.end());
    } else {
        auto from = rows_.begin() + row + 1;
        auto to = std::upper_bound(from, rows_.end(), index + d);
        rows_.erase(from, to);
    }
    return true;
}

bool rg_TolvarShuXingKuangCunChu::setItem(int32_t index, std::optional<CWStringView> text, int32_t image,
                                          int32_t expandState, int32_t checkState, ItemCursor& cursor,
                                          bool noRedraw) {
    if (expandState < -2 || expandState > 3 || checkState < -2 || checkState > 3) return false;
    ItemPosition rec;
    if (!resolve(index, cursor, rec)) return false;
    CWString safe;
    if (text) {
        safe.assign(text->data(), text->size());
        sanitizeItemText(safe.data(), safe.size());
        if (size() - (rec.sep - rec.start) + static_cast<int64_t>(safe.size()) * 2 > kMaxBufferBytes)
            return false;
    }
    if (image != kKeepImage || checkState != -1) {
        uint8_t* h = writableBuffer().data() + rec.sep + kSeparatorLength;
        if (image != kKeepImage) writeInt32(h + kImageField, clampImage(image));
        if (checkState == -2) {
            h[kCheckField] = nextCheckState(h[kCheckField], props_.checkMode);
        } else if (checkState >= 0) {
            h[kCheckField] = static_cast<uint8_t>(checkState);
        }
    }
    if (expandState != -1) {
        const uint8_t old = data()[rec.sep + kSeparatorLength + kExpandField];
        const uint8_t next =
            expandState == -2 ? static_cast<uint8_t>(old ^ 2) : static_cast<uint8_t>(expandState);
        applyExpandChange(index, rec, next);
    }
    if (text) {
        const int64_t oldBytes = rec.sep - rec.start;
        const int64_t newBytes = static_cast<int64_t>(safe.size()) * 2;
        CKorMem& buf = writableBuffer();
        if (oldBytes == newBytes) {
            if (newBytes > 0) std::memcpy(buf.data() + rec.start, safe.data(), static_cast<size_t>(newBytes));
            ++textVersion_;
        } else {
            replaceBytes(buf, rec.start, oldBytes, reinterpret_cast<const uint8_t*>(safe.data()), newBytes);
            structureChanged();
            rec.sep += newBytes - oldBytes;
            toCursor(rec, cursor);
        }
    }
    if (props_.autoRedraw && !noRedraw) redraw(-1);
    return true;
}

int32_t rg_TolvarShuXingKuangCunChu::shiftElementLabels(int32_t first, int32_t delta, ItemCursor& cursor) {
    ItemPosition rec;
    if (!resolve(first, cursor, rec)) return -1;
    const uint8_t* d = data();
    const int64_t n = size();
    const int32_t level = rec.level;
    // The family (first, its later siblings and their subtrees) is walked record by record; the
    // bytes between two changed labels are copied whole into the new buffer.
    CKorMem out;
    int64_t copied = 0;     // bytes of the old buffer already in `out` (or before the first change)
    int64_t firstShift = 0; // growth of first's own text
    bool lengthChanged = false;
    int32_t changed = 0;
    ItemPosition r = rec;
    for (;;) {
        if (r.level == level) {
            int64_t from = 0, to = 0, number = 0;
            if (findElementLabel(d + r.start, r.sep - r.start, from, to, number) && number + delta >= 0) {
                uint8_t units[48];
                const size_t bytes = decimalUnits(number + delta, units);
                if (changed == 0) {
                    out.setGrowthStep(std::max<size_t>(buf_->growthStep(), 1 << 16));
                    // Labels shrink or grow by at most two bytes each, far below n / 8.
                    out.reserve(static_cast<size_t>(n + (delta > 0 ? n / 8 : 0) + 64));
                }
                out.append(d + copied, static_cast<size_t>(r.start + from - copied));
                out.append(units, bytes);
                copied = r.start + to;
                const int64_t grow = static_cast<int64_t>(bytes) - (to - from);
                lengthChanged = lengthChanged || grow != 0;
                if (r.start == rec.start) firstShift = grow;
                ++changed;
            }
        }
        const int64_t next = r.next();
        if (next >= n) break;
        const int64_t s = findSeparator(d, n, next);
        if (s < 0 || s + kRecordOverhead > n) break;
        const int32_t lv = readInt32(d + s + kSeparatorLength + kLevelField);
        if (lv < level) break; // the parent's family ends
        r = ItemPosition{next, s, lv};
    }
    if (changed == 0) return 0;
    if (static_cast<int64_t>(out.size()) + (n - copied) > kMaxBufferBytes) return -1;
    out.append(d + copied, static_cast<size_t>(n - copied));
    out.setGrowthStep(buf_->growthStep());
    // A new buffer: worker runs keep reading the old one.
    buf_ = std::make_shared<CKorMem>(std::move(out));
    if (lengthChanged) {
        structureChanged();
    } else {
        ++textVersion_; // no offset moved: the indexes and the row list stay current
    }
    toCursor(ItemPosition{rec.start, rec.sep + firstShift, level}, cursor);
    if (props_.autoRedraw) redraw(-1);
    return changed;
}

bool rg_TolvarShuXingKuangCunChu::setText(int32_t index, CWStringView text, ItemCursor& cursor) {
    return setItem(index, text, kKeepImage, -1, -1, cursor, false);
}

bool rg_TolvarShuXingKuangCunChu::setText(int32_t index, CWStringView text) {
    ItemCursor c;
    return setText(index, text, c);
}

bool rg_TolvarShuXingKuangCunChu::setExpanded(ItemCursor& cursor, int32_t index, bool expand, bool toggle) {
    ItemPosition rec;
    if (!resolve(index, cursor, rec)) return false;
    const uint8_t old = data()[rec.sep + kSeparatorLength + kExpandField];
    uint8_t next;
    if (toggle) {
        next = static_cast<uint8_t>(old ^ 2);
    } else {
        next = expand ? static_cast<uint8_t>((old & 1) | 2) : static_cast<uint8_t>(old & 1);
    }
    applyExpandChange(index, rec, next);
    if (props_.autoRedraw) redraw(-1);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Selection and view

int32_t rg_TolvarShuXingKuangCunChu::getSelection() {
    if (props_.currentItem < -1 || props_.currentItem >= itemCount_) props_.currentItem = -1;
    return props_.currentItem;
}

void rg_TolvarShuXingKuangCunChu::setSelection(int32_t index) {
    props_.currentItem = validIndex(index) ? index : -1;
    ensureVisible(props_.currentItem);
    const int32_t reason = pendingReason_;
    selectionChanged.raise(props_.currentItem, reason);
    pendingReason_ = 0;
}

void rg_TolvarShuXingKuangCunChu::notifySelectionChanged(int32_t index, int32_t reason) {
    selectionChanged.raise(index, reason);
}

void rg_TolvarShuXingKuangCunChu::ensureVisible(int32_t index, ItemCursor& cursor) {
    ItemPosition rec;
    if (!resolve(index, cursor, rec)) {
        redraw(-1);
        return;
    }
    if (rowOfItem(index) >= 0) { // already has a row: every ancestor is open
        redraw(-1);
        if (view_ != nullptr) view_->scrollIntoView(index, rowOfItem(index));
        return;
    }
    std::vector<int32_t> closed;           // collapsed ancestors, bottom-up
    std::vector<ItemCursor> closedCursors; // their cursors, so none is located again from the start
    ItemCursor c = cursor;
    for (int32_t i = index;;) {
        ItemCursor pc;
        const int32_t p = getParent(i, c, pc);
        if (p < 0) break;
        if (getExpandState(p, pc) < 2) {
            closed.push_back(p);
            closedCursors.push_back(pc);
        }
        i = p;
        c = pc;
    }
    if (closed.size() <= 1) {
        for (size_t k = 0; k < closed.size(); ++k) {
            ItemPosition prec;
            if (!resolve(closed[k], closedCursors[k], prec)) continue;
            const uint8_t old = data()[prec.sep + kSeparatorLength + kExpandField];
            applyExpandChange(closed[k], prec, static_cast<uint8_t>(old ^ 2));
        }
    } else {
        // Opening a chain of collapsed ancestors one by one costs a subtree walk each, which grows
        // with the square of the depth; set all their bits, then rebuild the row list once.
        for (size_t k = 0; k < closed.size(); ++k) {
            ItemPosition prec;
            if (!resolve(closed[k], closedCursors[k], prec)) continue;
            uint8_t& state = writableBuffer().data()[prec.sep + kSeparatorLength + kExpandField];
            state = static_cast<uint8_t>(state ^ 2);
        }
        markRowListStale();
        ensureRowList();
    }
    redraw(-1);
    if (view_ != nullptr) view_->scrollIntoView(index, rowOfItem(index));
}

void rg_TolvarShuXingKuangCunChu::ensureVisible(int32_t index) {
    ItemCursor c;
    ensureVisible(index, c);
}

void rg_TolvarShuXingKuangCunChu::redraw(int32_t top) {
    if (view_ != nullptr) view_->redraw(top);
}

// ---------------------------------------------------------------------------------------------
// Row list

void rg_TolvarShuXingKuangCunChu::buildRowsInto(std::vector<int32_t>& out, int32_t first,
                                                int32_t stopBefore) const {
    stopBefore = std::min(stopBefore, itemCount_);
    if (first >= stopBefore) return;
    const BuiltTreeIndex* ends = currentIndex(TreeIndexKind::SubtreeEnd);
    const bool direct = ends != nullptr && isIndexCurrent(TreeIndexKind::Offset);
    ItemPosition rec;
    if (!recordOfItemByIndex(first, rec)) return;
    int32_t k = first;
    while (k < stopBefore) {
        out.push_back(k);
        const bool collapsed = data()[rec.sep + kSeparatorLength + kExpandField] < 2;
        int32_t next = k + 1;
        int64_t pos = rec.next();
        if (collapsed) {
            if (direct) {
                const int32_t d = ends->values[k];
                next = d > k ? d + 1 : k + 1;
                if (next < stopBefore && !recordOfItemByIndex(next, rec)) return;
                k = next;
                continue;
            }
            ItemPosition last;
            const int32_t d = scanDescendants(rec, last);
            next = k + d + 1;
            if (d > 0) pos = last.next();
        }
        if (next >= stopBefore || !recordAtStart(pos, rec)) return;
        k = next;
    }
}

void rg_TolvarShuXingKuangCunChu::rebuildRowList() {
    rows_.clear();
    rows_.reserve(static_cast<size_t>(itemCount_));
    buildRowsInto(rows_, 0, itemCount_);
    rowListVersion_ = version_;
    rowListValid_ = true;
}

void rg_TolvarShuXingKuangCunChu::ensureRowList() {
    if (!isRowListCurrent()) rebuildRowList();
}

int32_t rg_TolvarShuXingKuangCunChu::rowOfItem(int32_t item) const {
    if (!isRowListCurrent()) return -1;
    auto it = std::lower_bound(rows_.begin(), rows_.end(), item);
    if (it == rows_.end() || *it != item) return -1;
    return static_cast<int32_t>(it - rows_.begin());
}

int32_t rg_TolvarShuXingKuangCunChu::itemAtRow(int32_t row) const {
    if (!isRowListCurrent() || row < 0 || row >= static_cast<int32_t>(rows_.size())) return -1;
    return rows_[row];
}

int32_t rg_TolvarShuXingKuangCunChu::visibleItemAtOrBefore(int32_t item) const {
    if (!isRowListCurrent() || rows_.empty()) return -1;
    // Rows are in item order; every item between a visible one and the next lies in its subtree.
    auto it = std::upper_bound(rows_.begin(), rows_.end(), item);
    return it == rows_.begin() ? rows_.front() : *(it - 1);
}

int32_t rg_TolvarShuXingKuangCunChu::nextVisibleItem(int32_t item, ItemCursor& cursor) const {
    ItemPosition rec;
    if (!resolve(item, cursor, rec)) return -1;
    int32_t next = item + 1;
    if (data()[rec.sep + kSeparatorLength + kExpandField] < 2) {
        ItemPosition last;
        next = item + descendantsOf(item, rec, last) + 1;
    }
    return next < itemCount_ ? next : -1;
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
