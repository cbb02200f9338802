#include "options/Options.h"
#include "options/ValueDisplay.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace hortivex {
namespace {

void Units(int tempUnit, int ecUnit) {
    GetOptions().TempUnit = static_cast<std::uint8_t>(tempUnit);
    GetOptions().ECUnit = static_cast<std::uint8_t>(ecUnit);
}

struct WordCase {
    std::uint16_t word;
    int type;
    int tempUnit, ecUnit;
    double factor;
    const char* text;
};

TEST(ValueDisplay, WordTexts) {
    const WordCase cases[] = {
        {2137, 1, 0, 2, 1, "21"},
        {2125, 3, 0, 2, 1, "21.3"},     // 21.25 + 0.001 before rounding
        {0xFF38, 3, 0, 2, 1, "-2"},     // signed -200
        {0xFF38, 3, 1, 2, 1, "28.4"},   // in Fahrenheit
        {0xFF38, 4, 1, 2, 1, "-3.6"},   // a difference: no offset
        {0x8000, 1, 0, 2, 1, "-----"},  // -327.68 is below -300
        {645, 10, 0, 2, 1, "6.5"},      // the single-precision product 64.5 rounds up
        {0x8000, 10, 0, 2, 1, "-----"}, // no reading
        {0x8000, 11, 0, 2, 1, "-----"},
        {190, 11, 0, 2, 1, "1.9"},
        {185, 11, 0, 2, 1, "1.9"},
        {255, 11, 0, 3, 1, "26"},
        {190, 11, 0, 4, 500, "950"},
        {190, 11, 0, 9, 500, "190"}, // an EC unit code the options file may hold
        {600, 14, 0, 2, 1, "10:00"},
        {65, 14, 0, 2, 1, "01:05"},
        {6000, 14, 0, 2, 1, "100:00"},
        {1234, 9, 0, 2, 1, "1.23"},
        {0x1FFF, 7, 0, 2, 1, "4095"}, // 12 bits
        {0x2A0B, 8, 0, 2, 1, "5.23"}, // hi 0x2A: its high nibble 2
        {150, 16, 0, 2, 1, "2"},
        {150, 17, 0, 2, 1, "30"},
        {25, 0, 0, 2, 1, "25"},
    };
    for (const WordCase& c : cases) {
        Units(c.tempUnit, c.ecUnit);
        EXPECT_EQ(WordValueText(c.word, static_cast<DisplayType>(c.type), c.factor), c.text)
            << c.word << " type " << c.type << " units " << c.tempUnit << "/" << c.ecUnit;
    }
}

TEST(ValueDisplay, WordNumbers) {
    Units(0, 2);
    EXPECT_FLOAT_EQ(ConvertWordValue(0x59, 0x08, DisplayType::Temperature, 1), 21.37f);
    EXPECT_FLOAT_EQ(ConvertWordValue(2125, DisplayType::Temperature, 1), 21.251f);
    EXPECT_FLOAT_EQ(ConvertWordValue(0xFF38, DisplayType::Temperature, 1), -2.0f);
    Units(1, 2);
    EXPECT_FLOAT_EQ(ConvertWordValue(0xFF38, DisplayType::Temperature, 1), 28.4f);
    EXPECT_FLOAT_EQ(ConvertWordValue(0, 128, DisplayType::EC, 500), -1000.0f);
}

TEST(ValueDisplay, ByteTextsAndNumbers) {
    struct Case {
        std::uint8_t a;
        int type, ecUnit;
        const char* text;
    };
    const Case cases[] = {
        {255, 1, 2, "-----"}, {255, 20, 2, "-----"}, {200, 20, 2, "5000"},
        {65, 10, 2, "6.5"},   {19, 11, 2, "1.9"},    {19, 11, 4, "950"},
        {19, 11, 3, "19"},    {7, 12, 2, "70"},      {7, 3, 2, "7"},
    };
    for (const Case& c : cases) {
        Units(0, c.ecUnit);
        EXPECT_EQ(ByteValueText(c.a, static_cast<DisplayType>(c.type), 500), c.text)
            << int(c.a) << " " << c.type;
    }
    Units(0, 2);
    EXPECT_FLOAT_EQ(ConvertByteValue(0x85, DisplayType::Temperature), -5.0f); // sign and magnitude
    EXPECT_FLOAT_EQ(ConvertByteValue(40, DisplayType::TimesTwentyFive), 1000.0f);
    Units(1, 3);
    EXPECT_FLOAT_EQ(ConvertByteValue(0x85, DisplayType::Temperature), 23.0f);
    EXPECT_FLOAT_EQ(ConvertByteValue(19, DisplayType::EC), 19.0f);
}

TEST(ValueDisplay, DisplayRoundIgnoresBitSeven) {
    Units(0, 2);
    EXPECT_FLOAT_EQ(DisplayRound(static_cast<DisplayType>(0x80 | 10), 6.44f), 6.4f);
    EXPECT_FLOAT_EQ(DisplayRound(DisplayType::TemperatureDifference, -2.5f), -3.0f);
    EXPECT_FLOAT_EQ(DisplayRound(DisplayType::Thousandths, 1.2345f), 1.23f);
}

} // namespace
} // namespace hortivex
