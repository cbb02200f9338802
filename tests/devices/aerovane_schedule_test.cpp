#include "app/Driver.h"
#include "devices/aerovane/Aerovane.h"
#include "platform/Errors.h"
#include "platform/RegistryStore.h"
#include "platform/Services.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace hortivex {
namespace {

using namespace test;

struct Day {
    std::int32_t day;
    std::uint8_t lightBank;
    std::uint16_t lightOn, lightDuration;
    std::int16_t dayTemp, nightDrop, rhDay, rhNight;
    std::uint8_t rhMax;
    std::int16_t co2;
};

void Put16(std::string& out, int v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

// The 20 bytes of a day as the controller stores them, little-endian.
std::string Record(const Day& d) {
    std::string out;
    Put16(out, d.day & 0xFFFF);
    Put16(out, (d.day >> 16) & 0xFFFF);
    out += static_cast<char>(d.lightBank);
    for (int v : {int(d.lightOn), int(d.lightDuration), int(d.dayTemp), int(d.nightDrop),
                  int(d.rhDay), int(d.rhNight)})
        Put16(out, v);
    out += static_cast<char>(d.rhMax);
    Put16(out, d.co2);
    return out;
}

Ref<TAerovane> Read(const TempDir& dir, const std::string& bytes) {
    WriteFile(dir / "s.ava", bytes);
    auto aerovane = TDevice::Create<TAerovane>("1", "2");
    aerovane->ReadScheduleFile(dir / "s.ava");
    return aerovane;
}

TEST(AerovaneSchedule, ExportsEachDayAsItsOwnSection) {
    TempDir dir;
    // Out of order and negative on purpose: the file's order is kept.
    const std::string file = Record({1, 2, 390, 720, 2500, 300, 65, 70, 85, 1200}) +
                             Record({14, 1, 0, 1440, 2155, -150, -1, 0, 255, -1}) +
                             Record({-3, 0, 1439, 65535, -32768, 0, 32767, 0, 0, 0}) + "xyzzy";
    auto aerovane = Read(dir, file);
    EXPECT_TRUE(aerovane->LocalSettings().ScheduleLoaded);
    aerovane->ExportSchedule(dir / "s.ava.ini");
    const char* expected =
        "[ClimateSchedule_0]\r\nDay=1\r\nLightBankSP=2\r\nRHMaxSP=85\r\n"
        "DayTempSP_LOW=196\r\nDayTempSP_HIGHT=9\r\nDayTempSP=25\r\n"
        "LightONTODSP_LOW=134\r\nLightONTODSP_HIGHT=1\r\nLightONTODSP=06:30\r\n"
        "LightONDurationSP_LOW=208\r\nLightONDurationSP_HIGHT=2\r\nLightONDurationSP=12:00\r\n"
        "NightDropSP_LOW=44\r\nNightDropSP_HIGHT=1\r\nNightDropSP=3\r\n"
        "VPDorRHDaySP_LOW=65\r\nVPDorRHDaySP_HIGHT=0\r\nVPDorRHDaySP=65\r\n"
        "VPDorRHNightSP_LOW=70\r\nVPDorRHNightSP_HIGHT=0\r\nVPDorRHNightSP=70\r\n"
        "CO2SP_LOW=176\r\nCO2SP_HIGHT=4\r\nCO2SP=1200\r\n"
        "[ClimateSchedule_1]\r\nDay=14\r\nLightBankSP=1\r\nRHMaxSP=255\r\n"
        "DayTempSP_LOW=107\r\nDayTempSP_HIGHT=8\r\nDayTempSP=21.5499992370605\r\n"
        "LightONTODSP_LOW=0\r\nLightONTODSP_HIGHT=0\r\nLightONTODSP=00:00\r\n"
        "LightONDurationSP_LOW=160\r\nLightONDurationSP_HIGHT=5\r\nLightONDurationSP=00:00\r\n"
        "NightDropSP_LOW=106\r\nNightDropSP_HIGHT=255\r\nNightDropSP=-1.5\r\n"
        "VPDorRHDaySP_LOW=255\r\nVPDorRHDaySP_HIGHT=255\r\nVPDorRHDaySP=-1\r\n"
        "VPDorRHNightSP_LOW=0\r\nVPDorRHNightSP_HIGHT=0\r\nVPDorRHNightSP=0\r\n"
        "CO2SP_LOW=255\r\nCO2SP_HIGHT=255\r\nCO2SP=-1\r\n"
        "[ClimateSchedule_2]\r\nDay=-3\r\nLightBankSP=0\r\nRHMaxSP=0\r\n"
        "DayTempSP_LOW=0\r\nDayTempSP_HIGHT=128\r\nDayTempSP=-327.679992675781\r\n"
        "LightONTODSP_LOW=159\r\nLightONTODSP_HIGHT=5\r\nLightONTODSP=23:59\r\n"
        "LightONDurationSP_LOW=255\r\nLightONDurationSP_HIGHT=255\r\nLightONDurationSP=00:00\r\n"
        "NightDropSP_LOW=0\r\nNightDropSP_HIGHT=0\r\nNightDropSP=0\r\n"
        "VPDorRHDaySP_LOW=255\r\nVPDorRHDaySP_HIGHT=127\r\nVPDorRHDaySP=32767\r\n"
        "VPDorRHNightSP_LOW=0\r\nVPDorRHNightSP_HIGHT=0\r\nVPDorRHNightSP=0\r\n"
        "CO2SP_LOW=0\r\nCO2SP_HIGHT=0\r\nCO2SP=0\r\n";
    EXPECT_EQ(ReadFile(dir / "s.ava.ini"), expected);
}

TEST(AerovaneSchedule, RecordCountIsTheSizeDividedByTwenty) {
    const std::pair<std::size_t, std::size_t> cases[] = {{0, 0}, {19, 0}, {20, 1}, {45, 2}};
    for (auto [size, days] : cases) {
        TempDir dir;
        auto aerovane = Read(dir, std::string(size, '\x01'));
        EXPECT_EQ(aerovane->LocalSettings().Days.size(), days) << size;
        aerovane->ExportSchedule(dir / "s.ava.ini");
        EXPECT_EQ(std::filesystem::exists(dir / "s.ava.ini"), days > 0) << size;
    }
}

TEST(AerovaneSchedule, UnreadableFilesRaise) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.ava");
    for (const auto& path : {dir / "missing.ava", dir / "folder.ava"}) {
        auto aerovane = TDevice::Create<TAerovane>("1", "2");
        EXPECT_THROW(aerovane->ReadScheduleFile(path), InOutError) << path;
    }
    // A sparse file claiming billions of days is refused before any memory is taken for it.
    const auto huge = dir / "huge.ava";
    WriteFile(huge, "");
    std::filesystem::resize_file(huge, 4ull << 30);
    auto aerovane = TDevice::Create<TAerovane>("1", "2");
    EXPECT_THROW(aerovane->ReadScheduleFile(huge), InOutError);
}

TEST(AerovaneSchedule, AddKeepsDaysOrderedAndInheritsSetpoints) {
    auto a = TDevice::Create<TAerovane>("1", "2");
    a->Settings().DayTempSP = 1800;
    for (int day : {1, 3, 8})
        EXPECT_TRUE(a->AddScheduleEntry(day));
    a->LocalSettings().Days[1].DayTempSP = 2400; // day 3
    EXPECT_TRUE(a->AddScheduleEntry(5));
    EXPECT_EQ(ScheduleDays(*a), (std::vector<int>{1, 3, 5, 8}));
    EXPECT_EQ(int(a->LocalSettings().Days[2].DayTempSP), 2400);
    EXPECT_FALSE(a->AddScheduleEntry(3));
    EXPECT_EQ(ScheduleDays(*a), (std::vector<int>{1, 3, 5, 8}));
    a->Settings().DayTempSP = 1900;
    EXPECT_TRUE(a->AddScheduleEntry(0));
    EXPECT_EQ(ScheduleDays(*a), (std::vector<int>{0, 1, 3, 5, 8}));
    EXPECT_EQ(int(a->LocalSettings().Days[0].DayTempSP), 1900) << "first day takes the settings";
}

TEST(AerovaneSchedule, DeleteAndMoveChangeOnlyWhatTheyName) {
    auto a = TDevice::Create<TAerovane>("1", "2");
    for (int day : {1, 3, 8})
        a->AddScheduleEntry(day);
    a->LocalSettings().Days[2].CO2SP = 900; // day 8
    EXPECT_EQ(a->GetScheduleCount(), 1) << "schedule not enabled";
    a->DeleteScheduleEntry(1); // removes day 3 even though the schedule is disabled
    EXPECT_EQ(ScheduleDays(*a), (std::vector<int>{1, 8}));
    for (int index : {-1, 2, 100})
        a->DeleteScheduleEntry(index);
    EXPECT_EQ(ScheduleDays(*a), (std::vector<int>{1, 8}));

    EXPECT_FALSE(a->MoveScheduleEntry(8, 1)) << "target day present";
    EXPECT_FALSE(a->MoveScheduleEntry(4, 6)) << "source day absent";
    EXPECT_EQ(ScheduleDays(*a), (std::vector<int>{1, 8}));
    EXPECT_TRUE(a->MoveScheduleEntry(8, 0));
    EXPECT_EQ(ScheduleDays(*a), (std::vector<int>{0, 1}));
    EXPECT_EQ(int(a->LocalSettings().Days[0].CO2SP), 900);

    a->LocalSettings().ScheduleEnabled = true;
    EXPECT_EQ(a->GetScheduleCount(), 2);
    EXPECT_TRUE(a->IsFunctionAvailable(4, false));
}

TEST(AerovaneSchedule, DatesAndTheDayInForce) {
    InstallRegional(std::make_shared<FixedRegional>(".", ":", "-"));
    InstallClock(std::make_shared<FixedClock>(LocalTime{2006, 4, 10, 8, 0, 0, 0, 2}));
    auto a = TDevice::Create<TAerovane>("1", "2");
    for (int day : {1, 5, 12})
        a->AddScheduleEntry(day);
    a->SetScheduleStartDate(DateOf(2006, 4, 1));
    EXPECT_EQ(a->GetScheduleDateText(0), "01-04-06");
    EXPECT_EQ(a->GetScheduleDateText(2), "12-04-06");
    a->Settings().SetBool2 = 0x02;
    EXPECT_EQ(a->GetScheduleDateText(2), "04-12-06");
    EXPECT_EQ(a->GetScheduleDay(1), 5);
    EXPECT_THROW(a->GetScheduleDay(3), HxError);
    EXPECT_THROW(a->GetScheduleDateText(-1), HxError);
    EXPECT_EQ(a->GetCurrentScheduleIndex(), 1) << "10 April is day 10: day 5 is in force";

    auto fresh = TDevice::Create<TAerovane>("1", "2");
    EXPECT_EQ(fresh->GetCurrentScheduleIndex(), 0);
    EXPECT_DOUBLE_EQ(fresh->GetScheduleStartDate(), DateOf(2006, 4, 10) + 8.0 / 24);
}

// A batch with an unreadable climate schedule in the middle.
TEST(AerovaneSchedule, UnreadableScheduleStopsTheBatch) {
    struct Progress : ProgressView {
        void SetMaximum(int m) override { max = m; }
        int Maximum() const override { return max; }
        void SetPosition(int) override {}
        void ProcessPendingEvents() override {}
        int max = 0;
    } progress;
    struct Capture : Messages {
        void Information(const std::string& t) override { shown.push_back(t); }
        void Error(const std::string& t, const std::string&) override { shown.push_back(t); }
        void Plain(const std::string&) override {}
        std::vector<std::string> shown;
    } messages;
    TempDir dir;
    WriteFile(dir / "a.ava", Record({1, 2, 390, 720, 2500, 300, 65, 70, 85, 1200}));
    WriteFile(dir / "c.ava", Record({1, 2, 390, 720, 2500, 300, 65, 70, 85, 1200}));
    std::filesystem::permissions(dir / "a.ava", std::filesystem::perms::owner_read);
    auto store = MakeMemorySettingsStore();
    ConversionDriver driver(progress, messages, *store, dir.path());
    EXPECT_FALSE(driver.ConvertBatch({dir / "a.ava", dir / "b.ava", dir / "c.ava"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "a.ava.ini")) << "read-only input not read";
    EXPECT_FALSE(std::filesystem::exists(dir / "b.ava.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "c.ava.ini"));
    EXPECT_EQ(messages.shown, std::vector<std::string>{kFailureMessage});
}

} // namespace
} // namespace hortivex
