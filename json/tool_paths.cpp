#include "json/tool_paths.h"

#include <string>
#include <vector>

namespace rg_Tolvar_JSON {

namespace {

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

void appendDecimal(CWString& out, int64_t v) {
    const std::string d = std::to_string(v);
    out.append(d.begin(), d.end());
}

void appendHex4(CWString& out, char16_t c) {
    static const char16_t digits[] = u"0123456789abcdef";
    out.append(u"\\u");
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(digits[(c >> shift) & 0xF]);
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The body of a double- or single-quoted literal: the quote and the backslash escaped, control
// characters and unpaired surrogates as escapes, everything else as it is (the clipboard carries
// Unicode, and Python would not join a \u surrogate pair).
void appendQuotedBody(CWString& out, CWStringView s, char16_t quote) {
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == quote || c == u'\\') {
            out.push_back(u'\\');
            out.push_back(c);
        } else if (c == u'\n') {
            out.append(u"\\n");
        } else if (c == u'\r') {
            out.append(u"\\r");
        } else if (c == u'\t') {
            out.append(u"\\t");
        } else if (c == u'\b') {
            out.append(u"\\b");
        } else if (c == u'\f') {
            out.append(u"\\f");
        } else if (c < 0x20) {
            appendHex4(out, c);
        } else if (isHighSurrogate(c) && i + 1 < s.size() && isLowSurrogate(s[i + 1])) {
            out.push_back(c);
            out.push_back(s[++i]);
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            appendHex4(out, c);
        } else {
            out.push_back(c);
        }
    }
}

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// [A-Za-z_][A-Za-z0-9_]*, plus `extra` (JavaScript's $).
bool isAsciiIdentifier(CWStringView s, char16_t extra) {
    if (s.empty() || isDigit(s[0])) return false;
    for (char16_t c : s)
        if (!isAsciiLetter(c) && !isDigit(c) && c != u'_' && c != extra) return false;
    return true;
}

// jq reads these after a dot as keywords, not as keys.
bool isJqKeyword(CWStringView s) {
    static const char16_t* const kWords[] = {
        u"and",    u"as",      u"catch", u"def", u"elif", u"else",   u"end",  u"foreach", u"if",
        u"import", u"include", u"label", u"not", u"or",   u"reduce", u"then", u"try",     u"__loc__"};
    for (const char16_t* w : kWords)
        if (s == w) return true;
    return false;
}

// RFC 9535 member-name-shorthand: name-first = ALPHA / "_" / %x80-D7FF / %xE000-10FFFF, then
// name-first or DIGIT.
bool isJsonPathShorthand(CWStringView s) {
    if (s.empty()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        const bool first = isAsciiLetter(c) || c == u'_' || (c >= 0x80 && c <= 0xD7FF) || c >= 0xE000;
        if (isHighSurrogate(c) && i + 1 < s.size() && isLowSurrogate(s[i + 1])) {
            ++i; // a supplementary character: always name-first
            continue;
        }
        if (!first && !(i > 0 && isDigit(c))) return false;
    }
    return true;
}

void appendKey(CWString& out, CWStringView key, ToolPathSyntax syntax) {
    switch (syntax) {
    case ToolPathSyntax::Jq:
        out.push_back(u'.');
        if (isAsciiIdentifier(key, 0) && !isJqKeyword(key)) {
            out.append(key);
        } else {
            out.push_back(u'"');
            appendQuotedBody(out, key, u'"');
            out.push_back(u'"');
        }
        return;
    case ToolPathSyntax::JsonPath:
        if (isJsonPathShorthand(key)) {
            out.push_back(u'.');
            out.append(key);
        } else {
            out.append(u"['");
            appendQuotedBody(out, key, u'\'');
            out.append(u"']");
        }
        return;
    case ToolPathSyntax::JsonPointer:
        out.push_back(u'/');
        for (char16_t c : key) {
            if (c == u'~')
                out.append(u"~0");
            else if (c == u'/')
                out.append(u"~1");
            else
                out.push_back(c);
        }
        return;
    case ToolPathSyntax::JavaScript:
        if (isAsciiIdentifier(key, u'$')) {
            out.push_back(u'.');
            out.append(key);
            return;
        }
        [[fallthrough]];
    case ToolPathSyntax::Python:
        out.append(u"[\"");
        appendQuotedBody(out, key, u'"');
        out.append(u"\"]");
        return;
    }
}

void appendIndex(CWString& out, int32_t index, ToolPathSyntax syntax) {
    if (syntax == ToolPathSyntax::JsonPointer) {
        out.push_back(u'/');
        appendDecimal(out, index);
        return;
    }
    out.push_back(u'[');
    appendDecimal(out, index);
    out.push_back(u']');
}

} // namespace

CWString decodedKey(CWStringView k) {
    if (k.empty() || (k[0] != u'"' && k[0] != u'\'')) return CWString(k);
    const char16_t quote = k[0];
    CWStringView body = k.substr(1);
    if (!body.empty() && body.back() == quote) {
        // The closing quote, unless it is escaped (an unterminated key keeps its last character).
        size_t backslashes = 0;
        for (size_t j = body.size() - 1; j > 0 && body[j - 1] == u'\\'; --j)
            ++backslashes;
        if (backslashes % 2 == 0) body.remove_suffix(1);
    }
    CWString out;
    out.reserve(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
        const char16_t c = body[i];
        if (c != u'\\' || i + 1 == body.size()) {
            out.push_back(c);
            continue;
        }
        const char16_t e = body[++i];
        switch (e) {
        case u'b':
            out.push_back(u'\b');
            break;
        case u'f':
            out.push_back(u'\f');
            break;
        case u'n':
            out.push_back(u'\n');
            break;
        case u'r':
            out.push_back(u'\r');
            break;
        case u't':
            out.push_back(u'\t');
            break;
        case u'u': {
            int v = 0;
            bool ok = i + 4 < body.size(); // four hex digits follow
            for (size_t j = 1; ok && j <= 4; ++j) {
                const int h = hexValue(body[i + j]);
                if (h < 0)
                    ok = false;
                else
                    v = v * 16 + h;
            }
            if (ok) {
                out.push_back(static_cast<char16_t>(v));
                i += 4;
            } else {
                out.push_back(u'u');
            }
            break;
        }
        default:
            out.push_back(e);
            break; // \" \' \\ \/ and unknown escapes
        }
    }
    return out;
}

CWString toolPathRoot(ToolPathSyntax syntax) {
    switch (syntax) {
    case ToolPathSyntax::Jq:
        return u".";
    case ToolPathSyntax::JsonPath:
        return u"$";
    case ToolPathSyntax::JsonPointer:
        return u"";
    case ToolPathSyntax::JavaScript:
    case ToolPathSyntax::Python:
        return u"data";
    }
    return {};
}

bool appendToolPathSegment(const rg_TolvarJSONJieDian& child, int32_t index, bool repeatedKey,
                           ToolPathSyntax syntax, CWString& path, CWString& whyNot) {
    const rg_TolvarJSONJieDian* parent = child.parent();
    if (parent == nullptr) return true;
    if (parent->nodeType() == Array) {
        if (!child.keyText().empty()) {
            whyNot = kWhyKeyedElement;
            return false;
        }
        appendIndex(path, index, syntax);
        return true;
    }
    if (child.keyText().empty()) {
        whyNot = kWhyNoKey;
        return false;
    }
    if (repeatedKey) {
        whyNot = kWhyRepeatedKey;
        return false;
    }
    if (syntax == ToolPathSyntax::Jq && path == u".") path.clear(); // .a, not ..a
    appendKey(path, decodedKey(child.keyText()), syntax);
    return true;
}

ToolPath toolPathOf(const rg_TolvarJSONJieDian& node, ToolPathSyntax syntax, int32_t topLevelValues) {
    ToolPath result;
    if (topLevelValues > 1) {
        result.whyNot = kWhySeveralValues;
        return result;
    }
    std::vector<const rg_TolvarJSONJieDian*> chain; // the node up to the root's child
    for (const rg_TolvarJSONJieDian* n = &node; n->parent() != nullptr; n = n->parent())
        chain.push_back(n);
    CWString path = toolPathRoot(syntax);
    for (size_t k = chain.size(); k-- > 0;) {
        const rg_TolvarJSONJieDian& child = *chain[k];
        const rg_TolvarJSONJieDian& parent = *child.parent();
        int32_t index = -1;
        bool repeated = false;
        const bool keyed = parent.nodeType() != Array && !child.keyText().empty();
        const CWString key = keyed ? decodedKey(child.keyText()) : CWString();
        for (int32_t i = 0, n = parent.childCount(); i < n; ++i) {
            const rg_TolvarJSONJieDian* sibling = parent.child(i);
            if (sibling == &child)
                index = i;
            else if (keyed && !repeated && !sibling->keyText().empty() &&
                     decodedKey(sibling->keyText()) == key)
                repeated = true;
        }
        if (index < 0 || !appendToolPathSegment(child, index, repeated, syntax, path, result.whyNot)) {
            if (result.whyNot.empty()) result.whyNot = kWhyNoKey;
            return result;
        }
    }
    result.ok = true;
    result.text = std::move(path);
    return result;
}

} // namespace rg_Tolvar_JSON
