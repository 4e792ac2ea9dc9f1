// rg_TolvarZhengZeBiaoDaShiLei: a compiled regular expression for the find panel.
//
// ECMAScript-style patterns (`\uXXXX`, `\xHH`, classes, groups, alternation) run on PCRE2's 16-bit
// library with JIT. Every compile sets: the caller's case flag, multi-line anchors (^ and $ also
// match at line breaks) and replace-all. A pattern that failed to compile makes replaceMatches
// return the empty text, so containsMatch is then true for any non-empty text.
//
// Copies share the compiled code (read-only) and each keep their own match-data block. One object
// must be used from one thread at a time; distinct copies may run on different threads.
#pragma once

#include <memory>

#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi {

class rg_TolvarZhengZeBiaoDaShiLei {
public:
    rg_TolvarZhengZeBiaoDaShiLei();
    rg_TolvarZhengZeBiaoDaShiLei(const rg_TolvarZhengZeBiaoDaShiLei& other);
    rg_TolvarZhengZeBiaoDaShiLei& operator=(const rg_TolvarZhengZeBiaoDaShiLei& other);
    rg_TolvarZhengZeBiaoDaShiLei(rg_TolvarZhengZeBiaoDaShiLei&&) noexcept;
    rg_TolvarZhengZeBiaoDaShiLei& operator=(rg_TolvarZhengZeBiaoDaShiLei&&) noexcept;
    ~rg_TolvarZhengZeBiaoDaShiLei();

    // Compiles `pattern`; replaces any previous pattern. False when the pattern does not compile
    // (the object is then in the failed state described above).
    bool compilePattern(CWStringView pattern, bool ignoreCase);
    // Every match of the compiled pattern replaced by `replacement` (`$1`, `$&`, `$$` as in
    // ECMAScript). Empty when nothing compiled or the replacement fails.
    CWString replaceMatches(CWStringView text, CWStringView replacement);
    // True when the pattern has a match of non-zero length in `text`, i.e. exactly when
    // replaceMatches(text, u"") differs from `text`; computed without building that text.
    bool containsMatch(CWStringView text);

    // True after a successful compilePattern.
    bool isCompiled() const;
    // The compiler's message for the last failed compilePattern, empty otherwise.
    const CWString& errorText() const { return error_; }

    // Wildcard -> regular expression: escapes \ ^ $ + . { } [ ] = ( ) - " with a backslash, then
    // "*" -> ".*" and "?" -> ".?". Not anchored; "|" and "/" stay as they are.
    static CWString wildcardToRegex(CWStringView wildcard);

private:
    struct Code;       // compiled pattern, shared between copies
    struct MatchBlock; // match data and JIT stack, one per object
    std::shared_ptr<const Code> code_;
    std::unique_ptr<MatchBlock> block_;
    bool failed_ = false; // the last compilePattern failed
    CWString error_;

    MatchBlock& block();
};

} // namespace rg_Tolvar_MingLingJi
