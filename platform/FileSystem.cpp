#include "platform/FileSystem.h"

#include "platform/Errors.h"
#include "platform/FaultInjection.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace hortivex {
namespace fs = std::filesystem;

namespace {

std::string Reason(int err) {
    return std::strerror(err);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = sys::Write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

[[noreturn]] void ThrowErrno(int err, const fs::path& path, const char* what) {
    throw std::system_error(err, std::generic_category(), std::string(what) + " " + path.string());
}

} // namespace

namespace {

// Opens an existing regular file read-only. O_NONBLOCK keeps the open of a FIFO from waiting
// for a writer; the type check then refuses it before any read.
FileDescriptor OpenRegularFile(const fs::path& path, struct stat& st) {
    FileDescriptor fd(sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        throw InOutError("Cannot open " + path.string() + ": " + Reason(errno));
    if (::fstat(fd.get(), &st) != 0)
        throw InOutError("Cannot read " + path.string() + ": " + Reason(errno));
    if (!S_ISREG(st.st_mode))
        throw InOutError("Cannot read " + path.string() + ": not a regular file");
    return FileDescriptor(fd.release());
}

std::string ReadUpTo(int fd, const fs::path& path, std::size_t maxBytes) {
    std::string bytes(maxBytes, '\0');
    std::size_t got = 0;
    while (got < maxBytes) {
        ssize_t n = sys::Read(fd, bytes.data() + got, maxBytes - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw InOutError("Cannot read " + path.string() + ": " + Reason(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

} // namespace

std::string ReadFilePrefix(const fs::path& path, std::size_t maxBytes) {
    struct stat st {};
    FileDescriptor fd = OpenRegularFile(path, st);
    return ReadUpTo(fd.get(), path, maxBytes);
}

std::string ReadRecords(const fs::path& path, std::size_t recordSize, std::size_t maxRecords) {
    struct stat st {};
    FileDescriptor fd = OpenRegularFile(path, st);
    const auto records = static_cast<std::uintmax_t>(st.st_size) / recordSize;
    if (records > maxRecords)
        throw InOutError("Cannot read " + path.string() + ": too large for a file of " +
                         std::to_string(recordSize) + "-byte records");
    std::string bytes = ReadUpTo(fd.get(), path, static_cast<std::size_t>(records) * recordSize);
    bytes.resize(bytes.size() / recordSize * recordSize); // a file that shrank meanwhile
    return bytes;
}

bool WriteFileInPlace(const fs::path& target, std::string_view bytes) {
    FileDescriptor fd(sys::Open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return false;
    const bool written = WriteAll(fd.get(), bytes) && sys::Fsync(fd.get()) == 0;
    return ::close(fd.release()) == 0 && written;
}

void CreateFolderLevel(const std::string& folder) {
    ::mkdir(folder.c_str(), 0777);
}

bool FolderExists(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

fs::path ResolveLinkTarget(const fs::path& path) {
    fs::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(current, ec)))
            return current;
        fs::path next = fs::read_symlink(current, ec);
        if (ec)
            return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    ThrowErrno(ELOOP, path, "Cannot resolve");
}

void WriteFileAtomically(const fs::path& target, std::string_view bytes, int newFileMode,
                         bool durable) {
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string name = ".";
    name += target.filename().string();
    name += ".hxtmp-XXXXXX";
    std::string pattern = (folder / name).string();
    FileDescriptor fd(sys::Mkstemp(pattern.data()));
    if (fd.get() < 0)
        throw TempFileError(errno, std::generic_category(),
                            "Cannot create a temporary file beside " + target.string());
    const fs::path temp = pattern;
    auto fail = [&](int err, const char* what) {
        ::unlink(temp.c_str());
        ThrowErrno(err, target, what);
    };

    struct stat existing {};
    mode_t mode;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
        // Keep the owner when we may (running as root on someone else's file).
        if (::fchown(fd.get(), existing.st_uid, existing.st_gid) != 0) {
            // Not permitted for an ordinary user: the file then belongs to the writer.
        }
    } else if (newFileMode >= 0) {
        mode = static_cast<mode_t>(newFileMode);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd.get(), mode) != 0)
        fail(errno, "Cannot set the mode of");
    if (!WriteAll(fd.get(), bytes))
        fail(errno ? errno : EIO, "Cannot write");
    if (durable && sys::Fsync(fd.get()) != 0)
        fail(errno, "Cannot flush");
    if (::close(fd.release()) != 0)
        fail(errno, "Cannot close");
    if (sys::Rename(temp.c_str(), target.c_str()) != 0)
        fail(errno, "Cannot replace");
    if (!durable)
        return;
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get()); // best effort: the data itself is already on disk
}

} // namespace hortivex
