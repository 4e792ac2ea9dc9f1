// File object for piecewise reading: an open operating-system file handle with a 64-bit size,
// sequential reads and positioned reads.
//
// rg_WenJianDouXieGouBingLei owns one handle and closes it when destroyed. The file object holds a
// shared reference to such a holder: copies of a file object share the handle, and the handle is
// closed when close() is called on any copy (the others then see a closed file) or when the last
// copy goes away. Opening a new file releases this object's reference to the old holder first.
//
// Files are opened for reading only unless the caller asks for write access, so read-only files
// can be read. Directories are refused. Handles are not inherited by child processes.
//
// Not thread-safe: one thread at a time per file object (positioned reads on one handle from
// several threads would be safe at the system level, but the object itself takes no locks).
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/kor_mem.h"
#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi {

// Owner of one operating-system file descriptor (-1 when none).
class rg_WenJianDouXieGouBingLei {
public:
    explicit rg_WenJianDouXieGouBingLei(int fd) : fd_(fd) {}
    ~rg_WenJianDouXieGouBingLei() { close(); }
    rg_WenJianDouXieGouBingLei(const rg_WenJianDouXieGouBingLei&) = delete;
    rg_WenJianDouXieGouBingLei& operator=(const rg_WenJianDouXieGouBingLei&) = delete;

    int fd() const { return fd_; }
    void close();

private:
    int fd_ = -1; // owned
};

class rg_TolvarWenJianDouXieLei {
public:
    rg_TolvarWenJianDouXieLei() = default;

    // Opens an existing file (never creates one). `writable` asks for read and write access;
    // otherwise the file is opened for reading only. False when the name is empty, the file does
    // not exist, cannot be opened with that access, or is a directory.
    bool open(CWStringView fileName, bool writable = false);
    // Closes the shared handle (every copy of this object sees it closed). Safe when not open.
    void close();
    bool isOpen() const;
    // The descriptor for direct system calls, -1 when not open. Owned by this object.
    int handle() const;

    // Size in bytes: the current position is kept, the end is sought and the position restored.
    // -1 when not open or when the file cannot be positioned (pipes, terminals).
    int64_t fileSize() const;

    // Sequential read from the current position: up to `count` bytes, exactly the bytes read.
    // Empty when not open or `count` < 1; when the read fails the position is moved to the end
    // of the file and the result is empty.
    CKorMem readBytes(int32_t count);

    // Positioned read of up to `count` bytes at byte `offset` into `buffer`, without moving the
    // file position. Returns the number of bytes read (fewer only at the end of the file), or -1
    // when not open, on a negative offset or count, or when the read fails.
    int64_t readBytesAt(int64_t offset, void* buffer, int64_t count) const;
    // The same into a byte buffer, which receives exactly the bytes read (empty on failure).
    bool readBytesAt(int64_t offset, int64_t count, CKorMem& out) const;

private:
    std::shared_ptr<rg_WenJianDouXieGouBingLei> holder_; // shared with copies
};

} // namespace rg_Tolvar_MingLingJi
