#include "export/Numeric.h"
#include "export/Units.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace hortivex {
namespace {

class CapturedMessages : public Messages {
public:
    void Information(const std::string& text) override { all.push_back("I:" + text); }
    void Error(const std::string& text, const std::string&) override { all.push_back("E:" + text); }
    void Plain(const std::string& text) override { all.push_back(text); }
    std::vector<std::string> all;
};

std::shared_ptr<CapturedMessages> Capture() {
    auto messages = std::make_shared<CapturedMessages>();
    InstallMessages(messages);
    return messages;
}

constexpr float kUntouched = 42.0f;

struct ParseCase {
    const char* decimal;
    std::string text;
    std::optional<float> value; // nothing: the text is refused
};

std::ostream& operator<<(std::ostream& out, const ParseCase& c) {
    return out << '"' << c.text << "\" with \"" << c.decimal << '"';
}

class ParseNumberTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseNumberTest, AcceptsExactlyTheDecimalGrammar) {
    const ParseCase& c = GetParam();
    InstallRegional(std::make_shared<FixedRegional>(c.decimal));
    auto messages = Capture();
    float value = kUntouched;
    const bool ok = ParseNumber(c.text, value);
    if (c.value) {
        ASSERT_TRUE(ok);
        EXPECT_EQ(value, *c.value);
        EXPECT_EQ(std::signbit(value), std::signbit(*c.value));
        EXPECT_TRUE(messages->all.empty());
    } else {
        ASSERT_FALSE(ok);
        EXPECT_EQ(value, kUntouched);
        ASSERT_EQ(messages->all.size(), 1u);
        EXPECT_EQ(messages->all[0], c.text + " is not a valid number.");
    }
}

const float kAboveOne = std::nextafter(1.0f, 2.0f);
const float kSmallestSubnormal = std::numeric_limits<float>::denorm_min();
const std::nullopt_t kRefused = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Point, ParseNumberTest,
    ::testing::Values(ParseCase{".", "21.5", 21.5f}, ParseCase{".", "  21.5  ", 21.5f},
                      ParseCase{".", "\t-3\r\n", -3.0f}, ParseCase{".", ".5", 0.5f},
                      ParseCase{".", "5.", 5.0f}, ParseCase{".", "1e3", 1000.0f},
                      ParseCase{".", "2.5e-1", 0.25f}, ParseCase{".", "1.005", 1.005f},
                      ParseCase{".", "-0", -0.0f}, ParseCase{".", "0e999999999999999999", 0.0f},
                      // Ties of the decimal value go to even; a value just above a tie goes up,
                      // which a detour through double precision would lose.
                      ParseCase{".", "16777217", 16777216.0f},
                      ParseCase{".", "1.00000005960464477539062500000001", kAboveOne},
                      ParseCase{".", "100000000000000000000000000000000000000e-30", 1e8f},
                      ParseCase{".", "0.00000000000000000000000000000000000000000000000000001e53",
                                1.0f},
                      ParseCase{".", "3.4028235e38", std::numeric_limits<float>::max()},
                      ParseCase{".", "1.4e-45", kSmallestSubnormal}, ParseCase{".", "1e-50", 0.0f},
                      ParseCase{".", "-1e-99999999999999", -0.0f},
                      // Refused: malformed, foreign forms, and values beyond a float.
                      ParseCase{".", "", kRefused}, ParseCase{".", "   ", kRefused},
                      ParseCase{".", "abc", kRefused}, ParseCase{".", " x ", kRefused},
                      ParseCase{".", "%s%d", kRefused}, ParseCase{".", "1.2.3", kRefused},
                      ParseCase{".", "1,5", kRefused}, ParseCase{".", "1,000", kRefused},
                      ParseCase{".", "1 000", kRefused}, ParseCase{".", "inf", kRefused},
                      ParseCase{".", "nan", kRefused}, ParseCase{".", "0x1p3", kRefused},
                      ParseCase{".", "1e", kRefused}, ParseCase{".", "+", kRefused},
                      ParseCase{".", ".", kRefused}, ParseCase{".", "1.5x", kRefused},
                      ParseCase{".", "1e5.5", kRefused}, ParseCase{".", "3.5e38", kRefused},
                      ParseCase{".", "-1e39", kRefused},
                      ParseCase{".", "1e99999999999999999999", kRefused},
                      ParseCase{".", std::string("1\0", 2) + "2", kRefused}));

INSTANTIATE_TEST_SUITE_P(Comma, ParseNumberTest,
                         ::testing::Values(ParseCase{",", "1,5", 1.5f},
                                           ParseCase{",", " -0,25 ", -0.25f},
                                           ParseCase{",", "1,5e2", 150.0f},
                                           ParseCase{",", "1.5", kRefused},
                                           ParseCase{",", "1,5,", kRefused},
                                           // A decimal symbol of two bytes must be matched whole.
                                           ParseCase{"\xD9\xAB",
                                                     "1\xD9\xAB"
                                                     "5",
                                                     1.5f},
                                           ParseCase{"\xD9\xAB",
                                                     "1\xD9"
                                                     "5",
                                                     kRefused}));

struct RawCase {
    std::string text;
    const char* tag;
    double factor;
    const char* tempLabel;
    std::optional<std::uint16_t> raw; // nothing: refused, raw left as it was
};

std::ostream& operator<<(std::ostream& out, const RawCase& c) {
    return out << '"' << c.text << "\" as \"" << c.tag << "\" (label \"" << c.tempLabel << "\")";
}

class TextToRawTest : public ::testing::TestWithParam<RawCase> {};

TEST_P(TextToRawTest, ProducesTheStoredWord) {
    const RawCase& c = GetParam();
    auto messages = Capture();
    std::uint16_t raw = 0x1234;
    const bool ok = TextToRaw(c.text, c.tag, c.factor, c.tempLabel, raw);
    if (c.raw) {
        ASSERT_TRUE(ok);
        EXPECT_EQ(raw, *c.raw);
        EXPECT_TRUE(messages->all.empty());
    } else {
        ASSERT_FALSE(ok);
        EXPECT_EQ(raw, 0x1234);
        ASSERT_EQ(messages->all.size(), 1u);
        EXPECT_EQ(messages->all[0], c.text + " is not a valid number.");
    }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Units, TextToRawTest,
    ::testing::Values(
        RawCase{"21.5", "C", 500, "C", 2150}, RawCase{"70.7", "F", 500, "C", 2150},
        RawCase{"1.25", " CF  ", 500, "C", 12}, RawCase{"1000", "ppm", 500, "C", 200},
        RawCase{"1000", "ppm", 640, "C", 156}, RawCase{"-1", "RH", 500, "C", 0xFFFF},
        RawCase{"10", "TEMP_ADJ", 500, "F", 556}, RawCase{"10", "TEMP_ADJ", 500, "C", 1000},
        RawCase{"10", "TEMP_ADJ", 500, "", 1000}, RawCase{"10", "TEMP_ADJ", 500, "f", 1000},
        RawCase{"1.005", "mS/cm", 500, "C", 100}, RawCase{"0.995", "mS/cm", 500, "C", 100},
        RawCase{"6.55", "pH", 500, "C", 655}, RawCase{"1.23", "WGTMOL", 500, "C", 123},
        RawCase{"2.5", "CO2", 500, "C", 2}, RawCase{"3.5", "CO2", 500, "C", 4},
        RawCase{"-2.7", "RH_ADJ", 500, "C", 0xFFFE}, RawCase{"2.7", "CO2_ADJ", 500, "C", 2},
        // Tags match exactly: these are plain numbers.
        RawCase{"21.5", "c", 500, "C", 22}, RawCase{"1.25", "CF", 500, "C", 1},
        // The ends of each word.
        RawCase{"-327.68", "C", 500, "C", 0x8000}, RawCase{"327.67", "C", 500, "C", 32767},
        RawCase{"65535", "RH", 500, "C", 0xFFFF}, RawCase{"-32768", "RH", 500, "C", 0x8000},
        RawCase{"655.35", "pH", 500, "C", 0xFFFF}, RawCase{" 12 ", "RH", 0, "C", 12},
        // Refused: bad text, results the word cannot hold, unusable ppm factors.
        RawCase{"abc", "C", 500, "C", std::nullopt}, RawCase{"400", "C", 500, "C", std::nullopt},
        RawCase{"-327.69", "C", 500, "C", std::nullopt},
        RawCase{"650", "F", 500, "C", std::nullopt},
        RawCase{"600", "TEMP_ADJ", 500, "F", std::nullopt},
        RawCase{"65536", "RH", 500, "C", std::nullopt},
        RawCase{"-32769", "RH", 500, "C", std::nullopt},
        RawCase{"1e30", "pH", 500, "C", std::nullopt},
        RawCase{"3e38", "WGTMOL", 500, "C", std::nullopt},
        RawCase{"1", "ppm", 0, "C", std::nullopt}, RawCase{"1", "ppm", -500, "C", std::nullopt},
        RawCase{"1", "ppm", kNaN, "C", std::nullopt}, RawCase{"1", "ppm", kInf, "C", std::nullopt},
        RawCase{"1", "ppm", 1e-50, "C", std::nullopt}));

TEST(RoundHalfAway, TakesHalvesAwayFromZero) {
    const std::pair<double, long long> cases[] = {
        {2.5, 3},
        {-2.5, -3},
        {-0.5, -1},
        {0.49, 0},
        {0.5, 1},
        {0.49999999999999994, 0},
        {4503599627370497.0, 4503599627370497LL},
        {-9223372036854775808.0, std::numeric_limits<long long>::min()},
        {9223372036854775808.0, std::numeric_limits<long long>::max()},
        {1e300, std::numeric_limits<long long>::max()},
        {-1e300, std::numeric_limits<long long>::min()},
        {kInf, std::numeric_limits<long long>::max()},
        {kNaN, 0}};
    for (auto [x, n] : cases)
        EXPECT_EQ(RoundHalfAway(x), n) << x;
}

TEST(ShortNumberText, FormatsWithFiveSignificantDigits) {
    const std::pair<double, const char*> cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {-1.5, "-1.5"},
        {123456, "1.2346E05"},
        {0.00001234, "1.234E-05"},
        {99999, "99999"},
        {12345.6, "12346"},
        // Rounding up to 100000 reaches the exponent form.
        {99999.5, "1E05"},
        {100000, "1E05"},
        {0.0001, "0.0001"},
        {0.00012345, "0.00012345"},
        {static_cast<float>(21.55), "21.55"},
        // An exact tie in the sixth digit rounds up, as in NumberText.
        {1.03125, "1.0313"},
        {1e-5, "1E-05"},
        {1.5e100, "1.5E100"},
        {-1e-100, "-1E-100"}};
    for (auto [x, text] : cases)
        EXPECT_EQ(ShortNumberText(x), text) << x;
}

TEST(ShortNumberText, UsesTheRegionalDecimalSymbol) {
    InstallRegional(std::make_shared<FixedRegional>(","));
    EXPECT_EQ(ShortNumberText(1.5), "1,5");
    EXPECT_EQ(ShortNumberText(123456), "1,2346E05");
}

TEST(TimeFromMinutes, GivesMidnightFromADayOn) {
    const std::pair<int, TimeOfDay> cases[] = {
        {0, {0, 0}}, {90, {1, 30}}, {1439, {23, 59}}, {1440, {0, 0}}, {65535, {0, 0}}};
    for (auto [minutes, time] : cases)
        EXPECT_EQ(TimeFromMinutes(static_cast<std::uint16_t>(minutes)), time) << minutes;
}

TEST(DateTimeFromParts, ExpandsShortYearsAndRefusesImpossibleParts) {
    struct Case {
        int year, month, day, hour, minute, second, ms;
        TDateTime expected;
    };
    const Case cases[] = {{5, 2, 29, 0, 0, 0, 0, 0},
                          {4, 2, 29, 0, 0, 0, 0, DateOf(2004, 2, 29)},
                          {0, 1, 1, 0, 0, 0, 0, 36526},
                          {99, 1, 1, 0, 0, 0, 0, DateOf(1999, 1, 1)},
                          {100, 1, 1, 0, 0, 0, 0, DateOf(100, 1, 1)},
                          {1900, 1, 1, 12, 0, 0, 0, 2.5},
                          {1900, 2, 29, 0, 0, 0, 0, 0},
                          {2000, 2, 29, 0, 0, 0, 0, DateOf(2000, 2, 29)},
                          {1899, 12, 29, 6, 0, 0, 0, -1.25},
                          {2024, 13, 1, 0, 0, 0, 0, 0},
                          {2024, 1, 32, 0, 0, 0, 0, 0},
                          {2024, 1, 1, 24, 0, 0, 0, 0},
                          {2024, 1, 1, 0, 60, 0, 0, 0},
                          {2024, 1, 1, 0, 0, 0, 1000, 0},
                          {10000, 1, 1, 0, 0, 0, 0, 0}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(
            DateTimeFromParts(c.year, c.month, c.day, c.hour, c.minute, c.second, c.ms), c.expected)
            << c.year << '-' << c.month << '-' << c.day << ' ' << c.hour << ':' << c.minute;
    const CivilDate leap = CivilDateOf(DateTimeFromParts(4, 2, 29, 0, 0, 0, 0));
    EXPECT_EQ(leap.year, 2004);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
    EXPECT_EQ(CivilDateOf(DateTimeFromParts(100, 1, 1, 0, 0, 0, 0)).year, 100);
}

TEST(Bits, TestAndSetOnlyTheMask) {
    EXPECT_TRUE(TestBits(0x08, 0x0C));
    EXPECT_FALSE(TestBits(0xF3, 0x0C));
    std::uint8_t flags = 0x81;
    SetBits(flags, 0x06, true);
    EXPECT_EQ(flags, 0x87);
    SetBits(flags, 0x81, false);
    EXPECT_EQ(flags, 0x06);
}

} // namespace
} // namespace hortivex
