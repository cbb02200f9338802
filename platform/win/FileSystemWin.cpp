// The Windows file layer: the shared descriptor-level code of FileIo and the safe write over the
// C runtime's descriptors, checks through Examine, folders through the wide Win32 calls.
#include "platform/FileIo.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/SafeWriteSystem.h"
#include "platform/win/WinText.h"

#include <cerrno>
#include <windows.h>

namespace hortivex {
namespace fs = std::filesystem;
using namespace fileio;

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

namespace safewrite {

// Windows has no mode bits to carry over beyond read-only, and a replaced file was writable to
// begin with: a new file is read-only only when newFileMode has no write bit, and otherwise
// gets the folder's inherited permissions. Owners are left to the system.
std::optional<FileAttributes> ExistingAttributes(const fs::path&) {
    return std::nullopt;
}

int CreationMode(const std::optional<FileAttributes>& existing, int newFileMode) {
    return existing || newFileMode < 0 ? 0666 : newFileMode;
}

void KeepAttributes(int, const fs::path&, const std::optional<FileAttributes>&, int, int) {}

// The rename wrote the folder's entry through to the disk itself.
void SyncFolderOf(const fs::path&) {}

} // namespace safewrite

OutputFile ReadOutputFile(const fs::path& path) {
    OutputFile out;
    out.target = path;
    const PathInfo info = Examine(path);
    switch (info.kind) {
    case PathKind::Missing: {
        const PathInfo folder = Examine(FolderOf(path));
        if (folder.kind != PathKind::Folder || !folder.writable)
            ThrowErrno(EACCES, path, "Cannot create");
        return out;
    }
    case PathKind::File:
        if (!info.writable)
            ThrowErrno(EACCES, path, "Cannot write");
        break;
    case PathKind::Unknown:
        ThrowErrno(EACCES, path, "Cannot open");
    default:
        ThrowErrno(EISDIR, path, "Not a regular file:");
    }
    out.bytes = ReadFilePrefix(path, static_cast<std::size_t>(info.size));
    out.existing = FileAttributes{0666, 0, 0};
    return out;
}

// Windows has no file-creation mask or owners for a run to remember.
FileRunScope::FileRunScope() : owner_(false) {}

FileRunScope::~FileRunScope() = default;

} // namespace hortivex
