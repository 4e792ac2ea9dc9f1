#include "json/stream_path_text.h"

namespace rg_Tolvar_JSON::detail {

namespace {

CWString trimmed(CWStringView s) {
    size_t a = 0, b = s.size();
    while (a < b && s[a] <= 0x20) ++a;
    while (b > a && s[b - 1] <= 0x20) --b;
    return CWString(s.substr(a, b - a));
}

// "#46#" -> '.'
CWString withDots(const CWString& s) {
    CWString out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (s.compare(i, 4, u"#46#") == 0) {
            out.push_back(u'.');
            i += 4;
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}

} // namespace

rg_Korrin_JiBen::rg_WenBenShuZuLei splitStreamPath(CWStringView path) {
    rg_Korrin_JiBen::rg_WenBenShuZuLei segments;
    if (path.empty()) return segments;
    CWString text;
    text.reserve(path.size() + 8);
    for (size_t i = 0; i < path.size(); ++i) {
        const char16_t c = path[i];
        if (c == u'[' && i > 0 && path[i - 1] != u'.' && path[i - 1] != u'\\') text.push_back(u'.');
        text.push_back(c);
    }
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find(u'.', start);
        const CWStringView piece = CWStringView(text).substr(start, dot == CWString::npos ? CWString::npos : dot - start);
        segments.push_back(withDots(trimmed(piece)));
        if (dot == CWString::npos) break;
        start = dot + 1;
    }
    if (segments.size() >= 2 && segments[0].size() >= 2 && segments[0][0] == u'/' && segments[0][1] == u'/') {
        if (segments[0].size() == 2) segments.erase(segments.begin());
        else segments[0].erase(0, 2);
    }
    return segments;
}

int32_t readPathInteger(CWStringView text) {
    size_t i = 0;
    // C's isspace in the "C" locale: space, \t \n \v \f \r.
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1; // saturate, keep reading
    }
    if (negative) return value > INT32_MAX ? INT32_MIN : static_cast<int32_t>(-value);
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

} // namespace rg_Tolvar_JSON::detail
