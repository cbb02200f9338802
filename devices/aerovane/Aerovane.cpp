#include "devices/aerovane/Aerovane.h"

#include "devices/Texts.h"
#include "devices/aerovane/AerovaneSettingsExport.h"
#include "options/ProcessState.h"

namespace hortivex {

namespace {

constexpr int kAlwaysOnFeature = 4;

struct Feature {
    int bit;
    int minVersion;
};
constexpr Feature kFeatures[] = {{5, 103}, {6, 206}};

} // namespace

void TAerovane::Construct() {
    TControllerWithSchedule::Construct();
    identity_[0] = 5;
    identity_[3] = 'A';
    identity_[4] = 'V';
    logExtension_ = ".avl";
    viewExtension_ = ".avv";
    settingsExtension_ = "avs";
    scheduleExtension_ = "ava";
    pageCaptions_[0] = Text(TextId::PageStatus);
    pageCaptions_[2] = Text(TextId::PageScheduling);
    pageCaptions_[3] = Text(TextId::PageConfigure);
    pageCaptions_[4] = Text(TextId::PageAdvanced);
    capabilityA_ = 1;
    capabilityF_ = 1;
    capabilityB_ = 0;
    valueCount_ = 21;
    if (Process().modeFlag)
        LoadSettingsFile();
    ResetStatus();
    capabilityC_ = 1;
    changeFlag1_ = changeFlag2_ = true;
    usbSettings_[kUsbAlarmActiveByte] = 0;
    alarmTime_ = 0;
}

void TAerovane::ResetFeatures() {
    TControllerWithSchedule::ResetFeatures();
    features_ |= 1u << kAlwaysOnFeature;
}

int TAerovane::FeatureMinVersion(int feature) {
    for (const Feature& f : kFeatures)
        if (f.bit == feature)
            return f.minVersion;
    return 9999;
}

void TAerovane::SetFirmwareVersion(int version) {
    TControllerWithSchedule::SetFirmwareVersion(version);
    for (const Feature& f : kFeatures)
        if (version >= f.minVersion)
            features_ |= static_cast<std::uint16_t>(1u << f.bit);
}

void TAerovane::SetControllerName(const std::string& name) {
    TControllerWithSchedule::SetControllerName(name);
    CopyName(name, settings_.DevName);
}

void TAerovane::MarkChangedA() {
    TControllerWithSchedule::MarkChangedA();
    changeFlag1_ = changeFlag2_ = true;
}

void TAerovane::MarkChangedB() {
    TControllerWithSchedule::MarkChangedB();
    changeFlag1_ = changeFlag2_ = true;
}

bool TAerovane::IsFunctionAvailable(int kind, bool defaultValue) {
    if (kind == 4)
        return local_.ScheduleEnabled;
    if (kind == 7)
        return local_.FeatureFlag7;
    return defaultValue;
}

void TAerovane::ResetStatus() {
    TControllerWithSchedule::ResetStatus();
    local_ = TAerovaneLocalSettings{};
}

void TAerovane::ReadSettingsFile(const std::filesystem::path& path) {
    ReadAerovaneSettingsFile(settings_, path);
}

void TAerovane::ExportSettings(const std::filesystem::path& iniPath) {
    ExportAerovaneSettings(settings_, iniPath);
}

} // namespace hortivex
