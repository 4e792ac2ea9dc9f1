// Whole-file reads and atomic whole-file writes, and text files on top of them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <initializer_list>
#include <string>
#include <system_error>

#include "text/encoding.h"

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

std::string nativeName(CWStringView fileName) { return utf16ToUtf8(fileName); }

// The folder part of a path ("" when it has none), with trailing slashes removed.
std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    std::string folder = path.substr(0, slash);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
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

std::filesystem::path textToPath(CWStringView fileName) { return std::filesystem::path(nativeName(fileName)); }

CWString pathToText(const std::filesystem::path& path) { return utf8ToUtf16(path.native()); }

bool createFolderChain(CWStringView folder) { return makeFolderChain(nativeName(folder)); }

int64_t readFileBytes(CWStringView fileName, CKorMem& out) {
    out.release();
    std::string name = nativeName(fileName);
    if (name.empty()) return -1;
    int fd;
    do {
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    Fd file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return -1;
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
    for (std::string_view piece : pieces) ok = ok && writeAll(fd, piece.data(), piece.size());
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

bool writeFileBytes(CWStringView fileName, std::string_view bytes) { return writeFilePieces(fileName, {bytes}); }

CWString readTextFile(CWStringView fileName, CWString& encodingName, bool* ok) {
    CKorMem units = decodeTextBytes({}, fileName, encodingName, ok);
    if (ok && fileName.empty()) *ok = false; // no file to read
    CWString text = textFromUtf16Bytes(bytesOf(units));
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

} // namespace rg_Tolvar_MingLingJi
