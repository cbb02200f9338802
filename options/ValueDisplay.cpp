#include "options/ValueDisplay.h"

#include "export/Units.h"
#include "options/Options.h"

#include <cmath>

namespace hortivex {

namespace {

constexpr float kNoReading = -1000.0f;

bool Fahrenheit() {
    return GetOptions().TempUnit == 1;
}
std::uint8_t EcUnit() {
    return GetOptions().ECUnit;
}

// Each step in extended precision, its result stored as a single-precision value.
float F(long double x) {
    return static_cast<float>(x);
}

// RoundHalfAway(x * scale) / scale, with the product held in single precision first: near
// ties such as 6.45 * 10 decide the visible digit the way the controllers show it.
float RoundTo(float v, float scale) {
    return F(static_cast<long double>(RoundHalfAway(F(static_cast<long double>(v) * scale))) /
             scale);
}

std::string TwoDigits(unsigned n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

} // namespace

float ConvertByteValue(std::uint8_t a, int type) {
    switch (type) {
    case 1: {
        // Sign and magnitude.
        float v = (a & 0x80) ? -static_cast<float>(a & 0x7F) : static_cast<float>(a);
        if (Fahrenheit())
            v = F(F(F(static_cast<long double>(v) * 9) / 5) + 32);
        return v;
    }
    case 9:
    case 10:
    case 18:
        return F(a / 10.0L);
    case 11:
        return EcUnit() == 2 ? F(a / 10.0L) : a;
    case 12:
        return F(a * 10.0L);
    case 20:
        return F(a * 25.0L);
    default:
        return a;
    }
}

float ConvertWordValue(std::uint8_t lo, std::uint8_t hi, int type, double ppmFactor) {
    const bool noReading = hi == 128 && lo == 0;
    if (type == 7)
        hi &= 0x0F;
    else if (type == 8)
        hi >>= 4;
    const unsigned u = hi * 256u + lo;
    const auto s = static_cast<std::int16_t>(u);
    switch (type) {
    case 1:
    case 2:
    case 3:
    case 4: {
        float v = F(s / 100.0L);
        if (s > 0 && s % 5 == 0)
            v = F(v + 0.001L);
        if (Fahrenheit()) {
            v = F(F(static_cast<long double>(v) * 9) / 5);
            if (type == 1 || type == 3)
                v = F(v + 32.0L);
        }
        return v;
    }
    case 6:
    case 13:
        return s;
    case 7:
        return static_cast<float>(u);
    case 8:
        return F(u / 100.0L);
    case 9:
        return F(u / 1000.0L);
    case 10:
        return noReading ? kNoReading : F(u / 100.0L);
    case 11:
        if (noReading)
            return kNoReading;
        switch (EcUnit()) {
        case 2:
            return F(u / 100.0L);
        case 3:
            return F(u / 10.0L);
        case 4:
            return F(F(u * static_cast<long double>(ppmFactor)) / 100);
        default:
            return static_cast<float>(u);
        }
    case 15:
        return F(u / 60.0L);
    case 16:
        return static_cast<float>(u / 60);
    case 17:
        return static_cast<float>(u % 60);
    case 19:
        return F(u / 10.0L);
    default:
        return static_cast<float>(u);
    }
}

float ConvertWordValue(std::uint16_t word, int type, double ppmFactor) {
    return ConvertWordValue(static_cast<std::uint8_t>(word & 0xFF),
                            static_cast<std::uint8_t>(word >> 8), type, ppmFactor);
}

float DisplayRound(int type, float v) {
    switch (type & 0x7F) {
    case 1:
    case 2:
        if (Fahrenheit())
            v = RoundTo(v, 10);
        return static_cast<float>(RoundHalfAway(v));
    case 3:
    case 4:
        if (Fahrenheit())
            v = RoundTo(v, 10);
        return RoundTo(v, 10);
    case 9:
        return RoundTo(v, 100);
    case 10:
        return RoundTo(v, 10);
    case 11:
        // One decimal in mS/cm; whole numbers in CF and, as CF, in ppm or any other unit code
        // the options file may hold.
        return EcUnit() == 2 ? RoundTo(v, 10) : static_cast<float>(RoundHalfAway(v));
    default:
        return static_cast<float>(RoundHalfAway(v));
    }
}

std::string WordValueText(std::uint8_t lo, std::uint8_t hi, int type, double ppmFactor) {
    const float v = ConvertWordValue(lo, hi, type, ppmFactor);
    switch (type) {
    case 0:
        return std::to_string(static_cast<long long>(std::nearbyint(v)));
    case 1:
    case 2:
    case 3:
    case 4:
        return v < -300 ? "-----" : ShortNumberText(DisplayRound(type, v));
    case 9:
        return ShortNumberText(DisplayRound(9, v));
    case 10:
    case 11:
        return v < 0 ? "-----" : ShortNumberText(DisplayRound(type, v));
    case 14: {
        const unsigned u = hi * 256u + lo;
        return TwoDigits(u / 60) + ":" + TwoDigits(u % 60);
    }
    default:
        return ShortNumberText(v);
    }
}

std::string WordValueText(std::uint16_t word, int type, double ppmFactor) {
    return WordValueText(static_cast<std::uint8_t>(word & 0xFF),
                         static_cast<std::uint8_t>(word >> 8), type, ppmFactor);
}

std::string ByteValueText(std::uint8_t a, int type, double ppmFactor) {
    if (a == 255)
        return "-----";
    switch (type) {
    case 10:
        return ShortNumberText(F(a / 10.0L));
    case 11:
        if (EcUnit() == 2)
            return ShortNumberText(F(a / 10.0L));
        if (EcUnit() == 4)
            return ShortNumberText(F(F(a * static_cast<long double>(ppmFactor)) / 10));
        return std::to_string(a);
    case 12:
        return std::to_string(a * 10);
    case 20:
        return std::to_string(a * 25);
    default:
        return std::to_string(a);
    }
}

} // namespace hortivex
