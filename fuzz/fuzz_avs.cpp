// An Aerovane settings file of any content converts to one "Climate" section or fails cleanly.
#include "devices/aerovane/Aerovane.h"
#include "fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>

using namespace hortivex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto device = TDevice::Create<TAerovane>("1", "2");
    const auto text = fuzz::ConvertTwice(
        fuzz::AsText(data, size), "input.avs",
        [&](const std::filesystem::path& file) { device->ReadSettingsFile(file); },
        [&](const std::filesystem::path& ini) { device->ExportSettings(ini); });
    if (text)
        fuzz::CheckSections(*text, "Climate", 1, false, 278);
    return 0;
}
