#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hortivex {

// Every failure below raises FileError (platform/Errors.h) naming the file and the reason.

// Reads at most maxBytes from the start of an existing regular file, opened read-only.
// A shorter file gives fewer bytes. Raises FileError when it cannot be opened,
// is not a regular file (a folder, FIFO, device or socket is never read) or a read fails.
std::string ReadFilePrefix(const std::filesystem::path& path, std::size_t maxBytes);

// Reads the whole records of an existing regular file: its size divided by recordSize, trailing
// bytes that fill no record left out. Raises as ReadFilePrefix does, and when the
// file holds more than maxRecords records (a file too large to be what it claims to be).
std::string ReadRecords(const std::filesystem::path& path, std::size_t recordSize,
                        std::size_t maxRecords);

// The permission bits and owner of an existing file.
struct FileAttributes {
    std::uint32_t mode = 0; // permission bits, 07777
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
};

// An output file as a safe update finds it.
struct OutputFile {
    std::filesystem::path target;           // the path with symbolic links followed
    std::optional<FileAttributes> existing; // set when the target exists
    std::string bytes;                      // its contents
};

// Reads the output file that a safe update will replace, with one open of the target: follows
// symbolic links to the final target, answers its bytes and attributes, or (when it does not
// exist) checks that its folder takes new files. Raises when the output may not be written:
// not a regular file, read-only or not writable by us, unreadable, in a missing folder or in
// one we may not write.
OutputFile ReadOutputFile(const std::filesystem::path& path);

// How a safe write goes about it.
struct SafeWrite {
    int newFileMode = -1; // a new file's mode; -1: 0666 less the umask
    // The data and the folder entry flushed to the disk (fsync), so that the old or the new
    // file survives a power failure too; that costs milliseconds per file.
    bool durable = true;
    // An existing file in a folder that takes no new (temporary) file is rewritten in place
    // (not atomic). Any other failure (a full disk, an I/O error) leaves the file as it was.
    bool inPlaceFallback = false;
};

// The one safe write of the program: bytes go to target through a temporary file in the same
// folder and a rename, so the target is either left as it was or replaced whole, whatever
// happens to the program; on any failure no temporary file stays behind. existing is the
// target as found (ReadOutputFile): an existing file keeps its mode and, where permitted, its
// owner; a new one gets how.newFileMode.
void ReplaceFile(const std::filesystem::path& target, std::string_view bytes,
                 const std::optional<FileAttributes>& existing, const SafeWrite& how);

// The target a whole-file write to path replaces: its symbolic link followed. Raises FileError
// naming path for a folder, another non-regular file, a read-only file or one that cannot be
// examined.
std::filesystem::path WritableTarget(const std::filesystem::path& path);

// ReplaceFile for a target taken as it is now on disk, not followed through links.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         int newFileMode = -1, bool durable = true);

// While one lives (a batch), the facts of the process that file writes need (the file-creation
// mask, the effective user and group) are read once, and those of the folder last written to
// are kept, so that each file costs only the calls a safe update must make. Without one, each
// write finds them itself. Nested scopes share the outermost one's facts.
class FileRunScope {
public:
    FileRunScope();
    ~FileRunScope();
    FileRunScope(const FileRunScope&) = delete;
    FileRunScope& operator=(const FileRunScope&) = delete;

private:
    bool owner_;
};

// Creates one folder level if it does not exist yet; a failure is ignored (it shows later,
// when a file in the folder is used).
void CreateFolderLevel(const std::string& folder);
bool FolderExists(const std::string& folder);

// Follows a chain of symbolic links to the path a write should replace (the final target,
// which may not exist yet). A path that is not a link comes back unchanged.
std::filesystem::path ResolveLinkTarget(const std::filesystem::path& path);

} // namespace hortivex
