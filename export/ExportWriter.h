#pragma once

#include "export/IniOutput.h"

#include <array>
#include <cstdint>
#include <functional>
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

// A key of a flag group: one bit, written as FlagText of the group's byte and the mask, or a
// choice that several bits (the mask) make together, whose text the caller names.
enum class FlagKind { Bit, Choice };
struct FlagKey {
    const char* key = nullptr;
    std::uint8_t mask = 0;
    FlagKind kind = FlagKind::Bit;
};
// A flag byte: the whole byte as a number under the group key, then its keys in order (up to
// eight; the list ends at the first row without a key). Bits without a key of their own show
// only in the group's number.
struct FlagGroup {
    const char* key;
    std::size_t offset;
    std::array<FlagKey, 8> flags;
};
// A one-byte number, written as byte * scale / divisor (a limit stored in steps of 25 has scale
// 25, one stored in tenths has divisor 10).
struct ByteField {
    const char* key;
    std::size_t offset;
    int scale = 1;
    int divisor = 1;
};

// The text of a choice key, from its row and the group's byte.
using ChoiceText = std::function<std::string(const FlagKey& flag, std::uint8_t flags)>;

// Writes each row of the table from the raw record, in table order. A choice key in a table
// written without `choice` is refused (std::invalid_argument).
void WriteFlagGroups(IniOutput& out, std::string_view section, const std::uint8_t* record,
                     std::span<const FlagGroup> groups, const ChoiceText& choice = {});
void WriteByteFields(IniOutput& out, std::string_view section, const std::uint8_t* record,
                     std::span<const ByteField> fields);
void WriteWordFields(IniOutput& out, std::string_view section, const std::uint8_t* record,
                     std::span<const WordField> fields);
void WriteArrayFields(IniOutput& out, std::string_view section, const std::uint8_t* record,
                      std::span<const ArrayField> fields);

} // namespace hortivex
