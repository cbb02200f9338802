#pragma once

#include <memory>

namespace hortivex {

// A local date and time broken into its parts; dayOfWeek is 1 (Sunday) to 7 (Saturday).
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
};

// The system's local time.
std::shared_ptr<Clock> MakeSystemClock();

// Always the same moment, for tests.
class FixedClock : public Clock {
public:
    explicit FixedClock(LocalTime when) : when_(when) {}
    LocalTime Now() const override { return when_; }

private:
    LocalTime when_;
};

} // namespace hortivex
