#include "devices/DeviceRegistry.h"

#include "devices/Device.h"

#include <algorithm>

namespace hortivex {

DeviceRegistry& Registry() {
    static DeviceRegistry registry;
    return registry;
}

void ResetRegistry() {
    Registry() = DeviceRegistry{};
}

int FindRoomIndex(const std::string& name) {
    const auto& rooms = Registry().roomNames;
    const std::size_t count = std::min<std::size_t>(rooms.size(), 32);
    for (std::size_t i = 0; i < count; ++i)
        if (rooms[i] == name)
            return static_cast<int>(i) + 1;
    return 0;
}

int FindNameIndex(const std::string& name, const std::array<std::string, 16>& names) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return static_cast<int>(i) + 1;
    return 17;
}

} // namespace hortivex
