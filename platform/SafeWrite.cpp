// The safe write, the same on every system: the system's own parts come from SafeWriteSystem.h,
// every file call goes through the counted sys:: calls.
#include "platform/Errors.h"
#include "platform/FileIo.h"
#include "platform/FileSystem.h"
#include "platform/SafeWriteSystem.h"

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

} // namespace safewrite

namespace {

// The temporary file until it is renamed over the target: closed and deleted on any failure.
class Temporary {
public:
    Temporary(FileDescriptor fd, std::string name) : fd_(std::move(fd)), name_(std::move(name)) {}
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
    const std::string& name() const { return name_; }
    // Closes the file; raises FileError naming target when closing reports an error.
    void Close(const fs::path& target) {
        if (sys::Close(fd_.release()) != 0)
            ThrowErrno(errno, target, "Cannot close");
    }
    void Committed() { committed_ = true; }

private:
    FileDescriptor fd_;
    std::string name_;
    bool committed_ = false;
};

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
    std::optional<Temporary> temp;
    try {
        std::string name;
        FileDescriptor fd = CreateTemporary(target, creationMode, name);
        temp.emplace(std::move(fd), std::move(name));
    } catch (const FileError& e) {
        if (!how.inPlaceFallback || !existing || !safewrite::RefusesNewFiles(e.Error()))
            throw;
        WriteInPlace(target, bytes);
        return;
    }
    WriteAll(temp->fd(), bytes, target);
    // After the bytes: an ordinary user's write clears the set-group-ID bit.
    safewrite::KeepAttributes(temp->fd(), target, existing, how.newFileMode, creationMode);
    if (how.durable && sys::Fsync(temp->fd()) != 0)
        ThrowErrno(errno, target, "Cannot flush");
    temp->Close(target);
    if (sys::Rename(temp->name().c_str(), NativeName(target).c_str()) != 0)
        ThrowErrno(errno, target, "Cannot replace");
    temp->Committed();
    if (how.durable)
        safewrite::SyncFolderOf(target);
}

void WriteFileAtomically(const fs::path& target, std::string_view bytes, int newFileMode,
                         bool durable) {
    ReplaceFile(target, bytes, safewrite::ExistingAttributes(target),
                SafeWrite{newFileMode, durable, false});
}

} // namespace hortivex
