#include "devices/fertivo/Fertivo.h"

#include "devices/DeviceRegistry.h"

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

} // namespace

void TFertivo::Construct() {
    TControllerWithSchedule::Construct();
    identity_[0] = 1;
    identity_[3] = 'F';
    identity_[4] = 'V';
    logExtension_ = ".fvl";
    viewExtension_ = ".fvv";
    settingsExtension_ = "fvs";
    scheduleExtension_ = "fvd";
    pageCaptions_[0] = Text(TextId::PageStatus);
    pageCaptions_[2] = Text(TextId::PageConfigure);
    pageCaptions_[4] = Text(TextId::PageScheduling);
    capabilityA_ = 1;
    capabilityF_ = 1;
    valueCount_ = MainValueCount();
    capabilityB_ = 1;
    if (Registry().modeFlag)
        LoadSettingsFile();
    ResetStatus();
    spareFlag_ = 0;
    spareValue1_ = spareValue2_ = 0;
    capabilityC_ = 1;
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
    if (kind == 4)
        return true;
    if (kind == 7)
        return local_.ScheduleEnabled;
    return defaultValue;
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
