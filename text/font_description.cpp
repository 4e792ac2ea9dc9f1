#include "text/font_description.h"

#include <cstdint>
#include <string>

namespace rg_Tolvar_MingLingJi {

namespace {

CWStringView trimBlanks(CWStringView s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] <= 0x20)
        ++b;
    while (e > b && s[e - 1] <= 0x20)
        --e;
    return s.substr(b, e - b);
}

// Decimal value of a field: optional sign, then digits; anything else ends the number, and a
// field with no digits gives 0. Saturates at the 32-bit range.
int32_t decimalValue(CWStringView s) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        negative = s[i] == u'-';
        ++i;
    }
    int64_t v = 0;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
        v = v * 10 + (s[i] - u'0');
        if (v > int64_t(INT32_MAX) + 1) v = int64_t(INT32_MAX) + 1;
        ++i;
    }
    if (negative) v = -v;
    if (v > INT32_MAX) v = INT32_MAX;
    return int32_t(v);
}

bool equalsIgnoringAsciiCase(CWStringView a, CWStringView b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = char16_t(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z') y = char16_t(y - u'A' + u'a');
        if (x != y) return false;
    }
    return true;
}

int32_t flagValue(CWStringView field) {
    return field == u"真" || equalsIgnoringAsciiCase(field, u"true") || field == u"1" ? 1 : 0;
}

void appendDecimal(CWString& out, int32_t v) {
    std::string s = std::to_string(v);
    out.append(s.begin(), s.end());
}

} // namespace

rg_Korrin_JiBen::rg_WenBenShuZuLei splitDescription(CWStringView description, size_t maxFields) {
    rg_Korrin_JiBen::rg_WenBenShuZuLei fields;
    if (maxFields == 0) return fields;
    size_t start = 0;
    for (;;) {
        size_t comma = description.find(u',', start);
        CWStringView field =
            description.substr(start, comma == CWStringView::npos ? CWStringView::npos : comma - start);
        fields.emplace_back(trimBlanks(field));
        if (comma == CWStringView::npos || fields.size() == maxFields) break;
        start = comma + 1;
    }
    return fields;
}

void rg_TolvarZiTiLei::parseDescription(CWStringView description) {
    rg_Korrin_JiBen::rg_WenBenShuZuLei f = splitDescription(description, 7);
    f.resize(7);
    face = f[0];
    size = decimalValue(f[1]);
    bold = flagValue(f[2]);
    italic = flagValue(f[3]);
    underline = flagValue(f[4]);
    strikeout = flagValue(f[5]);
    angle = decimalValue(f[6]);
}

CWString rg_TolvarZiTiLei::formatDescription() const {
    CWString out = face;
    out.append(u", ");
    appendDecimal(out, size);
    for (int32_t flag : {bold, italic, underline, strikeout}) {
        out.append(u", ");
        out.push_back(flag != 0 ? u'1' : u'0');
    }
    out.append(u", ");
    appendDecimal(out, angle);
    return out;
}

ScreenFontFields screenFontFields(CWStringView description) {
    ScreenFontFields r;
    rg_Korrin_JiBen::rg_WenBenShuZuLei f = splitDescription(description, 7);
    if (f.size() >= 1 && !f[0].empty()) r.face = f[0];
    if (f.size() >= 2) {
        int64_t p = decimalValue(f[1]);
        r.points = int32_t(p < 0 ? (p == INT32_MIN ? INT32_MAX : -p) : p);
    }
    if (f.size() >= 3) r.bold = f[2] == u"1";
    if (f.size() >= 4) r.italic = f[3] == u"1";
    if (f.size() >= 5) r.underline = f[4] == u"1";
    if (f.size() >= 6) r.strikeout = f[5] == u"1";
    if (f.size() >= 7 && !f[6].empty()) {
        int32_t a = decimalValue(f[6]) % 3600;
        if (a < 0) a += 3600;
        r.angle = a;
    }
    return r;
}

} // namespace rg_Tolvar_MingLingJi
