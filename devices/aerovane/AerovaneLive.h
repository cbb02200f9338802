#pragma once

#include <cstddef>
#include <cstdint>

namespace hortivex {

// The block the Aerovane controller reports over its link. The live data and the identity reply
// share this layout (the identity reply carries the firmware version at +5). Words are two
// bytes, low byte first.
#pragma pack(push, 1)
struct TAerovaneLiveBlock {
    std::uint8_t Timestamp[5];       // packed; bit value 128 of byte 4 is a separate flag
    std::uint8_t FirmwareVersion[2]; // +5, identity reply only
    // Three readings of each quantity: number 1, number 2, then the plain one.
    std::uint8_t TempIn1[2], TempIn2[2], TempIn[2]; // +7, +9, +11
    std::uint8_t RH1, RH2, RH;                      // +13 to +15
    std::uint8_t Unused16[4];
    std::uint8_t VPD[2];                         // +20
    std::uint8_t CO2_1[2], CO2_2[2], CO2[2];     // +22, +24, +26
    std::uint8_t Light1[2], Light2[2], Light[2]; // +28, +30, +32
    std::uint8_t TempOut[2];                     // +34
    std::uint8_t IntegIrrad[2];                  // +36
    std::uint8_t CO2Inject[2];                   // +38
    std::uint8_t Bool[5];                        // +40 to +44
    std::uint8_t Mode;                           // +45, operating mode code
    std::uint8_t SetBool0;                       // +46, the equipment-installed byte
    std::uint8_t TempCool[2];                    // +47
    std::uint8_t RHTgt;                          // +49
    std::uint8_t CO2Tgt[2];                      // +50
    std::uint8_t TempHeat[2];                    // +52
    std::uint8_t Unused54[3];
    std::uint8_t Fault[3]; // +57 to +59
};
#pragma pack(pop)

// One record of a month log: the date-time (8 bytes, an IEEE double, little-endian), the live
// block and 4 further bytes. Kept apart from its byte form; the log files read and write it
// field by field.
struct TAerovaneLogRecord {
    double DateTime = 0;
    TAerovaneLiveBlock Live{};
    std::uint8_t Extra[4] = {0, 0, 0, 0};
};

static_assert(sizeof(TAerovaneLiveBlock) == 60);
static_assert(offsetof(TAerovaneLiveBlock, Bool) == 40);
static_assert(offsetof(TAerovaneLiveBlock, TempHeat) == 52);
static_assert(offsetof(TAerovaneLiveBlock, Fault) == 57);
inline constexpr std::size_t kAerovaneLogRecordSize = 8 + sizeof(TAerovaneLiveBlock) + 4; // 72

// The 16 bytes PackUsbSettings packs from the identity reply, then the alarm-active flag.
inline constexpr std::size_t kUsbSettingsSize = 17;
inline constexpr std::size_t kUsbAlarmActiveByte = 16;

} // namespace hortivex
