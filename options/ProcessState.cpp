#include "options/ProcessState.h"

namespace hortivex {

ProcessState& Process() {
    static ProcessState state;
    return state;
}

void ResetProcessState() {
    Process() = ProcessState{};
}

} // namespace hortivex
