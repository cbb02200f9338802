#pragma once

#include <cstddef>
#include <cstdint>

namespace hortivex {

// The blocks the Fertivo controller reports over its link, and the month log record that keeps
// a status block with its time. Words are two bytes, low byte first.
#pragma pack(push, 1)

// The identity reply: firmware, alarm enables and option bits; its last byte is the trailer
// byte of the settings-transfer commands.
struct TFertivoIdentityReply {
    std::uint8_t Unused0[5];
    std::uint8_t FirmwareVersion[2]; // +5
    std::uint8_t Unused7[6];
    std::uint8_t AlarmEnables; // +13: bit values 16, 32, 64
    std::uint8_t OptionBits;   // +14: 1 settings flag, 32 alarm enables valid
    std::uint8_t Unused15;
    std::uint8_t Notice; // +16
    std::uint8_t Unused17[42];
    std::uint8_t Trailer; // +59
};

// The status block: readings, setpoints, status flags and dose counts.
struct TFertivoStatusBlock {
    std::uint8_t Timestamp[5]; // packed; bit value 128 of byte 4 is a separate flag
    std::uint8_t Unused5[2];
    std::uint8_t ECSetpoint;      // +7
    std::uint8_t PhSetpoint;      // +8, tenths
    std::uint8_t ECReading[2];    // +9
    std::uint8_t PhReading[2];    // +11
    std::uint8_t NutrientTemp[2]; // +13
    std::uint8_t Bool0;       // +15: bits 0-3 dosing, pH dosing, irrigation, water; 16/32/64 alarms
    std::uint8_t Bool1;       // +16
    std::uint8_t Bool2;       // +17
    std::uint8_t Bool3;       // +18: bit 0 irrigation 1
    std::uint8_t Irrigation2; // +19, bit 0
    std::uint8_t Irrigation3; // +20, bit 0
    std::uint8_t Irrigation4; // +21, bit 0
    std::uint8_t PhSetpointCalc;  // +22, tenths
    std::uint8_t ECDoseCount[2];  // +23
    std::uint8_t PhDoseCount[2];  // +25
    std::uint8_t ECDoseCountHour; // +27
    std::uint8_t PhDoseCountHour; // +28
    std::uint8_t IrrigationCount; // +29
    std::uint8_t Unused30[2];
};

#pragma pack(pop)

// One record of a month log: the date-time (8 bytes, an IEEE double, little-endian) and the
// status block. Kept apart from its byte form; the log files read and write it field by field.
struct TFertivoLogRecord {
    double DateTime = 0;
    TFertivoStatusBlock Status{};
};

static_assert(sizeof(TFertivoIdentityReply) == 60);
static_assert(offsetof(TFertivoIdentityReply, Notice) == 16);
static_assert(sizeof(TFertivoStatusBlock) == 32);
static_assert(offsetof(TFertivoStatusBlock, PhSetpointCalc) == 22);
static_assert(offsetof(TFertivoStatusBlock, IrrigationCount) == 29);
inline constexpr std::size_t kFertivoLogRecordSize = 8 + sizeof(TFertivoStatusBlock); // 40

} // namespace hortivex
