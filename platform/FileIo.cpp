#include "platform/FileIo.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

#ifdef _WIN32
#include <io.h>
#endif

namespace hortivex {
namespace fs = std::filesystem;

namespace fileio {

#ifdef _WIN32
int StatusOf(int fd, FileStatus& st) {
    return ::_fstat64(fd, &st);
}

bool SeekTo(int fd, std::uint64_t offset) {
    return ::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) >= 0;
}

NativeName::NativeName(const fs::path& path) : name_(path.string()) {}
#else
int StatusOf(int fd, FileStatus& st) {
    return ::fstat(fd, &st);
}

bool SeekTo(int fd, std::uint64_t offset) {
    return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

NativeName::NativeName(const fs::path& path) : name_(path.native()) {}
#endif

bool IsRegular(const FileStatus& st) {
    return (st.st_mode & S_IFMT) == S_IFREG;
}

std::string Reason(int err) {
    return std::strerror(err);
}

void ThrowErrno(int err, const fs::path& path, const char* what) {
    throw FileError(std::string(what) + " " + path.string() + ": " + Reason(err), path, err);
}

void Refuse(const char* what, const fs::path& path, const std::string& reason) {
    throw FileError(std::string(what) + " " + path.string() + ": " + reason, path, 0);
}

void WriteAll(int fd, std::string_view bytes, const fs::path& path) {
    while (!bytes.empty()) {
        errno = 0; // a write that writes nothing leaves errno alone: that counts as EIO
        const auto n = sys::Write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ThrowErrno(errno != 0 ? errno : EIO, path, "Cannot write");
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string ReadUpTo(int fd, const fs::path& path, std::size_t maxBytes) {
    std::string bytes(maxBytes, '\0');
    std::size_t got = 0;
    while (got < maxBytes) {
        const auto n = sys::Read(fd, bytes.data() + got, maxBytes - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowErrno(errno, path, "Cannot read");
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

fs::path FolderOf(const fs::path& target) {
    fs::path folder = target.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

FileDescriptor CreateTemporary(const fs::path& target, int mode, std::string& temp) {
    static std::uint64_t state = static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ull ^
                                 reinterpret_cast<std::uintptr_t>(&temp) ^
                                 static_cast<std::uint64_t>(::time(nullptr));
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if (state == 0)
        state = 1;
    const std::string stem =
        NativeName(FolderOf(target) / (fs::path(".") += target.filename())).c_str();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem + ".hxtmp-";
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::uint64_t bits = state;
        for (int i = 0; i < 6; ++i, bits /= 62)
            name += kLetters[bits % 62];
        const int fd = sys::Open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | kNoInherit | kNoFollow,
                                 static_cast<mode_t>(mode));
        if (fd >= 0) {
            temp = std::move(name);
            return FileDescriptor(fd);
        }
        if (errno != EEXIST)
            break;
    }
    ThrowErrno(errno, target, "Cannot create a temporary file beside");
}

namespace {

// Opens an existing regular file read-only; the type check refuses a folder, FIFO, device or
// socket before any read.
FileDescriptor OpenRegularFile(const fs::path& path, FileStatus& st) {
    FileDescriptor fd(
        sys::Open(NativeName(path).c_str(), O_RDONLY | kNoInherit | kNoWait | kNoTerminal));
    if (fd.get() < 0)
        ThrowErrno(errno, path, "Cannot open");
    if (StatusOf(fd.get(), st) != 0)
        ThrowErrno(errno, path, "Cannot read");
    if (!IsRegular(st))
        Refuse("Cannot read", path, "not a regular file");
    return FileDescriptor(fd.release());
}

} // namespace
} // namespace fileio

using namespace fileio;

std::string ReadFilePrefix(const fs::path& path, std::size_t maxBytes) {
    FileStatus st{};
    FileDescriptor fd = OpenRegularFile(path, st);
    return ReadUpTo(fd.get(), path, maxBytes);
}

std::string ReadRecords(const fs::path& path, std::size_t recordSize, std::size_t maxRecords) {
    FileStatus st{};
    FileDescriptor fd = OpenRegularFile(path, st);
    const auto records = static_cast<std::uintmax_t>(st.st_size) / recordSize;
    if (records > maxRecords)
        Refuse("Cannot read", path,
               "too large for a file of " + std::to_string(recordSize) + "-byte records");
    std::string bytes = ReadUpTo(fd.get(), path, static_cast<std::size_t>(records) * recordSize);
    bytes.resize(bytes.size() / recordSize * recordSize); // a file that shrank meanwhile
    return bytes;
}

} // namespace hortivex
