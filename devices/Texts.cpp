#include "devices/Texts.h"

#include <array>
#include <cstddef>

namespace hortivex {
namespace {

struct Entry {
    TextId id;
    const char* text;
};

// In the order of TextId; the check below keeps the two in step.
constexpr Entry kEnglish[] = {
    {TextId::PageStatus, "Status"},
    {TextId::PageConfigure, "Configure"},
    {TextId::PageScheduling, "Scheduling"},
    {TextId::PageAdvanced, "Advanced"},
    {TextId::FolderViews, "Views"},
    {TextId::FolderSettings, "Settings"},
    {TextId::FolderDoserLogs, "Doser logs"},
    {TextId::FolderControllerLogs, "Controller logs"},
    {TextId::UnsupportedFunction, "Unsupported function for this device"},
    {TextId::InvalidFileName, "Invalid file name"},

    {TextId::FvEC, "EC"},
    {TextId::FvPH, "pH"},
    {TextId::FvTemp, "Temp"},
    {TextId::FvNutrient, "Nutrient"},
    {TextId::FvDosing, "Dosing"},
    {TextId::FvPhDosing, "pH Dosing"},
    {TextId::FvIrrigation, "Irrigation"},
    {TextId::FvWater, "Water"},

    {TextId::AvTemp, "Temp"},
    {TextId::AvIn, "In"},
    {TextId::AvOut, "Out"},
    {TextId::AvRH, "RH"},
    {TextId::AvVPD, "VPD"},
    {TextId::AvCO2, "CO2"},
    {TextId::AvLight, "Light"},
    {TextId::AvIntegIrrad, "Integ Irrad"},
    {TextId::AvCO2Inject, "CO2 inject"},
    {TextId::AvCool, "Cool"},
    {TextId::AvHeat, "Heat"},
    {TextId::AvTgt, "Tgt"},
    {TextId::AvMode, "Mode"},
    {TextId::AvNotAvailable, "n/a"},
    {TextId::AvAlarm, "Alarm"},
    {TextId::AvLights, "Lights"},
    {TextId::AvFanFormat, "Fan %d"},
    {TextId::AvFan2OrAirCon, "Fan 2/Air con"},
    {TextId::AvAirCon, "Air con"},
    {TextId::AvHeater, "Heater"},
    {TextId::AvFogOrHumid, "Fog/humid"},
    {TextId::AvFog, "Fog"},
    {TextId::AvHumid, "humid"},
    {TextId::AvDehumid, "Dehumid"},
    {TextId::AvPurging, "Purging"},
    {TextId::AvFunctions, "Functions"},
    {TextId::AvFunctionsChinese, "AV Functions"},
    {TextId::AvLightBankWarning, "Currently selected light bank is NOT installed!"},
    {TextId::AvModeUnknown, "Unknown"},
    {TextId::AvMode1, "Air Con"},
    {TextId::AvMode2, "Air Con - air change"},
    {TextId::AvMode3, "Fan mode"},
    {TextId::AvMode4, "Fan mode - air change"},
    {TextId::AvMode5, "Fan Cycle, no CO2 sensor - injecting"},
    {TextId::AvMode6, "Fan Cycle, no CO2 sensor - waiting"},
    {TextId::AvMode7, "Fan Cycle, no CO2 sensor - venting"},
    {TextId::AvMode8, "Fan Cycle, CO2 sensor - injecting"},
    {TextId::AvMode9, "Fan Cycle, CO2 sensor - waiting"},
    {TextId::AvMode10, "Fan Cycle, CO2 sensor - venting"},
    {TextId::AvMode11, "Air Con - purging"},
    {TextId::AvMode12, "Fan mode - purging"},
};

constexpr std::size_t kCount = static_cast<std::size_t>(TextId::Count);
static_assert(std::size(kEnglish) == kCount, "one text for every id");

constexpr bool InIdOrder() {
    for (std::size_t i = 0; i < kCount; ++i)
        if (static_cast<std::size_t>(kEnglish[i].id) != i)
            return false;
    return true;
}
static_assert(InIdOrder(), "texts in the order of their ids");

} // namespace

const std::string& Text(TextId id) {
    static const std::array<std::string, kCount> texts = [] {
        std::array<std::string, kCount> all;
        for (std::size_t i = 0; i < kCount; ++i)
            all[i] = kEnglish[i].text;
        return all;
    }();
    const auto index = static_cast<std::size_t>(id);
    static const std::string none;
    return index < kCount ? texts[index] : none;
}

} // namespace hortivex
