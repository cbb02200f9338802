#include "export/TextForms.h"

#include "platform/Services.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace hortivex {

namespace {

// Significant digits of a positive finite magnitude rounded to `precision` (1 to 17), with the
// decimal exponent of the first digit (x = d1.d2d3... * 10^exponent). Trailing zeros are removed
// from digits. The magnitude is first rounded to 18 significant digits (to nearest, ties to
// even), and that digit string then to `precision` digits, a next digit of 5 or more rounding
// the magnitude up.
struct Digits {
    char digits[18];
    int count = 0;
    int exponent = 0;
};

using Wide = unsigned __int128;

constexpr std::uint64_t kTenTo17 = 100'000'000'000'000'000ull;
constexpr std::uint64_t kTenTo18 = 1'000'000'000'000'000'000ull;

constexpr std::array<Wide, 39> kPowersOfTen = [] {
    std::array<Wide, 39> powers{};
    Wide p = 1;
    for (Wide& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}();

// The bits of each power of ten.
constexpr std::array<int, 39> kPowerBits = [] {
    std::array<int, 39> bits{};
    for (std::size_t i = 0; i < bits.size(); ++i)
        for (Wide p = kPowersOfTen[i]; p != 0; p >>= 1)
            ++bits[i];
    return bits;
}();

// floor(m * 2^shift * 10^scale) rounded to nearest, ties to even, exactly; false when an
// intermediate does not fit in 128 bits (the caller then takes the general path).
bool ScaledRounded(std::uint64_t m, int shift, int scale, Wide& result) {
    constexpr Wide kMax = ~Wide{0};
    if (scale >= 0) {
        // The product is below 2^(bits of m + bits of 10^scale).
        if (scale >= static_cast<int>(kPowersOfTen.size()) ||
            static_cast<int>(std::bit_width(m)) + kPowerBits[scale] > 128)
            return false;
        const Wide n = m * kPowersOfTen[scale];
        if (shift >= 0) {
            if (shift >= 128 || n > (kMax >> shift))
                return false;
            result = n << shift;
            return true;
        }
        const int k = -shift;
        if (k >= 128)
            return false;
        const Wide q = n >> k;
        const Wide rest = n & ((Wide{1} << k) - 1);
        const Wide half = Wide{1} << (k - 1);
        result = q + ((rest > half || (rest == half && (q & 1) != 0)) ? 1 : 0);
        return true;
    }
    if (shift < 0 || shift >= 64 || -scale >= static_cast<int>(kPowersOfTen.size()))
        return false;
    const Wide n = Wide{m} << shift;
    const Wide divisor = kPowersOfTen[-scale];
    const Wide q = n / divisor;
    const Wide twiceRest = (n % divisor) * 2;
    result = q + ((twiceRest > divisor || (twiceRest == divisor && (q & 1) != 0)) ? 1 : 0);
    return true;
}

// The 18 correctly rounded significant digits as a whole number in [10^17, 10^18), exactly,
// for magnitudes whose scaled value fits in 128 bits (all the values the exports write).
bool EighteenDigits(long double magnitude, std::uint64_t& digits, int& exponent) {
    std::uint64_t m = 0;
    int shift = 0;
    if constexpr (std::numeric_limits<long double>::digits == 64) {
        // The x87 extended format: a 64-bit significand with its leading bit, then the sign and
        // a 15-bit exponent biased by 16383 (0 for subnormal values).
        unsigned char bytes[sizeof(long double)];
        std::memcpy(bytes, &magnitude, sizeof magnitude);
        std::uint16_t signAndExponent = 0;
        std::memcpy(&m, bytes, sizeof m);
        std::memcpy(&signAndExponent, bytes + 8, sizeof signAndExponent);
        const int biased = signAndExponent & 0x7FFF;
        shift = (biased == 0 ? 1 : biased) - 16383 - 63;
    } else {
        int binaryExponent = 0;
        const long double fraction = std::frexp(magnitude, &binaryExponent);
        m = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
        shift = binaryExponent - 64;
    }
    if (m == 0)
        return false;
    const int zeros = std::countr_zero(m);
    m >>= zeros;
    shift += zeros;
    // floor(log10(x)) is this estimate or one more: x lies in [2^top, 2^(top + 1)).
    const int top = shift + static_cast<int>(std::bit_width(m)) - 1;
    int decimal = (top * 78913) >> 18;
    for (int attempt = 0; attempt < 3; ++attempt) {
        Wide scaled = 0;
        if (!ScaledRounded(m, shift, 17 - decimal, scaled))
            return false;
        if (scaled < kTenTo17) {
            --decimal;
        } else if (scaled >= kTenTo18) {
            // The value lies above 10^(decimal + 1), or rounds up to it: the next exponent's
            // digits settle which.
            ++decimal;
        } else {
            digits = static_cast<std::uint64_t>(scaled);
            exponent = decimal;
            return true;
        }
    }
    return false;
}

// The general path: the extended-precision decimal conversion of the standard library.
bool EighteenDigitsByConversion(long double magnitude, std::uint64_t& digits, int& exponent) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 17);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    if (result.ec != std::errc() || e == std::string_view::npos)
        return false;
    digits = 0;
    for (char c : text.substr(0, e))
        if (c != '.')
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
    const std::string_view power = text.substr(e + 1);
    const char* first = power.data() + (power.front() == '+' ? 1 : 0);
    std::from_chars(first, power.data() + power.size(), exponent);
    return true;
}

Digits RoundedDigits(long double magnitude, int precision) {
    std::uint64_t eighteen = 0;
    int exponent = 0;
    if (!EighteenDigits(magnitude, eighteen, exponent))
        EighteenDigitsByConversion(magnitude, eighteen, exponent);

    // Then to the precision: a next digit of 5 or more rounds the magnitude up.
    // (NumberText's 15 digits with constant divisors, which compile to multiplications.)
    const auto dropped = static_cast<std::size_t>(18 - precision);
    const std::uint64_t withNext =
        precision == 15 ? eighteen / 100
                        : eighteen / static_cast<std::uint64_t>(kPowersOfTen[dropped - 1]);
    std::uint64_t kept = withNext / 10;
    const std::uint64_t next = withNext % 10;
    if (next >= 5 && ++kept == static_cast<std::uint64_t>(kPowersOfTen[precision])) {
        kept /= 10;
        ++exponent;
    }
    Digits out;
    out.exponent = exponent;
    int count = precision;
    while (count > 1 && kept % 10 == 0) {
        kept /= 10;
        --count;
    }
    out.count = count;
    for (int i = count - 1; i >= 0; --i, kept /= 10)
        out.digits[i] = static_cast<char>('0' + kept % 10);
    return out;
}

} // namespace

std::string NumberText(long double x) {
    return NumberText(x, CurrentRegional().DecimalSymbol());
}

std::string NumberText(long double x, std::string_view decimalSymbol) {
    return GeneralNumberText(x, 15, 1, decimalSymbol);
}

std::string GeneralNumberText(long double x, int precision, int minExponentDigits,
                              std::string_view decimalSymbol) {
    if (std::isnan(x))
        return "NAN";
    if (std::isinf(x))
        return x < 0 ? "-INF" : "INF";
    if (x == 0)
        return "0";

    precision = std::clamp(precision, 1, 17);
    minExponentDigits = std::clamp(minExponentDigits, 1, 16);
    // Whole numbers with no more digits than the precision (bytes, words, most values) are
    // their own digits.
    if (std::fabs(x) < static_cast<long double>(kPowersOfTen[precision])) {
        const auto whole = static_cast<long long>(x);
        if (static_cast<long double>(whole) == x) {
            char text[24];
            return std::string(text, std::to_chars(text, text + sizeof text, whole).ptr);
        }
    }
    const Digits d = RoundedDigits(std::fabs(x), precision);
    const int count = d.count;

    // Sign, "0.000", 17 digits, "E-" and up to 16 exponent digits fit in 48 bytes beside the
    // separator; the text is built in place and copied once.
    char local[64];
    std::string large;
    char* out = local;
    if (decimalSymbol.size() > sizeof local - 48) {
        large.resize(48 + decimalSymbol.size());
        out = large.data();
    }
    char* const start = out;
    auto put = [&out](std::string_view text) { out = std::copy(text.begin(), text.end(), out); };
    auto zeros = [&out](int n) { out = std::fill_n(out, std::max(n, 0), '0'); };
    const std::string_view digits(d.digits, static_cast<std::size_t>(count));
    if (x < 0)
        *out++ = '-';
    if (d.exponent >= -4 && d.exponent < precision) {
        const auto whole = static_cast<std::size_t>(std::max(d.exponent + 1, 0));
        if (d.exponent < 0) {
            *out++ = '0';
            put(decimalSymbol);
            zeros(-d.exponent - 1);
            put(digits);
        } else if (count <= d.exponent + 1) {
            put(digits);
            zeros(d.exponent + 1 - count);
        } else {
            put(digits.substr(0, whole));
            put(decimalSymbol);
            put(digits.substr(whole));
        }
        return std::string(start, out);
    }
    *out++ = digits[0];
    if (count > 1) {
        put(decimalSymbol);
        put(digits.substr(1));
    }
    *out++ = 'E';
    if (d.exponent < 0)
        *out++ = '-';
    char exponent[8];
    const char* end = std::to_chars(exponent, exponent + sizeof exponent, std::abs(d.exponent)).ptr;
    zeros(minExponentDigits - static_cast<int>(end - exponent));
    put(std::string_view(exponent, static_cast<std::size_t>(end - exponent)));
    return std::string(start, out);
}

std::string IndexText(long long n) {
    return std::to_string(n);
}

std::string FlagText(std::uint8_t flags, std::uint8_t mask) {
    return (flags & mask) != 0 ? "True" : "False";
}

std::string TimeText(std::uint16_t minutes) {
    return TimeText(minutes, CurrentRegional().TimeSeparator());
}

std::string TimeText(std::uint16_t minutes, std::string_view timeSeparator) {
    unsigned hours = minutes / 60u;
    unsigned mins = minutes % 60u;
    if (hours >= 24)
        hours = mins = 0;
    std::string text;
    text += static_cast<char>('0' + hours / 10);
    text += static_cast<char>('0' + hours % 10);
    text += timeSeparator;
    text += static_cast<char>('0' + mins / 10);
    text += static_cast<char>('0' + mins % 10);
    return text;
}

} // namespace hortivex
