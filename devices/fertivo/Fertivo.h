#pragma once

#include "devices/Controller.h"
#include "devices/fertivo/FertivoSettings.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace hortivex {

// The Fertivo nutrient-dosing and irrigation controller. Create with
// TDevice::Create<TFertivo>(room, controller).
class TFertivo : public TControllerWithSchedule {
public:
    TFertivoSettings& Settings() { return settings_; }
    const TFertivoSettings& Settings() const { return settings_; }

    // Fills the settings record from the first 118 bytes of a ".fvs" file; a shorter file
    // fills the start and leaves the rest. Raises InOutError naming the file when it cannot be
    // opened or read at all, so that no export of a record never read passes as success.
    void ReadSettingsFile(const std::filesystem::path& path);

    // Writes the settings record as the 205 keys of section "Settings".
    void ExportSettings(const std::filesystem::path& iniPath);

    // The EC display unit in settings byte 2. The predicate that holds also sets the
    // process-wide EC unit label.
    bool IsEcUnitCF();
    bool IsEcUnitMs();
    bool IsEcUnitPpm();

    // The pH output choice in settings byte 1.
    bool IsPhOutputNone();
    bool IsPhOutputRaise();
    bool IsPhOutputLower();
    bool IsPhOutputBoth();

    int FeatureMinVersion(int feature) override;
    void SetFirmwareVersion(int version) override;
    TDeviceForm* CreateDeviceForm() override { return nullptr; }
    void SetControllerName(const std::string& name) override;
    int GetTraceCount(bool) override { return 3; }
    int GetSettingsRecordSize() override { return sizeof(TFertivoSettings); }

protected:
    friend class TDevice;
    using TControllerWithSchedule::TControllerWithSchedule;
    void Construct() override;

private:
    TFertivoSettings settings_{};
};

} // namespace hortivex
