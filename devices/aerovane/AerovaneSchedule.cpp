// The climate schedule of TAerovane: the ".ava" file, its export and the day list.
#include "devices/aerovane/Aerovane.h"

#include "export/ExportWriter.h"
#include "export/LittleEndian.h"
#include "export/TextForms.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstring>

namespace hortivex {

namespace {

// Far beyond any real schedule (a day record per day of a grow); a larger file is not one.
constexpr std::size_t kMaxScheduleDays = 1'000'000;

#define FIELD(name) #name, offsetof(TAerovaneScheduleDay, name)
// After "Day", "LightBankSP" and "RHMaxSP", in this order.
const WordField kTypedFields[] = {
    {FIELD(DayTempSP), ValueKind::Temp},
    {FIELD(LightONTODSP), ValueKind::Date},
    {FIELD(LightONDurationSP), ValueKind::Date},
    {FIELD(NightDropSP), ValueKind::Temp},
    {FIELD(VPDorRHDaySP), ValueKind::RH},
    {FIELD(VPDorRHNightSP), ValueKind::RH},
    {FIELD(CO2SP), ValueKind::CO2},
};
#undef FIELD

std::uint8_t* SetpointsOf(TAerovaneScheduleDay& day) {
    return reinterpret_cast<std::uint8_t*>(&day) + kAerovaneSetpointsOffset;
}

} // namespace

void TAerovane::ReadScheduleFile(const std::filesystem::path& path) {
    const std::string bytes = ReadRecords(path, sizeof(TAerovaneScheduleDay), kMaxScheduleDays);
    local_.Days.resize(bytes.size() / sizeof(TAerovaneScheduleDay));
    if (!bytes.empty())
        std::memcpy(local_.Days.data(), bytes.data(), bytes.size());
    local_.ScheduleLoaded = true;
}

void TAerovane::ExportSchedule(const std::filesystem::path& iniPath) {
    ExportDays(iniPath, "ClimateSchedule_",
               [](IniOutput& out, const std::string& section, const std::uint8_t* record) {
                   out.WriteEntry(section, "LightBankSP",
                                  NumberText(record[offsetof(TAerovaneScheduleDay, LightBankSP)]));
                   out.WriteEntry(section, "RHMaxSP",
                                  NumberText(record[offsetof(TAerovaneScheduleDay, RHMaxSP)]));
                   WriteWordFields(out, section, record, kTypedFields);
               });
}

void TAerovane::InitScheduleEntry(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= local_.Days.size())
        return;
    TAerovaneScheduleDay& day = local_.Days[static_cast<std::size_t>(index)];
    if (index == 0) {
        std::memcpy(SetpointsOf(day),
                    reinterpret_cast<const std::uint8_t*>(&settings_) +
                        offsetof(TAerovaneSettings, LightBankSP),
                    kAerovaneSetpointsSize);
    } else {
        std::memcpy(SetpointsOf(day), SetpointsOf(local_.Days[static_cast<std::size_t>(index - 1)]),
                    kAerovaneSetpointsSize);
    }
    day.Day = index + 1;
}

int TAerovane::GetScheduleCount() {
    return local_.ScheduleEnabled ? static_cast<int>(local_.Days.size()) : 1;
}

bool TAerovane::MoveScheduleEntry(int fromDay, int toDay) {
    auto& days = local_.Days;
    auto has = [&](int day) {
        return std::find_if(days.begin(), days.end(),
                            [day](const TAerovaneScheduleDay& d) { return d.Day == day; });
    };
    if (has(toDay) != days.end())
        return false;
    auto from = has(fromDay);
    if (from == days.end())
        return false;
    std::uint8_t setpoints[kAerovaneSetpointsSize];
    std::memcpy(setpoints, SetpointsOf(*from), sizeof setpoints);
    days.erase(from);
    AddScheduleEntry(toDay);
    std::memcpy(SetpointsOf(*has(toDay)), setpoints, sizeof setpoints);
    return true;
}

} // namespace hortivex
