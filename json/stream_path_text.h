// Path text helpers for stream extraction: segment splitting and the integer reader used for
// index and occurrence numbers. Pure functions, any thread.
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace rg_Tolvar_JSON::detail {

// The segments of a path text: '.' separates segments; a '[' that is not the first character and
// not preceded by '.' or '\' starts a new one; each segment is trimmed of characters 0x20 and
// below; "#46#" stands for '.'; with two or more segments a leading "//" is ignored. An empty
// text has no segments.
rg_Korrin_JiBen::rg_WenBenShuZuLei splitStreamPath(CWStringView path);

// Reads a decimal integer the way C's atoi does: leading white space, an optional sign, digits up
// to the first non-digit; 0 when there are none. Saturates to the int32 range.
int32_t readPathInteger(CWStringView text);

} // namespace rg_Tolvar_JSON::detail
