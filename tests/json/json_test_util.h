// Helpers shared by the JSON engine tests: UTF-8 <-> UTF-16, tree dumps, tree comparison, files.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "json/document.h"

namespace json_test {

using namespace rg_Tolvar_JSON;

// UTF-8 to UTF-16; an invalid byte becomes U+FFFD.
inline CWString W(std::string_view s) {
    CWString out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        uint32_t cp = 0xFFFD;
        size_t n = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0 || (b & 0xF0) == 0xE0 || (b & 0xF8) == 0xF0) {
            size_t need = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
            uint32_t v = b & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
            bool ok = i + need <= s.size();
            for (size_t k = 1; ok && k < need; ++k) {
                unsigned char c = static_cast<unsigned char>(s[i + k]);
                if ((c & 0xC0) != 0x80) ok = false;
                v = (v << 6) | (c & 0x3F);
            }
            if (ok) {
                cp = v;
                n = need;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += n;
    }
    return out;
}

// UTF-16 to UTF-8 (lone surrogates as three bytes each), for messages.
inline std::string U8(CWStringView s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        if (c < 0x80) {
            r += static_cast<char>(c);
        } else if (c < 0x800) {
            r += static_cast<char>(0xC0 | (c >> 6));
            r += static_cast<char>(0x80 | (c & 63));
        } else if (c < 0x10000) {
            r += static_cast<char>(0xE0 | (c >> 12));
            r += static_cast<char>(0x80 | ((c >> 6) & 63));
            r += static_cast<char>(0x80 | (c & 63));
        } else {
            r += static_cast<char>(0xF0 | (c >> 18));
            r += static_cast<char>(0x80 | ((c >> 12) & 63));
            r += static_cast<char>(0x80 | ((c >> 6) & 63));
            r += static_cast<char>(0x80 | (c & 63));
        }
    }
    return r;
}

// A one-line picture of a (small) tree: type letter B Q O A, the key in parentheses when it has
// one, then the value of a scalar or the children in brackets separated by " | ".
inline void dumpInto(const rg_TolvarJSONJieDian& n, std::string& out, bool withKey) {
    out += "BQOA"[n.nodeType() & 3];
    if (withKey && !n.keyText().empty()) out += "(" + U8(n.keyText()) + ")";
    if (!n.isContainer()) {
        out += U8(n.valueText());
        return;
    }
    out += "[";
    for (int32_t i = 0; i < n.childCount(); ++i) {
        if (i) out += " | ";
        dumpInto(*n.child(i), out, true);
    }
    out += "]";
}

// The root without its key ("Tolvar·JSON").
inline std::string dump(const rg_TolvarJSONJieDian& root) {
    std::string s;
    dumpInto(root, s, false);
    return s;
}

inline std::string parseDump(std::string_view utf8) {
    rg_TolvarJSONLei doc;
    doc.parseText(W(utf8));
    return dump(doc.root());
}

// Compares two trees node by node without recursion: types, values, children and (unless the
// container is an Array, whose element keys the serializer does not write) keys.
inline bool sameTree(const rg_TolvarJSONJieDian& a, const rg_TolvarJSONJieDian& b,
                     std::string* where = nullptr) {
    struct P {
        const rg_TolvarJSONJieDian* a;
        const rg_TolvarJSONJieDian* b;
        bool compareKey;
    };
    std::vector<P> stack{{&a, &b, false}};
    while (!stack.empty()) {
        P p = stack.back();
        stack.pop_back();
        bool same = p.a->nodeType() == p.b->nodeType() && p.a->childCount() == p.b->childCount() &&
                    (!p.compareKey || p.a->keyText() == p.b->keyText()) &&
                    (p.a->isContainer() || p.a->valueText() == p.b->valueText());
        if (!same) {
            if (where) {
                *where = "node type " + std::to_string(p.a->nodeType()) + "/" +
                         std::to_string(p.b->nodeType()) + " key [" + U8(p.a->keyText()) + "]/[" +
                         U8(p.b->keyText()) + "] value [" + U8(p.a->valueText()) + "]/[" +
                         U8(p.b->valueText()) + "] children " + std::to_string(p.a->childCount()) + "/" +
                         std::to_string(p.b->childCount());
            }
            return false;
        }
        bool keys = p.a->nodeType() == Object;
        for (int32_t i = 0; i < p.a->childCount(); ++i)
            stack.push_back({p.a->child(i), p.b->child(i), keys});
    }
    return true;
}

// A straightforward recursive serializer written from the layout rules, to check the engine's
// iterative one against (only for trees of modest depth).
inline void referenceMembers(const rg_TolvarJSONJieDian& node, CWString& out, int depth, bool compact) {
    const CWString indent(2 * static_cast<size_t>(depth), u' ');
    for (int32_t i = 0; i < node.childCount(); ++i) {
        const rg_TolvarJSONJieDian& c = *node.child(i);
        if (!compact) out += (i > 0 ? u"\r\n" : u"") + indent;
        if (node.nodeType() == Object) out += CWString(c.keyText()) + u":";
        if (c.isContainer()) {
            const char16_t* open = c.nodeType() == Object ? u"{" : u"[";
            const char16_t* close = c.nodeType() == Object ? u"}" : u"]";
            if (compact) {
                out += open;
                referenceMembers(c, out, depth + 1, true);
                out += close;
            } else {
                if (node.nodeType() == Object) out += u"\r\n" + indent;
                out += open;
                out += u"\r\n";
                referenceMembers(c, out, depth + 1, false);
                out += u"\r\n" + indent + close;
            }
        } else {
            out += c.valueText();
        }
        if (i + 1 < node.childCount()) out += compact ? u", " : u",";
    }
}

inline CWString referenceJson(const rg_TolvarJSONJieDian& node, bool compact) {
    if (!node.isContainer()) return unquote(node.valueText());
    CWString out = node.nodeType() == Object ? u"{" : u"[";
    if (!compact) out += u"\r\n";
    referenceMembers(node, out, 1, compact);
    if (!compact) out += u"\r\n";
    out += node.nodeType() == Object ? u"}" : u"]";
    return out;
}

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::filesystem::path corpus(const std::string& rel) {
    return std::filesystem::path(QUELIX_CORPUS_DIR) / rel;
}

} // namespace json_test
