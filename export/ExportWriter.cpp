#include "export/ExportWriter.h"

#include "export/LittleEndian.h"
#include "export/TextForms.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace hortivex {

namespace {

// The quotient in extended precision, then stored as a single-precision value: the text shows
// the precision the controller's values are carried in.
long double ThroughSingle(std::int16_t raw, long double divisor) {
    return static_cast<float>(static_cast<long double>(raw) / divisor);
}

// A key made of a stem and a suffix, built on the stack when it is short (as every key of the
// export tables is): the exports write hundreds of such keys per file.
class JoinedKey {
public:
    JoinedKey(std::string_view stem, std::string_view suffix) {
        if (stem.size() + suffix.size() <= sizeof buffer_) {
            stem.copy(buffer_, stem.size());
            suffix.copy(buffer_ + stem.size(), suffix.size());
            text_ = std::string_view(buffer_, stem.size() + suffix.size());
        } else {
            spill_.append(stem).append(suffix);
            text_ = spill_;
        }
    }
    JoinedKey(const JoinedKey&) = delete;
    JoinedKey& operator=(const JoinedKey&) = delete;
    operator std::string_view() const { return text_; }

private:
    char buffer_[96];
    std::string spill_;
    std::string_view text_;
};

// stem + "_" + the index.
JoinedKey GroupKey(std::string_view stem, int index) {
    char suffix[16] = {'_'};
    const char* end = std::to_chars(suffix + 1, suffix + sizeof suffix, index).ptr;
    return JoinedKey(stem, std::string_view(suffix, static_cast<std::size_t>(end - suffix)));
}

void CheckRun(std::span<const std::uint8_t> bytes, int firstIndex, int lastIndex) {
    if (lastIndex < firstIndex ||
        bytes.size() != static_cast<std::size_t>(lastIndex - firstIndex) + 1)
        throw std::invalid_argument("byte group length does not match its indexes");
}

} // namespace

std::string TypedValueText(std::int16_t raw, ValueKind kind) {
    switch (kind) {
    case ValueKind::Date:
        return TimeText(static_cast<std::uint16_t>(raw));
    case ValueKind::Temp:
    case ValueKind::pH:
    case ValueKind::EC_EC:
    case ValueKind::WGTMOL:
        return NumberText(ThroughSingle(raw, 100));
    case ValueKind::EC_CF:
        return NumberText(ThroughSingle(raw, 10));
    case ValueKind::EC_ppm: // nearest whole number, ties to even
        return NumberText(std::nearbyint(static_cast<long double>(raw) / 100));
    case ValueKind::RH:
    case ValueKind::CO2:
    case ValueKind::Others:
        break;
    }
    return NumberText(raw);
}

void WriteTypedValue(IniOutput& out, std::string_view section, std::string_view key,
                     std::int16_t raw, ValueKind kind) {
    const auto bits = static_cast<std::uint16_t>(raw);
    out.WriteEntry(section, JoinedKey(key, "_LOW"), NumberText(bits & 0xFF));
    out.WriteEntry(section, JoinedKey(key, "_HIGHT"), NumberText(bits >> 8));
    out.WriteEntry(section, key, TypedValueText(raw, kind));
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

void WriteFlagGroups(IniOutput& out, std::string_view section, const std::uint8_t* record,
                     std::span<const FlagGroup> groups, const ChoiceText& choice) {
    for (const FlagGroup& group : groups) {
        const std::uint8_t flags = record[group.offset];
        out.WriteEntry(section, group.key, NumberText(flags));
        for (const FlagKey& flag : group.flags) {
            if (flag.key == nullptr)
                break;
            if (flag.kind == FlagKind::Bit)
                out.WriteEntry(section, flag.key, FlagText(flags, flag.mask));
            else if (choice)
                out.WriteEntry(section, flag.key, choice(flag, flags));
            else
                throw std::invalid_argument("flag choice written without its texts");
        }
    }
}

void WriteByteFields(IniOutput& out, std::string_view section, const std::uint8_t* record,
                     std::span<const ByteField> fields) {
    for (const ByteField& field : fields)
        out.WriteEntry(section, field.key,
                       NumberText(static_cast<long double>(record[field.offset]) * field.scale /
                                  field.divisor));
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
