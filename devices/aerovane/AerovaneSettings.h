#pragma once

#include <cstddef>
#include <cstdint>

namespace hortivex {

#pragma pack(push, 1)
// The Aerovane climate controller's whole configuration as stored in an ".avs" file and sent to
// the controller in three blocks of 59 bytes (offsets 0, 59 and 118). 16-bit fields are
// little-endian; read them through the record's bytes (see AerovaneSettingsExport) rather than
// by address.
struct TAerovaneSettings {
    std::uint8_t SetBool0;
    std::uint8_t SetBool1;
    std::uint8_t SetBool2;
    std::uint8_t SetBool3;
    std::uint8_t SetBool5; // the flag bytes at offsets 4 and 5 are groups 5 and 6
    std::uint8_t SetBool6;
    std::uint8_t Unused6; // never exported; kept as read
    std::uint8_t AlarmDetent;
    std::int16_t AirTempInTarget, AirTempInMin, AirTempInMax; // hundredths of a degree
    std::uint8_t RHTarget, RHMin, RHMax;
    std::int16_t VPDTarget, VPDMin, VPDMax;
    std::int16_t CO2Target;
    std::uint8_t CO2_Min, CO2_Max; // steps of 25
    std::int16_t LightMin;
    std::uint16_t OffLineLogTime; // minutes
    char DevName[10];             // zero-padded
    // Setpoint block, offsets 41 to 56: the same layout as a climate schedule day's setpoints.
    std::uint8_t LightBankSP;
    std::uint16_t LightONTODSP;      // minutes after midnight
    std::uint16_t LightONDurationSP; // minutes
    std::int16_t DayTempSP;
    std::int16_t NightDropSP;
    std::int16_t VPDorRHDaySP;
    std::int16_t VPDorRHNightSP;
    std::uint8_t RHMaxSP;
    std::int16_t CO2SP;
    std::int16_t AirTempInHeatTarget;
    // Second block, from offset 59.
    std::uint8_t SetBool4;
    std::int16_t AirConOverrideTemp;
    std::int16_t FanFailOverride1LightTemp;
    std::int16_t FanFailOverrideAllLightsTemp;
    std::uint8_t DehumidOverrideRH, DehumidOverrideRHAC;
    std::int16_t CO2FailSafeFansOnCO2;
    std::int16_t spareCO2InjectOverrideCO2;
    std::uint8_t PowerFailLampCoolMins;
    std::uint8_t PowerFailLamp1OnDetentMins;
    std::uint8_t LightBank2OnDetentMins;
    std::uint8_t DayNightRampSPMins;
    std::uint8_t NightToDayHeaterOnDetentMins;
    std::uint8_t DayToNightHumidDetentMins;
    std::int16_t InhibitFansInsideOutsideTempDifferential;
    std::uint8_t StartAirConBeforeDayMins;
    std::int16_t RHHighLowerVentingTemp;
    std::uint8_t FogToCoolMaxRH;
    std::int16_t RHHighRaiseHeatingTemp;
    std::int16_t RHLowRaiseVentingTemp;
    std::uint8_t PurgeFan1OnFreqMins, PurgeFan1OnDurationLoSecs, PurgeFan1OnDurationHiSecs;
    std::int16_t FogToHumidifyMinTemp;
    std::uint8_t FogPulseOnFreqSecsLo, FogPulseOnLoSecs, FogPulseOnHiSecs;
    std::int16_t AutoChangeToAirConAboveTempTarget;
    std::int16_t PeriodicAirChangeDayFreqMins, PeriodicAirChangeNightFreqMins;
    std::int16_t PeriodicAirChangeDayDurnSecs, PeriodicAirChangeNightDurnSecs;
    std::int16_t CO2InjectMinLight;
    std::int16_t CO2TempBelowVentTarget;
    std::int16_t CO2TempAboveVentTarget;
    std::uint8_t CO2InjectTimeMinsMin, CO2InjectTimeMinsMax;
    std::uint8_t CO2WaitTimeMin, CO2WaitTimeMax;
    std::uint8_t CO2VentTimeMin, CO2VentTimeMax;
    // Third block, from offset 118.
    std::uint8_t RHProportionalRange;
    std::int16_t HeaterOnTemp, HeaterOffTemp;
    std::int16_t FansOnTemp, FansOffTemp;
    std::int16_t AirConOnTemp, AirConOffTemp;
    std::int16_t HumidOnRH, HumidOffRH;
    std::int16_t DeHumidOnRH, DeHumidOffRH;
    std::int16_t CO2OnPPM, CO2OffPPM;
    std::int16_t HeatingOffsetFromTempSP;
    std::uint8_t FogPulseOnFreqSecsHi;
    std::uint8_t ECPercent[31]; // elements 28 to 58
};
#pragma pack(pop)

// The record is the three blocks it is sent in, each block starting with the field the controller
// expects first; schedule days copy the setpoint block (offsets 41 to 56) byte for byte.
static_assert(sizeof(TAerovaneSettings) == 177);
static_assert(offsetof(TAerovaneSettings, SetBool4) == 59);
static_assert(offsetof(TAerovaneSettings, RHProportionalRange) == 118);
static_assert(offsetof(TAerovaneSettings, LightBankSP) == 41);
static_assert(offsetof(TAerovaneSettings, CO2SP) + sizeof(std::int16_t) == 57);

} // namespace hortivex
