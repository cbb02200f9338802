#include "export/ExportWriter.h"

#include "export/RecordBytes.h"
#include "export/TextForms.h"

#include <cmath>
#include <stdexcept>

namespace hortivex {

namespace {

// The quotient in extended precision, then stored as a single-precision value: the text shows
// the precision the controller's values are carried in.
long double ThroughSingle(std::int16_t raw, long double divisor) {
    return static_cast<float>(static_cast<long double>(raw) / divisor);
}

std::string GroupKey(std::string_view stem, int index) {
    std::string key(stem);
    key += '_';
    key += IndexText(index);
    return key;
}

void CheckRun(std::span<const std::uint8_t> bytes, int firstIndex, int lastIndex) {
    if (lastIndex < firstIndex ||
        bytes.size() != static_cast<std::size_t>(lastIndex - firstIndex) + 1)
        throw std::invalid_argument("byte group length does not match its indexes");
}

} // namespace

std::string TypedValueText(std::int16_t raw, std::string_view kind) {
    if (kind == "DATE")
        return TimeText(static_cast<std::uint16_t>(raw));
    if (kind == "TEMP")
        return NumberText(ThroughSingle(raw, 100));
    if (kind == "RH" || kind == "CO2")
        return NumberText(raw);
    if (kind == "EC_CF")
        return NumberText(ThroughSingle(raw, 10));
    if (kind == "pH" || kind == "EC_EC" || kind == "WGTMOL")
        return NumberText(ThroughSingle(raw, 100));
    if (kind == "EC_ppm") // nearest whole number, ties to even
        return NumberText(std::nearbyint(static_cast<long double>(raw) / 100));
    return NumberText(raw);
}

void WriteTypedValue(IniOutput& out, std::string_view section, std::string_view key,
                     std::int16_t raw, std::string_view kind) {
    const auto bits = static_cast<std::uint16_t>(raw);
    std::string name(key);
    out.WriteEntry(section, name + "_LOW", NumberText(bits & 0xFF));
    out.WriteEntry(section, name + "_HIGHT", NumberText(bits >> 8));
    out.WriteEntry(section, name, TypedValueText(raw, kind));
}

void WriteByteGroup(IniOutput& out, std::string_view section, std::string_view stem,
                    std::span<const std::uint8_t> bytes, int firstIndex, int lastIndex) {
    CheckRun(bytes, firstIndex, lastIndex);
    for (std::size_t k = 0; k < bytes.size(); ++k)
        out.WriteEntry(section, GroupKey(stem, firstIndex + static_cast<int>(k)),
                       NumberText(bytes[k]));
}

void WriteCharGroup(IniOutput& out, std::string_view section, std::string_view stem,
                    std::span<const std::uint8_t> bytes, int firstIndex, int lastIndex) {
    CheckRun(bytes, firstIndex, lastIndex);
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        // A zero byte ends the text at once; CR and LF would break the line, so they too
        // give an empty value.
        const char c = static_cast<char>(bytes[k]);
        const bool empty = c == '\0' || c == '\r' || c == '\n';
        out.WriteEntry(section, GroupKey(stem, firstIndex + static_cast<int>(k)),
                       empty ? std::string_view() : std::string_view(&c, 1));
    }
}

void WriteWordFields(IniOutput& out, std::string_view section, const std::uint8_t* record,
                     std::span<const WordField> fields) {
    for (const WordField& field : fields)
        WriteTypedValue(out, section, field.key, WordAt(record, field.offset), field.kind);
}

void WriteArrayFields(IniOutput& out, std::string_view section, const std::uint8_t* record,
                      std::span<const ArrayField> fields) {
    for (const ArrayField& field : fields) {
        std::span<const std::uint8_t> run(
            record + field.offset,
            static_cast<std::size_t>(field.lastIndex - field.firstIndex + 1));
        if (field.chars)
            WriteCharGroup(out, section, field.stem, run, field.firstIndex, field.lastIndex);
        else
            WriteByteGroup(out, section, field.stem, run, field.firstIndex, field.lastIndex);
    }
}

} // namespace hortivex
