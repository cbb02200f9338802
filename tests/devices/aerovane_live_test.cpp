#include "devices/DeviceRegistry.h"
#include "devices/aerovane/Aerovane.h"
#include "options/Options.h"
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

void Put(Block& b, std::size_t offset, std::uint16_t word) {
    b[offset] = static_cast<std::uint8_t>(word & 0xFF);
    b[offset + 1] = static_cast<std::uint8_t>(word >> 8);
}

std::string Chars(const void* bytes, std::size_t n) {
    return std::string(static_cast<const char*>(bytes), n);
}

struct EquipmentCase {
    std::vector<int> installed;
    bool byAC; // "AV_DehumidifyByAC", settings byte 2 bit value 64
    int index;
    bool value;
    std::vector<int> expected;
    bool expectedByAC;
};

TEST(AerovaneEquipment, RulesKeepTheEquipmentConsistent) {
    const EquipmentCase cases[] = {
        {{14}, true, 6, true, {6}, false},          // a dehumidifier ends purging and by-AC
        {{2}, true, 6, true, {2, 6}, false},        // ... and by-AC in force
        {{}, true, 6, true, {6}, true},             // by-AC without air con is not in force
        {{}, true, 14, true, {14}, false},          // purging ends by-AC
        {{6}, false, 14, true, {6}, false},         // a dehumidifier keeps purging off
        {{5}, false, 2, true, {2}, false},          // air con without CO2 sensor: no injection
        {{4, 5}, false, 2, true, {2, 4, 5}, false}, // with the sensor injection stays
        {{2, 4, 5}, false, 4, false, {2}, false},   // removing the sensor ends it
        {{}, false, 137, true, {9}, false},         // indexes modulo 128
        {{}, false, -119, true, {9}, false},        // a negative index keeps its low 7 bits
        {{}, false, 18, true, {18}, false},         // settings byte 59
        {{2, 5}, false, 19, true, {2}, false},      // no bit above 18, but the rules run
    };
    for (const auto& c : cases) {
        auto a = Fresh();
        for (int i : c.installed)
            a->SetOutputEnabled(i, true);
        SetBits(a->Settings().SetBool2, 64, c.byAC); // directly: no rule has run on it yet
        a->SetOutputEnabled(c.index, c.value);
        for (int i = 0; i <= 18; ++i) {
            const bool on = std::count(c.expected.begin(), c.expected.end(), i) != 0;
            EXPECT_EQ(a->IsOutputEnabled(i, !on), on) << c.index << ": equipment " << i;
        }
        EXPECT_EQ((a->Settings().SetBool2 & 64) != 0, c.expectedByAC) << c.index;
    }
    auto a = Fresh();
    EXPECT_EQ(a->IsOutputEnabled(19, true), true);
    EXPECT_EQ(a->IsOutputEnabled(19, false), false);
}

TEST(AerovaneWarning, LightBankSelections) {
    InstallClock(std::make_shared<FixedClock>(LocalTime{2026, 5, 10, 12, 0, 0, 0, 1}));
    struct {
        bool schedule;
        int dayBank; // -1: no day in the list
        std::uint8_t settingsBank;
        bool bank1, bank2, warns;
    } const cases[] = {
        {false, -1, 1, false, false, true},  {false, -1, 1, true, false, false},
        {false, -1, 2, true, false, true},   {false, -1, 3, false, false, false},
        {false, -1, 3, false, true, true},   {false, -1, 4, true, true, false},
        {false, -1, 0, false, false, false}, {false, -1, 5, true, false, false},
        {true, 2, 1, true, false, true},     {false, 2, 1, true, false, false},
        {true, -1, 2, true, false, true}, // no day in force: the settings record decides
    };
    for (const auto& c : cases) {
        auto a = Fresh();
        a->SetOutputEnabled(9, c.bank1);
        a->SetOutputEnabled(10, c.bank2);
        a->Settings().LightBankSP = c.settingsBank;
        TAerovaneLocalSettings& local = a->LocalSettings();
        local.ScheduleEnabled = c.schedule;
        local.StartDate = DateOf(2026, 5, 1);
        if (c.dayBank >= 0) // the second day is in force on day 10
            local.Days = {{1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                          {5, static_cast<std::uint8_t>(c.dayBank), 0, 0, 0, 0, 0, 0, 0, 0}};
        std::string text = "old";
        EXPECT_EQ(a->GetWarningText(text), c.warns) << c.schedule << c.dayBank << +c.settingsBank;
        EXPECT_EQ(text, c.warns ? "Currently selected light bank is NOT installed!" : "");
    }
}

TEST(AerovaneUsb, SettingsTextAndCommandData) {
    InstallClock(std::make_shared<FixedClock>(LocalTime{2026, 5, 10, 12, 0, 0, 0, 1}));
    auto a = Fresh();
    const std::string zeros(16, '\0');
    EXPECT_EQ(a->GetUsbSettingsText(), zeros) << "schedule not in use";
    TAerovaneLocalSettings& local = a->LocalSettings();
    local.ScheduleEnabled = true;
    EXPECT_EQ(a->GetUsbSettingsText(), zeros) << "no day in force";

    local.StartDate = DateOf(2026, 5, 1);
    local.Days = {{1, 1, 390, 720, 2500, 300, 80, 70, 85, 1000},
                  {10, 2, 391, 721, 2400, 200, 81, 71, 86, 1200},
                  {11, 3, 0, 0, 0, 0, 0, 0, 0, 0}};
    const std::string day10 = Chars(reinterpret_cast<const char*>(&local.Days[1]) + 4, 16);
    EXPECT_EQ(day10[0], '\x02');
    EXPECT_EQ(a->GetUsbSettingsText(), day10) << "10 May is day 10";

    Block identity{};
    for (std::size_t i = 0; i < identity.size(); ++i)
        identity[i] = static_cast<std::uint8_t>(i);
    a->StoreStatusReplyB(identity.data(), identity.size());
    a->PackUsbSettings();
    a->SetAlarmActive(true);
    const std::string first = "\x07\x08\x0D\x16\x17\x1C\x1D\x22\x23"s;
    const std::string second = "\x09\x0A\x0E\x18\x19\x1E\x1F"s;
    EXPECT_EQ(Chars(a->UsbSettings().data(), 17), first + second + '\x01');
    EXPECT_EQ(a->GetUsbCommandData(), day10 + first);
    a->SetOutputEnabled(12, true); // the second environment sensor
    EXPECT_EQ(a->BuildD0Command(), "D0" + day10 + first + second) << "never the alarm flag";
}

TEST(AerovaneAlarms, PositionsWithAndWithoutThePageFilter) {
    struct Case {
        std::size_t byte;
        std::uint8_t mask;
        std::size_t position;
        std::uint8_t pageBit; // of PageFlags
    };
    std::vector<Case> cases = {{40, 4, 3, 1},  {40, 8, 4, 2},  {40, 16, 5, 4},
                               {40, 32, 6, 8}, {40, 2, 7, 32}, {40, 1, 8, 16}};
    for (std::size_t bit = 0; bit < 12; ++bit)
        cases.push_back({43 + bit / 8, static_cast<std::uint8_t>(1 << bit % 8), 9 + bit, 64});
    for (const auto& c : cases) {
        auto a = Fresh();
        Block block{};
        block[42] = 4; // the alarm bits are valid
        block[c.byte] = c.mask;
        a->StoreStatusReplyC(block.data(), block.size());
        a->StoreStatusReplyB(block.data(), block.size());
        auto only = [&](const TAlarmFlags& flags, bool set) {
            TAlarmFlags want{};
            want[c.position] = set;
            return flags == want;
        };
        for (std::uint8_t pages : {std::uint8_t(0), c.pageBit}) {
            a->LocalSettings().PageFlags = pages;
            TAlarmFlags alarms{}, enables{}, unfiltered{};
            EXPECT_TRUE(a->GetAlarms(alarms, true) && a->GetAlarmEnables(enables, true));
            EXPECT_TRUE(a->GetAlarms(unfiltered, false) && only(unfiltered, true));
            EXPECT_TRUE(only(alarms, pages || c.position == 15)) << c.position << pages;
            EXPECT_TRUE(only(enables, pages)) << c.position << pages;
        }
        EXPECT_EQ(a->AlarmActive(), c.position == 8) << c.position;
        EXPECT_EQ(a->GetAlarmMark(), " !");
    }
    // Without the valid bit: no filtered alarm and no enable at all.
    auto a = Fresh();
    Block block{};
    block[43] = 0xFF;
    a->StoreStatusReplyC(block.data(), block.size());
    a->StoreStatusReplyB(block.data(), block.size());
    TAlarmFlags flags{};
    EXPECT_FALSE(a->GetAlarms(flags, true) || a->GetAlarmEnables(flags, false));
    EXPECT_EQ(flags, TAlarmFlags{});
    EXPECT_TRUE(a->GetAlarms(flags, false));

    // Page codes keep their low 7 bits; pages 0, 3 and 7 shown.
    a->LocalSettings().PageFlags = 0x01 | 0x04 | 0x40;
    for (auto [page, shown] : {std::pair{0, true},
                               {2, false},
                               {3, true},
                               {7, true},
                               {128, true},
                               {-128, true},
                               {-125, true},
                               {-1, false},
                               {8, false}})
        EXPECT_EQ(a->IsPageShown(page, false), shown) << page;
    EXPECT_TRUE(a->IsPageShown(1, true));
}

class SettableClock : public Clock {
public:
    LocalTime now{2026, 10, 25, 2, 50, 0, 0, 1};
    LocalTime Now() const override { return now; }
};

TEST(AerovaneAlarms, AlarmActiveIsRaisedAtMostOnceInFiveMinutes) {
    auto clock = std::make_shared<SettableClock>();
    InstallClock(clock);
    auto a = Fresh();
    Block block{};
    block[40] = 1; // the alarm that raises the flag
    a->StoreStatusReplyC(block.data(), block.size());
    EXPECT_EQ(a->AlarmTime(), DateTimeFromParts(2026, 10, 25, 2, 50, 0, 0));
    // {minute, second, raise, active}: lowering always works; raising waits 5 minutes.
    const int steps[][4] = {{50, 0, 1, 1}, {50, 30, 0, 0}, {54, 59, 1, 0}, {55, 0, 1, 1}};
    for (const auto& s : steps) {
        clock->now.minute = s[0];
        clock->now.second = s[1];
        a->SetAlarmActive(s[2]);
        EXPECT_EQ(a->AlarmActive(), s[3] != 0) << s[0] << ":" << s[1];
    }
    // The clock goes back an hour (end of daylight saving time): the last time lies ahead.
    a->SetAlarmActive(false);
    clock->now.hour = 1;
    a->SetAlarmActive(true);
    EXPECT_TRUE(a->AlarmActive());
    EXPECT_EQ(a->AlarmTime(), DateTimeFromParts(2026, 10, 25, 1, 55, 0, 0));
}

TEST(AerovaneReplies, BlocksFirmwareAndChangeFlags) {
    auto a = Fresh();
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
    EXPECT_TRUE(a->SettingsFlagA() && a->IsOptionInstalled());

    EXPECT_TRUE(a->ChangeFlag1() && a->ChangeFlag2());
    a->MarkChangesSent();
    Block block{};
    const std::uint8_t stamp[5] = {0x00, 0x00, 0x20, 0x10, 0x86}; // 1 April 2006, bit 7 set
    std::memcpy(block.data(), stamp, 5);
    a->StoreStatusReplyC(block.data(), block.size());
    EXPECT_FALSE(a->HasUnsentChanges()) << "mode 0, no alarm changed";
    EXPECT_TRUE(a->StatusFlagA());
    EXPECT_EQ(a->DecodeStatusTime(), DateOf(2006, 4, 1));
    block[43] = 1;
    a->StoreStatusReplyC(block.data(), 59);
    EXPECT_FALSE(a->HasUnsentChanges() || a->LiveBlock().Bool[3]) << "short reply";
    a->StoreStatusReplyC(block.data(), block.size());
    EXPECT_TRUE(a->ChangeFlag1() && !a->ChangeFlag2()) << "an alarm changed";
    a->MarkChangesSent();
    block[45] = 3;
    a->StoreStatusReplyC(block.data(), block.size());
    EXPECT_TRUE(!a->ChangeFlag1() && a->ChangeFlag2()) << "same alarms, a mode";
}

// The live block of the trace and status value tests.
Block LiveBlock() {
    Block b{};
    const std::pair<std::size_t, std::uint16_t> words[] = {
        {11, 2155}, {7, 0xFF38},  {20, 1234}, {26, 1000}, {22, 800}, {32, 0x1234},
        {28, 100},  {36, 0x3064}, {38, 450},  {47, 2600}, {50, 1500}};
    for (auto [offset, word] : words)
        Put(b, offset, word);
    const std::pair<std::size_t, std::uint8_t> bytes[] = {
        {15, 55},   {13, 255},  {49, 60}, {40, 0x81}, {41, 0x61},
        {42, 0x01}, {44, 0x08}, {45, 3},  {46, 0x44}, {59, 7}};
    for (auto [offset, byte] : bytes)
        b[offset] = byte;
    return b;
}

TEST(AerovaneTraces, ValuesFromTheLiveBlock) {
    const struct {
        int index;
        double celsius, fahrenheit;
    } cases[] = {
        {1, 21.551, 70.7918}, {2, -2, 28.4},      {4, 55, 55},        {5, 255, 255},
        {7, 1.234, 1.234},    {8, 50, 50},        {9, 40, 40},        {11, 56.4, 56.4},
        {12, 10, 10},         {14, 0.868, 0.868}, {15, 45, 45},       {16, 26.001, 78.8018},
        {17, 0, 32},          {18, 60, 60},       {19, 75, 75},       {20, -1, -1},
        {21, -2, -2},         {22, -3, -3},       {23, -9999, -9999}, {27, -8, -8},
        {28, -9, -9},         {0, 0, 0},          {29, 0, 0},         {-1, 0, 0},
    };
    const Block block = LiveBlock();
    for (int unit : {0, 1}) {
        GetOptions().TempUnit = static_cast<std::uint8_t>(unit);
        auto a = Fresh();
        a->StoreStatusReplyC(block.data(), block.size());
        for (const auto& c : cases)
            EXPECT_NEAR(a->GetTraceValue(c.index), unit ? c.fahrenheit : c.celsius, 1e-4)
                << c.index << " unit " << unit;
    }
    auto a = Fresh();
    Block scale50 = block;
    scale50[42] = 0x80;
    a->StoreStatusReplyC(scale50.data(), scale50.size());
    Registry().chartScaleFlags = 0;
    EXPECT_DOUBLE_EQ(a->GetTraceValue(8), 20);
    EXPECT_EQ(Registry().chartScaleFlags, 2 | 4);
    EXPECT_DOUBLE_EQ(a->GetTraceValue(11), 56.4);
    EXPECT_EQ(Registry().chartScaleFlags, 2 | 4 | 8);
    a->StoreStatusReplyC(block.data(), block.size());
    a->GetTraceValue(19);
    EXPECT_EQ(Registry().chartScaleFlags, 2 | 8) << "scale 20 clears bit value 4";

    EXPECT_EQ(a->GetTraceGroupName(15) + "|" + a->GetTraceGroupName(29), "|");
    EXPECT_EQ(a->GetTraceGroupName(16), "Functions");
    InstallRegional(std::make_shared<FixedRegional>(".", ":", "/", kLanguageChinese));
    EXPECT_EQ(a->GetTraceGroupName(28), "AV Functions");
}

TEST(AerovaneValues, StatusValuesTable) {
    const struct {
        int index;
        const char *name, *celsius, *fahrenheit;
    } cases[] = {
        {1, "Temp In", "21.6", "70.8"},
        {2, "Temp In1", "-2", "28.4"},
        {3, "Temp In2", "0", "32"},
        {4, "RH", "55", "55"},
        {5, "RH1", "-----", "-----"},
        {7, "VPD", "1.23", "1.23"},
        {8, "CO2", "1000", "1000"},
        {9, "CO2 1", "800", "800"},
        {11, "Light", "564", "564"},
        {12, "Light 1", "100", "100"},
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
        {58, "Bool4", "8", "8"},
        {63, "3", "1", "1"},
        {69, "Fault3", "7", "7"},
        {70, "SetBool0", "68", "68"},
        {72, "6", "1", "1"},
        {79, "Mode", "3", "3"},
        {0, "", "", ""},
        {80, "", "", ""},
    };
    const Block block = LiveBlock();
    for (int unit : {0, 1}) {
        GetOptions().TempUnit = static_cast<std::uint8_t>(unit);
        auto a = Fresh();
        a->StoreStatusReplyC(block.data(), block.size());
        for (const auto& c : cases) {
            EXPECT_EQ(a->GetValueName(c.index), c.name) << c.index;
            EXPECT_EQ(a->GetValueText(c.index), unit ? c.fahrenheit : c.celsius) << c.index;
        }
    }
    auto a = Fresh();
    EXPECT_EQ(a->GetValueCount(), 21);
    Registry().extendedValues = true;
    EXPECT_EQ(a->GetValueCount(), 79);

    // Mode texts: empty for an unknown live code, "Unknown" through the identity reply.
    for (auto [code, text] : {std::pair<std::uint8_t, const char*>{0, ""},
                              {1, "Air Con"},
                              {12, "Fan mode - purging"},
                              {13, ""}}) {
        Block modes{};
        modes[45] = code;
        a->StoreStatusReplyC(modes.data(), modes.size());
        a->StoreStatusReplyB(modes.data(), modes.size());
        EXPECT_EQ(a->GetValueText(21), text) << int(code);
        EXPECT_EQ(a->GetModeText(true), *text ? text : "Unknown") << int(code);
    }
}

} // namespace
} // namespace hortivex
