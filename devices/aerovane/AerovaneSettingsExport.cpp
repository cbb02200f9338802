// The export of the Aerovane settings record: section "Climate", 278 keys, in table order.
#include "devices/aerovane/AerovaneSettingsExport.h"

#include "export/ExportWriter.h"
#include "platform/FileSystem.h"

#include <cstring>
#include <string>

namespace hortivex {

namespace {

constexpr const char* kSection = "Climate";

#define FIELD(name) #name, offsetof(TAerovaneSettings, name)

const FlagGroup kFlagGroups[] = {
    {FIELD(SetBool0),
     {{{"AV_Fan1Installed", 1},
       {"AV_Fan2Installed", 2},
       {"AV_AirconInstalled", 4},
       {"AV_HeaterInstalled", 8},
       {"AV_CO2SensorInstalled", 16},
       {"AV_CO2InjectionInstalled", 32},
       {"AV_FoggerInstalled", 64},
       {"AV_HumidifierInstalled", 128}}}},
    {FIELD(SetBool1),
     {{{"AV_DehumidifierInstalled", 1},
       {"AV_LightBank1Installed", 2},
       {"AV_LightBank2Installed", 4},
       {"AV_OutsideTempSensorInstalled", 8},
       {"AV_SecondEnviroSensorInstalled", 16},
       {"AV_IntruderAlarmInstalled", 32},
       // bit 64 has no key
       {"AV_LightsAirCooledInstalled", 128}}}},
    {FIELD(SetBool2),
     {{{"AV_DisplayTempasDegF", 1},
       {"AV_USADateFormat", 2},
       {"AV_ControlbyVPD", 4},
       {"AV_FailSafeAlarm", 8},
       {"AV_FailSafeTriggered", 16},
       {"AV_AlarmBeeperMuted", 32},
       {"AV_DehumidifyByAC", 64},
       {"AV_PurgingForHighRHInstalled", 128}}}},
    {FIELD(SetBool3),
     {{{"AV_AirTempInAlarm", 1},
       {"AV_RHAlarm", 2},
       {"AV_CO2Alarm", 4},
       {"AV_LightAlarm", 8},
       {"AV_IntruderAlarm", 16},
       {"AV_PowerFailAlarm", 32},
       {"AV_CO2InjectionEnabled", 64},
       {"AV_LampOverTempSensor", 128}}}},
    {FIELD(SetBool4),
     {{{"AV_ReduceCO2InjectHotFreqVenting", 1},
       {"AV_PeriodicAirChangeWhileAirCon", 2},
       {"AV_InjectCO2F1Running", 4},
       {"AV_LightingOverride", 8},
       {"AV_ForceOnAirConDuringDay", 16},
       {"AV_AllowHumidificationAtNight", 32},
       {"AV_CO2Extraction", 64},
       {"AV_ExtendedCO2Range", 128}}}},
    {FIELD(SetBool5),
     {{{"AV_Fan1Enabled", 1},
       {"AV_Fan1ForceON", 2},
       {"AV_Fan2orAirConEnabled", 4},
       {"AV_Fan2orAirConForceON", 8},
       {"AV_HeaterEnabled", 16},
       {"AV_HeaterForceON", 32},
       {"AV_DehumidifierEnabled", 64},
       {"AV_DehumidifierForceON", 128}}}},
    {FIELD(SetBool6),
     {{{"AV_HumidifierOrFoggerEnabled", 1},
       {"AV_HumidifierOrFoggerForceON", 2},
       {"AV_LightBank1Enabled", 4},
       {"AV_LightBank1ForceON", 8},
       {"AV_LightBank2Enabled", 16},
       {"AV_LightBank2ForceON", 32},
       {"AV_PurgingForHighRHEnabled", 64}}}}, // bit 128 has no key
};

// One-byte numbers; the CO2 limits are stored in steps of 25.
const ByteField kByteFields[] = {
    {FIELD(AlarmDetent)},
    {FIELD(RHTarget)},
    {FIELD(RHMin)},
    {FIELD(RHMax)},
    {FIELD(CO2_Min), 25},
    {FIELD(CO2_Max), 25},
    {FIELD(LightBankSP)},
    {FIELD(RHMaxSP)},
    {FIELD(DehumidOverrideRH)},
    {FIELD(DehumidOverrideRHAC)},
    {FIELD(PowerFailLampCoolMins)},
    {FIELD(PowerFailLamp1OnDetentMins)},
    {FIELD(LightBank2OnDetentMins)},
    {FIELD(DayNightRampSPMins)},
    {FIELD(NightToDayHeaterOnDetentMins)},
    {FIELD(DayToNightHumidDetentMins)},
    {FIELD(StartAirConBeforeDayMins)},
    {FIELD(FogToCoolMaxRH)},
    {FIELD(PurgeFan1OnFreqMins)},
    {FIELD(PurgeFan1OnDurationLoSecs)},
    {FIELD(PurgeFan1OnDurationHiSecs)},
    {FIELD(FogPulseOnFreqSecsLo)},
    {FIELD(FogPulseOnLoSecs)},
    {FIELD(FogPulseOnHiSecs)},
    {FIELD(CO2InjectTimeMinsMin)},
    {FIELD(CO2InjectTimeMinsMax)},
    {FIELD(CO2WaitTimeMin)},
    {FIELD(CO2WaitTimeMax)},
    {FIELD(CO2VentTimeMin)},
    {FIELD(CO2VentTimeMax)},
    {FIELD(RHProportionalRange)},
    {FIELD(FogPulseOnFreqSecsHi)},
};

// 16-bit fields, written through WriteTypedValue with their value kind.
const WordField kWordFields[] = {
    {FIELD(AirTempInTarget), ValueKind::Temp},
    {FIELD(AirTempInMin), ValueKind::Temp},
    {FIELD(AirTempInMax), ValueKind::Temp},
    {FIELD(VPDTarget), ValueKind::Others},
    {FIELD(VPDMin), ValueKind::Others},
    {FIELD(VPDMax), ValueKind::Others},
    {FIELD(CO2Target), ValueKind::CO2},
    {FIELD(LightMin), ValueKind::Others},
    {FIELD(OffLineLogTime), ValueKind::Date},
    {FIELD(LightONTODSP), ValueKind::Date},
    {FIELD(LightONDurationSP), ValueKind::Date},
    {FIELD(DayTempSP), ValueKind::Temp},
    {FIELD(NightDropSP), ValueKind::Temp},
    {FIELD(VPDorRHDaySP), ValueKind::RH},
    {FIELD(VPDorRHNightSP), ValueKind::RH},
    {FIELD(CO2SP), ValueKind::CO2},
    {FIELD(AirTempInHeatTarget), ValueKind::Temp},
    {FIELD(AirConOverrideTemp), ValueKind::Temp},
    {FIELD(FanFailOverride1LightTemp), ValueKind::Temp},
    {FIELD(FanFailOverrideAllLightsTemp), ValueKind::Temp},
    {FIELD(CO2FailSafeFansOnCO2), ValueKind::CO2},
    {FIELD(spareCO2InjectOverrideCO2), ValueKind::CO2},
    {FIELD(InhibitFansInsideOutsideTempDifferential), ValueKind::Temp},
    {FIELD(RHHighLowerVentingTemp), ValueKind::Temp},
    {FIELD(RHHighRaiseHeatingTemp), ValueKind::Temp},
    {FIELD(RHLowRaiseVentingTemp), ValueKind::Temp},
    {FIELD(FogToHumidifyMinTemp), ValueKind::Temp},
    {FIELD(AutoChangeToAirConAboveTempTarget), ValueKind::Temp},
    {FIELD(PeriodicAirChangeDayFreqMins), ValueKind::Others},
    {FIELD(PeriodicAirChangeNightFreqMins), ValueKind::Others},
    {FIELD(PeriodicAirChangeDayDurnSecs), ValueKind::Others},
    {FIELD(PeriodicAirChangeNightDurnSecs), ValueKind::Others},
    {FIELD(CO2InjectMinLight), ValueKind::CO2},
    {FIELD(CO2TempBelowVentTarget), ValueKind::CO2},
    {FIELD(CO2TempAboveVentTarget), ValueKind::CO2},
    {FIELD(HeaterOnTemp), ValueKind::Temp},
    {FIELD(HeaterOffTemp), ValueKind::Temp},
    {FIELD(FansOnTemp), ValueKind::Temp},
    {FIELD(FansOffTemp), ValueKind::Temp},
    {FIELD(AirConOnTemp), ValueKind::Temp},
    {FIELD(AirConOffTemp), ValueKind::Temp},
    {FIELD(HumidOnRH), ValueKind::RH},
    {FIELD(HumidOffRH), ValueKind::RH},
    {FIELD(DeHumidOnRH), ValueKind::RH},
    {FIELD(DeHumidOffRH), ValueKind::RH},
    {FIELD(CO2OnPPM), ValueKind::Others},
    {FIELD(CO2OffPPM), ValueKind::Others},
    {FIELD(HeatingOffsetFromTempSP), ValueKind::Temp},
};

// Arrays, each written as numbered keys from its first index.
const ArrayField kArrayFields[] = {
    {FIELD(ECPercent), 28, 58},
    {FIELD(DevName), 0, 9, true},
};

#undef FIELD

static_assert(sizeof kByteFields / sizeof kByteFields[0] == 32);
static_assert(sizeof kWordFields / sizeof kWordFields[0] == 48);

} // namespace

void ReadAerovaneSettingsFile(TAerovaneSettings& settings, const std::filesystem::path& path) {
    const std::string bytes = ReadFilePrefix(path, sizeof(TAerovaneSettings));
    std::memcpy(&settings, bytes.data(), bytes.size());
}

void ExportAerovaneSettings(const TAerovaneSettings& settings,
                            const std::filesystem::path& iniPath) {
    std::uint8_t record[sizeof(TAerovaneSettings)];
    std::memcpy(record, &settings, sizeof record);
    IniOutput out(iniPath);

    WriteFlagGroups(out, kSection, record, kFlagGroups);
    WriteByteFields(out, kSection, record, kByteFields);
    WriteWordFields(out, kSection, record, kWordFields);
    WriteArrayFields(out, kSection, record, kArrayFields);
    out.Close();
}

} // namespace hortivex
