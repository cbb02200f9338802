#include "devices/aerovane/AerovaneSettingsExport.h"
#include "platform/Errors.h"
#include "platform/Services.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>

namespace hortivex {
namespace {

using namespace test;

// Hand-made records on a random background. The mixed one holds single-precision temperatures
// (2155, -550, -32763, 1), times 1439, 1440 and 90, CO2_Min 255, SetBool4 0x81, byte 6 set, and a
// name with CR, LF, NUL and a high-bit byte; the edge one holds the 16-bit extremes, times past
// midnight, SetBool6 0x7F and a name of two letters padded with zeros.
constexpr const char* kMixedRecord =
    "731822c219e9a7db6b08dafd05807e798affffab4068d70f2eff101c079f05526f0d6d0a4100e95a0023a005"
    "5a000100ffff008027855bd7ab241681dfd95794be75c1c8f87ed86ebf8d0e284ad6c4825a2d2828d9b35246"
    "7d0f03073a2f350cbfd7df5c5ae5d083f0db212f5097c336a93086e904f80253af58a3cffa66fc381f6c2e86"
    "63dafbc9c32c6a7909ffbd9600ab1c6fe390aab44c38f9f499a4cfc7b75bb0dad2597046629f263abfd31221"
    "3a";
constexpr const char* kEdgeRecord =
    "ff4000aa007f0071ff7f0080ffff1a92b91e0606c2d37444770001262fffff414200000000000000005bdc05"
    "0000c40995f794b5ec94a5ff7f0b367ed6a4ca098e3b565e1c0bd917a656a01558db179696c312c7dada7bcc"
    "1895b7a9ce86b4a10c4c1087b8013ab4292a710b3aec5941d55bba88d5ebaeb0cab517ca5189836563402b9c"
    "ffa0b75e0d2902c2f04831b8f823ffa2095b79e5aff70908e9ecabfeffd364b1126796441649d21efbbab996"
    "00";

TAerovaneSettings RecordOf(std::string_view bytes) {
    TAerovaneSettings settings{};
    std::memcpy(&settings, bytes.data(), std::min(bytes.size(), sizeof settings));
    return settings;
}

std::string Export(const TempDir& dir, const TAerovaneSettings& settings) {
    const auto ini = dir / "room.avs.ini";
    ExportAerovaneSettings(settings, ini);
    return ReadFile(ini);
}

// Reads a settings file of the given bytes into a fresh record and exports it.
std::string Convert(const TempDir& dir, std::string_view fileBytes) {
    const auto input = dir / "room.avs";
    WriteFile(input, fileBytes);
    TAerovaneSettings settings{};
    ReadAerovaneSettingsFile(settings, input);
    return Export(dir, settings);
}

// The entries of an export as key -> value, checking the layout on the way.
std::map<std::string, std::string> Entries(const std::string& ini) {
    return test::SectionEntries(ini, "Climate", 278);
}

TEST(AerovaneSettingsExport, MatchesGoldenFilesKeyForKey) {
    ExpectGoldenExports("avs", FromHex(kMixedRecord), FromHex(kEdgeRecord), HX_TEST_DATA_DIR,
                        Convert);
}

TEST(AerovaneSettingsExport, FreshRecordWritesDefaults) {
    TempDir dir;
    const auto entries = Entries(Export(dir, TAerovaneSettings{}));
    int flagsFalse = 0, times = 0, names = 0;
    for (const auto& [key, value] : entries) {
        if (key.rfind("AV_", 0) == 0) {
            EXPECT_EQ(value, "False") << key;
            ++flagsFalse;
        } else if (key.rfind("DevName_", 0) == 0) {
            EXPECT_EQ(value, "") << key;
            ++names;
        } else if (value == "00:00") {
            ++times;
        } else {
            EXPECT_EQ(value, "0") << key;
        }
    }
    EXPECT_EQ(flagsFalse, 54);
    EXPECT_EQ(times, 3); // OffLineLogTime, LightONTODSP and LightONDurationSP
    EXPECT_EQ(names, 10);
}

// One byte set in an otherwise zero record changes exactly these entries of the export.
struct ByteCase {
    std::size_t offset;
    std::uint8_t value;
    std::map<std::string, std::string> changed;
};

TEST(AerovaneSettingsExport, EachByteReachesOnlyItsOwnKeys) {
    const ByteCase cases[] = {
        {5,
         0x7F,
         {{"SetBool6", "127"},
          {"AV_HumidifierOrFoggerEnabled", "True"},
          {"AV_HumidifierOrFoggerForceON", "True"},
          {"AV_LightBank1Enabled", "True"},
          {"AV_LightBank1ForceON", "True"},
          {"AV_LightBank2Enabled", "True"},
          {"AV_LightBank2ForceON", "True"},
          {"AV_PurgingForHighRHEnabled", "True"}}},
        {59,
         0x81,
         {{"SetBool4", "129"},
          {"AV_ReduceCO2InjectHotFreqVenting", "True"},
          {"AV_ExtendedCO2Range", "True"}}},
        {4,
         0x81,
         {{"SetBool5", "129"}, {"AV_Fan1Enabled", "True"}, {"AV_DehumidifierForceON", "True"}}},
        {1, 64, {{"SetBool1", "64"}}},
        {5, 128, {{"SetBool6", "128"}}},
        {6, 0xFF, {}},
        {25, 255, {{"CO2_Min", "6375"}}},
        {26, 1, {{"CO2_Max", "25"}}},
        {145, 3, {{"FogPulseOnFreqSecsHi", "3"}}},
        {98,
         0x9C,
         {{"PeriodicAirChangeDayFreqMins_LOW", "156"}, {"PeriodicAirChangeDayFreqMins", "156"}}},
        {30, 0x05, {{"OffLineLogTime_HIGHT", "5"}, {"OffLineLogTime", "21:20"}}}, // 1280 minutes
        {9, 0x80, {{"AirTempInTarget_HIGHT", "128"}, {"AirTempInTarget", "-327.679992675781"}}},
        {146, 7, {{"ECPercent_28", "7"}}},
        {176, 9, {{"ECPercent_58", "9"}}},
        {31, 'A', {{"DevName_0", "A"}}},
        {40, '\r', {}},
    };
    TempDir dir;
    const auto fresh = Entries(Export(dir, TAerovaneSettings{}));
    for (const ByteCase& c : cases) {
        std::string record(sizeof(TAerovaneSettings), '\0');
        record[c.offset] = static_cast<char>(c.value);
        const auto entries = Entries(Export(dir, RecordOf(record)));
        std::map<std::string, std::string> changed;
        for (const auto& [key, value] : entries)
            if (fresh.at(key) != value)
                changed[key] = value;
        EXPECT_EQ(changed, c.changed) << "byte " << c.offset << " = " << int(c.value);
    }
}

TEST(AerovaneSettingsExport, RefusedOutputRaisesAndCreatesNothing) {
    TempDir dir;
    const auto ini = dir / "missing-folder" / "room.avs.ini";
    EXPECT_THROW(ExportAerovaneSettings(RecordOf(FromHex(kMixedRecord)), ini), HxError);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing-folder"));
}

TEST(AerovaneSettingsFile, ShortFileFillsOnlyTheStartOfTheRecord) {
    const std::string mixed = FromHex(kMixedRecord);
    TempDir dir;
    const auto entries = Entries(Convert(dir, mixed.substr(0, 99)));
    // The field at offsets 98 and 99 takes only its low byte from the file.
    EXPECT_EQ(entries.at("PeriodicAirChangeDayFreqMins_LOW"),
              std::to_string(static_cast<std::uint8_t>(mixed[98])));
    EXPECT_EQ(entries.at("PeriodicAirChangeDayFreqMins_HIGHT"), "0");
    EXPECT_EQ(entries.at("AutoChangeToAirConAboveTempTarget"), "-103.050003051758");
    for (const char* key :
         {"PeriodicAirChangeNightFreqMins", "HeaterOnTemp", "FogPulseOnFreqSecsHi", "ECPercent_28",
          "ECPercent_58", "CO2WaitTimeMax"})
        EXPECT_EQ(entries.at(key), "0") << key;

    // Bytes the file does not reach keep what the record held before.
    const auto input = dir / "three.avs";
    WriteFile(input, "\x01\x02\x03");
    TAerovaneSettings settings;
    std::memset(&settings, 0x11, sizeof settings);
    ReadAerovaneSettingsFile(settings, input);
    std::string expected(sizeof settings, '\x11');
    expected.replace(0, 3, "\x01\x02\x03");
    EXPECT_EQ(std::memcmp(&settings, expected.data(), sizeof settings), 0);
}

TEST(AerovaneSettingsFile, LongFileUsesItsFirst177Bytes) {
    const std::string mixed = FromHex(kMixedRecord);
    TempDir dir, other;
    EXPECT_EQ(Convert(dir, mixed + std::string(23, '\x7f')), Convert(other, mixed));
}

TEST(AerovaneSettingsFile, UnopenableFileIsAFailureNamingTheFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.avs");
    for (const auto& path : {dir / "missing.avs", dir / "folder.avs"}) {
        TAerovaneSettings settings{};
        settings.AlarmDetent = 9;
        try {
            ReadAerovaneSettingsFile(settings, path);
            ADD_FAILURE() << "read of " << path << " succeeded";
        } catch (const HxError& e) {
            EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
        }
        EXPECT_EQ(settings.AlarmDetent, 9);
    }
}

TEST(AerovaneSettingsFile, ReadOnlyFileIsRead) {
    TempDir dir;
    const auto input = dir / "ro.avs";
    WriteFile(input, std::string(177, '\x05'));
    std::filesystem::permissions(input, std::filesystem::perms::owner_read);
    TAerovaneSettings settings{};
    ReadAerovaneSettingsFile(settings, input);
    EXPECT_EQ(settings.ECPercent[30], 5);
    EXPECT_EQ(settings.SetBool4, 5);
}

} // namespace
} // namespace hortivex
