#pragma once

#include "devices/Interfaced.h"
#include "options/Options.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hortivex {

class TDevice;

// The few values the program keeps for its whole run. Tests reset them between cases.
struct ProcessState {
    // The folder the chooser opens in, root of the options file and the device folders; set by
    // the driver on every batch, with its trailing separator.
    std::string workingFolder;
    // The EC unit text of the last EC-unit predicate that held: " CF  ", "mS/cm" or "ppm".
    std::string ecUnitLabel;
    // The temperature unit text ("C" for Celsius); nothing in this system sets it.
    std::string tempUnitLabel;
    // A switch of the full application that this system never sets.
    bool modeFlag = false;
    // The full application's grow rooms (at most 32 names, numbered from 1); empty here.
    std::vector<std::string> roomNames;
    // The controller name of the application's selected device, when one is selected.
    std::optional<std::string> selectedControllerName;
    // The devices registered with the application.
    std::vector<Ref<TDevice>> devices;
    // The shared application options; made by GetOptions() on first use.
    std::unique_ptr<TOptions> options;
};

ProcessState& Process();
void ResetProcessState();

} // namespace hortivex
