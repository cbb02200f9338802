#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

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
    EXPECT_THROW(WriteFileAtomically(dir / "no" / "t", "x"), TempFileError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

} // namespace
} // namespace hortivex
