#include "devices/fertivo/Fertivo.h"
#include "options/Options.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/Services.h"
#include "platform/SysCalls.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace hortivex {
namespace {

using namespace test;

// The worked example: day 1, parts 50/30/20, EC 185 by day and 300 by night, ECPerc 10..50.
constexpr const char* kExampleEntry = "01000000321e14b9002c010a141e2832";

std::string Entry(int day, std::string_view rest15hex = "321e14b9002c010a141e2832") {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>((day >> (8 * i)) & 0xFF);
    return bytes + FromHex(rest15hex);
}

Ref<TFertivo> Read(const TempDir& dir, const std::string& bytes) {
    WriteFile(dir / "d.fvd", bytes);
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->ReadScheduleFile(dir / "d.fvd", false);
    return fertivo;
}

std::string Exported(const TempDir& dir, TFertivo& fertivo) {
    fertivo.ExportSchedule(dir / "d.fvd.ini");
    return std::filesystem::exists(dir / "d.fvd.ini") ? ReadFile(dir / "d.fvd.ini") : "";
}

TEST(FertivoSchedule, ExportsEntriesInStoredOrder) {
    TempDir dir;
    auto fertivo = Read(dir, FromHex(kExampleEntry) + Entry(15, "000000ffff00800000000000") +
                                 Entry(8, "ffffff0100ffff0102030405"));
    EXPECT_EQ(Exported(dir, *fertivo),
              "[Schedule 0]\r\nDay=1\r\nPartA=50\r\nPartB=30\r\nPartC=20\r\n"
              "EC_Day_SP_LOW=185\r\nEC_Day_SP_HIGHT=0\r\nEC_Day_SP=1.85\r\n"
              "EC_Night_SP_LOW=44\r\nEC_Night_SP_HIGHT=1\r\nEC_Night_SP=3\r\n"
              "ECPerc4=10\r\nECPerc5=20\r\nECPerc6=30\r\nECPerc7=40\r\nECPerc8=50\r\n"
              "[Schedule 1]\r\nDay=15\r\nPartA=0\r\nPartB=0\r\nPartC=0\r\n"
              "EC_Day_SP_LOW=255\r\nEC_Day_SP_HIGHT=255\r\nEC_Day_SP=-0.01\r\n"
              "EC_Night_SP_LOW=0\r\nEC_Night_SP_HIGHT=128\r\nEC_Night_SP=-327.68\r\n"
              "ECPerc4=0\r\nECPerc5=0\r\nECPerc6=0\r\nECPerc7=0\r\nECPerc8=0\r\n"
              "[Schedule 2]\r\nDay=8\r\nPartA=255\r\nPartB=255\r\nPartC=255\r\n"
              "EC_Day_SP_LOW=1\r\nEC_Day_SP_HIGHT=0\r\nEC_Day_SP=0.01\r\n"
              "EC_Night_SP_LOW=255\r\nEC_Night_SP_HIGHT=255\r\nEC_Night_SP=-0.01\r\n"
              "ECPerc4=1\r\nECPerc5=2\r\nECPerc6=3\r\nECPerc7=4\r\nECPerc8=5\r\n");
}

TEST(FertivoSchedule, LayoutIsNeverChosenByLength) {
    const std::pair<std::size_t, std::size_t> cases[] = {{0, 0}, {15, 0}, {20, 1}, {36, 2}};
    for (auto [size, entries] : cases) {
        TempDir dir;
        auto fertivo = Read(dir, std::string(size, '\x03'));
        EXPECT_EQ(fertivo->GetScheduleCount(), static_cast<int>(entries)) << size;
        EXPECT_TRUE(fertivo->LocalSettings().ScheduleLoaded);
        EXPECT_EQ(Exported(dir, *fertivo).empty(), entries == 0) << size;
    }
}

TEST(FertivoSchedule, LegacyLayoutAfterAReadError) {
    TempDir dir;
    // Three 12-byte records: days 1, 8 and 15, each with a trailing byte that is not kept.
    const std::string legacy = FromHex("01000000321e14b9002c0199") +
                               FromHex("08000000281e1e6400c80099") +
                               FromHex("0f000000000000ffff000099");
    WriteFile(dir / "old.fvd", legacy);
    ScheduleFault(FileOp::Read, 1, EIO);
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->ReadScheduleFile(dir / "old.fvd", false);
    ASSERT_EQ(fertivo->GetScheduleCount(), 3);
    const auto& days = fertivo->LocalSettings().Days;
    EXPECT_EQ(int(days[1].Day), 8);
    EXPECT_EQ(int(days[1].EC_Day_SP), 100);
    EXPECT_EQ(int(days[1].EC_Night_SP), 200);
    for (const auto& day : days)
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(day.ECPerc), 5), std::string(5, '\0'));
}

TEST(FertivoSchedule, UnreadableFilesAreFailures) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.fvd");
    for (const auto& path : {dir / "missing.fvd", dir / "folder.fvd"}) {
        auto fertivo = TDevice::Create<TFertivo>("1", "2");
        EXPECT_THROW(fertivo->ReadScheduleFile(path, false), InOutError) << path;
        EXPECT_FALSE(fertivo->LocalSettings().ScheduleLoaded);
    }
    WriteFile(dir / "eio.fvd", FromHex(kExampleEntry));
    ScheduleFault(FileOp::Read, 1, EIO);
    ScheduleFault(FileOp::Read, 2, EIO); // the legacy attempt fails too
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    EXPECT_THROW(fertivo->ReadScheduleFile(dir / "eio.fvd", false), InOutError);
}

TEST(FertivoSchedule, EditingKeepsTheListOrdered) {
    TempDir dir;
    auto f = Read(dir, FromHex(kExampleEntry) + Entry(15, "000000000000000000000000"));
    EXPECT_TRUE(f->AddScheduleEntry(8));
    EXPECT_EQ(ScheduleDays(*f), (std::vector<int>{1, 8, 15}));
    EXPECT_EQ(int(f->LocalSettings().Days[1].PartA), 50) << "copy of the day before";
    EXPECT_EQ(int(f->LocalSettings().Days[1].EC_Day_SP), 185);
    EXPECT_FALSE(f->AddScheduleEntry(15));
    EXPECT_EQ(ScheduleDays(*f), (std::vector<int>{1, 8, 15}));

    f->LocalSettings().Days[1].PartB = 77;
    EXPECT_FALSE(f->MoveScheduleEntry(8, 15));
    EXPECT_FALSE(f->MoveScheduleEntry(9, 10)) << "absent day";
    EXPECT_TRUE(f->MoveScheduleEntry(8, 10));
    EXPECT_EQ(ScheduleDays(*f), (std::vector<int>{1, 10, 15}));
    EXPECT_EQ(int(f->LocalSettings().Days[1].PartB), 77);

    f->DeleteScheduleEntry(0);
    for (int index : {-1, 2, 50})
        f->DeleteScheduleEntry(index);
    EXPECT_EQ(ScheduleDays(*f), (std::vector<int>{10, 15}));
    EXPECT_THROW(f->GetScheduleDay(2), HxError);
    EXPECT_THROW(f->GetScheduleDateText(-1), HxError);

    auto empty = TDevice::Create<TFertivo>("1", "2");
    empty->DeleteScheduleEntry(0);
    EXPECT_EQ(empty->GetScheduleCount(), 0);
}

TEST(FertivoSchedule, TheEntryInForceAndItsUploadText) {
    InstallClock(std::make_shared<FixedClock>(LocalTime{2006, 4, 10, 15, 0, 0, 0, 2}));
    InstallRegional(std::make_shared<FixedRegional>(".", ":", "."));
    auto f = TDevice::Create<TFertivo>("1", "2");
    EXPECT_EQ(f->GetUsbSettingsText(), std::string(7, '\0'));
    f->SetFirmwareVersion(200);
    EXPECT_EQ(f->GetUsbSettingsText(), std::string(12, '\0'));

    TempDir dir;
    f = Read(dir, Entry(1) + Entry(3, "0102030405060708090a0b0c") + Entry(7));
    f->SetScheduleStartDate(DateOf(2006, 4, 8) + 0.75); // two days before today
    EXPECT_EQ(f->GetCurrentScheduleIndex(), 1);
    f->LocalSettings().ScheduleEnabled = true;
    EXPECT_EQ(f->GetUsbSettingsText(), FromHex("01020304050607"));
    f->SetFirmwareVersion(200);
    EXPECT_EQ(f->GetUsbSettingsText(), FromHex("0102030405060708090a0b0c"));
    f->SetScheduleStartDate(DateOf(2006, 4, 9));
    EXPECT_EQ(f->GetCurrentScheduleIndex(), 0);

    EXPECT_EQ(f->GetScheduleDateText(1), "11.04.06");
    f->Settings().SetBool2 = 0x08;
    EXPECT_EQ(f->GetScheduleDateText(1), "04.11.06");
}

TEST(FertivoSchedule, FirstEntryTakesTheSettingsInTheirDisplayUnit) {
    struct Case {
        std::uint8_t unitBits; // settings byte 2 of the export that ran before, 0xFF for none
        std::int16_t daySetpoint, nightSetpoint;
        int expectedDay, expectedNight;
    };
    const Case cases[] = {
        {0xFF, 190, 250, 190, 250}, // no export yet: mS/cm, read back as mS/cm
        {0x00, 185, 250, 190, 250}, // mS/cm shows one decimal: 1.85 shows as 1.9
        {0x02, 190, 255, 190, 260}, // CF shows whole tenths
        {static_cast<std::uint8_t>(0xFF), static_cast<std::int16_t>(0x8000), 100, -32768, 100},
    };
    for (const Case& c : cases) {
        ResetProcessState();
        TempDir dir;
        Process().workingFolder = dir.path().string() + "/";
        if (c.unitBits != 0xFF) {
            auto exporter = TDevice::Create<TFertivo>("1", "2");
            exporter->Settings().SetBool2 = c.unitBits;
            exporter->ExportSettings(dir / "x.fvs.ini");
        }
        auto f = TDevice::Create<TFertivo>("1", "2");
        f->Settings().ECAPercent = 40;
        f->Settings().ECPercent[4] = 9;
        f->Settings().EC_Day_SP = c.daySetpoint;
        f->Settings().EC_Night_SP = c.nightSetpoint;
        ASSERT_TRUE(f->AddScheduleEntry(3));
        const auto& entry = f->LocalSettings().Days[0];
        EXPECT_EQ(int(entry.Day), 3);
        EXPECT_EQ(int(entry.PartA), 40);
        EXPECT_EQ(int(entry.ECPerc[4]), 9);
        EXPECT_EQ(int(entry.EC_Day_SP), c.expectedDay) << int(c.unitBits);
        EXPECT_EQ(int(entry.EC_Night_SP), c.expectedNight) << int(c.unitBits);
    }
}

} // namespace
} // namespace hortivex
