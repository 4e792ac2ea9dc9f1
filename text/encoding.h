// Text files and charset conversion.
//
// Inside the program all text is UTF-16 (CWString). Bytes come and go through these functions:
// - encoding names are compared exactly; the names handled natively are "UTF-8", "UTF-16" and
//   "UTF-16LE" (both little-endian), "UTF-16BE", "ANSI" (the system ANSI code page, see
//   systemAnsiCodePage) and the system ANSI name (codePageName of that code page, e.g. "gbk");
// - every other name is a charset handed to ICU. Names of the code-page table convert with the
//   Windows table of their code page; "_autodetect" (Japanese auto-detection) reads ISO-2022-JP,
//   EUC-JP or Shift_JIS, whichever the bytes are, and writes ISO-2022-JP.
// - byte buffers that hold UTF-16 text hold little-endian code units with no terminator.
// File names are UTF-16 texts of platform paths (converted to UTF-8 at the system call). Files are
// written atomically (a temporary file beside the target, fsync, rename), so a failed write leaves
// the old file as it was.
//
// All functions are reentrant and may be called from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "runtime/kor_mem.h"
#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi {

// ---- code-page table -------------------------------------------------------------------------

struct CodePageRow {
    int32_t codePage;
    const char16_t* name;        // charset name as stored ("gbk", "iso-8859-1", "utf-8", ...)
    const char16_t* description; // a Chinese label; not used by any operation
};
// The 31 rows in their stored order.
std::span<const CodePageRow> codePageRows();
// The table as one text: "\r\n" before every row, rows "number,name,description".
const CWString& codePageTable();
// Charset name of a code page from the table, empty when the number has no row.
CWString codePageName(int32_t codePage);

// ---- system ANSI code page -------------------------------------------------------------------

// The code page that stands for the system ANSI code page: taken from the locale named by
// LC_ALL, LC_CTYPE or LANG (the first that is set and not empty), the way Windows takes it from
// the system locale; 936 when the locale names no language (C, POSIX, empty).
int32_t systemAnsiCodePage();
// Code page of a locale name such as "zh_CN.UTF-8", "ru_RU" or "C" (the rule above).
int32_t ansiCodePageOfLocale(std::string_view localeName);
// codePageName(systemAnsiCodePage()); "GBK" where the table has no row for it.
CWString systemAnsiName();

// ---- native conversions ----------------------------------------------------------------------

// UTF-8 -> UTF-16, up to the first zero byte. Leads C0-FD start 2- to 6-byte forms (overlong forms
// accepted); values above 0xFFFF become surrogate pairs (above 0x10FFFF the high unit is cut to
// 16 bits). A stray continuation, FE/FF, a form cut short or cut off by the end stops decoding:
// the result is what was decoded before it.
CWString utf8ToUtf16(std::string_view bytes);
// UTF-16 -> UTF-8, up to the first U+0000; unpaired surrogates are dropped.
std::string utf16ToUtf8(CWStringView text);
// System ANSI code page -> UTF-16, up to the first zero byte.
CWString ansiToUtf16(std::string_view bytes);
// UTF-16 -> system ANSI code page, up to the first U+0000; unmappable characters become the code
// page's substitute character.
std::string utf16ToAnsi(CWStringView text);
// Exchanges each byte pair (UTF-16LE <-> UTF-16BE); an odd last byte becomes a zero byte.
void swapByteOrder(CKorMem& bytes);

// UTF-16LE bytes -> text (an odd last byte is ignored); text -> UTF-16LE bytes.
CWString textFromUtf16Bytes(std::string_view bytes);
CKorMem utf16BytesFromText(CWStringView text);
// A view of a buffer's bytes.
inline std::string_view bytesOf(const CKorMem& buffer) {
    return {reinterpret_cast<const char*>(buffer.data()), buffer.size()};
}

// ---- names, marks, detection, conversion -----------------------------------------------------

// EF BB BF for "UTF-8", FF FE for "UTF-16"/"UTF-16LE", FE FF for "UTF-16BE", nothing otherwise.
std::string_view byteOrderMark(CWStringView encodingName);

struct DetectedEncoding {
    CWString name;          // "UTF-8", "UTF-16", "UTF-16BE" or the system ANSI name
    int32_t markLength = 0; // 0, 2 or 3
};
// Guesses the encoding of a text file's bytes (byte-order mark, zero bytes, UTF-8 sequence count).
DetectedEncoding detectTextEncoding(std::string_view bytes);

// Converts the bytes after the first `skip` from charset `fromName` to `toName`. "ANSI" in either
// name is replaced by the system ANSI name, and the caller's name receives the replacement. When
// no converter knows a name the result is empty and *ok (when given) is false.
CKorMem convertCharset(std::string_view bytes, CWString& fromName, CWString& toName, size_t skip = 0,
                       bool* ok = nullptr);
// The same with names the caller does not need back.
CKorMem convertCharsetNames(std::string_view bytes, CWStringView fromName, CWStringView toName,
                            size_t skip = 0, bool* ok = nullptr);

// Turns a text file's bytes into UTF-16LE bytes. When `fileName` is not empty the bytes are first
// replaced by that file's content. An empty `encodingName` is detected and written back; a given
// one is used as is. The matching byte-order mark is skipped. *ok (when given) is false when the
// file could not be read (missing, unreadable, 2 GiB or more) or no converter knows the name; the
// result is then what the failed step gave (no bytes for a file that could not be read).
CKorMem decodeTextBytes(std::string_view bytes, CWStringView fileName, CWString& encodingName,
                        bool* ok = nullptr);

// ---- files -----------------------------------------------------------------------------------

// Reads a whole text file with encoding detection (or the given encoding). A missing or unreadable
// file gives an empty text, and the encoding reported is the system ANSI name; *ok (when given)
// tells such a failure apart from an empty file.
CWString readTextFile(CWStringView fileName, CWString& encodingName, bool* ok = nullptr);
// Writes `text` (up to its first U+0000) in the named encoding with that encoding's byte-order
// mark. False when the name has no converter or the file could not be written.
bool writeTextFile(CWStringView text, CWStringView fileName, CWStringView encodingName);

// Reads a whole file in binary. Returns the byte count (0 for an empty file) or -1 on failure:
// the file can't be opened or read, or it holds 2 GiB or more (too big to load whole; use the
// stream extraction). On failure `out` is empty.
int64_t readFileBytes(CWStringView fileName, CKorMem& out);
inline constexpr int64_t kMaxWholeFileBytes = int64_t(0x7FFFFFFF);
// Writes `bytes` as the whole file, creating its folder chain; atomic replace. False for an empty
// name, a folder that can't be created, or any failed write (the old file is then untouched).
bool writeFileBytes(CWStringView fileName, std::string_view bytes);
// Creates a folder and its missing parents; true when it exists afterwards.
bool createFolderChain(CWStringView folder);

// File-name conversions at the platform edge.
std::filesystem::path textToPath(CWStringView fileName);
CWString pathToText(const std::filesystem::path& path);

} // namespace rg_Tolvar_MingLingJi
