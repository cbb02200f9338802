#pragma once

// The descriptor-level file code of the platform layer, the same on every system: it goes
// through the counted sys:: calls, so that fault injection reaches it everywhere. Only the
// platform layer's own files include this header.
#include "platform/SysCalls.h"

#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace hortivex::fileio {

#ifdef _WIN32
// The Windows C runtime has none of these: sys::Open never lets a descriptor be inherited, an
// open never waits and there are no terminals to acquire or links to refuse.
inline constexpr int kNoInherit = 0;
inline constexpr int kNoWait = 0;
inline constexpr int kNoTerminal = 0;
inline constexpr int kNoFollow = 0;
using FileStatus = struct _stat64;
#else
inline constexpr int kNoInherit = O_CLOEXEC;
inline constexpr int kNoWait = O_NONBLOCK; // a FIFO's open does not wait for a writer
inline constexpr int kNoTerminal = O_NOCTTY;
inline constexpr int kNoFollow = O_NOFOLLOW;
using FileStatus = struct stat;
#endif

// The status of an open file: 0, or -1 with errno set.
int StatusOf(int fd, FileStatus& st);
bool IsRegular(const FileStatus& st);
// Moves fd to offset bytes from the start: false with errno set on failure.
bool SeekTo(int fd, std::uint64_t offset);

// A path as the file calls take it: the path's own text on Linux, a narrow copy on Windows.
// On Linux it refers to the path, so it must not outlive it (use it within one expression).
class NativeName {
public:
    explicit NativeName(const std::filesystem::path& path);
    const char* c_str() const { return name_.c_str(); }

private:
#ifdef _WIN32
    std::string name_;
#else
    const std::string& name_;
#endif
};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            sys::Close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::string Reason(int err);
// Raises FileError "<what> <path>: <the system's text for err>".
[[noreturn]] void ThrowErrno(int err, const std::filesystem::path& path, const char* what);
// Raises FileError "<what> <path>: <reason>" for a refusal that no system call reported.
[[noreturn]] void Refuse(const char* what, const std::filesystem::path& path,
                         const std::string& reason);

// Writes all bytes; raises FileError "Cannot write <path>" when a write fails or writes nothing.
void WriteAll(int fd, std::string_view bytes, const std::filesystem::path& path);
// Reads up to maxBytes; raises FileError naming path when a read fails.
std::string ReadUpTo(int fd, const std::filesystem::path& path, std::size_t maxBytes);

// The folder of target, "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& target);

// A temporary file beside target, created with mode (less the umask, on Linux):
// ".<name>.hxtmp-XXXXXX"; temp receives its name as the file calls take it. Raises FileError
// "Cannot create a temporary file beside <target>" when none can be made.
FileDescriptor CreateTemporary(const std::filesystem::path& target, int mode, std::string& temp);

} // namespace hortivex::fileio
