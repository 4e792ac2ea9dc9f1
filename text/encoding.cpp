// Code-page table, system ANSI code page, detection and charset conversion.
#include "text/encoding.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "text/encoding_detail.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rg_Tolvar_MingLingJi {

namespace {

const std::array<CodePageRow, 31> kCodePages = {{
    {708, u"ASMO-708", u"阿拉伯字符 (ASMO 708)"},
    {720, u"DOS-720", u"阿拉伯字符 (DOS)"},
    {28596, u"iso-8859-6", u"阿拉伯字符 (ISO)"},
    {1256, u"windows-1256", u"阿拉伯字符 (Windows)"},
    {1257, u"windows-1257", u"波罗的海字符 (Windows)"},
    {852, u"ibm852", u"中欧字符 (DOS)"},
    {28592, u"iso-8859-2", u"中欧字符 (ISO)"},
    {1250, u"windows-1250", u"中欧字符 (Windows)"},
    {936, u"gbk", u"简体中文 (GB2312)"},
    {950, u"big5", u"繁体中文 (Big5)"},
    {862, u"DOS-862", u"希伯来字符 (DOS)"},
    {866, u"cp866", u"西里尔字符 (DOS)"},
    {874, u"windows-874", u"泰语 (Windows)"},
    {932, u"shift_jis", u"日语 (Shift-JIS)"},
    {949, u"ks_c_5601-1987", u"朝鲜语"},
    {1251, u"windows-1251", u"西里尔字符 (Windows)"},
    {1252, u"iso-8859-1", u"西欧字符"},
    {1253, u"windows-1253", u"希腊字符 (Windows)"},
    {1254, u"iso-8859-9", u"土耳其字符"},
    {1255, u"windows-1255", u"希伯来字符 (Windows)"},
    {1258, u"windows-1258", u"越南字符 (Windows)"},
    {20866, u"koi8-r", u"西里尔字符 (KOI8-R)"},
    {21866, u"koi8-ru", u"西里尔字符 (KOI8-U)"},
    {28595, u"iso-8859-5", u"西里尔字符 (ISO)"},
    {28597, u"iso-8859-7", u"希腊字符 (ISO)"},
    {28598, u"iso-8859-8", u"希伯来字符 (ISO-Visual)"},
    {38598, u"iso-8859-8-i", u"希伯来字符 (ISO-Logical)"},
    {50932, u"_autodetect", u"日语 (自动选择)"},
    {51932, u"euc-jp", u"日语 (EUC)"},
    {52936, u"hz-gb-2312", u"简体中文 (HZ)"},
    {65001, u"utf-8", u"Unicode (UTF-8)"},
}};

char16_t asciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

size_t findIgnoringCase(CWStringView hay, CWStringView needle) {
    if (needle.size() > hay.size()) return CWStringView::npos;
    for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && asciiLower(hay[i + k]) == asciiLower(needle[k]))
            ++k;
        if (k == needle.size()) return i;
    }
    return CWStringView::npos;
}

CWString asciiText(std::string_view s) {
    return CWString(s.begin(), s.end());
}

enum class Native { None, Ansi, Utf8, Utf16Le, Utf16Be };

Native nativeKind(const CWString& name, const CWString& ansiName) {
    if (name == ansiName) return Native::Ansi;
    if (name == u"UTF-8") return Native::Utf8;
    if (name == u"UTF-16" || name == u"UTF-16LE") return Native::Utf16Le;
    if (name == u"UTF-16BE") return Native::Utf16Be;
    return Native::None;
}

CKorMem copyBytes(std::string_view bytes) {
    CKorMem out;
    out.append(bytes.data(), bytes.size());
    return out;
}

// UTF-8 straight into a buffer of UTF-16LE bytes.
CKorMem utf8ToUtf16Bytes(std::string_view bytes) {
    CKorMem out;
    if (bytes.empty()) return out;
    char16_t* units = reinterpret_cast<char16_t*>(out.extend(bytes.size() * 2));
    size_t n = detail::decodeUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), units);
    out.resize(n * 2);
    return out;
}

CKorMem utf16BytesToUtf8(std::string_view bytes) {
    CKorMem out;
    size_t units = bytes.size() / 2;
    if (units == 0) return out;
    char* dst = reinterpret_cast<char*>(out.extend(units * 3));
    size_t n = detail::encodeUtf8FromLeBytes(reinterpret_cast<const uint8_t*>(bytes.data()), units, dst);
    out.resize(n);
    return out;
}

CKorMem utf16BytesToAnsi(std::string_view bytes) {
    std::string ansi = utf16ToAnsi(textFromUtf16Bytes(bytes));
    return copyBytes(ansi);
}

CKorMem swappedCopy(std::string_view bytes) {
    CKorMem out = copyBytes(bytes);
    swapByteOrder(out);
    return out;
}

// Decodes bytes of any charset to UTF-16 units; false when no converter knows the name.
bool decodeAny(std::string_view src, const CWString& name, Native kind, CWString& out) {
    switch (kind) {
    case Native::Ansi:
        out = ansiToUtf16(src);
        return true;
    case Native::Utf8:
        out = utf8ToUtf16(src);
        return true;
    case Native::Utf16Le:
        out = textFromUtf16Bytes(src);
        return true;
    case Native::Utf16Be: {
        CKorMem le = swappedCopy(src);
        out = textFromUtf16Bytes(bytesOf(le));
        return true;
    }
    case Native::None:
        break;
    }
    detail::CharsetTarget cs;
    return detail::resolveCharset(name, cs) && detail::icuToUtf16(cs, src, out);
}

bool encodeAny(CWStringView text, const CWString& name, Native kind, CKorMem& out) {
    switch (kind) {
    case Native::Ansi:
        out = copyBytes(utf16ToAnsi(text));
        return true;
    case Native::Utf8:
        out = copyBytes(utf16ToUtf8(text));
        return true;
    case Native::Utf16Le:
        out = utf16BytesFromText(text);
        return true;
    case Native::Utf16Be:
        out = utf16BytesFromText(text);
        swapByteOrder(out);
        return true;
    case Native::None:
        break;
    }
    detail::CharsetTarget cs;
    std::string bytes;
    if (!detail::resolveCharset(name, cs) || !detail::icuFromUtf16(cs, text, bytes)) return false;
    out = copyBytes(bytes);
    return true;
}

// ICU converter of the system ANSI code page (the Windows table of that code page).
detail::CharsetTarget ansiCharset() {
    detail::CharsetTarget cs;
    cs.icuName = detail::icuNameOfCodePage(systemAnsiCodePage());
    if (cs.icuName.empty()) cs.icuName = "windows-936";
    return cs;
}

} // namespace

// ---- code-page table -------------------------------------------------------------------------

std::span<const CodePageRow> codePageRows() {
    return kCodePages;
}

const CWString& codePageTable() {
    static const CWString table = [] {
        CWString t;
        for (const CodePageRow& r : kCodePages) {
            t.append(u"\r\n");
            t.append(asciiText(std::to_string(r.codePage)));
            t.push_back(u',');
            t.append(r.name);
            t.push_back(u',');
            t.append(r.description);
        }
        return t;
    }();
    return table;
}

CWString codePageName(int32_t codePage) {
    const CWString& table = codePageTable();
    CWString key = u"\r\n" + asciiText(std::to_string(codePage)) + u",";
    size_t at = findIgnoringCase(table, key);
    if (at == CWStringView::npos) return {};
    size_t start = at + key.size();
    size_t end = table.find(u',', start);
    if (end == CWString::npos) return {};
    return table.substr(start, end - start);
}

// ---- system ANSI code page -------------------------------------------------------------------

int32_t ansiCodePageOfLocale(std::string_view locale) {
    // language[_territory][.codeset][@modifier]
    std::string_view modifier;
    if (size_t at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at + 1);
        locale = locale.substr(0, at);
    }
    if (size_t dot = locale.find('.'); dot != std::string_view::npos) locale = locale.substr(0, dot);
    std::string_view territory;
    if (size_t sep = locale.find_first_of("_-"); sep != std::string_view::npos) {
        territory = locale.substr(sep + 1);
        locale = locale.substr(0, sep);
    }
    std::string lang, terr;
    for (char c : locale)
        lang.push_back(char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    for (char c : territory)
        terr.push_back(char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    auto in = [&lang](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (lang == n) return true;
        return false;
    };
    if (lang.empty() || lang == "c" || lang == "posix") return 936;
    if (lang == "zh") return (terr == "TW" || terr == "HK" || terr == "MO") ? 950 : 936;
    if (lang == "ja") return 932;
    if (lang == "ko") return 949;
    if (lang == "sr") return modifier == "latin" ? 1250 : 1251;
    if (in({"ru", "uk", "bg", "be", "mk", "kk", "ky", "tt", "mn", "ba"})) return 1251;
    if (lang == "el") return 1253;
    if (in({"tr", "az"})) return 1254;
    if (in({"he", "iw", "yi"})) return 1255;
    if (in({"ar", "fa", "ur"})) return 1256;
    if (in({"lt", "lv", "et"})) return 1257;
    if (lang == "vi") return 1258;
    if (lang == "th") return 874;
    if (in({"pl", "cs", "sk", "hu", "ro", "hr", "sl", "bs", "sq"})) return 1250;
    return 1252; // Western European and every other named language
}

int32_t systemAnsiCodePage() {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') return ansiCodePageOfLocale(v);
    }
    return ansiCodePageOfLocale("");
}

CWString systemAnsiName() {
    CWString name = codePageName(systemAnsiCodePage());
    return name.empty() ? CWString(u"GBK") : name;
}

CWString ansiToUtf16(std::string_view bytes) {
    size_t z = bytes.find('\0');
    if (z != std::string_view::npos) bytes = bytes.substr(0, z);
    CWString out;
    if (!detail::icuToUtf16(ansiCharset(), bytes, out)) out.clear();
    return out;
}

std::string utf16ToAnsi(CWStringView text) {
    size_t z = text.find(u'\0');
    if (z != CWStringView::npos) text = text.substr(0, z);
    std::string out;
    if (!detail::icuFromUtf16(ansiCharset(), text, out)) out.clear();
    return out;
}

// ---- names, marks, detection, conversion -----------------------------------------------------

std::string_view byteOrderMark(CWStringView name) {
    if (name == u"UTF-8") return std::string_view("\xEF\xBB\xBF", 3);
    if (name == u"UTF-16" || name == u"UTF-16LE") return std::string_view("\xFF\xFE", 2);
    if (name == u"UTF-16BE") return std::string_view("\xFE\xFF", 2);
    return {};
}

namespace {

// A well-formed four-byte UTF-8 sequence (U+10000..U+10FFFF) at p, whose four bytes exist: lead
// F0..F4, three continuation bytes, and a second byte that keeps the value in range (90..BF after
// F0, which would otherwise be overlong; 80..8F after F4).
bool isFourByteForm(const uint8_t* p) {
    const uint8_t lead = p[0];
    if (lead < 0xF0 || lead > 0xF4) return false;
    if ((p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80 || (p[3] & 0xC0) != 0x80) return false;
    if (lead == 0xF0) return p[1] >= 0x90;
    if (lead == 0xF4) return p[1] <= 0x8F;
    return true;
}

} // namespace

DetectedEncoding detectTextEncoding(std::string_view bytes) {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t n = bytes.size();
    if (n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) return {u"UTF-8", 3};
    if (n >= 2 && s[0] == 0xFF && s[1] == 0xFE) return {u"UTF-16", 2};
    if (n >= 2 && s[0] == 0xFE && s[1] == 0xFF) return {u"UTF-16BE", 2};
    if (n > 1) {
        if (s[1] == 0) return {u"UTF-16", 0};
        if (s[0] == 0) return {u"UTF-16BE", 0};
    }
    size_t ascii = 0, valid = 0, invalid = 0;
    size_t i = 0;
    while (i < n) {
#if defined(__SSE2__)
        while (i + 16 <= n) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            if (_mm_movemask_epi8(v) != 0) break;
            ascii += 16;
            i += 16;
        }
        if (i >= n) break;
#endif
        uint8_t b = s[i];
        if (b < 0x80) {
            ++ascii;
            ++i;
        } else if (i + 1 < n && (b & 0xE0) == 0xC0 && (s[i + 1] & 0xC0) == 0x80) {
            ++valid;
            i += 2;
        } else if (i + 2 < n && (b & 0xF0) == 0xE0 && (s[i + 1] & 0xC0) == 0x80 &&
                   (s[i + 2] & 0xC0) == 0x80) {
            ++valid;
            i += 3;
        } else if (i + 3 < n && isFourByteForm(s + i)) {
            ++valid;
            i += 4;
        } else {
            ++invalid;
            ++i;
        }
    }
    (void)ascii;
    if (valid == 0 || valid <= invalid) return {systemAnsiName(), 0};
    return {u"UTF-8", 0};
}

CKorMem convertCharset(std::string_view bytes, CWString& fromName, CWString& toName, size_t skip, bool* ok) {
    if (ok) *ok = true;
    if (fromName == u"ANSI") fromName = systemAnsiName();
    if (toName == u"ANSI") toName = systemAnsiName();
    std::string_view src = skip >= bytes.size() ? std::string_view() : bytes.substr(skip);
    if (fromName == toName) return copyBytes(src);

    const CWString ansiName = systemAnsiName();
    Native from = nativeKind(fromName, ansiName);
    Native to = nativeKind(toName, ansiName);
    if (from != Native::None && to != Native::None) {
        // Through UTF-16LE as the pivot.
        switch (from) {
        case Native::Ansi: {
            CKorMem units = utf16BytesFromText(ansiToUtf16(src));
            if (to == Native::Utf8) return utf16BytesToUtf8(bytesOf(units));
            if (to == Native::Utf16Be) swapByteOrder(units);
            return units;
        }
        case Native::Utf8: {
            CKorMem units = utf8ToUtf16Bytes(src);
            if (to == Native::Ansi) return utf16BytesToAnsi(bytesOf(units));
            if (to == Native::Utf16Be) swapByteOrder(units);
            return units;
        }
        case Native::Utf16Be: {
            CKorMem units = swappedCopy(src);
            if (to == Native::Utf8) return utf16BytesToUtf8(bytesOf(units));
            if (to == Native::Ansi) return utf16BytesToAnsi(bytesOf(units));
            return units;
        }
        case Native::Utf16Le:
            if (to == Native::Utf8) return utf16BytesToUtf8(src);
            if (to == Native::Ansi) return utf16BytesToAnsi(src);
            if (to == Native::Utf16Be) return swappedCopy(src);
            return copyBytes(src);
        case Native::None:
            break;
        }
    }
    CWString text;
    CKorMem out;
    if (!decodeAny(src, fromName, from, text) || !encodeAny(text, toName, to, out)) {
        if (ok) *ok = false;
        return {};
    }
    return out;
}

CKorMem convertCharsetNames(std::string_view bytes, CWStringView fromName, CWStringView toName, size_t skip,
                            bool* ok) {
    CWString from(fromName), to(toName);
    return convertCharset(bytes, from, to, skip, ok);
}

namespace detail {

size_t takeByteOrderMark(std::string_view bytes, CWString& encodingName) {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(bytes.data());
    if (encodingName.empty()) {
        DetectedEncoding d = detectTextEncoding(bytes);
        encodingName = d.name;
        return size_t(d.markLength);
    }
    if (encodingName == u"UTF-8")
        return bytes.size() >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF ? 3 : 0;
    if (encodingName == u"UTF-16" || encodingName == u"UTF-16LE")
        return bytes.size() >= 2 && s[0] == 0xFF && s[1] == 0xFE ? 2 : 0;
    if (encodingName == u"UTF-16BE") return bytes.size() >= 2 && s[0] == 0xFE && s[1] == 0xFF ? 2 : 0;
    return 0;
}

} // namespace detail

CKorMem decodeTextBytes(std::string_view bytes, CWStringView fileName, CWString& encodingName, bool* ok) {
    CKorMem fileBytes;
    bool readOk = true;
    if (!fileName.empty()) {
        readOk = readFileBytes(fileName, fileBytes) >= 0; // a failed read gives no bytes
        bytes = bytesOf(fileBytes);
    }
    const size_t mark = detail::takeByteOrderMark(bytes, encodingName);
    CWString target = u"UTF-16";
    bool converted = true;
    CKorMem out = convertCharset(bytes, encodingName, target, mark, &converted);
    if (ok) *ok = readOk && converted;
    return out;
}

} // namespace rg_Tolvar_MingLingJi
