#include "options/ProcessState.h"

#include "devices/Device.h"

namespace hortivex {

ProcessState& Process() {
    static ProcessState state;
    return state;
}

void ResetProcessState() {
    Process() = ProcessState{};
}

} // namespace hortivex
