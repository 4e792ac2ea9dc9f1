// Encoding a text back into the bytes of a file it was read from.
//
// A text read from a file with encoding detection can be written back in that file's encoding,
// with or without the encoding's byte-order mark as the file had it. The result is only offered
// when it is exact: the bytes, read back the way readTextFile reads a file (with detection), give
// the same text. Characters the charset lacks, unpaired surrogates, a U+0000 or an encoding that
// detection would not recognise in the bytes all make the encoding fail instead of writing a
// file that reads back differently.
//
// Reentrant; may be called from any thread.
#pragma once

#include <string>

#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi {

// Encodes `text` in `encodingName` ("UTF-8", "UTF-16", "UTF-16LE", "UTF-16BE", "ANSI", the system
// ANSI name or another charset name) into `out`, with the encoding's byte-order mark in front when
// `withMark` is set (names without a mark get none either way). True when `out` reads back, with
// detection, as exactly `text`; false otherwise (`out` is then empty).
bool encodeTextExactly(CWStringView text, CWStringView encodingName, bool withMark, std::string& out);

} // namespace rg_Tolvar_MingLingJi
