#pragma once

#include "devices/Interfaced.h"
#include "options/Options.h"

#include <array>
#include <cstdint>
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
    // The full application's table of 16 names that a new view file consults; empty here.
    std::array<std::string, 16> viewNames;
    // Whether the application asks a controller for all its status values, not only the first
    // ones; nothing in this system turns it on.
    bool extendedValues = false;
    // Flags the trace values leave for the chart: bit value 1 an EC trace, 2 a CO2 trace,
    // 4 the CO2 scale of 50 (clear: 20), 8 a light trace. Nothing in this system reads them.
    std::uint8_t chartScaleFlags = 0;
    // The shared application options; made by GetOptions() on first use.
    std::unique_ptr<TOptions> options;
};

ProcessState& Process();
void ResetProcessState();

} // namespace hortivex
