#include "text/codecs.h"

#include <unordered_map>

namespace rg_Tolvar_MingLingJi {

const std::array<EntityRow, kEntityRowCount> kEntityRows = {{
    {u"quot", 34},    {u"amp", 38},     {u"lt", 60},      {u"gt", 62},      {u"nbsp", 32},
    {u"iexcl", 161},  {u"Aacute", 193}, {u"aacute", 225}, {u"cent", 162},   {u"circ", 194},
    {u"acirc", 226},  {u"pound", 163},  {u"Atilde", 195}, {u"atilde", 227}, {u"curren", 164},
    {u"auml", 228},   {u"yen", 165},    {u"ring", 197},   {u"aring", 229},  {u"brvbar", 166},
    {u"AElig", 198},  {u"aelig", 230},  {u"sect", 167},   {u"Ccedil", 199}, {u"ccedil", 231},
    {u"uml", 168},    {u"Egrave", 200}, {u"egrave", 232}, {u"copy", 169},   {u"Eacute", 201},
    {u"eacute", 233}, {u"ordf", 170},   {u"Ecirc", 202},  {u"ecirc", 234},  {u"laquo", 171},
    {u"Euml", 203},   {u"euml", 235},   {u"not", 172},    {u"Igrave", 204}, {u"igrave", 236},
    {u"shy", 173},    {u"Iacute", 205}, {u"iacute", 237}, {u"reg", 174},    {u"Icirc", 206},
    {u"icirc", 238},  {u"macr", 175},   {u"Iuml", 207},   {u"iuml", 239},   {u"deg", 176},
    {u"ETH", 208},    {u"ieth", 240},   {u"plusmn", 177}, {u"Ntilde", 209}, {u"ntilde", 241},
    {u"sup2", 178},   {u"Ograve", 210}, {u"ograve", 242}, {u"sup3", 179},   {u"Oacute", 211},
    {u"oacute", 243}, {u"acute", 180},  {u"Ocirc", 212},  {u"ocirc", 244},  {u"micro", 181},
    {u"Otilde", 213}, {u"otilde", 245}, {u"para", 182},   {u"Ouml", 214},   {u"ouml", 246},
    {u"middot", 183}, {u"times", 215},  {u"divide", 247}, {u"cedil", 184},  {u"Oslash", 216},
    {u"oslash", 248}, {u"sup1", 185},   {u"Ugrave", 217}, {u"ugrave", 249}, {u"ordm", 186},
    {u"Uacute", 218}, {u"uacute", 250}, {u"raquo", 187},  {u"Ucirc", 219},  {u"ucirc", 251},
    {u"frac14", 188}, {u"Uuml", 220},   {u"uuml", 252},   {u"frac12", 189}, {u"Yacute", 221},
    {u"yacute", 253}, {u"frac34", 190}, {u"THORN", 222},  {u"thorn", 254},  {u"iquest", 191},
    {u"szlig", 223},  {u"yuml", 255},   {u"Agrave", 192}, {u"agrave", 224}, {u"ldquo", 8220},
    {u"rdquo", 8221},
}};

namespace {

void appendDecimal(CWString& out, uint32_t v) {
    char16_t buf[10];
    int n = 0;
    do {
        buf[n++] = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0)
        out.push_back(buf[--n]);
}

void appendHex4(CWString& out, char16_t unit) {
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    out.push_back(kDigits[(unit >> 12) & 0xF]);
    out.push_back(kDigits[(unit >> 8) & 0xF]);
    out.push_back(kDigits[(unit >> 4) & 0xF]);
    out.push_back(kDigits[unit & 0xF]);
}

// Value of one hexadecimal digit unit. Not validated: other units give values outside 0-15 by the
// same arithmetic ("G" = 16, " " = -23), which the callers then combine as they are.
int32_t hexDigitValue(char16_t x) {
    if (x >= u'0' && x <= u'9') return int32_t(x) - 0x30;
    if (x >= u'a' && x <= u'f') return int32_t(x) - 0x57;
    return int32_t(x) - 0x37;
}

// The low 16 bits of d0*4096 + d1*256 + d2*16 + d3 over four units.
char16_t hexUnit(const char16_t* p) {
    int32_t v = hexDigitValue(p[0]) * 4096 + hexDigitValue(p[1]) * 256 + hexDigitValue(p[2]) * 16 +
                hexDigitValue(p[3]);
    return char16_t(uint32_t(v) & 0xFFFF);
}

bool isAsciiAlnum(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

CWString cutAtNul(CWStringView text) {
    size_t z = text.find(u'\0');
    return CWString(z == CWStringView::npos ? text : text.substr(0, z));
}

CWString escapeUcs2(CWStringView text) {
    CWString out;
    out.reserve(text.size() + text.size() / 2);
    for (char16_t c : text) {
        switch (c) {
        case u'"':
        case u'\'':
        case u'/':
        case u'\\':
        case u'[':
        case u']':
        case u'{':
        case u'}':
            out.push_back(u'\\');
            out.push_back(c);
            break;
        case u'\r':
            out.append(u"\\r");
            break;
        case u'\n':
            out.append(u"\\n");
            break;
        default:
            if (c == 0) return out; // the result ends at its first U+0000
            if (c < 0x80) {
                out.push_back(c);
            } else {
                out.append(u"\\u");
                appendHex4(out, c);
            }
        }
    }
    return out;
}

CWString escapeHtml(CWStringView text, bool hex) {
    CWString out;
    out.reserve(text.size() + text.size() / 2);
    for (char16_t c : text) {
        if (c == 0) return out;
        if (c < 0x80 && c != u'\r' && c != u'\n') {
            out.push_back(c);
        } else if (hex) {
            out.append(u"&#x");
            appendHex4(out, c);
            out.push_back(u';');
        } else {
            out.append(u"&#");
            appendDecimal(out, c);
            out.push_back(u';');
        }
    }
    return out;
}

CWString unescapeUcs2(CWStringView text) {
    CWString out;
    out.reserve(text.size());
    const size_t n = text.size();
    const char16_t* s = text.data();
    size_t i = 0;
    while (i < n) {
        char16_t c = s[i];
        char16_t emit;
        if ((c != u'\\' && c != u'%') || i + 1 >= n) {
            emit = c;
            i += 1;
        } else if (s[i + 1] == u'u') {
            if (i + 5 >= n) {
                emit = c;
                i += 1;
            } else {
                emit = hexUnit(s + i + 2);
                i += 6;
            }
        } else if (c == u'%') {
            emit = c;
            i += 1;
        } else {
            char16_t d = s[i + 1];
            emit = d == u'r' ? u'\r' : d == u'n' ? u'\n' : d;
            i += 2;
        }
        if (emit == 0) break;
        out.push_back(emit);
    }
    return out;
}

CWString unescapeHtml(CWStringView text) {
    CWString out;
    out.reserve(text.size());
    const size_t n = text.size();
    const char16_t* s = text.data();
    size_t i = 0;
    while (i < n) {
        char16_t c = s[i];
        if (c != u'&' || i + 1 >= n) {
            if (c == 0) break;
            out.push_back(c);
            i += 1;
            continue;
        }
        if (s[i + 1] == u'#' && i + 2 < n && s[i + 2] == u'x') {
            // Hexadecimal form: exactly four digit units, and the unit after them is consumed.
            if (i + 7 >= n) {
                out.push_back(u'&');
                i += 1;
                continue;
            }
            char16_t v = hexUnit(s + i + 3);
            if (v == 0) break;
            out.push_back(v);
            i += 8;
            continue;
        }
        if (s[i + 1] == u'#') {
            size_t j = i + 2;
            bool digitsOnly = true;
            uint32_t value = 0;
            while (j < n && s[j] != u';') {
                if (s[j] < u'0' || s[j] > u'9') {
                    digitsOnly = false;
                    break;
                }
                value = value > 214748364u ? 2147483647u : value * 10 + (s[j] - u'0');
                if (value > 2147483647u) value = 2147483647u;
                ++j;
            }
            if (!digitsOnly || j == i + 2) {
                out.push_back(u'&');
                i += 1;
                continue;
            }
            char16_t v = char16_t(value & 0xFFFF);
            if (v == 0) break;
            out.push_back(v);
            i = j < n ? j + 1 : n;
            continue;
        }
        size_t j = i + 1;
        bool nameOnly = true;
        while (j < n && s[j] != u';') {
            if (!isAsciiAlnum(s[j])) {
                nameOnly = false;
                break;
            }
            ++j;
        }
        if (!nameOnly || j == i + 1) {
            out.push_back(u'&');
            i += 1;
            continue;
        }
        CWStringView name(s + i + 1, j - i - 1);
        int32_t code = entityCode(name);
        if (code != 0) {
            out.push_back(char16_t(code));
        } else {
            out.push_back(u'&');
            out.append(name);
            out.push_back(u';');
        }
        i = j < n ? j + 1 : n;
    }
    return out;
}

} // namespace

CWString hexDigits4(char16_t unit) {
    CWString out;
    out.reserve(4);
    appendHex4(out, unit);
    return out;
}

const CWString& entityTableText() {
    static const CWString table = [] {
        CWString t;
        for (size_t r = 0; r < kEntityRows.size(); ++r) {
            if (r != 0) t.append(u"\r\n");
            t.push_back(u'&');
            t.append(kEntityRows[r].name);
            t.append(u"; &#");
            appendDecimal(t, uint32_t(kEntityRows[r].code));
            t.push_back(u';');
        }
        return t;
    }();
    return table;
}

int32_t entityCode(CWStringView name) {
    static const std::unordered_map<CWStringView, int32_t> index = [] {
        std::unordered_map<CWStringView, int32_t> m;
        for (const EntityRow& r : kEntityRows)
            m.emplace(CWStringView(r.name), r.code);
        return m;
    }();
    auto it = index.find(name);
    return it == index.end() ? 0 : it->second;
}

CWString escapeText(CWStringView text, int32_t mode) {
    switch (mode) {
    case kEscapeUcs2:
        return escapeUcs2(text);
    case kEscapeHtmlHex:
        return escapeHtml(text, true);
    case kEscapeHtmlDec:
        return escapeHtml(text, false);
    default:
        return cutAtNul(text);
    }
}

CWString unescapeText(CWStringView text, int32_t mode) {
    switch (mode) {
    case kUnescapeUcs2:
        return unescapeUcs2(text);
    case kUnescapeHtml:
        return unescapeHtml(text);
    default:
        return cutAtNul(text);
    }
}

} // namespace rg_Tolvar_MingLingJi
