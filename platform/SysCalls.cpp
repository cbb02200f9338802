#include "platform/FaultInjection.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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

} // namespace sys
} // namespace hortivex
