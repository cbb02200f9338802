#include "devices/fertivo/Fertivo.h"

#include "devices/Texts.h"
#include "options/Options.h"
#include "options/ProcessState.h"
#include "platform/FileSystem.h"

#include <cmath>
#include <cstring>

namespace hortivex {

namespace {

constexpr std::uint8_t kPhRaise = 0x40;
constexpr std::uint8_t kPhLower = 0x80;

// Firmware features and the first version that has each.
constexpr FirmwareFeature kFeatures[] = {{3, 200}, {7, 301}, {8, 303}};

// Pages 1, 3 and 5 have captions; capability flag B is set.
constexpr ControllerIdentity kIdentity{1,
                                       {'F', 'V'},
                                       {".fvl", ".fvv", "fvs", "fvd"},
                                       {TextId::PageStatus, TextId::Count, TextId::PageConfigure,
                                        TextId::Count, TextId::PageScheduling},
                                       1};

} // namespace

void TFertivo::Construct() {
    TControllerWithSchedule::Construct();
    ConstructAs(kIdentity, MainValueCount());
    spareFlag_ = 0;
    spareValue1_ = spareValue2_ = 0;
}

int TFertivo::FeatureMinVersion(int feature) {
    return MinVersionOf(kFeatures, feature);
}

void TFertivo::SetFirmwareVersion(int version) {
    TControllerWithSchedule::SetFirmwareVersion(version);
    AddFeaturesOf(kFeatures, version);
}

int TFertivo::GetPpmFactor() {
    if (!HasFeature(3))
        return TControllerWithSchedule::GetPpmFactor();
    const std::int16_t factor = settings_.TDSFactor;
    if (factor == 500 || factor == 640 || factor == 700)
        return factor;
    settings_.TDSFactor = 500;
    return 500;
}

bool TFertivo::IsFunctionAvailable(int kind, bool defaultValue) {
    switch (kind) {
    case 4: // always offered
        return true;
    case 7:
        return local_.ScheduleEnabled;
    default:
        return defaultValue;
    }
}

void TFertivo::ResetStatus() {
    TControllerWithSchedule::ResetStatus();
    local_ = TFertivoLocalSettings{};
    local_.ReminderPeriod = 2;
    local_.NextReminderDate = std::trunc(Now()) + 14;
    local_.PpmFactor = 500;
}

void TFertivo::SetControllerName(const std::string& name) {
    TControllerWithSchedule::SetControllerName(name);
    CopyName(name, settings_.DevName);
}

void TFertivo::ReadSettingsFile(const std::filesystem::path& path) {
    const std::string bytes = ReadFilePrefix(path, sizeof(TFertivoSettings));
    std::memcpy(&settings_, bytes.data(), bytes.size());
}

bool TFertivo::IsEcUnitCF() const {
    return EcUnitOf(settings_) == FertivoEcUnit::CF;
}

bool TFertivo::IsEcUnitMs() const {
    return EcUnitOf(settings_) == FertivoEcUnit::MsPerCm;
}

bool TFertivo::IsEcUnitPpm() const {
    return EcUnitOf(settings_) == FertivoEcUnit::Ppm;
}

FertivoEcUnit TFertivo::SelectEcUnit() {
    const FertivoEcUnit unit = EcUnitOf(settings_);
    const char* label = unit == FertivoEcUnit::CF        ? " CF  "
                        : unit == FertivoEcUnit::MsPerCm ? "mS/cm"
                        : unit == FertivoEcUnit::Ppm     ? "ppm"
                                                         : nullptr;
    if (label) {
        Process().ecUnitLabel = label;
        GetOptions().DeriveUnits();
    }
    return unit;
}

void TFertivo::ExportSettings(const std::filesystem::path& iniPath) {
    const FertivoEcUnit unit = SelectEcUnit();
    ExportFertivoSettings(settings_, unit, iniPath);
}

bool TFertivo::IsPhOutputNone() const {
    return (settings_.SetBool1 & (kPhRaise | kPhLower)) == 0;
}

bool TFertivo::IsPhOutputRaise() const {
    return (settings_.SetBool1 & (kPhRaise | kPhLower)) == kPhRaise;
}

bool TFertivo::IsPhOutputLower() const {
    return (settings_.SetBool1 & (kPhRaise | kPhLower)) == kPhLower;
}

bool TFertivo::IsPhOutputBoth() {
    // A controller without feature 3 cannot choose: it drives both outputs.
    return (settings_.SetBool1 & (kPhRaise | kPhLower)) == (kPhRaise | kPhLower) || !HasFeature(3);
}

} // namespace hortivex
