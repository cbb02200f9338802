#include "devices/Device.h"

#include "devices/DeviceRegistry.h"
#include "devices/Texts.h"
#include "export/Units.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Services.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace hortivex {

bool RecordsDiffer(const std::uint8_t* a, const std::uint8_t* b) {
    return std::memcmp(a, b, kComparedRecordSize) != 0;
}

namespace {

constexpr std::uint32_t kPalette[12] = {0x0000FF, 0xFF0000, 0x008000, 0x800080, 0x000000, 0xFFFF00,
                                        0x808080, 0x000080, 0x008080, 0x808000, 0x808080, 0x00FF00};

// A name that stands as one folder, file or registry key name: not empty, not "." or "..",
// no separator and no control character.
bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || c == '\\' || c == '/' || c == ':')
            return false;
    return true;
}

std::string Digits(int value, int width) {
    std::string text = std::to_string(value);
    return text.size() < static_cast<size_t>(width)
               ? std::string(static_cast<size_t>(width) - text.size(), '0') + text
               : text;
}

} // namespace

TDevice::TDevice(std::string roomName, std::string controllerName, bool /*flag*/)
    : roomName_(std::move(roomName)), controllerName_(std::move(controllerName)) {}

TDevice::~TDevice() {
    delete deviceForm_;
}

void TDevice::Construct() {
    createdFlag_ = 1;
    linkState_[2] = 0; // the device address character
    logExtension_ = ".log";
    roomIndex_ = FindRoomIndex(roomName_);
    systemList_.clear();
    ResetState();
}

void TDevice::ResetState() {
    identity_[1] = '0';
    identity_[2] = '1';
    transferToggle_ = 0;
    const std::uint8_t address = linkState_[2];
    linkState_.fill(0);
    linkState_[2] = address;
    capabilityA_ = capabilityB_ = capabilityC_ = capabilityD_ = capabilityE_ = capabilityF_ = 0;
    spareInteger1_ = spareInteger2_ = 0;
    spareByte_ = 0;
    valueCount_ = 0;
    usbFlag_ = 0;
    settingsExtension_.clear();
    viewExtension_.clear();
    scheduleExtension_.clear();
    settingsPath_.clear();
    delete deviceForm_;
    deviceForm_ = nullptr;
    furtherStateBytes_.fill(0);
    nameEntry_.clear();
    nameEntryFlag_ = 0;
    nameEntryInteger_ = 1;
    extraTraceCount_ = 0;
    ResetFeatures();
}

std::string TDevice::GetLogExtension() const {
    return linkState_[5] != 0 ? alternateLogExtension_ : logExtension_;
}

std::string TDevice::DeviceTypeLetters() const {
    return std::string{static_cast<char>(identity_[3]), static_cast<char>(identity_[4])};
}

std::uint8_t TDevice::CapabilityFlag(char which) const {
    switch (which) {
    case 'A':
        return capabilityA_;
    case 'B':
        return capabilityB_;
    case 'C':
        return capabilityC_;
    case 'D':
        return capabilityD_;
    case 'E':
        return capabilityE_;
    case 'F':
        return capabilityF_;
    default:
        return 0;
    }
}

void TDevice::SetExtraTraceCount(int count) {
    extraTraceCount_ = count < 0 ? 0 : count > kMaxExtraTraces ? kMaxExtraTraces : count;
}

void TDevice::CopyName(const std::string& name, char (&field)[10]) {
    std::fill(std::begin(field), std::end(field), '\0');
    name.copy(field, sizeof field);
}

void TDevice::CheckNames() const {
    if (!IsPlainName(roomName_) || !IsPlainName(controllerName_))
        throw HxError(Text(TextId::InvalidFileName));
}

std::string TDevice::GetViewsFolder() const {
    CheckNames();
    std::string folder = Process().workingFolder + roomName_;
    CreateFolderLevel(folder);
    folder += kPathSeparator;
    folder += Text(TextId::FolderViews);
    CreateFolderLevel(folder);
    return folder + kPathSeparator;
}

std::string TDevice::GetSettingsFolder() const {
    CheckNames();
    std::string folder = Process().workingFolder + roomName_;
    CreateFolderLevel(folder);
    folder += kPathSeparator;
    folder += Text(TextId::FolderSettings);
    CreateFolderLevel(folder);
    return folder + kPathSeparator;
}

std::string TDevice::GetSettingsFileName(TDateTime date) const {
    if (date == 0)
        return "*." + settingsExtension_;
    if (date == -1) {
        CheckNames();
        return controllerName_ + "." + settingsExtension_;
    }
    if (!IsCalendarDate(date))
        throw HxError(Text(TextId::InvalidFileName));
    const CivilDate d = CivilDateOf(date);
    return Digits(d.year, 4) + Digits(d.month, 2) + Digits(d.day, 2) + "." + settingsExtension_;
}

std::string TDevice::GetViewFileName() const {
    return GetViewsFolder() + controllerName_ + viewExtension_;
}

bool TDevice::OpenMonthLog(TDateTime date) {
    if (!IsCalendarDate(date))
        return false; // no month log has a name for it
    const CivilDate d = CivilDateOf(date);
    AssignLogFile(GetLogFolder() + Digits(d.year, 4) + Digits(d.month, 2) + GetLogExtension());
    try {
        OpenLogFile();
    } catch (const InOutError&) {
        return false;
    }
    return true;
}

void TDevice::RebaseDate(TDateTime& date, int baseDay) {
    date = DateOf(2006, 4, 1) + (date - baseDay);
}

TDateTime TDevice::DecodePackedTimestamp(const std::uint8_t bytes[5]) {
    const unsigned w0 = bytes[0] | (bytes[1] << 8);
    const unsigned w1 = bytes[2] | (bytes[3] << 8);
    const int year = bytes[4] & 0x7F;
    const int milliseconds = static_cast<int>(w0 & 0x0F);
    const int seconds = static_cast<int>((w0 >> 4) & 0x3F);
    const int minutes = static_cast<int>((w0 >> 10) & 0x3F);
    const int hour = static_cast<int>(w1 & 0x1F);
    const int day = static_cast<int>((w1 >> 5) & 0x1F);
    const int month = static_cast<int>((w1 >> 10) & 0x0F);
    if (month == 0 || day == 0)
        return 0;
    return DateTimeFromParts(year, month, day, hour, minutes, seconds, milliseconds);
}

void TDevice::InitTraceEntry(TTraceEntry& entry, int n, bool visible) {
    entry.visible = visible ? 1 : 0;
    entry.colour = kPalette[((n - 1) % 12 + 12) % 12];
    entry.scale = 1.0f;
}

void TDevice::ResetExtraTraces() {
    const bool visible = IsSelectedDevice();
    for (int n = 1; n <= extraTraceCount_; ++n)
        InitTraceEntry(extraTraces_[static_cast<size_t>(n - 1)], n, visible);
}

bool TDevice::IsSelectedDevice() const {
    const auto& selected = Registry().selectedControllerName;
    return selected && *selected == controllerName_;
}

void TDevice::RegisterDevice() {
    auto& devices = Registry().devices;
    for (const Ref<TDevice>& device : devices)
        if (device.get() == this)
            return; // listed once, however often its settings are loaded
    devices.emplace_back(this);
}

std::string TDevice::ControllerRegistryKey() const {
    CheckNames();
    return std::string(kSettingsKey) + roomName_ + "\\" + controllerName_ + "\\";
}

void TDevice::DeleteRegistrySettings() {
    if (!IsPlainName(roomName_) || !IsPlainName(controllerName_))
        return; // never let an empty or odd name widen the delete to a parent key
    const std::string key = ControllerRegistryKey();
    SettingsStore& store = CurrentSettingsStore();
    if (!store.KeyExists(RegistryRoot::LocalMachine, key))
        return;
    try {
        store.DeleteKeyTree(RegistryRoot::LocalMachine, key + "Growroom");
        store.DeleteKeyTree(RegistryRoot::LocalMachine, key);
    } catch (const HxError&) {
        // A key that cannot be deleted (a read-only machine store) is left as it is.
    }
}

} // namespace hortivex
