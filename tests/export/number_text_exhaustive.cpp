// Every single-precision value in the binades the exports' fractional kinds reach (hundredths
// and tenths of a signed word: up to 3276.8) and below them to 2^-14, compared with the
// extended-precision reference text at 15 and 5 digits. About 220 million values: run in
// Release builds only (ctest label "exhaustive").
#include "export/TextForms.h"

#include "NumberTextReference.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

namespace hortivex {
namespace {

class EveryFloatOfABinade : public ::testing::TestWithParam<int> {};

TEST_P(EveryFloatOfABinade, MatchesTheReference) {
    const int binade = GetParam();
    const auto first = std::bit_cast<std::uint32_t>(std::ldexp(1.0f, binade));
    const auto last = std::bit_cast<std::uint32_t>(std::ldexp(1.0f, binade + 1));
    std::uint64_t bad = 0;
    for (std::uint32_t bits = first; bits < last; ++bits) {
        const long double x = std::bit_cast<float>(bits);
        for (auto [precision, exponentDigits] : {std::pair{15, 1}, std::pair{5, 2}}) {
            if (GeneralNumberText(x, precision, exponentDigits, ".") !=
                    test::ReferenceGeneralNumberText(x, precision, exponentDigits, ".") &&
                ++bad <= 5)
                ADD_FAILURE() << std::hexfloat << x << " at " << precision << " digits";
        }
    }
    EXPECT_EQ(bad, 0u);
    RecordProperty("values", static_cast<int>(last - first));
}

INSTANTIATE_TEST_SUITE_P(Binades, EveryFloatOfABinade, ::testing::Range(-14, 12));

} // namespace
} // namespace hortivex
