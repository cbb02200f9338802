#include "platform/FaultInjection.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace hortivex {

namespace {

struct Fault {
    FileOp op;
    int call; // the count at which it fails
    int error;
};

struct Faults {
    std::array<int, 5> counts{};
    std::vector<Fault> scheduled;
};

Faults& State() {
    static Faults faults;
    return faults;
}

// Counts the call; true when this one is to fail (errno is then set).
bool Fails(FileOp op) {
    Faults& f = State();
    const int count = ++f.counts[static_cast<std::size_t>(op)];
    for (const Fault& fault : f.scheduled) {
        if (fault.op == op && fault.call == count) {
            errno = fault.error;
            return true;
        }
    }
    return false;
}

} // namespace

void ScheduleFault(FileOp op, int nth, int error) {
    Faults& f = State();
    f.scheduled.push_back({op, f.counts[static_cast<std::size_t>(op)] + nth, error});
}

void ClearFaults() {
    State() = Faults{};
}

int FileOpCount(FileOp op) {
    return State().counts[static_cast<std::size_t>(op)];
}

namespace sys {

int Open(const char* path, int flags, mode_t mode) {
    return Fails(FileOp::Open) ? -1 : ::open(path, flags, mode);
}

ssize_t Read(int fd, void* buffer, std::size_t size) {
    return Fails(FileOp::Read) ? -1 : ::read(fd, buffer, size);
}

ssize_t Write(int fd, const void* buffer, std::size_t size) {
    return Fails(FileOp::Write) ? -1 : ::write(fd, buffer, size);
}

int Fsync(int fd) {
    return Fails(FileOp::Sync) ? -1 : ::fsync(fd);
}

int Rename(const char* from, const char* to) {
    return Fails(FileOp::Rename) ? -1 : ::rename(from, to);
}

} // namespace sys

} // namespace hortivex
