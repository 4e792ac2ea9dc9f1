// Helpers shared by the tree store tests: building stores from level lists, a plain model of the
// tree to compare lookups with, and a view double that records what the store asked of it.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tree/item_store.h"

namespace tree_test {

using Store = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;
using rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
using rg_TolvarMingLingJi_ChuangKouZuJian::ItemIndexList;
using rg_TolvarMingLingJi_ChuangKouZuJian::TreeIndexKind;

inline CWString u16(const std::string& s) {
    return CWString(s.begin(), s.end());
}

// Appends items with the given levels (a well-formed pre-order list) through insertItem; item k
// gets the text "item<k>" unless texts are given.
inline void appendLevels(Store& store, const std::vector<int32_t>& levels,
                         const std::vector<CWString>* texts = nullptr) {
    std::vector<int32_t> lastAt; // last item seen at each level, existing items included
    const int32_t base = store.itemCount();
    for (int32_t i = 0; i < base; ++i) {
        const int32_t L = store.getLevel(i);
        lastAt.resize(L + 1);
        lastAt[L] = i;
    }
    for (size_t k = 0; k < levels.size(); ++k) {
        const int32_t L = levels[k];
        const int32_t parent = L == 0 ? -1 : lastAt[L - 1];
        ItemCursor c;
        CWString text = texts ? (*texts)[k] : u16("item" + std::to_string(base + k));
        const int32_t idx = store.insertItem(parent, text, 2, 0, 0, c);
        if (lastAt.size() <= static_cast<size_t>(L)) lastAt.resize(L + 1);
        lastAt[L] = idx;
    }
}

// A random well-formed level list: first 0, each next at most one deeper.
inline std::vector<int32_t> randomLevels(std::mt19937& rng, size_t n, int32_t maxDepth) {
    std::vector<int32_t> levels;
    int32_t prev = -1;
    for (size_t k = 0; k < n; ++k) {
        int32_t L =
            k == 0 ? 0
                   : static_cast<int32_t>(rng() % static_cast<uint32_t>(std::min(prev + 1, maxDepth) + 1));
        levels.push_back(L);
        prev = L;
    }
    return levels;
}

// The tree as a plain level list, answering every lookup by brute force.
struct LevelModel {
    std::vector<int32_t> lv;
    int32_t n() const { return static_cast<int32_t>(lv.size()); }
    int32_t parent(int32_t k) const {
        if (lv[k] == 0) return -1;
        for (int32_t j = k - 1; j >= 0; --j)
            if (lv[j] == lv[k] - 1) return j;
        return -1;
    }
    int32_t prevSibling(int32_t k) const {
        for (int32_t j = k - 1; j >= 0; --j)
            if (lv[j] <= lv[k]) return lv[j] == lv[k] ? j : -1;
        return -1;
    }
    int32_t nextSibling(int32_t k) const {
        for (int32_t j = k + 1; j < n(); ++j)
            if (lv[j] <= lv[k]) return lv[j] == lv[k] ? j : -1;
        return -1;
    }
    int32_t descendants(int32_t k) const {
        int32_t d = 0;
        for (int32_t j = k + 1; j < n() && lv[j] > lv[k]; ++j)
            ++d;
        return d;
    }
    std::vector<int32_t> children(int32_t p) const {
        std::vector<int32_t> out;
        const int32_t cl = p < 0 ? 0 : lv[p] + 1;
        const int32_t end = p < 0 ? n() : p + descendants(p) + 1;
        for (int32_t j = p + 1; j < end; ++j)
            if (lv[j] == cl) out.push_back(j);
        return out;
    }
};

// Records the calls the store makes on its view; optionally acts like a shown box (starts the
// workers and rebuilds the row list on redraw).
class RecordingView : public rg_TolvarMingLingJi_ChuangKouZuJian::ITreeView {
public:
    explicit RecordingView(Store& store, bool actShown = true) : store_(store), shown_(actShown) {}
    void redraw(int32_t top) override {
        redraws.push_back(top);
        if (shown_ && store_.properties().autoRedraw) {
            store_.startIndexWorkers();
            store_.ensureRowList();
        }
    }
    void scrollIntoView(int32_t item, int32_t row) override { scrolls.push_back({item, row}); }

    std::vector<int32_t> redraws;
    std::vector<std::pair<int32_t, int32_t>> scrolls;

private:
    Store& store_;
    bool shown_;
};

} // namespace tree_test
