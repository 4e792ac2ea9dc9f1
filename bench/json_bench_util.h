// Inputs for the JSON engine benchmarks: corpus files, UTF-8 -> UTF-16, a generated large document.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/types.h"

namespace json_bench {

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// UTF-8 to UTF-16 (invalid bytes become U+FFFD), as the program's input side does.
inline CWString utf8To16(const std::string& s) {
    CWString out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        size_t need = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        uint32_t v = need == 2 ? (b & 0x1F) : need == 3 ? (b & 0x0F) : (b & 0x07);
        bool ok = need && i + need <= s.size();
        for (size_t k = 1; ok && k < need; ++k) {
            unsigned char c = static_cast<unsigned char>(s[i + k]);
            ok = (c & 0xC0) == 0x80;
            v = (v << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        if (v >= 0x10000) {
            v -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (v >> 10));
            out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        } else {
            out += static_cast<char16_t>(v);
        }
        i += need;
    }
    return out;
}

// One JSON array whose elements are the corpus documents below, repeated until the text reaches
// `target` bytes: a mix of API records, long strings, float arrays and small objects.
inline std::string generatedDocument(const std::filesystem::path& dir, size_t target) {
    const char* parts[] = {"twitter.json",       "citm_catalog.json",  "canada.json",        "gsoc-2018.json",
                           "marine_ik.json",     "mesh.pretty.json",   "update-center.json", "random.json",
                           "github_events.json", "apache_builds.json", "instruments.json"};
    std::string out = "[";
    while (out.size() < target) {
        for (const char* p : parts) {
            std::string doc = readFile(dir / p);
            if (doc.empty()) continue;
            if (out.size() > 1) out += ",\n";
            out += doc;
            if (out.size() >= target) break;
        }
    }
    out += "]";
    return out;
}

} // namespace json_bench
