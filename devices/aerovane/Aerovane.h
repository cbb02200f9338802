#pragma once

#include "devices/Controller.h"
#include "devices/aerovane/AerovaneSettings.h"

#include <filesystem>

namespace hortivex {

// The Aerovane climate controller. Create with TDevice::Create<TAerovane>(room, controller).
class TAerovane : public TControllerWithSchedule {
public:
    TAerovaneSettings& Settings() { return settings_; }
    const TAerovaneSettings& Settings() const { return settings_; }

    // Fills the settings record from the first 177 bytes of an ".avs" file; raises InOutError
    // naming the file when it cannot be opened or read.
    void ReadSettingsFile(const std::filesystem::path& path);
    // Writes the settings record as the 278 keys of section "Climate".
    void ExportSettings(const std::filesystem::path& iniPath);

    bool ChangeFlag1() const { return changeFlag1_; }
    bool ChangeFlag2() const { return changeFlag2_; }

    void ResetFeatures() override;
    int FeatureMinVersion(int feature) override;
    void SetFirmwareVersion(int version) override;
    TDeviceForm* CreateDeviceForm() override { return nullptr; }
    void SetControllerName(const std::string& name) override;
    int GetTraceCount(bool) override { return 28; }
    int GetSettingsRecordSize() override { return sizeof(TAerovaneSettings); }
    bool HasUnsentChanges() override { return changeFlag1_ || changeFlag2_; }
    void MarkChangedA() override;
    void MarkChangedB() override;
    bool UsesUsDateFormat() override { return (settings_.SetBool2 & 0x02) != 0; }

protected:
    friend class TDevice;
    using TControllerWithSchedule::TControllerWithSchedule;
    void Construct() override;

private:
    TAerovaneSettings settings_{};
    bool changeFlag1_ = false;
    bool changeFlag2_ = false;
    bool alarmActive_ = false;
    TDateTime alarmTime_ = 0;
};

} // namespace hortivex
