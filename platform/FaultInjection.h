#pragma once

#include <cstddef>
#include <sys/types.h>

namespace hortivex {

// The file operations of the record-file and output layer, counted so that tests can make the
// n-th call of one fail with a chosen error number (ENOSPC, EIO, EACCES, ...).
enum class FileOp { Open, Read, Write, Sync, Rename };

// From now on the nth call (counted from 1) of op fails with error; faults add up.
void ScheduleFault(FileOp op, int nth, int error);
// Removes every scheduled fault and sets every count back to 0.
void ClearFaults();
// How many calls of op were made since the last ClearFaults.
int FileOpCount(FileOp op);

// Counts one call of op for the wrappers below; true when this one is to fail (errno is then
// set to the scheduled error).
bool FaultFires(FileOp op);

// The calls themselves, each failing as scheduled (answering -1 with errno set).
namespace sys {
int Open(const char* path, int flags, mode_t mode = 0);
ssize_t Read(int fd, void* buffer, std::size_t size);
ssize_t Write(int fd, const void* buffer, std::size_t size);
int Fsync(int fd);
int Rename(const char* from, const char* to);
} // namespace sys

} // namespace hortivex
