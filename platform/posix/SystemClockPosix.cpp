#include "platform/Clock.h"

#include <ctime>

namespace hortivex {
namespace {

class SystemClock : public Clock {
public:
    LocalTime Now() const override {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        std::tm parts{};
        ::localtime_r(&now.tv_sec, &parts);
        return LocalTime{parts.tm_year + 1900,
                         parts.tm_mon + 1,
                         parts.tm_mday,
                         parts.tm_hour,
                         parts.tm_min,
                         parts.tm_sec,
                         static_cast<int>(now.tv_nsec / 1000000),
                         parts.tm_wday + 1};
    }
};

} // namespace

std::shared_ptr<Clock> MakeSystemClock() {
    return std::make_shared<SystemClock>();
}

} // namespace hortivex
