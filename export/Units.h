#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hortivex {

// Reads a typed decimal number: blanks and control characters around it are ignored; the rest is
// an optional sign, digits with at most one regional decimal symbol (at least one digit), and an
// optional exponent ("E" or "e", optional sign, digits). The value is the correctly rounded
// single-precision value of the text; values too small for a float become 0 (or a subnormal),
// values too large fail. On failure shows "<text> is not a valid number." with the text as
// received, leaves value unchanged and answers false.
bool ParseNumber(std::string_view text, float& value);

// Converts a typed text in the unit named by unitTag (exact match: "C", "F", "TEMP_ADJ",
// "RH_ADJ", "CO2_ADJ", " CF  ", "mS/cm", "pH", "WGTMOL", "ppm"; anything else is a plain number)
// to the raw word of its stored scale. ppmFactor is the ppm per mS/cm of the dosing controller,
// used by "ppm" only. "TEMP_ADJ" converts from Fahrenheit when tempUnitLabel, the temperature unit
// label in force, is "F". A bad text, an unusable ppm factor or a result the word cannot hold
// (-32768 to 32767 for the signed temperature words, -32768 to 65535 otherwise) shows the parser's
// message and answers false with raw unchanged.
bool TextToRaw(std::string_view text, std::string_view unitTag, double ppmFactor,
               std::string_view tempUnitLabel, std::uint16_t& raw);

// x rounded to a whole number, halves away from zero (2.5 gives 3, -2.5 gives -3). NaN gives 0;
// values beyond the range of long long give its nearest end.
long long RoundHalfAway(double x);

// x with 5 significant digits in the general format of NumberText, exponent form with at least
// two exponent digits once the rounded value reaches 100000 or lies below 0.0001 ("1.2346E05",
// "1.234E-05"); 0 is "0". Regional decimal symbol.
std::string ShortNumberText(double x);

// A time of day to the minute.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    bool operator==(const TimeOfDay&) const = default;
};

// The time of day of a count of minutes since midnight; a count of 24 hours or more gives
// midnight (00:00), the same rule TimeText follows.
TimeOfDay TimeFromMinutes(std::uint16_t minutes);

// Whether any bit of mask is set in flags.
bool TestBits(std::uint8_t flags, std::uint8_t mask);
// Sets (on) or clears (off) the bits of mask in flags, leaving the others.
void SetBits(std::uint8_t& flags, std::uint8_t mask, bool on);

} // namespace hortivex
