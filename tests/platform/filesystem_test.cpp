#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace hortivex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(ReadFilePrefix, ReadsAtMostTheAskedBytes) {
    TempDir dir;
    WriteFile(dir / "f", "abcdef");
    EXPECT_EQ(ReadFilePrefix(dir / "f", 4), "abcd");
    EXPECT_EQ(ReadFilePrefix(dir / "f", 100), "abcdef");
    WriteFile(dir / "empty", "");
    EXPECT_EQ(ReadFilePrefix(dir / "empty", 10), "");
}

TEST(ReadFilePrefix, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "sock").string();
    socketPath.copy(addr.sun_path, sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    for (const auto& path : {dir / "folder", dir / "fifo", dir / "dangling", dir / "sock",
                             dir / "missing", std::filesystem::path("/dev/zero")}) {
        try {
            ReadFilePrefix(path, 10);
            ADD_FAILURE() << path << " was read";
        } catch (const HxError& e) {
            EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos);
        }
    }
    ::close(sock);
}

TEST(WriteFileAtomically, ReplacesWholeAndKeepsTheMode) {
    TempDir dir;
    WriteFile(dir / "t", "old");
    ::chmod((dir / "t").c_str(), 0604);
    WriteFileAtomically(dir / "t", "new bytes");
    EXPECT_EQ(ReadFile(dir / "t"), "new bytes");
    struct stat st {};
    ::stat((dir / "t").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0604u);

    WriteFileAtomically(dir / "secret", "x", 0600);
    ::stat((dir / "secret").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(WriteFileAtomically, MissingFolderChangesNothing) {
    TempDir dir;
    EXPECT_THROW(WriteFileAtomically(dir / "no" / "t", "x"), FileError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// The mode a replaced or new file ends with, inside a run (umask read once, the mode set only
// where creation would not give it) and outside one.
struct ModeCase {
    mode_t umask;
    int existing; // -1: no file yet
    int newFileMode;
    mode_t expected;
};

TEST(ReplaceFile, EndsWithTheModeItMustHave) {
    const ModeCase cases[] = {
        {022, 0604, -1, 0604},   {027, 0646, -1, 0646}, {0277, 0644, -1, 0644},
        {022, 02750, -1, 02750}, {077, -1, -1, 0600},   {022, -1, -1, 0644},
        {0277, -1, 0600, 0600},  {022, -1, 0600, 0600}, {0, 0640, 0600, 0640}};
    const mode_t saved = ::umask(022);
    // The kernel drops the set-group-ID bit of a file whose group its owner is not in (for
    // example a file taking a folder's group); that loss is the system's, not the code's.
    const auto setgidKept = [](const std::filesystem::path& folder) {
        const auto probe = folder / "probe";
        WriteFile(probe, "");
        ::chmod(probe.c_str(), 02750);
        struct stat st {};
        ::stat(probe.c_str(), &st);
        std::filesystem::remove(probe);
        return (st.st_mode & S_ISGID) != 0;
    };
    for (bool inRun : {false, true}) {
        for (const ModeCase& c : cases) {
            TempDir dir;
            const auto path = dir / "f.ini";
            if (c.existing >= 0) {
                WriteFile(path, "old");
                ::chmod(path.c_str(), static_cast<mode_t>(c.existing));
            }
            ::umask(c.umask);
            {
                std::optional<FileRunScope> run;
                if (inRun)
                    run.emplace();
                const OutputFile file = ReadOutputFile(path);
                ReplaceFile(file.target, "new", file.existing,
                            SafeWrite{c.newFileMode, false, false});
            }
            ::umask(022);
            struct stat st {};
            ::stat(path.c_str(), &st);
            const mode_t expected = setgidKept(dir.path()) ? c.expected : c.expected & ~S_ISGID;
            EXPECT_EQ(st.st_mode & 07777, expected)
                << std::oct << "umask " << c.umask << ", existing " << c.existing << ", run "
                << inRun;
            EXPECT_EQ(ReadFile(path), "new");
        }
    }
    ::umask(saved);
}

// As the superuser: someone else's file keeps its owner, also in a folder whose files take its
// group.
TEST(ReplaceFile, KeepsTheOwnerOfTheFileItReplaces) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs the superuser";
    TempDir dir;
    const auto shared = dir / "shared";
    std::filesystem::create_directory(shared);
    ::chown(shared.c_str(), 0, 1234);
    ::chmod(shared.c_str(), 02775);
    const std::pair<std::filesystem::path, std::pair<uid_t, gid_t>> files[] = {
        {dir / "theirs.ini", {1234, 1234}},
        {dir / "ours.ini", {0, 0}},
        {shared / "ours.ini", {0, 0}}};
    const FileRunScope run;
    for (const auto& [path, owner] : files) {
        WriteFile(path, "old");
        ::chown(path.c_str(), owner.first, owner.second);
        const OutputFile file = ReadOutputFile(path);
        ReplaceFile(file.target, "new", file.existing, SafeWrite{-1, false, false});
        struct stat st {};
        ::stat(path.c_str(), &st);
        EXPECT_EQ(st.st_uid, owner.first) << path;
        EXPECT_EQ(st.st_gid, owner.second) << path;
    }
}

} // namespace
} // namespace hortivex
