#pragma once

#include "devices/fertivo/FertivoSettings.h"

#include <filesystem>

namespace hortivex {

// The EC display unit that settings byte 2 selects; None when both unit bits are set.
enum class FertivoEcUnit { MsPerCm, CF, Ppm, None };
FertivoEcUnit EcUnitOf(const TFertivoSettings& settings);

// Writes the record as the 205 keys of section "Settings" into the INI file at iniPath, the EC
// unit key from ecUnit. Errors of the INI output pass to the caller, and the output is then
// discarded.
void ExportFertivoSettings(const TFertivoSettings& settings, FertivoEcUnit ecUnit,
                           const std::filesystem::path& iniPath);

} // namespace hortivex
