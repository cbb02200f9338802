#include "devices/Controller.h"

#include "devices/DeviceRegistry.h"
#include "devices/Texts.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Services.h"

namespace hortivex {

namespace {

constexpr int kPendingTexts = 92;

std::string Nul() {
    return std::string(1, '\0');
}

TDateTime DateTimeOf(const LocalTime& t) {
    return DateTimeFromParts(t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
}

} // namespace

void TGenericController::Construct() {
    TDevice::Construct();
    capabilityD_ = 1;
    pendingTextCursor_ = 0;
}

std::string TGenericController::GetLogFolder() {
    CheckNames();
    const std::string room = Process().workingFolder + roomName_;
    CreateFolderLevel(room);
    const std::string doserLogs = room + kPathSeparator + Text(TextId::FolderDoserLogs);
    if (FolderExists(doserLogs))
        return doserLogs + kPathSeparator;
    std::string folder = room + kPathSeparator + Text(TextId::FolderControllerLogs);
    CreateFolderLevel(folder);
    folder += kPathSeparator + controllerName_;
    CreateFolderLevel(folder);
    return folder + kPathSeparator;
}

std::string TGenericController::NextPendingText() {
    std::string text;
    while (text.empty() && pendingTextCursor_ < kPendingTexts)
        text = GetPendingTextAt(pendingTextCursor_++);
    return text;
}

std::string TGenericController::GetPendingTextAt(int) {
    return {};
}

void TUSBController::Construct() {
    TGenericController::Construct();
    usbFlag_ = 1;
}

bool TUSBController::IsOwnReply(const std::uint8_t*, std::size_t, int& code) {
    code = 0;
    return true;
}

std::string TUSBController::BuildD0Command() {
    return "D0" + GetUsbCommandData();
}

std::string TUSBController::BuildD1Command() {
    transferToggle_ = 0;
    return "D1" + Nul();
}

std::string TUSBController::BuildD2Command() {
    if (settingsPage_ == 1)
        return "D2" + Nul();
    if (settingsPage_ == 2)
        return "D3" + Nul();
    return {};
}

std::string TUSBController::BuildL0Command() {
    const LocalTime now = CurrentClock().Now();
    const int parts[8] = {roomIndex_ & 0xFF, now.year - 2000, now.month,  now.day,
                          now.hour,          now.minute,      now.second, now.dayOfWeek};
    std::string command = "L0";
    for (int part : parts)
        command += static_cast<char>(static_cast<std::uint8_t>(part));
    return command + UsbSettingsTextAt(DateTimeOf(now));
}

std::string TUSBController::BuildLCCommand() {
    return "LC" + Nul();
}
std::string TUSBController::BuildA0Command() {
    return "A0" + Nul();
}

std::string TControllerWithSchedule::ScheduleDateText(TDateTime date, bool usFormat) {
    auto two = [](int n) {
        return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
    };
    const CivilDate d = CivilDateOf(date);
    const std::string sep = CurrentRegional().DateSeparator();
    const std::string dd = two(d.day);
    const std::string mm = two(d.month);
    const std::string yy = two(d.year);
    return usFormat ? mm + sep + dd + sep + yy : dd + sep + mm + sep + yy;
}

TDateTime TUSBController::Now() {
    return DateTimeOf(CurrentClock().Now());
}

void TControllerWithSchedule::ThrowIndexError(int index) {
    throw HxError("List index out of bounds (" + std::to_string(index) + ")");
}

int TControllerWithSchedule::GetScheduleCount() {
    throw AbstractMethodError();
}
int TControllerWithSchedule::GetScheduleDay(int) {
    throw AbstractMethodError();
}
std::string TControllerWithSchedule::GetScheduleDateText(int) {
    throw AbstractMethodError();
}
void TControllerWithSchedule::SetScheduleStartDate(TDateTime) {
    throw AbstractMethodError();
}
TDateTime TControllerWithSchedule::GetScheduleStartDate() {
    throw AbstractMethodError();
}
void TControllerWithSchedule::DeleteScheduleEntry(int) {
    throw AbstractMethodError();
}
bool TControllerWithSchedule::AddScheduleEntry(int) {
    throw AbstractMethodError();
}
bool TControllerWithSchedule::MoveScheduleEntry(int, int) {
    throw AbstractMethodError();
}
void TControllerWithSchedule::ScheduleChanged() {
    throw AbstractMethodError();
}
bool TControllerWithSchedule::UsesUsDateFormat() {
    throw AbstractMethodError();
}

void TControllerWithSchedule::ConstructAs(const ControllerIdentity& identity, int mainValues) {
    identity_[0] = identity.kind;
    identity_[3] = static_cast<std::uint8_t>(identity.letters[0]);
    identity_[4] = static_cast<std::uint8_t>(identity.letters[1]);
    logExtension_ = identity.extensions[0];
    viewExtension_ = identity.extensions[1];
    settingsExtension_ = identity.extensions[2];
    scheduleExtension_ = identity.extensions[3];
    for (std::size_t i = 0; i < identity.pages.size(); ++i)
        if (identity.pages[i] != TextId::Count)
            pageCaptions_[i] = Text(identity.pages[i]);
    capabilityA_ = 1;
    capabilityF_ = 1;
    capabilityB_ = identity.capabilityB;
    valueCount_ = mainValues;
    if (Registry().modeFlag)
        LoadSettingsFile();
    ResetStatus();
    capabilityC_ = 1;
}

} // namespace hortivex
