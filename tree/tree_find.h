// Finding tree items by their text: the search behind the find panel and `quelix-cli find`.
//
// The texts searched are the item texts as the tree shows them (the top item's label, keys,
// "key:value", "[i]:value"). A search visits item indexes in one direction from a start item,
// wraps around to include the start item itself, and (optionally) tries once more with the
// UCS-2 escaped form of the find text when nothing matched.
//
// TreeItemMatcher holds what one search looks for: the plain text (mode 0) or the compiled
// pattern (modes 1 wildcard and 2 regular expression) in a regular-expression object owned by
// the caller, which is compiled once per search, never per item.
//
// The walk reads the store's record buffer in order, so a search costs the items it visits, not
// an item lookup each. An idle hook, when given, is called every few milliseconds of searching
// (the window processes its pending messages there); if the hook changes the tree, the walk picks
// its place up again by item index.
//
// Qt-free; one thread at a time (the store's thread).
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/types.h"
#include "text/regex.h"
#include "tree/item_store.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

inline constexpr int32_t kFindPlain = 0;
inline constexpr int32_t kFindWildcard = 1;
inline constexpr int32_t kFindRegex = 2;

class TreeItemMatcher {
public:
    // `regex` is not owned; it must outlive the matcher.
    explicit TreeItemMatcher(rg_Tolvar_MingLingJi::rg_TolvarZhengZeBiaoDaShiLei& regex) : regex_(regex) {}

    // Sets up one search: mode 0 keeps `findText` as the plain text; mode 1 turns it into a
    // regular expression with wildcardToRegex; modes 1 and 2 compile it with the case flag.
    // Modes outside 0..2 search as plain text. A pattern that does not compile is no error: the
    // regular-expression object then matches every non-empty text.
    void prepare(CWStringView findText, int32_t mode, bool ignoreCase);
    // Replaces the plain text (the UCS-2 retry); the compiled pattern is kept.
    void setFindText(CWStringView findText);

    // Mode 0: the find text occurs in `text` (A-Z and a-z compare without case when ignoring case,
    // every other unit exactly; the empty text occurs everywhere). Modes 1 and 2: containsMatch.
    bool matches(CWStringView text);

    int32_t mode() const { return mode_; }
    bool ignoreCase() const { return ignoreCase_; }
    const CWString& findText() const { return findText_; }

private:
    rg_Tolvar_MingLingJi::rg_TolvarZhengZeBiaoDaShiLei& regex_;
    CWString findText_;
    CWString folded_; // findText_ with A-Z lowered, for ignoring case
    int32_t mode_ = kFindPlain;
    bool ignoreCase_ = false;
};

// Called every few milliseconds during a walk.
using FindIdleHook = std::function<void()>;
inline constexpr int32_t kNoBound = INT32_MIN;

// The first item after `start` in the direction (forward from start + 1 to the last item;
// backward from start - 1 down to 0; start -1 backward begins at the last item) whose text
// matches, and not beyond `bound` (forward: index <= bound; backward: index >= bound; kNoBound:
// no limit). -1 when none, or when the store is empty.
int32_t findItem(rg_TolvarShuXingKuangCunChu& store, int32_t start, int32_t bound, bool backward,
                 TreeItemMatcher& matcher, const FindIdleHook& idle = {});

struct TreeFindResult {
    int32_t item = -1;     // the item found, -1 when nothing matched
    int32_t selected = -1; // the selection the last attempt started from
    bool retried = false;  // the UCS-2 escaped find text was tried
};

// One whole search from the store's selected item: the items after it in the direction, then
// (when nothing matched and an item is selected) from the far end up to and including the
// selected item. When nothing matched at all and `retryEncoded` is set, the matcher's plain text
// becomes the UCS-2 escaped form of `originalText` and the search runs once more.
TreeFindResult findInItems(rg_TolvarShuXingKuangCunChu& store, bool backward, TreeItemMatcher& matcher,
                           bool retryEncoded, CWStringView originalText, const FindIdleHook& idle = {});

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
