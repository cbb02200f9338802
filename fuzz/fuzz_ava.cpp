// An Aerovane climate schedule of any content converts to one section per day, 24 keys each, or
// fails cleanly; the loaded days can then be asked for their dates and the day in force.
#include "devices/aerovane/Aerovane.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace hortivex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto device = TDevice::Create<TAerovane>("1", "2");
    const auto text = fuzz::ConvertTwice(
        fuzz::AsText(data, size), "input.ava",
        [&](const std::filesystem::path& file) { device->ReadScheduleFile(file); },
        [&](const std::filesystem::path& ini) { device->ExportSchedule(ini); });
    if (!text)
        return 0;
    // The day list itself: the schedule count answers 1 while the schedule is switched off.
    const int count = static_cast<int>(device->LocalSettings().Days.size());
    fuzz::CheckSections(*text, "ClimateSchedule_", static_cast<std::size_t>(count), true, 24);

    const int index = device->GetCurrentScheduleIndex();
    if (index < 0 || (count > 0 && index >= count) || (count == 0 && index != 0))
        fuzz::Fail("the day in force lies outside the schedule");
    for (int i = 0; i < std::min(count, 8); ++i)
        if (device->GetScheduleDateText(i).empty())
            fuzz::Fail("a day has no date text");
    return 0;
}
