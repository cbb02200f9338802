#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace hortivex {

// The user's regional number and time formats.
class Regional {
public:
    virtual ~Regional() = default;
    virtual std::string DecimalSymbol() const = 0;
    virtual std::string TimeSeparator() const = 0;
    virtual std::string DateSeparator() const = 0;
    // The primary language of the user's locale as a Windows primary language identifier
    // (9 English, 4 Chinese, ...); 0 when it is not known.
    virtual int PrimaryLanguage() const = 0;
};

inline constexpr int kLanguageChinese = 0x04;

// Fixed separators, for tests and as the neutral fallback.
class FixedRegional : public Regional {
public:
    explicit FixedRegional(std::string decimal = ".", std::string time = ":",
                           std::string date = "/", int language = 0x09)
        : decimal_(std::move(decimal)), time_(std::move(time)), date_(std::move(date)),
          language_(language) {}
    std::string DecimalSymbol() const override { return decimal_; }
    std::string TimeSeparator() const override { return time_; }
    std::string DateSeparator() const override { return date_; }
    int PrimaryLanguage() const override { return language_; }

private:
    std::string decimal_, time_, date_;
    int language_;
};

// Separators of the user's locale (LC_NUMERIC, LC_TIME) and its language (LC_MESSAGES), read
// once at creation.
std::unique_ptr<Regional> MakeLocaleRegional();

// The Windows primary language identifier of a POSIX locale name such as "zh_CN.UTF-8";
// 0 for "C", "POSIX", an empty name or a language not in the table.
int PrimaryLanguageOf(std::string_view localeName);

} // namespace hortivex
