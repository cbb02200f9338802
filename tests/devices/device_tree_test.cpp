#include "devices/DeviceRegistry.h"
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/Folders.h"
#include "platform/Services.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace hortivex {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

struct FreshState {
    const char* name;
    std::function<Ref<TControllerWithSchedule>()> create;
    int kind;
    const char* letters;
    const char* log;
    const char* view;
    const char* settings;
    const char* schedule;
    std::array<const char*, 5> captions;
    int valueCount;
    std::uint16_t features;
    const char* capabilities; // flags A to F
    int traceCount;
    int recordSize;
};

TEST(DeviceTree, FreshControllersHaveTheirIdentity) {
    const FreshState cases[] = {
        {"Fertivo",
         [] { return Ref<TControllerWithSchedule>(TDevice::Create<TFertivo>("1", "2").get()); },
         1,
         "FV",
         ".fvl",
         ".fvv",
         "fvs",
         "fvd",
         {"Status", "", "Configure", "", "Scheduling"},
         13,
         0x0000,
         "111101",
         3,
         118},
        {"Aerovane",
         [] { return Ref<TControllerWithSchedule>(TDevice::Create<TAerovane>("1", "2").get()); },
         5,
         "AV",
         ".avl",
         ".avv",
         "avs",
         "ava",
         {"Status", "", "Scheduling", "Configure", "Advanced"},
         21,
         0x0010,
         "101101",
         28,
         177},
    };
    for (const FreshState& c : cases) {
        SCOPED_TRACE(c.name);
        auto device = c.create();
        EXPECT_EQ(device->KindCode(), c.kind);
        EXPECT_EQ(device->DeviceTypeLetters(), c.letters);
        EXPECT_EQ(device->Identity()[1], '0');
        EXPECT_EQ(device->Identity()[2], '1');
        EXPECT_EQ(device->GetLogExtension(), c.log);
        EXPECT_EQ(device->GetViewExtension(), c.view);
        EXPECT_EQ(device->GetSettingsExtension(), c.settings);
        EXPECT_EQ(device->GetScheduleExtension(), c.schedule);
        for (int n = 1; n <= 5; ++n)
            EXPECT_EQ(device->PageCaption(n), c.captions[static_cast<size_t>(n - 1)]) << n;
        EXPECT_EQ(device->GetValueCount(), c.valueCount);
        EXPECT_EQ(device->FeatureSet(), c.features);
        std::string flags;
        for (char which : std::string("ABCDEF"))
            flags += static_cast<char>('0' + device->CapabilityFlag(which));
        EXPECT_EQ(flags, c.capabilities);
        EXPECT_EQ(device->UsbFlag(), 1);
        EXPECT_EQ(device->GetRoomIndex(), 0);
        EXPECT_EQ(device->NameEntryInteger(), 1);
        EXPECT_EQ(device->GetTraceCount(false), c.traceCount);
        EXPECT_EQ(device->GetSettingsRecordSize(), c.recordSize);
        EXPECT_EQ(device->GetRoomName(), "1");
        EXPECT_EQ(device->GetControllerName(), "2");
    }
}

// Records what the object looked like when construction reached ResetFeatures.
class ProbeController : public TUSBController {
public:
    void ResetFeatures() override {
        TUSBController::ResetFeatures();
        usbFlagDuringReset = UsbFlag();
        ++resets;
    }
    ~ProbeController() override { *destroyed = true; }
    int usbFlagDuringReset = -1;
    int resets = 0;
    bool* destroyed = nullptr;
    void SetLetters(char a, char b) {
        identity_[3] = static_cast<std::uint8_t>(a);
        identity_[4] = static_cast<std::uint8_t>(b);
    }

protected:
    friend class TDevice;
    using TUSBController::TUSBController;
};

// A controller on a serial link: the base framing.
class SerialController : public TGenericController {
protected:
    friend class TDevice;
    using TGenericController::TGenericController;
};

TEST(DeviceTree, ConstructionRunsTheMostDerivedOverridesInOrder) {
    bool destroyed = false;
    {
        auto probe = TDevice::Create<ProbeController>("1", "2");
        probe->destroyed = &destroyed;
        EXPECT_EQ(probe->resets, 1);
        EXPECT_EQ(probe->usbFlagDuringReset, 0) << "USB flag set before the base constructors";
        EXPECT_EQ(probe->UsbFlag(), 1);
        EXPECT_EQ(probe->CapabilityFlag('D'), 1);
        EXPECT_EQ(probe->RefCount(), 1);
    }
    EXPECT_TRUE(destroyed) << "last release did not destroy the device";
}

// A controller with a schedule that implements none of its operations.
class BareScheduleController : public TControllerWithSchedule {
protected:
    friend class TDevice;
    using TControllerWithSchedule::TControllerWithSchedule;
};

TEST(DeviceTree, AbstractOperationsRaiseTheAbstractMethodError) {
    auto bare = TDevice::Create<BareScheduleController>("1", "2");
    TControllerWithSchedule& device = *bare;
    TAlarmFlags flags{};
    const std::pair<const char*, std::function<void()>> slots[] = {
        {"LoadView", [&] { device.LoadView(1); }},
        {"SaveView", [&] { device.SaveView(1); }},
        {"Reserved6", [&] { device.Reserved6(); }},
        {"GetTraceEntry", [&] { device.GetTraceEntry(1); }},
        {"GetAlarms", [&] { device.GetAlarms(flags, false); }},
        {"HasAlarms", [&] { device.HasAlarms(); }},
        {"GetAlarmMark", [&] { device.GetAlarmMark(); }},
        {"StoreStatusReplyA", [&] { device.StoreStatusReplyA(nullptr, 0); }},
        {"OpenLogFile", [&] { device.OpenLogFile(); }},
        {"FixedIntervalA", [&] { device.FixedIntervalA(); }},
        {"GetValueName", [&] { device.GetValueName(1); }},
        {"IsOutputEnabled", [&] { device.IsOutputEnabled(1, false); }},
        {"BuildSettingsFirstCommand", [&] { device.BuildSettingsFirstCommand(); }},
        {"GetScheduleCount", [&] { device.GetScheduleCount(); }},
        {"MoveScheduleEntry", [&] { device.MoveScheduleEntry(1, 2); }},
        {"UsesUsDateFormat", [&] { device.UsesUsDateFormat(); }},
    };
    for (const auto& [name, call] : slots)
        EXPECT_THROW(call(), AbstractMethodError) << name;
    EXPECT_EQ(device.SaveSettingsFile("x"), "Unsupported function for this device");
    EXPECT_EQ(device.GetTraceValue(1), 99999.0);
    std::string warning = "x";
    EXPECT_FALSE(device.GetWarningText(warning));
    EXPECT_EQ(warning, "");
}

TEST(DeviceTree, FeaturesFollowTheFirmwareVersion) {
    const std::pair<int, std::uint16_t> fertivo[] = {
        {199, 0x000}, {200, 0x008}, {301, 0x088}, {303, 0x188}};
    for (auto [version, features] : fertivo) {
        auto device = TDevice::Create<TFertivo>("1", "2");
        device->SetFirmwareVersion(version);
        EXPECT_EQ(device->FeatureSet(), features) << version;
        EXPECT_EQ(device->FirmwareVersion(), version);
    }
    const std::pair<int, std::uint16_t> aerovane[] = {{102, 0x10}, {103, 0x30}, {206, 0x70}};
    for (auto [version, features] : aerovane) {
        auto device = TDevice::Create<TAerovane>("1", "2");
        device->SetFirmwareVersion(version);
        EXPECT_EQ(device->FeatureSet(), features) << version;
    }
    auto device = TDevice::Create<TFertivo>("1", "2");
    device->SetFirmwareVersion(0xFFFF);
    EXPECT_FALSE(device->HasFeature(16));
    EXPECT_FALSE(device->HasFeature(-1));
    EXPECT_EQ(device->FeatureMinVersion(8), 303);
    EXPECT_EQ(device->FeatureMinVersion(4), 9999);
}

TEST(DeviceTree, PackedTimestampDecodes) {
    // w0: ms bits 0-3, seconds 4-9, minutes 10-15; w1: hour 0-4, day 5-9, month 10-13.
    auto stamp = [](int ms, int s, int mi, int h, int d, int mo, int year) {
        const unsigned w0 = static_cast<unsigned>(ms | (s << 4) | (mi << 10));
        const unsigned w1 = static_cast<unsigned>(h | (d << 5) | (mo << 10));
        return std::array<std::uint8_t, 5>{
            static_cast<std::uint8_t>(w0), static_cast<std::uint8_t>(w0 >> 8),
            static_cast<std::uint8_t>(w1), static_cast<std::uint8_t>(w1 >> 8),
            static_cast<std::uint8_t>(year)};
    };
    const double noon = 0.5;
    const std::pair<std::array<std::uint8_t, 5>, double> cases[] = {
        {stamp(0, 0, 0, 12, 1, 4, 6), DateOf(2006, 4, 1) + noon},
        {stamp(0, 0, 0, 12, 1, 4, 99), DateOf(1999, 4, 1) + noon},
        {stamp(0, 0, 0, 12, 1, 4, 0), DateOf(2000, 4, 1) + noon},
        {stamp(0, 0, 0, 12, 1, 4, 227), DateOf(1999, 4, 1) + noon}, // bit 7 of the year ignored
        {stamp(0, 0, 0, 12, 1, 0, 6), 0},                           // month 0
        {stamp(0, 0, 0, 12, 0, 4, 6), 0},                           // day 0
        {stamp(0, 0, 0, 12, 31, 4, 6), 0},                          // 31 April
        {stamp(0, 0, 60, 12, 1, 4, 6), 0},                          // minute 60
        {stamp(0, 0, 0, 24, 1, 4, 6), 0},                           // hour 24
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_DOUBLE_EQ(TDevice::DecodePackedTimestamp(bytes.data()), expected);
}

TEST(DeviceTree, TracePaletteAndKindCodes) {
    const std::pair<int, std::uint32_t> colours[] = {
        {1, 0x0000FF}, {12, 0x00FF00}, {13, 0x0000FF}, {24, 0x00FF00}, {2, 0xFF0000}};
    for (auto [n, colour] : colours) {
        TTraceEntry entry;
        TDevice::InitTraceEntry(entry, n, true);
        EXPECT_EQ(entry.colour, colour) << n;
        EXPECT_EQ(entry.visible, 1);
        EXPECT_EQ(entry.scale, 1.0f);
    }
    auto device = TDevice::Create<TFertivo>("1", "2");
    const std::pair<int, int> kinds[] = {{1, 1}, {2, 5}, {3, 0}, {0, 0}, {-1, 0}};
    for (auto [index, kind] : kinds)
        EXPECT_EQ(device->GetKindCode(index), kind) << index;
}

TEST(DeviceTree, TraceIndexesOutsideTheTracesAreHidden) {
    Registry().selectedControllerName = "2";
    auto device = TDevice::Create<TFertivo>("1", "2");
    device->SetExtraTraceCount(10);
    EXPECT_TRUE(device->TDevice::IsTraceVisible(4)); // first extra trace, after the three own
    EXPECT_EQ(device->TDevice::GetTraceColour(4), 0x0000FFu);
    for (int index : {14, 100, -5, 0}) {
        EXPECT_FALSE(device->TDevice::IsTraceVisible(index)) << index;
        EXPECT_EQ(device->TDevice::GetTraceColour(index), kHiddenTraceColour) << index;
    }
    Registry().selectedControllerName.reset();
    EXPECT_FALSE(device->TDevice::IsTraceVisible(4));
}

TEST(DeviceTree, PendingTextScanStopsAfterTheLastPosition) {
    auto device = TDevice::Create<TFertivo>("1", "2");
    EXPECT_EQ(device->NextPendingText(), "");
    EXPECT_EQ(device->PendingTextCursor(), 92);
    EXPECT_EQ(device->NextPendingText(), "");
    EXPECT_EQ(device->PendingTextCursor(), 92);
}

TEST(DeviceTree, OwnRepliesMatchLettersAndMarker) {
    auto probe = TDevice::Create<ProbeController>("1", "2");
    bool destroyed = false;
    probe->destroyed = &destroyed;
    probe->SetLetters('F', 'V');
    std::uint8_t reply[276] = {};
    auto with = [&](const char* four) {
        std::copy(four, four + 4, reply + 21);
        int code = -1;
        const bool own = probe->TDevice::IsOwnReply(reply, sizeof reply, code);
        EXPECT_EQ(code, 0);
        return own;
    };
    EXPECT_TRUE(with("FV01"));
    EXPECT_FALSE(with("FV02"));
    EXPECT_FALSE(with("AV01"));
    int code = -1;
    EXPECT_FALSE(probe->TDevice::IsOwnReply(reply, 24, code)) << "short reply read past its end";
    EXPECT_TRUE(probe->IsOwnReply(reply, 0, code)); // a USB controller owns every reply
}

TEST(DeviceTree, CommandTexts) {
    InstallClock(std::make_shared<FixedClock>(LocalTime{2099, 12, 31, 23, 59, 59, 0, 5}));
    auto probe = TDevice::Create<ProbeController>("1", "2");
    bool destroyed = false;
    probe->destroyed = &destroyed;
    using namespace std::string_literals;
    auto serial = TDevice::Create<SerialController>("1", "2");
    EXPECT_EQ(serial->GetCommandHeader(), ":\0PC0210"s);
    EXPECT_EQ(serial->BuildD0Command(), ":\0PC0210D000"s);
    EXPECT_EQ(serial->BuildL0Command(), ":\0PC0210L00100"s);
    EXPECT_EQ(serial->BuildLCCommand(), ":\0PC0210LC00"s);
    EXPECT_THROW(serial->BuildD2Command(), AbstractMethodError);
    EXPECT_EQ(probe->BuildClockCommand(), "C006630C1F173B3B");
    EXPECT_EQ(probe->BuildD2Command(), "") << "settings page 0";
    EXPECT_EQ(probe->BuildD1Command(), "D1\0"s);
    EXPECT_EQ(probe->BuildA0Command(), "A0\0"s);

    InstallClock(std::make_shared<FixedClock>(LocalTime{2006, 4, 2, 13, 45, 30, 0, 1}));
    EXPECT_EQ(probe->BuildL0Command(), "L0\0\x06\x04\x02\x0D\x2D\x1E\x01"s);
}

// A clock that has passed midnight by the time it is read a second time.
class MidnightClock : public Clock {
public:
    LocalTime Now() const override {
        return readings_++ == 0 ? LocalTime{2006, 4, 2, 23, 59, 59, 999, 1}
                                : LocalTime{2006, 4, 3, 0, 0, 0, 0, 2};
    }

private:
    mutable int readings_ = 0;
};

TEST(DeviceTree, UsbL0CarriesTheScheduleDayOfItsOwnDate) {
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    TFertivoLocalSettings& local = fertivo->LocalSettings();
    local.ScheduleEnabled = true;
    local.StartDate = DateOf(2006, 4, 1);
    local.Days.resize(3);
    for (int i = 0; i < 3; ++i) {
        local.Days[static_cast<size_t>(i)].Day = i + 1;
        reinterpret_cast<std::uint8_t*>(&local.Days[static_cast<size_t>(i)])[4] =
            static_cast<std::uint8_t>(0xA0 + i);
    }
    InstallClock(std::make_shared<MidnightClock>());
    const std::string l0 = fertivo->BuildL0Command();
    ASSERT_EQ(l0.size(), 10u + 7u);
    EXPECT_EQ(l0[5], '\x02') << "day of the month";
    EXPECT_EQ(static_cast<std::uint8_t>(l0[10]), 0xA1) << "schedule day 2, as the date says";
}

class DeviceFolders : public ::testing::Test {
protected:
    void SetUp() override { Process().workingFolder = dir.path().string() + "/"; }
    std::string W() const { return Process().workingFolder; }
    // A path below the working folder, written with "/" and answered with the system's separator.
    std::string Below(std::string path) const {
        std::replace(path.begin(), path.end(), '/', kPathSeparator);
        return W() + path;
    }
    TempDir dir;
};

TEST_F(DeviceFolders, FoldersAndFileNamesLieUnderTheWorkingFolder) {
    auto device = TDevice::Create<TFertivo>("1", "2");
    EXPECT_EQ(device->GetViewFileName(), Below("1/Views/2.fvv"));
    EXPECT_TRUE(fs::is_directory(W() + "1/Views"));
    EXPECT_EQ(device->GetSettingsFolder(), Below("1/Settings/"));
    EXPECT_TRUE(fs::is_directory(W() + "1/Settings"));
    EXPECT_EQ(device->GetLogFolder(), Below("1/Controller logs/2/"));
    EXPECT_TRUE(fs::is_directory(W() + "1/Controller logs/2"));
    fs::create_directory(W() + "1/Doser logs");
    EXPECT_EQ(device->GetLogFolder(), Below("1/Doser logs/"));
    EXPECT_EQ(device->GetSettingsFileName(0), "*.fvs");
    EXPECT_EQ(device->GetSettingsFileName(-1), "2.fvs");
    EXPECT_EQ(device->GetSettingsFileName(DateOf(2006, 4, 1)), "20060401.fvs");
}

TEST_F(DeviceFolders, OddNamesAreRefusedAndCreateNothing) {
    for (const char* room : {"", ".", "..", "a/b", "a\\b", "c:", "a\nb"}) {
        auto device = TDevice::Create<TAerovane>(room, "2");
        EXPECT_THROW(device->GetViewsFolder(), HxError) << room;
        EXPECT_THROW(device->GetSettingsFolder(), HxError) << room;
        EXPECT_THROW(device->GetLogFolder(), HxError) << room;
        auto named = TDevice::Create<TAerovane>("1", room);
        EXPECT_THROW(named->GetSettingsFileName(-1), HxError) << room;
        EXPECT_THROW(named->GetLogFolder(), HxError) << room;
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(DeviceRegistry, DeleteRemovesOnlyTheControllersOwnKey) {
    SettingsStore& store = CurrentSettingsStore();
    const std::string app = kSettingsKey;
    store.WriteString(RegistryRoot::LocalMachine, app + "1\\2\\Growroom", "v", "x");
    store.WriteString(RegistryRoot::LocalMachine, app + "1\\2", "v", "x");
    store.WriteString(RegistryRoot::LocalMachine, app + "1\\22", "v", "x");
    store.WriteString(RegistryRoot::LocalMachine, app, "WorkingDir", "/w/");

    for (const char* odd : {"", "..", "a\\b"}) {
        TDevice::Create<TFertivo>("1", odd)->DeleteRegistrySettings();
        TDevice::Create<TFertivo>(odd, "2")->DeleteRegistrySettings();
    }
    EXPECT_TRUE(store.KeyExists(RegistryRoot::LocalMachine, app + "1\\2\\Growroom"));

    TDevice::Create<TFertivo>("1", "2")->DeleteRegistrySettings();
    EXPECT_FALSE(store.KeyExists(RegistryRoot::LocalMachine, app + "1\\2"));
    EXPECT_TRUE(store.KeyExists(RegistryRoot::LocalMachine, app + "1\\22"));
    EXPECT_EQ(store.ReadString(RegistryRoot::LocalMachine, app, "WorkingDir"), "/w/");
}

TEST(DeviceNames, SetControllerNameFillsTheRecordName) {
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->SetControllerName("Greenhouse North");
    EXPECT_EQ(std::string(fertivo->Settings().DevName, 10), "Greenhouse");
    EXPECT_EQ(fertivo->DisplayName(), "Greenhouse North");
    auto aerovane = TDevice::Create<TAerovane>("1", "2");
    std::memset(aerovane->Settings().DevName, 'x', 10);
    aerovane->SetControllerName("AB");
    EXPECT_EQ(std::string(aerovane->Settings().DevName, 10), std::string("AB\0\0\0\0\0\0\0\0", 10));
}

} // namespace
} // namespace hortivex
