#pragma once

#include "devices/aerovane/AerovaneSettings.h"

#include <filesystem>

namespace hortivex {

// Fills the record from the start of the settings file at path: a shorter file leaves the rest
// of the record as it was, a longer one gives only its first 177 bytes. Raises HxError naming
// the file when it cannot be opened or read, so that an export of an unread record never
// passes for a conversion.
void ReadAerovaneSettingsFile(TAerovaneSettings& settings, const std::filesystem::path& path);

// Writes the record as the 278 keys of section "Climate" into the INI file at iniPath. Errors of
// the INI output pass to the caller, and the output is then discarded.
void ExportAerovaneSettings(const TAerovaneSettings& settings,
                            const std::filesystem::path& iniPath);

} // namespace hortivex
