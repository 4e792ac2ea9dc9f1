// String helpers shared by the whole engine.
#include <climits>

#include "json/node.h"

namespace rg_Tolvar_JSON {

CWStringView trimView(CWStringView text) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] <= 0x20)
        ++b;
    while (e > b && text[e - 1] <= 0x20)
        --e;
    return text.substr(b, e - b);
}

CWString trimText(CWStringView text) {
    return CWString(trimView(text));
}

bool isQuoted(CWStringView text) {
    return !text.empty() && (text[0] == u'"' || text[0] == u'\'');
}

bool isIndexSegment(CWStringView text) {
    return !text.empty() && text.front() == u'[' && text.back() == u']';
}

CWStringView unquoteView(CWStringView text) {
    if (!isQuoted(text)) return text;
    // The last character goes whatever it is; a lone quote leaves nothing.
    return trimView(text.size() < 2 ? CWStringView() : text.substr(1, text.size() - 2));
}

CWString unquote(CWStringView text) {
    return CWString(unquoteView(text));
}

int32_t parsePathInteger(CWStringView text) {
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int64_t v = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        v = v * 10 + (text[i] - u'0');
        if (v > int64_t(INT_MAX) + 1) v = int64_t(INT_MAX) + 1; // saturate, keep reading digits
    }
    if (negative) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int32_t>(v);
}

} // namespace rg_Tolvar_JSON
