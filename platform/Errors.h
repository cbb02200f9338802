#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>

namespace hortivex {

// Base of every failure the system raises; what() is the exact text a user may see.
class HxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file could not be opened, read or written.
class InOutError : public HxError {
public:
    using HxError::HxError;
};

// The one error the platform layer raises for a failed file operation: what() is the text a
// user sees, "<action> <file>: <reason>" for the file calls; it also names the file and gives
// the system's error number (0 when the file was refused for what it is, not by a call).
class FileError : public InOutError {
public:
    FileError(const std::string& message, std::filesystem::path file, int error)
        : InOutError(message), file_(std::move(file)), error_(error) {}

    const std::filesystem::path& File() const { return file_; }
    int Error() const { return error_; }

private:
    std::filesystem::path file_;
    int error_;
};

// Raised by a base-class operation that the concrete device class does not implement.
class AbstractMethodError : public HxError {
public:
    AbstractMethodError() : HxError("Abstract Error") {}
};

} // namespace hortivex
