// What the Fertivo controller keeps apart from the shared files: its trace entries' defaults
// and names, its settings transfer and its registry clean-up.
#include "devices/fertivo/Fertivo.h"

#include "devices/RegistryCleanup.h"
#include "devices/Texts.h"

namespace hortivex {

namespace {

constexpr int kTraces = 3;

} // namespace

void TFertivo::ResetTraces(bool visible) {
    for (int n = 1; n <= kTraces; ++n)
        InitTraceEntry(traces_[static_cast<std::size_t>(n - 1)], n, visible);
}

std::string TFertivo::GetTraceName(int index, bool /*combined*/) {
    switch (index) {
    case 1:
        return Text(TextId::FvEC);
    case 2:
        return Text(TextId::FvPH);
    case 3:
        return Text(TextId::FvTemp);
    default:
        return {};
    }
}

std::string TFertivo::BuildSettingsFirstCommand() {
    std::string command = SettingsCommand("S0", 0, identityReply_.Trailer);
    transferToggle_ = 1;
    settingsPage_ = 1;
    return command;
}

std::string TFertivo::BuildSettingsNextCommand() {
    if (settingsPage_ != 1)
        return {};
    std::string command = SettingsCommand("S1", 1, identityReply_.Trailer);
    transferToggle_ = 0;
    return command;
}

void TFertivo::StoreSettingsReply(const std::uint8_t* reply, std::size_t length) {
    if (!ReplyHolds(reply, length, kSettingsBlockSize))
        return;
    TRecordController::StoreSettingsReply(reply, length);
    local_.PpmFactor = GetPpmFactor();
}

bool TFertivo::LoadSettingsFile() {
    if (!TRecordController::LoadSettingsFile())
        return false;
    RegisterDevice();
    return true;
}

void TFertivo::DeleteRegistrySettings() {
    DeleteControllerSubKeys(
        *this, {"UsingDosingSchedule", "TDSFactor", "MaintReminderPeriod", "NextMaintReminder"},
        {"Day1", "NumDoseSchedDays", "SchedEx", "Sched"});
    TControllerWithSchedule::DeleteRegistrySettings();
}

} // namespace hortivex
