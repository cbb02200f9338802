#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace hortivex {

// Raised by WriteFileAtomically when no temporary file can be created beside the target;
// nothing has been changed on disk then.
class TempFileError : public std::system_error {
public:
    using std::system_error::system_error;
};

// Reads at most maxBytes from the start of an existing regular file, opened read-only.
// A shorter file gives fewer bytes. Raises HxError naming the file when it cannot be opened,
// is not a regular file (a folder, FIFO, device or socket is never read) or a read fails.
std::string ReadFilePrefix(const std::filesystem::path& path, std::size_t maxBytes);

// Reads the whole records of an existing regular file: its size divided by recordSize, trailing
// bytes that fill no record left out. Raises InOutError as ReadFilePrefix does, and when the
// file holds more than maxRecords records (a file too large to be what it claims to be).
std::string ReadRecords(const std::filesystem::path& path, std::size_t recordSize,
                        std::size_t maxRecords);

// Writes bytes to target through a temporary file in the same folder and a rename, so the
// target is either left as it was or replaced whole, whatever happens to the program. With
// `durable` the data and the folder entry are also flushed to the disk (fsync), so that the
// same holds across a power failure; that costs milliseconds per file. A new file gets mode 0666
// less the umask, or `newFileMode` when given; an existing file keeps its mode. Raises
// TempFileError when no temporary file can be made, std::system_error for any later step.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         int newFileMode = -1, bool durable = true);

// Truncates an existing file and writes bytes into it: for a file in a folder that takes no new
// (temporary) file. Not atomic. Answers false on any failure.
bool WriteFileInPlace(const std::filesystem::path& target, std::string_view bytes);

// Creates one folder level if it does not exist yet; a failure is ignored (it shows later,
// when a file in the folder is used).
void CreateFolderLevel(const std::string& folder);
bool FolderExists(const std::string& folder);

// Follows a chain of symbolic links to the path a write should replace (the final target,
// which may not exist yet). A path that is not a link comes back unchanged.
std::filesystem::path ResolveLinkTarget(const std::filesystem::path& path);

} // namespace hortivex
