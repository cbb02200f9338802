#pragma once

#include "devices/Interfaced.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hortivex {

class TDevice;

// The application's devices and the values they share for the whole run. Tests reset them
// between cases.
struct DeviceRegistry {
    // The devices registered with the application.
    std::vector<Ref<TDevice>> devices;
    // The full application's grow rooms (at most 32 names, numbered from 1); empty here.
    std::vector<std::string> roomNames;
    // The full application's table of 16 names that a new view file consults; empty here.
    std::array<std::string, 16> viewNames;
    // The controller name of the application's selected device, when one is selected.
    std::optional<std::string> selectedControllerName;
    // A switch of the full application that this system never sets.
    bool modeFlag = false;
    // Whether the application asks a controller for all its status values, not only the first
    // ones; nothing in this system turns it on.
    bool extendedValues = false;
    // Flags the trace values leave for the chart: bit value 1 an EC trace, 2 a CO2 trace,
    // 4 the CO2 scale of 50 (clear: 20), 8 a light trace. Nothing in this system reads them.
    std::uint8_t chartScaleFlags = 0;
};

DeviceRegistry& Registry();
void ResetRegistry();

// The number (1 to 32) of the first of the registry's grow rooms whose name equals name
// exactly, or 0 when none does.
int FindRoomIndex(const std::string& name);

// The number (1 to 16) of the first entry of names equal to name exactly, or 17 when none is.
int FindNameIndex(const std::string& name, const std::array<std::string, 16>& names);

} // namespace hortivex
