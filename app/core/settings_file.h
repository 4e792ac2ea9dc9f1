// The settings file: an ini-style text in UTF-16LE with a byte-order mark, read whole at start,
// edited in memory and written back whole (atomically) only when its content changed.
//
// Layout: FF FE, then lines separated by CR LF. "[name]" starts a section (at the text start or
// right after a CR LF); "key=value" lines follow it. Line breaks inside values are stored as
// U+001E. Booleans are "真" / "假"; integers decimal.
//
// rg_TolvarPeiZhiJiLei  — the byte buffer, section/key search, raw read and write, checksums.
// rg_TolvarPeiZhiLei    — the current section and typed values; a text value whose checksum equals
//                         the one recorded when it was last read or written is not stored again.
// One object serves the program from the UI thread; writes into the buffer take its lock.
// All searches work on whole UTF-16 code units from the text start, so a match can never start in
// the middle of a character.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi {

// Checksum of a byte sequence: h = n; h = h*5 + w for each little-endian 32-bit group, then
// h = h*5 + b for each remaining byte; modulo 2^32 with the top bit cleared. Empty gives 0.
uint32_t settingsChecksum(const uint8_t* bytes, size_t n);

class rg_TolvarPeiZhiJiLei {
public:
    rg_TolvarPeiZhiJiLei() = default;
    rg_TolvarPeiZhiJiLei(const rg_TolvarPeiZhiJiLei&) = delete;
    rg_TolvarPeiZhiJiLei& operator=(const rg_TolvarPeiZhiJiLei&) = delete;
    virtual ~rg_TolvarPeiZhiJiLei() = default;

    // Forgets the previous content and reads the whole file; a missing or unreadable file (or one
    // too large for memory) reads as empty, and empty content becomes FF FE.
    void open(CWStringView path);
    // Writes the whole content when its checksum differs from the one last loaded or saved.
    // Unchanged content writes nothing and succeeds. An empty path means the path given to open.
    bool save(CWStringView path = {});

    CWString readValue(CWStringView section, CWStringView key, CWStringView defaultValue);
    bool writeValue(CWStringView section, CWStringView key, CWStringView value);

    const std::vector<uint8_t>& content() const { return bytes_; }
    const CWString& path() const { return path_; }

    // Lets pending window messages be processed before a read (window code sets it).
    std::function<void()> processMessages;
    // Shows the "创建配置节出现意外！" message (window code sets it; tests record it).
    std::function<void(const CWString&)> showMessage;

private:
    static constexpr int64_t npos = -1;
    // Byte position of "[section]" at the text start or after CR LF; npos when missing.
    int64_t findSection(CWStringView section);
    // Byte position of the CR LF that starts the next header line after `from`, or the buffer end.
    int64_t sectionEnd(int64_t from) const;
    int64_t findUnits(const std::u16string& needle, int64_t from, int64_t to) const;
    char16_t unitAt(int64_t pos) const;
    // The buffer length up to the last whole code unit after the text start.
    int64_t evenSize() const {
        return static_cast<int64_t>(bytes_.size()) - ((int64_t(bytes_.size()) - textStart_) & 1);
    }

    CWString path_;
    std::vector<uint8_t> bytes_;
    int64_t textStart_ = 0;
    uint32_t checksum_ = 0;
    CWString cachedSection_;
    int64_t cachedHeader_ = npos;
    std::mutex lock_;
};

class rg_TolvarPeiZhiLei : public rg_TolvarPeiZhiJiLei {
public:
    CWString section; // the current section

    CWString getText(CWStringView key, CWStringView defaultValue);
    void setText(CWStringView key, CWStringView text);
    int32_t getInt(CWStringView key, int32_t defaultValue);
    void setInt(CWStringView key, int32_t value);
    bool getBool(CWStringView key, bool defaultValue);
    void setBool(CWStringView key, bool value);

private:
    uint32_t recordChecksum(CWStringView key, CWStringView text);
    std::unordered_map<CWString, uint32_t> valueChecksums_; // section + key -> checksum of the value
};

// Decimal text to int32 the usual way: leading white space, sign, digits; 0 when not a number;
// saturates at the int32 range.
int32_t settingsTextToInt(CWStringView text);

} // namespace rg_Tolvar_MingLingJi
