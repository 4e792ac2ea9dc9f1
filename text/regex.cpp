// rg_TolvarZhengZeBiaoDaShiLei on PCRE2 (16-bit, JIT).
//
// Patterns are written in the ECMAScript dialect and translated to PCRE2 syntax before compiling,
// where the two differ: identity escapes (`\a`, `\e`, `\z`, `\Q`... are plain letters), `\s` and
// `.` with their ECMAScript character sets, `\v`, back references versus legacy octal escapes,
// `[` inside a class, and `-` next to a class escape. PCRE2's own options cover the rest:
// ALT_BSUX (`\uXXXX`, `\xHH`), empty classes `[]`/`[^]`, back references to unset groups matching
// the empty text, multi-line anchors at CR, LF and CR LF.
#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "text/regex.h"

namespace rg_Tolvar_MingLingJi {

namespace {

// ECMAScript white space and line terminators, as class members.
constexpr char16_t kJsSpaceMembers[] =
    u"\\t\\n\\x0B\\f\\r \\u00A0\\u1680\\u2000-\\u200A\\u2028\\u2029\\u202F\\u205F\\u3000\\uFEFF";
// What `.` matches: anything but a line terminator.
constexpr char16_t kJsDot[] = u"[^\\n\\r\\u2028\\u2029]";

constexpr uint32_t kMatchLimit = 20000000; // keeps runaway backtracking from hanging the find
constexpr size_t kJitStackMax = 4 * 1024 * 1024;

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool isClassEscape(char16_t c) {
    return c == u'd' || c == u'D' || c == u'w' || c == u'W' || c == u's' || c == u'S';
}

struct GroupInfo {
    uint32_t count = 0;
    bool named = false;
};

GroupInfo countGroups(CWStringView p) {
    GroupInfo g;
    bool inClass = false;
    for (size_t i = 0; i < p.size(); ++i) {
        char16_t c = p[i];
        if (c == u'\\') {
            ++i;
        } else if (inClass) {
            if (c == u']') inClass = false;
        } else if (c == u'[') {
            inClass = true;
        } else if (c == u'(') {
            if (i + 1 < p.size() && p[i + 1] == u'?') {
                if (i + 3 < p.size() && p[i + 2] == u'<' && p[i + 3] != u'=' && p[i + 3] != u'!') {
                    ++g.count;
                    g.named = true;
                }
            } else {
                ++g.count;
            }
        }
    }
    return g;
}

// "\uHHHH" (with ALT_BSUX, "\x" takes exactly two digits and "\x{...}" is not available).
void appendUnitEscape(CWString& out, uint32_t v) {
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    out.append(u"\\u");
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(kDigits[(v >> shift) & 0xF]);
}

// ECMAScript pattern -> PCRE2 pattern. No recursion: one pass with a class flag.
CWString translatePattern(CWStringView p, const GroupInfo& groups) {
    CWString out;
    out.reserve(p.size() + 16);
    const size_t n = p.size();
    bool inClass = false;
    size_t i = 0;
    while (i < n) {
        char16_t c = p[i];
        if (c == u'\\') {
            if (i + 1 >= n) { // a lone trailing backslash: let the compiler report it
                out.push_back(c);
                ++i;
                continue;
            }
            char16_t d = p[i + 1];
            if (isClassEscape(d)) {
                if (d == u's' || d == u'S') {
                    if (inClass) {
                        if (d == u's')
                            out.append(kJsSpaceMembers);
                        else
                            out.append(u"\\S"); // inside a class only the ASCII set is available
                    } else {
                        out.append(d == u's' ? u"[" : u"[^");
                        out.append(kJsSpaceMembers);
                        out.push_back(u']');
                    }
                } else {
                    out.push_back(u'\\');
                    out.push_back(d);
                }
                i += 2;
                // In a class, "-" after a class escape is a literal.
                if (inClass && i + 1 < n && p[i] == u'-' && p[i + 1] != u']') {
                    out.append(u"\\-");
                    ++i;
                }
                continue;
            }
            switch (d) {
            case u't':
            case u'n':
            case u'r':
            case u'f':
            case u'x':
            case u'u':
                out.push_back(u'\\');
                out.push_back(d);
                i += 2;
                continue;
            case u'v':
                out.append(u"\\x0B");
                i += 2;
                continue;
            case u'b':
                out.append(u"\\b"); // a word boundary, or backspace inside a class: same in both
                i += 2;
                continue;
            case u'B':
                out.append(inClass ? u"B" : u"\\B");
                i += 2;
                continue;
            case u'c':
                if (i + 2 < n && isAsciiLetter(p[i + 2])) {
                    out.append(u"\\c");
                    out.push_back(p[i + 2]);
                    i += 3;
                } else { // "\c" not followed by a letter is a backslash and a "c"
                    out.append(u"\\\\");
                    i += 1;
                }
                continue;
            case u'k':
                if (groups.named && !inClass)
                    out.append(u"\\k");
                else
                    out.push_back(u'k');
                i += 2;
                continue;
            default:
                break;
            }
            if (isDigit(d)) {
                if (d != u'0' && !inClass) {
                    size_t j = i + 1;
                    uint64_t num = 0;
                    while (j < n && isDigit(p[j])) {
                        num = num * 10 + (p[j] - u'0');
                        if (num > 100000) num = 100000;
                        ++j;
                    }
                    if (num <= groups.count) { // a back reference
                        out.append(u"\\g{");
                        for (size_t k = i + 1; k < j; ++k)
                            out.push_back(p[k]);
                        out.push_back(u'}');
                        i = j;
                        continue;
                    }
                }
                if (d == u'8' || d == u'9') {
                    out.push_back(d);
                    i += 2;
                    continue;
                }
                // Legacy octal escape: up to three octal digits, value at most 0377.
                size_t j = i + 1;
                uint32_t v = 0;
                size_t maxDigits = d <= u'3' ? 3 : 2;
                size_t taken = 0;
                while (j < n && taken < maxDigits && p[j] >= u'0' && p[j] <= u'7') {
                    v = v * 8 + (p[j] - u'0');
                    ++j;
                    ++taken;
                }
                appendUnitEscape(out, v);
                i = j;
                continue;
            }
            if (isAsciiLetter(d)) { // identity escape of a letter: the letter itself
                out.push_back(d);
            } else {
                out.push_back(u'\\');
                out.push_back(d);
            }
            i += 2;
            continue;
        }
        if (inClass) {
            if (c == u']') {
                inClass = false;
                out.push_back(c);
            } else if (c == u'[') {
                out.append(u"\\[");
            } else if (c == u'-' && i + 2 < n && p[i + 1] == u'\\' && isClassEscape(p[i + 2])) {
                out.append(u"\\-");
            } else {
                out.push_back(c);
            }
            ++i;
            continue;
        }
        if (c == u'[') {
            inClass = true;
            out.push_back(c);
            ++i;
            if (i < n && p[i] == u'^') {
                out.push_back(u'^');
                ++i;
            }
            continue;
        }
        if (c == u'.') {
            out.append(kJsDot);
        } else {
            out.push_back(c);
        }
        ++i;
    }
    return out;
}

CWString pcreMessage(int code) {
    PCRE2_UCHAR buf[256];
    int len = pcre2_get_error_message(code, buf, 256);
    if (len < 0) return u"regular expression error";
    return CWString(reinterpret_cast<const char16_t*>(buf), size_t(len));
}

const PCRE2_SPTR kEmptySubject = reinterpret_cast<PCRE2_SPTR>(u"");

} // namespace

struct rg_TolvarZhengZeBiaoDaShiLei::Code {
    pcre2_code* code = nullptr; // owned
    uint32_t groupCount = 0;
    bool named = false;
    ~Code() { pcre2_code_free(code); }
};

struct rg_TolvarZhengZeBiaoDaShiLei::MatchBlock {
    std::shared_ptr<const Code> forCode; // the code the match data was sized for
    pcre2_match_data* data = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* jitStack = nullptr;
    ~MatchBlock() {
        pcre2_match_data_free(data);
        pcre2_match_context_free(context);
        pcre2_jit_stack_free(jitStack);
    }
};

rg_TolvarZhengZeBiaoDaShiLei::rg_TolvarZhengZeBiaoDaShiLei() = default;
rg_TolvarZhengZeBiaoDaShiLei::~rg_TolvarZhengZeBiaoDaShiLei() = default;
rg_TolvarZhengZeBiaoDaShiLei::rg_TolvarZhengZeBiaoDaShiLei(rg_TolvarZhengZeBiaoDaShiLei&&) noexcept = default;
rg_TolvarZhengZeBiaoDaShiLei&
rg_TolvarZhengZeBiaoDaShiLei::operator=(rg_TolvarZhengZeBiaoDaShiLei&&) noexcept = default;

rg_TolvarZhengZeBiaoDaShiLei::rg_TolvarZhengZeBiaoDaShiLei(const rg_TolvarZhengZeBiaoDaShiLei& other)
    : code_(other.code_), failed_(other.failed_), error_(other.error_) {}

rg_TolvarZhengZeBiaoDaShiLei&
rg_TolvarZhengZeBiaoDaShiLei::operator=(const rg_TolvarZhengZeBiaoDaShiLei& other) {
    if (this != &other) {
        code_ = other.code_;
        failed_ = other.failed_;
        error_ = other.error_;
    }
    return *this;
}

bool rg_TolvarZhengZeBiaoDaShiLei::isCompiled() const {
    return code_ != nullptr && !failed_;
}

bool rg_TolvarZhengZeBiaoDaShiLei::compilePattern(CWStringView pattern, bool ignoreCase) {
    code_.reset();
    failed_ = true;
    error_.clear();
    GroupInfo groups = countGroups(pattern);
    CWString translated = translatePattern(pattern, groups);

    uint32_t options = PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MULTILINE | PCRE2_NEVER_UTF |
                       PCRE2_NEVER_UCP | PCRE2_NEVER_BACKSLASH_C | PCRE2_MATCH_UNSET_BACKREF;
    if (ignoreCase) options |= PCRE2_CASELESS;
    pcre2_compile_context* cctx = pcre2_compile_context_create(nullptr);
    if (cctx == nullptr) {
        error_ = u"out of memory";
        return false;
    }
    pcre2_set_newline(cctx, PCRE2_NEWLINE_ANYCRLF);
    pcre2_set_bsr(cctx, PCRE2_BSR_ANYCRLF);
    pcre2_set_compile_extra_options(cctx, PCRE2_EXTRA_ALT_BSUX);
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    PCRE2_SPTR src = translated.empty() ? kEmptySubject : reinterpret_cast<PCRE2_SPTR>(translated.data());
    pcre2_code* code = pcre2_compile(src, translated.size(), options, &errorCode, &errorOffset, cctx);
    pcre2_compile_context_free(cctx);
    if (code == nullptr) {
        error_ = pcreMessage(errorCode);
        return false;
    }
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE); // without JIT support the interpreter runs it
    auto compiled = std::make_shared<Code>();
    compiled->code = code;
    uint32_t captures = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captures);
    compiled->groupCount = captures;
    compiled->named = groups.named;
    code_ = std::move(compiled);
    failed_ = false;
    return true;
}

rg_TolvarZhengZeBiaoDaShiLei::MatchBlock& rg_TolvarZhengZeBiaoDaShiLei::block() {
    if (!block_) block_ = std::make_unique<MatchBlock>();
    MatchBlock& b = *block_;
    if (b.context == nullptr) {
        b.context = pcre2_match_context_create(nullptr);
        if (b.context != nullptr) {
            pcre2_set_match_limit(b.context, kMatchLimit);
            b.jitStack = pcre2_jit_stack_create(32 * 1024, kJitStackMax, nullptr);
            if (b.jitStack != nullptr) pcre2_jit_stack_assign(b.context, nullptr, b.jitStack);
        }
    }
    if (b.forCode != code_) {
        pcre2_match_data_free(b.data);
        b.data = code_ ? pcre2_match_data_create_from_pattern(code_->code, nullptr) : nullptr;
        b.forCode = code_;
    }
    return b;
}

namespace {

enum class Step { Match, Done, Error };

// One step of the replace-all walk: the next match at or after `from`.
Step nextMatch(pcre2_code* code, pcre2_match_data* md, pcre2_match_context* mc, CWStringView text,
               size_t from, size_t& start, size_t& end) {
    if (from > text.size()) return Step::Done;
    PCRE2_SPTR s = text.empty() ? kEmptySubject : reinterpret_cast<PCRE2_SPTR>(text.data());
    int rc = pcre2_match(code, s, text.size(), from, 0, md, mc);
    if (rc == PCRE2_ERROR_NOMATCH) return Step::Done;
    if (rc < 0) return Step::Error;
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
    start = ov[0];
    end = ov[1];
    if (end < start) return Step::Error; // \K games: treat as a failed replace
    return Step::Match;
}

// ECMAScript GetSubstitution: $$ $& $` $' $n $nn $<name>.
void appendSubstitution(CWString& out, CWStringView text, CWStringView rep, pcre2_code* code,
                        pcre2_match_data* md, uint32_t groupCount, bool named) {
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
    uint32_t pairs = pcre2_get_ovector_count(md);
    auto group = [&](uint32_t g) {
        if (g >= pairs || ov[2 * g] == PCRE2_UNSET) return;
        out.append(text.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g]));
    };
    const size_t n = rep.size();
    for (size_t i = 0; i < n; ++i) {
        char16_t c = rep[i];
        if (c != u'$' || i + 1 >= n) {
            out.push_back(c);
            continue;
        }
        char16_t d = rep[i + 1];
        if (d == u'$') {
            out.push_back(u'$');
            ++i;
        } else if (d == u'&') {
            group(0);
            ++i;
        } else if (d == u'`') {
            out.append(text.substr(0, ov[0]));
            ++i;
        } else if (d == u'\'') {
            out.append(text.substr(ov[1]));
            ++i;
        } else if (isDigit(d)) {
            uint32_t one = d - u'0';
            if (i + 2 < n && isDigit(rep[i + 2])) {
                uint32_t two = one * 10 + (rep[i + 2] - u'0');
                if (two >= 1 && two <= groupCount) {
                    group(two);
                    i += 2;
                    continue;
                }
            }
            if (one >= 1 && one <= groupCount) {
                group(one);
                ++i;
            } else {
                out.push_back(c);
            }
        } else if (d == u'<' && named) {
            size_t close = rep.find(u'>', i + 2);
            if (close == CWStringView::npos) {
                out.push_back(c);
                continue;
            }
            CWString name(rep.substr(i + 2, close - i - 2));
            int number = pcre2_substring_number_from_name(code, reinterpret_cast<PCRE2_SPTR>(name.c_str()));
            if (number > 0) group(uint32_t(number));
            i = close;
        } else {
            out.push_back(c);
        }
    }
}

} // namespace

CWString rg_TolvarZhengZeBiaoDaShiLei::replaceMatches(CWStringView text, CWStringView replacement) {
    if (!isCompiled()) return {};
    MatchBlock& b = block();
    if (b.data == nullptr) return {};
    CWString out;
    out.reserve(text.size());
    size_t last = 0, from = 0, start = 0, end = 0;
    for (;;) {
        Step step = nextMatch(code_->code, b.data, b.context, text, from, start, end);
        if (step == Step::Error) return {};
        if (step == Step::Done) break;
        out.append(text.substr(last, start - last));
        appendSubstitution(out, text, replacement, code_->code, b.data, code_->groupCount, code_->named);
        last = end;
        from = end == start ? end + 1 : end; // an empty match moves on by one code unit
    }
    out.append(text.substr(last));
    return out;
}

bool rg_TolvarZhengZeBiaoDaShiLei::containsMatch(CWStringView text) {
    // Removing every match changes the text exactly when one of the matches the replace-all walk
    // visits is not empty; a failed replace gives the empty text, which differs from any other.
    if (!isCompiled()) return !text.empty();
    MatchBlock& b = block();
    if (b.data == nullptr) return !text.empty();
    size_t from = 0, start = 0, end = 0;
    for (;;) {
        Step step = nextMatch(code_->code, b.data, b.context, text, from, start, end);
        if (step == Step::Error) return !text.empty();
        if (step == Step::Done) return false;
        if (end != start) return true;
        from = end + 1;
    }
}

CWString rg_TolvarZhengZeBiaoDaShiLei::wildcardToRegex(CWStringView wildcard) {
    CWString out;
    out.reserve(wildcard.size() * 2);
    for (char16_t c : wildcard) {
        switch (c) {
        case u'\\':
        case u'^':
        case u'$':
        case u'+':
        case u'.':
        case u'{':
        case u'}':
        case u'[':
        case u']':
        case u'=':
        case u'(':
        case u')':
        case u'-':
        case u'"':
            out.push_back(u'\\');
            out.push_back(c);
            break;
        case u'*':
            out.append(u".*");
            break;
        case u'?':
            out.append(u".?");
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

} // namespace rg_Tolvar_MingLingJi
