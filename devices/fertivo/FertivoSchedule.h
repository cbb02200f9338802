#pragma once

#include "export/Numeric.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hortivex {

#pragma pack(push, 1)
// One entry of the dosing schedule: the values that apply from day `Day` on (day 1 is the
// schedule's start date).
struct TFertivoScheduleDay {
    std::int32_t Day;
    std::uint8_t PartA;
    std::uint8_t PartB;
    std::uint8_t PartC;
    std::int16_t EC_Day_SP;
    std::int16_t EC_Night_SP;
    std::uint8_t ECPerc[5]; // elements 4 to 8
};

// The older 12-byte layout: the same first eleven bytes, then one byte that is not kept.
struct TFertivoLegacyScheduleDay {
    std::int32_t Day;
    std::uint8_t PartA;
    std::uint8_t PartB;
    std::uint8_t PartC;
    std::int16_t EC_Day_SP;
    std::int16_t EC_Night_SP;
    std::uint8_t Unused11;
};
#pragma pack(pop)

static_assert(sizeof(TFertivoScheduleDay) == 16);
static_assert(sizeof(TFertivoLegacyScheduleDay) == 12);
static_assert(offsetof(TFertivoScheduleDay, EC_Day_SP) == 7);
static_assert(offsetof(TFertivoScheduleDay, ECPerc) == 11);

// The dosing controller's schedule and a few application-side values.
struct TFertivoLocalSettings {
    bool ScheduleEnabled = false;
    std::vector<TFertivoScheduleDay> Days;
    TDateTime StartDate = 0;
    bool ScheduleLoaded = false;
    std::int32_t ReminderPeriod = 0;
    TDateTime NextReminderDate = 0;
    std::int32_t PpmFactor = 0;
};

} // namespace hortivex
