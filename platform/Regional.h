#pragma once

#include <memory>
#include <string>

namespace hortivex {

// The user's regional number and time formats.
class Regional {
public:
    virtual ~Regional() = default;
    virtual std::string DecimalSymbol() const = 0;
    virtual std::string TimeSeparator() const = 0;
    virtual std::string DateSeparator() const = 0;
};

// Fixed separators, for tests and as the neutral fallback.
class FixedRegional : public Regional {
public:
    explicit FixedRegional(std::string decimal = ".", std::string time = ":",
                           std::string date = "/")
        : decimal_(std::move(decimal)), time_(std::move(time)), date_(std::move(date)) {}
    std::string DecimalSymbol() const override { return decimal_; }
    std::string TimeSeparator() const override { return time_; }
    std::string DateSeparator() const override { return date_; }

private:
    std::string decimal_, time_, date_;
};

// Separators of the user's locale (LC_NUMERIC, LC_TIME), read once at creation.
std::unique_ptr<Regional> MakeLocaleRegional();

} // namespace hortivex
