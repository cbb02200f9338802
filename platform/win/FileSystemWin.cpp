// The file layer on the C runtime's descriptors through the counted calls, so that fault
// injection reaches every open, read, write, flush and replace as it does on Linux.
#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/win/WinText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <utility>
#include <windows.h>

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
            _close(fd_);
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
        const ssize_t n = sys::Write(fd, bytes.data(), bytes.size());
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Opens an existing regular file read-only; a folder or device is refused before any read.
FileDescriptor OpenRegularFile(const fs::path& path, std::uintmax_t& size) {
    FileDescriptor fd(sys::Open(path.string().c_str(), _O_RDONLY));
    if (fd.get() < 0)
        throw InOutError("Cannot open " + path.string() + ": " + Reason(errno));
    struct _stat64 st {};
    if (_fstat64(fd.get(), &st) != 0)
        throw InOutError("Cannot read " + path.string() + ": " + Reason(errno));
    if ((st.st_mode & _S_IFMT) != _S_IFREG)
        throw InOutError("Cannot read " + path.string() + ": not a regular file");
    size = static_cast<std::uintmax_t>(st.st_size);
    return FileDescriptor(fd.release());
}

std::string ReadUpTo(int fd, const fs::path& path, std::size_t maxBytes) {
    std::string bytes(maxBytes, '\0');
    std::size_t got = 0;
    while (got < maxBytes) {
        const ssize_t n = sys::Read(fd, bytes.data() + got, maxBytes - got);
        if (n < 0)
            throw InOutError("Cannot read " + path.string() + ": " + Reason(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

[[noreturn]] void ThrowErrno(int err, const fs::path& path, const char* what) {
    throw std::system_error(err, std::generic_category(), std::string(what) + " " + path.string());
}

} // namespace

std::string ReadFilePrefix(const fs::path& path, std::size_t maxBytes) {
    std::uintmax_t size = 0;
    FileDescriptor fd = OpenRegularFile(path, size);
    return ReadUpTo(fd.get(), path, maxBytes);
}

std::string ReadRecords(const fs::path& path, std::size_t recordSize, std::size_t maxRecords) {
    std::uintmax_t size = 0;
    FileDescriptor fd = OpenRegularFile(path, size);
    const std::uintmax_t records = size / recordSize;
    if (records > maxRecords)
        throw InOutError("Cannot read " + path.string() + ": too large for a file of " +
                         std::to_string(recordSize) + "-byte records");
    std::string bytes = ReadUpTo(fd.get(), path, static_cast<std::size_t>(records) * recordSize);
    bytes.resize(bytes.size() / recordSize * recordSize); // a file that shrank meanwhile
    return bytes;
}

bool WriteFileInPlace(const fs::path& target, std::string_view bytes) {
    FileDescriptor fd(sys::Open(target.string().c_str(), _O_WRONLY | _O_TRUNC));
    if (fd.get() < 0)
        return false;
    const bool written = WriteAll(fd.get(), bytes) && sys::Fsync(fd.get()) == 0;
    return _close(fd.release()) == 0 && written;
}

void CreateFolderLevel(const std::string& folder) {
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
}

bool FolderExists(const std::string& folder) {
    const DWORD attributes = GetFileAttributesW(Widen(folder).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The file calls follow symbolic links and junctions themselves.
fs::path ResolveLinkTarget(const fs::path& path) {
    return path;
}

// The new file gets the folder's inherited permissions: Windows has no mode bits to carry
// over beyond read-only, and a replaced file was writable to begin with.
void WriteFileAtomically(const fs::path& target, std::string_view bytes, int newFileMode,
                         bool durable) {
    (void)newFileMode;
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".hxtmp-XXXXXX")).string();
    FileDescriptor fd(sys::Mkstemp(pattern.data()));
    if (fd.get() < 0)
        throw TempFileError(errno, std::generic_category(),
                            "Cannot create a temporary file beside " + target.string());
    const std::wstring temp = WidenAny(pattern);
    auto fail = [&](int err, const char* what) {
        if (fd.get() >= 0)
            _close(fd.release());
        DeleteFileW(temp.c_str());
        ThrowErrno(err, target, what);
    };
    if (!WriteAll(fd.get(), bytes))
        fail(errno ? errno : EIO, "Cannot write");
    if (durable && sys::Fsync(fd.get()) != 0)
        fail(errno, "Cannot flush");
    if (_close(fd.release()) != 0)
        fail(errno, "Cannot close");
    if (sys::Rename(pattern.c_str(), target.string().c_str()) != 0)
        fail(errno, "Cannot replace");
}

} // namespace hortivex
