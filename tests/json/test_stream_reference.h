// A plain reference for stream extraction, used by the differential tests and the fuzz target:
// the whole file in memory, every byte examined by the full container-scan rules (no skipping,
// no reduced state machine for containers off the path), ranges taken from memory, first tokens
// copied when they complete. Slow and simple on purpose. Nesting uses an explicit frame stack.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "json/stream_extract.h"

namespace stream_reference {

struct Frame {
    int64_t mark = -1, quoteStart = -1;
    int quoteState = 0;
    bool doubleQuoted = false, keyPending = false, afterChild = false, skipTail = false,
         closedAtBracket = false;
    int containerType = 4;
    int64_t elementCounter = 0;
    std::string pendingKey;
    int32_t segmentIndex = 0;
    bool onPath = false;
    // The member whose nested container is being scanned: did it match, where did it open.
    bool childMatched = false;
    int64_t childOpen = -1;
};

class Reference {
public:
    Reference(const std::string& file, int32_t encoding, rg_Tolvar_JSON::CompiledStreamPath path)
        : file_(file), enc_(encoding), path_(std::move(path)) {}

    // The raw value bytes, or nothing when the path names nothing.
    std::optional<std::string> run() {
        const int64_t length = static_cast<int64_t>(file_.size());
        if (path_.size() == 0) return file_;
        if (length > 0) {
            int64_t p = -1;
            do {
                p = scanContainer(p, 0, true);
            } while (!found_ && p + 1 < length);
        }
        if (!found_) return std::nullopt;
        return result_;
    }

private:
    bool utf16() const { return enc_ == 2 || enc_ == 3; }

    std::string readRange(int64_t from, int64_t to, bool afterMark) const {
        if (enc_ == 2) {
            if (afterMark)
                ++from;
            else
                ++to;
        } else if (enc_ == 3) {
            if (afterMark)
                --to;
            else
                --from;
        }
        from = std::max<int64_t>(from, 0);
        to = std::min<int64_t>(to, static_cast<int64_t>(file_.size()) - 1);
        if (to < from) return {};
        return file_.substr(static_cast<size_t>(from), static_cast<size_t>(to - from + 1));
    }

    std::string normalized(std::string k) const {
        CKorMem m;
        m.append(k.data(), k.size());
        rg_Tolvar_JSON::normalizeStreamKeyBytes(m, enc_);
        return std::string(reinterpret_cast<const char*>(m.data()), m.size());
    }

    bool match(Frame& f, bool keyed) {
        if (!f.onPath || f.segmentIndex >= static_cast<int32_t>(path_.size())) return false;
        const size_t s = static_cast<size_t>(f.segmentIndex);
        const CKorMem& keyMem = path_.segmentKeys[s];
        const std::string key(reinterpret_cast<const char*>(keyMem.data()), keyMem.size());
        const bool isIndex = path_.isIndexSegment[s] != 0;
        if (keyed) {
            if (isIndex) return false;
            if (normalized(f.pendingKey) != key) return false;
            const bool hit = path_.seenCount[s] == path_.wantedOccurrence[s];
            ++path_.seenCount[s];
            return hit;
        }
        if (f.containerType == 2) {
            if (isIndex || !key.empty()) return false;
            const bool hit = path_.seenCount[s] == path_.wantedOccurrence[s];
            ++path_.seenCount[s];
            return hit;
        }
        const bool hit = isIndex && f.elementCounter == path_.segmentIndexValue(s);
        ++f.elementCounter;
        return hit;
    }

    bool isLast(const Frame& f) const { return f.segmentIndex == static_cast<int32_t>(path_.size()) - 1; }

    void found(std::string bytes) {
        found_ = true;
        result_ = std::move(bytes);
    }

    int64_t scanContainer(int64_t start, int32_t segmentIndex, bool onPath) {
        const int64_t length = static_cast<int64_t>(file_.size());
        std::vector<Frame> stack(1);
        stack.back().segmentIndex = segmentIndex;
        stack.back().onPath = onPath;
        int64_t pos = start + 1;
        for (;;) {
            if (pos >= length) {
                // The file ended: every open scan ends with the last position examined.
                return pos - 1;
            }
            Frame& f = stack.back();
            const uint8_t c = static_cast<uint8_t>(file_[static_cast<size_t>(pos)]);
            bool ends = false;
            if (c == '\\') {
                pos += utf16() ? 2 : 1;
            } else if (c == '{' || c == '[') {
                if (f.quoteState == 1) {
                } else if (f.mark == -1) {
                    f.mark = pos;
                    f.containerType = c == '{' ? 2 : 3;
                } else {
                    const bool keyed = f.keyPending;
                    const bool matched = match(f, keyed);
                    if (keyed) f.keyPending = false;
                    f.afterChild = true;
                    f.childMatched = matched;
                    f.childOpen = pos;
                    Frame child;
                    child.segmentIndex = f.segmentIndex + 1;
                    child.onPath = matched;
                    stack.push_back(child);
                    continue; // the child examines its own bracket first
                }
            } else if (f.mark == -1) {
                if (c == '}' || c == ']') ends = true;
            } else if (c == '"' || c == '\'') {
                if (f.quoteStart == -1) {
                    f.quoteStart = pos;
                    f.quoteState = 1;
                    f.doubleQuoted = c == '"';
                } else if ((c == '"') == f.doubleQuoted) {
                    f.quoteState = 2;
                    if (!f.keyPending) {
                        if (f.onPath) f.pendingKey = readRange(f.quoteStart, pos, false);
                        f.keyPending = true;
                    } else {
                        const bool m = match(f, true);
                        f.keyPending = false;
                        if (m && isLast(f)) {
                            found(readRange(f.quoteStart, pos, false));
                            return -1;
                        }
                    }
                }
            } else if ((c == ':' || c == ',' || c == '}' || c == ']') && f.quoteState != 1) {
                if (delimiter(f, pos, c, ends)) return -1;
            }
            if (ends) {
                stack.pop_back();
                if (stack.empty()) return pos;
                Frame& parent = stack.back();
                if (parent.childMatched && isLast(parent)) {
                    found(readRange(parent.childOpen, pos, false));
                    return -1;
                }
            }
            ++pos;
            while (pos >= length && stack.size() > 1) {
                // An unterminated child: its scan ends at the end of the file; so does the parent's,
                // after checking whether the child was the value.
                const int64_t r = pos - 1;
                stack.pop_back();
                Frame& parent = stack.back();
                if (parent.childMatched && isLast(parent)) {
                    found(readRange(parent.childOpen, r, false));
                    return -1;
                }
                pos = r + 1;
            }
        }
    }

    // Delimiter steps D1 to D5; true when the value was found.
    bool delimiter(Frame& f, int64_t pos, uint8_t c, bool& ends) {
        const bool colon = c == ':', closing = c == '}' || c == ']';
        int64_t newMark = f.mark;
        bool toD4 = false;
        if (colon) {
            newMark = f.keyPending ? pos : f.mark;
        } else if (f.afterChild) {
            newMark = f.keyPending ? f.mark : pos;
        } else if (!f.keyPending && f.quoteStart != -1) {
            newMark = pos;
        } else if (!f.keyPending && f.quoteStart == -1) {
            if (f.mark < pos - 1) {
                bool any = false;
                for (int64_t i = f.mark + 1; i <= pos - 1; ++i)
                    if (static_cast<uint8_t>(file_[static_cast<size_t>(i)]) > 0x20) any = true;
                if (any && match(f, false) && isLast(f)) {
                    found(readRange(f.mark + 1, pos - 1, true));
                    return true;
                }
            }
            newMark = pos;
            f.skipTail = true;
        } else if (f.keyPending && f.quoteStart != -1) {
            if (match(f, false) && isLast(f)) {
                found(f.pendingKey);
                return true;
            }
            f.keyPending = false;
            newMark = pos;
        } else {
            toD4 = true;
        }
        if (!toD4) {
            f.mark = newMark;
            if (f.quoteStart != -1) {
                f.quoteStart = -1;
                f.quoteState = 0;
                if (!closing) return false;
                f.closedAtBracket = true;
            }
            if (f.afterChild) {
                f.afterChild = false;
                ends = closing;
                return false;
            }
        }
        if (f.closedAtBracket) {
            f.closedAtBracket = false;
        } else if (f.skipTail) {
            f.skipTail = false;
        } else {
            const int64_t from = f.mark + 1, to = pos - 1;
            if (!f.keyPending) {
                if (f.onPath) f.pendingKey = readRange(from, to, true);
                f.keyPending = true;
            } else {
                f.keyPending = false;
                if (from <= to && match(f, true) && isLast(f)) {
                    found(readRange(from, to, true));
                    return true;
                }
            }
            f.mark = pos;
        }
        ends = closing;
        return false;
    }

    const std::string& file_;
    int32_t enc_;
    rg_Tolvar_JSON::CompiledStreamPath path_;
    bool found_ = false;
    std::string result_;
};

// Reference extraction: the raw bytes of the value, or nothing when the path names nothing.
inline std::optional<std::string> extract(const std::string& file, int32_t encoding,
                                          const rg_Tolvar_JSON::CompiledStreamPath& path) {
    return Reference(file, encoding, path).run();
}

} // namespace stream_reference
