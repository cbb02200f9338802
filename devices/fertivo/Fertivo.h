#pragma once

#include "devices/fertivo/FertivoSettings.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace hortivex {

// The Fertivo nutrient-dosing and irrigation controller.
class TFertivo {
public:
    TFertivo(std::string roomName, std::string controllerName, bool flag = false);
    virtual ~TFertivo() = default;

    const std::string& RoomName() const { return roomName_; }
    const std::string& ControllerName() const { return controllerName_; }

    TFertivoSettings& Settings() { return settings_; }
    const TFertivoSettings& Settings() const { return settings_; }

    // Fills the settings record from the first 118 bytes of a ".fvs" file; a shorter file
    // fills the start and leaves the rest. Raises HxError naming the file when it cannot be
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
    bool IsPhOutputNone() const;
    bool IsPhOutputRaise() const;
    bool IsPhOutputLower() const;
    bool IsPhOutputBoth() const;

    // Whether firmware feature `bit` is present; none is until a firmware version is set.
    bool HasFeature(int bit) const;

private:
    std::string roomName_;
    std::string controllerName_;
    TFertivoSettings settings_{};
    std::uint16_t features_ = 0;
};

} // namespace hortivex
