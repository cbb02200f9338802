// The base bodies of TDevice's virtual operations: the answers a device gives until a
// controller class overrides them, and the abstract slots.
#include "devices/Device.h"

#include "devices/Texts.h"
#include "export/Numeric.h"
#include "platform/Errors.h"
#include "platform/Services.h"

namespace hortivex {

std::string TDevice::GetCommandHeader() {
    std::string header = ":";
    header += static_cast<char>(linkState_[2]);
    return header + "PC" + "0210";
}

std::string TDevice::GetLogFolder() {
    throw AbstractMethodError();
}
void TDevice::LoadView(int) {
    throw AbstractMethodError();
}

void TDevice::ResetTraces(bool visible) {
    for (int n = 1; n <= extraTraceCount_; ++n)
        InitTraceEntry(extraTraces_[static_cast<size_t>(n - 1)], n, visible);
}

void TDevice::SaveView(int) {
    throw AbstractMethodError();
}
void TDevice::UpdateTraceCount() {
    (void)GetTraceCount(false);
}
void TDevice::Reserved6() {
    throw AbstractMethodError();
}
void TDevice::ResetFeatures() {
    features_ = 0;
}
int TDevice::FeatureMinVersion(int) {
    return 0;
}
void TDevice::SetFirmwareVersion(int version) {
    firmwareVersion_ = version;
}
void TDevice::Reserved11() {}
TDeviceForm* TDevice::CreateDeviceForm() {
    throw AbstractMethodError();
}
int TDevice::GetPpmFactor() {
    return 500;
}

void TDevice::SetControllerName(const std::string& name) {
    nameEntry_ = name;
    furtherStateBytes_[5] = 1;
}

std::string TDevice::GetAlarmMark() {
    return HasAlarms() ? " !" : "";
}
TTraceEntry TDevice::GetTraceEntry(int) {
    throw AbstractMethodError();
}

bool TDevice::IsOwnReply(const std::uint8_t* reply, std::size_t length, int& code) {
    code = 0;
    return reply && length > 24 && reply[21] == identity_[3] && reply[22] == identity_[4] &&
           reply[23] == identity_[1] && reply[24] == identity_[2];
}

std::string TDevice::BuildD0Command() {
    return GetCommandHeader() + "D000";
}
std::string TDevice::BuildD1Command() {
    return GetCommandHeader() + "D100";
}
std::string TDevice::BuildD2Command() {
    throw AbstractMethodError();
}

std::string TDevice::BuildL0Command() {
    return GetCommandHeader() + "L001" + HexByte(static_cast<std::uint8_t>(roomIndex_ & 0xFF));
}

std::string TDevice::BuildLCCommand() {
    return GetCommandHeader() + "LC00";
}

std::uint8_t TDevice::GetKindCode(int index) {
    // Only indexes 1 and 2 name a device kind; anything else, below 1 too, is no kind.
    return index == 1 ? 1 : index == 2 ? 5 : 0;
}

std::string TDevice::BuildClockCommand() {
    const LocalTime now = CurrentClock().Now();
    const int pairs[6] = {now.year % 100, now.month, now.day, now.hour, now.minute, now.second};
    std::string command = GetCommandHeader() + "C0" + HexByte(6);
    for (int pair : pairs)
        command += HexByte(static_cast<std::uint8_t>(pair));
    return command;
}

std::string TDevice::BuildA0Command() {
    return GetCommandHeader() + "A000";
}
double TDevice::GetTraceValue(int) {
    return 99999.0;
}

bool TDevice::IsTraceVisible(int index) {
    if (!IsSelectedDevice())
        return false;
    ResetExtraTraces();
    const int extra = index - GetTraceCount(false);
    return extra >= 1 && extra <= extraTraceCount_ &&
           extraTraces_[static_cast<size_t>(extra - 1)].visible != 0;
}

std::uint32_t TDevice::GetTraceColour(int index) {
    if (!IsTraceVisible(index))
        return kHiddenTraceColour;
    return extraTraces_[static_cast<size_t>(index - GetTraceCount(false) - 1)].colour;
}

std::string TDevice::GetTraceName(int, bool) {
    return {};
}
std::string TDevice::GetTraceGroupName(int) {
    return {};
}
void TDevice::StoreSettingsReply(const std::uint8_t*, std::size_t) {}
std::string TDevice::SaveSettingsFile(const std::string&) {
    return Text(TextId::UnsupportedFunction);
}
std::string TDevice::BuildSettingsFirstCommand() {
    throw AbstractMethodError();
}
TDateTime TDevice::DecodeStatusTime() {
    throw AbstractMethodError();
}
void TDevice::AppendLogRecord(const std::string&) {
    throw AbstractMethodError();
}
bool TDevice::GetAlarms(TAlarmFlags&, bool) {
    throw AbstractMethodError();
}

bool TDevice::HasAlarms() {
    TAlarmFlags scratch{};
    return GetAlarms(scratch, false);
}

bool TDevice::GetAlarmEnables(TAlarmFlags&, bool) {
    throw AbstractMethodError();
}
void TDevice::StoreStatusReplyA(const std::uint8_t*, std::size_t) {
    throw AbstractMethodError();
}
void TDevice::StoreStatusReplyB(const std::uint8_t*, std::size_t) {
    throw AbstractMethodError();
}
void TDevice::StoreStatusReplyC(const std::uint8_t*, std::size_t) {
    throw AbstractMethodError();
}
void TDevice::AssignLogFile(const std::string&) {
    throw AbstractMethodError();
}
void TDevice::Reserved59() {
    throw AbstractMethodError();
}
void TDevice::OpenLogFile() {
    throw AbstractMethodError();
}
double TDevice::ReadLastLogRecord(TDateTime) {
    throw AbstractMethodError();
}
bool TDevice::LogEof() {
    throw AbstractMethodError();
}
TDateTime TDevice::GetRecordTime() {
    throw AbstractMethodError();
}
void TDevice::ShiftRecordDate() {
    throw AbstractMethodError();
}
void TDevice::CloseLogFile() {
    throw AbstractMethodError();
}
void TDevice::ReadLogRecord() {
    throw AbstractMethodError();
}
bool TDevice::ReadLogRecordRaw() {
    throw AbstractMethodError();
}
bool TDevice::StatusFlagA() {
    throw AbstractMethodError();
}
int TDevice::FixedIntervalA() {
    throw AbstractMethodError();
}
int TDevice::FixedIntervalB() {
    throw AbstractMethodError();
}
void TDevice::DeleteView(int) {
    throw AbstractMethodError();
}
void TDevice::InsertViewGap(int, int) {
    throw AbstractMethodError();
}
void TDevice::Reserved73() {
    throw AbstractMethodError();
}
void TDevice::Reserved74() {
    throw AbstractMethodError();
}
void TDevice::Reserved76() {
    throw AbstractMethodError();
}
bool TDevice::IsAnyActive() {
    throw AbstractMethodError();
}
void TDevice::Reserved78() {
    throw AbstractMethodError();
}
void TDevice::NotifyA() {
    throw AbstractMethodError();
}
void TDevice::NotifyB() {
    throw AbstractMethodError();
}
void TDevice::NotifyC() {
    throw AbstractMethodError();
}
bool TDevice::IsFunctionAvailable(int, bool) {
    return false;
}
std::string TDevice::GetValueName(int) {
    throw AbstractMethodError();
}
std::string TDevice::GetValueText(int) {
    throw AbstractMethodError();
}
bool TDevice::HasFeature(int bit) {
    return bit >= 0 && bit <= 15 && (features_ >> bit) & 1u;
}

void TDevice::ShowDeviceForm() {
    if (!deviceForm_)
        deviceForm_ = CreateDeviceForm();
    else
        deviceForm_->Show();
}

bool TDevice::IsOutputEnabled(int, bool) {
    throw AbstractMethodError();
}
void TDevice::SetOutputEnabled(int, bool) {
    throw AbstractMethodError();
}
void TDevice::ResetStatus() {
    nameEntryInteger_ = 1;
}

bool TDevice::GetWarningText(std::string& text) {
    text.clear();
    return false;
}

} // namespace hortivex
