#pragma once

#include <cstdint>
#include <string>

namespace hortivex {

// The application-wide options: selected room, alarm style, paging and notification settings,
// modem port and the two display units. They live in the options file (working folder +
// "_HX.ini", section "Options"); options still kept in the machine-wide settings store are
// moved into that file the first time the options are loaded.
class TOptions {
public:
    std::int32_t AlarmStyle = 0;
    std::string SMSNumber;
    std::string SMSPassword; // kept and stored in plain text
    std::uint8_t SMSBaudrate = 0;
    std::uint8_t SMSDataParityStop = 0;
    std::string Pager;
    std::int32_t PagerDelay = 0;
    std::int32_t SelectedGrowRoom = -1;
    bool PagingEnabled = false;
    std::uint8_t TempUnit = 0; // 0 Celsius, 1 Fahrenheit
    std::uint8_t ECUnit = 0;   // 2 mS/cm, 3 CF, 4 ppm
    std::int32_t ModemPortNum = -1;
    std::uint8_t PagerType = 1;
    std::string TwilioSID;
    std::string TwilioAuth; // kept and stored in plain text
    std::string TwilioFrom;
    std::string TwilioTo;
    bool EmailPaging = false;
    std::string SMTP;
    std::string EmailFrom;
    std::string EmailTo;
    bool SMTPAuthent = false;
    std::string SMTPUser;
    std::string SMTPPass; // kept and stored in plain text
    bool SMTPSSL = true;

    // SetDefaults, DeriveUnits, LoadOptions.
    void Create();
    // Every field to its default, except the two units.
    void SetDefaults();
    // TempUnit and ECUnit from the process-wide unit labels.
    void DeriveUnits();
    // From the options file when it exists (never writing it), else from the settings store
    // followed by SaveOptions. Raises HxError when the file cannot be read or written, or a
    // stored value has the wrong kind.
    void LoadOptions();
    // Writes every option to the options file in one write; a new file is made readable by
    // its owner only, as it holds passwords.
    void SaveOptions() const;

    bool IsPagingActive() const;
    bool IsPagerType3() const { return PagerType == 3; }
    bool DefaultNumericPager() const;
    // The factor that turns a stored EC value into the display unit.
    double ECDisplayFactor(double ppmFactor) const;

    bool operator==(const TOptions&) const = default;
};

// The shared instance, created (and loaded) on the first call. When creation raises, no
// instance is kept and the next call tries again.
TOptions& GetOptions();

// working folder + "_HX.ini".
std::string OptionsFilePath();

} // namespace hortivex
