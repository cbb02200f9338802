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
    std::uint8_t EC_Max;
    std::uint8_t EC_Min;
    std::uint8_t pH_Max; // tenths of a pH unit
    std::uint8_t pH_Min; // tenths of a pH unit
    std::int16_t NutrientTempMax;
    std::int16_t NutrientTempMin;
    std::int16_t EC_Day_SP;
    std::int16_t EC_Night_SP;
    std::uint8_t pH_SP;
    std::uint8_t ECDoseTimeMax;
    std::uint8_t ECDoseTimeMin;
    std::uint8_t ECAPercent;
    std::uint8_t ECBPercent;
    std::uint8_t ECCPercent;
    std::uint8_t pHDoseTimeMax;
    std::uint8_t pHDoseTimeMin;
    std::uint8_t ValveLatency;
    std::uint8_t DoseInterval;
    std::uint16_t IrrigDuration;
    std::uint16_t IrrigOverrideTimeDay;
    std::uint16_t IrrigOverrideTimeNight;
    std::uint16_t IrrigationTOD;
    std::uint8_t WaterDoseTime;
    std::uint8_t Dawn;
    std::uint8_t Dusk;
    std::uint8_t DoseNoParts;
    std::int16_t CalibpH7_0;
    std::int16_t CalibpH4_0;
    std::int16_t CalibrateEC;
    std::uint8_t CalibrateTemp;
    std::uint8_t ECPercent[5]; // elements 4 to 8
    std::int16_t TDSFactor;    // EC-to-ppm factor: 500, 640 or 700
    std::uint16_t OffLineLogTime;
    std::uint8_t SetBool4;
    std::uint8_t SetBool5;
    std::uint8_t SetBool6;
    std::uint8_t Irrig_Stations;
    // Second half, from offset 59.
    char DevName[10]; // zero-padded
    std::int16_t DPH_EC;
    std::uint8_t LCD_Contrast[3];
    std::uint8_t DoseCountEC_HourLimit;
    std::uint8_t DoseCountpH_HourLimit;
    std::uint16_t DoseCount_RestrictTime;
    std::uint16_t Irrig1_Duration;
    std::uint16_t Irrig1_OverrideTimeDay;
    std::uint16_t Irrig1_OverrideTimeNight;
    std::uint16_t Irrig1_TOD;
    std::uint16_t Irrig2_Duration;
    std::uint16_t Irrig2_OverrideTimeDay;
    std::uint16_t Irrig2_OverrideTimeNight;
    std::uint16_t Irrig2_TOD;
    std::uint16_t Irrig3_Duration;
    std::uint16_t Irrig3_OverrideTimeDay;
    std::uint16_t Irrig3_OverrideTimeNight;
    std::uint16_t Irrig3_TOD;
    std::uint16_t EC_Interval_Timer;
    std::uint16_t pH_Interval_Timer;
    std::int16_t EC_DoseCount;
    std::int16_t pH_DoseCount;
    std::uint8_t EC_DoseCount_Hr;
    std::uint8_t pH_DoseCount_Hr;
    std::int16_t EC_DoseCount_RestrictTimer;
    std::int16_t pH_DoseCount_RestrictTimer;
    std::uint8_t S1Spares[2]; // elements 57 and 58
};
#pragma pack(pop)

static_assert(sizeof(TFertivoSettings) == 118);
static_assert(offsetof(TFertivoSettings, NutrientTempMax) == 9);
static_assert(offsetof(TFertivoSettings, IrrigDuration) == 27);
static_assert(offsetof(TFertivoSettings, CalibpH7_0) == 39);
static_assert(offsetof(TFertivoSettings, ECPercent) == 46);
static_assert(offsetof(TFertivoSettings, TDSFactor) == 51);
static_assert(offsetof(TFertivoSettings, SetBool4) == 55);
static_assert(offsetof(TFertivoSettings, DevName) == 59);
static_assert(offsetof(TFertivoSettings, LCD_Contrast) == 71);
static_assert(offsetof(TFertivoSettings, DoseCount_RestrictTime) == 76);
static_assert(offsetof(TFertivoSettings, EC_Interval_Timer) == 102);
static_assert(offsetof(TFertivoSettings, EC_DoseCount_Hr) == 110);
static_assert(offsetof(TFertivoSettings, S1Spares) == 116);

} // namespace hortivex
