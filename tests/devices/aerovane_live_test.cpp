#include "devices/aerovane/Aerovane.h"
#include "options/Options.h"
#include "options/ProcessState.h"
#include "platform/Services.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace hortivex {
namespace {

using Block = std::array<std::uint8_t, 60>;
using namespace std::string_literals;

Ref<TAerovane> Fresh() {
    return TDevice::Create<TAerovane>("1", "2");
}

std::uint8_t* Bytes(TAerovaneSettings& settings) {
    return reinterpret_cast<std::uint8_t*>(&settings);
}

void Put(Block& b, std::size_t offset, std::uint16_t word) {
    b[offset] = static_cast<std::uint8_t>(word & 0xFF);
    b[offset + 1] = static_cast<std::uint8_t>(word >> 8);
}

std::string Chars(const std::uint8_t* bytes, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(bytes), n);
}

constexpr std::uint8_t kByAC = 64; // settings byte 2

struct EquipmentCase {
    const char* what;
    std::vector<int> installed;
    bool byAC;
    int index;
    bool value;
    std::vector<int> expected;
    bool expectedByAC;
};

TEST(AerovaneEquipment, RulesKeepTheEquipmentConsistent) {
    const EquipmentCase cases[] = {
        {"dehumidifier ends purging", {14}, true, 6, true, {6}, false},
        {"dehumidifier ends dehumidifying by air con", {2}, true, 6, true, {2, 6}, false},
        {"by air con without an air con is not in force", {}, true, 6, true, {6}, true},
        {"purging ends dehumidifying by air con", {}, true, 14, true, {14}, false},
        {"a dehumidifier keeps purging off", {6}, false, 14, true, {6}, false},
        {"air con without CO2 sensor ends injection", {5}, false, 2, true, {2}, false},
        {"with a CO2 sensor injection stays", {4, 5}, false, 2, true, {2, 4, 5}, false},
        {"removing the sensor ends injection", {2, 4, 5}, false, 4, false, {2}, false},
        {"index 137 is index 9", {}, false, 137, true, {9}, false},
        {"a negative index keeps its low 7 bits", {}, false, -119, true, {9}, false},
        {"bytes 3 and 59", {}, false, 16, true, {16}, false},
        {"no bit above 18, but the rules run", {2, 5}, false, 19, true, {2}, false},
    };
    for (const auto& c : cases) {
        auto a = Fresh();
        TAerovaneSettings& s = a->Settings();
        for (int i : c.installed)
            a->SetOutputEnabled(i, true);
        SetBits(Bytes(s)[2], kByAC, c.byAC); // directly, so that no rule has run on it yet
        a->SetOutputEnabled(c.index, c.value);
        for (int i = 0; i <= 18; ++i) {
            const bool want =
                std::find(c.expected.begin(), c.expected.end(), i) != c.expected.end();
            EXPECT_EQ(a->IsOutputEnabled(i, !want), want) << c.what << ", index " << i;
        }
        EXPECT_EQ((Bytes(s)[2] & kByAC) != 0, c.expectedByAC) << c.what;
    }
    auto a = Fresh();
    EXPECT_TRUE(a->IsOutputEnabled(19, true));
    EXPECT_FALSE(a->IsOutputEnabled(19, false));
    a->SetOutputEnabled(18, true);
    EXPECT_EQ(a->Settings().SetBool4, 128);
    EXPECT_TRUE(a->IsOutputEnabled(146, false)) << "146 mod 128 is 18";
}

struct WarningCase {
    bool schedule;
    int dayBank; // -1: no day in the list
    std::uint8_t settingsBank;
    bool bank1, bank2;
    bool warns;
};

TEST(AerovaneWarning, LightBankSelections) {
    InstallClock(std::make_shared<FixedClock>(LocalTime{2026, 5, 10, 12, 0, 0, 0, 1}));
    const WarningCase cases[] = {
        {false, -1, 1, false, false, true},  {false, -1, 1, true, false, false},
        {false, -1, 2, true, false, true},   {false, -1, 2, false, true, false},
        {false, -1, 3, false, false, false}, {false, -1, 3, false, true, true},
        {false, -1, 4, true, false, true},   {false, -1, 4, true, true, false},
        {false, -1, 0, false, false, false}, {false, -1, 5, true, false, false},
        {true, 2, 1, true, false, true}, // the day in force decides
        {true, 1, 2, true, false, false},    {false, 2, 1, true, false, false},
        {true, -1, 1, true, false, false}, // no day in force: the settings record decides
        {true, -1, 2, true, false, true},
    };
    for (const auto& c : cases) {
        auto a = Fresh();
        a->SetOutputEnabled(9, c.bank1);
        a->SetOutputEnabled(10, c.bank2);
        a->Settings().LightBankSP = c.settingsBank;
        TAerovaneLocalSettings& local = a->LocalSettings();
        local.ScheduleEnabled = c.schedule;
        local.StartDate = DateOf(2026, 5, 1);
        if (c.dayBank >= 0) {
            local.Days.resize(2);
            local.Days[0] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            local.Days[1] = {5, static_cast<std::uint8_t>(c.dayBank), 0, 0, 0, 0, 0, 0, 0, 0};
        }
        std::string text = "old";
        EXPECT_EQ(a->GetWarningText(text), c.warns)
            << c.schedule << " " << c.dayBank << " " << int(c.settingsBank);
        EXPECT_EQ(text, c.warns ? "Currently selected light bank is NOT installed!" : "");
    }
}

TEST(AerovaneUsb, SettingsTextAndCommandData) {
    InstallClock(std::make_shared<FixedClock>(LocalTime{2026, 5, 10, 12, 0, 0, 0, 1}));
    auto a = Fresh();
    const std::string zeros(16, '\0');
    EXPECT_EQ(a->GetUsbSettingsText(), zeros) << "schedule not in use";
    a->LocalSettings().ScheduleEnabled = true;
    EXPECT_EQ(a->GetUsbSettingsText(), zeros) << "no day in force";

    TAerovaneLocalSettings& local = a->LocalSettings();
    local.StartDate = DateOf(2026, 5, 1);
    local.Days = {{1, 1, 390, 720, 2500, 300, 80, 70, 85, 1000},
                  {10, 2, 391, 721, 2400, 200, 81, 71, 86, 1200},
                  {11, 3, 0, 0, 0, 0, 0, 0, 0, 0}};
    const std::string day10 = Chars(reinterpret_cast<const std::uint8_t*>(&local.Days[1]) + 4, 16);
    EXPECT_EQ(day10[0], '\x02');
    EXPECT_EQ(a->GetUsbSettingsText(), day10) << "10 May is day 10";

    Block identity{};
    for (std::size_t i = 0; i < identity.size(); ++i)
        identity[i] = static_cast<std::uint8_t>(i);
    a->StoreStatusReplyB(identity.data(), identity.size());
    a->PackUsbSettings();
    const std::string first = "\x07\x08\x0D\x16\x17\x1C\x1D\x22\x23"s;
    const std::string second = "\x09\x0A\x0E\x18\x19\x1E\x1F"s;
    a->SetAlarmActive(true);
    EXPECT_EQ(Chars(a->UsbSettings().data(), 17), first + second + '\x01');
    EXPECT_EQ(a->GetUsbCommandData(), day10 + first);
    a->SetOutputEnabled(12, true);
    EXPECT_EQ(a->BuildD0Command(), "D0" + day10 + first + second) << "never the alarm flag";
}

// An alarm bit of the live block and the alarm-flag position and page it maps to.
struct AlarmCase {
    std::size_t byte;
    std::uint8_t mask;
    std::size_t position;
    std::uint8_t pageBit; // of PageFlags
};

TEST(AerovaneAlarms, PositionsWithAndWithoutThePageFilter) {
    std::vector<AlarmCase> cases = {{40, 4, 3, 1},  {40, 8, 4, 2},  {40, 16, 5, 4},
                                    {40, 32, 6, 8}, {40, 2, 7, 32}, {40, 1, 8, 16}};
    for (std::size_t bit = 0; bit < 8; ++bit)
        cases.push_back({43, static_cast<std::uint8_t>(1 << bit), 9 + bit, 64});
    for (std::size_t bit = 0; bit < 4; ++bit)
        cases.push_back({44, static_cast<std::uint8_t>(1 << bit), 17 + bit, 64});
    for (const auto& c : cases) {
        auto a = Fresh();
        Block block{};
        block[42] = 4; // the alarm bits are valid
        block[c.byte] = c.mask;
        a->StoreStatusReplyC(block.data(), block.size());
        a->StoreStatusReplyB(block.data(), block.size());
        auto only = [&](const TAlarmFlags& flags, bool set) {
            TAlarmFlags want{};
            want[c.position] = set ? 1 : 0;
            return flags == want;
        };
        for (std::uint8_t pages : {std::uint8_t(0), c.pageBit}) {
            a->LocalSettings().PageFlags = pages;
            const bool shown = pages != 0;
            TAlarmFlags alarms{}, enables{}, unfiltered{};
            EXPECT_TRUE(a->GetAlarms(alarms, true));
            EXPECT_TRUE(only(alarms, shown || c.position == 15)) << c.position << " " << shown;
            EXPECT_TRUE(a->GetAlarmEnables(enables, true));
            EXPECT_TRUE(only(enables, shown)) << c.position << " " << shown;
            EXPECT_TRUE(a->GetAlarms(unfiltered, false));
            EXPECT_TRUE(only(unfiltered, true)) << c.position;
        }
        EXPECT_EQ(a->AlarmActive(), c.position == 8) << c.position;
        EXPECT_TRUE(a->HasAlarms());
        EXPECT_EQ(a->GetAlarmMark(), " !");
    }
    // Without the valid bit: the filtered alarms and every enable answer nothing.
    auto a = Fresh();
    Block block{};
    block[43] = 0xFF;
    a->StoreStatusReplyC(block.data(), block.size());
    a->StoreStatusReplyB(block.data(), block.size());
    TAlarmFlags flags{};
    EXPECT_FALSE(a->GetAlarms(flags, true));
    EXPECT_FALSE(a->GetAlarmEnables(flags, false));
    EXPECT_EQ(flags, TAlarmFlags{});
    EXPECT_TRUE(a->GetAlarms(flags, false));
}

TEST(AerovaneAlarms, PageCodes) {
    auto a = Fresh();
    a->LocalSettings().PageFlags = 0x01 | 0x04 | 0x40; // pages 0, 3 and 7
    const std::pair<int, bool> cases[] = {{0, true},    {2, false},   {3, true},  {4, false},
                                          {5, false},   {6, false},   {7, true},  {128, true},
                                          {-128, true}, {-125, true}, {-1, false}};
    for (auto [page, shown] : cases)
        EXPECT_EQ(a->IsPageShown(page, false), shown) << page;
    EXPECT_TRUE(a->IsPageShown(1, true));
    EXPECT_FALSE(a->IsPageShown(8, false));
}

// A clock the test moves.
class SettableClock : public Clock {
public:
    LocalTime now{2026, 10, 25, 2, 50, 0, 0, 1};
    LocalTime Now() const override { return now; }
};

TEST(AerovaneAlarms, AlarmActiveIsRaisedAtMostOnceInFiveMinutes) {
    auto clock = std::make_shared<SettableClock>();
    InstallClock(clock);
    auto a = Fresh();
    EXPECT_FALSE(a->AlarmActive());
    Block block{};
    block[40] = 1; // the alarm that raises the flag
    a->StoreStatusReplyC(block.data(), block.size());
    EXPECT_TRUE(a->AlarmActive());
    EXPECT_EQ(a->AlarmTime(), DateTimeFromParts(2026, 10, 25, 2, 50, 0, 0));

    struct Step {
        int minute, second;
        bool raise;
        bool active;
    };
    const Step steps[] = {
        {50, 30, false, false}, // lowering always takes effect
        {54, 59, true, false},  // within 5 minutes of 2:50
        {55, 0, true, true},    // 5 minutes later
        {56, 0, false, false},
    };
    for (const Step& s : steps) {
        clock->now.minute = s.minute;
        clock->now.second = s.second;
        a->SetAlarmActive(s.raise);
        EXPECT_EQ(a->AlarmActive(), s.active) << s.minute << ":" << s.second;
    }
    // The clock goes back an hour (end of daylight saving time): the last time lies ahead.
    clock->now = {2026, 10, 25, 2, 1, 0, 0, 1};
    a->SetAlarmActive(true);
    EXPECT_TRUE(a->AlarmActive());
    EXPECT_EQ(a->AlarmTime(), DateTimeFromParts(2026, 10, 25, 2, 1, 0, 0));
}

TEST(AerovaneReplies, BlocksFirmwareAndChangeFlags) {
    auto a = Fresh();
    EXPECT_TRUE(a->ChangeFlag1() && a->ChangeFlag2());
    std::vector<std::uint8_t> reply(276, 0xEE); // longer than the block: cut at 60 bytes
    std::fill(reply.begin(), reply.begin() + 60, 0);
    reply[5] = 206;
    reply[42] = 2 | 8;
    a->StoreStatusReplyA(reply.data(), 59);
    EXPECT_EQ(a->FirmwareVersion(), 0) << "a short reply changes nothing";
    a->StoreStatusReplyA(reply.data(), reply.size());
    EXPECT_EQ(a->FirmwareVersion(), 206);
    EXPECT_EQ(a->FeatureSet(), 0x70);
    EXPECT_EQ(a->IdentityReply().Fault[2], 0);
    EXPECT_TRUE(a->SettingsFlagA());
    EXPECT_TRUE(a->IsOptionInstalled());

    a->MarkChangesSent();
    EXPECT_FALSE(a->HasUnsentChanges());
    Block block{};
    const std::uint8_t stamp[5] = {0x00, 0x00, 0x20, 0x10, 0x86}; // 1 April 2006, bit 7 set
    std::memcpy(block.data(), stamp, 5);
    a->StoreStatusReplyC(block.data(), block.size());
    EXPECT_FALSE(a->HasUnsentChanges()) << "mode 0, no alarm changed";
    EXPECT_TRUE(a->StatusFlagA());
    EXPECT_EQ(a->DecodeStatusTime(), DateOf(2006, 4, 1));

    block[43] = 1;
    a->StoreStatusReplyC(block.data(), 59);
    EXPECT_FALSE(a->HasUnsentChanges()) << "a short reply changes nothing";
    EXPECT_EQ(a->LiveBlock().Bool[3], 0);
    a->StoreStatusReplyC(block.data(), block.size());
    EXPECT_TRUE(a->ChangeFlag1() && !a->ChangeFlag2());
    a->MarkChangesSent();
    block[45] = 3;
    a->StoreStatusReplyC(block.data(), block.size());
    EXPECT_TRUE(!a->ChangeFlag1() && a->ChangeFlag2()) << "same alarms, a mode";
    a->MarkChangedA();
    EXPECT_TRUE(a->ChangeFlag1() && a->ChangeFlag2());
}

// The live block of the trace and status value tests.
Block LiveBlock() {
    Block b{};
    Put(b, 11, 2155); // temp in
    Put(b, 7, 0xFF38);
    b[15] = 55;
    b[13] = 255;
    Put(b, 20, 1234);
    Put(b, 26, 1000);
    Put(b, 22, 800);
    Put(b, 32, 0x1234); // light: 12 bits
    Put(b, 28, 0x0064);
    Put(b, 36, 0x3064); // integ irrad: the high nibble of hi
    Put(b, 38, 450);
    Put(b, 47, 2600);
    b[49] = 60;
    Put(b, 50, 1500);
    b[40] = 0x81;
    b[41] = 0x61;
    b[42] = 0x01;
    b[44] = 0x08;
    b[45] = 3;
    b[46] = 0x44;
    b[59] = 7;
    return b;
}

struct TraceCase {
    int index;
    double celsius, fahrenheit;
};

TEST(AerovaneTraces, ValuesFromTheLiveBlock) {
    const TraceCase cases[] = {
        {1, 21.551, 70.7918}, {2, -2, 28.4},      {4, 55, 55},        {5, 255, 255},
        {7, 1.234, 1.234},    {8, 50, 50},        {9, 40, 40},        {11, 56.4, 56.4},
        {12, 10, 10},         {14, 0.868, 0.868}, {15, 45, 45},       {16, 26.001, 78.8018},
        {17, 0, 32},          {18, 60, 60},       {19, 75, 75},       {20, -1, -1},
        {21, -2, -2},         {22, -3, -3},       {23, -9999, -9999}, {27, -8, -8},
        {28, -9, -9},         {0, 0, 0},          {29, 0, 0},         {-1, 0, 0},
    };
    for (int unit : {0, 1}) {
        GetOptions().TempUnit = static_cast<std::uint8_t>(unit);
        auto a = Fresh();
        const Block block = LiveBlock();
        a->StoreStatusReplyC(block.data(), block.size());
        for (const auto& c : cases)
            EXPECT_NEAR(a->GetTraceValue(c.index), unit ? c.fahrenheit : c.celsius, 1e-4)
                << c.index << " unit " << unit;
    }
    auto a = Fresh();
    Block block = LiveBlock();
    block[42] = 0x80; // CO2 scale 50
    a->StoreStatusReplyC(block.data(), block.size());
    Process().chartScaleFlags = 0;
    EXPECT_DOUBLE_EQ(a->GetTraceValue(8), 20);
    EXPECT_EQ(Process().chartScaleFlags, 2 | 4);
    EXPECT_EQ(a->GetTraceValue(28), -9999);
    EXPECT_DOUBLE_EQ(a->GetTraceValue(11), 56.4);
    EXPECT_EQ(Process().chartScaleFlags, 2 | 4 | 8);
    block[42] = 0;
    a->StoreStatusReplyC(block.data(), block.size());
    a->GetTraceValue(19);
    EXPECT_EQ(Process().chartScaleFlags, 2 | 8) << "scale 20 clears bit value 4";
}

TEST(AerovaneTraces, GroupNamesFollowTheLanguage) {
    auto a = Fresh();
    EXPECT_EQ(a->GetTraceGroupName(15), "");
    EXPECT_EQ(a->GetTraceGroupName(16), "Functions");
    EXPECT_EQ(a->GetTraceGroupName(28), "Functions");
    EXPECT_EQ(a->GetTraceGroupName(29), "");
    InstallRegional(std::make_shared<FixedRegional>(".", ":", "/", kLanguageChinese));
    EXPECT_EQ(a->GetTraceGroupName(16), "AV Functions");
}

struct ValueCase {
    int index;
    const char* name;
    const char* celsius;
    const char* fahrenheit;
};

TEST(AerovaneValues, StatusValuesTable) {
    const ValueCase cases[] = {
        {1, "Temp In", "21.6", "70.8"},
        {2, "Temp In1", "-2", "28.4"},
        {3, "Temp In2", "0", "32"},
        {4, "RH", "55", "55"},
        {5, "RH1", "-----", "-----"},
        {6, "RH2", "0", "0"},
        {7, "VPD", "1.23", "1.23"},
        {8, "CO2", "1000", "1000"},
        {9, "CO2 1", "800", "800"},
        {10, "CO2 2", "0", "0"},
        {11, "Light", "564", "564"},
        {12, "Light 1", "100", "100"},
        {13, "Light 2", "0", "0"},
        {14, "Temp Out", "0", "32"},
        {15, "Integ Irrad", "100", "100"},
        {16, "CO2 inject", "450", "450"},
        {17, "Temp Cool", "26", "78.8"},
        {18, "Temp Heat", "0", "32"},
        {19, "RH Tgt", "60", "60"},
        {20, "CO2 Tgt", "1500", "1500"},
        {21, "Mode", "Fan mode", "Fan mode"},
        {22, "Bool0", "129", "129"},
        {23, "7", "1", "1"},
        {29, "1", "0", "0"},
        {30, "0", "1", "1"},
        {31, "Bool1", "97", "97"},
        {40, "Bool2", "1", "1"},
        {58, "Bool4", "8", "8"},
        {62, "4", "0", "0"},
        {63, "3", "1", "1"},
        {67, "Fault1", "0", "0"},
        {69, "Fault3", "7", "7"},
        {70, "SetBool0", "68", "68"},
        {72, "6", "1", "1"},
        {78, "0", "0", "0"},
        {79, "Mode", "3", "3"},
        {0, "", "", ""},
        {80, "", "", ""},
    };
    for (int unit : {0, 1}) {
        GetOptions().TempUnit = static_cast<std::uint8_t>(unit);
        auto a = Fresh();
        const Block block = LiveBlock();
        a->StoreStatusReplyC(block.data(), block.size());
        for (const auto& c : cases) {
            EXPECT_EQ(a->GetValueName(c.index), c.name) << c.index;
            EXPECT_EQ(a->GetValueText(c.index), unit ? c.fahrenheit : c.celsius)
                << c.index << " unit " << unit;
        }
    }
    auto a = Fresh();
    EXPECT_EQ(a->GetValueCount(), 21);
    Process().extendedValues = true;
    EXPECT_EQ(a->GetValueCount(), 79);
}

TEST(AerovaneValues, ModeTexts) {
    const std::pair<std::uint8_t, const char*> cases[] = {{0, nullptr},
                                                          {1, "Air Con"},
                                                          {10, "Fan Cycle, CO2 sensor - venting"},
                                                          {12, "Fan mode - purging"},
                                                          {13, nullptr},
                                                          {255, nullptr}};
    for (auto [code, text] : cases) {
        auto a = Fresh();
        Block block{};
        block[45] = code;
        a->StoreStatusReplyC(block.data(), block.size());
        a->StoreStatusReplyB(block.data(), block.size());
        EXPECT_EQ(a->GetValueText(21), text ? text : "") << int(code);
        EXPECT_EQ(a->GetModeText(true), text ? text : "Unknown") << int(code);
    }
}

} // namespace
} // namespace hortivex
