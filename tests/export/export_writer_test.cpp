#include "export/ExportWriter.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace hortivex {
namespace {

using test::ReadFile;
using test::TempDir;

std::string Written(void (*write)(IniOutput&)) {
    TempDir dir;
    IniOutput out(dir / "out.ini");
    write(out);
    out.Close();
    return ReadFile(dir / "out.ini");
}

TEST(WriteTypedValue, WritesLowHighAndValueInOrder) {
    EXPECT_EQ(Written([](IniOutput& out) {
                  WriteTypedValue(out, "Settings", "NutrientTempMax", 2500, ValueKind::Temp);
                  WriteTypedValue(out, "Settings", "X", -1, ValueKind::Others);
              }),
              "[Settings]\r\nNutrientTempMax_LOW=196\r\nNutrientTempMax_HIGHT=9\r\n"
              "NutrientTempMax=25\r\nX_LOW=255\r\nX_HIGHT=255\r\nX=-1\r\n");
}

TEST(WriteByteGroup, NumbersKeysFromTheFirstIndex) {
    EXPECT_EQ(Written([](IniOutput& out) {
                  const std::uint8_t bytes[] = {10, 20, 30, 40, 50};
                  WriteByteGroup(out, "S", "ECPercent", bytes, 4, 8);
              }),
              "[S]\r\nECPercent_4=10\r\nECPercent_5=20\r\nECPercent_6=30\r\nECPercent_7=40\r\n"
              "ECPercent_8=50\r\n");
}

TEST(WriteCharGroup, ZeroCrAndLfBytesGiveEmptyValues) {
    EXPECT_EQ(Written([](IniOutput& out) {
                  const std::uint8_t bytes[] = {'A', 'B', 0, '\r', '\n', ' ', 0xE9, '=', 0, 'Z'};
                  WriteCharGroup(out, "S", "DevName", bytes, 0, 9);
              }),
              "[S]\r\nDevName_0=A\r\nDevName_1=B\r\nDevName_2=\r\nDevName_3=\r\nDevName_4=\r\n"
              "DevName_5= \r\nDevName_6=\xE9\r\nDevName_7==\r\nDevName_8=\r\nDevName_9=Z\r\n");
}

TEST(WriteByteGroup, RefusesARunThatDoesNotMatchItsIndexes) {
    TempDir dir;
    IniOutput out(dir / "out.ini");
    const std::uint8_t bytes[] = {1, 2};
    EXPECT_THROW(WriteByteGroup(out, "S", "K", bytes, 0, 2), std::invalid_argument);
}

// A flag byte with two bits and a two-bit choice, a byte in tenths and one in steps of 25.
const std::uint8_t kRecord[] = {0x85, 65, 3};
const FlagGroup kGroups[] = {
    {"Bits", 0, {{{"Low", 1}, {"Two", 2}, {"Pair", 0x84, FlagKind::Choice}}}}};
const ByteField kBytes[] = {{"Tenths", 1, 1, 10}, {"Steps", 2, 25}};

TEST(WriteRecordTables, FlagGroupsAndByteFieldsFollowTheirRows) {
    EXPECT_EQ(Written([](IniOutput& out) {
                  WriteFlagGroups(out, "S", kRecord, kGroups,
                                  [](const FlagKey& flag, std::uint8_t flags) {
                                      return std::to_string(flags & flag.mask);
                                  });
                  WriteByteFields(out, "S", kRecord, kBytes);
              }),
              "[S]\r\nBits=133\r\nLow=True\r\nTwo=False\r\nPair=132\r\nTenths=6.5\r\n"
              "Steps=75\r\n");
    TempDir dir;
    IniOutput out(dir / "out.ini");
    EXPECT_THROW(WriteFlagGroups(out, "S", kRecord, kGroups), std::invalid_argument)
        << "a choice key without its texts";
}

} // namespace
} // namespace hortivex
