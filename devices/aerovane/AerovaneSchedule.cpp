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
    IniOutput out(iniPath);
    for (std::size_t i = 0; i < local_.Days.size(); ++i) {
        std::uint8_t record[sizeof(TAerovaneScheduleDay)];
        std::memcpy(record, &local_.Days[i], sizeof record);
        const std::string section = "ClimateSchedule_" + IndexText(static_cast<long long>(i));
        out.WriteWholeEntry(section, "Day", LongAt(record, offsetof(TAerovaneScheduleDay, Day)));
        out.WriteEntry(section, "LightBankSP",
                       NumberText(record[offsetof(TAerovaneScheduleDay, LightBankSP)]));
        out.WriteEntry(section, "RHMaxSP",
                       NumberText(record[offsetof(TAerovaneScheduleDay, RHMaxSP)]));
        WriteWordFields(out, section, record, kTypedFields);
    }
    out.Close();
}

const TAerovaneScheduleDay& TAerovane::DayAt(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= local_.Days.size())
        ThrowIndexError(index);
    return local_.Days[static_cast<std::size_t>(index)];
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

int TAerovane::GetScheduleDay(int index) {
    return DayAt(index).Day;
}

std::string TAerovane::GetScheduleDateText(int index) {
    return ScheduleDateText(local_.StartDate + DayAt(index).Day - 1, UsesUsDateFormat());
}

TDateTime TAerovane::GetScheduleStartDate() {
    if (local_.StartDate == 0)
        local_.StartDate = Now();
    return local_.StartDate;
}

void TAerovane::DeleteScheduleEntry(int index) {
    // Removes exactly the entry at index, whether or not the schedule is in use; an index
    // outside the list changes nothing.
    if (index < 0 || static_cast<std::size_t>(index) >= local_.Days.size())
        return;
    local_.Days.erase(local_.Days.begin() + index);
}

bool TAerovane::AddScheduleEntry(int day) {
    return InsertScheduleDay(local_.Days, day,
                             [this](int position) { InitScheduleEntry(position); });
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

int TAerovane::GetCurrentScheduleIndex() {
    return CurrentScheduleIndex(local_.Days, local_.StartDate, Now());
}

} // namespace hortivex
