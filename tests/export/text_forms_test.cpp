#include "export/ExportWriter.h"
#include "export/TextForms.h"

#include <gtest/gtest.h>

#include <cmath>

namespace hortivex {
namespace {

struct NumberCase {
    long double value;
    const char* text;
};

class NumberTextTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberTextTest, FormatsWithFifteenSignificantDigits) {
    EXPECT_EQ(NumberText(GetParam().value, "."), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberTextTest,
    ::testing::Values(NumberCase{0, "0"}, NumberCase{-0.0L, "0"}, NumberCase{255, "255"},
                      NumberCase{-1, "-1"}, NumberCase{6.5L, "6.5"}, NumberCase{63 / 10.0L, "6.3"},
                      // Single-precision values show their binary value to 15 digits.
                      NumberCase{static_cast<float>(2155 / 100.0L), "21.5499992370605"},
                      NumberCase{static_cast<float>(1 / 100.0L), "0.00999999977648258"},
                      // A 16th digit of 5 rounds the magnitude up, not to even.
                      NumberCase{-327.6300048828125L, "-327.630004882813"},
                      NumberCase{0.0001L, "0.0001"}, NumberCase{0.000015L, "1.5E-5"},
                      NumberCase{1e15L, "1E15"}, NumberCase{999999999999999.0L, "999999999999999"},
                      NumberCase{9999999999999999.0L, "1E16"},
                      NumberCase{123456789012345678.0L, "1.23456789012346E17"},
                      NumberCase{100, "100"}, NumberCase{0.5L, "0.5"},
                      NumberCase{-1.25e-7L, "-1.25E-7"}));

TEST(NumberText, UsesTheGivenDecimalSymbol) {
    EXPECT_EQ(NumberText(static_cast<float>(2155 / 100.0L), ","), "21,5499992370605");
    EXPECT_EQ(NumberText(0.000015L, ","), "1,5E-5");
}

TEST(TimeText, FormatsHoursAndMinutes) {
    const std::pair<int, const char*> cases[] = {{0, "00:00"},    {90, "01:30"},
                                                 {600, "10:00"},  {1439, "23:59"},
                                                 {1440, "00:00"}, {65535, "00:00"}};
    for (auto [minutes, text] : cases)
        EXPECT_EQ(TimeText(static_cast<std::uint16_t>(minutes), ":"), text) << minutes;
    EXPECT_EQ(TimeText(90, "."), "01.30");
}

TEST(FlagAndIndexText, AreExact) {
    EXPECT_EQ(FlagText(0x08, 8), "True");
    EXPECT_EQ(FlagText(0xF7, 8), "False");
    EXPECT_EQ(IndexText(-3), "-3");
    EXPECT_EQ(IndexText(57), "57");
}

struct TypedCase {
    int raw;
    ValueKind kind;
    const char* text;
};

TEST(TypedValueText, FollowsTheValueKind) {
    const TypedCase cases[] = {
        {2155, ValueKind::Temp, "21.5499992370605"},
        {150, ValueKind::Temp, "1.5"},
        {-550, ValueKind::Temp, "-5.5"},
        {1, ValueKind::Temp, "0.00999999977648258"},
        {-32763, ValueKind::Temp, "-327.630004882813"},
        {12, ValueKind::EC_CF, "1.20000004768372"},
        {655, ValueKind::pH, "6.55000019073486"},
        {700, ValueKind::pH, "7"},
        {250, ValueKind::EC_EC, "2.5"},
        {123, ValueKind::WGTMOL, "1.23000001907349"},
        {-40, ValueKind::RH, "-40"},
        {800, ValueKind::CO2, "800"},
        {50, ValueKind::EC_ppm, "0"},
        {150, ValueKind::EC_ppm, "2"},
        {250, ValueKind::EC_ppm, "2"},
        {-150, ValueKind::EC_ppm, "-2"},
        {1439, ValueKind::Date, "23:59"},
        {-1, ValueKind::Date, "00:00"},
        {-1, ValueKind::Others, "-1"},
    };
    for (const TypedCase& c : cases)
        EXPECT_EQ(TypedValueText(static_cast<std::int16_t>(c.raw), c.kind), c.text)
            << c.raw << " " << static_cast<int>(c.kind);
}

} // namespace
} // namespace hortivex
