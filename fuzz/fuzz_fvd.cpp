// A Fertivo dosing schedule of any content converts to one section per entry, 15 keys each, or
// fails cleanly; the loaded entries can then be asked for their dates and the entry in force.
#include "devices/fertivo/Fertivo.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace hortivex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto device = TDevice::Create<TFertivo>("1", "2");
    const auto text = fuzz::ConvertTwice(
        fuzz::AsText(data, size), "input.fvd",
        [&](const std::filesystem::path& file) { device->ReadScheduleFile(file, false); },
        [&](const std::filesystem::path& ini) { device->ExportSchedule(ini); });
    if (!text)
        return 0;
    const int count = device->GetScheduleCount();
    fuzz::CheckSections(*text, "Schedule ", static_cast<std::size_t>(count), true, 15);

    const int index = device->GetCurrentScheduleIndex();
    if (index < 0 || (count > 0 && index >= count) || (count == 0 && index != 0))
        fuzz::Fail("the entry in force lies outside the schedule");
    for (int i = 0; i < std::min(count, 8); ++i)
        if (device->GetScheduleDateText(i).empty())
            fuzz::Fail("an entry has no date text");
    device->LocalSettings().ScheduleEnabled = true;
    const std::size_t usb = device->GetUsbSettingsText().size();
    if (usb != 7 && usb != 12)
        fuzz::Fail("the schedule upload text has the wrong length");
    return 0;
}
