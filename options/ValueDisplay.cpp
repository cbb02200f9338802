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

float ConvertByteValue(std::uint8_t a, DisplayType type) {
    switch (type) {
    case DisplayType::Temperature: {
        // Sign and magnitude.
        float v = (a & 0x80) ? -static_cast<float>(a & 0x7F) : static_cast<float>(a);
        if (Fahrenheit())
            v = F(F(F(static_cast<long double>(v) * 9) / 5) + 32);
        return v;
    }
    case DisplayType::Thousandths:
    case DisplayType::PH:
    case DisplayType::ByteTenths:
        return F(a / 10.0L);
    case DisplayType::EC:
        return EcUnit() == 2 ? F(a / 10.0L) : static_cast<float>(a);
    case DisplayType::CO2:
        return F(a * 10.0L);
    case DisplayType::TimesTwentyFive:
        return F(a * 25.0L);
    default:
        return a;
    }
}

float ConvertWordValue(std::uint8_t lo, std::uint8_t hi, DisplayType type, double ppmFactor) {
    const bool noReading = hi == 128 && lo == 0;
    if (type == DisplayType::Low12Bits)
        hi &= 0x0F;
    else if (type == DisplayType::HighNibbleHundredths)
        hi >>= 4;
    const unsigned u = hi * 256u + lo;
    const auto s = static_cast<std::int16_t>(u);
    switch (type) {
    case DisplayType::Temperature:
    case DisplayType::TemperatureDifference:
    case DisplayType::TemperatureTenths:
    case DisplayType::TemperatureDifferenceTenths: {
        float v = F(s / 100.0L);
        if (s > 0 && s % 5 == 0)
            v = F(v + 0.001L);
        if (Fahrenheit()) {
            v = F(F(static_cast<long double>(v) * 9) / 5);
            if (type == DisplayType::Temperature || type == DisplayType::TemperatureTenths)
                v = F(v + 32.0L);
        }
        return v;
    }
    case DisplayType::Signed:
    case DisplayType::SignedB:
        return s;
    case DisplayType::Low12Bits:
        return static_cast<float>(u);
    case DisplayType::HighNibbleHundredths:
        return F(u / 100.0L);
    case DisplayType::Thousandths:
        return F(u / 1000.0L);
    case DisplayType::PH:
        return noReading ? kNoReading : F(u / 100.0L);
    case DisplayType::EC:
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
    case DisplayType::Sixtieths:
        return F(u / 60.0L);
    case DisplayType::WholeSixties:
        // NOLINTNEXTLINE(bugprone-integer-division): whole sixties, the remainder dropped
        return static_cast<float>(u / 60);
    case DisplayType::RemainderOfSixty:
        return static_cast<float>(u % 60);
    case DisplayType::WordTenths:
        return F(u / 10.0L);
    default:
        return static_cast<float>(u);
    }
}

float ConvertWordValue(std::uint16_t word, DisplayType type, double ppmFactor) {
    return ConvertWordValue(static_cast<std::uint8_t>(word & 0xFF),
                            static_cast<std::uint8_t>(word >> 8), type, ppmFactor);
}

float DisplayRound(DisplayType type, float v) {
    // Bit 7 of the code is not part of the type.
    switch (static_cast<DisplayType>(static_cast<std::uint8_t>(type) & 0x7F)) {
    case DisplayType::Temperature:
    case DisplayType::TemperatureDifference:
        if (Fahrenheit())
            v = RoundTo(v, 10);
        return static_cast<float>(RoundHalfAway(v));
    case DisplayType::TemperatureTenths:
    case DisplayType::TemperatureDifferenceTenths:
        if (Fahrenheit())
            v = RoundTo(v, 10);
        return RoundTo(v, 10);
    case DisplayType::Thousandths:
        return RoundTo(v, 100);
    case DisplayType::PH:
        return RoundTo(v, 10);
    case DisplayType::EC:
        // One decimal in mS/cm; whole numbers in CF and, as CF, in ppm or any other unit code
        // the options file may hold.
        return EcUnit() == 2 ? RoundTo(v, 10) : static_cast<float>(RoundHalfAway(v));
    default:
        return static_cast<float>(RoundHalfAway(v));
    }
}

std::string WordValueText(std::uint8_t lo, std::uint8_t hi, DisplayType type, double ppmFactor) {
    const float v = ConvertWordValue(lo, hi, type, ppmFactor);
    switch (type) {
    case DisplayType::Plain:
        return std::to_string(static_cast<long long>(std::nearbyint(v)));
    case DisplayType::Temperature:
    case DisplayType::TemperatureDifference:
    case DisplayType::TemperatureTenths:
    case DisplayType::TemperatureDifferenceTenths:
        return v < -300 ? "-----" : ShortNumberText(DisplayRound(type, v));
    case DisplayType::Thousandths:
        return ShortNumberText(DisplayRound(DisplayType::Thousandths, v));
    case DisplayType::PH:
    case DisplayType::EC:
        return v < 0 ? "-----" : ShortNumberText(DisplayRound(type, v));
    case DisplayType::MinutesSeconds: {
        const unsigned u = hi * 256u + lo;
        return TwoDigits(u / 60) + ":" + TwoDigits(u % 60);
    }
    default:
        return ShortNumberText(v);
    }
}

std::string WordValueText(std::uint16_t word, DisplayType type, double ppmFactor) {
    return WordValueText(static_cast<std::uint8_t>(word & 0xFF),
                         static_cast<std::uint8_t>(word >> 8), type, ppmFactor);
}

std::string ByteValueText(std::uint8_t a, DisplayType type, double ppmFactor) {
    if (a == 255)
        return "-----";
    switch (type) {
    case DisplayType::PH:
        return ShortNumberText(F(a / 10.0L));
    case DisplayType::EC:
        if (EcUnit() == 2)
            return ShortNumberText(F(a / 10.0L));
        if (EcUnit() == 4)
            return ShortNumberText(F(F(a * static_cast<long double>(ppmFactor)) / 10));
        return std::to_string(a);
    case DisplayType::CO2:
        return std::to_string(a * 10);
    case DisplayType::TimesTwentyFive:
        return std::to_string(a * 25);
    default:
        return std::to_string(a);
    }
}

} // namespace hortivex
