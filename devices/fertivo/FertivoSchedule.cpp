// The dosing schedule of TFertivo: the ".fvd" file, its export and the day list.
#include "devices/fertivo/Fertivo.h"

#include "export/IniOutput.h"
#include "export/LittleEndian.h"
#include "export/TextForms.h"
#include "export/Units.h"
#include "options/Options.h"
#include "options/ProcessState.h"
#include "options/ValueDisplay.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace hortivex {

namespace {

// Far beyond any real schedule; a larger file is not one.
constexpr std::size_t kMaxScheduleDays = 1'000'000;
constexpr std::size_t kUploadOffset = 4;                // the entry's bytes sent to the controller
constexpr DisplayType kEcDisplayType = DisplayType::EC; // the EC reading's conversion

// The unit tag that reads back what WordValueText wrote in the EC unit in force.
const char* EcUnitTag(std::uint8_t ecUnit) {
    switch (ecUnit) {
    case 3:
        return " CF  ";
    case 4:
        return "ppm";
    default:
        return "mS/cm";
    }
}

} // namespace

void TFertivo::ReadScheduleFile(const std::filesystem::path& path, bool notify) {
    try {
        const std::string bytes = ReadRecords(path, sizeof(TFertivoScheduleDay), kMaxScheduleDays);
        local_.Days.resize(bytes.size() / sizeof(TFertivoScheduleDay));
        if (!bytes.empty())
            std::memcpy(local_.Days.data(), bytes.data(), bytes.size());
    } catch (const InOutError& current) {
        // The older layout is tried only when reading the current one failed; a file that
        // cannot be read in that layout either is reported with the first reason.
        std::string bytes;
        try {
            bytes = ReadRecords(path, sizeof(TFertivoLegacyScheduleDay), kMaxScheduleDays);
        } catch (const InOutError&) {
            throw current;
        }
        const std::size_t count = bytes.size() / sizeof(TFertivoLegacyScheduleDay);
        local_.Days.assign(count, TFertivoScheduleDay{});
        for (std::size_t i = 0; i < count; ++i)
            std::memcpy(&local_.Days[i], bytes.data() + i * sizeof(TFertivoLegacyScheduleDay),
                        offsetof(TFertivoLegacyScheduleDay, Unused11));
    }
    local_.ScheduleLoaded = true;
    if (notify)
        SettingsChanged();
}

void TFertivo::ExportSchedule(const std::filesystem::path& iniPath) {
    ExportDays(
        iniPath, "Schedule ",
        [](IniOutput& out, const std::string& section, const std::uint8_t* r) {
            out.WriteEntry(section, "PartA", NumberText(r[offsetof(TFertivoScheduleDay, PartA)]));
            out.WriteEntry(section, "PartB", NumberText(r[offsetof(TFertivoScheduleDay, PartB)]));
            out.WriteEntry(section, "PartC", NumberText(r[offsetof(TFertivoScheduleDay, PartC)]));
            for (auto [key, offset] :
                 {std::pair{"EC_Day_SP", offsetof(TFertivoScheduleDay, EC_Day_SP)},
                  std::pair{"EC_Night_SP", offsetof(TFertivoScheduleDay, EC_Night_SP)}}) {
                const std::string name = key;
                out.WriteEntry(section, name + "_LOW", NumberText(r[offset]));
                out.WriteEntry(section, name + "_HIGHT", NumberText(r[offset + 1]));
                // Divided in full precision: a stored 185 is written 1.85.
                out.WriteEntry(section, name, NumberText(WordAt(r, offset) / 100.0L));
            }
            for (int k = 0; k < 5; ++k)
                out.WriteEntry(section, "ECPerc" + IndexText(4 + k),
                               NumberText(r[offsetof(TFertivoScheduleDay, ECPerc) + k]));
        });
}

void TFertivo::InitScheduleEntry(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= local_.Days.size())
        return;
    TFertivoScheduleDay& entry = local_.Days[static_cast<std::size_t>(index)];
    if (index > 0) {
        entry = local_.Days[static_cast<std::size_t>(index - 1)];
        entry.Day = index + 1;
        return;
    }
    entry.Day = 1;
    entry.PartA = settings_.ECAPercent;
    entry.PartB = settings_.ECBPercent;
    entry.PartC = settings_.ECCPercent;
    std::memcpy(entry.ECPerc, settings_.ECPercent, sizeof entry.ECPerc);
    // Each EC setpoint goes through its display text in the EC unit in force and back, as
    // the user would have typed it; the text is read back in the unit it was written in.
    const int factor = GetPpmFactor();
    const char* tag = EcUnitTag(GetOptions().ECUnit);
    auto convert = [&](std::int16_t setpoint) {
        const std::string text =
            WordValueText(static_cast<std::uint16_t>(setpoint), kEcDisplayType, factor);
        std::uint16_t raw = static_cast<std::uint16_t>(setpoint);
        if (text != "-----")
            TextToRaw(text, tag, factor, Process().tempUnitLabel, raw);
        return static_cast<std::int16_t>(raw);
    };
    entry.EC_Day_SP = convert(settings_.EC_Day_SP);
    entry.EC_Night_SP = convert(settings_.EC_Night_SP);
}

bool TFertivo::MoveScheduleEntry(int fromDay, int toDay) {
    auto& days = local_.Days;
    auto byDay = [](int day) {
        return [day](const TFertivoScheduleDay& d) { return d.Day == day; };
    };
    if (std::any_of(days.begin(), days.end(), byDay(toDay)))
        return false;
    // The last entry of fromDay, as a file read in any order may hold it twice.
    auto from = std::find_if(days.rbegin(), days.rend(), byDay(fromDay));
    if (from == days.rend())
        return false;
    TFertivoScheduleDay kept = *from;
    DeleteScheduleEntry(static_cast<int>(days.rend() - from - 1));
    AddScheduleEntry(toDay);
    kept.Day = toDay;
    *std::find_if(days.begin(), days.end(), byDay(toDay)) = kept;
    return true;
}

std::string TFertivo::UsbSettingsTextAt(TDateTime now) {
    return CurrentDayBytes(now, kUploadOffset, HasFeature(3) ? 12 : 7);
}

} // namespace hortivex
