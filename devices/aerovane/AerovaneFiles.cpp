// What the Aerovane controller keeps apart from the shared files: its trace entries' defaults
// and names, its settings transfer and its registry clean-up.
#include "devices/aerovane/Aerovane.h"

#include "devices/RegistryCleanup.h"
#include "devices/Texts.h"

namespace hortivex {

namespace {

constexpr int kTraces = 28;
// The traces a reset may show; the others start hidden.
constexpr int kShownByDefault[] = {1, 4, 11, 22, 23, 24, 27};

// Bits of the live block's equipment-installed byte that name traces 23 and 25.
constexpr std::uint8_t kAirConInstalled = 0x04;
constexpr std::uint8_t kFoggerInstalled = 0x40;

// A trace name: one text, or two joined by a blank. Traces 22, 23 and 25 (kApart) depend on
// the fan number or the equipment and are built in GetTraceName.
struct TraceName {
    TextId first;
    TextId second = TextId::Count;
};
constexpr TraceName kNA{TextId::AvNotAvailable};
constexpr TraceName kApart{TextId::Count};
constexpr TraceName kTraceNames[kTraces] = {{TextId::AvTemp, TextId::AvIn},
                                            kNA,
                                            kNA,
                                            {TextId::AvRH},
                                            kNA,
                                            kNA,
                                            {TextId::AvVPD},
                                            {TextId::AvCO2},
                                            kNA,
                                            kNA,
                                            {TextId::AvLight},
                                            kNA,
                                            {TextId::AvTemp, TextId::AvOut},
                                            {TextId::AvIntegIrrad},
                                            {TextId::AvCO2Inject},
                                            {TextId::AvCool, TextId::AvTgt},
                                            {TextId::AvHeat, TextId::AvTgt},
                                            {TextId::AvRH, TextId::AvTgt},
                                            {TextId::AvCO2, TextId::AvTgt},
                                            {TextId::AvAlarm},
                                            {TextId::AvLights},
                                            kApart,
                                            kApart,
                                            {TextId::AvHeater},
                                            kApart,
                                            {TextId::AvCO2},
                                            {TextId::AvDehumid},
                                            {TextId::AvPurging}};

// "Fan %d" with the fan's number.
std::string FanText(int fan) {
    std::string text = Text(TextId::AvFanFormat);
    const auto at = text.find("%d");
    return at == std::string::npos ? text : text.replace(at, 2, std::to_string(fan));
}

bool IsShownByDefault(int n) {
    for (int shown : kShownByDefault)
        if (shown == n)
            return true;
    return false;
}

// The last byte of the identity reply, sent after each settings block.
std::uint8_t TrailerByte(const TAerovaneLiveBlock& identityReply) {
    return RecordBytes(identityReply).back();
}

} // namespace

void TAerovane::ResetTraces(bool visible) {
    for (int n = 1; n <= kTraces; ++n)
        InitTraceEntry(traces_[static_cast<std::size_t>(n - 1)], n, visible && IsShownByDefault(n));
    TControllerWithSchedule::ResetTraces(visible);
}

TTraceEntry TAerovane::GetTraceEntry(int index) {
    if (IsOwnTrace(index) && GetTraceName(index, false) == Text(TextId::AvNotAvailable))
        traces_[static_cast<std::size_t>(index - 1)].visible = 0;
    return TRecordController::GetTraceEntry(index);
}

bool TAerovane::IsTraceVisible(int index) {
    return TRecordController::IsTraceVisible(index) &&
           (!IsOwnTrace(index) || GetTraceName(index, false) != Text(TextId::AvNotAvailable));
}

std::string TAerovane::GetTraceName(int index, bool combined) {
    const std::uint8_t installed = logRecord_.Live.SetBool0;
    switch (index) {
    case 22:
        return FanText(1);
    case 23:
        if (combined)
            return Text(TextId::AvFan2OrAirCon);
        return installed & kAirConInstalled ? Text(TextId::AvAirCon) : FanText(2);
    case 25:
        if (combined)
            return Text(TextId::AvFogOrHumid);
        return Text(installed & kFoggerInstalled ? TextId::AvFog : TextId::AvHumid);
    default:
        break;
    }
    if (index < 1 || index > kTraces)
        return {};
    const TraceName& name = kTraceNames[index - 1];
    if (name.second == TextId::Count)
        return Text(name.first);
    return Text(name.first) + " " + Text(name.second);
}

std::string TAerovane::BuildSettingsFirstCommand() {
    SettingsChanged();
    std::string command = SettingsCommand("S0", 0, TrailerByte(identityReply_));
    settingsPage_ = 1;
    transferToggle_ = 1;
    return command;
}

std::string TAerovane::BuildSettingsNextCommand() {
    if (settingsPage_ == 1) {
        std::string command = SettingsCommand("S1", 1, TrailerByte(identityReply_));
        settingsPage_ = 2;
        transferToggle_ = 1;
        return command;
    }
    std::string command = SettingsCommand("S2", 2, TrailerByte(identityReply_));
    transferToggle_ = 0;
    return command;
}

void TAerovane::DeleteRegistrySettings() {
    DeleteControllerSubKeys(*this,
                            {"SetupAutoSetSchedule", "SetupAutosetGrowthStage", "SetupManual",
                             "ViewAdvancedPage", "MaintReminderPeriod", "NextMaintReminder",
                             "PageBool", "AutoSetGrowthStage"},
                            {"Day1", "NumSchedDays", "Sched"});
    TControllerWithSchedule::DeleteRegistrySettings();
}

} // namespace hortivex
