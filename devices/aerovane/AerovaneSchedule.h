#pragma once

#include "export/Numeric.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hortivex {

#pragma pack(push, 1)
// One day of the climate schedule: the setpoints that take effect from day `Day` of the grow
// (day 1 is the schedule's start date). Bytes 4 to 19 have the layout of the settings record's
// setpoint block (offsets 41 to 56).
struct TAerovaneScheduleDay {
    std::int32_t Day;
    std::uint8_t LightBankSP;
    std::uint16_t LightONTODSP;
    std::uint16_t LightONDurationSP;
    std::int16_t DayTempSP;
    std::int16_t NightDropSP;
    std::int16_t VPDorRHDaySP;
    std::int16_t VPDorRHNightSP;
    std::uint8_t RHMaxSP;
    std::int16_t CO2SP;
};
#pragma pack(pop)

static_assert(sizeof(TAerovaneScheduleDay) == 20);
static_assert(offsetof(TAerovaneScheduleDay, LightBankSP) == 4);
static_assert(offsetof(TAerovaneScheduleDay, RHMaxSP) == 17);
static_assert(offsetof(TAerovaneScheduleDay, CO2SP) == 18);

inline constexpr std::size_t kAerovaneSetpointsOffset = 4; // in a day
inline constexpr std::size_t kAerovaneSetpointsSize = 16;

// The climate controller's schedule and page state.
struct TAerovaneLocalSettings {
    bool ScheduleEnabled = false;
    std::uint8_t Flag1 = 0;
    std::uint8_t Flag2 = 0;
    bool FeatureFlag7 = false;
    std::vector<TAerovaneScheduleDay> Days;
    TDateTime StartDate = 0;
    bool ScheduleLoaded = false;
    std::uint8_t PageFlags = 0;
    std::int32_t ScheduleMark = 0;
};

} // namespace hortivex
