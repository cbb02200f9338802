#include "export/Numeric.h"

#include <cmath>

namespace hortivex {

namespace {

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days from 1 January of year 1 (proleptic Gregorian) to the date, counting that day as 0.
long long DaysFromCivil(int year, int month, int day) {
    const long long y = year - (month <= 2 ? 1 : 0);
    const long long era = y / 400;
    const long long yoe = y - era * 400;
    const long long mp = (month + 9) % 12;
    const long long doy = (153 * mp + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

const long long kEpoch = DaysFromCivil(1899, 12, 30);

} // namespace

double DateOf(int year, int month, int day) {
    return static_cast<double>(DaysFromCivil(year, month, day) - kEpoch);
}

TDateTime DateTimeFromParts(int year, int month, int day, int hour, int minute, int second,
                            int millisecond) {
    if (year == 99)
        year = 1999;
    else if (year < 99)
        year = 2000 + year;
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || millisecond < 0 || millisecond > 999)
        return 0;
    const double time =
        (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
    const double date = DateOf(year, month, day);
    // Days before the epoch count backwards with the time as a positive fraction.
    return date >= 0 ? date + time : date - time;
}

bool IsCalendarDate(TDateTime when) {
    static const double first = DateOf(1, 1, 1);
    static const double last = DateOf(9999, 12, 31);
    const double day = std::trunc(when); // NaN compares false
    return day >= first && day <= last;
}

CivilDate CivilDateOf(TDateTime when) {
    if (!IsCalendarDate(when))
        return {0, 0, 0};
    long long z = static_cast<long long>(std::trunc(when)) + kEpoch;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

std::string HexByte(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 0xF]};
}

} // namespace hortivex
