// Shared helpers of the stream extraction tests: temporary files and encoding of test documents.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "text/encoding.h"
#include "json/stream_extract.h"

namespace stream_test {

namespace fs = std::filesystem;

// A folder under the system temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("quelix_stream_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::create_directories(dir_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return dir_; }
    // Writes a new file (an old one of that name is removed first: rewriting a file in place
    // makes some file systems flush it to disk on close, which is slow).
    fs::path write(const std::string& name, const std::string& bytes) const {
        fs::path p = dir_ / name;
        std::error_code ec;
        fs::remove(p, ec);
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p;
    }

private:
    fs::path dir_;
};

// A file in memory (memfd), reachable by name through /proc/self/fd: no disk traffic.
class MemFile {
public:
    explicit MemFile(const std::string& bytes) {
        fd_ = ::memfd_create("quelix_stream_test", MFD_CLOEXEC);
        size_t done = 0;
        while (fd_ >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
    }
    ~MemFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;
    fs::path path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_ = -1;
};

inline CWString u16(const std::string& utf8) {
    return rg_Tolvar_MingLingJi::utf8ToUtf16(utf8);
}
inline std::string u8(CWStringView text) {
    return rg_Tolvar_MingLingJi::utf16ToUtf8(text);
}
inline CWString fileText(const fs::path& p) {
    return rg_Tolvar_MingLingJi::pathToText(p);
}

inline const char* encodingName(int32_t enc) {
    switch (enc) {
    case 0:
        return "ANSI";
    case 1:
        return "UTF-8";
    case 2:
        return "UTF-16LE";
    case 3:
        return "UTF-16BE";
    default:
        return "?";
    }
}

// A UTF-8 text in one of the four stream encodings (UTF-16 without a byte-order mark).
inline std::string encodeAs(const std::string& utf8, int32_t enc) {
    if (enc == rg_Tolvar_JSON::kStreamUtf8) return utf8;
    const CWString text = u16(utf8);
    if (enc == rg_Tolvar_JSON::kStreamAnsi) return rg_Tolvar_MingLingJi::utf16ToAnsi(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t u : text) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        if (enc == rg_Tolvar_JSON::kStreamUtf16LE) {
            out += lo;
            out += hi;
        } else {
            out += hi;
            out += lo;
        }
    }
    return out;
}

inline std::string bomOf(int32_t enc) {
    switch (enc) {
    case rg_Tolvar_JSON::kStreamUtf8:
        return "\xEF\xBB\xBF";
    case rg_Tolvar_JSON::kStreamUtf16LE:
        return "\xFF\xFE";
    case rg_Tolvar_JSON::kStreamUtf16BE:
        return "\xFE\xFF";
    default:
        return "";
    }
}

struct Outcome {
    bool ok = false;
    rg_Tolvar_JSON::StreamStatus status = rg_Tolvar_JSON::StreamStatus::NotFound;
    std::string text; // UTF-8 of the extracted text
    std::string raw;  // raw value bytes
};

inline Outcome extractFile(const fs::path& file, int32_t enc, const std::string& pathUtf8,
                           int32_t chunkKiB = 10240,
                           int64_t maxValueBytes = rg_Tolvar_JSON::kMaxStreamValueBytes) {
    rg_Tolvar_JSON::StreamExtractor ex;
    ex.chunkSizeKiB = chunkKiB;
    // 4 KiB chunks (whole pages) take the mapped way; every other size is read, as the window reads.
    ex.mapChunks = chunkKiB == 4;
    ex.maxValueBytes = maxValueBytes;
    ex.keepValueBytes = true;
    CWString out = u"<unchanged>";
    Outcome o;
    o.ok = ex.extractFromFile(fileText(file), enc, u16(pathUtf8), out);
    o.status = ex.status();
    o.text = u8(out);
    const CKorMem& raw = ex.lastValueBytes();
    o.raw.assign(reinterpret_cast<const char*>(raw.data()), raw.size());
    return o;
}

} // namespace stream_test
