#include "platform/Clock.h"

#include <windows.h>

namespace hortivex {
namespace {

class SystemClock : public Clock {
public:
    LocalTime Now() const override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return LocalTime{now.wYear,   now.wMonth,  now.wDay,          now.wHour,
                         now.wMinute, now.wSecond, now.wMilliseconds, now.wDayOfWeek + 1};
    }
};

} // namespace

std::shared_ptr<Clock> MakeSystemClock() {
    return std::make_shared<SystemClock>();
}

} // namespace hortivex
