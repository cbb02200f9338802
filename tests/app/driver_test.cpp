#include "app/Driver.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/Folders.h"
#include "platform/RegistryStore.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sys/stat.h>

namespace hortivex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct FakeProgress : ProgressView {
    void SetMaximum(int m) override { maximum = m; }
    int Maximum() const override { return maximum; }
    void SetPosition(int p) override { positions.push_back(p); }
    void ProcessPendingEvents() override {}
    int maximum = 100;
    std::vector<int> positions;
};

struct FakeMessages : Messages {
    void Information(const std::string& text) override { infos.push_back(text); }
    void Error(const std::string& text, const std::string& detail) override {
        errors.push_back(text);
        details.push_back(detail);
    }
    void Plain(const std::string&) override {}
    std::vector<std::string> infos, errors, details;
};

struct FakeChooser : FileChooser {
    std::optional<std::vector<std::filesystem::path>> Choose(const ChooserRequest& r) override {
        request = r;
        return files;
    }
    std::optional<std::vector<std::filesystem::path>> files;
    ChooserRequest request;
};

class DriverTest : public ::testing::Test {
protected:
    std::string Fvs(const std::string& name, char fill = '\x01') {
        const auto path = dir / name;
        WriteFile(path, std::string(118, fill));
        return path.string();
    }
    bool Convert(const std::vector<std::string>& files, bool keepGoing = false) {
        return driver.ConvertBatch({files.begin(), files.end()}, keepGoing);
    }

    TempDir dir;
    FakeProgress progress;
    FakeMessages messages;
    std::shared_ptr<SettingsStore> store = MakeMemorySettingsStore();
    ConversionDriver driver{progress, messages, *store, dir.path()};
};

TEST(ExtensionOf, IsTheTextFromTheLastDot) {
    const std::pair<const char*, const char*> cases[] = {{"C:\\data\\room1.fvs", ".fvs"},
                                                         {"/data/room1.fvs", ".fvs"},
                                                         {"a.b\\settings", ""},
                                                         {"a.b/settings", ""},
                                                         {"c:x", ""},
                                                         {"ROOM.FVS", ".FVS"},
                                                         {"room.fvs.bak", ".bak"},
                                                         {"noext", ""},
                                                         {"dot.", "."}};
    for (auto [path, ext] : cases)
        EXPECT_EQ(ExtensionOf(path), ext) << path;
}

TEST_F(DriverTest, BatchShowsProgressAndSuccessOnce) {
    const std::vector<std::string> files = {Fvs("a.fvs"), Fvs("ROOM.FVS"), Fvs("b.fvs"),
                                            (dir / "a.b\\settings").string()};
    EXPECT_TRUE(Convert(files));
    EXPECT_EQ(progress.maximum, 4);
    EXPECT_EQ(progress.positions, (std::vector<int>{0, 1, 2, 3, 4, 0}));
    EXPECT_EQ(messages.infos, std::vector<std::string>{kSuccessMessage});
    EXPECT_TRUE(messages.errors.empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "a.fvs.ini"));
    EXPECT_TRUE(std::filesystem::exists(dir / "b.fvs.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "ROOM.FVS.ini"));
}

TEST_F(DriverTest, MixedBatchConvertsEachKindIntoItsSection) {
    const std::string avs = (dir / "climate.avs").string();
    WriteFile(avs, std::string(177, '\x02'));
    std::filesystem::permissions(avs, std::filesystem::perms::owner_read);
    const std::vector<std::string> files = {Fvs("a.fvs"), avs, (dir / "c.AVS").string()};
    EXPECT_TRUE(Convert(files));
    EXPECT_EQ(ReadFile(files[0] + ".ini").rfind("[Settings]\r\nSetBool0=1\r\n", 0), 0u);
    EXPECT_EQ(ReadFile(avs + ".ini").rfind("[Climate]\r\nSetBool0=2\r\n", 0), 0u);
    EXPECT_EQ(messages.infos.size(), 1u);

    EXPECT_FALSE(Convert({(dir / "missing.avs").string()}));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.avs.ini"));
}

TEST_F(DriverTest, FailureStopsTheBatchAndLeavesLaterFilesUntouched) {
    const std::vector<std::string> files = {Fvs("a.fvs"), Fvs("b.fvs"), Fvs("c.fvs")};
    std::filesystem::create_directory(dir / "b.fvs.ini"); // the output cannot be written
    EXPECT_FALSE(Convert(files));
    EXPECT_TRUE(std::filesystem::exists(dir / "a.fvs.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "c.fvs.ini"));
    EXPECT_EQ(messages.errors, std::vector<std::string>{kFailureMessage});
    EXPECT_NE(messages.details[0].find("Unable to write to " + files[1] + ".ini"),
              std::string::npos);
    EXPECT_TRUE(messages.infos.empty());
    EXPECT_EQ(progress.positions.back(), 0);
}

TEST_F(DriverTest, MissingInputIsAFailureWithNoOutput) {
    const std::string missing = (dir / "gone.fvs").string();
    EXPECT_FALSE(Convert({missing}));
    EXPECT_FALSE(std::filesystem::exists(missing + ".ini"));
    EXPECT_EQ(messages.errors.size(), 1u);
}

TEST_F(DriverTest, KeepGoingReportsEachFailureAndConvertsTheRest) {
    std::vector<std::string> failed;
    driver.onFailed = [&](const std::filesystem::path& path, const std::string&) {
        failed.push_back(path.string());
    };
    const std::vector<std::string> files = {(dir / "x.fvs").string(), Fvs("b.fvs"),
                                            (dir / "y.fvs").string()};
    EXPECT_FALSE(Convert(files, true));
    EXPECT_EQ(failed, (std::vector<std::string>{files[0], files[2]}));
    EXPECT_TRUE(std::filesystem::exists(dir / "b.fvs.ini"));
    EXPECT_EQ(messages.errors.size(), 1u);
    EXPECT_TRUE(messages.infos.empty());
}

TEST_F(DriverTest, ConvertingTwiceKeepsKeysOnlyTheFirstRunWrote) {
    const std::string input = Fvs("a.fvs");
    WriteFile(input + ".ini", "[Settings]\r\nDAWN=99\r\nUploadedBy=me\r\n");
    EXPECT_TRUE(Convert({input}));
    EXPECT_TRUE(Convert({input}));
    const std::string ini = ReadFile(input + ".ini");
    EXPECT_EQ(ini.rfind("[Settings]\r\nDAWN=1\r\nUploadedBy=me\r\nSetBool0=1\r\n", 0), 0u) << ini;
    EXPECT_EQ(ini.find("Dawn="), std::string::npos) << "duplicate entry for a key";
}

TEST_F(DriverTest, RerunOverUnchangedInputsWritesNothingAndSucceeds) {
    namespace fs = std::filesystem;
    const std::vector<std::string> files = {Fvs("a.fvs"), Fvs("b.fvs", '\x02')};
    ASSERT_TRUE(Convert(files));
    struct stat before[2]{};
    fs::file_time_type old[2];
    for (int i = 0; i < 2; ++i) {
        const std::string ini = files[i] + ".ini";
        old[i] = fs::last_write_time(ini) - std::chrono::hours(1000);
        fs::last_write_time(ini, old[i]);
        ::stat(ini.c_str(), &before[i]);
    }
    WriteFile(files[1], std::string(118, '\x03')); // only the second input changed
    EXPECT_TRUE(Convert(files));
    EXPECT_EQ(messages.infos.size(), 2u);
    struct stat after {};
    ::stat((files[0] + ".ini").c_str(), &after);
    EXPECT_EQ(after.st_ino, before[0].st_ino); // always 0 on Windows
    EXPECT_EQ(fs::last_write_time(files[0] + ".ini"), old[0]);
    EXPECT_NE(fs::last_write_time(files[1] + ".ini"), old[1]) << "a changed output is replaced";
}

TEST_F(DriverTest, ChooserOpensInTheWorkingFolderWithTheFilter) {
    FakeChooser chooser;
    chooser.files = std::vector<std::filesystem::path>{Fvs("a.fvs")};
    driver.ConvertFiles(chooser);
    EXPECT_EQ(chooser.request.initialFolder.string(), dir.path().string() + kPathSeparator);
    EXPECT_EQ(chooser.request.filterText, "Config files (*.fvd, *.fvs, *.avs, *.ava)");
    EXPECT_EQ(chooser.request.patterns,
              (std::vector<std::string>{"*.fvd", "*.fvs", "*.avs", "*.ava"}));
    EXPECT_EQ(progress.positions, (std::vector<int>{0, 0, 1, 0}));
    EXPECT_EQ(messages.infos.size(), 1u);
}

TEST_F(DriverTest, CancelShowsNothingButStoresTheWorkingFolder) {
    FakeChooser chooser; // answers no files
    driver.ConvertFiles(chooser);
    EXPECT_TRUE(messages.infos.empty());
    EXPECT_TRUE(messages.errors.empty());
    EXPECT_EQ(progress.positions, std::vector<int>{0});
    EXPECT_EQ(store->ReadString(RegistryRoot::CurrentUser, kSettingsKey, kWorkingDirValue),
              dir.path().string() + kPathSeparator);
}

TEST_F(DriverTest, WorkingFolderComesFromUserThenMachineThenProgramSkippingFoldersThatAreGone) {
    const std::string user = (dir / "user").string() + kPathSeparator;
    const std::string machine = (dir / "machine").string() + kPathSeparator;
    const std::string gone = (dir / "gone").string() + kPathSeparator;
    const std::string program = dir.path().string() + kPathSeparator;
    std::filesystem::create_directory(dir / "user");
    std::filesystem::create_directory(dir / "machine");
    using Value = std::optional<std::string>;
    struct Row {
        const char* name;
        Value user, machine;
        std::string resolved;
        Value storedForUser; // afterwards
    } const rows[] = {
        {"the user's wins and is not written back", user, machine, user, user},
        {"the machine's is copied to the user", {}, machine, machine, machine},
        {"the program folder is stored when none is", {}, {}, program, program},
        {"the user's is gone: the machine's, nothing stored", gone, machine, machine, gone},
        {"the user's is gone: the program folder, nothing stored", gone, {}, program, gone},
        {"the machine's is gone: the program folder, nothing stored", {}, gone, program, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto fresh = MakeMemorySettingsStore();
        if (row.user)
            fresh->WriteString(RegistryRoot::CurrentUser, kSettingsKey, kWorkingDirValue,
                               *row.user);
        if (row.machine)
            fresh->WriteString(RegistryRoot::LocalMachine, kSettingsKey, kWorkingDirValue,
                               *row.machine);
        ConversionDriver resolver(progress, messages, *fresh, dir.path());
        EXPECT_EQ(resolver.ResolveWorkingFolder(), row.resolved);
        EXPECT_EQ(Process().workingFolder, row.resolved);
        EXPECT_EQ(fresh->ReadString(RegistryRoot::CurrentUser, kSettingsKey, kWorkingDirValue),
                  row.storedForUser);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "gone")) << "a folder that is gone is not made";
    EXPECT_TRUE(messages.infos.empty() && messages.errors.empty()) << "nothing is said";
}

#ifndef _WIN32 // the Windows variant is in the Windows platform tests
TEST_F(DriverTest, UnwritableOrInstalledProgramFolderFallsBackToUserData) {
    // "/usr/bin/" is writable for root, but an installed program keeps nothing there.
    for (const std::filesystem::path& programFolder : {dir / "no such folder", {"/usr/bin/"}}) {
        SCOPED_TRACE(programFolder);
        TempDir data;
        const char* old = std::getenv("XDG_DATA_HOME");
        const std::string saved = old ? old : "";
        ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        auto fresh = MakeMemorySettingsStore();
        ConversionDriver elsewhere(progress, messages, *fresh, programFolder);
        EXPECT_EQ(elsewhere.ResolveWorkingFolder(), (data / "hortivex").string() + "/");
        EXPECT_TRUE(std::filesystem::is_directory(data / "hortivex"));
        old ? ::setenv("XDG_DATA_HOME", saved.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    }
}
#endif

// A store that fails every write, as a full disk would.
struct FailingStore : SettingsStore {
    bool KeyExists(RegistryRoot, std::string_view) const override { return false; }
    bool ValueExists(RegistryRoot, std::string_view, std::string_view) const override {
        return false;
    }
    std::optional<std::string> ReadString(RegistryRoot, std::string_view,
                                          std::string_view) const override {
        return std::nullopt;
    }
    std::optional<std::uint32_t> ReadDword(RegistryRoot, std::string_view,
                                           std::string_view) const override {
        return std::nullopt;
    }
    void CreateKey(RegistryRoot, std::string_view) override { throw HxError("store is full"); }
    void WriteString(RegistryRoot, std::string_view, std::string_view, std::string_view) override {
        throw HxError("store is full");
    }
    void WriteDword(RegistryRoot, std::string_view, std::string_view, std::uint32_t) override {}
    void DeleteKeyTree(RegistryRoot, std::string_view) override {}
};

TEST_F(DriverTest, SettingsStoreFailureEndsTheClickWithTheErrorMessage) {
    FailingStore failing;
    ConversionDriver broken(progress, messages, failing, dir.path());
    FakeChooser chooser;
    chooser.files = std::vector<std::filesystem::path>{Fvs("a.fvs")};
    broken.ConvertFiles(chooser);
    EXPECT_EQ(messages.errors, std::vector<std::string>{kFailureMessage});
    EXPECT_EQ(messages.details, std::vector<std::string>{"store is full"});
    EXPECT_FALSE(std::filesystem::exists(dir / "a.fvs.ini"));
    EXPECT_EQ(progress.positions.back(), 0);
}

} // namespace
} // namespace hortivex
