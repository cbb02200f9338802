// TAerovane's live data: the controller's replies and the change flags, alarms and the
// alarm-active flag, trace values and group names, status values and operating modes.
#include "devices/aerovane/Aerovane.h"

#include "devices/DeviceRegistry.h"
#include "devices/Texts.h"
#include "export/Units.h"
#include "options/ValueDisplay.h"
#include "platform/Regional.h"
#include "platform/Services.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace hortivex {

namespace {

struct AlarmRow {
    std::size_t position; // in the alarm-flag array
    std::size_t byte;
    std::uint8_t mask;
    int page; // the page that shows the alarm
};

constexpr AlarmRow kAlarmRows[] = {
    {3, 40, 4, 0},   {4, 40, 8, 2},   {5, 40, 16, 3},  {6, 40, 32, 4},   {7, 40, 2, 6},
    {8, 40, 1, 5},   {9, 43, 1, 7},   {10, 43, 2, 7},  {11, 43, 4, 7},   {12, 43, 8, 7},
    {13, 43, 16, 7}, {14, 43, 32, 7}, {15, 43, 64, 7}, {16, 43, 128, 7}, {17, 44, 1, 7},
    {18, 44, 2, 7},  {19, 44, 4, 7},  {20, 44, 8, 7},
};
// The alarm that raises the alarm-active flag, and the one GetAlarms reports on every page.
constexpr std::size_t kAlarmActivePosition = 8;
constexpr std::size_t kEveryPagePosition = 15;
// Byte +42: bit value 4 says the alarm bits are valid, 128 selects the CO2 scale of 50.
constexpr std::size_t kOptionByte = 42;
constexpr std::uint8_t kAlarmsValid = 4;
constexpr std::uint8_t kCO2Scale50 = 128;

constexpr double kMillisecondsPerDay = 86'400'000.0;
constexpr long long kAlarmDebounceMs = 5LL * 60 * 1000;

// The chart-scale flags (process-wide).
constexpr std::uint8_t kChartCO2 = 2, kChartCO2Scale50 = 4, kChartLight = 8;

// CO2 words are divided by the CO2 scale (20, or 50 with bit value 128 of byte +42) instead of
// the divisor; CO2 and light traces also leave their flags for the chart.
enum class Reading { Word, Byte, CO2, Light };
struct TraceSource {
    std::size_t offset;
    Reading reading;
    DisplayType type; // display conversion of a word
    double divisor;
};
// Traces 1 to 19.
constexpr TraceSource kTraceSources[] = {
    {11, Reading::Word, DisplayType::TemperatureTenths, 1},
    {7, Reading::Word, DisplayType::TemperatureTenths, 1},
    {9, Reading::Word, DisplayType::TemperatureTenths, 1},
    {15, Reading::Byte, DisplayType::Plain, 1},
    {13, Reading::Byte, DisplayType::Plain, 1},
    {14, Reading::Byte, DisplayType::Plain, 1},
    {20, Reading::Word, DisplayType::Thousandths, 1},
    {26, Reading::CO2, DisplayType::CO2, 1},
    {22, Reading::CO2, DisplayType::CO2, 1},
    {24, Reading::CO2, DisplayType::CO2, 1},
    {32, Reading::Light, DisplayType::Low12Bits, 10},
    {28, Reading::Light, DisplayType::Low12Bits, 10},
    {34, Reading::Word, DisplayType::TemperatureTenths, 1},
    {36, Reading::Word, DisplayType::HighNibbleHundredths, 10},
    {38, Reading::Word, DisplayType::Plain, 10},
    {47, Reading::Word, DisplayType::TemperatureTenths, 1},
    {52, Reading::Word, DisplayType::TemperatureTenths, 1},
    {49, Reading::Byte, DisplayType::Plain, 1},
    {50, Reading::CO2, DisplayType::CO2, 1},
};
constexpr int kAlarmTrace = 20;
static_assert(std::size(kTraceSources) == kAlarmTrace - 1);
constexpr double kTraceOff = -9999;

// Traces 21 to 28: a function shown as its own level while one of its bits is set.
struct FunctionTrace {
    std::size_t byte;
    std::uint8_t mask;
    double level;
};
constexpr FunctionTrace kFunctionTraces[] = {
    {41, 64 | 128, -2}, {41, 1, -3},  {41, 2, -4},  {41, 4, -5},
    {41, 8, -6},        {41, 16, -7}, {41, 32, -8}, {42, 1, -9},
};
constexpr int kFirstFunctionTrace = 21;
constexpr int kLastFunctionTrace =
    kFirstFunctionTrace + static_cast<int>(std::size(kFunctionTraces)) - 1;
constexpr int kFirstGroupedTrace = 16, kLastGroupedTrace = 28;

enum class Shown { Word, Number, Mode };
constexpr TextId kNoPart = TextId::Count;
// Status values 1 to 21: the name's stem, its second part and digit, and the value shown.
struct ValueRow {
    TextId stem;
    TextId part;
    const char* digit; // appended as it is
    std::size_t offset;
    Shown shown;
    DisplayType type;
};
constexpr ValueRow kValueRows[] = {
    {TextId::AvTemp, TextId::AvIn, "", 11, Shown::Word, DisplayType::TemperatureTenths},
    {TextId::AvTemp, TextId::AvIn, "1", 7, Shown::Word, DisplayType::TemperatureTenths},
    {TextId::AvTemp, TextId::AvIn, "2", 9, Shown::Word, DisplayType::TemperatureTenths},
    {TextId::AvRH, kNoPart, "", 15, Shown::Number, DisplayType::Plain},
    {TextId::AvRH, kNoPart, "1", 13, Shown::Number, DisplayType::Plain},
    {TextId::AvRH, kNoPart, "2", 14, Shown::Number, DisplayType::Plain},
    {TextId::AvVPD, kNoPart, "", 20, Shown::Word, DisplayType::Thousandths},
    {TextId::AvCO2, kNoPart, "", 26, Shown::Word, DisplayType::CO2},
    {TextId::AvCO2, kNoPart, " 1", 22, Shown::Word, DisplayType::CO2},
    {TextId::AvCO2, kNoPart, " 2", 24, Shown::Word, DisplayType::CO2},
    {TextId::AvLight, kNoPart, "", 32, Shown::Word, DisplayType::Low12Bits},
    {TextId::AvLight, kNoPart, " 1", 28, Shown::Word, DisplayType::Low12Bits},
    {TextId::AvLight, kNoPart, " 2", 30, Shown::Word, DisplayType::Low12Bits},
    {TextId::AvTemp, TextId::AvOut, "", 34, Shown::Word, DisplayType::TemperatureTenths},
    {TextId::AvIntegIrrad, kNoPart, "", 36, Shown::Word, DisplayType::Low12Bits},
    {TextId::AvCO2Inject, kNoPart, "", 38, Shown::Word, DisplayType::CO2},
    {TextId::AvTemp, TextId::AvCool, "", 47, Shown::Word, DisplayType::TemperatureTenths},
    {TextId::AvTemp, TextId::AvHeat, "", 52, Shown::Word, DisplayType::TemperatureTenths},
    {TextId::AvRH, TextId::AvTgt, "", 49, Shown::Number, DisplayType::Plain},
    {TextId::AvCO2, TextId::AvTgt, "", 50, Shown::Word, DisplayType::CO2},
    {TextId::AvMode, kNoPart, "", 45, Shown::Mode, DisplayType::Plain},
};
constexpr int kBaseValues = static_cast<int>(std::size(kValueRows));

// Status values 22 to 79 show raw bytes of the live block under the controller's own register
// names, which are the same in every language: a byte as a number, or one of its bits. Each
// flag byte shows as itself and then its 8 bits.
constexpr int kBitsShown = 9;
// The flag bytes "Bool0" to "Bool4" from live byte 40, the fault bytes from byte 57, then
// "SetBool0" (byte 46) and "Mode" (byte 45).
constexpr int kBoolBytes = 5, kFaultBytes = 3;
constexpr std::size_t kFirstBoolByte = 40, kFirstFaultByte = 57, kSetBoolByte = 46, kModeByte = 45;
constexpr int kFirstBool = kBaseValues + 1;
constexpr int kFaults = kFirstBool + kBoolBytes * kBitsShown;
constexpr int kSetBool = kFaults + kFaultBytes;
constexpr int kRawMode = kSetBool + kBitsShown;
constexpr int kExtendedValues = kRawMode - kBaseValues;
static_assert(kBaseValues + kExtendedValues == 79);

// Where a raw status value is read: a byte, or one of its bits.
struct RawSpot {
    std::size_t offset = 0;
    int bit = -1; // -1: the whole byte
};

// The bit shown at position 1 to 8 of a flag byte's nine values (bit 7 first); -1 at
// position 0, the byte itself.
constexpr int BitAtPosition(int position) {
    return position == 0 ? -1 : 8 - position;
}

// Built without the value's name, as reading a value needs none.
constexpr RawSpot RawSpotAt(int index) {
    if (index < kFaults) {
        const int group = (index - kFirstBool) / kBitsShown;
        return {kFirstBoolByte + static_cast<std::size_t>(group),
                BitAtPosition((index - kFirstBool) % kBitsShown)};
    }
    if (index < kSetBool)
        return {kFirstFaultByte + static_cast<std::size_t>(index - kFaults)};
    if (index < kRawMode)
        return {kSetBoolByte, BitAtPosition(index - kSetBool)};
    return {kModeByte};
}

std::string RawValueName(int index) {
    const RawSpot spot = RawSpotAt(index);
    if (spot.bit >= 0)
        return std::to_string(spot.bit);
    if (index < kFaults)
        return "Bool" + std::to_string((index - kFirstBool) / kBitsShown);
    if (index < kSetBool)
        return "Fault" + std::to_string(index - kFaults + 1);
    return index < kRawMode ? "SetBool0" : "Mode";
}

// Where each status value's key is read (see GetValueKey): a word, a byte or one of its bits.
constexpr int kWordKey = -2;
constexpr std::array<RawSpot, kBaseValues + kExtendedValues> kKeySpots = [] {
    std::array<RawSpot, kBaseValues + kExtendedValues> spots{};
    for (int index = 1; index <= kBaseValues + kExtendedValues; ++index) {
        RawSpot& spot = spots[static_cast<std::size_t>(index - 1)];
        if (index > kBaseValues) {
            spot = RawSpotAt(index);
            continue;
        }
        const ValueRow& row = kValueRows[index - 1];
        spot = {row.offset, row.shown == Shown::Word ? kWordKey : -1};
    }
    return spots;
}();

int KeyAt(const std::uint8_t* live, const RawSpot& spot) {
    const std::uint8_t byte = live[spot.offset];
    if (spot.bit == kWordKey)
        return byte | live[spot.offset + 1] << 8;
    return spot.bit < 0 ? byte : (byte >> spot.bit) & 1;
}

bool IsStatusValue(int index) {
    return index >= 1 && index <= kBaseValues + kExtendedValues;
}

} // namespace

void TAerovane::StoreStatusReplyA(const std::uint8_t* reply, std::size_t length) {
    if (!StoreReply(identityReply_, reply, length))
        return;
    const float version =
        ConvertWordValue(identityReply_.FirmwareVersion[0], identityReply_.FirmwareVersion[1],
                         DisplayType::Plain, GetPpmFactor());
    SetFirmwareVersion(static_cast<int>(std::trunc(version)));
}

void TAerovane::StoreStatusReplyB(const std::uint8_t* reply, std::size_t length) {
    StoreReply(identityReply_, reply, length);
}

void TAerovane::StoreStatusReplyC(const std::uint8_t* reply, std::size_t length) {
    if (!ReplyHolds(reply, length, sizeof logRecord_.Live))
        return;
    TAlarmFlags before{};
    TAlarmFlags after{};
    GetAlarms(before, false);
    StoreReply(logRecord_.Live, reply, length);
    GetAlarms(after, false);
    // Flags of unsent changes: a reply raises them, never lowers one still unsent.
    if (logRecord_.Live.Mode != 0)
        changeFlag2_ = true;
    if (RecordsDiffer(before.data(), after.data()))
        changeFlag1_ = true;
}

TDateTime TAerovane::DecodeStatusTime() {
    logRecord_.DateTime = DecodePackedTimestamp(logRecord_.Live.Timestamp);
    return logRecord_.DateTime;
}

bool TAerovane::MapAlarms(const TAerovaneLiveBlock& block, TAlarmFlags& flags, bool filter,
                          bool pageTestAll) {
    const std::uint8_t* bytes = RecordBytes(block).data();
    bool any = false;
    for (const AlarmRow& row : kAlarmRows) {
        if ((bytes[row.byte] & row.mask) == 0)
            continue;
        any = true;
        const bool everyPage = !pageTestAll && row.position == kEveryPagePosition;
        if (!filter || everyPage || IsPageShown(row.page, false))
            flags[row.position] = 1;
        if (row.position == kAlarmActivePosition)
            SetAlarmActive(true);
    }
    return any;
}

bool TAerovane::GetAlarms(TAlarmFlags& flags, bool filter) {
    if (filter && (RecordBytes(logRecord_.Live)[kOptionByte] & kAlarmsValid) == 0)
        return false;
    return MapAlarms(logRecord_.Live, flags, filter, false);
}

bool TAerovane::GetAlarmEnables(TAlarmFlags& flags, bool filter) {
    if ((RecordBytes(identityReply_)[kOptionByte] & kAlarmsValid) == 0)
        return false;
    return MapAlarms(identityReply_, flags, filter, true);
}

void TAerovane::SetAlarmActive(bool active) {
    std::uint8_t& flag = usbSettings_[kUsbAlarmActiveByte];
    if (!active) {
        flag = 0;
        return;
    }
    const TDateTime now = Now();
    // Whole milliseconds, so that exactly 5 minutes counts as 5 minutes. A last time ahead of
    // the clock (a clock set back) must not hold back an alarm, so it counts as long ago.
    const long long elapsed = std::llround((now - alarmTime_) * kMillisecondsPerDay);
    if (elapsed >= 0 && elapsed < kAlarmDebounceMs)
        return;
    alarmTime_ = now;
    flag = 1;
}

bool TAerovane::IsPageShown(int page, bool defaultValue) const {
    const int code = page & 0x7F; // no code selects outside the flag byte
    if (code == 0)
        return (local_.PageFlags & 1) != 0;
    if (code >= 2 && code <= 7)
        return (local_.PageFlags & (1u << (code - 1))) != 0;
    return defaultValue;
}

double TAerovane::GetTraceValue(int index) {
    const std::uint8_t* live = RecordBytes(logRecord_.Live).data();
    if (index >= 1 && index < kAlarmTrace) {
        const TraceSource& source = kTraceSources[index - 1];
        const std::uint8_t* at = live + source.offset;
        if (source.reading == Reading::Byte)
            return ConvertByteValue(at[0], DisplayType::Plain);
        double divisor = source.divisor;
        std::uint8_t& chart = Registry().chartScaleFlags;
        if (source.reading == Reading::CO2) {
            const bool scale50 = (live[kOptionByte] & kCO2Scale50) != 0;
            divisor = scale50 ? 50 : 20;
            SetBits(chart, kChartCO2Scale50, scale50);
            SetBits(chart, kChartCO2, true);
        } else if (source.reading == Reading::Light) {
            SetBits(chart, kChartLight, true);
        }
        return static_cast<double>(ConvertWordValue(at[0], at[1], source.type, GetPpmFactor())) /
               divisor;
    }
    if (index == kAlarmTrace)
        return HasAlarms() ? -1 : kTraceOff;
    if (index >= kFirstFunctionTrace && index <= kLastFunctionTrace) {
        const FunctionTrace& trace = kFunctionTraces[index - kFirstFunctionTrace];
        return (live[trace.byte] & trace.mask) != 0 ? trace.level : kTraceOff;
    }
    return 0;
}

std::string TAerovane::GetTraceGroupName(int index) {
    if (index < kFirstGroupedTrace || index > kLastGroupedTrace)
        return TControllerWithSchedule::GetTraceGroupName(index);
    return Text(CurrentRegional().PrimaryLanguage() == kLanguageChinese ? TextId::AvFunctionsChinese
                                                                        : TextId::AvFunctions);
}

int TAerovane::MainValueCount() {
    return kBaseValues;
}

int TAerovane::GetValueCount() {
    return valueCount_ + (Registry().extendedValues ? kExtendedValues : 0);
}

std::string TAerovane::GetValueName(int index) {
    if (!IsStatusValue(index))
        return {};
    if (index > kBaseValues)
        return RawValueName(index);
    const ValueRow& row = kValueRows[index - 1];
    std::string name = Text(row.stem);
    if (row.part != kNoPart)
        name += " " + Text(row.part);
    return name + row.digit;
}

std::string TAerovane::GetValueText(int index) {
    if (!IsStatusValue(index))
        return {};
    const std::uint8_t* live = RecordBytes(logRecord_.Live).data();
    const double ppm = GetPpmFactor();
    if (index > kBaseValues) {
        const RawSpot spot = RawSpotAt(index);
        const std::uint8_t byte = live[spot.offset];
        if (spot.bit < 0)
            return ByteValueText(byte, DisplayType::Plain, ppm);
        return (byte >> spot.bit) & 1 ? "1" : "0";
    }
    const ValueRow& row = kValueRows[index - 1];
    switch (row.shown) {
    case Shown::Word:
        return WordValueText(live[row.offset], live[row.offset + 1], row.type, ppm);
    case Shown::Number:
        return ByteValueText(live[row.offset], DisplayType::Plain, ppm);
    case Shown::Mode:
        return GetModeText(false);
    }
    return {};
}

int TAerovane::GetValueKey(int index) const {
    if (!IsStatusValue(index))
        return -1;
    return KeyAt(RecordBytes(logRecord_.Live).data(),
                 kKeySpots[static_cast<std::size_t>(index - 1)]);
}

void TAerovane::GetValueKeys(int* keys, int count) const {
    const std::uint8_t* live = RecordBytes(logRecord_.Live).data();
    const int known = std::min(count, static_cast<int>(kKeySpots.size()));
    for (int i = 0; i < known; ++i)
        keys[i] = KeyAt(live, kKeySpots[static_cast<std::size_t>(i)]);
    std::fill(keys + std::max(known, 0), keys + std::max(count, 0), -1);
}

std::string TAerovane::GetModeText(bool fromIdentity) const {
    const std::uint8_t code = fromIdentity ? identityReply_.Mode : logRecord_.Live.Mode;
    constexpr int kModes = 12;
    if (code >= 1 && code <= kModes)
        return Text(static_cast<TextId>(static_cast<int>(TextId::AvMode1) + code - 1));
    return fromIdentity ? Text(TextId::AvModeUnknown) : std::string();
}

} // namespace hortivex
