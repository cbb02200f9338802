#include "app/Driver.h"
#include "devices/fertivo/Fertivo.h"
#include "options/Options.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/RegistryStore.h"
#include "platform/Services.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sys/stat.h> // mkfifo

namespace hortivex {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Edit = std::function<void(TOptions&)>;
constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;

// The file written when neither a file nor a stored key exists; ECUnit follows the EC label.
std::string DefaultFile(int ecUnit) {
    return "[Options]\r\nSelectedGrowRoom=-1\r\nAlarmStyle=0\r\nSMSNumber=\r\nSMSPassword=\r\n"
           "SMSBaudrate=0\r\nSMSDataParityStop=0\r\nPager=\r\nPagerDelay=0\r\nPagingEnabled=0\r\n"
           "TempUnit=1\r\nECUnit=" +
           std::to_string(ecUnit) +
           "\r\nModemPortNum=-1\r\nPagerType=1\r\nTwilioSID=\r\nTwilioAuth=\r\nTwilioFrom=\r\n"
           "TwilioTo=\r\nEmailPaging=0\r\nSMTP=\r\nEmailFrom=\r\nEmailTo=\r\nSMTPAuthent=0\r\n"
           "SMTPUser=\r\nSMTPPass=\r\nSMTPSSL=1\r\n";
}

TOptions Defaults(const Edit& edit = [](TOptions&) {}) {
    TOptions options;
    options.SetDefaults();
    options.DeriveUnits();
    edit(options);
    return options;
}

// The text of the HxError that call raises, or "" when it raises none.
std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const HxError& e) {
        return e.what();
    }
    return "";
}

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    // A new process: no options yet, an empty store, no options file in dir.
    void Fresh() {
        ResetProcessState();
        InstallSettingsStore(MakeMemorySettingsStore());
        Process().workingFolder = dir.path().string() + "/";
        fs::remove(File());
    }
    fs::path File() const { return dir / "_HX.ini"; }
    SettingsStore& Store() { return CurrentSettingsStore(); }
    // Exports a dosing record whose byte 2 holds the given bits; answers the output path.
    fs::path Export(std::uint8_t setBool2, const std::string& name = "room.fvs.ini") {
        auto fertivo = TDevice::Create<TFertivo>("1", "2");
        fertivo->Settings().SetBool2 = setBool2;
        fertivo->ExportSettings(dir / name);
        return dir / name;
    }

    TempDir dir;
};

TEST_F(OptionsTest, NoFileAndNoStoreWritesEveryDefaultInOrder) {
    for (auto [label, unit] : {std::pair{"mS/cm", 2}, {" CF  ", 3}, {"ppm", 4}}) {
        Fresh();
        Process().ecUnitLabel = label;
        EXPECT_EQ(GetOptions(), Defaults()) << label;
        EXPECT_EQ(ReadFile(File()), DefaultFile(unit)) << label;
    }
}

TEST_F(OptionsTest, NewFileIsPrivate) {
    Fresh();
    GetOptions();
    EXPECT_EQ(fs::status(File()).permissions(), fs::perms::owner_read | fs::perms::owner_write)
        << "the file holds passwords";
}

TEST_F(OptionsTest, FileIsReadLikeTheProfileReaderAndNeverRewritten) {
    const std::pair<const char*, Edit> cases[] = {
        {"pagerDelay=30", [](TOptions& o) { o.PagerDelay = 30; }},
        {"PAGERDELAY=7\r\nselectedgrowroom = 3\r\nAlarmStyle=+4",
         [](TOptions& o) { o.PagerDelay = 7, o.SelectedGrowRoom = 3, o.AlarmStyle = 4; }},
        {"PagerDelay= -2147483648 ", [](TOptions& o) { o.PagerDelay = -2147483647 - 1; }},
        // Not integers: the defaults stay.
        {"PagerDelay=12abc\r\nSelectedGrowRoom=\r\nModemPortNum=0x10\r\nAlarmStyle=2147483648\r\n"
         "SMSBaudrate=+-1\r\nSMTPSSL=yes",
         [](TOptions&) {}},
        {"SMSBaudrate=300\r\nSMSDataParityStop=-1",
         [](TOptions& o) { o.SMSBaudrate = 44, o.SMSDataParityStop = 255; }},
        {"EmailPaging=-2\r\nSMTPSSL=0",
         [](TOptions& o) { o.EmailPaging = true, o.SMTPSSL = false; }},
        {"SMTP= mail.example.org \r\nSMSPassword=\"p w\"",
         [](TOptions& o) { o.SMTP = "mail.example.org", o.SMSPassword = "p w"; }},
        {"IsPagerNumeric=1\r\nPagerType=2", [](TOptions& o) { o.PagerType = 2; }},
        // The switch is read before the type, wherever its line is.
        {"PagerType=3\r\nIsPagerNumeric=1", [](TOptions& o) { o.PagerType = 3; }},
        {"TempUnit=0\r\nECUnit=3", [](TOptions& o) { o.TempUnit = 0, o.ECUnit = 3; }},
    };
    for (const auto& [body, edit] : cases) {
        Fresh();
        const std::string text = std::string("[Options]\r\n") + body + "\r\n";
        WriteFile(File(), text);
        const auto old = fs::last_write_time(File()) - std::chrono::hours(1);
        fs::last_write_time(File(), old);
        EXPECT_EQ(GetOptions(), Defaults(edit)) << body;
        EXPECT_EQ(ReadFile(File()), text) << body;
        EXPECT_EQ(fs::last_write_time(File()), old) << body;
    }
}

TEST_F(OptionsTest, StoreValuesMoveIntoANewFile) {
    struct Case {
        std::function<void(SettingsStore&)> fill;
        Edit expect;
        std::vector<std::pair<std::string, std::string>> fileChanges; // default line -> line
    };
    const Case cases[] = {
        {[](SettingsStore& s) { s.CreateKey(kMachine, kSettingsKey); }, [](TOptions&) {}, {}},
        {[](SettingsStore& s) {
             s.WriteDword(kMachine, kSettingsKey, "EmailPaging", 1);
             s.WriteDword(kMachine, kSettingsKey, "PagingEnabled", 0);
         },
         [](TOptions& o) { o.EmailPaging = true; },
         {{"PagingEnabled=0", "PagingEnabled=1"}, {"EmailPaging=0", "EmailPaging=1"}}},
        {[](SettingsStore& s) { s.WriteDword(kMachine, kSettingsKey, "PagerType", 3); },
         [](TOptions& o) { o.PagerType = 3; },
         {{"PagingEnabled=0", "PagingEnabled=1"}, {"PagerType=1", "PagerType=3"}}},
        // The old numeric switch gives type 1 whatever it holds, even a text.
        {[](SettingsStore& s) { s.WriteString(kMachine, kSettingsKey, "IsPagerNumeric", "0"); },
         [](TOptions&) {},
         {}},
        {[](SettingsStore& s) {
             s.WriteDword(kMachine, kSettingsKey, "SelectedGrowRoom", 0xFFFFFFFE);
             s.WriteDword(kMachine, kSettingsKey, "PAGERDELAY", 45);
             s.WriteDword(kMachine, kSettingsKey, "SMSBaudrate", 0x1234);
             s.WriteDword(kMachine, kSettingsKey, "SMTPSSL", 0);
             s.WriteString(kMachine, kSettingsKey, "SMTPPass", "s3cret");
             s.WriteDword(kMachine, kSettingsKey, "ECUnit", 4);
         },
         [](TOptions& o) {
             o.SelectedGrowRoom = -2, o.PagerDelay = 45, o.SMSBaudrate = 0x34;
             o.SMTPSSL = false, o.SMTPPass = "s3cret", o.ECUnit = 4;
         },
         {{"SelectedGrowRoom=-1", "SelectedGrowRoom=-2"},
          {"PagerDelay=0", "PagerDelay=45"},
          {"SMSBaudrate=0", "SMSBaudrate=52"},
          {"SMTPSSL=1", "SMTPSSL=0"},
          {"SMTPPass=", "SMTPPass=s3cret"},
          {"ECUnit=2", "ECUnit=4"}}},
    };
    for (const Case& c : cases) {
        Fresh();
        c.fill(Store());
        std::string file = DefaultFile(2);
        for (const auto& [from, to] : c.fileChanges)
            file.replace(file.find(from), from.size(), to);
        EXPECT_EQ(GetOptions(), Defaults(c.expect));
        EXPECT_EQ(ReadFile(File()), file);
    }
}

TEST_F(OptionsTest, StoreValueOfTheWrongKindRaisesAndWritesNothing) {
    for (auto [name, numeric] : {std::pair{"AlarmStyle", true},
                                 {"pagerDelay", true},
                                 {"SMTPSSL", true},
                                 {"SMTP", false}}) {
        Fresh();
        numeric ? Store().WriteString(kMachine, kSettingsKey, name, "5")
                : Store().WriteDword(kMachine, kSettingsKey, name, 5);
        EXPECT_EQ(ErrorOf([] { GetOptions(); }),
                  std::string("Invalid data type for '") + name + "'");
        EXPECT_FALSE(Process().options) << "a failed creation keeps no instance";
        EXPECT_FALSE(fs::exists(File())) << name;
    }
}

TEST_F(OptionsTest, OptionsFileThatCannotBeReadOrWrittenRaisesNamingIt) {
    WriteFile(dir / "plain", "not a folder");
    const std::function<void()> blockers[] = {
#ifndef _WIN32
        [&] { ::mkfifo(File().c_str(), 0600); }, // exists, cannot be read
#endif
        [&] { fs::create_directory(File()); }, // cannot be written
        [&] { Process().workingFolder = (dir / "plain").string() + "/x/"; },
    };
    for (const auto& block : blockers) {
        Fresh();
        block();
        EXPECT_NE(ErrorOf([] { GetOptions(); }).find(OptionsFilePath()), std::string::npos);
        EXPECT_FALSE(Process().options);
    }
}

TEST(OptionsUnits, FollowTheExactLabelsAndGiveTheDisplayFactor) {
    struct Case {
        const char *temp, *ec;
        int tempUnit, ecUnit;
    };
    for (const Case& c :
         {Case{"C", "ppm", 0, 4}, {"", " CF  ", 1, 3}, {"c", "CF", 1, 2}, {"C ", "PPM", 1, 2}}) {
        Process().tempUnitLabel = c.temp;
        Process().ecUnitLabel = c.ec;
        TOptions options;
        options.DeriveUnits();
        EXPECT_EQ(options.TempUnit, c.tempUnit) << "'" << c.temp << "'";
        EXPECT_EQ(options.ECUnit, c.ecUnit) << "'" << c.ec << "'";
    }
    struct Factor {
        std::uint8_t unit;
        double ppmFactor, factor;
    };
    for (const Factor& c : {Factor{4, 500, 0.02},
                            {4, 640, 10.0 / 640},
                            {2, 500, 10},
                            {3, 500, 1},
                            {0, 500, 1},
                            {4, 0, 0.02},
                            {4, -700, 0.02}}) {
        TOptions options;
        options.ECUnit = c.unit;
        EXPECT_DOUBLE_EQ(options.ECDisplayFactor(c.ppmFactor), c.factor)
            << int(c.unit) << " " << c.ppmFactor;
    }
}

TEST_F(OptionsTest, FirstExportThatSelectsAUnitCreatesTheFile) {
    for (auto [bits, unit] :
         {std::pair<std::uint8_t, int>{0x00, 2}, {0x02, 3}, {0x04, 4}, {0xF9, 2}}) {
        Fresh();
        EXPECT_TRUE(fs::exists(Export(bits))) << int(bits);
        EXPECT_EQ(ReadFile(File()), DefaultFile(unit)) << int(bits);
    }
    Fresh();
    EXPECT_TRUE(fs::exists(Export(0x06))) << "no unit selected";
    EXPECT_FALSE(Process().options);
    EXPECT_FALSE(fs::exists(File()));
}

TEST_F(OptionsTest, ExportsLoadTheFileOnceAndUnitsFollowEachExport) {
    WriteFile(File(), "[Options]\r\nTempUnit=0\r\nECUnit=4\r\nPagerDelay=30\r\n");
    Export(0x00);
    EXPECT_EQ(GetOptions(), Defaults([](TOptions& o) { o.PagerDelay = 30; }));
    const std::string changed = "[Options]\r\nPagerDelay=5\r\n";
    WriteFile(File(), changed);

    const std::pair<std::uint8_t, int> exports[] = {{0x04, 4}, {0x06, 4}, {0x02, 3}};
    for (auto [bits, unit] : exports) {
        Export(bits, "next.fvs.ini");
        EXPECT_EQ(GetOptions().ECUnit, unit) << int(bits);
    }
    EXPECT_EQ(GetOptions().PagerDelay, 30) << "the file was read again";
    EXPECT_EQ(ReadFile(File()), changed);
}

TEST_F(OptionsTest, UnwritableOptionsFileFailsTheExportWithoutOutput) {
    WriteFile(dir / "plain", "a file where a folder should be");
    Process().workingFolder = (dir / "plain").string() + "/";
    WriteFile(dir / "kept.fvs.ini", "[Settings]\r\nDawn=1\r\n");
    for (const char* name : {"room.fvs.ini", "kept.fvs.ini"})
        EXPECT_EQ(ErrorOf([&] { Export(0x00, name); }), "Unable to write to " + OptionsFilePath());
    EXPECT_FALSE(fs::exists(dir / "room.fvs.ini"));
    EXPECT_EQ(ReadFile(dir / "kept.fvs.ini"), "[Settings]\r\nDawn=1\r\n");

    Process().workingFolder = dir.path().string() + "/"; // the next export tries again
    EXPECT_TRUE(fs::exists(Export(0x00)));
    EXPECT_TRUE(fs::exists(File()));
}

struct NoProgress : ProgressView {
    void SetMaximum(int) override {}
    int Maximum() const override { return 100; }
    void SetPosition(int) override {}
    void ProcessPendingEvents() override {}
};
struct RecordedMessages : Messages {
    void Information(const std::string& text) override { infos.push_back(text); }
    void Error(const std::string& text, const std::string& detail) override {
        errors.push_back(text + "|" + detail);
    }
    void Plain(const std::string&) override {}
    std::vector<std::string> infos, errors;
};
struct OneFileChooser : FileChooser {
    explicit OneFileChooser(std::string f) : file(std::move(f)) {}
    std::optional<std::vector<fs::path>> Choose(const ChooserRequest&) override {
        return std::vector<fs::path>{file};
    }
    std::string file;
};

TEST_F(OptionsTest, DriverReportsAnUnwritableOptionsFileAsTheFileFailure) {
    WriteFile(dir / "plain", "a file where a folder should be");
    const std::string folder = (dir / "plain").string() + "/";
    Store().WriteString(RegistryRoot::CurrentUser, kSettingsKey, kWorkingDirValue, folder);
    OneFileChooser chooser((dir / "a.fvs").string());
    WriteFile(chooser.file, std::string(118, '\0'));

    NoProgress progress;
    RecordedMessages messages;
    ConversionDriver(progress, messages, Store(), dir.path()).ConvertFiles(chooser);
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_EQ(messages.errors[0].rfind(std::string(kFailureMessage) + "|", 0), 0u);
    EXPECT_NE(messages.errors[0].find("Unable to write to " + folder + "_HX.ini"),
              std::string::npos)
        << messages.errors[0];
    EXPECT_TRUE(messages.infos.empty());
    EXPECT_FALSE(fs::exists(chooser.file + ".ini"));
}

} // namespace
} // namespace hortivex
