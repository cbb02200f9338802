// The Fertivo controller's files and blocks: views, the month log, trace entries, settings
// transfer, the settings file and the registry clean-up.
#include "devices/fertivo/Fertivo.h"

#include "devices/Texts.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstring>

namespace hortivex {

namespace {

constexpr int kTraces = 3;

using LogBytes = std::array<std::uint8_t, kFertivoLogRecordSize>;

LogBytes EncodeLog(const TFertivoLogRecord& record) {
    LogBytes bytes{};
    EncodeDateTime(record.DateTime, bytes.data());
    std::memcpy(bytes.data() + 8, &record.Status, sizeof record.Status);
    return bytes;
}

void DecodeLog(const LogBytes& bytes, TFertivoLogRecord& record) {
    record.DateTime = DecodeDateTime(bytes.data());
    std::memcpy(&record.Status, bytes.data() + 8, sizeof record.Status);
}

} // namespace

void TFertivo::LoadView(int index) {
    ViewFile(*this, traces_).Load(index);
}

void TFertivo::SaveView(int index) {
    ViewFile(*this, traces_).Save(index);
}

void TFertivo::DeleteView(int index) {
    ViewFile(*this, traces_).Delete(index);
}

void TFertivo::InsertViewGap(int first, int last) {
    ViewFile(*this, traces_).InsertGap(first, last);
}

void TFertivo::ResetTraces(bool visible) {
    for (int n = 1; n <= kTraces; ++n)
        InitTraceEntry(traces_[static_cast<std::size_t>(n - 1)], n, visible);
}

TTraceEntry TFertivo::GetTraceEntry(int index) {
    if (index < 1 || index > kTraces)
        return kNoTraceEntry;
    return traces_[static_cast<std::size_t>(index - 1)];
}

bool TFertivo::IsTraceVisible(int index) {
    if (index > kTraces)
        return TControllerWithSchedule::IsTraceVisible(index);
    return index >= 1 && traces_[static_cast<std::size_t>(index - 1)].visible != 0;
}

std::uint32_t TFertivo::GetTraceColour(int index) {
    if (index > kTraces)
        return TControllerWithSchedule::GetTraceColour(index);
    return index >= 1 ? traces_[static_cast<std::size_t>(index - 1)].colour : kHiddenTraceColour;
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
    std::string command = SettingsBlockCommand(GetCommandHeader(), "S0", RecordBytes(settings_), 0,
                                               identityReply_.Trailer);
    transferToggle_ = 1;
    settingsPage_ = 1;
    return command;
}

std::string TFertivo::BuildSettingsNextCommand() {
    if (settingsPage_ != 1)
        return {};
    std::string command = SettingsBlockCommand(GetCommandHeader(), "S1", RecordBytes(settings_), 1,
                                               identityReply_.Trailer);
    transferToggle_ = 0;
    return command;
}

void TFertivo::StoreSettingsReply(const std::uint8_t* reply, std::size_t length) {
    if (!reply || length < kSettingsBlockSize)
        return;
    if (transferToggle_ == 0) {
        StoreSettingsBlock(RecordBytes(settings_), 0, reply, length);
        settingsPage_ = 1;
        transferToggle_ = 1;
    } else if (settingsPage_ == 1) {
        StoreSettingsBlock(RecordBytes(settings_), 1, reply, length);
        transferToggle_ = 0;
    }
    local_.PpmFactor = GetPpmFactor();
}

std::string TFertivo::SaveSettingsFile(const std::string& path) {
    return SaveSettingsRecord(*this, path, RecordBytes(settings_));
}

bool TFertivo::LoadSettingsFile() {
    const std::string path =
        settingsPath_.empty() ? GetSettingsFolder() + GetSettingsFileName(-1) : settingsPath_;
    if (!LoadSettingsRecord(path, RecordBytes(settings_)))
        return false;
    RegisterDevice();
    return true;
}

void TFertivo::AppendLogRecord(const std::string& path) {
    MonthLog::Append(path, EncodeLog(logRecord_).data(), kFertivoLogRecordSize);
}

void TFertivo::AssignLogFile(const std::string& path) {
    logFile_.Assign(path);
}

void TFertivo::OpenLogFile() {
    logFile_.Open();
}

bool TFertivo::LogEof() {
    return logFile_.Eof();
}

void TFertivo::CloseLogFile() {
    logFile_.Close();
}

double TFertivo::ReadLastLogRecord(TDateTime date) {
    LogBytes bytes{};
    if (!OpenMonthLog(date) || !logFile_.ReadLastAndClose(bytes.data()))
        return 0;
    DecodeLog(bytes, logRecord_);
    return logRecord_.DateTime;
}

void TFertivo::ShiftRecordDate() {
    RebaseDate(logRecord_.DateTime, baseDay_);
}

void TFertivo::ReadLogRecord() {
    ReadLogRecordRaw();
    RestartPendingTexts();
}

bool TFertivo::ReadLogRecordRaw() {
    LogBytes bytes{};
    logFile_.ReadNext(bytes.data());
    DecodeLog(bytes, logRecord_);
    return true;
}

void TFertivo::DeleteRegistrySettings() {
    std::string key;
    try {
        key = ControllerRegistryKey();
    } catch (const HxError&) {
        return; // a name that is no single key name deletes nothing
    }
    DeleteControllerSubKeys(
        key, {"UsingDosingSchedule", "TDSFactor", "MaintReminderPeriod", "NextMaintReminder"},
        {"Day1", "NumDoseSchedDays", "SchedEx", "Sched"});
    TControllerWithSchedule::DeleteRegistrySettings();
}

} // namespace hortivex
