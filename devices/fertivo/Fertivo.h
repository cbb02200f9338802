#pragma once

#include "devices/Controller.h"
#include "devices/fertivo/FertivoLive.h"
#include "devices/fertivo/FertivoSchedule.h"
#include "devices/fertivo/FertivoSettings.h"
#include "devices/fertivo/FertivoSettingsExport.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace hortivex {

// A month log record of the Fertivo stores its status block after the date-time.
inline std::vector<std::span<std::uint8_t>> LogBlocks(TFertivoLogRecord& record) {
    return {RecordBytes(record.Status)};
}

// The Fertivo nutrient-dosing and irrigation controller. Create with
// TDevice::Create<TFertivo>(room, controller). Its settings travel in two blocks; it shows
// three traces.
class TFertivo
    : public TRecordController<TFertivoSettings, TFertivoLogRecord, TFertivoLocalSettings, 3, 2> {
public:
    // Fills the settings record from the first 118 bytes of a ".fvs" file; a shorter file
    // fills the start and leaves the rest. Raises InOutError naming the file when it cannot be
    // opened or read at all, so that no export of a record never read passes as success.
    void ReadSettingsFile(const std::filesystem::path& path);

    // Selects the EC unit of the settings record (see SelectEcUnit), then writes the record as
    // the 205 keys of section "Settings".
    void ExportSettings(const std::filesystem::path& iniPath);

    // Replaces the day list with the 16-byte records of an ".fvd" file, or, when reading that
    // layout fails part-way, with the file's older 12-byte records. Raises InOutError naming
    // the file when it cannot be read at all. With notify, SettingsChanged follows.
    void ReadScheduleFile(const std::filesystem::path& path, bool notify);
    // Writes each entry as section "Schedule <index>" with its 15 keys.
    void ExportSchedule(const std::filesystem::path& iniPath);

    // Fills the entry at index with the values a new entry starts with: for the first, the
    // settings record's shares, percentages and EC setpoints; else a copy of the entry before.
    void InitScheduleEntry(int index) override;

    // The EC display unit in settings byte 2.
    bool IsEcUnitCF() const;
    bool IsEcUnitMs() const;
    bool IsEcUnitPpm() const;
    // Sets the process-wide EC unit label to the unit of settings byte 2 and has the options
    // derive their units again (the first time this loads the options, which may create the
    // options file and may raise); nothing when both unit bits are set. Answers the unit.
    FertivoEcUnit SelectEcUnit();

    // The pH output choice in settings byte 1.
    bool IsPhOutputNone() const;
    bool IsPhOutputRaise() const;
    bool IsPhOutputLower() const;
    bool IsPhOutputBoth();

    // The feature set is the base's: ResetFeatures empties it and HasFeature reads it.
    int FeatureMinVersion(int feature) override;
    int GetPpmFactor() override;
    bool IsFunctionAvailable(int kind, bool defaultValue) override;
    void ResetStatus() override;

    // Trace entries and names, settings transfer and file, registry clean-up (FertivoFiles.cpp);
    // the views and the month log are the base's. The log record's status block is the
    // controller's current status.
    void ResetTraces(bool visible) override;
    std::string GetTraceName(int index, bool combined) override;
    std::string BuildSettingsFirstCommand() override;
    std::string BuildSettingsNextCommand() override;
    void StoreSettingsReply(const std::uint8_t* reply, std::size_t length) override;
    bool LoadSettingsFile() override;
    void DeleteRegistrySettings() override;

    int GetScheduleCount() override { return static_cast<int>(local_.Days.size()); }
    bool MoveScheduleEntry(int fromDay, int toDay) override;
    bool UsesUsDateFormat() override { return (settings_.SetBool2 & 0x08) != 0; }
    void SetFirmwareVersion(int version) override;
    TDeviceForm* CreateDeviceForm() override { return nullptr; }
    void SetControllerName(const std::string& name) override;

    // Replies, alarms, trace values and names, status values, reminder (FertivoStatus.cpp).
    // A reply fills its block only when it holds the whole block; bytes past it are not read.
    void StoreStatusReplyA(const std::uint8_t* reply, std::size_t length) override;
    void StoreStatusReplyB(const std::uint8_t* reply, std::size_t length) override;
    void StoreStatusReplyC(const std::uint8_t* reply, std::size_t length) override;
    const TFertivoIdentityReply& IdentityReply() const { return identityReply_; }
    const TFertivoStatusBlock& Status() const { return logRecord_.Status; }
    // Set by an identity reply with a non-zero notice byte.
    bool NoticeFlag() const;
    TDateTime DecodeStatusTime() override;
    bool StatusFlagA() override { return (logRecord_.Status.Timestamp[4] & 0x80) != 0; }
    bool SettingsFlagA() override { return (identityReply_.OptionBits & 0x01) != 0; }
    int FixedIntervalA() override { return 60; }
    int FixedIntervalB() override { return 30; }
    void NotifyA() override {}
    void NotifyB() override {}
    void NotifyC() override {}
    void SettingsChanged() override {}

    // Flags 0, 1 and 2 (EC, pH, nutrient temperature) := 1 for each alarm that is on, and for
    // each alarm that is enabled; the other flags keep what they hold.
    bool GetAlarms(TAlarmFlags& flags, bool filter) override;
    bool GetAlarmEnables(TAlarmFlags& flags, bool filter) override;
    bool IsEcAlarmEnabled() const { return (settings_.SetBool3 & 0x01) != 0; }
    bool IsPhAlarmEnabled() const { return (settings_.SetBool3 & 0x02) != 0; }
    bool IsNutrientTempAlarmEnabled() const { return (settings_.SetBool3 & 0x04) != 0; }
    bool IsAnyActive() override;
    std::string GetEcDaySetpointText();
    std::string GetEcNightSetpointText();

    // 1 EC, 2 pH, 3 nutrient temperature; 0 for any other index.
    double GetTraceValue(int index) override;
    // The status values: 1 to 55 answer, the application asks for 13 unless it shows them all.
    int GetValueCount() override;
    std::string GetValueName(int index) override;
    std::string GetValueText(int index) override;
    // The record bytes status value index is shown from, as one number (0 to 65535): while
    // the units, regional settings and the device's settings stay as they are, records with
    // the same key give the same GetValueText. -1 for an index that is no status value.
    int GetValueKey(int index) const;
    // The keys of status values 1 to count, in keys[0] to keys[count - 1].
    void GetValueKeys(int* keys, int count) const;
    // The base, but silent while the form is on screen or before the next reminder date.
    void ShowDeviceForm() override;

protected:
    friend class TDevice;
    using TRecordController::TRecordController;
    std::string UsbSettingsTextAt(TDateTime now) override;
    void Construct() override;

private:
    // The count of the main status values: those shown without the extended-value switch.
    static int MainValueCount();

    TFertivoIdentityReply identityReply_{};
    // Spare fields of the controller's state; cleared on construction, read by nothing.
    std::uint8_t spareFlag_ = 0;
    std::int32_t spareValue1_ = 0, spareValue2_ = 0;
};

} // namespace hortivex
