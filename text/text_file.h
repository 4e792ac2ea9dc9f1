// Whole text files read and written with as few copies of the text as the job allows.
//
// The general operations (readTextFile, writeTextFile, readFileBytes, writeFileBytes) are in
// encoding.h. These two serve the tree slots, whose files may hold hundreds of megabytes:
// - decodeTextFileBytes turns a file's bytes straight into the text, with no intermediate byte
//   buffer (reading a file thus holds its bytes and the text, nothing more), and tells whether
//   writing the text back in the same encoding would give exactly the same bytes, checked piece by
//   piece without a third copy;
// - writeUtf16TextFile writes the whole text, U+0000 included, as UTF-16LE with its byte-order
//   mark, straight from the text's own units.
// Reentrant; any thread.
#pragma once

#include <string_view>

#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi {

// Decodes the bytes of a text file into `text` (replacing what it held). An empty `encodingName`
// is detected (detectTextEncoding) and written back; a given one is used ("ANSI" is replaced by
// the system ANSI name, as convertCharset does); the matching byte-order mark is skipped. The
// result is the one decodeTextBytes gives. False (and `text` empty) when no converter knows the
// name. `exact`, when given, is set to whether the text encoded back in that encoding gives the
// bytes after the mark exactly (false for broken sequences, a zero byte, an odd UTF-16 length,
// characters the charset cannot hold ...). May throw std::bad_alloc.
bool decodeTextFileBytes(std::string_view bytes, CWString& encodingName, CWString& text,
                         bool* exact = nullptr);

// Writes `text`, every unit of it (U+0000 too), as UTF-16LE after the mark FF FE; atomic replace
// like writeFileBytes. False when the file could not be written (the old file is then untouched).
bool writeUtf16TextFile(CWStringView text, CWStringView fileName);

} // namespace rg_Tolvar_MingLingJi
