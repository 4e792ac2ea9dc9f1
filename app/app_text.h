// Small text helpers shared by the main window's source files.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace rg_Korrin_ChengXu {

// The top item's label when the slot has no remark.
inline constexpr char16_t kTopItemText[] = u"Tolvar·JSON";

inline CWString decimal(int64_t v) {
    const std::string s = std::to_string(v);
    return CWString(s.begin(), s.end());
}

// The file name part of a path, for status texts.
inline CWString fileNameOf(const CWString& path) {
    const size_t cut = path.find_last_of(u"/\\");
    return cut == CWString::npos ? path : path.substr(cut + 1);
}

} // namespace rg_Korrin_ChengXu
