#include "platform/RecordFile.h"

#include "platform/Errors.h"
#include "platform/FileIo.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/SysCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace hortivex {
namespace fs = std::filesystem;
using namespace fileio;

namespace {

// An open never waits (for a FIFO's writer); the type check then refuses what is no file.
constexpr int kOpenFlags = kNoInherit | kNoWait | kNoTerminal;

// Closes fd and raises unless it is open on a regular file.
int RegularFile(int fd, const fs::path& path) {
    FileStatus st{};
    if (StatusOf(fd, st) != 0) {
        const int error = errno;
        sys::Close(fd);
        ThrowErrno(error, path, "Cannot open");
    }
    if (!IsRegular(st)) {
        sys::Close(fd);
        Refuse("Cannot open", path, "not a regular file");
    }
    return fd;
}

} // namespace

RecordFile::RecordFile(fs::path path, std::size_t recordSize, int fd, bool readOnly)
    : path_(std::move(path)), recordSize_(recordSize), fd_(RegularFile(fd, path_)),
      readOnly_(readOnly) {}

RecordFile RecordFile::Open(const fs::path& path, std::size_t recordSize, Access access) {
    const int mode = access == Access::Read ? O_RDONLY : O_RDWR;
    const int fd = sys::Open(NativeName(path).c_str(), mode | kOpenFlags);
    if (fd < 0)
        ThrowErrno(errno, path, "Cannot open");
    return RecordFile(path, recordSize, fd, access == Access::Read);
}

RecordFile RecordFile::OpenOrCreate(const fs::path& path, std::size_t recordSize, bool& created) {
    created = false;
    int fd = sys::Open(NativeName(path).c_str(), O_RDWR | kOpenFlags);
    if (fd < 0 && errno == ENOENT) {
        // O_EXCL: a file that appeared meanwhile is never truncated.
        fd = sys::Open(NativeName(path).c_str(), O_RDWR | O_CREAT | O_EXCL | kOpenFlags, 0666);
        created = fd >= 0;
    }
    if (fd < 0)
        ThrowErrno(errno, path, "Cannot open");
    return RecordFile(path, recordSize, fd, false);
}

RecordFile::RecordFile(RecordFile&& other) noexcept
    : path_(std::move(other.path_)), recordSize_(other.recordSize_),
      fd_(std::exchange(other.fd_, -1)), position_(other.position_), readOnly_(other.readOnly_),
      ahead_(std::move(other.ahead_)), aheadFirst_(other.aheadFirst_),
      aheadCount_(std::exchange(other.aheadCount_, 0)) {}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            sys::Close(fd_);
        path_ = std::move(other.path_);
        recordSize_ = other.recordSize_;
        fd_ = std::exchange(other.fd_, -1);
        position_ = other.position_;
        readOnly_ = other.readOnly_;
        ahead_ = std::move(other.ahead_);
        aheadFirst_ = other.aheadFirst_;
        aheadCount_ = std::exchange(other.aheadCount_, 0);
    }
    return *this;
}

RecordFile::~RecordFile() {
    if (fd_ >= 0)
        sys::Close(fd_);
}

void RecordFile::Fail(const char* what, int error) const {
    ThrowErrno(error, path_, what);
}

void RecordFile::CheckOpen() const {
    if (fd_ < 0)
        Refuse("Cannot use", path_, "the file is not open");
}

bool RecordFile::Eof() const {
    return !(readOnly_ && InReadAhead(position_)) && position_ >= Size();
}

std::uint64_t RecordFile::Size() const {
    CheckOpen();
    FileStatus st{};
    if (StatusOf(fd_, st) != 0)
        Fail("Cannot read", errno);
    return static_cast<std::uint64_t>(st.st_size) / recordSize_;
}

void RecordFile::Read(std::uint64_t n, std::uint8_t* record) {
    if (readOnly_ && InReadAhead(n)) {
        std::memcpy(record, ahead_.data() + (n - aheadFirst_) * recordSize_, recordSize_);
        position_ = n + 1;
        return;
    }
    const std::uint64_t size = Size();
    if (n >= size)
        Refuse("Cannot read", path_, "record " + std::to_string(n) + " lies past the end");
    if (!SeekTo(fd_, n * recordSize_))
        Fail("Cannot read", errno);
    // A file opened for writing may change under us: it reads exactly one record.
    constexpr std::size_t kAheadBytes = std::size_t{256} * 1024;
    const std::uint64_t ahead =
        readOnly_
            ? std::min<std::uint64_t>(size - n, std::max<std::size_t>(1, kAheadBytes / recordSize_))
            : 1;
    ahead_.resize(static_cast<std::size_t>(ahead) * recordSize_);
    aheadCount_ = 0;
    std::size_t got = 0;
    while (got < ahead_.size()) {
        const ssize_t r = sys::Read(fd_, ahead_.data() + got, ahead_.size() - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            Fail("Cannot read", errno);
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    if (got < recordSize_)
        Refuse("Cannot read", path_, "the file ended inside a record");
    aheadFirst_ = n;
    aheadCount_ = readOnly_ ? got / recordSize_ : 0;
    std::memcpy(record, ahead_.data(), recordSize_);
    position_ = n + 1;
}

void RecordFile::Write(std::uint64_t n, const std::uint8_t* record) {
    if (n > Size())
        Refuse("Cannot write", path_, "record " + std::to_string(n) + " lies past the end");
    if (!SeekTo(fd_, n * recordSize_))
        Fail("Cannot write", errno);
    WriteAll(fd_, {reinterpret_cast<const char*>(record), recordSize_}, path_);
    position_ = n + 1;
}

void RecordFile::Close() {
    aheadCount_ = 0;
    if (fd_ < 0)
        return;
    if (sys::Close(std::exchange(fd_, -1)) != 0)
        Fail("Cannot close", errno);
}

void RecordFile::Discard() noexcept {
    if (fd_ >= 0)
        sys::Close(std::exchange(fd_, -1));
    try {
        sys::Unlink(NativeName(path_).c_str());
    } catch (...) { // no memory for the name: the file stays
    }
}

void ReplaceRecordFile(const fs::path& path, std::string_view bytes) {
    WriteFileAtomically(WritableTarget(path), bytes);
}

} // namespace hortivex
