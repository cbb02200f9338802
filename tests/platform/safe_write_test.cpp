// The safe write under fault injection: every file call of a replace made to fail in turn, for
// each way the program writes a whole file. The target must end as it was or whole with the
// new bytes, with no temporary file beside it, and a failure must be one FileError naming it.
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/RecordFile.h"
#include "platform/SysCalls.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

namespace hortivex {
namespace {
namespace fs = std::filesystem;

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr FileOp kOps[] = {FileOp::Open,   FileOp::Read,      FileOp::Write, FileOp::Sync,
                           FileOp::Rename, FileOp::Close,     FileOp::Chmod, FileOp::Chown,
                           FileOp::Unlink, FileOp::FolderSync};
constexpr int kErrors[] = {ENOSPC, EIO, EACCES};
const std::string kOld = "old contents\r\n";
const std::string kNew = "the new contents, longer than the old\r\n";

using Writer = std::function<void(const fs::path&, const std::string&)>;

// The program's writers of whole files: an export's INI output (read first, not flushed, in
// place where the folder takes no new file), the settings store's file and a record file.
const struct {
    const char* name;
    Writer write;
} kWriters[] = {
    {"output",
     [](const fs::path& path, const std::string& bytes) {
         const OutputFile file = ReadOutputFile(path);
         ReplaceFile(file.target, bytes, file.existing, SafeWrite{-1, false, true});
     }},
    {"durable",
     [](const fs::path& path, const std::string& bytes) { WriteFileAtomically(path, bytes); }},
    {"record file",
     [](const fs::path& path, const std::string& bytes) { ReplaceRecordFile(path, bytes); }},
};

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(SafeWrite, EveryFailingCallLeavesTheOldFileOrTheNewOne) {
    for (const auto& writer : kWriters) {
        for (const bool exists : {true, false}) {
            TempDir clean;
            if (exists)
                WriteFile(clean / "t.dat", kOld);
            ClearFaults();
            writer.write(clean / "t.dat", kNew);
            int counts[std::size(kOps)];
            for (std::size_t o = 0; o < std::size(kOps); ++o)
                counts[o] = FileOpCount(kOps[o]);
            ASSERT_EQ(ReadFile(clean / "t.dat"), kNew);

            for (std::size_t o = 0; o < std::size(kOps); ++o) {
                for (int n = 1; n <= counts[o]; ++n) {
                    for (const int error : kErrors) {
                        SCOPED_TRACE(std::string(writer.name) + (exists ? ", existing" : ", new") +
                                     ": call " + std::to_string(n) + " of op " + std::to_string(o) +
                                     " fails with " + std::strerror(error));
                        TempDir dir;
                        const fs::path target = dir / "t.dat";
                        if (exists)
                            WriteFile(target, kOld);
                        ClearFaults();
                        ScheduleFault(kOps[o], n, error);
                        std::optional<std::string> failure;
                        try {
                            writer.write(target, kNew);
                        } catch (const FileError& e) {
                            failure = e.what();
                            EXPECT_EQ(e.File(), target);
                            EXPECT_NE(failure->find(target.string()), std::string::npos);
                        }
                        ClearFaults();
                        const std::vector<std::string> expected =
                            exists || !failure ? std::vector<std::string>{"t.dat"}
                                               : std::vector<std::string>{};
                        EXPECT_EQ(Names(dir.path()), expected) << "a temporary file is left";
                        if (!failure) {
                            EXPECT_EQ(ReadFile(target), kNew);
                        } else if (exists) {
                            EXPECT_EQ(ReadFile(target), kOld) << *failure;
                        }
                    }
                }
            }
        }
    }
}

// The clean-up failing too: the error is still the one that stopped the write.
TEST(SafeWrite, AFailingCleanUpReportsTheFirstFailure) {
    TempDir dir;
    WriteFile(dir / "t.dat", kOld);
    ClearFaults();
    ScheduleFault(FileOp::Write, 1, ENOSPC);
    ScheduleFault(FileOp::Unlink, 1, EIO);
    try {
        WriteFileAtomically(dir / "t.dat", kNew);
        ADD_FAILURE() << "no failure raised";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Error(), ENOSPC);
        EXPECT_EQ(std::string(e.what()),
                  "Cannot write " + (dir / "t.dat").string() + ": " + std::strerror(ENOSPC));
    }
    ClearFaults();
    EXPECT_EQ(ReadFile(dir / "t.dat"), kOld);
}

} // namespace
} // namespace hortivex
