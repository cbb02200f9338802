// The Windows file layer: the shared descriptor-level code of FileIo over the C runtime's
// descriptors, checks through Examine, folders through the wide Win32 calls.
#include "platform/FileIo.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/win/WinText.h"

#include <cerrno>
#include <windows.h>

// windows.h names its own ReplaceFile so; this file defines the one of FileSystem.h.
#undef ReplaceFile

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

namespace {

// Windows has no mode bits to carry over beyond read-only, and a replaced file was writable to
// begin with: a new file is read-only only when newFileMode has no write bit, and otherwise
// gets the folder's inherited permissions. Owners are left to the system.
void WriteThroughTemporary(const fs::path& target, std::string_view bytes, int newFileMode,
                           bool durable) {
    std::string temp;
    FileDescriptor fd = CreateTemporary(target, newFileMode >= 0 ? newFileMode : 0666, temp);
    auto fail = [&](int err, const char* what) {
        if (fd.get() >= 0)
            Close(fd.release());
        DeleteFileW(WidenAny(temp).c_str());
        ThrowErrno(err, target, what);
    };
    if (!WriteAll(fd.get(), bytes))
        fail(errno ? errno : EIO, "Cannot write");
    if (durable && sys::Fsync(fd.get()) != 0)
        fail(errno, "Cannot flush");
    if (Close(fd.release()) != 0)
        fail(errno, "Cannot close");
    if (sys::Rename(temp.c_str(), NativeName(target).c_str()) != 0)
        fail(errno, "Cannot replace");
}

} // namespace

void WriteFileAtomically(const fs::path& target, std::string_view bytes, int newFileMode,
                         bool durable) {
    WriteThroughTemporary(target, bytes, newFileMode, durable);
}

void ReplaceFile(const fs::path& target, std::string_view bytes,
                 const std::optional<FileAttributes>& existing, int newFileMode) {
    WriteThroughTemporary(target, bytes, existing ? 0666 : newFileMode, false);
}

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
