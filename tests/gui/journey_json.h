// Generated lenient JSON for the journey test: keys that trouble paths (":", ".", "#46#", "->",
// "["), repeated and missing keys, escapes, \u0000, emoji, single quotes, bare values, several
// top-level values, now and then a large array or a cut-off text. Deterministic for a generator
// state.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

namespace journey {

class JsonGen {
public:
    // noColons leaves out keys holding ":" (for triage of other faults).
    explicit JsonGen(std::mt19937_64& rng, bool noColons = false) : rng_(rng), noColons_(noColons) {}

    int pick(int n) { return n <= 1 ? 0 : int(rng_() % uint64_t(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    std::u16string key() {
        static const char16_t* const keys[] = {
            u"a",  u"b",     u"c",   u"a:b", u"x.y", u"#46#", u"k->1", u"arr[0]", u"名", u"😀",
            u"id", u"level", u"a b", u"d:e", u"..",  u"//x",  u"é",    u"a",      u"b",  u"value",
        };
        std::u16string k = keys[pick(int(std::size(keys)))];
        if (noColons_) std::replace(k.begin(), k.end(), u':', u'_');
        return k;
    }
    std::u16string scalar() {
        static const char16_t* const values[] = {
            u"1",
            u"-2.5e3",
            u"0",
            u"true",
            u"false",
            u"null",
            u"\"s\"",
            u"\"a\\\"b\\nc\"",
            u"\"\\u0000x\"",
            u"\"\\u4E2D\"",
            u"\"hi 😀\"",
            u"'single'",
            u"bare",
            u"\"a.b\"",
            u"\"k:v\"",
            u"\"\"",
            u"\"\\t\\\\\"",
            u"\"名字\"",
            u"\"&lt;&#20013;\"",
            u"12345678901234567890",
        };
        return values[pick(int(std::size(values)))];
    }
    std::u16string quotedKey(const std::u16string& k) {
        switch (pick(6)) {
        case 0:
            return u"'" + k + u"'";
        case 1:
            // Unquoted where the grammar allows it.
            if (k.find_first_of(u" :,{}[]\"'") == std::u16string::npos) return k;
            [[fallthrough]];
        default:
            return u"\"" + k + u"\"";
        }
    }
    std::u16string value(int depth) {
        if (depth >= 4 || chance(45)) return scalar();
        if (chance(50)) {
            std::u16string out = u"{";
            const int n = pick(5);
            for (int i = 0; i < n; ++i) {
                if (i) out += u",";
                if (chance(6)) {
                    out += scalar(); // a member without a key
                } else {
                    out += quotedKey(key()) + u":" + value(depth + 1);
                }
            }
            return out + u"}";
        }
        std::u16string out = u"[";
        const int n = pick(5);
        for (int i = 0; i < n; ++i) {
            if (i) out += u",";
            out += value(depth + 1);
        }
        return out + u"]";
    }
    std::u16string largeArray() {
        const int n = 1000 + pick(3000);
        std::u16string out = u"[";
        for (int i = 0; i < n; ++i) {
            if (i) out += u",";
            if (i % 97 == 5)
                out += u"{\"i\":" + num(i) + u"}";
            else
                out += num(i);
        }
        return out + u"]";
    }
    // A whole text as a user might paste it.
    std::u16string text() {
        const int kind = pick(100);
        if (kind < 3) return largeArray();
        if (kind < 6) return u"";
        std::u16string out = value(0);
        if (kind < 14)
            out += u" " + value(1) + u"\n" + value(1); // several top-level values
        else if (kind < 17)
            out = out.substr(0, out.size() / 2); // cut off
        if (chance(20)) out = u"  \r\n" + out + u"\r\n";
        return out;
    }
    static std::u16string num(int i) {
        std::string s = std::to_string(i);
        return std::u16string(s.begin(), s.end());
    }

private:
    std::mt19937_64& rng_;
    bool noColons_;
};

} // namespace journey
