// Charsets outside the native set, converted with ICU.
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>
#include <unordered_map>

#include "text/encoding.h"
#include "text/encoding_detail.h"

namespace rg_Tolvar_MingLingJi::detail {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Converters are not thread-safe: each thread keeps its own, opened once per name.
UConverter* converterFor(const std::string& icuName) {
    thread_local std::unordered_map<std::string, ConverterPtr> cache;
    auto it = cache.find(icuName);
    if (it != cache.end()) {
        ucnv_reset(it->second.get());
        return it->second.get();
    }
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open(icuName.c_str(), &err));
    if (U_FAILURE(err) || !c) return nullptr;
    switch (ucnv_getType(c.get())) {
    case UCNV_UTF8:
    case UCNV_UTF16_BigEndian:
    case UCNV_UTF16_LittleEndian:
    case UCNV_UTF16:
    case UCNV_UTF32_BigEndian:
    case UCNV_UTF32_LittleEndian:
    case UCNV_UTF32:
    case UCNV_UTF7:
    case UCNV_CESU8:
    case UCNV_SCSU:
    case UCNV_BOCU1:
    case UCNV_IMAP_MAILBOX:
        break;
    default: {
        // Byte charsets write "?" for what they can't map, as the Windows conversions do.
        UErrorCode subErr = U_ZERO_ERROR;
        ucnv_setSubstChars(c.get(), "?", 1, &subErr);
    }
    }
    UConverter* raw = c.get();
    cache.emplace(icuName, std::move(c));
    return raw;
}

bool toUtf16With(UConverter* cnv, std::string_view bytes, CWString& out) {
    out.clear();
    if (bytes.empty()) return true;
    out.resize(bytes.size() + 16);
    const char* src = bytes.data();
    const char* srcEnd = src + bytes.size();
    size_t used = 0;
    for (;;) {
        UChar* target = reinterpret_cast<UChar*>(out.data()) + used;
        UChar* targetEnd = reinterpret_cast<UChar*>(out.data()) + out.size();
        UErrorCode err = U_ZERO_ERROR;
        ucnv_toUnicode(cnv, &target, targetEnd, &src, srcEnd, nullptr, true, &err);
        used = size_t(target - reinterpret_cast<UChar*>(out.data()));
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(err)) {
            out.resize(used);
            return false;
        }
        break;
    }
    out.resize(used);
    return true;
}

// Strict decode: false at the first byte sequence the charset does not define.
bool decodesCleanly(const char* icuName, std::string_view bytes) {
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open(icuName, &err));
    if (U_FAILURE(err)) return false;
    ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    if (U_FAILURE(err)) return false;
    CWString tmp;
    return toUtf16With(c.get(), bytes, tmp);
}

// Japanese auto-detection: ISO-2022-JP when the bytes hold its escapes and nothing above 0x7F,
// else whichever of EUC-JP and Shift_JIS reads the bytes without error (EUC-JP when both do and no
// byte is a Shift_JIS-only lead 81-9F other than 8E/8F); Shift_JIS when neither does.
const char* pickJapanese(std::string_view bytes) {
    bool high = false, escape = false, sjisLead = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        uint8_t b = uint8_t(bytes[i]);
        if (b >= 0x80) high = true;
        if (b >= 0x81 && b <= 0x9F && b != 0x8E && b != 0x8F) sjisLead = true;
        if (b == 0x1B && i + 1 < bytes.size() && (bytes[i + 1] == '$' || bytes[i + 1] == '(')) escape = true;
    }
    if (!high) return escape ? "ISO-2022-JP" : "windows-932";
    bool euc = decodesCleanly("euc-jp", bytes);
    bool sjis = decodesCleanly("windows-932", bytes);
    if (euc && (!sjis || !sjisLead)) return "euc-jp";
    return "windows-932";
}

} // namespace

bool icuToUtf16(const CharsetTarget& cs, std::string_view bytes, CWString& out) {
    std::string name = cs.autodetect ? std::string(pickJapanese(bytes)) : cs.icuName;
    UConverter* cnv = converterFor(name);
    if (!cnv) return false;
    return toUtf16With(cnv, bytes, out);
}

bool icuFromUtf16(const CharsetTarget& cs, CWStringView text, std::string& out) {
    UConverter* cnv = converterFor(cs.autodetect ? std::string("ISO-2022-JP") : cs.icuName);
    out.clear();
    if (!cnv) return false;
    if (text.empty()) return true;
    out.resize(text.size() * 2 + 16);
    const UChar* src = reinterpret_cast<const UChar*>(text.data());
    const UChar* srcEnd = src + text.size();
    size_t used = 0;
    for (;;) {
        char* target = out.data() + used;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_fromUnicode(cnv, &target, out.data() + out.size(), &src, srcEnd, nullptr, true, &err);
        used = size_t(target - out.data());
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(err)) {
            out.resize(used);
            return false;
        }
        break;
    }
    out.resize(used);
    return true;
}

bool resolveCharset(CWStringView name, CharsetTarget& out) {
    out = CharsetTarget{};
    if (name.empty() || name.size() >= UCNV_MAX_CONVERTER_NAME_LENGTH) return false;
    std::string ascii;
    for (char16_t c : name) {
        if (c <= 0x20 || c >= 0x7F) return false; // ICU names are printable ASCII
        ascii.push_back(char(c));
    }
    auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        return s;
    };
    std::string key = lower(ascii);
    // Names of the code-page table stand for the Windows code page (so "iso-8859-1" reads 0x80 as
    // the euro sign, as code page 1252 does).
    for (const CodePageRow& row : codePageRows()) {
        std::string rowName;
        for (const char16_t* p = row.name; *p; ++p)
            rowName.push_back(char(*p));
        if (lower(rowName) == key) {
            if (row.codePage == 50932) {
                out.autodetect = true;
                return true;
            }
            out.icuName = icuNameOfCodePage(row.codePage);
            return !out.icuName.empty();
        }
    }
    if (key == "unicode") {
        out.icuName = "UTF-16LE";
        return true;
    }
    if (key == "unicodefffe") {
        out.icuName = "UTF-16BE";
        return true;
    }
    if (!converterFor(ascii)) return false;
    out.icuName = ascii;
    return true;
}

const char* icuNameOfCodePage(int32_t codePage) {
    switch (codePage) {
    case 708:
        return "ASMO-708";
    case 720:
        return "ibm-720";
    case 28596:
        return "iso-8859-6";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 852:
        return "ibm-852";
    case 28592:
        return "iso-8859-2";
    case 1250:
        return "windows-1250";
    case 936:
        return "windows-936";
    case 950:
        return "windows-950";
    case 862:
        return "ibm-862";
    case 866:
        return "ibm-866";
    case 874:
        return "windows-874";
    case 932:
        return "windows-932";
    case 949:
        return "windows-949";
    case 1251:
        return "windows-1251";
    case 1252:
        return "windows-1252";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1258:
        return "windows-1258";
    case 20866:
        return "koi8-r";
    case 21866:
        return "koi8-u";
    case 28595:
        return "iso-8859-5";
    case 28597:
        return "iso-8859-7";
    case 28598:
        return "iso-8859-8";
    case 38598:
        return "iso-8859-8";
    case 50932:
        return "ISO-2022-JP";
    case 51932:
        return "euc-jp";
    case 52936:
        return "HZ";
    case 65001:
        return "UTF-8";
    default:
        return "";
    }
}

} // namespace rg_Tolvar_MingLingJi::detail
