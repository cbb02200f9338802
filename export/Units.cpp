#include "export/Units.h"

#include "export/TextForms.h"
#include "platform/Services.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace hortivex {

namespace {

bool IsBlankOrControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

// Far beyond any exponent a float can reach, small enough that sums of it cannot overflow.
constexpr long long kExponentCap = 1'000'000;

// The single-precision value of a trimmed text in the accepted grammar, or nothing when the text
// is malformed or its value is too large for a float.
std::optional<float> ReadDecimal(std::string_view s, std::string_view point) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';

    // Every mantissa digit, and how many of them stand before the decimal symbol.
    std::string digits;
    long long wholeDigits = 0;
    bool seenPoint = false;
    while (i < s.size()) {
        if (IsDigit(s[i])) {
            digits.push_back(s[i++]);
            if (!seenPoint)
                ++wholeDigits;
        } else if (!seenPoint && !point.empty() && s.substr(i).starts_with(point)) {
            seenPoint = true;
            i += point.size();
        } else {
            break;
        }
    }
    if (digits.empty())
        return std::nullopt;

    long long exponent = 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            negativeExponent = s[i++] == '-';
        const std::size_t start = i;
        while (i < s.size() && IsDigit(s[i]))
            exponent = std::min(exponent * 10 + (s[i++] - '0'), kExponentCap);
        if (i == start)
            return std::nullopt;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != s.size())
        return std::nullopt;

    // Normalise to 0.d1d2... * 10^scale with d1 non-zero, so that the text handed to the
    // converter never carries an absurd exponent.
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return negative ? -0.0f : 0.0f;
    const std::size_t last = digits.find_last_not_of('0');
    digits = digits.substr(first, last - first + 1);
    const long long scale =
        std::clamp(wholeDigits - static_cast<long long>(first), -kExponentCap, kExponentCap) +
        exponent;
    // Below 10^-46 lies under half the smallest subnormal float: the value rounds to zero.
    if (scale < -45)
        return negative ? -0.0f : 0.0f;
    // At 10^39 or more the value is beyond the largest float.
    if (scale > 39)
        return std::nullopt;

    std::string c = negative ? "-0." : "0.";
    c += digits;
    c += 'e';
    c += std::to_string(scale);
    float value = 0;
    const auto result = std::from_chars(c.data(), c.data() + c.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (scale > 0)
            return std::nullopt;
        return negative ? -0.0f : 0.0f;
    }
    if (result.ec != std::errc() || result.ptr != c.data() + c.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void ShowNotANumber(std::string_view text) {
    std::string message(text);
    message += " is not a valid number.";
    CurrentMessages().Plain(message);
}

// x stored to single precision, or nothing when it is not a finite value a float can hold.
std::optional<float> Single(long double x) {
    constexpr long double kMax = std::numeric_limits<float>::max();
    if (!(x >= -kMax && x <= kMax))
        return std::nullopt;
    return static_cast<float>(x);
}

bool IsSignedTemperatureTag(std::string_view tag) {
    return tag == "C" || tag == "F" || tag == "TEMP_ADJ";
}

// The whole number n of the raw scale for the parsed value v, before the range check; nothing
// when the ppm factor cannot be used.
std::optional<long double> ScaledValue(float v, std::string_view tag, double ppmFactor,
                                       std::string_view tempUnitLabel) {
    if (tag == "F") {
        const auto celsius = Single((static_cast<long double>(v) - 32) * 5 / 9);
        if (!celsius)
            return std::nullopt;
        v = *celsius;
    } else if (tag == "TEMP_ADJ" && tempUnitLabel == "F") {
        const auto difference = Single(static_cast<long double>(v) * 5 / 9);
        if (!difference)
            return std::nullopt;
        v = *difference;
    }

    const long double x = v;
    if (tag == "F" || tag == "C" || tag == "TEMP_ADJ")
        return std::nearbyint(x * 100);
    if (tag == "RH_ADJ" || tag == "CO2_ADJ")
        return std::trunc(x);
    if (tag == " CF  ")
        return std::nearbyint(x * 10);
    if (tag == "pH" || tag == "mS/cm" || tag == "WGTMOL")
        return std::nearbyint(x * 100);
    if (tag == "ppm") {
        if (!(ppmFactor > 0))
            return std::nullopt;
        const auto perHundredth = Single(static_cast<long double>(ppmFactor) / 100);
        if (!perHundredth || !(*perHundredth > 0))
            return std::nullopt;
        return std::nearbyint(x / *perHundredth);
    }
    return std::nearbyint(x);
}

} // namespace

bool ParseNumber(std::string_view text, float& value) {
    const auto parsed = ReadDecimal(Trimmed(text), CurrentRegional().DecimalSymbol());
    if (!parsed) {
        ShowNotANumber(text);
        return false;
    }
    value = *parsed;
    return true;
}

bool TextToRaw(std::string_view text, std::string_view unitTag, double ppmFactor,
               std::string_view tempUnitLabel, std::uint16_t& raw) {
    float v = 0;
    if (!ParseNumber(text, v))
        return false;
    const auto n = ScaledValue(v, unitTag, ppmFactor, tempUnitLabel);
    // The signed temperature words are read back as -32768..32767; every other word is also
    // read unsigned, so 65535 is the largest it holds.
    const long double highest = IsSignedTemperatureTag(unitTag) ? 32767 : 65535;
    if (!n || !(*n >= -32768 && *n <= highest)) {
        ShowNotANumber(text);
        return false;
    }
    raw = static_cast<std::uint16_t>(static_cast<long long>(*n) & 0xFFFF);
    return true;
}

long long RoundHalfAway(double x) {
    if (std::isnan(x))
        return 0;
    // The fraction x - trunc(x) is exact, so the half is judged without the error that adding
    // 0.5 first makes near 0.5 and for odd numbers beyond 2^52 (MinGW's std::round does that).
    double r = std::trunc(x);
    if (std::fabs(x - r) >= 0.5)
        r += std::copysign(1.0, x);
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (r >= kLimit)
        return std::numeric_limits<long long>::max();
    if (r < -kLimit)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(r);
}

std::string ShortNumberText(double x) {
    return GeneralNumberText(x, 5, 2, CurrentRegional().DecimalSymbol());
}

TimeOfDay TimeFromMinutes(std::uint16_t minutes) {
    const int hour = minutes / 60;
    if (hour >= 24)
        return {};
    return {hour, minutes % 60};
}

bool TestBits(std::uint8_t flags, std::uint8_t mask) {
    return (flags & mask) != 0;
}

void SetBits(std::uint8_t& flags, std::uint8_t mask, bool on) {
    flags = static_cast<std::uint8_t>(on ? flags | mask : flags & ~mask);
}

} // namespace hortivex
