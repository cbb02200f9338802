#pragma once

#include <stdexcept>
#include <string>

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

// Raised by a base-class operation that the concrete device class does not implement.
class AbstractMethodError : public HxError {
public:
    AbstractMethodError() : HxError("Abstract Error") {}
};

} // namespace hortivex
