#include "app/core/settings_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "text/encoding.h"

namespace rg_Tolvar_MingLingJi {
namespace {

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';
constexpr char16_t kRecordSeparator = u'\x1E'; // stands for CR LF inside a stored value

std::u16string crlfToSeparator(CWStringView text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kCR && i + 1 < text.size() && text[i + 1] == kLF) {
            out.push_back(kRecordSeparator);
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::u16string separatorToCrlf(CWStringView text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c == kRecordSeparator) {
            out.push_back(kCR);
            out.push_back(kLF);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void appendUnits(std::vector<uint8_t>& bytes, CWStringView text) {
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
}

uint32_t checksumOfText(CWStringView text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    appendUnits(bytes, text);
    return settingsChecksum(bytes.data(), bytes.size());
}

} // namespace

uint32_t settingsChecksum(const uint8_t* bytes, size_t n) {
    if (n == 0) return 0;
    uint32_t h = static_cast<uint32_t>(n);
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        uint32_t w = uint32_t(bytes[i]) | uint32_t(bytes[i + 1]) << 8 | uint32_t(bytes[i + 2]) << 16 |
                     uint32_t(bytes[i + 3]) << 24;
        h = h * 5 + w;
    }
    for (; i < n; ++i)
        h = h * 5 + bytes[i];
    return h & 0x7FFFFFFFu;
}

int32_t settingsTextToInt(CWStringView text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<int32_t>(value);
}

// ---- rg_TolvarPeiZhiJiLei ----

void rg_TolvarPeiZhiJiLei::open(CWStringView path) {
    std::lock_guard<std::mutex> guard(lock_);
    path_ = path;
    bytes_.clear();
    cachedSection_.clear();
    cachedHeader_ = npos;
    try {
        CKorMem content;
        if (readFileBytes(path, content) > 0) bytes_.assign(content.data(), content.data() + content.size());
    } catch (const std::bad_alloc&) {
        // A file too large for memory (not one the program wrote) reads as an unreadable one.
        std::vector<uint8_t>().swap(bytes_);
    }
    if (bytes_.empty()) bytes_ = {0xFF, 0xFE};
    textStart_ = (bytes_.size() >= 2 && bytes_[0] == 0xFF && bytes_[1] == 0xFE) ? 2 : 0;
    checksum_ = settingsChecksum(bytes_.data(), bytes_.size());
}

bool rg_TolvarPeiZhiJiLei::save(CWStringView path) {
    std::lock_guard<std::mutex> guard(lock_);
    uint32_t sum = settingsChecksum(bytes_.data(), bytes_.size());
    if (sum == checksum_) return true;
    const CWStringView target = path.empty() ? CWStringView(path_) : path;
    if (target.empty()) return false;
    // The checksum is only remembered once the file really holds the content, so a failed write
    // is tried again by the next save instead of being taken for "unchanged".
    if (!writeFileBytes(target,
                        std::string_view(reinterpret_cast<const char*>(bytes_.data()), bytes_.size())))
        return false;
    checksum_ = sum;
    return true;
}

char16_t rg_TolvarPeiZhiJiLei::unitAt(int64_t pos) const {
    return static_cast<char16_t>(bytes_[size_t(pos)] | (bytes_[size_t(pos) + 1] << 8));
}

int64_t rg_TolvarPeiZhiJiLei::findUnits(const std::u16string& needle, int64_t from, int64_t to) const {
    const int64_t n = static_cast<int64_t>(needle.size()) * 2;
    for (int64_t pos = from; pos + n <= to; pos += 2) {
        bool match = true;
        for (size_t k = 0; k < needle.size(); ++k) {
            if (unitAt(pos + int64_t(k) * 2) != needle[k]) {
                match = false;
                break;
            }
        }
        if (match) return pos;
    }
    return npos;
}

int64_t rg_TolvarPeiZhiJiLei::findSection(CWStringView section) {
    const std::u16string header = u"[" + std::u16string(section) + u"]";
    const int64_t size = evenSize();
    auto standsAtLineStart = [&](int64_t pos) {
        return pos == textStart_ ||
               (pos - 4 >= textStart_ && unitAt(pos - 4) == kCR && unitAt(pos - 2) == kLF);
    };
    if (cachedHeader_ != npos && cachedSection_ == section &&
        cachedHeader_ + int64_t(header.size()) * 2 <= size &&
        findUnits(header, cachedHeader_, cachedHeader_ + int64_t(header.size()) * 2) == cachedHeader_ &&
        standsAtLineStart(cachedHeader_))
        return cachedHeader_;
    for (int64_t pos = textStart_;;) {
        pos = findUnits(header, pos, size);
        if (pos == npos) return npos;
        if (standsAtLineStart(pos)) {
            cachedSection_ = CWString(section);
            cachedHeader_ = pos;
            return pos;
        }
        pos += 2;
    }
}

int64_t rg_TolvarPeiZhiJiLei::sectionEnd(int64_t from) const {
    static const std::u16string nextHeader = u"\r\n[";
    const int64_t size = evenSize();
    int64_t pos = findUnits(nextHeader, from, size);
    return pos == npos ? static_cast<int64_t>(bytes_.size()) : pos;
}

CWString rg_TolvarPeiZhiJiLei::readValue(CWStringView section, CWStringView key, CWStringView defaultValue) {
    if (processMessages) processMessages();
    std::lock_guard<std::mutex> guard(lock_);
    const int64_t header = findSection(section);
    if (header == npos) return CWString(defaultValue);
    const int64_t headerEnd = header + int64_t(section.size() + 2) * 2;
    const int64_t end = sectionEnd(headerEnd);
    const std::u16string line = u"\r\n" + std::u16string(key) + u"=";
    const int64_t at = findUnits(line, headerEnd, std::min(end + int64_t(line.size()) * 2, evenSize()));
    if (at == npos || at >= end) return CWString(defaultValue);
    const int64_t valueStart = at + int64_t(line.size()) * 2;
    const int64_t size = evenSize();
    int64_t valueEnd = findUnits(u"\r\n", valueStart, size);
    if (valueEnd == npos) valueEnd = size;
    CWString value;
    value.reserve(size_t(valueEnd - valueStart) / 2);
    for (int64_t p = valueStart; p < valueEnd; p += 2)
        value.push_back(unitAt(p));
    return value;
}

bool rg_TolvarPeiZhiJiLei::writeValue(CWStringView section, CWStringView key, CWStringView value) {
    std::unique_lock<std::mutex> guard(lock_);
    // A stray odd byte at the end (a hand-edited file) would misalign everything appended after it.
    if ((bytes_.size() - size_t(textStart_)) % 2 != 0) bytes_.pop_back();
    int64_t header = findSection(section);
    for (int attempt = 0; header == npos && attempt < 6; ++attempt) {
        if (static_cast<int64_t>(bytes_.size()) > textStart_) appendUnits(bytes_, u"\r\n");
        appendUnits(bytes_, u"[");
        appendUnits(bytes_, section);
        appendUnits(bytes_, u"]");
        header = findSection(section);
    }
    if (header == npos) {
        guard.unlock();
        if (showMessage) showMessage(u"创建配置节出现意外！\r\n\r\n" + CWString(section));
        return false;
    }
    const int64_t headerEnd = header + int64_t(section.size() + 2) * 2;
    const int64_t end = sectionEnd(headerEnd);
    const std::u16string line = u"\r\n" + std::u16string(key) + u"=";
    const int64_t at = findUnits(line, headerEnd, std::min(end + int64_t(line.size()) * 2, evenSize()));
    std::vector<uint8_t> encoded;
    if (at != npos && at < end) {
        const int64_t valueStart = at + int64_t(line.size()) * 2;
        int64_t valueEnd = findUnits(u"\r\n", valueStart, evenSize());
        if (valueEnd == npos) valueEnd = static_cast<int64_t>(bytes_.size());
        appendUnits(encoded, value);
        bytes_.erase(bytes_.begin() + valueStart, bytes_.begin() + valueEnd);
        bytes_.insert(bytes_.begin() + valueStart, encoded.begin(), encoded.end());
    } else {
        appendUnits(encoded, line);
        appendUnits(encoded, value);
        bytes_.insert(bytes_.begin() + end, encoded.begin(), encoded.end());
    }
    return true;
}

// ---- rg_TolvarPeiZhiLei ----

uint32_t rg_TolvarPeiZhiLei::recordChecksum(CWStringView key, CWStringView text) {
    uint32_t sum = checksumOfText(text);
    valueChecksums_[section + CWString(key)] = sum;
    return sum;
}

CWString rg_TolvarPeiZhiLei::getText(CWStringView key, CWStringView defaultValue) {
    CWString text = separatorToCrlf(readValue(section, key, defaultValue));
    recordChecksum(key, text);
    return text;
}

void rg_TolvarPeiZhiLei::setText(CWStringView key, CWStringView text) {
    const CWString tableKey = section + CWString(key);
    const uint32_t sum = checksumOfText(text);
    auto it = valueChecksums_.find(tableKey);
    if (it != valueChecksums_.end() && it->second == sum) return;
    valueChecksums_[tableKey] = sum;
    writeValue(section, key, crlfToSeparator(text));
}

int32_t rg_TolvarPeiZhiLei::getInt(CWStringView key, int32_t defaultValue) {
    std::string digits = std::to_string(defaultValue);
    CWString def(digits.begin(), digits.end());
    return settingsTextToInt(readValue(section, key, def));
}

void rg_TolvarPeiZhiLei::setInt(CWStringView key, int32_t value) {
    std::string digits = std::to_string(value);
    writeValue(section, key, CWString(digits.begin(), digits.end()));
}

bool rg_TolvarPeiZhiLei::getBool(CWStringView key, bool defaultValue) {
    return readValue(section, key, defaultValue ? u"真" : u"假") == u"真";
}

void rg_TolvarPeiZhiLei::setBool(CWStringView key, bool value) {
    writeValue(section, key, value ? u"真" : u"假");
}

} // namespace rg_Tolvar_MingLingJi
