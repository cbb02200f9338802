// A Fertivo settings file of any content converts to one "Settings" section or fails cleanly.
#include "devices/fertivo/Fertivo.h"
#include "fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>

using namespace hortivex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto device = TDevice::Create<TFertivo>("1", "2");
    const auto text = fuzz::ConvertTwice(
        fuzz::AsText(data, size), "input.fvs",
        [&](const std::filesystem::path& file) { device->ReadSettingsFile(file); },
        [&](const std::filesystem::path& ini) { device->ExportSettings(ini); });
    if (text)
        fuzz::CheckSections(*text, "Settings", 1, false, 205);
    return 0;
}
