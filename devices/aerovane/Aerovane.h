#pragma once

#include "devices/Controller.h"
#include "devices/aerovane/AerovaneLive.h"
#include "devices/aerovane/AerovaneSchedule.h"
#include "devices/aerovane/AerovaneSettings.h"

#include <array>
#include <filesystem>
#include <span>
#include <vector>

namespace hortivex {

// A month log record of the Aerovane stores its live block and the further bytes after the
// date-time.
inline std::vector<std::span<std::uint8_t>> LogBlocks(TAerovaneLogRecord& record) {
    return {RecordBytes(record.Live), RecordBytes(record.Extra)};
}

// The Aerovane climate controller. Create with TDevice::Create<TAerovane>(room, controller).
// Its settings travel in three blocks; it shows 28 traces.
class TAerovane : public TRecordController<TAerovaneSettings, TAerovaneLogRecord,
                                           TAerovaneLocalSettings, 28, 3> {
public:
    // Fills the settings record from the first 177 bytes of an ".avs" file; raises InOutError
    // naming the file when it cannot be opened or read.
    void ReadSettingsFile(const std::filesystem::path& path);
    // Writes the settings record as the 278 keys of section "Climate".
    void ExportSettings(const std::filesystem::path& iniPath);

    // Replaces the day list with the 20-byte records of an ".ava" file, in file order.
    // Raises InOutError naming the file when it cannot be read.
    void ReadScheduleFile(const std::filesystem::path& path);
    // Writes each day as section "ClimateSchedule_<index>" with its 24 keys.
    void ExportSchedule(const std::filesystem::path& iniPath);

    // Fills the setpoints of the entry at index from the day before it (the settings record's
    // setpoint block for the first day) and sets its day to index + 1.
    void InitScheduleEntry(int index) override;

    bool ChangeFlag1() const { return changeFlag1_; }
    bool ChangeFlag2() const { return changeFlag2_; }

    void ResetFeatures() override;
    int FeatureMinVersion(int feature) override;
    void SetFirmwareVersion(int version) override;
    TDeviceForm* CreateDeviceForm() override { return nullptr; }
    void SetControllerName(const std::string& name) override;
    bool HasUnsentChanges() override { return changeFlag1_ || changeFlag2_; }
    void MarkChangedA() override;
    void MarkChangedB() override;
    bool IsFunctionAvailable(int kind, bool defaultValue) override;
    void ResetStatus() override;

    // Trace entries and names, settings transfer, registry clean-up (AerovaneFiles.cpp); the
    // views, the month log and the settings file are the base's. The log record's live block
    // is the controller's current data.
    void ResetTraces(bool visible) override;
    // The base's trace entries, a trace named "n/a" made hidden first.
    TTraceEntry GetTraceEntry(int index) override;
    bool IsTraceVisible(int index) override;
    std::string GetTraceName(int index, bool combined) override;
    std::string BuildSettingsFirstCommand() override;
    std::string BuildSettingsNextCommand() override;
    void DeleteRegistrySettings() override;

    int GetScheduleCount() override;
    bool MoveScheduleEntry(int fromDay, int toDay) override;
    bool UsesUsDateFormat() override { return (settings_.SetBool2 & 0x02) != 0; }

    // Replies, change flags, alarms, trace values and names, status values (AerovaneStatus.cpp);
    // equipment bits, warnings and USB settings (AerovaneEquipment.cpp).
    // Replies fill their 60-byte block from the first 60 bytes; a shorter reply changes nothing.
    void StoreStatusReplyA(const std::uint8_t* reply, std::size_t length) override;
    void StoreStatusReplyB(const std::uint8_t* reply, std::size_t length) override;
    void StoreStatusReplyC(const std::uint8_t* reply, std::size_t length) override;
    TDateTime DecodeStatusTime() override;
    bool StatusFlagA() override { return (logRecord_.Live.Timestamp[4] & 0x80) != 0; }
    bool SettingsFlagA() override { return (identityReply_.Bool[2] & 0x02) != 0; } // byte +42
    int FixedIntervalA() override { return 60; }
    int FixedIntervalB() override { return 60; }
    bool IsAnyActive() override { return false; }
    void NotifyA() override {}
    void NotifyB() override {}
    void NotifyC() override {}
    void SettingsChanged() override {}
    // Both flags clear once the link has sent the changes; nothing else clears them.
    void MarkChangesSent() { changeFlag1_ = changeFlag2_ = false; }
    const TAerovaneLiveBlock& LiveBlock() const { return logRecord_.Live; }
    const TAerovaneLiveBlock& IdentityReply() const { return identityReply_; }

    bool GetAlarms(TAlarmFlags& flags, bool filter) override;
    bool GetAlarmEnables(TAlarmFlags& flags, bool filter) override;
    // Raising the alarm-active flag is ignored within 5 minutes of the last time it was raised
    // (a last time ahead of the clock does not count); lowering it always takes effect.
    void SetAlarmActive(bool active);
    bool AlarmActive() const { return usbSettings_[kUsbAlarmActiveByte] != 0; }
    TDateTime AlarmTime() const { return alarmTime_; }
    // Whether the optional page is shown (page codes 0 and 2 to 7); default for any other code.
    bool IsPageShown(int page, bool defaultValue) const;

    double GetTraceValue(int index) override;
    std::string GetTraceGroupName(int index) override;
    int GetValueCount() override;
    std::string GetValueName(int index) override;
    std::string GetValueText(int index) override;
    // The record bytes status value index is shown from, as one number (0 to 65535): while
    // the units, regional settings and the device's settings stay as they are, records with
    // the same key give the same GetValueText. -1 for an index that is no status value.
    int GetValueKey(int index) const;
    // The keys of status values 1 to count, in keys[0] to keys[count - 1].
    void GetValueKeys(int* keys, int count) const;
    // The operating mode's text: of the live block (empty for an unknown code), or of the
    // identity reply ("Unknown" for an unknown code).
    std::string GetModeText(bool fromIdentity) const;

    // Equipment bits of the settings record, by index 0 to 18 (taken modulo 128).
    bool IsOutputEnabled(int index, bool defaultValue) override;
    void SetOutputEnabled(int index, bool value) override;
    bool IsOptionInstalled() override { return (identityReply_.Bool[2] & 0x08) != 0; } // +42
    bool GetWarningText(std::string& text) override;
    void PackUsbSettings() override;
    // The "D0" data: the schedule bytes, the first sensor set and, with the second environment
    // sensor installed, the second set.
    std::string GetUsbCommandData() override;
    const std::array<std::uint8_t, kUsbSettingsSize>& UsbSettings() const { return usbSettings_; }

protected:
    friend class TDevice;
    using TRecordController::TRecordController;
    void Construct() override;
    std::string UsbSettingsTextAt(TDateTime now) override;

private:
    // How many status values are shown without the extended-value switch: the main table's.
    static int MainValueCount();
    // Sets the alarm-flag positions of the bits set in block; see GetAlarms.
    bool MapAlarms(const TAerovaneLiveBlock& block, TAlarmFlags& flags, bool filter,
                   bool pageTestAll);
    std::uint8_t SelectedLightBank();

    TAerovaneLiveBlock identityReply_{};
    bool changeFlag1_ = false;
    bool changeFlag2_ = false;
    TDateTime alarmTime_ = 0; // when the alarm-active flag was last raised
    // The packed sensor sets, then the alarm-active flag (its only home).
    std::array<std::uint8_t, kUsbSettingsSize> usbSettings_{};
};

} // namespace hortivex
