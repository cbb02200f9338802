#pragma once

#include <cstdint>
#include <string>

namespace hortivex {

// A date-time: days since 30 December 1899, the fraction being the time of day; 0 is no date.
using TDateTime = double;

// The date-time of the parts; a year of 99 means 1999, a year below 99 means 2000 + year,
// larger years are taken as they are. Any part out of range gives 0.
TDateTime DateTimeFromParts(int year, int month, int day, int hour, int minute, int second,
                            int millisecond);

// The day number of a calendar date (no range check; the caller has checked it).
double DateOf(int year, int month, int day);

struct CivilDate {
    int year, month, day;
};
// Whether a date-time's day lies in the years 1 to 9999 (NaN and infinities do not).
bool IsCalendarDate(TDateTime when);
// The calendar date of a date-time's day; {0, 0, 0} for one outside the years 1 to 9999.
CivilDate CivilDateOf(TDateTime when);

// Two upper-case hexadecimal digits, high nibble first.
std::string HexByte(std::uint8_t b);

} // namespace hortivex
