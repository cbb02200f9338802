// Every file operation of a conversion, of the options file and of the settings store made to
// fail once, at each call in turn: the disk must end up as before or as after a clean run,
// never in between.
#include "app/Driver.h"
#include "export/IniOutput.h"
#include "options/Options.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/RegistryStore.h"
#include "platform/SysCalls.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <set>

namespace hortivex {
namespace {
namespace fs = std::filesystem;

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr FileOp kOps[] = {FileOp::Open, FileOp::Read, FileOp::Write, FileOp::Sync, FileOp::Rename};
constexpr int kErrors[] = {ENOSPC, EIO, EACCES};

const char* OpName(FileOp op) {
    switch (op) {
    case FileOp::Open:
        return "open";
    case FileOp::Read:
        return "read";
    case FileOp::Write:
        return "write";
    case FileOp::Sync:
        return "fsync";
    case FileOp::Rename:
        return "rename";
    case FileOp::Close:
        return "close";
    case FileOp::Chmod:
        return "fchmod";
    case FileOp::Chown:
        return "fchown";
    case FileOp::Unlink:
        return "unlink";
    case FileOp::FolderSync:
        return "folder fsync";
    }
    return "?";
}

using Counts = std::array<int, std::size(kOps)>;

Counts CountCalls() {
    Counts counts{};
    for (std::size_t i = 0; i < std::size(kOps); ++i)
        counts[i] = FileOpCount(kOps[i]);
    return counts;
}

// Every regular file of a folder with its bytes; a file that is absent has no entry.
using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const fs::path& folder) {
    Snapshot files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadFile(entry.path());
    return files;
}

std::optional<std::string> Find(const Snapshot& files, const std::string& name) {
    const auto it = files.find(name);
    return it == files.end() ? std::nullopt : std::optional(it->second);
}

void ExpectNoTemporaryFile(const Snapshot& files) {
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(name.find(".hxtmp-"), std::string::npos) << "left behind: " << name;
}

struct FakeProgress : ProgressView {
    void SetMaximum(int m) override { maximum = m; }
    int Maximum() const override { return maximum; }
    void SetPosition(int) override {}
    void ProcessPendingEvents() override {}
    int maximum = 100;
};

struct FakeMessages : Messages {
    void Information(const std::string& text) override { infos.push_back(text); }
    void Error(const std::string& text, const std::string&) override { errors.push_back(text); }
    void Plain(const std::string&) override {}
    std::vector<std::string> infos, errors;
};

// One file of each kind; the settings file selects mS/cm (no EC unit bit in SetBool2), so its
// export also writes the options file.
const char* const kInputs[] = {"a.fvs", "b.avs", "c.ava", "d.fvd"};
const char* const kOptionsFile = "_HX.ini";
const std::string kOldOutput = "[Climate]\r\nUploadedBy=me\r\n"; // b.avs.ini before the batch

std::string Pattern(std::size_t size, int seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 37 + static_cast<std::size_t>(seed)) & 0xFF);
    return bytes;
}

void MakeInputs(const fs::path& folder) {
    std::string fvs = Pattern(118, 5);
    fvs[2] = '\0';
    WriteFile(folder / "a.fvs", fvs);
    WriteFile(folder / "b.avs", Pattern(177, 11));
    WriteFile(folder / "c.ava", Pattern(40, 17));
    // One 16-byte day whose last five bytes are zero: a read error on the current layout falls
    // back to the legacy 12-byte layout by design, and this day reads the same in both.
    WriteFile(folder / "d.fvd", test::FromHex("0100000032"
                                              "1e14b9002c01"
                                              "0000000000"));
    WriteFile(folder / "b.avs.ini", kOldOutput);
}

struct BatchResult {
    bool converted = false;
    FakeMessages messages;
    std::vector<std::string> failed;
};

BatchResult RunBatch(const fs::path& folder) {
    ResetProcessState(); // the options are loaded (and written) again by this batch
    Process().workingFolder = folder.string() + "/";
    FakeProgress progress;
    BatchResult result;
    auto store = MakeMemorySettingsStore();
    ConversionDriver driver(progress, result.messages, *store, folder);
    driver.onFailed = [&](const fs::path& path, const std::string&) {
        result.failed.push_back(path.filename().string());
    };
    std::vector<fs::path> files;
    for (const char* name : kInputs)
        files.push_back(folder / name);
    result.converted = driver.ConvertBatch(files);
    return result;
}

TEST(FaultInjection, BatchEndsAsBeforeOrAsAfterACleanRun) {
    TempDir cleanDir;
    MakeInputs(cleanDir.path());
    ClearFaults();
    ASSERT_TRUE(RunBatch(cleanDir.path()).converted);
    const Counts counts = CountCalls();
    const Snapshot clean = Take(cleanDir.path());
    ASSERT_TRUE(clean.count(kOptionsFile));
    ASSERT_NE(clean.at("b.avs.ini").find("UploadedBy=me\r\n"), std::string::npos);

    for (std::size_t o = 0; o < std::size(kOps); ++o) {
        int failures = 0;
        for (int error : kErrors) {
            for (int n = 1; n <= counts[o]; ++n) {
                SCOPED_TRACE(std::string(OpName(kOps[o])) + " call " + std::to_string(n) +
                             " fails with " + std::strerror(error));
                TempDir dir;
                MakeInputs(dir.path());
                const Snapshot before = Take(dir.path());
                ClearFaults();
                ScheduleFault(kOps[o], n, error);
                const BatchResult run = RunBatch(dir.path());
                ClearFaults();
                const Snapshot after = Take(dir.path());
                ExpectNoTemporaryFile(after);

                if (run.converted) {
                    EXPECT_TRUE(run.messages.errors.empty());
                    EXPECT_EQ(run.messages.infos, std::vector<std::string>{kSuccessMessage});
                    EXPECT_EQ(after, clean);
                    continue;
                }
                ++failures;
                EXPECT_EQ(run.messages.errors, std::vector<std::string>{kFailureMessage});
                EXPECT_TRUE(run.messages.infos.empty());
                ASSERT_EQ(run.failed.size(), 1u);
                const auto failing =
                    std::find(std::begin(kInputs), std::end(kInputs), run.failed[0]) -
                    std::begin(kInputs);
                // Each file is whole: as it was, or as the clean run left it.
                std::set<std::string> names;
                for (const Snapshot* s : {&before, &after, &clean})
                    for (const auto& entry : *s)
                        names.insert(entry.first);
                for (const std::string& name : names) {
                    const auto now = Find(after, name);
                    EXPECT_TRUE(now == Find(before, name) || now == Find(clean, name)) << name;
                }
                for (std::ptrdiff_t i = 0; i < std::ssize(kInputs); ++i) {
                    const std::string output = std::string(kInputs[i]) + ".ini";
                    if (i < failing) {
                        EXPECT_EQ(Find(after, output), Find(clean, output)) << output;
                    } else if (i > failing) {
                        EXPECT_EQ(Find(after, output), Find(before, output)) << output;
                    }
                }
            }
        }
        if (counts[o] > 0) {
            EXPECT_GT(failures, 0) << OpName(kOps[o]) << ": no injected fault had any effect";
        }
    }
}

// Loads the options (and so writes a missing options file) in a fresh process state.
void LoadOptions(const fs::path& folder) {
    ResetProcessState();
    Process().workingFolder = folder.string() + "/";
    GetOptions();
}

TEST(FaultInjection, OptionsFileIsWholeOrAbsent) {
    const std::string existing = "[Options]\r\nAlarmStyle=2\r\n";
    for (const bool fileExists : {false, true}) {
        SCOPED_TRACE(fileExists ? "options file exists" : "no options file yet");
        TempDir cleanDir;
        if (fileExists)
            WriteFile(cleanDir / kOptionsFile, existing);
        ClearFaults();
        LoadOptions(cleanDir.path());
        const Counts counts = CountCalls();
        ASSERT_GT(counts[0], 0) << "the options were loaded without opening a file";
        const Snapshot clean = Take(cleanDir.path());

        for (std::size_t o = 0; o < std::size(kOps); ++o) {
            for (int error : kErrors) {
                for (int n = 1; n <= counts[o]; ++n) {
                    SCOPED_TRACE(std::string(OpName(kOps[o])) + " call " + std::to_string(n) +
                                 " fails with " + std::strerror(error));
                    TempDir dir;
                    if (fileExists)
                        WriteFile(dir / kOptionsFile, existing);
                    const Snapshot before = Take(dir.path());
                    ClearFaults();
                    ScheduleFault(kOps[o], n, error);
                    EXPECT_THROW(LoadOptions(dir.path()), HxError);
                    ClearFaults();
                    EXPECT_EQ(Take(dir.path()), before);
                    EXPECT_FALSE(Process().options) << "a failed load keeps no options";
                    // The next load tries again and succeeds.
                    EXPECT_NO_THROW(LoadOptions(dir.path()));
                    EXPECT_EQ(Take(dir.path()), clean);
                    EXPECT_EQ(GetOptions().AlarmStyle, fileExists ? 2 : 0);
                }
            }
        }
    }
}

TEST(FaultInjection, SettingsStoreFileIsNeverHalfWritten) {
    const std::string stored = "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Brenmoor Systems\\Hortivex]\r\n"
                               "\"WorkingDir\"=\"/old/\"\r\n";
    auto write = [](const fs::path& file) {
        MakeRegistryStore(file, std::nullopt)
            ->WriteString(RegistryRoot::CurrentUser, kSettingsKey, kWorkingDirValue, "/new/");
    };
    TempDir cleanDir;
    WriteFile(cleanDir / "user.reg", stored);
    ClearFaults();
    write(cleanDir / "user.reg");
    const Counts counts = CountCalls();
    ASSERT_GT(counts[2], 0) << "nothing was written";
    ASSERT_NE(ReadFile(cleanDir / "user.reg").find("/new/"), std::string::npos);

    for (std::size_t o = 0; o < std::size(kOps); ++o) {
        for (int error : kErrors) {
            for (int n = 1; n <= counts[o]; ++n) {
                SCOPED_TRACE(std::string(OpName(kOps[o])) + " call " + std::to_string(n) +
                             " fails with " + std::strerror(error));
                TempDir dir;
                WriteFile(dir / "user.reg", stored);
                auto store = MakeRegistryStore(dir / "user.reg", std::nullopt);
                ClearFaults();
                ScheduleFault(kOps[o], n, error);
                EXPECT_THROW(store->WriteString(RegistryRoot::CurrentUser, kSettingsKey,
                                                kWorkingDirValue, "/new/"),
                             HxError);
                ClearFaults();
                EXPECT_EQ(Take(dir.path()), (Snapshot{{"user.reg", stored}}));
                // The failed change is not kept in memory either.
                EXPECT_NE(
                    store->ReadString(RegistryRoot::CurrentUser, kSettingsKey, kWorkingDirValue),
                    "/new/");
            }
        }
    }
}

// An existing output in a folder that takes no new file is rewritten in place; when the new
// file fails for any other reason (a full disk) the old output must stay whole, so a second
// fault during the write cannot leave it truncated.
TEST(FaultInjection, InPlaceRewriteOnlyWhenTheFolderRefusesNewFiles) {
    const struct {
        int error;
        bool rewritten;
    } cases[] = {{EACCES, true}, {EPERM, true}, {ENOSPC, false}, {EIO, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::strerror(c.error));
        TempDir dir;
        WriteFile(dir / "out.ini", kOldOutput);
        IniOutput out(dir / "out.ini");
        out.WriteEntry("Climate", "SetBool0", "1"); // loads the existing file
        ClearFaults();
        ScheduleFault(FileOp::Open, 1, c.error); // the temporary file
        if (c.rewritten) {
            EXPECT_NO_THROW(out.Close());
            EXPECT_EQ(ReadFile(dir / "out.ini"), kOldOutput + "SetBool0=1\r\n");
        } else {
            ScheduleFault(FileOp::Write, 1, ENOSPC); // would hit a rewrite in place
            EXPECT_THROW(out.Close(), HxError);
            EXPECT_EQ(ReadFile(dir / "out.ini"), kOldOutput);
        }
        ExpectNoTemporaryFile(Take(dir.path()));
    }
}

} // namespace
} // namespace hortivex
