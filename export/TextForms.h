#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hortivex {

// Decimal text of x with 15 significant digits, general format: positional for
// 0.0001 <= |x| < 1E15, else "d.dddE-n"; trailing fraction zeros dropped. The decimal symbol is
// the user's regional one unless given.
std::string NumberText(long double x);
std::string NumberText(long double x, std::string_view decimalSymbol);

// The general number format behind NumberText, for other digit counts: x rounded to `precision`
// significant digits (1 to 17; a next digit of 5 rounds the magnitude up), positional while the
// rounded first digit's exponent lies in -4 .. precision - 1, else "d.dddE<exponent>" with at
// least minExponentDigits exponent digits ("E05", "E-05"). Trailing fraction zeros are dropped;
// 0 is "0", NaN and infinities are "NAN", "INF" and "-INF".
std::string GeneralNumberText(long double x, int precision, int minExponentDigits,
                              std::string_view decimalSymbol);

// Decimal text of a whole number, for numbered keys and sections.
std::string IndexText(long long n);

// "True" when any bit of mask is set in flags, else "False".
std::string FlagText(std::uint8_t flags, std::uint8_t mask);

// "hh:mm" of a count of minutes since midnight with the regional time separator unless given;
// 1440 minutes or more give "00:00".
std::string TimeText(std::uint16_t minutes);
std::string TimeText(std::uint16_t minutes, std::string_view timeSeparator);

} // namespace hortivex
