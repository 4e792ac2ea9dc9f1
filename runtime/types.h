// Basic value types shared by every subsystem.
//
// Text is UTF-16 end to end: CWString is a std::u16string. Conversions to bytes happen only at the
// edges (files, clipboard, the command line) and a text ends at its first U+0000 there.
// The runtime's arrays are standard containers; copying them is deep.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using CWString = std::u16string;
using CWStringView = std::u16string_view;

namespace rg_Korrin_JiBen {

using rg_ZiFuShuZuLei = std::vector<char16_t>;    // UTF-16 code units
using rg_WenBenShuZuLei = std::vector<CWString>;  // texts (path segments are held in one)
using rg_ZhengShuShuZuLei = std::vector<int32_t>; // int32 values (item cursors are held in one)

} // namespace rg_Korrin_JiBen
