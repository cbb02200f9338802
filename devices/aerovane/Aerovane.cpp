#include "devices/aerovane/Aerovane.h"

#include "devices/Texts.h"
#include "devices/aerovane/AerovaneSettingsExport.h"

namespace hortivex {

namespace {

constexpr int kAlwaysOnFeature = 4;

// Firmware features and the first version that has each.
constexpr FirmwareFeature kFeatures[] = {{5, 103}, {6, 206}};

constexpr ControllerIdentity kIdentity{
    .kind = 5,
    .letters = {'A', 'V'},
    .extensions = {".avl", ".avv", "avs", "ava"},
    .pages = {TextId::PageStatus, TextId::Count, TextId::PageScheduling, TextId::PageConfigure,
              TextId::PageAdvanced},
    .capabilityB = 0,
};

} // namespace

void TAerovane::Construct() {
    TControllerWithSchedule::Construct();
    ConstructAs(kIdentity, MainValueCount());
    changeFlag1_ = changeFlag2_ = true;
    usbSettings_[kUsbAlarmActiveByte] = 0;
    alarmTime_ = 0;
}

void TAerovane::ResetFeatures() {
    TControllerWithSchedule::ResetFeatures();
    features_ |= 1u << kAlwaysOnFeature;
}

int TAerovane::FeatureMinVersion(int feature) {
    return MinVersionOf(kFeatures, feature);
}

void TAerovane::SetFirmwareVersion(int version) {
    TControllerWithSchedule::SetFirmwareVersion(version);
    AddFeaturesOf(kFeatures, version);
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
