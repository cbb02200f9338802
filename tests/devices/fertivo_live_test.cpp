#include "devices/fertivo/Fertivo.h"
#include "options/Options.h"
#include "options/ProcessState.h"
#include "platform/Clock.h"
#include "platform/Services.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace hortivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Units(int tempUnit, int ecUnit) {
    GetOptions().TempUnit = static_cast<std::uint8_t>(tempUnit);
    GetOptions().ECUnit = static_cast<std::uint8_t>(ecUnit);
}

// A status block with the given bytes at the given offsets, the rest zero.
Bytes StatusBlock(std::initializer_list<std::pair<int, std::uint8_t>> bytes) {
    Bytes block(sizeof(TFertivoStatusBlock), 0);
    for (const auto& [offset, value] : bytes)
        block[static_cast<std::size_t>(offset)] = value;
    return block;
}

Ref<TFertivo> WithStatus(const Bytes& block) {
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->StoreStatusReplyC(block.data(), block.size());
    return fertivo;
}

TEST(FertivoLive, RepliesFillTheirBlockOnlyWhenLongEnough) {
    Bytes reply(80);
    for (std::size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<std::uint8_t>(i + 1);
    reply[5] = 0x2D; // firmware 301
    reply[6] = 0x01;
    // One byte short of each block, and nothing at all.
    const std::pair<std::size_t, std::size_t> shortReplies[] = {{0, 0}, {59, 31}};
    for (const auto& [identity, status] : shortReplies) {
        auto fertivo = TDevice::Create<TFertivo>("1", "2");
        fertivo->StoreStatusReplyA(reply.data(), identity);
        fertivo->StoreStatusReplyB(reply.data(), identity);
        fertivo->StoreStatusReplyC(reply.data(), status);
        EXPECT_EQ(fertivo->IdentityReply().Trailer, 0) << identity;
        EXPECT_EQ(fertivo->Status().Timestamp[0], 0) << status;
        EXPECT_EQ(fertivo->FirmwareVersion(), 0) << identity;
        EXPECT_FALSE(fertivo->NoticeFlag()) << identity;
    }
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->StoreStatusReplyB(reply.data(), 60);
    EXPECT_EQ(fertivo->FirmwareVersion(), 0) << "only the first identity reply sets the firmware";
    EXPECT_TRUE(fertivo->NoticeFlag());
    fertivo->Settings().TDSFactor = 640;
    fertivo->StoreStatusReplyA(reply.data(), reply.size());
    EXPECT_EQ(std::memcmp(&fertivo->IdentityReply(), reply.data(), 60), 0);
    EXPECT_EQ(fertivo->FirmwareVersion(), 301);
    EXPECT_EQ(fertivo->FeatureSet(), 0x88);
    EXPECT_EQ(fertivo->LocalSettings().PpmFactor, 640);
    EXPECT_TRUE(fertivo->SettingsFlagA()); // byte 14 = 15
    fertivo->StoreStatusReplyC(reply.data(), reply.size());
    EXPECT_EQ(std::memcmp(&fertivo->Status(), reply.data(), 32), 0);
}

TEST(FertivoLive, StatusTimeAndFlag) {
    // 1 April 2006 12:30:15; year byte 6 with the separate flag bit.
    auto fertivo = WithStatus(StatusBlock({{0, 0xF0}, {1, 0x78}, {2, 0x2C}, {3, 0x10}, {4, 0x86}}));
    EXPECT_NEAR(fertivo->DecodeStatusTime(), 38808 + 45015.0 / 86400, 1e-9);
    EXPECT_TRUE(fertivo->StatusFlagA());
}

TEST(FertivoLive, AlarmsKeepTheFlagsOfClearBits) {
    struct Case {
        std::uint8_t status, enables, options;
        bool alarms, enabled;
        TAlarmFlags alarmFlags, enableFlags;
    };
    const Case cases[] = {
        {0x50, 0x20, 0x20, true, true, {1, 7, 1, 7}, {7, 1, 7, 7}},
        {0x0F, 0x70, 0x00, false, false, {7, 7, 7, 7}, {7, 7, 7, 7}}, // enables not valid
        {0xFF, 0x8F, 0x20, true, false, {1, 1, 1, 7}, {7, 7, 7, 7}},
    };
    for (const Case& c : cases) {
        auto fertivo = WithStatus(StatusBlock({{15, c.status}}));
        Bytes identity(60, 0);
        identity[13] = c.enables;
        identity[14] = c.options;
        fertivo->StoreStatusReplyB(identity.data(), identity.size());
        TAlarmFlags alarms{7, 7, 7, 7}, enables{7, 7, 7, 7};
        EXPECT_EQ(fertivo->GetAlarms(alarms, true), c.alarms) << int(c.status);
        EXPECT_EQ(fertivo->GetAlarmEnables(enables, true), c.enabled) << int(c.enables);
        EXPECT_FALSE(RecordsDiffer(alarms.data(), c.alarmFlags.data())) << int(c.status);
        EXPECT_FALSE(RecordsDiffer(enables.data(), c.enableFlags.data())) << int(c.enables);
    }
}

TEST(FertivoLive, SettingsAlarmEnablesAndSetpointTexts) {
    const std::pair<std::uint8_t, bool> anyActive[] = {{0x01, true}, {0x04, true}, {0x08, false}};
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    for (const auto& [bits, active] : anyActive) {
        fertivo->Settings().SetBool3 = bits;
        EXPECT_EQ(fertivo->IsAnyActive(), active) << int(bits);
    }
    Units(0, 2);
    fertivo->Settings().EC_Day_SP = 185;
    fertivo->Settings().EC_Night_SP = static_cast<std::int16_t>(0x8000);
    EXPECT_EQ(fertivo->GetEcDaySetpointText(), "1.9");
    EXPECT_EQ(fertivo->GetEcNightSetpointText(), "-----");
}

TEST(FertivoLive, TraceValuesShowTheRawEcOverTenInEveryUnit) {
    struct Case {
        std::uint8_t lo, hi;
        int ecUnit, firmware, tdsFactor;
        double ec;
    };
    const Case cases[] = {
        {190, 0, 2, 0, 0, 19},       {190, 0, 3, 0, 0, 19},
        {190, 0, 4, 0, 0, 19},       {190, 0, 4, 200, 700, 19},
        {0, 0x80, 2, 0, 0, -10000},  {0, 0x80, 3, 0, 0, -1000},
        {0, 0x80, 4, 200, 500, -20}, {0, 0x80, 4, 200, 700, -1000 * 10.0 / 700},
    };
    for (const Case& c : cases) {
        Units(0, c.ecUnit);
        auto fertivo = WithStatus(
            StatusBlock({{9, c.lo}, {10, c.hi}, {11, 0x85}, {12, 2}, {13, 0x59}, {14, 8}}));
        fertivo->SetFirmwareVersion(c.firmware);
        fertivo->Settings().TDSFactor = static_cast<std::int16_t>(c.tdsFactor);
        Process().chartScaleFlags = 0;
        EXPECT_NEAR(fertivo->GetTraceValue(1), c.ec, 1e-4) << c.ecUnit << " " << int(c.hi);
        EXPECT_EQ(Process().chartScaleFlags, 1);
        EXPECT_NEAR(fertivo->GetTraceValue(2), 64.5, 1e-4); // the word 645
        EXPECT_NEAR(fertivo->GetTraceValue(3), 21.37, 1e-4);
        EXPECT_EQ(fertivo->GetTraceValue(0), 0);
        EXPECT_EQ(fertivo->GetTraceValue(4), 0);
    }
}

TEST(FertivoLive, StatusValueNames) {
    const std::pair<int, const char*> cases[] = {
        {1, "EC"},
        {2, "pH"},
        {3, "Temp"},
        {4, "Nutrient dosing"},
        {5, "pH Dosing"},
        {6, "Irrigation"},
        {7, "Water"},
        {8, "EC SP"},
        {9, "pH SP"},
        {10, "Irrigation 1"},
        {13, "Irrigation 4"},
        {14, "Bool0"},
        {15, "7"},
        {22, "0"},
        {23, "Bool1"},
        {41, "Bool3"},
        {49, "0"},
        {50, "Irrig_Count"},
        {51, "DoseCountEC"},
        {54, "DoseCountpH_Hour"},
        {55, "pH_SPx10_Calc"},
        {0, ""},
        {56, ""},
        {-1, ""},
    };
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    for (const auto& [index, name] : cases)
        EXPECT_EQ(fertivo->GetValueName(index), name) << index;
    EXPECT_EQ(fertivo->GetValueCount(), 13);
    Process().extendedValues = true;
    EXPECT_EQ(fertivo->GetValueCount(), 55);
}

TEST(FertivoLive, StatusValueTexts) {
    const Bytes block = StatusBlock({{7, 19},
                                     {8, 58},
                                     {9, 190},
                                     {11, 0x85},
                                     {12, 2},
                                     {13, 0x59},
                                     {14, 8},
                                     {15, 0x35},
                                     {16, 255},
                                     {18, 1},
                                     {22, 62},
                                     {23, 0xD2},
                                     {24, 4},
                                     {28, 255},
                                     {29, 7}});
    struct Case {
        int index, tempUnit, ecUnit, tdsFactor;
        const char* text;
    };
    const Case cases[] = {
        {1, 0, 2, 0, "1.9"},    {1, 0, 3, 0, "19"},     {1, 0, 4, 0, "950"},
        {1, 0, 4, 700, "1330"}, {2, 0, 2, 0, "6.5"},    {3, 0, 2, 0, "21"},
        {3, 1, 2, 0, "71"},     {4, 0, 2, 0, "1"},      {5, 0, 2, 0, "0"},
        {6, 0, 2, 0, "1"},      {7, 0, 2, 0, "0"},      {8, 0, 2, 0, "1.9"},
        {8, 0, 3, 0, "19"},     {8, 0, 4, 700, "1330"}, {9, 0, 2, 0, "5.8"},
        {10, 0, 2, 0, "1"},     {11, 0, 2, 0, "0"},     {14, 0, 2, 0, "53"},
        {15, 0, 2, 0, "0"},     {16, 0, 2, 0, "0"},     {17, 0, 2, 0, "1"},
        {22, 0, 2, 0, "1"},     {23, 0, 2, 0, "-----"}, {24, 0, 2, 0, "1"},
        {31, 0, 2, 0, "1"},     {50, 0, 2, 0, "7"},     {51, 0, 2, 0, "1234"},
        {54, 0, 2, 0, "-----"}, {55, 0, 2, 0, "6.2"},   {0, 0, 2, 0, ""},
        {56, 0, 2, 0, ""},
    };
    for (const Case& c : cases) {
        Units(c.tempUnit, c.ecUnit);
        auto fertivo = WithStatus(block);
        fertivo->SetFirmwareVersion(c.tdsFactor ? 200 : 0);
        fertivo->Settings().TDSFactor = static_cast<std::int16_t>(c.tdsFactor);
        EXPECT_EQ(fertivo->GetValueText(c.index), c.text)
            << c.index << " units " << c.tempUnit << "/" << c.ecUnit;
    }
    Units(0, 2);
    EXPECT_EQ(WithStatus(StatusBlock({{10, 0x80}}))->GetValueText(1), "-----"); // no reading
}

// Counts what the reminder does with the device form.
struct FormLog {
    int created = 0, shown = 0;
    bool visible = false;
};
class ProbeForm : public TDeviceForm {
public:
    explicit ProbeForm(FormLog& log) : log_(log) {}
    void Show() override { ++log_.shown; }
    bool IsVisible() const override { return log_.visible; }

private:
    FormLog& log_;
};
class FormFertivo : public TFertivo {
public:
    FormLog log;
    TDeviceForm* CreateDeviceForm() override {
        ++log.created;
        return new ProbeForm(log);
    }

protected:
    friend class TDevice;
    using TFertivo::TFertivo;
};

TEST(FertivoLive, ReminderWaitsForItsDateAndAVisibleForm) {
    InstallClock(std::make_shared<FixedClock>(LocalTime{2006, 4, 1, 12, 0, 0, 0, 7}));
    auto fertivo = TDevice::Create<FormFertivo>("1", "2");
    EXPECT_EQ(fertivo->LocalSettings().NextReminderDate, 38808 + 14);
    fertivo->ShowDeviceForm();
    EXPECT_EQ(fertivo->log.created, 0) << "before the reminder date";
    fertivo->LocalSettings().NextReminderDate = 38808.5; // due at this very moment
    fertivo->ShowDeviceForm();
    fertivo->ShowDeviceForm();
    fertivo->log.visible = true;
    fertivo->ShowDeviceForm();
    EXPECT_EQ(fertivo->log.created, 1);
    EXPECT_EQ(fertivo->log.shown, 1);
}

} // namespace
} // namespace hortivex
