// The Windows services against the system itself: the registry, the user's locale and the
// file calls.
#include "app/Driver.h"
#include "export/IniOutput.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Regional.h"
#include "platform/RegistryStore.h"
#include "platform/SafeWriteSystem.h"
#include "platform/win/WinText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <windows.h>

namespace hortivex {
namespace {
namespace fs = std::filesystem;

struct QuietProgress : ProgressView {
    void SetMaximum(int) override {}
    int Maximum() const override { return 100; }
    void SetPosition(int) override {}
    void ProcessPendingEvents() override {}
};

struct QuietMessages : Messages {
    void Information(const std::string&) override {}
    void Error(const std::string&, const std::string&) override {}
    void Plain(const std::string&) override {}
};

constexpr RegistryRoot kRoots[] = {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine};

// A key of its own under both roots, removed again afterwards.
class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (RegistryRoot root : kRoots)
            store->DeleteKeyTree(root, kBase);
    }
    const std::string kBase =
        "Software\\Brenmoor Systems\\HortivexTest-" + std::to_string(GetCurrentProcessId()) + "\\";
    std::shared_ptr<SettingsStore> store = MakeUserSettingsStore();
};

TEST_F(RegistryTest, TextAndDwordValuesReadBackUnderBothRoots) {
    for (RegistryRoot root : kRoots) {
        SCOPED_TRACE(root == RegistryRoot::CurrentUser ? "HKCU" : "HKLM");
        EXPECT_FALSE(store->KeyExists(root, kBase));
        EXPECT_EQ(store->ReadString(root, kBase, "WorkingDir"), std::nullopt);
        store->WriteString(root, kBase, "WorkingDir", "C:\\data\\caf\xC3\xA9\\");
        store->WriteDword(root, kBase + "Units", "TempUnit", 0xFFFFFFFFu);
        store->WriteString(root, kBase, "Empty", "");

        EXPECT_TRUE(store->KeyExists(root, kBase));
        // Names match without regard to case; the trailing separator is optional.
        EXPECT_TRUE(store->ValueExists(root, kBase, "workingdir"));
        EXPECT_EQ(store->ReadString(root, kBase.substr(0, kBase.size() - 1), "WORKINGDIR"),
                  "C:\\data\\caf\xC3\xA9\\");
        EXPECT_EQ(store->ReadString(root, kBase, "Empty"), "");
        EXPECT_EQ(store->ReadDword(root, kBase + "units", "TempUnit"), 0xFFFFFFFFu);
        // A value of the other type answers nothing.
        EXPECT_EQ(store->ReadDword(root, kBase, "WorkingDir"), std::nullopt);
        EXPECT_EQ(store->ReadString(root, kBase + "Units", "TempUnit"), std::nullopt);
    }
}

TEST_F(RegistryTest, DeleteKeyTreeRemovesSubKeysAndLeavesSiblings) {
    const RegistryRoot root = RegistryRoot::CurrentUser;
    store->WriteString(root, kBase + "Room\\Ctrl\\Deep", "a", "1");
    store->WriteString(root, kBase + "Room\\Other", "b", "2");
    store->DeleteKeyTree(root, kBase + "Room\\Ctrl\\");
    EXPECT_FALSE(store->KeyExists(root, kBase + "Room\\Ctrl"));
    EXPECT_EQ(store->ReadString(root, kBase + "Room\\Other", "b"), "2");
    EXPECT_NO_THROW(store->DeleteKeyTree(root, kBase + "Absent"));
    EXPECT_THROW(store->DeleteKeyTree(root, "\\"), HxError);
}

TEST_F(RegistryTest, WorkingFolderFromTheMachineIsCopiedToTheUser) {
    QuietProgress progress;
    QuietMessages messages;
    // The driver reads the application key; keep whatever the user had there.
    const auto user = store->ReadString(RegistryRoot::CurrentUser, kSettingsKey, "WorkingDir");
    const auto machine = store->ReadString(RegistryRoot::LocalMachine, kSettingsKey, "WorkingDir");
    store->DeleteKeyTree(RegistryRoot::CurrentUser, kSettingsKey);
    test::TempDir shared; // a stored folder that is gone would not count
    const std::string folder = FileNameText(shared.path()) + "\\";
    store->WriteString(RegistryRoot::LocalMachine, kSettingsKey, "WorkingDir", folder);
    ConversionDriver driver(progress, messages, *store, ProgramFolder());
    EXPECT_EQ(driver.ResolveWorkingFolder(), folder);
    EXPECT_EQ(store->ReadString(RegistryRoot::CurrentUser, kSettingsKey, "WorkingDir"), folder);
    if (user)
        store->WriteString(RegistryRoot::CurrentUser, kSettingsKey, "WorkingDir", *user);
    else
        store->DeleteKeyTree(RegistryRoot::CurrentUser, kSettingsKey);
    if (machine)
        store->WriteString(RegistryRoot::LocalMachine, kSettingsKey, "WorkingDir", *machine);
    else
        store->DeleteKeyTree(RegistryRoot::LocalMachine, kSettingsKey);
}

// The user's own choices in the regional settings reach the formats.
TEST(WinRegional, FollowsTheUsersRegionalOverrides) {
    auto store = MakeUserSettingsStore();
    const std::string key = "Control Panel\\International";
    const auto decimal = store->ReadString(RegistryRoot::CurrentUser, key, "sDecimal");
    store->WriteString(RegistryRoot::CurrentUser, key, "sDecimal", ",");
    const auto regional = MakeLocaleRegional();
    store->WriteString(RegistryRoot::CurrentUser, key, "sDecimal", decimal.value_or("."));
    EXPECT_EQ(regional->DecimalSymbol(), ",");
    EXPECT_FALSE(regional->TimeSeparator().empty());
    EXPECT_FALSE(regional->DateSeparator().empty());
    EXPECT_EQ(regional->PrimaryLanguage(), PRIMARYLANGID(GetUserDefaultLangID()));
}

TEST(WinFiles, ReplaceKeepsNoTemporaryFileAndRefusesReadOnlyOutputs) {
    test::TempDir dir;
    const fs::path target = dir / "out.ini";
    WriteFileAtomically(target, "old\r\n");
    WriteFileAtomically(target, "new\r\n");
    EXPECT_EQ(test::ReadFile(target), "new\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    EXPECT_EQ(Examine(target).kind, PathKind::File);
    EXPECT_EQ(Examine(target).size, 5u);
    EXPECT_TRUE(Examine(dir.path()).writable);
    EXPECT_EQ(Examine(dir / "absent").kind, PathKind::Missing);

    SetFileAttributesW(target.wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(Examine(target).writable);
    IniOutput output(target);
    EXPECT_THROW(output.WriteEntry("S", "k", "v"), HxError);
    SetFileAttributesW(target.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test::ReadFile(target), "new\r\n");
}

// The Win32 errors a write may meet, as the writers act on them: only a refusal to create the
// temporary file lets an output be rewritten in place; a full disk or an I/O error never does,
// and an existing name makes the temporary file's creation try another one.
TEST(WinFiles, Win32ErrorsMapToTheErrorsTheWritersActOn) {
    const struct {
        DWORD win32;
        int error;
        bool inPlace;
    } rows[] = {
        {ERROR_ACCESS_DENIED, EACCES, true},
        {ERROR_SHARING_VIOLATION, EACCES, true},
        {ERROR_LOCK_VIOLATION, EACCES, true},
        {ERROR_WRITE_PROTECT, EACCES, true},
        {ERROR_DISK_FULL, ENOSPC, false},
        {ERROR_HANDLE_DISK_FULL, ENOSPC, false},
        {ERROR_FILE_NOT_FOUND, ENOENT, false},
        {ERROR_PATH_NOT_FOUND, ENOENT, false},
        {ERROR_BAD_NETPATH, ENOENT, false},
        {ERROR_FILE_EXISTS, EEXIST, false},
        {ERROR_ALREADY_EXISTS, EEXIST, false},
        {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG, false},
        {ERROR_INVALID_NAME, EINVAL, false},
        {ERROR_OUTOFMEMORY, ENOMEM, false},
        {ERROR_CRC, EIO, false},
        {ERROR_NETNAME_DELETED, EIO, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.win32);
        EXPECT_EQ(ErrnoOfWin32(row.win32), row.error);
        EXPECT_EQ(safewrite::RefusesNewFiles(ErrnoOfWin32(row.win32)), row.inPlace);
    }
}

// Narrow names are in the ANSI code page, as the command line and the chooser give them.
TEST(WinFiles, AnsiFileNamesNameTheFilesTheSystemShows) {
    test::TempDir dir;
    const std::string folder = FileNameText(dir.path()) + "\\";
    const std::string name = folder + Narrow(L"caf\u00e9.fvs");
    test::WriteFile(fs::path(dir.path()) / L"caf\u00e9.fvs", "xxxx");
    EXPECT_EQ(ReadFilePrefix(name, 10), "xxxx");
    IniOutput output(name + ".ini");
    output.WriteEntry("S", "k", "v");
    output.Close();
    EXPECT_TRUE(fs::exists(dir.path() / L"caf\u00e9.fvs.ini"));
    CreateFolderLevel(folder + Narrow(L"d\u00ee"));
    EXPECT_TRUE(fs::is_directory(dir.path() / L"d\u00ee"));
    EXPECT_TRUE(FolderExists(folder + Narrow(L"d\u00ee")));
}

TEST(WinFolders, UnwritableProgramFolderFallsBackToLocalAppData) {
    test::TempDir data, dir;
    const std::wstring saved = _wgetenv(L"LOCALAPPDATA") ? _wgetenv(L"LOCALAPPDATA") : L"";
    _wputenv_s(L"LOCALAPPDATA", data.path().wstring().c_str());
    QuietProgress progress;
    QuietMessages messages;
    auto store = MakeMemorySettingsStore();
    ConversionDriver driver(progress, messages, *store, dir / "no such folder");
    EXPECT_EQ(driver.ResolveWorkingFolder(), (data / "Hortivex").string() + "\\");
    EXPECT_TRUE(fs::is_directory(data / "Hortivex"));
    _wputenv_s(L"LOCALAPPDATA", saved.c_str());
}

TEST(WinFolders, ProgramFolderHoldsThisProgram) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(ProgramFolder(), fs::path(self).parent_path());
    EXPECT_EQ(kPathSeparator, '\\');
}

} // namespace
} // namespace hortivex
