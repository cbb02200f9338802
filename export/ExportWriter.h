#pragma once

#include "export/IniOutput.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace hortivex {

// What a raw 16-bit setting holds, which decides the text it is written as.
enum class ValueKind {
    Date,   // minutes since midnight, written as a time of day "hh:mm"
    Temp,   // hundredths of a degree
    RH,     // a relative humidity, written as the whole number
    CO2,    // a CO2 level, written as the whole number
    EC_CF,  // tenths of a CF unit
    pH,     // hundredths of a pH unit
    EC_EC,  // hundredths of a mS/cm
    WGTMOL, // hundredths of a molecular weight
    EC_ppm, // hundredths, written as the nearest whole number (ties to even)
    Others, // anything else, written as the whole number
};

// The text a raw 16-bit setting is written as, by its value kind.
std::string TypedValueText(std::int16_t raw, ValueKind kind);

// Writes key_LOW (low byte), key_HIGHT (high byte) and key (the value by its kind), in order.
void WriteTypedValue(IniOutput& out, std::string_view section, std::string_view key,
                     std::int16_t raw, ValueKind kind);

// Writes stem_<firstIndex + k> = bytes[k] as a number, k = 0 .. lastIndex - firstIndex.
void WriteByteGroup(IniOutput& out, std::string_view section, std::string_view stem,
                    std::span<const std::uint8_t> bytes, int firstIndex, int lastIndex);

// The same keys, each value the byte as a one-character text; a zero byte gives an empty value.
void WriteCharGroup(IniOutput& out, std::string_view section, std::string_view stem,
                    std::span<const std::uint8_t> bytes, int firstIndex, int lastIndex);

// Rows of a record's export table: a 16-bit field written by its value kind, and a run of
// bytes written as numbered keys (as characters when `chars`).
struct WordField {
    const char* key;
    std::size_t offset;
    ValueKind kind;
};
struct ArrayField {
    const char* stem;
    std::size_t offset;
    int firstIndex;
    int lastIndex;
    bool chars = false;
};

// Writes each row of the table from the raw record, in table order.
void WriteWordFields(IniOutput& out, std::string_view section, const std::uint8_t* record,
                     std::span<const WordField> fields);
void WriteArrayFields(IniOutput& out, std::string_view section, const std::uint8_t* record,
                      std::span<const ArrayField> fields);

} // namespace hortivex
