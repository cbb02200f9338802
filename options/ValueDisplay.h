#pragma once

#include <cstdint>
#include <string>

namespace hortivex {

// The display conversion of a raw controller value, named by its type code. A code without a
// name here (5, above 20) leaves the value unchanged.
enum class DisplayType : std::uint8_t {
    Plain = 0,                       // the raw value
    Temperature = 1,                 // signed hundredths of a degree, shown whole
    TemperatureDifference = 2,       // the same as a difference: no 32 added for Fahrenheit
    TemperatureTenths = 3,           // as Temperature, shown to tenths
    TemperatureDifferenceTenths = 4, // as TemperatureDifference, shown to tenths
    Signed = 6,                      // the word read signed
    Low12Bits = 7,                   // the word with the high 4 bits cleared
    HighNibbleHundredths = 8,        // hundredths, the high byte's high 4 bits as high byte
    Thousandths = 9,                 // thousandths, shown to hundredths
    PH = 10,                         // hundredths (a byte: tenths), shown to tenths
    EC = 11,                         // in the EC unit of the options
    CO2 = 12,                        // a word as it is, a byte in tens
    SignedB = 13,                    // as Signed
    MinutesSeconds = 14,             // seconds shown as "mm:ss"
    Sixtieths = 15,                  // the word divided by 60
    WholeSixties = 16,               // the whole number of sixties in the word
    RemainderOfSixty = 17,           // the word modulo 60
    ByteTenths = 18,                 // a byte in tenths
    WordTenths = 19,                 // a word in tenths
    TimesTwentyFive = 20,            // a byte in twenty-fives
};

// Raw controller bytes and words turned into numbers and display texts by display type, in the
// temperature and EC units of the options. Every intermediate result is a single-precision
// value, as the controllers' own arithmetic is.

float ConvertByteValue(std::uint8_t a, DisplayType type);
float ConvertWordValue(std::uint8_t lo, std::uint8_t hi, DisplayType type, double ppmFactor);
float ConvertWordValue(std::uint16_t word, DisplayType type, double ppmFactor);
float DisplayRound(DisplayType type, float v);
std::string ByteValueText(std::uint8_t a, DisplayType type, double ppmFactor);
std::string WordValueText(std::uint8_t lo, std::uint8_t hi, DisplayType type, double ppmFactor);
std::string WordValueText(std::uint16_t word, DisplayType type, double ppmFactor);

} // namespace hortivex
