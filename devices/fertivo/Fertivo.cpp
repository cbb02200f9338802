#include "devices/fertivo/Fertivo.h"

#include "options/ProcessState.h"
#include "platform/FileSystem.h"

#include <cstring>

namespace hortivex {

namespace {

constexpr std::uint8_t kEcUnitCF = 0x02;
constexpr std::uint8_t kEcUnitPpm = 0x04;
constexpr std::uint8_t kPhRaise = 0x40;
constexpr std::uint8_t kPhLower = 0x80;

} // namespace

TFertivo::TFertivo(std::string roomName, std::string controllerName, bool /*flag*/)
    : roomName_(std::move(roomName)), controllerName_(std::move(controllerName)) {}

void TFertivo::ReadSettingsFile(const std::filesystem::path& path) {
    const std::string bytes = ReadFilePrefix(path, sizeof(TFertivoSettings));
    std::memcpy(&settings_, bytes.data(), bytes.size());
}

bool TFertivo::IsEcUnitCF() {
    const std::uint8_t unit = settings_.SetBool2 & (kEcUnitCF | kEcUnitPpm);
    if (unit != kEcUnitCF)
        return false;
    Process().ecUnitLabel = " CF  ";
    return true;
}

bool TFertivo::IsEcUnitMs() {
    if ((settings_.SetBool2 & (kEcUnitCF | kEcUnitPpm)) != 0)
        return false;
    Process().ecUnitLabel = "mS/cm";
    return true;
}

bool TFertivo::IsEcUnitPpm() {
    const std::uint8_t unit = settings_.SetBool2 & (kEcUnitCF | kEcUnitPpm);
    if (unit != kEcUnitPpm)
        return false;
    Process().ecUnitLabel = "ppm";
    return true;
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

bool TFertivo::IsPhOutputBoth() const {
    // A controller without feature 3 cannot choose: it drives both outputs.
    return (settings_.SetBool1 & (kPhRaise | kPhLower)) == (kPhRaise | kPhLower) || !HasFeature(3);
}

bool TFertivo::HasFeature(int bit) const {
    return bit >= 0 && bit <= 15 && (features_ & (1u << bit)) != 0;
}

} // namespace hortivex
