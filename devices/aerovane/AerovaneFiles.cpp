// The Aerovane controller's files and blocks: views, the month log, trace entries and names,
// settings transfer, the settings file and the registry clean-up.
#include "devices/aerovane/Aerovane.h"

#include "devices/Texts.h"
#include "platform/Errors.h"

#include <cstring>

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

using LogBytes = std::array<std::uint8_t, kAerovaneLogRecordSize>;
constexpr std::size_t kExtraOffset = 8 + sizeof(TAerovaneLiveBlock);

LogBytes EncodeLog(const TAerovaneLogRecord& record) {
    LogBytes bytes{};
    EncodeDateTime(record.DateTime, bytes.data());
    std::memcpy(bytes.data() + 8, &record.Live, sizeof record.Live);
    std::memcpy(bytes.data() + kExtraOffset, record.Extra, sizeof record.Extra);
    return bytes;
}

void DecodeLog(const LogBytes& bytes, TAerovaneLogRecord& record) {
    record.DateTime = DecodeDateTime(bytes.data());
    std::memcpy(&record.Live, bytes.data() + 8, sizeof record.Live);
    std::memcpy(record.Extra, bytes.data() + kExtraOffset, sizeof record.Extra);
}

} // namespace

void TAerovane::LoadView(int index) {
    ViewFile(*this, traces_).Load(index);
}

void TAerovane::SaveView(int index) {
    ViewFile(*this, traces_).Save(index);
}

void TAerovane::DeleteView(int index) {
    ViewFile(*this, traces_).Delete(index);
}

void TAerovane::InsertViewGap(int first, int last) {
    ViewFile(*this, traces_).InsertGap(first, last);
}

void TAerovane::ResetTraces(bool visible) {
    for (int n = 1; n <= kTraces; ++n)
        InitTraceEntry(traces_[static_cast<std::size_t>(n - 1)], n, visible && IsShownByDefault(n));
    TControllerWithSchedule::ResetTraces(visible);
}

TTraceEntry TAerovane::GetTraceEntry(int index) {
    if (index < 1 || index > kTraces)
        return kNoTraceEntry;
    TTraceEntry& entry = traces_[static_cast<std::size_t>(index - 1)];
    if (GetTraceName(index, false) == Text(TextId::AvNotAvailable))
        entry.visible = 0;
    return entry;
}

bool TAerovane::IsTraceVisible(int index) {
    if (index > kTraces)
        return TControllerWithSchedule::IsTraceVisible(index);
    return index >= 1 && traces_[static_cast<std::size_t>(index - 1)].visible != 0 &&
           GetTraceName(index, false) != Text(TextId::AvNotAvailable);
}

std::uint32_t TAerovane::GetTraceColour(int index) {
    if (index > kTraces)
        return TControllerWithSchedule::GetTraceColour(index);
    return index >= 1 ? traces_[static_cast<std::size_t>(index - 1)].colour : kHiddenTraceColour;
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
    std::string command = SettingsBlockCommand(GetCommandHeader(), "S0", RecordBytes(settings_), 0,
                                               TrailerByte(identityReply_));
    settingsPage_ = 1;
    transferToggle_ = 1;
    return command;
}

std::string TAerovane::BuildSettingsNextCommand() {
    if (settingsPage_ == 1) {
        std::string command = SettingsBlockCommand(GetCommandHeader(), "S1", RecordBytes(settings_),
                                                   1, TrailerByte(identityReply_));
        settingsPage_ = 2;
        transferToggle_ = 1;
        return command;
    }
    std::string command = SettingsBlockCommand(GetCommandHeader(), "S2", RecordBytes(settings_), 2,
                                               TrailerByte(identityReply_));
    transferToggle_ = 0;
    return command;
}

void TAerovane::StoreSettingsReply(const std::uint8_t* reply, std::size_t length) {
    if (!reply || length < kSettingsBlockSize)
        return;
    if (transferToggle_ == 0) {
        StoreSettingsBlock(RecordBytes(settings_), 0, reply, length);
        settingsPage_ = 1;
        transferToggle_ = 1;
    } else if (settingsPage_ == 1) {
        StoreSettingsBlock(RecordBytes(settings_), 1, reply, length);
        settingsPage_ = 2;
    } else if (settingsPage_ == 2) {
        StoreSettingsBlock(RecordBytes(settings_), 2, reply, length);
        transferToggle_ = 0;
    }
}

std::string TAerovane::SaveSettingsFile(const std::string& path) {
    return SaveSettingsRecord(*this, path, RecordBytes(settings_));
}

bool TAerovane::LoadSettingsFile() {
    const std::string path =
        settingsPath_.empty() ? GetSettingsFolder() + GetSettingsFileName(-1) : settingsPath_;
    return LoadSettingsRecord(path, RecordBytes(settings_));
}

void TAerovane::AppendLogRecord(const std::string& path) {
    MonthLog::Append(path, EncodeLog(logRecord_).data(), kAerovaneLogRecordSize);
}

void TAerovane::AssignLogFile(const std::string& path) {
    logFile_.Assign(path);
}

void TAerovane::OpenLogFile() {
    logFile_.Open();
}

bool TAerovane::LogEof() {
    return logFile_.Eof();
}

void TAerovane::CloseLogFile() {
    logFile_.Close();
}

double TAerovane::ReadLastLogRecord(TDateTime date) {
    LogBytes bytes{};
    if (!OpenMonthLog(date) || !logFile_.ReadLastAndClose(bytes.data()))
        return 0;
    DecodeLog(bytes, logRecord_);
    return logRecord_.DateTime;
}

void TAerovane::ShiftRecordDate() {
    RebaseDate(logRecord_.DateTime, baseDay_);
}

void TAerovane::ReadLogRecord() {
    ReadLogRecordRaw();
    RestartPendingTexts();
}

bool TAerovane::ReadLogRecordRaw() {
    LogBytes bytes{};
    logFile_.ReadNext(bytes.data());
    DecodeLog(bytes, logRecord_);
    return true;
}

void TAerovane::DeleteRegistrySettings() {
    std::string key;
    try {
        key = ControllerRegistryKey();
    } catch (const HxError&) {
        return; // a name that is no single key name deletes nothing
    }
    DeleteControllerSubKeys(key,
                            {"SetupAutoSetSchedule", "SetupAutosetGrowthStage", "SetupManual",
                             "ViewAdvancedPage", "MaintReminderPeriod", "NextMaintReminder",
                             "PageBool", "AutoSetGrowthStage"},
                            {"Day1", "NumSchedDays", "Sched"});
    TControllerWithSchedule::DeleteRegistrySettings();
}

} // namespace hortivex
