// What the Fertivo controller reports over its link: the identity and status replies, its
// alarms, the three trace values and the status values with their names and display texts.
#include "devices/DeviceRegistry.h"
#include "devices/Texts.h"
#include "devices/fertivo/Fertivo.h"
#include "options/Options.h"
#include "options/ValueDisplay.h"

#include <array>

namespace hortivex {

namespace {

// The further-state byte that keeps the notice flag.
constexpr std::size_t kNoticeFlag = 0;

// The bits of the three alarms (EC, pH, nutrient temperature) in the status flags and in the
// alarm enables; alarm i sets flag i.
constexpr std::uint8_t kAlarmBits[] = {16, 32, 64};
constexpr std::uint8_t kAlarmEnablesValid = 32;

// The chart flag an EC trace leaves.
constexpr std::uint8_t kEcTraceFlag = 1;

// Sets flag i for each alarm bit of bits that is set; true when any is.
bool MarkAlarms(std::uint8_t bits, TAlarmFlags& flags) {
    bool any = false;
    for (std::size_t i = 0; i < std::size(kAlarmBits); ++i)
        if (bits & kAlarmBits[i]) {
            flags[i] = 1;
            any = true;
        }
    return any;
}

enum class Source : std::uint8_t { Word, Byte, Bit };

// One status value: its name and where its text comes from in the status block.
struct StatusValue {
    TextId text;      // the resource text the name begins with; TextId::Count for none
    const char* name; // what follows the resource text, or the whole name without one
    Source source;
    std::uint8_t offset; // in the status block
    std::uint8_t detail; // the display type code of a word or byte, the number of a bit
};

constexpr TextId kNoText = TextId::Count;
// The detail of a word or byte: its display type's code.
constexpr std::uint8_t Code(DisplayType type) {
    return static_cast<std::uint8_t>(type);
}
// The name "Nutrient dosing": the two resource texts, the second in lower case.
constexpr const char* kNutrientDosing = nullptr;

constexpr StatusValue kMainValues[] = {
    {TextId::FvEC, "", Source::Word, 9, Code(DisplayType::EC)},
    {TextId::FvPH, "", Source::Word, 11, Code(DisplayType::PH)},
    {TextId::FvTemp, "", Source::Word, 13, Code(DisplayType::Temperature)},
    {TextId::FvNutrient, kNutrientDosing, Source::Bit, 15, 0},
    {TextId::FvPhDosing, "", Source::Bit, 15, 1},
    {TextId::FvIrrigation, "", Source::Bit, 15, 2},
    {TextId::FvWater, "", Source::Bit, 15, 3},
    {TextId::FvEC, " SP", Source::Byte, 7, Code(DisplayType::EC)},
    {TextId::FvPH, " SP", Source::Byte, 8, Code(DisplayType::PH)},
    {TextId::FvIrrigation, " 1", Source::Bit, 18, 0},
    {TextId::FvIrrigation, " 2", Source::Bit, 19, 0},
    {TextId::FvIrrigation, " 3", Source::Bit, 20, 0},
    {TextId::FvIrrigation, " 4", Source::Bit, 21, 0},
};

// Each flag byte, then its bits from 7 down to 0.
constexpr const char* kFlagBytes[] = {"Bool0", "Bool1", "Bool2", "Bool3"};
constexpr std::uint8_t kFirstFlagByte = 15;
constexpr const char* kBitNames[] = {"7", "6", "5", "4", "3", "2", "1", "0"};

constexpr StatusValue kCountValues[] = {
    {kNoText, "Irrig_Count", Source::Byte, 29, Code(DisplayType::Plain)},
    {kNoText, "DoseCountEC", Source::Word, 23, Code(DisplayType::Plain)},
    {kNoText, "DoseCountpH", Source::Word, 25, Code(DisplayType::Plain)},
    {kNoText, "DoseCountEC_Hour", Source::Byte, 27, Code(DisplayType::Plain)},
    {kNoText, "DoseCountpH_Hour", Source::Byte, 28, Code(DisplayType::Plain)},
    {kNoText, "pH_SPx10_Calc", Source::Byte, 22, Code(DisplayType::PH)},
};

constexpr std::size_t kValueCount =
    std::size(kMainValues) + std::size(kFlagBytes) * 9 + std::size(kCountValues);
static_assert(kValueCount == 55);
// The values shown only with the extended-value switch, after the first 13.
constexpr int kExtendedValues = static_cast<int>(kValueCount - std::size(kMainValues));

// The status values in index order, index 1 first.
constexpr std::array<StatusValue, kValueCount> BuildStatusValues() {
    std::array<StatusValue, kValueCount> values{};
    std::size_t n = 0;
    for (const StatusValue& v : kMainValues)
        values[n++] = v;
    for (std::size_t i = 0; i < std::size(kFlagBytes); ++i) {
        const auto offset = static_cast<std::uint8_t>(kFirstFlagByte + i);
        values[n++] = {kNoText, kFlagBytes[i], Source::Byte, offset, Code(DisplayType::Plain)};
        for (std::size_t b = 0; b < 8; ++b)
            values[n++] = {kNoText, kBitNames[b], Source::Bit, offset,
                           static_cast<std::uint8_t>(7 - b)};
    }
    for (const StatusValue& v : kCountValues)
        values[n++] = v;
    return values;
}
constexpr std::array<StatusValue, kValueCount> kStatusValues = BuildStatusValues();

const StatusValue* StatusValueAt(int index) {
    if (index < 1 || index > static_cast<int>(kValueCount))
        return nullptr;
    return &kStatusValues[static_cast<std::size_t>(index - 1)];
}

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

void TFertivo::StoreStatusReplyA(const std::uint8_t* reply, std::size_t length) {
    if (!StoreReply(identityReply_, reply, length))
        return;
    const std::uint8_t* version = identityReply_.FirmwareVersion;
    SetFirmwareVersion(
        static_cast<int>(ConvertWordValue(version[0], version[1], DisplayType::Plain, 1)));
    local_.PpmFactor = GetPpmFactor();
    if (identityReply_.Notice != 0)
        furtherStateBytes_[kNoticeFlag] = 1;
}

void TFertivo::StoreStatusReplyB(const std::uint8_t* reply, std::size_t length) {
    if (StoreReply(identityReply_, reply, length) && identityReply_.Notice != 0)
        furtherStateBytes_[kNoticeFlag] = 1;
}

void TFertivo::StoreStatusReplyC(const std::uint8_t* reply, std::size_t length) {
    StoreReply(logRecord_.Status, reply, length);
}

bool TFertivo::NoticeFlag() const {
    return furtherStateBytes_[kNoticeFlag] != 0;
}

TDateTime TFertivo::DecodeStatusTime() {
    logRecord_.DateTime = DecodePackedTimestamp(logRecord_.Status.Timestamp);
    return logRecord_.DateTime;
}

bool TFertivo::GetAlarms(TAlarmFlags& flags, bool /*filter*/) {
    return MarkAlarms(logRecord_.Status.Bool0, flags);
}

bool TFertivo::GetAlarmEnables(TAlarmFlags& flags, bool /*filter*/) {
    if (!(identityReply_.OptionBits & kAlarmEnablesValid))
        return false;
    return MarkAlarms(identityReply_.AlarmEnables, flags);
}

bool TFertivo::IsAnyActive() {
    return IsEcAlarmEnabled() || IsPhAlarmEnabled() || IsNutrientTempAlarmEnabled();
}

std::string TFertivo::GetEcDaySetpointText() {
    return WordValueText(static_cast<std::uint16_t>(settings_.EC_Day_SP), DisplayType::EC,
                         GetPpmFactor());
}

std::string TFertivo::GetEcNightSetpointText() {
    return WordValueText(static_cast<std::uint16_t>(settings_.EC_Night_SP), DisplayType::EC,
                         GetPpmFactor());
}

double TFertivo::GetTraceValue(int index) {
    const TFertivoStatusBlock& status = logRecord_.Status;
    const auto word = [](const std::uint8_t(&w)[2], DisplayType type, double factor) {
        return static_cast<double>(ConvertWordValue(w[0], w[1], type, factor));
    };
    switch (index) {
    case 1: {
        // The raw reading divided by 10 in every EC unit; an absent reading stays negative.
        const int factor = GetPpmFactor();
        Registry().chartScaleFlags |= kEcTraceFlag;
        return word(status.ECReading, DisplayType::EC, factor) *
               GetOptions().ECDisplayFactor(factor);
    }
    case 2:
        return word(status.PhReading, DisplayType::PH, 1) * 10;
    case 3:
        return word(status.NutrientTemp, DisplayType::Temperature, 1);
    default:
        return 0;
    }
}

int TFertivo::MainValueCount() {
    return static_cast<int>(std::size(kMainValues));
}

int TFertivo::GetValueCount() {
    return valueCount_ + (Registry().extendedValues ? kExtendedValues : 0);
}

std::string TFertivo::GetValueName(int index) {
    const StatusValue* value = StatusValueAt(index);
    if (!value)
        return {};
    if (value->name == kNutrientDosing)
        return Text(value->text) + " " + AsciiLower(Text(TextId::FvDosing));
    return (value->text == kNoText ? std::string() : Text(value->text)) + value->name;
}

std::string TFertivo::GetValueText(int index) {
    const StatusValue* value = StatusValueAt(index);
    if (!value)
        return {};
    const std::uint8_t* at = RecordBytes(logRecord_.Status).data() + value->offset;
    const auto type = static_cast<DisplayType>(value->detail);
    const double factor = type == DisplayType::EC ? GetPpmFactor() : 1;
    switch (value->source) {
    case Source::Word:
        return WordValueText(at[0], at[1], type, factor);
    case Source::Byte:
        return ByteValueText(at[0], type, factor);
    case Source::Bit:
        break;
    }
    return ByteValueText(static_cast<std::uint8_t>((at[0] >> value->detail) & 1),
                         DisplayType::Plain, 1);
}

int TFertivo::GetValueKey(int index) const {
    const StatusValue* value = StatusValueAt(index);
    if (!value)
        return -1;
    const std::uint8_t* at = RecordBytes(logRecord_.Status).data() + value->offset;
    switch (value->source) {
    case Source::Word:
        return at[0] | at[1] << 8;
    case Source::Byte:
        return at[0];
    case Source::Bit:
        break;
    }
    return (at[0] >> value->detail) & 1;
}

void TFertivo::GetValueKeys(int* keys, int count) const {
    for (int i = 0; i < count; ++i)
        keys[i] = GetValueKey(i + 1);
}

void TFertivo::ShowDeviceForm() {
    if (deviceForm_ && deviceForm_->IsVisible())
        return;
    if (Now() < local_.NextReminderDate)
        return;
    TControllerWithSchedule::ShowDeviceForm();
}

} // namespace hortivex
