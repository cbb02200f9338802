// The safe write, the same on every system: the system's own parts come from SafeWriteSystem.h,
// every file call goes through the counted sys:: calls.
#include "platform/Errors.h"
#include "platform/FileIo.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/SafeWriteSystem.h"
#include "platform/StreamingOutput.h"

#include <cerrno>
#include <optional>
#include <string>

namespace hortivex {
namespace fs = std::filesystem;
using namespace fileio;

namespace safewrite {

bool RefusesNewFiles(int error) {
    return error == EACCES || error == EPERM;
}

// The temporary file until it is renamed over the target: closed and deleted on any failure.
class Temporary {
public:
    // Creates the temporary file beside target; raises FileError when none can be made.
    Temporary(const fs::path& target, int mode)
        : target_(target), fd_(CreateTemporary(target, mode, name_)) {}
    ~Temporary() {
        if (committed_)
            return;
        if (fd_.get() >= 0)
            sys::Close(fd_.release());
        sys::Unlink(name_.c_str()); // a failure here leaves a file no one reads
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    int fd() const { return fd_.get(); }
    void Write(std::string_view bytes) {
        if (fd_.get() < 0)
            Refuse("Cannot write", target_, "the output is not open");
        if (!bytes.empty())
            WriteAll(fd_.get(), bytes, target_);
    }
    // Flushes (when durable), closes and renames the file over the target.
    void Commit(bool durable) {
        if (fd_.get() < 0)
            Refuse("Cannot write", target_, "the output is not open");
        if (durable && sys::Fsync(fd_.get()) != 0)
            ThrowErrno(errno, target_, "Cannot flush");
        if (sys::Close(fd_.release()) != 0)
            ThrowErrno(errno, target_, "Cannot close");
        if (sys::Rename(name_.c_str(), NativeName(target_).c_str()) != 0)
            ThrowErrno(errno, target_, "Cannot replace");
        committed_ = true;
        if (durable)
            SyncFolderOf(target_);
    }

private:
    fs::path target_;
    std::string name_; // set by CreateTemporary, before fd_
    FileDescriptor fd_;
    bool committed_ = false;
};

} // namespace safewrite

namespace {

// Truncates the existing target and writes bytes into it, flushed to the disk.
void WriteInPlace(const fs::path& target, std::string_view bytes) {
    FileDescriptor fd(
        sys::Open(NativeName(target).c_str(), O_WRONLY | O_TRUNC | kNoInherit | kNoTerminal));
    if (fd.get() < 0)
        ThrowErrno(errno, target, "Cannot open");
    WriteAll(fd.get(), bytes, target);
    if (sys::Fsync(fd.get()) != 0)
        ThrowErrno(errno, target, "Cannot flush");
    if (sys::Close(fd.release()) != 0)
        ThrowErrno(errno, target, "Cannot close");
}

} // namespace

void ReplaceFile(const fs::path& target, std::string_view bytes,
                 const std::optional<FileAttributes>& existing, const SafeWrite& how) {
    const int creationMode = safewrite::CreationMode(existing, how.newFileMode);
    std::optional<safewrite::Temporary> temp;
    try {
        temp.emplace(target, creationMode);
    } catch (const FileError& e) {
        if (!how.inPlaceFallback || !existing || !safewrite::RefusesNewFiles(e.Error()))
            throw;
        WriteInPlace(target, bytes);
        return;
    }
    temp->Write(bytes);
    // After the bytes: an ordinary user's write clears the set-group-ID bit.
    safewrite::KeepAttributes(temp->fd(), target, existing, how.newFileMode, creationMode);
    temp->Commit(how.durable);
}

void WriteFileAtomically(const fs::path& target, std::string_view bytes, int newFileMode,
                         bool durable) {
    ReplaceFile(target, bytes, safewrite::ExistingAttributes(target),
                SafeWrite{newFileMode, durable, false});
}

fs::path WritableTarget(const fs::path& path) {
    fs::path target;
    try {
        target = ResolveLinkTarget(path);
    } catch (const FileError& e) {
        ThrowErrno(e.Error(), path, "Cannot write");
    }
    const PathInfo info = Examine(target);
    if (info.kind == PathKind::Unknown)
        Refuse("Cannot write", path, "the file cannot be examined");
    if (info.kind != PathKind::Missing && info.kind != PathKind::File)
        Refuse("Cannot write", path, "not a regular file");
    if (info.kind == PathKind::File && !info.writable)
        Refuse("Cannot write", path, "the file is read-only");
    return target;
}

StreamingOutput::StreamingOutput(const fs::path& target, bool durable)
    : target_(WritableTarget(target)), durable_(durable) {
    existing_ = safewrite::ExistingAttributes(target_);
    creationMode_ = safewrite::CreationMode(existing_, -1);
    temp_ = std::make_unique<safewrite::Temporary>(target_, creationMode_);
}

StreamingOutput::~StreamingOutput() = default;

void StreamingOutput::Write(std::string_view bytes) {
    temp_->Write(bytes);
}

void StreamingOutput::Commit() {
    // After the bytes, as ReplaceFile: an ordinary user's write clears the set-group-ID bit.
    safewrite::KeepAttributes(temp_->fd(), target_, existing_, -1, creationMode_);
    temp_->Commit(durable_);
}

} // namespace hortivex
