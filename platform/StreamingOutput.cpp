#include "platform/StreamingOutput.h"

#include "platform/Errors.h"
#include "platform/FileIo.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>

namespace hortivex {
namespace fs = std::filesystem;
using namespace fileio;

namespace {

[[noreturn]] void Refuse(const fs::path& path, const std::string& reason) {
    throw InOutError("Cannot write " + FileNameText(path) + ": " + reason);
}

} // namespace

StreamingOutput::StreamingOutput(const fs::path& target) : path_(target) {
    try {
        target_ = ResolveLinkTarget(target);
    } catch (const std::system_error& e) {
        Refuse(path_, e.code().message());
    }
    const PathInfo info = Examine(target_);
    if (info.kind == PathKind::Unknown)
        Refuse(path_, "the file cannot be examined");
    if (info.kind != PathKind::Missing && info.kind != PathKind::File)
        Refuse(path_, "not a regular file");
    if (info.kind == PathKind::File && !info.writable)
        Refuse(path_, "the file is read-only");
    try {
        fd_ = CreateTemporary(target_, 0666, temp_).release();
    } catch (const std::system_error& e) {
        Refuse(path_, e.code().message());
    }
}

StreamingOutput::~StreamingOutput() {
    if (fd_ >= 0)
        Close(std::exchange(fd_, -1));
    if (!temp_.empty())
        std::remove(temp_.c_str());
}

void StreamingOutput::Fail(const char* what, int error) {
    if (fd_ >= 0)
        Close(std::exchange(fd_, -1));
    if (!temp_.empty())
        std::remove(std::exchange(temp_, std::string()).c_str());
    throw InOutError(std::string(what) + " " + FileNameText(path_) + ": " + std::strerror(error));
}

void StreamingOutput::Write(std::string_view bytes) {
    if (fd_ < 0)
        Refuse(path_, "the output is not open");
    errno = 0;
    if (!bytes.empty() && !WriteAll(fd_, bytes))
        Fail("Cannot write", errno != 0 ? errno : EIO);
}

void StreamingOutput::Commit() {
    if (fd_ < 0)
        Refuse(path_, "the output is not open");
    if (Close(std::exchange(fd_, -1)) != 0)
        Fail("Cannot close", errno);
    if (sys::Rename(temp_.c_str(), NativeName(target_).c_str()) != 0)
        Fail("Cannot replace", errno);
    temp_.clear();
}

} // namespace hortivex
