#pragma once

#include "devices/Device.h"

#include <cmath>
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

} // namespace hortivex
