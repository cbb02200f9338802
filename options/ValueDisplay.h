#pragma once

#include <cstdint>
#include <string>

namespace hortivex {

// Raw controller bytes and words turned into numbers and display texts by type code, in the
// temperature and EC units of the options. Every intermediate result is a single-precision
// value, as the controllers' own arithmetic is.

float ConvertByteValue(std::uint8_t a, int type);
float ConvertWordValue(std::uint8_t lo, std::uint8_t hi, int type, double ppmFactor);
float ConvertWordValue(std::uint16_t word, int type, double ppmFactor);
float DisplayRound(int type, float v);
std::string ByteValueText(std::uint8_t a, int type, double ppmFactor);
std::string WordValueText(std::uint8_t lo, std::uint8_t hi, int type, double ppmFactor);
std::string WordValueText(std::uint16_t word, int type, double ppmFactor);

} // namespace hortivex
