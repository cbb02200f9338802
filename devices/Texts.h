#pragma once

#include <string>

namespace hortivex {

// Every text the controller classes show to a user: page captions, trace, value and mode names,
// folder names and messages. Each has an id here and its default English text in Texts.cpp, so
// that a translation replaces one table.
enum class TextId {
    // Shared by the device classes.
    PageStatus,           // "Status"
    PageConfigure,        // "Configure"
    PageScheduling,       // "Scheduling"
    PageAdvanced,         // "Advanced"
    FolderViews,          // "Views"
    FolderSettings,       // "Settings"
    FolderDoserLogs,      // "Doser logs"
    FolderControllerLogs, // "Controller logs"
    UnsupportedFunction,  // "Unsupported function for this device"
    InvalidFileName,      // "Invalid file name"

    // Fertivo trace and status value names.
    FvEC,         // "EC"
    FvPH,         // "pH"
    FvTemp,       // "Temp"
    FvNutrient,   // "Nutrient"
    FvDosing,     // "Dosing"
    FvPhDosing,   // "pH Dosing"
    FvIrrigation, // "Irrigation"
    FvWater,      // "Water"

    // Aerovane status value, trace and group names.
    AvTemp,             // "Temp"
    AvIn,               // "In"
    AvOut,              // "Out"
    AvRH,               // "RH"
    AvVPD,              // "VPD"
    AvCO2,              // "CO2"
    AvLight,            // "Light"
    AvIntegIrrad,       // "Integ Irrad"
    AvCO2Inject,        // "CO2 inject"
    AvCool,             // "Cool"
    AvHeat,             // "Heat"
    AvTgt,              // "Tgt"
    AvMode,             // "Mode"
    AvNotAvailable,     // "n/a"
    AvAlarm,            // "Alarm"
    AvLights,           // "Lights"
    AvFanFormat,        // "Fan %d"
    AvFan2OrAirCon,     // "Fan 2/Air con"
    AvAirCon,           // "Air con"
    AvHeater,           // "Heater"
    AvFogOrHumid,       // "Fog/humid"
    AvFog,              // "Fog"
    AvHumid,            // "humid"
    AvDehumid,          // "Dehumid"
    AvPurging,          // "Purging"
    AvFunctions,        // "Functions"
    AvFunctionsChinese, // "AV Functions"
    AvLightBankWarning, // "Currently selected light bank is NOT installed!"
    AvModeUnknown,      // "Unknown"
    AvMode1,            // "Air Con"
    AvMode2,            // "Air Con - air change"
    AvMode3,            // "Fan mode"
    AvMode4,            // "Fan mode - air change"
    AvMode5,            // "Fan Cycle, no CO2 sensor - injecting"
    AvMode6,            // "Fan Cycle, no CO2 sensor - waiting"
    AvMode7,            // "Fan Cycle, no CO2 sensor - venting"
    AvMode8,            // "Fan Cycle, CO2 sensor - injecting"
    AvMode9,            // "Fan Cycle, CO2 sensor - waiting"
    AvMode10,           // "Fan Cycle, CO2 sensor - venting"
    AvMode11,           // "Air Con - purging"
    AvMode12,           // "Fan mode - purging"

    Count
};

// The text of id in the program's language.
const std::string& Text(TextId id);

} // namespace hortivex
