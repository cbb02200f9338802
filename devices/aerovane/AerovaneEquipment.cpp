// TAerovane's equipment bits and the rules that keep them consistent, the light-bank warning
// and the settings it sends over USB.
#include "devices/aerovane/Aerovane.h"

#include "devices/Texts.h"
#include "export/Units.h"

#include <cstring>

namespace hortivex {

namespace {

struct EquipmentBit {
    std::size_t byte; // of the settings record
    std::uint8_t mask;
};

// By equipment index.
constexpr EquipmentBit kEquipment[] = {
    {0, 1},   // 0 fan 1
    {0, 2},   // 1 fan 2
    {0, 4},   // 2 air conditioner
    {0, 8},   // 3 heater
    {0, 16},  // 4 CO2 sensor
    {0, 32},  // 5 CO2 injection
    {1, 1},   // 6 dehumidifier
    {0, 128}, // 7 humidifier
    {0, 64},  // 8 fogger
    {1, 2},   // 9 light bank 1
    {1, 4},   // 10 light bank 2
    {1, 8},   // 11 outside temperature sensor
    {1, 16},  // 12 second environment sensor
    {1, 32},  // 13 intruder alarm
    {2, 128}, // 14 purging for high RH
    {1, 128}, // 15 lights air cooled
    {3, 128}, // 16 lamp over-temperature sensor
    {59, 64}, // 17 CO2 extraction
    {59, 128} // 18 extended CO2 range
};
constexpr int kEquipmentCount = static_cast<int>(std::size(kEquipment));

enum Equipment {
    kAirCon = 2,
    kCO2Sensor = 4,
    kCO2Injection = 5,
    kDehumidifier = 6,
    kLightBank1 = 9,
    kLightBank2 = 10,
    kSecondSensor = 12,
    kPurging = 14,
};

// "AV_DehumidifyByAC": settings byte 2, bit value 64.
constexpr std::size_t kDehumidifyByACByte = 2;
constexpr std::uint8_t kDehumidifyByACMask = 64;

// Indexes and page codes keep their low 7 bits, so no index selects outside a table.
int Modulo128(int index) {
    return index & 0x7F;
}

// The sensor readings PackUsbSettings takes from the identity reply: the first sensor set (9
// bytes), then the second (7 bytes). Words stay low byte first.
struct PackedField {
    std::size_t offset;
    std::size_t size;
};
constexpr PackedField kPackedFields[] = {
    {7, 2}, {13, 1}, {22, 2}, {28, 2}, {34, 2}, // temp, RH, CO2, light, outside temp
    {9, 2}, {14, 1}, {24, 2}, {30, 2},          // temp, RH, CO2, light of sensor 2
};
constexpr std::size_t kFirstSensorSetSize = 9;

} // namespace

bool TAerovane::IsOutputEnabled(int index, bool defaultValue) {
    const int i = Modulo128(index);
    if (i >= kEquipmentCount)
        return defaultValue;
    const EquipmentBit& bit = kEquipment[i];
    return (RecordBytes(settings_)[bit.byte] & bit.mask) != 0;
}

void TAerovane::SetOutputEnabled(int index, bool value) {
    const int i = Modulo128(index);
    if (i < kEquipmentCount)
        SetBits(RecordBytes(settings_)[kEquipment[i].byte], kEquipment[i].mask, value);

    auto on = [this](int equipment) { return IsOutputEnabled(equipment, false); };
    std::uint8_t& byAC = RecordBytes(settings_)[kDehumidifyByACByte];
    // Without a CO2 sensor the air conditioner cannot inject CO2.
    if (on(kAirCon) && !on(kCO2Sensor) && on(kCO2Injection))
        SetOutputEnabled(kCO2Injection, false);
    // Purging wins over dehumidifying by air conditioner.
    if (on(kPurging))
        SetBits(byAC, kDehumidifyByACMask, false);
    // A dehumidifier leaves neither purging nor dehumidifying by air conditioner on.
    const bool byACInForce = on(kAirCon) && (byAC & kDehumidifyByACMask) != 0;
    if (on(kDehumidifier) && (on(kPurging) || byACInForce)) {
        SetBits(byAC, kDehumidifyByACMask, false);
        SetOutputEnabled(kPurging, false);
    }
}

std::uint8_t TAerovane::SelectedLightBank() {
    // With the schedule in use but no day in it, no day is in force: the settings record
    // decides, as without the schedule.
    if (local_.ScheduleEnabled && !local_.Days.empty())
        return local_.Days[static_cast<std::size_t>(GetCurrentScheduleIndex())].LightBankSP;
    return settings_.LightBankSP;
}

bool TAerovane::GetWarningText(std::string& text) {
    if (TControllerWithSchedule::GetWarningText(text))
        return true;
    const bool bank1 = IsOutputEnabled(kLightBank1, false);
    const bool bank2 = IsOutputEnabled(kLightBank2, false);
    bool warn = false;
    switch (SelectedLightBank()) {
    case 1:
        warn = !bank1;
        break;
    case 2:
        warn = !bank2;
        break;
    case 3:
    case 4:
        warn = bank1 != bank2;
        break;
    default:
        break;
    }
    text = warn ? Text(TextId::AvLightBankWarning) : std::string();
    return warn;
}

void TAerovane::PackUsbSettings() {
    const auto* reply = RecordBytes(identityReply_).data();
    std::size_t at = 0;
    for (const PackedField& field : kPackedFields) {
        std::memcpy(usbSettings_.data() + at, reply + field.offset, field.size);
        at += field.size;
    }
}

std::string TAerovane::UsbSettingsTextAt(TDateTime now) {
    // The light bank and the setpoints that follow it, as the day record holds them.
    return CurrentDayBytes(now, kAerovaneSetpointsOffset, kAerovaneSetpointsSize);
}

std::string TAerovane::GetUsbCommandData() {
    const std::size_t packed =
        IsOutputEnabled(kSecondSensor, false) ? kUsbAlarmActiveByte : kFirstSensorSetSize;
    return GetUsbSettingsText() +
           std::string(reinterpret_cast<const char*>(usbSettings_.data()), packed);
}

} // namespace hortivex
