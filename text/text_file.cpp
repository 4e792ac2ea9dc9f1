// Whole-file reads and atomic whole-file writes, and text files on top of them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <string>
#include <system_error>

#include "text/encoding.h"
#include "text/encoding_detail.h"
#include "text/text_file.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rg_Tolvar_MingLingJi {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded (a late write error shows up here).
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n > (size_t(1) << 30) ? (size_t(1) << 30) : n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (w == 0) return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

std::string nativeName(CWStringView fileName) {
    return utf16ToUtf8(fileName);
}

// The folder part of a path ("" when it has none), with trailing slashes removed.
std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    std::string folder = path.substr(0, slash);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder.empty() ? std::string("/") : folder;
}

bool makeFolderChain(const std::string& folder) {
    if (folder.empty()) return true;
    std::error_code ec;
    std::filesystem::path p(folder);
    std::filesystem::create_directories(p, ec);
    return std::filesystem::is_directory(p, ec);
}

} // namespace

std::filesystem::path textToPath(CWStringView fileName) {
    return std::filesystem::path(nativeName(fileName));
}

CWString pathToText(const std::filesystem::path& path) {
    return utf8ToUtf16(path.native());
}

bool createFolderChain(CWStringView folder) {
    return makeFolderChain(nativeName(folder));
}

int64_t readFileBytes(CWStringView fileName, CKorMem& out) {
    out.release();
    std::string name = nativeName(fileName);
    if (name.empty()) return -1;
    int fd;
    // O_NONBLOCK keeps the open from waiting for a writer when the name is a FIFO; it is cleared
    // right after, so reads behave normally.
    do {
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    Fd file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return -1;
    if (S_ISREG(st.st_mode)) {
        if (st.st_size > kMaxWholeFileBytes) return -1; // too big to hold whole
        out.reserve(size_t(st.st_size) + 1);
    }
    for (;;) {
        if (out.capacity() - out.size() < 4096) out.reserve(out.capacity() + out.capacity() / 2 + 65536);
        size_t room = out.capacity() - out.size();
        uint8_t* dst = out.extend(room);
        ssize_t r = ::read(fd, dst, room);
        if (r < 0) {
            out.resize(out.size() - room);
            if (errno == EINTR) continue;
            out.release();
            return -1;
        }
        out.resize(out.size() - room + size_t(r));
        if (r == 0) break;
        if (int64_t(out.size()) > kMaxWholeFileBytes) { // grew while being read
            out.release();
            return -1;
        }
    }
    return int64_t(out.size());
}

namespace {

// Writes the pieces one after another into a temporary file beside the target, then renames it
// over the target (see writeFileBytes).
bool writeFilePieces(CWStringView fileName, std::initializer_list<std::string_view> pieces) {
    std::string name = nativeName(fileName);
    if (name.empty() || name.back() == '/') return false;
    // Replace what a symbolic link points at, not the link.
    std::error_code ec;
    if (std::filesystem::is_symlink(name, ec)) {
        std::filesystem::path target = std::filesystem::weakly_canonical(name, ec);
        if (!ec) name = target.native();
    }
    if (!makeFolderChain(folderOf(name))) return false;

    struct stat old {};
    bool hadOld = ::stat(name.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode)) return false;

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = name + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter.fetch_add(1));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR) return false;
    }
    if (fd < 0) return false;
    Fd file(fd);
    bool ok = true;
    for (std::string_view piece : pieces)
        ok = ok && writeAll(fd, piece.data(), piece.size());
    if (ok && hadOld) (void)::fchmod(fd, old.st_mode & 07777); // keep the old file's permissions
    ok = ok && ::fsync(fd) == 0;
    ok = file.close() && ok;
    ok = ok && ::rename(temp.c_str(), name.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    std::string folder = folderOf(name);
    int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

} // namespace

bool writeFileBytes(CWStringView fileName, std::string_view bytes) {
    return writeFilePieces(fileName, {bytes});
}

CWString readTextFile(CWStringView fileName, CWString& encodingName, bool* ok) {
    // The file's bytes and the text, no third copy (see decodeTextFileBytes).
    CWString text;
    bool readOk = false;
    bool converted = false;
    {
        CKorMem bytes;
        readOk = readFileBytes(fileName, bytes) >= 0; // a failed read gives no bytes
        converted = decodeTextFileBytes(bytesOf(bytes), encodingName, text);
    }
    if (ok) *ok = readOk && converted;
    size_t z = text.find(u'\0');
    if (z != CWString::npos) text.resize(z);
    return text;
}

bool writeTextFile(CWStringView text, CWStringView fileName, CWStringView encodingName) {
    size_t z = text.find(u'\0');
    if (z != CWStringView::npos) text = text.substr(0, z);
    if (encodingName == u"UTF-16" && std::endian::native == std::endian::little) {
        // The text's own units are the file's bytes: no copy of a possibly huge text.
        const std::string_view body(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        return writeFilePieces(fileName, {byteOrderMark(encodingName), body});
    }
    CWString from = u"UTF-16";
    CWString to(encodingName);
    CKorMem units = utf16BytesFromText(text);
    bool ok = true;
    CKorMem converted = convertCharset(bytesOf(units), from, to, 0, &ok);
    if (!ok) return false;
    std::string_view mark = byteOrderMark(to);
    if (mark.empty()) return writeFileBytes(fileName, bytesOf(converted));
    CKorMem all;
    all.reserve(mark.size() + converted.size());
    all.append(mark.data(), mark.size());
    all.append(converted.data(), converted.size());
    return writeFileBytes(fileName, bytesOf(all));
}

bool writeUtf16TextFile(CWStringView text, CWStringView fileName) {
    static_assert(std::endian::native == std::endian::little, "the text's units are the file's bytes");
    const std::string_view body(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    return writeFilePieces(fileName, {byteOrderMark(u"UTF-16"), body});
}

// ---- decoding straight into the text ------------------------------------------------------------

namespace {

enum class Kind { Ansi, Utf8, Utf16Le, Utf16Be, Other };

// As convertCharset tells the native names apart (the system ANSI name first).
Kind kindOf(const CWString& name) {
    if (name == systemAnsiName()) return Kind::Ansi;
    if (name == u"UTF-8") return Kind::Utf8;
    if (name == u"UTF-16" || name == u"UTF-16LE") return Kind::Utf16Le;
    if (name == u"UTF-16BE") return Kind::Utf16Be;
    return Kind::Other;
}

// The number of UTF-16 units detail::decodeUtf8 gives for these bytes: the same forms and the
// same places where decoding stops (a zero byte, a stray continuation, FE/FF, a form cut short
// or cut off by the end). Counting first lets the text be allocated once at its exact length.
size_t utf8UnitCount(const uint8_t* s, size_t n) {
    size_t units = 0;
    size_t i = 0;
    while (i < n) {
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        while (i + 16 <= n) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            if ((_mm_movemask_epi8(v) | _mm_movemask_epi8(_mm_cmpeq_epi8(v, zero))) != 0) break;
            units += 16;
            i += 16;
        }
        if (i >= n) break;
#endif
        const uint8_t b = s[i];
        if (b < 0x80) {
            if (b == 0) return units;
            ++units;
            ++i;
            continue;
        }
        size_t len;
        uint32_t v;
        if (b < 0xC0) return units; // stray continuation byte
        if (b < 0xE0) {
            len = 2;
            v = b & 0x1Fu;
        } else if (b < 0xF0) {
            len = 3;
            v = b & 0x0Fu;
        } else if (b < 0xF8) {
            len = 4;
            v = b & 0x07u;
        } else if (b < 0xFC) {
            len = 5;
            v = b & 0x03u;
        } else if (b < 0xFE) {
            len = 6;
            v = b & 0x01u;
        } else {
            return units; // FE, FF
        }
        if (len > n - i) return units; // cut off by the end
        for (size_t k = 1; k < len; ++k) {
            const uint8_t c = s[i + k];
            if ((c & 0xC0u) != 0x80u) return units; // cut short
            v = (v << 6) | (c & 0x3Fu);
        }
        units += len <= 3 || v <= 0xFFFF ? 1 : 2;
        i += len;
    }
    return units;
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// Whether encoding `text` piece by piece (`encode` appends one piece's bytes to its buffer) gives
// exactly `original`. Pieces never split a surrogate pair; only one piece's bytes exist at a time.
template <class Encode> bool encodesBackTo(CWStringView text, std::string_view original, Encode encode) {
    constexpr size_t kPiece = 64 * 1024;
    std::string piece;
    size_t at = 0;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = std::min(pos + kPiece, text.size());
        if (end < text.size() && isHighSurrogate(text[end - 1])) ++end;
        piece.clear();
        encode(text.substr(pos, end - pos), piece);
        if (piece.size() > original.size() - at || original.compare(at, piece.size(), piece) != 0)
            return false;
        at += piece.size();
        pos = end;
    }
    return at == original.size();
}

} // namespace

bool decodeTextFileBytes(std::string_view bytes, CWString& encodingName, CWString& text, bool* exact) {
    text.clear();
    if (exact) *exact = false;
    const size_t mark = detail::takeByteOrderMark(bytes, encodingName);
    if (encodingName == u"ANSI") encodingName = systemAnsiName();
    const std::string_view src = mark >= bytes.size() ? std::string_view() : bytes.substr(mark);
    const uint8_t* p = reinterpret_cast<const uint8_t*>(src.data());
    const size_t n = src.size();

    switch (kindOf(encodingName)) {
    case Kind::Utf16Le:
        text.resize(n / 2); // an odd last byte is ignored
        if (!text.empty()) std::memcpy(text.data(), p, text.size() * 2);
        if (exact) *exact = n % 2 == 0;
        return true;
    case Kind::Utf16Be:
        text.resize(n / 2);
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = char16_t(p[2 * i] << 8 | p[2 * i + 1]);
        if (exact) *exact = n % 2 == 0;
        return true;
    case Kind::Utf8: {
        text.resize(utf8UnitCount(p, n));
        if (!text.empty()) text.resize(detail::decodeUtf8(p, n, text.data()));
        if (exact)
            *exact = encodesBackTo(text, src, [](CWStringView piece, std::string& out) {
                out.resize(piece.size() * 3);
                out.resize(detail::encodeUtf8(piece.data(), piece.size(), out.data()));
            });
        return true;
    }
    case Kind::Ansi:
        text = ansiToUtf16(src);
        if (exact)
            *exact = encodesBackTo(text, src,
                                   [](CWStringView piece, std::string& out) { out = utf16ToAnsi(piece); });
        return true;
    case Kind::Other:
        break;
    }
    // Charsets outside the native set (never the result of detection): through ICU, whole.
    detail::CharsetTarget cs;
    if (!detail::resolveCharset(encodingName, cs) || !detail::icuToUtf16(cs, src, text)) {
        text.clear();
        return false;
    }
    if (exact) {
        std::string back;
        *exact = detail::icuFromUtf16(cs, text, back) && back == src;
    }
    return true;
}

} // namespace rg_Tolvar_MingLingJi
