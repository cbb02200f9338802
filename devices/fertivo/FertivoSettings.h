#pragma once

#include <cstddef>
#include <cstdint>

namespace hortivex {

#pragma pack(push, 1)
// The Fertivo controller's whole configuration as stored in a ".fvs" file and sent to the
// controller in two halves of 59 bytes. 16-bit fields are little-endian; read them through
// the record's bytes (see FertivoSettingsExport) rather than by address.
struct TFertivoSettings {
    std::uint8_t SetBool0;
    std::uint8_t SetBool1;
    std::uint8_t SetBool2;
    std::uint8_t SetBool3;
    std::uint8_t AlarmDetent;
    std::uint8_t EC_Max, EC_Min;
    std::uint8_t pH_Max, pH_Min; // tenths of a pH unit
    std::int16_t NutrientTempMax, NutrientTempMin;
    std::int16_t EC_Day_SP, EC_Night_SP;
    std::uint8_t pH_SP;
    std::uint8_t ECDoseTimeMax, ECDoseTimeMin;
    std::uint8_t ECAPercent, ECBPercent, ECCPercent;
    std::uint8_t pHDoseTimeMax, pHDoseTimeMin;
    std::uint8_t ValveLatency;
    std::uint8_t DoseInterval;
    std::uint16_t IrrigDuration, IrrigOverrideTimeDay, IrrigOverrideTimeNight, IrrigationTOD;
    std::uint8_t WaterDoseTime;
    std::uint8_t Dawn, Dusk;
    std::uint8_t DoseNoParts;
    std::int16_t CalibpH7_0, CalibpH4_0;
    std::int16_t CalibrateEC;
    std::uint8_t CalibrateTemp;
    std::uint8_t ECPercent[5]; // elements 4 to 8
    std::int16_t TDSFactor;    // EC-to-ppm factor: 500, 640 or 700
    std::uint16_t OffLineLogTime;
    std::uint8_t SetBool4, SetBool5, SetBool6;
    std::uint8_t Irrig_Stations;
    // Second half, from offset 59.
    char DevName[10]; // zero-padded
    std::int16_t DPH_EC;
    std::uint8_t LCD_Contrast[3];
    std::uint8_t DoseCountEC_HourLimit, DoseCountpH_HourLimit;
    std::uint16_t DoseCount_RestrictTime;
    std::uint16_t Irrig1_Duration, Irrig1_OverrideTimeDay, Irrig1_OverrideTimeNight, Irrig1_TOD;
    std::uint16_t Irrig2_Duration, Irrig2_OverrideTimeDay, Irrig2_OverrideTimeNight, Irrig2_TOD;
    std::uint16_t Irrig3_Duration, Irrig3_OverrideTimeDay, Irrig3_OverrideTimeNight, Irrig3_TOD;
    std::uint16_t EC_Interval_Timer, pH_Interval_Timer;
    std::int16_t EC_DoseCount, pH_DoseCount;
    std::uint8_t EC_DoseCount_Hr, pH_DoseCount_Hr;
    std::int16_t EC_DoseCount_RestrictTimer, pH_DoseCount_RestrictTimer;
    std::uint8_t S1Spares[2]; // elements 57 and 58
};
#pragma pack(pop)

// The record is the two halves it is sent in; the second starts with the device name.
static_assert(sizeof(TFertivoSettings) == 118);
static_assert(offsetof(TFertivoSettings, DevName) == 59);

} // namespace hortivex
