// The item store of the tree box: every item as one record in a single byte buffer.
//
// rg_TolvarShuXingKuangCunChu keeps no object per item. Items are variable-length records
// (layout in item_record.h) stored back to back in pre-order and addressed by their position in
// that order, the item index (0-based). An item cursor caches where an item was found:
// {first byte of its text, last byte of its header, level}; a cursor with fewer than two elements
// is empty and is filled by locateItem, a non-empty one is trusted to describe the item named by
// the index argument (it is checked to lie on record boundaries inside the buffer, never read
// past). Byte ranges have the same three-element form: first byte, last byte, level.
//
// Views read items through the store: a row (ItemRow) says what one item shows and
// nextVisibleRow steps to the next visible one, so no view decodes record bytes itself.
//
// Lookups scan the buffer for the separator (skipping whole subtrees by level) unless a derived
// index (index_workers.h) built for the current buffer version is available; the answers are the
// same either way. The row list holds the visible items (not inside a collapsed subtree) in row
// order; it is rebuilt after structural changes and updated in place on expand and collapse.
//
// Invariants: the buffer is well formed (item_record.h: first item at level 0, no item deeper
// than its predecessor + 1, no stray separator bytes); itemCount() equals the number of records;
// every change that moves a record or changes the item sequence bumps the buffer version, which
// makes the row list and every derived index stale at once. Expand and check bytes and
// same-length texts are changed in place and keep everything current.
//
// Ownership: the store owns its buffer, row list, indexes and worker threads; destroying it
// cancels and joins its workers. The view (ITreeView) and event handlers are not owned.
// Thread: UI thread only. The workers never touch the store; they read a snapshot of the buffer
// that the store copies before it writes to it.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "runtime/event.h"
#include "runtime/kor_mem.h"
#include "runtime/types.h"
#include "tree/index_workers.h"
#include "tree/item_record.h"
#include "tree/tree_view.h"

namespace rg_Tolvar_JSON {
class rg_TolvarJSONJieDian;
}

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using ItemCursor = rg_Korrin_JiBen::rg_ZhengShuShuZuLei; // {start, end, level}; also byte ranges
using ItemIndexList = rg_Korrin_JiBen::rg_ZhengShuShuZuLei;

// Where one item's record lies: its first text byte, its separator and its level. The one
// position type of the store and its view; an ItemCursor holds the same record as the int32 array
// {start, end(), level} that the owners' calls take.
struct ItemPosition {
    int64_t start = -1;
    int64_t sep = -1;
    int32_t level = -1;
    int64_t end() const { return sep + item_record::kRecordOverhead - 1; } // last header byte
    int64_t next() const { return sep + item_record::kRecordOverhead; }    // first byte after it
    bool isSet() const { return sep >= 0; }
};

// What one row of the tree box shows, as the store reads it from the item's record (the view
// paints from this and never reads record bytes). The text stays in the store: readRowText
// copies it. Valid until the next change of the store.
struct ItemRow {
    int32_t item = -1;
    ItemPosition position;
    int32_t level = -1;
    int32_t image = -1;
    int32_t selectedImage = -1; // -1: use image
    int32_t textColour = -1;    // COLORREF, -1 the box default
    int32_t backColour = -1;
    uint8_t expandState = 0; // bit 1 expanded, bit 0 bold
    uint8_t checkState = 0;
    bool hasChildren = false; // the next record is one level deeper
    size_t textUnits = 0;
    ItemPosition nextRecord; // the record after this one, unset at the end of the buffer
};

// The settable properties the store itself reads (the paint properties are the tree box's,
// tree/ui/tree_box_layout.h). The owner sets them directly.
struct TreeStoreProperties {
    int32_t currentItem = -1; // selected item, -1 none (validated on every read)
    int32_t topItem = 0;      // item drawn in the first row
    int32_t autoRedraw = 1;   // redraw after each change that alters what is shown
    int32_t checkMode = 2;    // 2 two-state check boxes, else three-state
};

// Selection reasons carried by selectionChanged.
enum SelectionReason : int32_t { ByOwner = 0, ByLeftClick = 1, ByArrowKey = 2, ByRightClick = 3 };

class rg_TolvarShuXingKuangCunChu {
public:
    using Node = rg_Tolvar_JSON::rg_TolvarJSONJieDian;
    using Self = rg_TolvarShuXingKuangCunChu;

    // Item images.
    static constexpr int32_t kImageObject = 0;
    static constexpr int32_t kImageArray = 1;
    static constexpr int32_t kImageValue = 2;
    // setItem: keep the image.
    static constexpr int32_t kKeepImage = INT32_MIN;

    rg_TolvarShuXingKuangCunChu();
    ~rg_TolvarShuXingKuangCunChu();
    rg_TolvarShuXingKuangCunChu(const Self&) = delete;
    Self& operator=(const Self&) = delete;

    // ---- Buffer and view ----------------------------------------------------------------
    int32_t itemCount() const { return itemCount_; }
    int64_t bufferLength() const { return static_cast<int64_t>(buf_->size()); }
    const CKorMem& itemBuffer() const { return *buf_; }
    // Changes with every change that moves records or alters the item sequence.
    uint64_t bufferVersion() const { return version_; }
    // Changes with every change of an item text or of the structure (one step per operation).
    uint64_t textVersion() const { return textVersion_; }
    // Empties the store: no records, itemCount 0, row list and indexes stale, topItem 0.
    void clearItems();
    // Growth step of the item buffer for the next bulk fill.
    void setGrowthStep(size_t bytes);

    void setView(ITreeView* view) { view_ = view; } // not owned
    ITreeView* view() const { return view_; }
    TreeStoreProperties& properties() { return props_; }
    const TreeStoreProperties& properties() const { return props_; }

    // ---- Building records -----------------------------------------------------------------
    // Appends one record (expand 0, check 0) to a caller's buffer; itemCount is not touched.
    // False when the buffer would pass the size limit.
    static bool appendRecord(CKorMem& buffer, CWStringView text, int32_t image, int32_t level);
    // Appends a top-level item (level 0, expanded and bold) to the store; no redraw.
    bool appendTopItem(CWStringView text, int32_t image);
    // Appends the records of `node`'s subtree (children at level + 1, or with includeNode the node
    // itself at level + 1 and its children below) to a caller's buffer, in pre-order, without
    // recursion. Returns the number of records appended.
    static int32_t fillFromNode(const Node& node, CKorMem& buffer, int32_t level, bool includeNode);
    // The same straight into the store's own buffer; itemCount grows by the result. -1 (nothing
    // appended) when the first record would break the buffer's level rules.
    int32_t fillFromNode(const Node& node, int32_t level, bool includeNode);

    // ---- Reading ----------------------------------------------------------------------------
    // Fills `cursor` for item `index`. A non-empty cursor describing item cursorIndex < index lets
    // the scan start after that item. False (cursor unchanged) when the item does not exist.
    bool locateItem(int32_t index, ItemCursor& cursor, int32_t cursorIndex) const;
    CWString getText(int32_t index, ItemCursor& cursor) const;
    CWString getText(int32_t index) const;
    int32_t getLevel(int32_t index, ItemCursor& cursor) const;
    int32_t getLevel(int32_t index) const;
    int32_t getImage(int32_t index, ItemCursor& cursor) const;
    int32_t getImage(int32_t index) const;
    int32_t getSelectedImage(int32_t index, ItemCursor& cursor) const;
    int32_t getTextColour(int32_t index, ItemCursor& cursor) const;
    int32_t getBackColour(int32_t index, ItemCursor& cursor) const;
    uint8_t getExpandState(int32_t index, ItemCursor& cursor) const;
    uint8_t getExpandState(int32_t index) const;
    uint8_t getCheckState(int32_t index, ItemCursor& cursor) const;
    uint8_t getCheckState(int32_t index) const;
    bool hasChildren(int32_t index, ItemCursor& cursor) const;
    bool hasChildren(int32_t index) const;
    // Number of descendants (+1 with includeSelf), -1 on failure; outRange as described above.
    int32_t getDescendants(int32_t index, ItemCursor& cursor, ItemCursor& outRange, bool includeSelf) const;
    int32_t getDescendants(int32_t index) const;
    // Number of records whose separator lies wholly inside the byte range; 0 for a bad range.
    int32_t countItemsInRange(const ItemCursor& range) const;
    // Parent index; -1 for a top-level item (outCursor = -1, -1, -1) or on failure.
    int32_t getParent(int32_t index, ItemCursor& cursor, ItemCursor& outCursor) const;
    int32_t getParent(int32_t index) const;
    int32_t previousSibling(int32_t index, ItemCursor& cursor, ItemCursor& outCursor) const;
    int32_t previousSibling(int32_t index) const;
    int32_t nextSibling(int32_t index, ItemCursor& cursor, ItemCursor& outCursor) const;
    int32_t nextSibling(int32_t index) const;
    // Lists the children of `parent` (-1: the top-level items) in order, appending their indexes
    // and cursors; stops after the child equal to stopAt. Returns the number listed, -1 for a
    // parent out of range.
    int32_t enumerateChildren(int32_t parent, ItemIndexList& outIndexes, ItemCursor& parentCursor,
                              std::vector<ItemCursor>& outCursors, int32_t stopAt) const;
    int32_t enumerateChildren(int32_t parent, ItemIndexList& outIndexes) const;

    // ---- Rows (what the view paints) ----------------------------------------------------------
    // Fills `row` for item `index` at `position`, which must describe that item (it is checked to
    // lie on record boundaries inside the buffer, never read past). False when it does not.
    bool readRow(int32_t index, const ItemPosition& position, ItemRow& row) const;
    // Moves `row` to the next visible item: the next record, or the one after a collapsed
    // subtree. False (row unchanged) at the end.
    bool nextVisibleRow(ItemRow& row) const;
    // Copies at most maxUnits code units of the row's text into `out`.
    void readRowText(const ItemRow& row, size_t maxUnits, CWString& out) const;
    // The position of item `index`. A set `position` describing item fromIndex <= index lets the
    // scan start there (with the offset index current it is not needed). False (position
    // unchanged) when the item does not exist.
    bool locatePosition(int32_t index, ItemPosition& position, int32_t fromIndex) const;
    // The record right after / right before `position`; false when there is none.
    bool positionAfter(const ItemPosition& position, ItemPosition& out) const;
    bool positionBefore(const ItemPosition& position, ItemPosition& out) const;

    // ---- Changing ---------------------------------------------------------------------------
    // Appends a new last child of parent (parent < 0: a top-level item at the end). Returns its
    // index, -1 when parent is out of range or a state is outside 0..3.
    int32_t insertItem(int32_t parent, CWStringView text, int32_t image, int32_t expandState,
                       int32_t checkState, ItemCursor& cursor);
    // Mode 0 replaces the item and its subtree by `records`, modes 1 and 2 its descendants only
    // (mode 1 also carries the item's expand state into the first new record). Returns the number
    // of existing records replaced or removed; -1 (nothing changed) for a bad index or mode, or
    // records that are not recordCount whole records fitting the tree's level rules.
    int32_t replaceSubtree(int32_t index, int32_t mode, const CKorMem& records, int32_t recordCount,
                           ItemCursor& cursor);
    // text nullopt keeps the text; image kKeepImage keeps it; expandState -1 keep, -2 toggle,
    // 0..3 the value; checkState -1 keep, -2 cycle, 0..3 the value. False for a bad index or a
    // state outside those values (nothing changed then).
    bool setItem(int32_t index, std::optional<CWStringView> text, int32_t image, int32_t expandState,
                 int32_t checkState, ItemCursor& cursor, bool noRedraw);
    bool setText(int32_t index, CWStringView text, ItemCursor& cursor);
    bool setText(int32_t index, CWStringView text);
    // Renumbers array-element labels after an element was removed or inserted: for `first` and
    // each of its later siblings, the first "[n]" of the text (n of 1 to 10 decimal digits) becomes
    // "[n + delta]"; a text without one, or whose number would fall below 0, is kept. One pass
    // over the family's bytes with one rewrite of the buffer. Returns the number of labels
    // changed, -1 (nothing changed) for a bad index or a result past the size limit; fills cursor
    // for `first`. Redraws if autoRedraw and something changed.
    int32_t shiftElementLabels(int32_t first, int32_t delta, ItemCursor& cursor);
    // toggle: swap expanded/collapsed; otherwise expand or collapse by `expand`. Keeps the bold bit
    // and the row list current.
    bool setExpanded(ItemCursor& cursor, int32_t index, bool expand, bool toggle);

    // ---- Selection and view ------------------------------------------------------------------
    // currentItem if it lies in -1 .. itemCount - 1, else resets it to -1.
    int32_t getSelection();
    // Sets currentItem (out of range becomes -1), ensures it is visible and raises
    // selectionChanged with the pending reason, which is reset to 0 afterwards.
    void setSelection(int32_t index);
    void setPendingSelectionReason(int32_t reason) { pendingReason_ = reason; }
    void notifySelectionChanged(int32_t index, int32_t reason);
    // Expands every collapsed ancestor of the item, redraws and asks the view to scroll it into
    // view. For an index out of range only redraws.
    void ensureVisible(int32_t index, ItemCursor& cursor);
    void ensureVisible(int32_t index);
    // Asks the view to repaint (the view checks autoRedraw and whether it is shown).
    void redraw(int32_t top);

    // ---- Row list ----------------------------------------------------------------------------
    bool isRowListCurrent() const { return rowListVersion_ == version_ && rowListValid_; }
    void markRowListStale() { rowListValid_ = false; }
    // Rebuilds the row list when it is stale (part of redraw).
    void ensureRowList();
    void rebuildRowList();
    int32_t rowCount() const { return isRowListCurrent() ? static_cast<int32_t>(rows_.size()) : 0; }
    // 0-based row of an item, -1 when it has none or the row list is stale.
    int32_t rowOfItem(int32_t item) const;
    // Item shown in a 0-based row, -1 when there is none.
    int32_t itemAtRow(int32_t row) const;
    // The last visible item at or before `item`: the item itself when it has a row, its outermost
    // collapsed ancestor when it is hidden, the last row's item past the end, the first row's
    // before the start. -1 when there are no rows or the row list is stale.
    int32_t visibleItemAtOrBefore(int32_t item) const;
    // The next visible item after `item` (skipping its subtree when collapsed), -1 at the end.
    int32_t nextVisibleItem(int32_t item, ItemCursor& cursor) const;

    // ---- Derived indexes ---------------------------------------------------------------------
    // Starts background builds of the indexes that are stale for the current buffer (part of
    // redraw). Starts nothing when all are current or being built for this version.
    void startIndexWorkers();
    bool isIndexCurrent(TreeIndexKind kind) const;
    // Marks one index stale so that the next startIndexWorkers rebuilds it.
    void markIndexStale(TreeIndexKind kind);
    // Builds every index now on this thread (quelix-cli lists whole trees with them) / waits for
    // the running workers (tests and benchmarks settle a state with it).
    void buildIndexesNow();
    void waitForIndexWorkers();
    // The current array of an index (which: 0 values, 1 next siblings), nullptr when stale.
    const std::vector<int32_t>* indexArray(TreeIndexKind kind, int which = 0) const;
    // The current build of an index, shared so that its arrays stay alive while the caller holds
    // it (also across later store calls that fetch newer builds); nullptr when stale. For walks
    // that read many entries without a store call per entry (the tree box's connector lines).
    std::shared_ptr<const BuiltTreeIndex> sharedIndex(TreeIndexKind kind) const;
    // Worker runs not yet joined (the box polls for finished indexes while some run).
    size_t liveIndexRuns() const { return workers_->liveRuns(); }

    // ---- Tree paths ----------------------------------------------------------------------------
    // The JSON path of an item in path mode 0, 1 or 2 (tree_paths.cpp); empty for -1 or a bad
    // index.
    CWString pathOfItem(int32_t item, int32_t mode) const;
    // The item named by path segments (as split by splitPath), matched against item key forms;
    // no segments name item 0. -1 when nothing matches.
    int32_t findItemByPath(const rg_Korrin_JiBen::rg_WenBenShuZuLei& segments) const;
    // Splits `path` and finds the item it names.
    int32_t findItemByPath(CWStringView path) const;
    // Calls visit(item, cursor, path) for every item in order, with the path pathOfItem gives, in
    // one pass over the buffer (for listing whole trees).
    void forEachItemPath(int32_t mode,
                         const std::function<void(int32_t, const ItemCursor&, CWStringView)>& visit) const;

    // ---- Events ------------------------------------------------------------------------------
    // Raised by the store's own selection changes (setSelection, replaceSubtree) and by the view's
    // clicks; the events only input raises belong to the tree box.
    rg_Korrin_JiBen::Event<Self, int32_t, int32_t> selectionChanged{this}; // item or -1, reason

private:
    const uint8_t* data() const { return buf_->data(); }
    int64_t size() const { return static_cast<int64_t>(buf_->size()); }
    // The buffer for writing; copied first while a worker run holds it.
    CKorMem& writableBuffer();
    void structureChanged();

    void refreshIndexes() const;
    const BuiltTreeIndex* currentIndex(TreeIndexKind kind) const;

    bool validIndex(int32_t index) const { return index >= 0 && index < itemCount_; }
    bool resolve(int32_t index, ItemCursor& cursor, ItemPosition& rec) const;
    // Walks back from `rec` (item `index`) to the first earlier record whose level is at most
    // `level`; returns its index with the record in `found`, or -1 when there is none.
    int32_t walkBackToLevel(const ItemPosition& rec, int32_t index, int32_t level, ItemPosition& found) const;
    bool recordFromCursor(const ItemCursor& cursor, ItemPosition& rec) const;
    bool recordFromBounds(int64_t start, int64_t end, ItemPosition& rec) const;
    bool recordAtStart(int64_t start, ItemPosition& rec) const;
    bool recordOfItemByIndex(int32_t index, ItemPosition& rec) const;
    bool recordEndingAt(int64_t sep, ItemPosition& rec) const;
    static void toCursor(const ItemPosition& rec, ItemCursor& cursor);
    int32_t indexFromOffset(int64_t start) const;

    // Scanning primitives (no index).
    int32_t scanDescendants(const ItemPosition& item, ItemPosition& last) const;
    int32_t lastLevel() const;
    int32_t descendantsOf(int32_t index, const ItemPosition& rec, ItemPosition& lastDesc) const;

    // True when the item's key form (its text before the first ':') equals `form`; with
    // encodedDots each '.' of the key form counts as "#46#".
    bool keyFormEquals(int32_t index, ItemCursor& cursor, CWStringView form, bool encodedDots) const;
    bool keyFormEqualsAt(const ItemPosition& rec, CWStringView form, bool encodedDots) const;
    // Number of earlier siblings of `item` (whose parent is `parent`) with the plain key form
    // `form`. Long sibling lists are counted once per parent and buffer state, then looked up.
    int64_t earlierSiblingsWithForm(int32_t item, const ItemCursor& cursor, int32_t parent,
                                    CWStringView form) const;
    // Among `start` and its next siblings, the one whose plain key form is `name` for the
    // (occurrence + 1)-th time; -1 when there is none. Fills `cursor` for the match.
    int32_t findSiblingByForm(int32_t start, ItemCursor& cursor, CWStringView name, int64_t occurrence) const;

    bool applyExpandChange(int32_t index, const ItemPosition& rec, uint8_t newState);
    void buildRowsInto(std::vector<int32_t>& out, int32_t first, int32_t stopBefore) const;

    std::shared_ptr<CKorMem> buf_; // owned; shared read-only with worker runs
    int32_t itemCount_ = 0;
    uint64_t version_ = 1;

    TreeStoreProperties props_;
    ITreeView* view_ = nullptr; // not owned
    int32_t pendingReason_ = 0;

    std::vector<int32_t> rows_; // item per visible row
    uint64_t rowListVersion_ = 0;
    bool rowListValid_ = false;

    std::unique_ptr<IndexWorkerPool> workers_;
    uint64_t requested_[kTreeIndexKinds] = {}; // version each index was last started for (0: none)
    mutable TreeIndexSet indexes_;             // last fetched from the pool
    mutable uint64_t seenPublish_ = 0;

    // Occurrence numbers of the children of a few parents with long child lists (pathOfItem),
    // valid while textVersion_ is unchanged. Bumped by every text or structure change.
    struct FormCounts {
        int32_t parent = -1;
        std::vector<int32_t> items;       // the children, in order
        std::vector<int32_t> occurrences; // occurrence number of each child's key form
    };
    uint64_t textVersion_ = 1;
    mutable uint64_t formCountsVersion_ = 0;
    mutable std::vector<FormCounts> formCounts_;

public:
    // ---- Key forms (tree_paths.cpp) ------------------------------------------------------------
    // The item's key form: the part of its text that a path segment names (an object member's
    // unquoted key, "[i]" for an array element), cut where the record's keyInfo says
    // (item_record.h). Empty for a bad index.
    CWString keyFormOf(int32_t index, ItemCursor& cursor) const;
    // The record's keyInfo as it is read (a stale member length reads as unknown), -1 for a bad
    // index.
    int32_t getKeyInfo(int32_t index, ItemCursor& cursor) const;
    // Records that the item's key form is the first keyUnits code units of its text (an object
    // member), or with keyUnits -1 that the item is an array element. Changes no length, so no
    // index goes stale. False for a bad index or a length past the text.
    bool setKeyLength(int32_t index, int32_t keyUnits, ItemCursor& cursor);

private:
    bool recordBounds(int32_t index, ItemCursor& cursor, int64_t& start, int64_t& sep) const;
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
