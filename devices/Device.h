#pragma once

#include "devices/Interfaced.h"
#include "export/Numeric.h"
#include "export/Units.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace hortivex {

// The settings of one graph trace, as the view files store them.
struct TTraceEntry {
    std::uint8_t visible = 0;
    std::uint8_t padding[3] = {0, 0, 0};
    std::uint32_t colour = 0; // 0x00BBGGRR
    float scale = 1.0f;
};
static_assert(sizeof(TTraceEntry) == 12);

// The size of the records RecordsDiffer compares.
inline constexpr std::size_t kComparedRecordSize = 21;
// Whether two records of kComparedRecordSize bytes differ in any byte; both must point to that
// many bytes.
bool RecordsDiffer(const std::uint8_t* a, const std::uint8_t* b);

// The alarm flags a controller fills for the application: one byte a position, 1 for an alarm
// (Fertivo positions 0 to 2, Aerovane 3 to 20). Two sets compare with RecordsDiffer.
using TAlarmFlags = std::array<std::uint8_t, kComparedRecordSize>;

// A firmware feature bit and the first firmware version that offers it.
struct FirmwareFeature {
    int bit;
    int minVersion;
};

// The colour answered for a trace that is not shown.
inline constexpr std::uint32_t kHiddenTraceColour = 0x1FFFFFFF;
inline constexpr int kMaxExtraTraces = 10;

// The device window of the full application; never created by the converter.
class TDeviceForm {
public:
    virtual ~TDeviceForm() = default;
    virtual void Show() {}
    virtual bool IsVisible() const { return false; }
};

using TSystemList = std::vector<std::uint8_t>;

// The root of the controller classes: identity, folder and file names, graph traces, firmware
// features, the packed timestamp, registry clean-up and the serial command framing.
//
// Create objects with Create<T>(): the constructors only store the names, and Construct() then
// runs each level's initialisation in order through virtual calls on the complete object, so
// that (as the controllers rely on) a virtual called while initialising reaches the
// most-derived override.
class TDevice : public TInterfacedObject {
public:
    template <class T>
    static Ref<T> Create(const std::string& roomName, const std::string& controllerName,
                         bool flag = false) {
        Ref<T> device(new T(roomName, controllerName, flag));
        device->Construct();
        return device;
    }

    ~TDevice() override;

    // Non-virtual operations.
    const std::string& GetRoomName() const { return roomName_; }
    const std::string& GetControllerName() const { return controllerName_; }
    std::string GetLogExtension() const;
    const std::string& GetViewExtension() const { return viewExtension_; }
    const std::string& GetSettingsExtension() const { return settingsExtension_; }
    const std::string& GetScheduleExtension() const { return scheduleExtension_; }
    std::string GetViewsFolder() const;
    std::string GetSettingsFolder() const;
    // "*.ext" for date 0, the controller's own name for -1, else "yyyymmdd.ext"; raises
    // HxError for a date outside the years 1 to 9999.
    std::string GetSettingsFileName(TDateTime date) const;
    std::string GetViewFileName() const;
    // Assigns and opens the month log of date; false when it cannot be opened or date lies
    // outside the years 1 to 9999, where no month log has a name.
    bool OpenMonthLog(TDateTime date);
    static void RebaseDate(TDateTime& date, int baseDay);
    static TDateTime DecodePackedTimestamp(const std::uint8_t bytes[5]);
    static void InitTraceEntry(TTraceEntry& entry, int n, bool visible);
    void ResetExtraTraces();
    bool IsSelectedDevice() const;
    void RegisterDevice();

    // Identity and state read by tests and the concrete classes.
    int GetRoomIndex() const { return roomIndex_; }
    std::uint8_t KindCode() const { return identity_[0]; }
    std::string DeviceTypeLetters() const;
    const std::array<std::uint8_t, 28>& Identity() const { return identity_; }
    const std::string& PageCaption(int n) const {
        return pageCaptions_[static_cast<size_t>(n - 1)];
    }
    int FirmwareVersion() const { return firmwareVersion_; }
    std::uint16_t FeatureSet() const { return features_; }
    std::uint8_t UsbFlag() const { return usbFlag_; }
    std::uint8_t CapabilityFlag(char which) const;
    std::uint8_t SettingsPage() const { return settingsPage_; }
    std::uint8_t TransferToggle() const { return transferToggle_; }
    int ExtraTraceCount() const { return extraTraceCount_; }
    void SetExtraTraceCount(int count);
    const TTraceEntry& ExtraTrace(int n) const { return extraTraces_[static_cast<size_t>(n - 1)]; }
    const std::string& DisplayName() const { return nameEntry_; }
    int NameEntryInteger() const { return nameEntryInteger_; }
    // The registry key of this controller under the application's key, with a trailing "\".
    // Raises HxError for a name that cannot be a single key or path component.
    std::string ControllerRegistryKey() const;

    // Virtual operations, in slot order.
    virtual std::string GetCommandHeader();
    virtual std::string GetLogFolder();
    virtual void LoadView(int index);
    virtual void ResetTraces(bool visible);
    virtual void SaveView(int index);
    virtual void UpdateTraceCount();
    virtual void Reserved6(); // an unused slot of the device interface; raises when called
    virtual void ResetState();
    virtual void ResetFeatures();
    virtual int FeatureMinVersion(int feature);
    virtual void SetFirmwareVersion(int version);
    virtual void Reserved11(); // an unused slot that does nothing
    virtual TDeviceForm* CreateDeviceForm();
    virtual int GetPpmFactor();
    virtual void SetControllerName(const std::string& name);
    virtual std::string GetAlarmMark();
    virtual TTraceEntry GetTraceEntry(int index);
    virtual bool IsOwnReply(const std::uint8_t* reply, std::size_t length, int& code);
    virtual std::string BuildD0Command();
    virtual std::string BuildD1Command();
    virtual std::string BuildD2Command();
    virtual std::string BuildL0Command();
    virtual std::string BuildLCCommand();
    virtual std::uint8_t GetKindCode(int index);
    virtual std::string BuildClockCommand();
    virtual std::string BuildA0Command();
    // Constants of the full application's device interface; nothing in this system reads them.
    virtual int FixedValueA() { return 75; }
    virtual int FixedValueB() { return 4; }
    virtual std::string NextPendingText() { return {}; }
    virtual bool FixedFlagA() { return true; } // a constant like FixedValueA
    virtual int FixedValueD() { return 0; }    // a constant like FixedValueA
    virtual int FixedValueC() { return 12; }   // a constant like FixedValueA
    virtual int GetTraceCount(bool withExtra) { return withExtra ? extraTraceCount_ : 0; }
    virtual int GetValueCount() { return valueCount_; }
    virtual double GetTraceValue(int index);
    virtual double FixedRealValue() { return 0.0; } // a constant like FixedValueA
    virtual bool IsTraceVisible(int index);
    virtual std::uint32_t GetTraceColour(int index);
    virtual std::string GetTraceName(int index, bool combined);
    virtual std::string GetTraceGroupName(int index);
    virtual std::string EmptyTextA() { return {}; } // a text slot that answers nothing
    virtual std::string BuildSettingsNextCommand() { return {}; }
    virtual int GetSettingsRecordSize() { return 0; }
    virtual void StoreSettingsReply(const std::uint8_t* reply, std::size_t length);
    virtual std::string SaveSettingsFile(const std::string& path);
    virtual bool LoadSettingsFile() { return false; }
    virtual int FixedValueE() { return 0; } // a constant like FixedValueA
    // An option bit of the controller's identity reply; false for a device without one.
    virtual bool SettingsFlagA() { return false; }
    virtual std::string BuildSettingsFirstCommand();
    virtual TDateTime DecodeStatusTime();
    virtual void AppendLogRecord(const std::string& path);
    virtual bool GetAlarms(TAlarmFlags& flags, bool filter);
    virtual bool HasAlarms();
    virtual bool GetAlarmEnables(TAlarmFlags& flags, bool filter);
    // Store the controller's replies: A and B the identity reply (A also takes the firmware
    // version from it), C the status or live block.
    virtual void StoreStatusReplyA(const std::uint8_t* reply, std::size_t length);
    virtual void StoreStatusReplyB(const std::uint8_t* reply, std::size_t length);
    virtual void StoreStatusReplyC(const std::uint8_t* reply, std::size_t length);
    virtual void AssignLogFile(const std::string& path);
    virtual void Reserved59(); // unused, as Reserved6
    virtual void OpenLogFile();
    virtual double ReadLastLogRecord(TDateTime date);
    virtual bool LogEof();
    virtual TDateTime GetRecordTime();
    virtual void ShiftRecordDate();
    virtual void CloseLogFile();
    virtual void ReadLogRecord();
    virtual bool ReadLogRecordRaw();
    // The flag in bit value 128 of byte 4 of the current packed timestamp.
    virtual bool StatusFlagA();
    // Intervals each controller fixes for the full application (60 and 30 or 60); nothing in
    // this system reads them.
    virtual int FixedIntervalA();
    virtual int FixedIntervalB();
    virtual void DeleteView(int index);
    virtual void InsertViewGap(int first, int last);
    virtual void Reserved73();                      // unused, as Reserved6
    virtual void Reserved74();                      // unused, as Reserved6
    virtual std::string EmptyTextB() { return {}; } // as EmptyTextA
    virtual void Reserved76();                      // unused, as Reserved6
    virtual bool IsAnyActive();
    virtual void Reserved78(); // unused, as Reserved6
    // Notifications from the full application; both controllers ignore them.
    virtual void NotifyA();
    virtual void NotifyB();
    virtual void NotifyC();
    virtual bool IsFunctionAvailable(int kind, bool defaultValue);
    virtual std::string GetValueName(int index);
    virtual std::string GetValueText(int index);
    virtual int FixedValueF() { return 0; } // a constant like FixedValueA
    virtual bool HasFeature(int bit);
    virtual void ShowDeviceForm();
    virtual bool IsOutputEnabled(int index, bool defaultValue);
    virtual void SetOutputEnabled(int index, bool value);
    virtual void PackUsbSettings() {}
    virtual void ResetStatus();
    virtual void SettingsChanged() {}
    virtual void DeleteRegistrySettings();
    virtual bool IsOptionInstalled() { return false; }
    virtual bool HasUnsentChanges() { return false; }
    // Record that settings were changed on the controller's pages (the Aerovane raises its two
    // change flags, see HasUnsentChanges).
    virtual void MarkChangedA() {}
    virtual void MarkChangedB() {}
    virtual bool GetWarningText(std::string& text);

protected:
    TDevice(std::string roomName, std::string controllerName, bool flag);

    // Each level runs its parent's Construct first, then its own initialisation.
    virtual void Construct();

    // The first version offering feature among features; 9999 for one that none offers.
    static int MinVersionOf(std::span<const FirmwareFeature> features, int feature);
    // Adds to the feature set every one of features that version offers.
    void AddFeaturesOf(std::span<const FirmwareFeature> features, int version);
    // Stores at most 10 characters of name into a settings record's name field, zero-padded.
    static void CopyName(const std::string& name, char (&field)[10]);
    // Checks that a room or controller name is usable as one folder, file or key name.
    void CheckNames() const;

    std::array<std::string, 5> pageCaptions_;
    std::uint8_t settingsPage_ = 0;
    std::uint8_t transferToggle_ = 0;
    std::uint8_t createdFlag_ = 0;
    std::string roomName_;
    std::string controllerName_;
    int roomIndex_ = 0;
    std::array<std::uint8_t, 28> identity_{};
    int baseDay_ = 0;
    std::uint8_t pendingTextCursor_ = 0;
    std::array<std::uint8_t, 8> linkState_{}; // [2] address character, [5] alternate-log switch
    std::string logExtension_;
    std::string alternateLogExtension_;
    std::string settingsExtension_;
    std::string viewExtension_;
    std::string scheduleExtension_;
    // Capability flags A to F: set by the constructors (A, F and C to 1 in both controllers, B
    // to 1 in the Fertivo only, D by TGenericController), cleared by ResetState, read by
    // nothing in this system.
    std::uint8_t capabilityA_ = 0;
    TSystemList systemList_;
    std::uint8_t capabilityB_ = 0, capabilityC_ = 0, capabilityD_ = 0, capabilityE_ = 0,
                 capabilityF_ = 0;
    int spareInteger1_ = 0;
    int valueCount_ = 0;
    std::uint16_t features_ = 0;
    std::uint8_t spareByte_ = 0;
    int firmwareVersion_ = 0;
    int spareInteger2_ = 0;
    std::uint8_t usbFlag_ = 0;
    std::string settingsPath_;
    TDeviceForm* deviceForm_ = nullptr;
    std::array<std::uint8_t, 6> furtherStateBytes_{}; // [5] the name-set flag
    std::array<std::uint8_t, 20> furtherArea1_{};
    std::array<std::uint8_t, 277> furtherArea2_{};
    std::string nameEntry_;
    std::uint8_t nameEntryFlag_ = 0;
    int nameEntryInteger_ = 0;
    std::array<TTraceEntry, kMaxExtraTraces> extraTraces_{};
    int extraTraceCount_ = 0;
    std::array<std::uint8_t, 36> spareArea_{};
};

// The bytes of a packed record.
template <class Record> std::span<std::uint8_t> RecordBytes(Record& record) {
    return {reinterpret_cast<std::uint8_t*>(&record), sizeof record};
}
template <class Record> std::span<const std::uint8_t> RecordBytes(const Record& record) {
    return {reinterpret_cast<const std::uint8_t*>(&record), sizeof record};
}

} // namespace hortivex
