#pragma once

#include <string>

namespace hortivex {

// The few values the program keeps for its whole run. Tests reset them between cases.
struct ProcessState {
    // The folder the chooser opens in, root of the options file and the device folders; set by
    // the driver on every batch, with its trailing separator.
    std::string workingFolder;
    // The EC unit text of the last EC-unit predicate that held: " CF  ", "mS/cm" or "ppm".
    std::string ecUnitLabel;
};

ProcessState& Process();
void ResetProcessState();

} // namespace hortivex
