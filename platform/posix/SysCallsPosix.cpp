#include "platform/SysCalls.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hortivex {
namespace sys {

int Open(const char* path, int flags, mode_t mode) {
    return FaultFires(FileOp::Open) ? -1 : ::open(path, flags, mode);
}

ssize_t Read(int fd, void* buffer, std::size_t size) {
    return FaultFires(FileOp::Read) ? -1 : ::read(fd, buffer, size);
}

ssize_t Write(int fd, const void* buffer, std::size_t size) {
    return FaultFires(FileOp::Write) ? -1 : ::write(fd, buffer, size);
}

int Fsync(int fd) {
    return FaultFires(FileOp::Sync) ? -1 : ::fsync(fd);
}

int Rename(const char* from, const char* to) {
    return FaultFires(FileOp::Rename) ? -1 : ::rename(from, to);
}

int Close(int fd) {
    if (FaultFires(FileOp::Close)) {
        ::close(fd); // the descriptor is gone whatever close answers
        return -1;
    }
    return ::close(fd);
}

int Unlink(const char* path) {
    return FaultFires(FileOp::Unlink) ? -1 : ::unlink(path);
}

int SyncFolder(const char* folder) {
    if (FaultFires(FileOp::FolderSync))
        return -1;
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int result = ::fsync(fd);
    ::close(fd);
    return result;
}

int Fchmod(int fd, mode_t mode) {
    return FaultFires(FileOp::Chmod) ? -1 : ::fchmod(fd, mode);
}

int Fchown(int fd, uid_t owner, gid_t group) {
    return FaultFires(FileOp::Chown) ? -1 : ::fchown(fd, owner, group);
}

} // namespace sys
} // namespace hortivex
