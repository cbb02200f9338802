// The counted file calls on the C runtime's descriptors; names are opened in UTF-16,
// always in binary mode and never inherited by child processes.
#include "platform/SysCalls.h"
#include "platform/win/WinText.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <string>
#include <sys/stat.h>
#include <windows.h>

namespace hortivex {
namespace {

int OpenWide(const std::wstring& path, int flags, int permission) {
    int fd = -1;
    const errno_t error =
        _wsopen_s(&fd, path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, permission);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return fd;
}

unsigned int Chunk(std::size_t size) {
    return static_cast<unsigned int>(size < INT_MAX ? size : INT_MAX);
}

} // namespace

namespace sys {

int Open(const char* path, int flags, mode_t mode) {
    if (FaultFires(FileOp::Open))
        return -1;
    // Windows knows only read-only or not; a new file without any write bit is read-only.
    const bool readOnly = (flags & _O_CREAT) && mode != 0 && (mode & 0222) == 0;
    return OpenWide(WidenAny(path), flags, readOnly ? _S_IREAD : _S_IREAD | _S_IWRITE);
}

ssize_t Read(int fd, void* buffer, std::size_t size) {
    return FaultFires(FileOp::Read) ? -1 : _read(fd, buffer, Chunk(size));
}

ssize_t Write(int fd, const void* buffer, std::size_t size) {
    return FaultFires(FileOp::Write) ? -1 : _write(fd, buffer, Chunk(size));
}

int Fsync(int fd) {
    return FaultFires(FileOp::Sync) ? -1 : _commit(fd);
}

// Replaces an existing target in one step, the move itself written through to the disk.
int Rename(const char* from, const char* to) {
    if (FaultFires(FileOp::Rename))
        return -1;
    if (MoveFileExW(WidenAny(from).c_str(), WidenAny(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    errno = ErrnoOfWin32(GetLastError());
    return -1;
}

int Close(int fd) {
    if (FaultFires(FileOp::Close)) {
        _close(fd); // the descriptor is gone whatever close answers
        return -1;
    }
    return _close(fd);
}

int Unlink(const char* path) {
    if (FaultFires(FileOp::Unlink))
        return -1;
    if (DeleteFileW(WidenAny(path).c_str()))
        return 0;
    errno = ErrnoOfWin32(GetLastError());
    return -1;
}

} // namespace sys
} // namespace hortivex
