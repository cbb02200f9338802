#pragma once

#include "options/Options.h"

#include <memory>
#include <string>

namespace hortivex {

// The few values the program keeps for its whole run. Tests reset them between cases.
struct ProcessState {
    // The folder the chooser opens in, root of the options file and the device folders; set by
    // the driver on every batch, with its trailing separator.
    std::string workingFolder;
    // The EC unit text of the last EC-unit predicate that held: " CF  ", "mS/cm" or "ppm".
    std::string ecUnitLabel;
    // The temperature unit text ("C" for Celsius); nothing in this system sets it.
    std::string tempUnitLabel;
    // The shared application options; made by GetOptions() on first use.
    std::unique_ptr<TOptions> options;
};

ProcessState& Process();
void ResetProcessState();

} // namespace hortivex
