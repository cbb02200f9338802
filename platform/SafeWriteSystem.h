#pragma once

// What the safe write (SafeWrite.cpp) needs to know of the system it runs on, one
// implementation per system (posix/FileSystemPosix.cpp, win/FileSystemWin.cpp). Only the
// platform layer's own files include this header.
#include "platform/FileSystem.h"

#include <filesystem>
#include <optional>

namespace hortivex::safewrite {

// The attributes an existing target must keep, as far as the system has any: nothing for a
// missing file (and nothing at all on Windows, which keeps no modes or owners to carry over).
std::optional<FileAttributes> ExistingAttributes(const std::filesystem::path& target);

// The mode the temporary file is created with (the system takes the umask off on Linux; on
// Windows only whether it has a write bit counts).
int CreationMode(const std::optional<FileAttributes>& existing, int newFileMode);

// Gives the open temporary file the mode and owner the replaced file has, or newFileMode; a
// mode that cannot be set raises FileError naming target, an owner that may not be kept leaves
// the file to the writer.
void KeepAttributes(int fd, const std::filesystem::path& target,
                    const std::optional<FileAttributes>& existing, int newFileMode,
                    int creationMode);

// After the rename of a durable write: the folder's entry flushed to the disk, best effort
// (the data itself is already there).
void SyncFolderOf(const std::filesystem::path& target);

// Whether a failure to create the temporary file means the folder takes no new file (and so an
// existing writable file may be rewritten in place), as opposed to a full disk or I/O error.
bool RefusesNewFiles(int error);

} // namespace hortivex::safewrite
