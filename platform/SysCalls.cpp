#include "platform/SysCalls.h"

#include <array>
#include <cerrno>
#include <vector>

namespace hortivex {

static_assert(static_cast<std::size_t>(FileOp::FolderSync) + 1 == kFileOpCount);

namespace {

struct Fault {
    FileOp op;
    int call; // the count at which it fails
    int error;
};

struct Faults {
    std::array<int, kFileOpCount> counts{};
    std::vector<Fault> scheduled;
};

Faults& State() {
    static Faults faults;
    return faults;
}

} // namespace

bool FaultFires(FileOp op) {
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

} // namespace hortivex
