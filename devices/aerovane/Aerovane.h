#pragma once

#include "devices/Controller.h"
#include "devices/DeviceFiles.h"
#include "devices/aerovane/AerovaneLive.h"
#include "devices/aerovane/AerovaneSchedule.h"
#include "devices/aerovane/AerovaneSettings.h"

#include <array>
#include <filesystem>

namespace hortivex {

// The Aerovane climate controller. Create with TDevice::Create<TAerovane>(room, controller).
class TAerovane : public TControllerWithSchedule {
public:
    TAerovaneSettings& Settings() { return settings_; }
    const TAerovaneSettings& Settings() const { return settings_; }

    // Fills the settings record from the first 177 bytes of an ".avs" file; raises InOutError
    // naming the file when it cannot be opened or read.
    void ReadSettingsFile(const std::filesystem::path& path);
    // Writes the settings record as the 278 keys of section "Climate".
    void ExportSettings(const std::filesystem::path& iniPath);

    TAerovaneLocalSettings& LocalSettings() { return local_; }

    // Replaces the day list with the 20-byte records of an ".ava" file, in file order.
    // Raises InOutError naming the file when it cannot be read.
    void ReadScheduleFile(const std::filesystem::path& path);
    // Writes each day as section "ClimateSchedule_<index>" with its 24 keys.
    void ExportSchedule(const std::filesystem::path& iniPath);

    // Fills the setpoints of the entry at index from the day before it (the settings record's
    // setpoint block for the first day) and sets its day to index + 1.
    void InitScheduleEntry(int index);
    // The index of the day in force today: the last entry before the first whose day lies
    // after today's day of the grow; 0 when there is none.
    int GetCurrentScheduleIndex();

    bool ChangeFlag1() const { return changeFlag1_; }
    bool ChangeFlag2() const { return changeFlag2_; }

    void ResetFeatures() override;
    int FeatureMinVersion(int feature) override;
    void SetFirmwareVersion(int version) override;
    TDeviceForm* CreateDeviceForm() override { return nullptr; }
    void SetControllerName(const std::string& name) override;
    int GetTraceCount(bool) override { return 28; }
    int GetSettingsRecordSize() override { return sizeof(TAerovaneSettings); }
    bool HasUnsentChanges() override { return changeFlag1_ || changeFlag2_; }
    void MarkChangedA() override;
    void MarkChangedB() override;
    bool IsFunctionAvailable(int kind, bool defaultValue) override;
    void ResetStatus() override;

    // Views, month log, trace entries, settings transfer and file, registry clean-up
    // (AerovaneFiles.cpp).
    void LoadView(int index) override;
    void SaveView(int index) override;
    void DeleteView(int index) override;
    void InsertViewGap(int first, int last) override;
    void ResetTraces(bool visible) override;
    // Trace entries 1 to 28, a trace named "n/a" made hidden first; any other index answers an
    // all-zero entry.
    TTraceEntry GetTraceEntry(int index) override;
    bool IsTraceVisible(int index) override;
    std::uint32_t GetTraceColour(int index) override;
    std::string GetTraceName(int index, bool combined) override;
    std::string BuildSettingsFirstCommand() override;
    std::string BuildSettingsNextCommand() override;
    void StoreSettingsReply(const std::uint8_t* reply, std::size_t length) override;
    std::string SaveSettingsFile(const std::string& path) override;
    bool LoadSettingsFile() override;
    void AppendLogRecord(const std::string& path) override;
    void AssignLogFile(const std::string& path) override;
    void OpenLogFile() override;
    double ReadLastLogRecord(TDateTime date) override;
    bool LogEof() override;
    TDateTime GetRecordTime() override { return logRecord_.DateTime; }
    void ShiftRecordDate() override;
    void CloseLogFile() override;
    void ReadLogRecord() override;
    bool ReadLogRecordRaw() override;
    void DeleteRegistrySettings() override;
    // The current log record: the date-time, the live block and the further bytes last stored
    // or read.
    TAerovaneLogRecord& LogRecord() { return logRecord_; }

    int GetScheduleCount() override;
    int GetScheduleDay(int index) override;
    std::string GetScheduleDateText(int index) override;
    void SetScheduleStartDate(TDateTime date) override { local_.StartDate = date; }
    TDateTime GetScheduleStartDate() override;
    void DeleteScheduleEntry(int index) override;
    bool AddScheduleEntry(int day) override;
    bool MoveScheduleEntry(int fromDay, int toDay) override;
    void ScheduleChanged() override {}
    bool UsesUsDateFormat() override { return (settings_.SetBool2 & 0x02) != 0; }

    // Replies, change flags, alarms, trace values and names, status values (AerovaneStatus.cpp);
    // equipment bits, warnings and USB settings (AerovaneEquipment.cpp).

protected:
    friend class TDevice;
    using TControllerWithSchedule::TControllerWithSchedule;
    void Construct() override;

private:
    const TAerovaneScheduleDay& DayAt(int index) const;

    TAerovaneLiveBlock identityReply_{};
    TAerovaneSettings settings_{};
    MonthLog logFile_{kAerovaneLogRecordSize};
    TAerovaneLogRecord logRecord_{}; // its live block is the controller's current data
    std::array<TTraceEntry, 28> traces_{};
    TAerovaneLocalSettings local_;
    bool changeFlag1_ = false;
    bool changeFlag2_ = false;
    bool alarmActive_ = false;
    TDateTime alarmTime_ = 0;
    std::array<std::uint8_t, kUsbSettingsSize> usbSettings_{};
};

} // namespace hortivex
