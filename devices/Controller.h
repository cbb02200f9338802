#pragma once

#include "devices/Device.h"
#include "devices/MonthLog.h"
#include "devices/SettingsTransfer.h"
#include "devices/Texts.h"
#include "devices/ViewFile.h"
#include "export/IniOutput.h"
#include "export/LittleEndian.h"
#include "export/TextForms.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace hortivex {

// A controller with month logs and a list of pending texts.
class TGenericController : public TDevice {
public:
    std::string GetLogFolder() override;
    std::string NextPendingText() override;
    virtual std::string GetPendingTextAt(int index);

    std::uint8_t PendingTextCursor() const { return pendingTextCursor_; }

protected:
    using TDevice::TDevice;
    void Construct() override;
    // Every reading of a log record starts the pending-text scan again.
    void RestartPendingTexts() { pendingTextCursor_ = 0; }

    std::int32_t unusedField_ = 0;
};

// A controller attached by USB: commands without header, raw data bytes, a NUL at the end.
class TUSBController : public TGenericController {
public:
    std::string GetCommandHeader() override { return {}; }
    bool IsOwnReply(const std::uint8_t* reply, std::size_t length, int& code) override;
    std::string BuildD0Command() override;
    std::string BuildD1Command() override;
    std::string BuildD2Command() override;
    std::string BuildL0Command() override;
    std::string BuildLCCommand() override;
    std::string BuildA0Command() override;
    // The schedule bytes that "L0" and "D0" carry, for the day in force now.
    virtual std::string GetUsbSettingsText() { return UsbSettingsTextAt(Now()); }
    virtual std::string GetUsbCommandData() { return GetUsbSettingsText(); }

protected:
    using TGenericController::TGenericController;
    void Construct() override;

    // The schedule bytes for the day in force at the instant now. "L0" passes the instant its
    // date bytes come from, so that a midnight between two clock readings cannot give a
    // command whose date and schedule day disagree.
    virtual std::string UsbSettingsTextAt(TDateTime /*now*/) { return {}; }

    // The current local date and time.
    static TDateTime Now();
};

// What tells a concrete controller apart when it is constructed: its kind code and two type
// letters, the extensions of its log, view, settings and schedule files, the captions of its
// five pages (TextId::Count for none) and its capability flag B.
struct ControllerIdentity {
    std::uint8_t kind;
    std::array<char, 2> letters;
    std::array<const char*, 4> extensions;
    std::array<TextId, 5> pages;
    std::uint8_t capabilityB;
};

// A controller that keeps a schedule; the schedule operations belong to the concrete classes.
class TControllerWithSchedule : public TUSBController {
public:
    virtual int GetScheduleCount();
    virtual int GetScheduleDay(int index);
    virtual std::string GetScheduleDateText(int index);
    virtual void SetScheduleStartDate(TDateTime date);
    virtual TDateTime GetScheduleStartDate();
    virtual void DeleteScheduleEntry(int index);
    virtual bool AddScheduleEntry(int day);
    virtual bool MoveScheduleEntry(int fromDay, int toDay);
    virtual void ScheduleChanged();
    virtual bool UsesUsDateFormat();

protected:
    using TUSBController::TUSBController;

    // A concrete controller's own construction steps: its identity, extensions, page captions
    // and capability flags, the status values shown without the extended-value switch, then,
    // with the application's mode switch, its settings file, then ResetStatus and capability
    // flag C.
    void ConstructAs(const ControllerIdentity& identity, int mainValues);

    // "dd/mm/yy", or "mm/dd/yy" in the US format, with the regional date separator.
    static std::string ScheduleDateText(TDateTime date, bool usFormat);
    // The index of the entry in force at the instant now with the schedule starting on start:
    // the last entry before the first whose day lies after that day of the schedule; 0 when
    // none.
    template <class Day>
    static int CurrentScheduleIndex(const std::vector<Day>& days, TDateTime start, TDateTime now) {
        const double today = std::trunc(now) - std::trunc(start) + 1;
        int index = 0;
        for (std::size_t i = 0; i < days.size() && days[i].Day <= today; ++i)
            index = static_cast<int>(i);
        return index;
    }
    // Inserts an entry for day where it keeps the days ascending, fills it with init(position)
    // and then gives it the day; false, with the list unchanged, when day is present already.
    template <class Day, class Init>
    static bool InsertScheduleDay(std::vector<Day>& days, int day, Init init) {
        std::size_t position = days.size();
        for (std::size_t i = 0; i < days.size(); ++i) {
            if (days[i].Day == day)
                return false;
            if (days[i].Day > day) {
                position = i;
                break;
            }
        }
        days.insert(days.begin() + static_cast<std::ptrdiff_t>(position), Day{});
        init(static_cast<int>(position));
        days[position].Day = day;
        return true;
    }
    // The error for an index outside the list.
    [[noreturn]] static void ThrowIndexError(int index);
};

// A scheduling controller with a settings record, a log record and built-in view traces of its
// own types: the settings file and transfer, the month log and the view file are bound to them
// here once, so that each controller keeps only what differs. The settings travel in
// SettingsBlocks blocks; the month log stores the blocks that LogBlocks(record) names.
template <class SettingsRecord, class LogRecordType, class Local, std::size_t Traces,
          int SettingsBlocks>
class TRecordController : public TControllerWithSchedule {
    static_assert(sizeof(SettingsRecord) == SettingsBlocks * kSettingsBlockSize,
                  "the settings record is exactly the blocks it travels in");

public:
    using ScheduleDay = typename decltype(Local::Days)::value_type;

    // The controller's local settings: among them the schedule days and start date.
    Local& LocalSettings() { return local_; }
    // Fills the entry at index with the values a new entry starts with.
    virtual void InitScheduleEntry(int index) = 0;
    // The entry that applies today; 0 when none does.
    int GetCurrentScheduleIndex() {
        return CurrentScheduleIndex(local_.Days, local_.StartDate, Now());
    }
    int GetScheduleDay(int index) override { return DayAt(index).Day; }
    std::string GetScheduleDateText(int index) override {
        return ScheduleDateText(local_.StartDate + DayAt(index).Day - 1, UsesUsDateFormat());
    }
    void SetScheduleStartDate(TDateTime date) override { local_.StartDate = date; }
    TDateTime GetScheduleStartDate() override {
        if (local_.StartDate == 0)
            local_.StartDate = Now();
        return local_.StartDate;
    }
    // Removes exactly the entry at index, whether or not the schedule is in use; an index
    // outside the list changes nothing.
    void DeleteScheduleEntry(int index) override {
        if (index < 0 || static_cast<std::size_t>(index) >= local_.Days.size())
            return;
        local_.Days.erase(local_.Days.begin() + index);
    }
    bool AddScheduleEntry(int day) override {
        return InsertScheduleDay(local_.Days, day,
                                 [this](int position) { InitScheduleEntry(position); });
    }
    void ScheduleChanged() override {}

    SettingsRecord& Settings() { return settings_; }
    const SettingsRecord& Settings() const { return settings_; }
    // The current log record: the date-time and the blocks last stored or read.
    LogRecordType& LogRecord() { return logRecord_; }
    int GetSettingsRecordSize() override { return sizeof(SettingsRecord); }
    int GetTraceCount(bool) override { return static_cast<int>(Traces); }

    void LoadView(int index) override { Views().Load(index); }
    void SaveView(int index) override { Views().Save(index); }
    void DeleteView(int index) override { Views().Delete(index); }
    void InsertViewGap(int first, int last) override { Views().InsertGap(first, last); }
    // Trace entries 1 to Traces; any other index answers an all-zero entry.
    TTraceEntry GetTraceEntry(int index) override {
        return IsOwnTrace(index) ? traces_[static_cast<std::size_t>(index - 1)] : kNoTraceEntry;
    }
    bool IsTraceVisible(int index) override {
        if (index > static_cast<int>(Traces))
            return TControllerWithSchedule::IsTraceVisible(index);
        return index >= 1 && traces_[static_cast<std::size_t>(index - 1)].visible != 0;
    }
    std::uint32_t GetTraceColour(int index) override {
        if (index > static_cast<int>(Traces))
            return TControllerWithSchedule::GetTraceColour(index);
        return index >= 1 ? traces_[static_cast<std::size_t>(index - 1)].colour
                          : kHiddenTraceColour;
    }

    std::string SaveSettingsFile(const std::string& path) override {
        return SaveSettingsRecord(*this, path, RecordBytes(settings_));
    }
    bool LoadSettingsFile() override {
        const std::string path =
            settingsPath_.empty() ? GetSettingsFolder() + GetSettingsFileName(-1) : settingsPath_;
        return LoadSettingsRecord(path, RecordBytes(settings_));
    }
    // A reply of a whole block fills the block that the transfer state names: the first block
    // when no transfer is under way, then each further one in turn.
    void StoreSettingsReply(const std::uint8_t* reply, std::size_t length) override {
        if (!ReplyHolds(reply, length, kSettingsBlockSize))
            return;
        if (transferToggle_ == 0) {
            StoreSettingsBlock(RecordBytes(settings_), 0, reply, length);
            settingsPage_ = 1;
            transferToggle_ = 1;
        } else if (settingsPage_ >= 1 && settingsPage_ < SettingsBlocks) {
            StoreSettingsBlock(RecordBytes(settings_), settingsPage_, reply, length);
            if (settingsPage_ == SettingsBlocks - 1)
                transferToggle_ = 0;
            else
                ++settingsPage_;
        }
    }

    void AssignLogFile(const std::string& path) override { logFile_.Assign(path); }
    void OpenLogFile() override { logFile_.Open(); }
    bool LogEof() override { return logFile_.Eof(); }
    void CloseLogFile() override { logFile_.Close(); }
    void AppendLogRecord(const std::string& path) override { logFile_.Append(path); }
    double ReadLastLogRecord(TDateTime date) override {
        return OpenMonthLog(date) ? logFile_.ReadLastAndClose() : 0;
    }
    TDateTime GetRecordTime() override { return logRecord_.DateTime; }
    void ShiftRecordDate() override { RebaseDate(logRecord_.DateTime, baseDay_); }
    void ReadLogRecord() override {
        ReadLogRecordRaw();
        RestartPendingTexts();
    }
    bool ReadLogRecordRaw() override {
        logFile_.ReadNext();
        return true;
    }

protected:
    using TControllerWithSchedule::TControllerWithSchedule;

    static bool IsOwnTrace(int index) { return index >= 1 && index <= static_cast<int>(Traces); }
    // The command that carries block `block` of the settings record, ended by trailer.
    std::string SettingsCommand(const char* code, int block, std::uint8_t trailer) {
        return SettingsBlockCommand(GetCommandHeader(), code, RecordBytes(settings_), block,
                                    trailer);
    }

    // length bytes from offset of the schedule day in force at the instant now; zero bytes when
    // the schedule is off or empty.
    std::string CurrentDayBytes(TDateTime now, std::size_t offset, std::size_t length) const {
        if (!local_.ScheduleEnabled || local_.Days.empty())
            return std::string(length, '\0');
        const auto index =
            static_cast<std::size_t>(CurrentScheduleIndex(local_.Days, local_.StartDate, now));
        return std::string(reinterpret_cast<const char*>(&local_.Days[index]) + offset, length);
    }
    // Writes each schedule day as section prefix + its index: its "Day", then what
    // writeDay(out, section, bytes) adds from the day's bytes.
    template <class WriteDay>
    void ExportDays(const std::filesystem::path& iniPath, const char* prefix,
                    WriteDay writeDay) const {
        IniOutput out(iniPath);
        for (std::size_t i = 0; i < local_.Days.size(); ++i) {
            std::uint8_t record[sizeof(ScheduleDay)];
            std::memcpy(record, &local_.Days[i], sizeof record);
            const std::string section = prefix + IndexText(static_cast<long long>(i));
            out.WriteWholeEntry(section, "Day", LongAt(record, offsetof(ScheduleDay, Day)));
            writeDay(out, section, record);
        }
        out.Close();
    }

    const ScheduleDay& DayAt(int index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= local_.Days.size())
            ThrowIndexError(index);
        return local_.Days[static_cast<std::size_t>(index)];
    }

    SettingsRecord settings_{};
    LogRecordType logRecord_{};
    Local local_;
    std::array<TTraceEntry, Traces> traces_{};

private:
    ViewFile Views() { return ViewFile(*this, traces_); }

    MonthLog logFile_{logRecord_.DateTime, LogBlocks(logRecord_)};
};

} // namespace hortivex
