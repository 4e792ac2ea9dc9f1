#include "text/file_rw.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "text/encoding.h"

namespace rg_Tolvar_MingLingJi {

void rg_WenJianDouXieGouBingLei::close() {
    if (fd_ >= 0) {
        ::close(fd_); // not retried on EINTR: the descriptor is released either way on Linux
        fd_ = -1;
    }
}

bool rg_TolvarWenJianDouXieLei::open(CWStringView fileName, bool writable) {
    holder_.reset();
    if (fileName.empty()) return false;
    const std::string path = textToPath(fileName).string();
    if (path.empty()) return false;
    // O_NONBLOCK keeps the open from waiting for a writer when the name is a FIFO; it is cleared
    // right after, so reads behave normally.
    int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    auto holder = std::make_shared<rg_WenJianDouXieGouBingLei>(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return false;
    int fl = ::fcntl(fd, F_GETFL);
    if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) return false;
    holder_ = std::move(holder);
    return true;
}

void rg_TolvarWenJianDouXieLei::close() {
    if (holder_) holder_->close();
    holder_.reset();
}

bool rg_TolvarWenJianDouXieLei::isOpen() const {
    return holder_ && holder_->fd() >= 0;
}

int rg_TolvarWenJianDouXieLei::handle() const {
    return holder_ ? holder_->fd() : -1;
}

int64_t rg_TolvarWenJianDouXieLei::fileSize() const {
    const int fd = handle();
    if (fd < 0) return -1;
    const off_t here = ::lseek(fd, 0, SEEK_CUR);
    if (here < 0) return -1;
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (::lseek(fd, here, SEEK_SET) < 0 || end < 0) return -1;
    return static_cast<int64_t>(end);
}

CKorMem rg_TolvarWenJianDouXieLei::readBytes(int32_t count) {
    CKorMem out;
    const int fd = handle();
    if (fd < 0 || count < 1) return out;
    uint8_t* dst = out.extend(static_cast<size_t>(count));
    size_t got = 0;
    while (got < static_cast<size_t>(count)) {
        ssize_t n = ::read(fd, dst + got, static_cast<size_t>(count) - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::lseek(fd, 0, SEEK_END);
            out.release();
            return out;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return out;
}

int64_t rg_TolvarWenJianDouXieLei::readBytesAt(int64_t offset, void* buffer, int64_t count) const {
    const int fd = handle();
    if (fd < 0 || offset < 0 || count < 0) return -1;
    auto* dst = static_cast<uint8_t*>(buffer);
    int64_t got = 0;
    while (got < count) {
        // Linux transfers at most about 2 GiB per call; larger requests loop.
        const size_t want =
            static_cast<size_t>(count - got < (int64_t(1) << 30) ? count - got : (int64_t(1) << 30));
        ssize_t n = ::pread(fd, dst + got, want, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += n;
    }
    return got;
}

bool rg_TolvarWenJianDouXieLei::readBytesAt(int64_t offset, int64_t count, CKorMem& out) const {
    out.clear();
    if (!isOpen() || offset < 0 || count < 0) return false;
    if (count == 0) return true;
    out.reserve(static_cast<size_t>(count));
    int64_t got = readBytesAt(offset, out.extend(static_cast<size_t>(count)), count);
    if (got < 0) {
        out.clear();
        return false;
    }
    out.resize(static_cast<size_t>(got));
    return true;
}

} // namespace rg_Tolvar_MingLingJi
