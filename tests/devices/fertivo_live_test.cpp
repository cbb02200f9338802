#include "devices/DeviceRegistry.h"
#include "devices/fertivo/Fertivo.h"
#include "options/Options.h"
#include "platform/Clock.h"
#include "platform/Services.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

namespace hortivex {
namespace {

using test::FromHex;

void Units(int tempUnit, int ecUnit) {
    GetOptions().TempUnit = static_cast<std::uint8_t>(tempUnit);
    GetOptions().ECUnit = static_cast<std::uint8_t>(ecUnit);
}

const std::uint8_t* Data(const std::string& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.data());
}

Ref<TFertivo> WithStatus(const std::string& block, int firmware = 0, int tdsFactor = 0) {
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->StoreStatusReplyC(Data(block), block.size());
    fertivo->SetFirmwareVersion(firmware);
    fertivo->Settings().TDSFactor = static_cast<std::int16_t>(tdsFactor);
    return fertivo;
}

// The answers for indexes 1 to 55, joined by "|".
std::string AllValues(const std::function<std::string(int)>& value) {
    std::string all = value(1);
    for (int index = 2; index <= 55; ++index)
        all += "|" + value(index);
    return all;
}

// EC 190, pH 645, temperature 2137, setpoints 19 and 58, flag bytes 0x35 0xFF 0x80 0x01,
// irrigation bits 0 1 0, calculated pH 62, dose counts 1234 5 3 255, irrigation count 7.
const std::string kStatus = FromHex("00000000000000133abe008502590835ff8001000100"
                                    "3ed204050003ff070000");

// kStatus with another EC reading.
std::string WithEcReading(const char* hex) {
    return kStatus.substr(0, 9) + FromHex(hex) + kStatus.substr(11);
}

TEST(FertivoLive, RepliesFillTheirBlockOnlyWhenLongEnough) {
    std::string reply(80, '\0');
    for (std::size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<char>(i + 1);
    reply[5] = 0x2D; // firmware 301
    reply[6] = 0x01;
    // Nothing at all, and one byte short of each block.
    for (const auto& [identity, status] : {std::pair<int, int>{0, 0}, {59, 31}}) {
        auto fertivo = TDevice::Create<TFertivo>("1", "2");
        fertivo->StoreStatusReplyA(Data(reply), static_cast<std::size_t>(identity));
        fertivo->StoreStatusReplyB(Data(reply), static_cast<std::size_t>(identity));
        fertivo->StoreStatusReplyC(Data(reply), static_cast<std::size_t>(status));
        EXPECT_EQ(fertivo->IdentityReply().Trailer + fertivo->Status().Timestamp[0], 0);
        EXPECT_EQ(fertivo->FirmwareVersion(), 0) << identity;
        EXPECT_FALSE(fertivo->NoticeFlag()) << identity;
    }
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->StoreStatusReplyB(Data(reply), 60);
    EXPECT_EQ(fertivo->FirmwareVersion(), 0) << "only the first identity reply sets the firmware";
    EXPECT_TRUE(fertivo->NoticeFlag());
    fertivo->Settings().TDSFactor = 640;
    fertivo->StoreStatusReplyA(Data(reply), reply.size());
    fertivo->StoreStatusReplyC(Data(reply), reply.size());
    EXPECT_EQ(std::memcmp(&fertivo->IdentityReply(), reply.data(), 60), 0);
    EXPECT_EQ(std::memcmp(&fertivo->Status(), reply.data(), 32), 0);
    EXPECT_EQ(fertivo->FeatureSet(), 0x88);
    EXPECT_EQ(fertivo->LocalSettings().PpmFactor, 640);
    EXPECT_TRUE(fertivo->SettingsFlagA()); // byte 14 = 15
}

TEST(FertivoLive, StatusTimeAndFlag) {
    // 1 April 2006 12:30:15; year byte 6 with the separate flag bit.
    auto fertivo = WithStatus(FromHex("f0782c1086") + std::string(27, '\0'));
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
        std::string status(32, '\0'), identity(60, '\0');
        status[15] = static_cast<char>(c.status);
        identity[13] = static_cast<char>(c.enables);
        identity[14] = static_cast<char>(c.options);
        auto fertivo = WithStatus(status);
        fertivo->StoreStatusReplyB(Data(identity), identity.size());
        TAlarmFlags alarms{7, 7, 7, 7}, enables{7, 7, 7, 7};
        EXPECT_EQ(fertivo->GetAlarms(alarms, true), c.alarms) << int(c.status);
        EXPECT_EQ(fertivo->GetAlarmEnables(enables, true), c.enabled) << int(c.enables);
        EXPECT_FALSE(RecordsDiffer(alarms.data(), c.alarmFlags.data())) << int(c.status);
        EXPECT_FALSE(RecordsDiffer(enables.data(), c.enableFlags.data())) << int(c.enables);
    }
}

TEST(FertivoLive, TraceValuesShowTheRawEcOverTenInEveryUnit) {
    struct Case {
        const char* ec;
        int ecUnit, firmware, tdsFactor;
        double trace; // an absent reading, -1000, keeps the unit's scale
    };
    const Case cases[] = {
        {"be00", 2, 0, 0, 19},     {"be00", 3, 0, 0, 19},    {"be00", 4, 200, 700, 19},
        {"0080", 2, 0, 0, -10000}, {"0080", 3, 0, 0, -1000}, {"0080", 4, 200, 500, -20},
    };
    for (const Case& c : cases) {
        Units(0, c.ecUnit);
        auto fertivo = WithStatus(WithEcReading(c.ec), c.firmware, c.tdsFactor);
        Registry().chartScaleFlags = 0;
        EXPECT_NEAR(fertivo->GetTraceValue(1), c.trace, 1e-4) << c.ec << " unit " << c.ecUnit;
        EXPECT_EQ(Registry().chartScaleFlags, 1);
        EXPECT_NEAR(fertivo->GetTraceValue(2), 64.5, 1e-4);
        EXPECT_NEAR(fertivo->GetTraceValue(3), 21.37, 1e-4);
        EXPECT_EQ(fertivo->GetTraceValue(0) + fertivo->GetTraceValue(4), 0);
    }
}

TEST(FertivoLive, StatusValueNames) {
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    EXPECT_EQ(AllValues([&](int i) { return fertivo->GetValueName(i); }),
              "EC|pH|Temp|Nutrient dosing|pH Dosing|Irrigation|Water|EC SP|pH SP|Irrigation 1|"
              "Irrigation 2|Irrigation 3|Irrigation 4|Bool0|7|6|5|4|3|2|1|0|Bool1|7|6|5|4|3|2|1|"
              "0|Bool2|7|6|5|4|3|2|1|0|Bool3|7|6|5|4|3|2|1|0|Irrig_Count|DoseCountEC|"
              "DoseCountpH|DoseCountEC_Hour|DoseCountpH_Hour|pH_SPx10_Calc");
    EXPECT_EQ(fertivo->GetValueName(0) + fertivo->GetValueName(56), "");
    EXPECT_EQ(fertivo->GetValueCount(), 13);
    Registry().extendedValues = true;
    EXPECT_EQ(fertivo->GetValueCount(), 55);
}

TEST(FertivoLive, StatusValueTexts) {
    Units(0, 2);
    auto fertivo = WithStatus(kStatus);
    EXPECT_EQ(AllValues([&](int i) { return fertivo->GetValueText(i); }),
              "1.9|6.5|21|1|0|1|0|1.9|5.8|1|0|1|0|53|0|0|1|1|0|1|0|1|-----|1|1|1|1|1|1|1|1|"
              "128|1|0|0|0|0|0|0|0|1|0|0|0|0|0|0|0|1|7|1234|5|3|-----|6.2");
    EXPECT_EQ(fertivo->GetValueText(0) + fertivo->GetValueText(56), "");

    // The values that follow the units: EC, temperature and the EC setpoint.
    struct Case {
        int index, tempUnit, ecUnit, tdsFactor;
        const char* text;
    };
    const Case cases[] = {
        {1, 0, 3, 0, "19"}, {1, 0, 4, 0, "950"}, {1, 0, 4, 700, "1330"},
        {3, 1, 2, 0, "71"}, {8, 0, 3, 0, "19"},  {8, 0, 4, 700, "1330"},
    };
    for (const Case& c : cases) {
        Units(c.tempUnit, c.ecUnit);
        EXPECT_EQ(WithStatus(kStatus, c.tdsFactor ? 200 : 0, c.tdsFactor)->GetValueText(c.index),
                  c.text)
            << c.index << " units " << c.tempUnit << "/" << c.ecUnit;
    }
    Units(0, 2);
    EXPECT_EQ(WithStatus(WithEcReading("0080"))->GetValueText(1), "-----");
}

// A controller whose device form counts what the reminder does with it.
class FormFertivo : public TFertivo {
public:
    int created = 0, shown = 0;
    bool visible = false;
    TDeviceForm* CreateDeviceForm() override {
        struct Probe : TDeviceForm {
            FormFertivo& owner;
            explicit Probe(FormFertivo& o) : owner(o) {}
            void Show() override { ++owner.shown; }
            bool IsVisible() const override { return owner.visible; }
        };
        ++created;
        return new Probe(*this);
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
    EXPECT_EQ(fertivo->created, 0) << "before the reminder date";
    fertivo->LocalSettings().NextReminderDate = 38808.5; // due at this very moment
    fertivo->ShowDeviceForm();
    fertivo->ShowDeviceForm();
    fertivo->visible = true;
    fertivo->ShowDeviceForm();
    EXPECT_EQ(fertivo->created, 1);
    EXPECT_EQ(fertivo->shown, 1);
}

} // namespace
} // namespace hortivex
