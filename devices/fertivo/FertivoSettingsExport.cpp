// The export of the Fertivo settings record: section "Settings", 205 keys, in table order.
#include "devices/fertivo/FertivoSettingsExport.h"

#include "export/ExportWriter.h"

#include <cstddef>
#include <cstring>

namespace hortivex {

namespace {

constexpr const char* kSection = "Settings";

// The EC unit bits of settings byte 2 and the pH output bits of byte 1.
constexpr std::uint8_t kEcUnitCF = 0x02, kEcUnitPpm = 0x04;
constexpr std::uint8_t kPhRaise = 0x40, kPhLower = 0x80;

#define FIELD(name) #name, offsetof(TFertivoSettings, name)

const FlagGroup kFlagGroups[] = {
    {FIELD(SetBool0),
     {{{"FV_IrrigateDayOnly", 1},
       {"FV_WaterEnabled", 2},
       {"FV_IrrigEnabled", 4},
       {"FV_ECDoseEnabled", 8},
       {"FV_pHraise", 16},
       {"FV_ExternalAlarm", 32},
       {"FV_SequentialOutputDrive", 64},
       {"FV_ProportionalDosing", 128}}}},
    {FIELD(SetBool1),
     {{{"FV_DoseECNow", 1},
       {"FV_DosepHNow", 2},
       {"FV_IrrigateWaterNow", 8},
       {"FV_IRRIGATION0_FORCED", 8},
       {"FV_IrrigByTOD", 16},
       {"FV_DiffECDayNight", 32},
       {"FV_pH_Output", kPhRaise | kPhLower, FlagKind::Choice}}}},
    {FIELD(SetBool2),
     {{{"FV_DisplayTempasDegF", 1},
       {"ECUnit", kEcUnitCF | kEcUnitPpm, FlagKind::Choice},
       {"FV_USADateFormat", 8},
       {"FV_Irrigation", 16},
       {"FV_WaterToReduceEC", 32},
       {"FV_UsingAlarm", 64},
       {"FV_DisplayClock", 128}}}},
    {FIELD(SetBool3),
     {{{"FV_AlarmECenabled", 1},
       {"FV_AlarmpHenabled", 2},
       {"FV_AlarmNutTempenabled", 4},
       {"FV_AlarmBeeperMuted", 8},
       {"FV_ECRangeLockoutEnabled", 16},
       {"FV_pHRangeLockoutEnabled", 32},
       {"FV_USE_MAIN_IRRIG_PUMP", 64},
       {"FV_phDoseEnabled", 128}}}},
    {FIELD(SetBool4),
     {{{"FV_RESTORED_FROM_DISK", 1},
       {"FV_IRRIGATION0_TIMERS_RESET", 2},
       {"FV_GENERATE_LOG_ON_SIG_EVENT", 4},
       {"FV_IRRIGATION1_FORCE_IRRIG", 8},
       {"FV_IRRIGATION1_TOD", 16},
       {"FV_IRRIGATION1_DAYONLY", 32},
       {"FV_IRRIGATION1_TIMERS_RESET", 64},
       {"FV_IRRIGATION1_ENABLED", 128}}}},
    {FIELD(SetBool5),
     {{{"FV_IRRIG_TRIGGER_SEQUENTIAL", 1},
       {"FV_DOSECOUNT_LIMITS_ENABLED", 2},
       {"FV_DOSECOUNT_ALARM_ENABLED", 4},
       {"FV_IRRIGATION2_FORCE_IRRIG", 8},
       {"FV_IRRIGATION2_TOD", 16},
       {"FV_IRRIGATION2_DAYONLY", 32},
       {"FV_IRRIGATION2_TIMERS_RESET", 64},
       {"FV_IRRIGATION2_ENABLED", 128}}}},
    {FIELD(SetBool6),
     {{{"FV_IRRIG_USE_STATION_OUTPUTS", 1},
       {"FV_EC_DOSECOUNT_RESET", 2},
       {"FV_PH_DOSECOUNT_RESET", 4},
       {"FV_IRRIGATION3_FORCE_IRRIG", 8},
       {"FV_IRRIGATION3_TOD", 16},
       {"FV_IRRIGATION3_DAYONLY", 32},
       {"FV_IRRIGATION3_TIMERS_RESET", 64},
       {"FV_IRRIGATION3_ENABLED", 128}}}},
};

// One-byte numbers; the pH limits are stored in tenths.
const ByteField kByteFields[] = {
    {FIELD(AlarmDetent)},
    {FIELD(EC_Max)},
    {FIELD(EC_Min)},
    {FIELD(pH_Max), 1, 10},
    {FIELD(pH_Min), 1, 10},
    {FIELD(pH_SP)},
    {FIELD(ECDoseTimeMax)},
    {FIELD(ECDoseTimeMin)},
    {FIELD(ECAPercent)},
    {FIELD(ECBPercent)},
    {FIELD(ECCPercent)},
    {FIELD(pHDoseTimeMax)},
    {FIELD(pHDoseTimeMin)},
    {FIELD(ValveLatency)},
    {FIELD(DoseInterval)},
    {FIELD(WaterDoseTime)},
    {FIELD(Dawn)},
    {FIELD(Dusk)},
    {FIELD(DoseNoParts)},
    {FIELD(CalibrateTemp)},
    {FIELD(Irrig_Stations)},
    {FIELD(DoseCountEC_HourLimit)},
    {FIELD(DoseCountpH_HourLimit)},
    {FIELD(EC_DoseCount_Hr)},
    {FIELD(pH_DoseCount_Hr)},
};

// 16-bit fields, written through WriteTypedValue with their value kind.
const WordField kWordFields[] = {
    {FIELD(NutrientTempMax), ValueKind::Temp},
    {FIELD(NutrientTempMin), ValueKind::Temp},
    {FIELD(EC_Day_SP), ValueKind::Others},
    {FIELD(EC_Night_SP), ValueKind::Others},
    {FIELD(IrrigDuration), ValueKind::Date},
    {FIELD(IrrigOverrideTimeDay), ValueKind::Date},
    {FIELD(IrrigOverrideTimeNight), ValueKind::Date},
    {FIELD(IrrigationTOD), ValueKind::Date},
    {FIELD(CalibpH7_0), ValueKind::pH},
    {FIELD(CalibpH4_0), ValueKind::pH},
    {FIELD(CalibrateEC), ValueKind::EC_EC},
    {FIELD(TDSFactor), ValueKind::Others},
    {FIELD(OffLineLogTime), ValueKind::Date},
    {FIELD(DPH_EC), ValueKind::EC_EC},
    {FIELD(DoseCount_RestrictTime), ValueKind::Date},
    {FIELD(Irrig1_Duration), ValueKind::Date},
    {FIELD(Irrig1_OverrideTimeDay), ValueKind::Date},
    {FIELD(Irrig1_OverrideTimeNight), ValueKind::Date},
    {FIELD(Irrig1_TOD), ValueKind::Date},
    {FIELD(Irrig2_Duration), ValueKind::Date},
    {FIELD(Irrig2_OverrideTimeDay), ValueKind::Date},
    {FIELD(Irrig2_OverrideTimeNight), ValueKind::Date},
    {FIELD(Irrig2_TOD), ValueKind::Date},
    {FIELD(Irrig3_Duration), ValueKind::Date},
    {FIELD(Irrig3_OverrideTimeDay), ValueKind::Date},
    {FIELD(Irrig3_OverrideTimeNight), ValueKind::Date},
    {FIELD(Irrig3_TOD), ValueKind::Date},
    {FIELD(EC_Interval_Timer), ValueKind::Date},
    {FIELD(pH_Interval_Timer), ValueKind::Date},
    {FIELD(EC_DoseCount), ValueKind::Others},
    {FIELD(pH_DoseCount), ValueKind::Others},
    {FIELD(EC_DoseCount_RestrictTimer), ValueKind::Others},
    {FIELD(pH_DoseCount_RestrictTimer), ValueKind::Others},
};

// Arrays, each written as numbered keys from its first index.
const ArrayField kArrayFields[] = {
    {FIELD(ECPercent), 4, 8},
    {FIELD(LCD_Contrast), 0, 2},
    {FIELD(S1Spares), 57, 58},
    {FIELD(DevName), 0, 9, true},
};

#undef FIELD

// The pH output choice of settings byte 1: its two bits select one of the four.
const char* PhOutputText(std::uint8_t flags) {
    switch (flags & (kPhRaise | kPhLower)) {
    case 0:
        return "None";
    case kPhRaise:
        return "Raise";
    case kPhLower:
        return "Lower";
    default:
        return "Both";
    }
}

// No unit (both unit bits set) writes the key empty.
const char* EcUnitText(FertivoEcUnit unit) {
    switch (unit) {
    case FertivoEcUnit::MsPerCm:
        return "EC";
    case FertivoEcUnit::CF:
        return "CF";
    case FertivoEcUnit::Ppm:
        return "ppm";
    case FertivoEcUnit::None:
        break;
    }
    return "";
}

} // namespace

FertivoEcUnit EcUnitOf(const TFertivoSettings& settings) {
    switch (settings.SetBool2 & (kEcUnitCF | kEcUnitPpm)) {
    case 0:
        return FertivoEcUnit::MsPerCm;
    case kEcUnitCF:
        return FertivoEcUnit::CF;
    case kEcUnitPpm:
        return FertivoEcUnit::Ppm;
    default:
        return FertivoEcUnit::None;
    }
}

void ExportFertivoSettings(const TFertivoSettings& settings, FertivoEcUnit ecUnit,
                           const std::filesystem::path& iniPath) {
    std::uint8_t record[sizeof(TFertivoSettings)];
    std::memcpy(record, &settings, sizeof record);
    IniOutput out(iniPath);

    // The two choice keys: the pH output (its two bits) and the EC unit (the one in force).
    WriteFlagGroups(out, kSection, record, kFlagGroups,
                    [ecUnit](const FlagKey& flag, std::uint8_t flags) -> std::string {
                        return flag.mask == (kPhRaise | kPhLower) ? PhOutputText(flags)
                                                                  : EcUnitText(ecUnit);
                    });
    WriteByteFields(out, kSection, record, kByteFields);
    WriteWordFields(out, kSection, record, kWordFields);
    WriteArrayFields(out, kSection, record, kArrayFields);
    out.Close();
}

} // namespace hortivex
