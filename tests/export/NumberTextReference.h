#pragma once
// The general number text as it was first written (through the extended-precision printf path
// of std::to_chars), kept as the reference the faster formatting must equal byte for byte.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace hortivex::test {

// Significant digits of a positive finite magnitude rounded to `precision` (1 to 17), with the
// decimal exponent of the first digit (x = d1.d2d3... * 10^exponent). Trailing zeros are removed
// from digits.
struct ReferenceDigits {
    std::string digits;
    int exponent = 0;
};

inline ReferenceDigits ReferenceRoundedDigits(long double magnitude, int precision) {
    const auto keep = static_cast<std::size_t>(precision);
    // 18 correctly rounded significant digits first: "d.ddddddddddddddddde+XX".
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 17);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    std::size_t e = text.find('e');
    ReferenceDigits out;
    out.exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    std::string digits;
    digits.reserve(18);
    for (char c : text.substr(0, e))
        if (c != '.')
            digits.push_back(c);

    // Then to the precision: a next digit of 5 or more rounds the magnitude up.
    bool roundUp = digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        int i = precision - 1;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9')
            digits[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) {
            ++digits[static_cast<std::size_t>(i)];
        } else {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++out.exponent;
        }
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    out.digits = std::move(digits);
    return out;
}

inline std::string ReferenceGeneralNumberText(long double x, int precision, int minExponentDigits,
                                              std::string_view decimalSymbol) {
    if (std::isnan(x))
        return "NAN";
    if (std::isinf(x))
        return x < 0 ? "-INF" : "INF";
    if (x == 0)
        return "0";

    precision = std::clamp(precision, 1, 17);
    ReferenceDigits d = ReferenceRoundedDigits(std::fabs(x), precision);
    std::string text = x < 0 ? "-" : "";
    const int count = static_cast<int>(d.digits.size());
    if (d.exponent >= -4 && d.exponent < precision) {
        if (d.exponent < 0) {
            text += "0";
            text += decimalSymbol;
            text.append(static_cast<std::size_t>(-d.exponent - 1), '0');
            text += d.digits;
        } else if (count <= d.exponent + 1) {
            text += d.digits;
            text.append(static_cast<std::size_t>(d.exponent + 1 - count), '0');
        } else {
            text.append(d.digits, 0, static_cast<std::size_t>(d.exponent + 1));
            text += decimalSymbol;
            text.append(d.digits, static_cast<std::size_t>(d.exponent + 1));
        }
        return text;
    }
    text += d.digits[0];
    if (count > 1) {
        text += decimalSymbol;
        text.append(d.digits, 1);
    }
    text += "E";
    if (d.exponent < 0)
        text += "-";
    const std::string exponent = std::to_string(d.exponent < 0 ? -d.exponent : d.exponent);
    if (static_cast<int>(exponent.size()) < minExponentDigits)
        text.append(static_cast<std::size_t>(minExponentDigits) - exponent.size(), '0');
    text += exponent;
    return text;
}

} // namespace hortivex::test
