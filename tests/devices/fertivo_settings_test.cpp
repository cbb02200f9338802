#include "devices/fertivo/Fertivo.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/Services.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace hortivex {
namespace {

using namespace test;

// Hand-made records: a random background with chosen values at the interesting offsets, and
// one full of edge values (extreme temperatures, a name with CR, LF and high-bit bytes).
constexpr const char* kMixedRecord =
    "a5cc02812530bb413f6b08dafd237b2ed91e3f721fcb1971174494a0053c9d5c34580231201e698f02bc0205"
    "80990a141e28328002e59300ff1054526f6f6d204100000000e9232f8af2211f9ee491c5b10becb5563bfc1e"
    "6f93427ecbc8fe2955e5cd8e46dc8ed4b7c2764d2a5a4d767706f85d8690";
constexpr const char* kEdgeRecord =
    "0b48057a9fc4e900ff01000080ffffff7f80a5caef14395e83a8cdf2173c6186ab9f051a3f6489aed3f81d0c"
    "008cb1d6fb20456a8fb4d9fe23486d410de97f0a203d5b420004294e7398bde2072c51769bc0e50a2f54799e"
    "c3e80d32577ca1c6eb10355a7fa4c9ee13385d82a7ccf1163b6085aacff4";

std::string Convert(const TempDir& dir, std::string_view fileBytes) {
    const auto input = dir / "room.fvs";
    WriteFile(input, fileBytes);
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->ReadSettingsFile(input);
    fertivo->ExportSettings(input.string() + ".ini");
    return ReadFile(input.string() + ".ini");
}

// The entries of an export as key -> value, checking the layout on the way.
std::map<std::string, std::string> Entries(const std::string& ini) {
    return test::SectionEntries(ini, "Settings", 205);
}

TEST(FertivoSettingsExport, MatchesGoldenFilesKeyForKey) {
    ExpectGoldenExports("fvs", FromHex(kMixedRecord), FromHex(kEdgeRecord), HX_TEST_DATA_DIR,
                        Convert);
}

TEST(FertivoSettingsExport, FreshRecordWritesDefaults) {
    TempDir dir;
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->ExportSettings(dir / "none.fvs.ini");
    auto entries = Entries(ReadFile(dir / "none.fvs.ini"));
    int flagsFalse = 0;
    for (const auto& [key, value] : entries) {
        if (key.rfind("FV_", 0) == 0 && key != "FV_pH_Output") {
            flagsFalse += value == "False";
        } else if (key.rfind("DevName_", 0) == 0) {
            EXPECT_EQ(value, "") << key;
        } else if (value != "00:00" && key != "FV_pH_Output" && key != "ECUnit") {
            EXPECT_EQ(value, "0") << key;
        }
    }
    EXPECT_EQ(flagsFalse, 52);
    EXPECT_EQ(entries["FV_pH_Output"], "None");
    EXPECT_EQ(entries["ECUnit"], "EC");
    EXPECT_EQ(entries["IrrigationTOD"], "00:00");
}

struct ByteCase {
    std::size_t offset;
    std::uint8_t value;
    std::map<std::string, std::string> expected;
};

TEST(FertivoSettingsExport, ChoiceAndFlagKeysFollowTheirBytes) {
    const ByteCase cases[] = {
        {1,
         0x08,
         {{"SetBool1", "8"},
          {"FV_IrrigateWaterNow", "True"},
          {"FV_IRRIGATION0_FORCED", "True"},
          {"FV_DoseECNow", "False"},
          {"FV_pH_Output", "None"}}},
        {1,
         0x04,
         {{"SetBool1", "4"},
          {"FV_IrrigateWaterNow", "False"},
          {"FV_IrrigByTOD", "False"},
          {"FV_DosepHNow", "False"}}},
        {1, 0xC0, {{"FV_pH_Output", "Both"}}},
        {1, 0x40, {{"FV_pH_Output", "Raise"}}},
        {1, 0x80, {{"FV_pH_Output", "Lower"}}},
        {2, 0x02, {{"ECUnit", "CF"}}},
        {2, 0x04, {{"ECUnit", "ppm"}}},
        {2, 0x06, {{"ECUnit", ""}}},
        {2, 0x01, {{"ECUnit", "EC"}, {"FV_DisplayTempasDegF", "True"}}},
        {7, 65, {{"pH_Max", "6.5"}}},
        {116, 7, {{"S1Spares_57", "7"}, {"S1Spares_58", "0"}}},
    };
    for (const ByteCase& c : cases) {
        TempDir dir;
        std::string record(118, '\0');
        record[c.offset] = static_cast<char>(c.value);
        auto entries = Entries(Convert(dir, record));
        for (const auto& [key, value] : c.expected)
            EXPECT_EQ(entries[key], value) << "byte " << c.offset << " = " << int(c.value);
    }
}

TEST(FertivoSettings, ExportSetsTheProcessEcLabelButPredicatesDoNot) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0x02, " CF  "}, {0x00, "mS/cm"}, {0x04, "ppm"}, {0x06, "unchanged"}};
    const std::string folder = Process().workingFolder;
    for (auto [bits, label] : cases) {
        ResetProcessState(); // no options loaded yet
        Process().workingFolder = folder;
        Process().ecUnitLabel = "unchanged";
        auto fertivo = TDevice::Create<TFertivo>("1", "2");
        fertivo->Settings().SetBool2 = bits;
        EXPECT_NE(fertivo->IsEcUnitCF() + fertivo->IsEcUnitMs() + fertivo->IsEcUnitPpm(),
                  bits == 0x06);
        EXPECT_EQ(Process().ecUnitLabel, "unchanged");
        EXPECT_FALSE(Process().options) << "a predicate loads no options";
        TempDir dir;
        fertivo->ExportSettings(dir / "x.ini");
        EXPECT_EQ(Process().ecUnitLabel, label) << int(bits);
    }
}

TEST(FertivoSettings, PhOutputBothAlsoHoldsWithoutFeature3) {
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    EXPECT_TRUE(fertivo->IsPhOutputNone());
    EXPECT_TRUE(fertivo->IsPhOutputBoth());
}

TEST(FertivoSettingsFile, ShortAndLongFilesFillTheRecordFromTheStart) {
    TempDir dir;
    std::string fifty(50, '\0');
    for (int i = 46; i < 50; ++i)
        fifty[static_cast<std::size_t>(i)] = static_cast<char>(i);
    auto entries = Entries(Convert(dir, fifty));
    EXPECT_EQ(entries["ECPercent_4"], "46");
    EXPECT_EQ(entries["ECPercent_7"], "49");
    EXPECT_EQ(entries["ECPercent_8"], "0");

    std::string record = FromHex(kMixedRecord);
    TempDir other;
    EXPECT_EQ(Convert(other, record + std::string(82, '\x7f')), Convert(dir, record));
}

TEST(FertivoSettingsFile, UnopenableFileIsAFailureNamingTheFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.fvs");
    for (const auto& path : {dir / "missing.fvs", dir / "folder.fvs"}) {
        auto fertivo = TDevice::Create<TFertivo>("1", "2");
        try {
            fertivo->ReadSettingsFile(path);
            ADD_FAILURE() << "read of " << path << " succeeded";
        } catch (const HxError& e) {
            EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
        }
    }
}

TEST(FertivoSettingsFile, ReadOnlyFileIsRead) {
    TempDir dir;
    const auto input = dir / "ro.fvs";
    WriteFile(input, std::string(118, '\x05'));
    std::filesystem::permissions(input, std::filesystem::perms::owner_read);
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->ReadSettingsFile(input);
    EXPECT_EQ(fertivo->Settings().Dawn, 5);
}

} // namespace
} // namespace hortivex
