// NumberText and its shorter sibling must write the same bytes as the extended-precision
// conversion they replace, for every value the exports and the display conversions produce.
#include "export/TextForms.h"

#include "NumberTextReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>

namespace hortivex {
namespace {

// Counts the values whose text differs from the reference, naming the first few.
int Mismatches(long double x, int& reported) {
    int bad = 0;
    for (auto [precision, exponentDigits] : {std::pair{15, 1}, std::pair{5, 2}}) {
        const std::string fast = GeneralNumberText(x, precision, exponentDigits, ".");
        const std::string reference =
            test::ReferenceGeneralNumberText(x, precision, exponentDigits, ".");
        if (fast != reference) {
            ++bad;
            if (++reported <= 5)
                ADD_FAILURE() << std::hexfloat << x << " at " << precision << " digits: " << fast
                              << " instead of " << reference;
        }
    }
    return bad;
}

// Every 16-bit word as each value kind computes it (whole words and bytes, through single
// precision, extended-precision quotients, rounded hundredths), both signs.
TEST(NumberTextEquality, EveryWordOfEveryValueKind) {
    const std::function<long double(int)> kinds[] = {
        [](int raw) { return static_cast<long double>(static_cast<std::int16_t>(raw)); },
        [](int raw) { return static_cast<long double>(raw); },
        [](int raw) { return static_cast<float>(static_cast<std::int16_t>(raw) / 100.0L); },
        [](int raw) { return static_cast<float>(static_cast<std::int16_t>(raw) / 10.0L); },
        [](int raw) { return static_cast<std::int16_t>(raw) / 100.0L; },
        [](int raw) { return static_cast<std::int16_t>(raw) / 10.0L; },
        [](int raw) { return std::nearbyint(static_cast<std::int16_t>(raw) / 100.0L); },
    };
    int reported = 0, bad = 0;
    for (const auto& kind : kinds)
        for (int raw = 0; raw < 65536; ++raw)
            bad += Mismatches(kind(raw), reported);
    EXPECT_EQ(bad, 0);
}

// Values around every power of ten, where the digit count and the form change, and values
// whose 16th or 19th digit is a tie.
TEST(NumberTextEquality, PowersOfTenAndTies) {
    int reported = 0, bad = 0;
    for (int e = -30; e <= 30; ++e) {
        const long double p = std::pow(10.0L, static_cast<long double>(e));
        for (long double x :
             {p, std::nextafter(p, 0.0L), std::nextafter(p, 1e40L),
              static_cast<long double>(static_cast<double>(p)),
              static_cast<long double>(static_cast<float>(p)), p * 0.99999999999999995L,
              p * 9.9999999999999995L, p * 1.00000000000000005L})
            bad += Mismatches(x, reported) + Mismatches(-x, reported);
    }
    for (long double x : {-327.6300048828125L, 0.5L, 2.5L, 1e15L, 999999999999999.5L,
                          9999999999999999.0L, 99999.5L, 1.5e-5L, 123456789012345678.0L})
        bad += Mismatches(x, reported);
    EXPECT_EQ(bad, 0);
}

// Random extended-precision values over a wide range of magnitudes, and random floats.
TEST(NumberTextEquality, RandomValues) {
    std::mt19937_64 random(20261209);
    std::uniform_int_distribution<int> exponent(-80, 80);
    int reported = 0, bad = 0;
    for (int i = 0; i < 20000; ++i) {
        const long double mantissa = static_cast<long double>(random() | (1ull << 63));
        const long double x = std::ldexp(mantissa, exponent(random) - 63);
        std::uint32_t bits = static_cast<std::uint32_t>(random());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        bad += Mismatches(x, reported) + Mismatches(-x, reported);
        if (std::isfinite(f))
            bad += Mismatches(f, reported);
    }
    EXPECT_EQ(bad, 0);
}

} // namespace
} // namespace hortivex
