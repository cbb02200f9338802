#include "fuzz/ControllerReadings.h"

#include "devices/DeviceRegistry.h"
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "fuzz/FuzzSupport.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace hortivex::fuzz {

int InputReader::Index() {
    const std::uint8_t kind = Byte();
    const std::uint8_t value = Byte();
    switch (kind >> 5) {
    case 0:
        return INT_MIN + value;
    case 1:
        return INT_MAX - value;
    case 2:
        return -static_cast<int>(value);
    default:
        return value % 40; // the range that names views, entries and records
    }
}

double InputReader::Double() {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(Byte()) << (8 * i);
    return std::bit_cast<double>(bits);
}

std::string InputReader::Bytes(std::size_t count) {
    const std::size_t n = count < Left() ? count : Left();
    std::string out(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return out;
}

Ref<TControllerWithSchedule> MakeController(std::uint8_t choice) {
    // Nothing an earlier input left in the controllers' folders.
    std::error_code ec;
    std::filesystem::remove_all(Folder() / "Room", ec);
    if (choice % 2 == 0)
        return Ref<TControllerWithSchedule>(TDevice::Create<TFertivo>("Room", "Doser").get());
    return Ref<TControllerWithSchedule>(TDevice::Create<TAerovane>("Room", "Climate").get());
}

namespace {

// The alarm positions each controller may set.
bool AlarmPositionAllowed(const TControllerWithSchedule& device, std::size_t position) {
    if (dynamic_cast<const TFertivo*>(&device))
        return position <= 2;
    return position >= 3 && position <= 20;
}

void CheckAlarms(const TControllerWithSchedule& device, const TAlarmFlags& flags,
                 const char* what) {
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i] != 0 && !AlarmPositionAllowed(device, i))
            Fail(std::string(what) + " set the flag at position " + std::to_string(i));
}

void ReadAlarms(TControllerWithSchedule& device) {
    for (const bool filter : {false, true}) {
        TAlarmFlags flags{};
        device.GetAlarms(flags, filter);
        CheckAlarms(device, flags, "an alarm");
        TAlarmFlags enables{};
        device.GetAlarmEnables(enables, filter);
        CheckAlarms(device, enables, "an alarm enable");
    }
    (void)device.HasAlarms();
    (void)device.GetAlarmMark();
    (void)device.IsAnyActive();
    (void)device.StatusFlagA();
    (void)device.SettingsFlagA();
}

void ReadTraces(TControllerWithSchedule& device) {
    const int count = device.GetTraceCount(true) + device.GetTraceCount(false);
    for (int i = -1; i <= count + 2; ++i) {
        const TTraceEntry entry = device.GetTraceEntry(i);
        if ((i < 1 || i > device.GetTraceCount(false)) &&
            std::memcmp(&entry, &kNoTraceEntry, sizeof entry) != 0)
            Fail("trace " + std::to_string(i) + " outside the traces has an entry");
        (void)device.IsTraceVisible(i);
        (void)device.GetTraceColour(i);
        (void)device.GetTraceName(i, false);
        (void)device.GetTraceName(i, true);
        (void)device.GetTraceGroupName(i);
        const double value = device.GetTraceValue(i);
        if (!std::isfinite(value))
            Fail("trace " + std::to_string(i) + " has a value that is not finite");
    }
}

void ReadValues(TControllerWithSchedule& device) {
    for (const bool extended : {false, true}) {
        Registry().extendedValues = extended;
        const int count = device.GetValueCount();
        for (int i = -1; i <= count + 1; ++i) {
            const std::string name = device.GetValueName(i);
            (void)device.GetValueText(i);
            if (i >= 1 && i <= count && name.empty())
                Fail("status value " + std::to_string(i) + " has no name");
        }
    }
    Registry().extendedValues = false;
}

void ReadSchedule(TControllerWithSchedule& device) {
    // An Aerovane without its schedule in use counts one entry but holds none: asking for it
    // raises the list's index error, a clean failure.
    const int count = device.GetScheduleCount();
    for (int i = 0; i < count && i < 4; ++i) {
        try {
            (void)device.GetScheduleDay(i);
            (void)device.GetScheduleDateText(i);
        } catch (const HxError&) {
        }
    }
    (void)device.GetScheduleStartDate();
    (void)device.UsesUsDateFormat();
}

void ReadFertivo(TFertivo& device) {
    (void)device.NoticeFlag();
    (void)device.GetEcDaySetpointText();
    (void)device.GetEcNightSetpointText();
    (void)device.IsPhOutputNone();
    (void)device.IsPhOutputBoth();
    (void)device.GetCurrentScheduleIndex();
    (void)device.GetPpmFactor();
}

void ReadAerovane(TAerovane& device) {
    (void)device.GetModeText(false);
    (void)device.GetModeText(true);
    for (int page = -1; page <= 9; ++page)
        (void)device.IsPageShown(page, true);
    for (int i = -1; i <= 20; ++i)
        (void)device.IsOutputEnabled(i, true);
    (void)device.IsOptionInstalled();
    (void)device.HasUnsentChanges();
    (void)device.AlarmActive();
    (void)device.GetCurrentScheduleIndex();
}

} // namespace

void ReadEverything(TControllerWithSchedule& device) {
    ReadAlarms(device);
    ReadTraces(device);
    ReadValues(device);
    std::string warning;
    (void)device.GetWarningText(warning);
    const std::size_t usb = device.GetUsbSettingsText().size();
    if (device.GetUsbCommandData().size() < usb)
        Fail("the USB command data is shorter than its settings text");
    ReadSchedule(device);
    if (auto* fertivo = dynamic_cast<TFertivo*>(&device))
        ReadFertivo(*fertivo);
    if (auto* aerovane = dynamic_cast<TAerovane*>(&device))
        ReadAerovane(*aerovane);
}

void BuildSettingsCommands(TControllerWithSchedule& device) {
    // The header, the two-letter code, one block and the trailer byte.
    const std::size_t expected = device.GetCommandHeader().size() + 2 + kSettingsBlockSize + 1;
    const std::string first = device.BuildSettingsFirstCommand();
    if (first.size() != expected)
        Fail("the first settings command has " + std::to_string(first.size()) + " bytes");
    const std::string next = device.BuildSettingsNextCommand();
    if (!next.empty() && next.size() != expected)
        Fail("a further settings command has " + std::to_string(next.size()) + " bytes");
}

} // namespace hortivex::fuzz
