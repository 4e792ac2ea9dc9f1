// The undo entry of the main window (undo_commands.cpp applies it). Internal to the app library.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "app/core/slot_history.h"
#include "app/main_window.h"
#include "json/document.h"

namespace rg_Korrin_ChengXu {

// One recorded change of a slot's document.
struct rg_ZhuChuangKou1::UndoEntry final : rg_LiShiNeiRong {
    enum Kind {
        NodeState, // `node` holds the other state of the node at `at` (value set, member added to a scalar)
        Child, // `node` is a copy of child `index` of the container at `at`; `present`: it is in the document
        Key,   // `key` is the other key text of the node at `at`
        Document, // `document` (and with hasSource `source`) is the other document of the slot
    };
    explicit UndoEntry(Kind k) : kind(k) {}
    size_t bytes() const override { return size; }

    Kind kind;
    std::vector<int32_t> at;
    int32_t index = 0;
    bool present = false;
    std::unique_ptr<rg_Tolvar_JSON::rg_TolvarJSONJieDian> node;
    CWString key;
    rg_Tolvar_JSON::rg_TolvarJSONLei document;
    CWString source;
    bool hasSource = false;
    size_t size = 0;
    std::optional<bool> sourceParse; // the slot's rg_ShuCaoWei::sourceParse in the other state
};

} // namespace rg_Korrin_ChengXu
