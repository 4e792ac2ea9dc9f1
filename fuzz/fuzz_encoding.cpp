// Detection and charset conversion on arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "text/encoding.h"

using namespace rg_Tolvar_MingLingJi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool pinned = [] { return setenv("LC_ALL", "zh_CN.UTF-8", 1) == 0; }();
    (void)pinned;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    DetectedEncoding d = detectTextEncoding(bytes);
    if (d.markLength != 0 && d.markLength != 2 && d.markLength != 3) std::abort();
    CWString name;
    CKorMem units = decodeTextBytes(bytes, {}, name);
    if (name != d.name) std::abort();
    if (units.size() % 2 != 0 && name != u"UTF-16" && name != u"UTF-16BE") std::abort();

    // Native UTF-8: decoding then encoding is stable from the second round on.
    CWString text = utf8ToUtf16(bytes);
    if (text.size() > size) std::abort();
    std::string utf8 = utf16ToUtf8(text);
    CWString again = utf8ToUtf16(utf8);
    // Unpaired surrogates are dropped on the way out; what remains must survive.
    std::string utf8Again = utf16ToUtf8(again);
    if (utf8Again != utf8) std::abort();

    // Round trip through UTF-16BE and UTF-8 for any UTF-16 text (cut at U+0000, no lone surrogates).
    CWString wide(size / 2, u'\0');
    if (!wide.empty()) std::memcpy(wide.data(), data, wide.size() * 2);
    CKorMem le = utf16BytesFromText(wide);
    CKorMem be = convertCharsetNames(bytesOf(le), u"UTF-16", u"UTF-16BE");
    CKorMem back = convertCharsetNames(bytesOf(be), u"UTF-16BE", u"UTF-16LE");
    if (bytesOf(back) != bytesOf(le)) std::abort();

    // A few charsets through the converter, both ways; only that nothing breaks.
    const char16_t* charsets[] = {u"ANSI",  u"big5",   u"shift_jis",    u"hz-gb-2312",     u"_autodetect",
                                  u"utf-8", u"koi8-r", u"iso-8859-8-i", u"no-such-charset"};
    for (const char16_t* cs : charsets) {
        bool ok = true;
        CKorMem decoded = convertCharsetNames(bytes, cs, u"UTF-16", 0, &ok);
        CKorMem encoded = convertCharsetNames(bytesOf(le), u"UTF-16", cs, size % 3, &ok);
        (void)decoded;
        (void)encoded;
    }
    return 0;
}
