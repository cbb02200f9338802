#pragma once

#include <cstddef>
#include <sys/types.h>

namespace hortivex {

// The system-call seam of the file layer: every call that opens, reads, writes, flushes,
// renames, closes, changes the mode or owner of, or deletes a file goes through the sys::
// functions below, counted so that tests can make the n-th call of one fail with a chosen error
// number (ENOSPC, EIO, EACCES, ...).
enum class FileOp { Open, Read, Write, Sync, Rename, Close, Chmod, Chown, Unlink, FolderSync };
inline constexpr std::size_t kFileOpCount = 10;

// From now on the nth call (counted from 1) of op fails with error; faults add up.
void ScheduleFault(FileOp op, int nth, int error);
// Removes every scheduled fault and sets every count back to 0.
void ClearFaults();
// How many calls of op were made since the last ClearFaults.
int FileOpCount(FileOp op);

// Counts one call of op for the wrappers below; true when this one is to fail (errno is then
// set to the scheduled error).
bool FaultFires(FileOp op);

// The calls themselves, each failing as scheduled (answering -1 with errno set). Names are the
// program's narrow file names (see FileIo.h's NativeName).
namespace sys {
int Open(const char* path, int flags, mode_t mode = 0);
ssize_t Read(int fd, void* buffer, std::size_t size);
ssize_t Write(int fd, const void* buffer, std::size_t size);
int Fsync(int fd);
// Replaces an existing target in one step.
int Rename(const char* from, const char* to);
int Close(int fd);
int Unlink(const char* path);
#ifndef _WIN32
// Flushes a folder's entries (a rename into it) to the disk. Windows writes a rename through
// itself, and has no modes or owners to carry over.
int SyncFolder(const char* folder);
int Fchmod(int fd, mode_t mode);
int Fchown(int fd, uid_t owner, gid_t group);
#endif
} // namespace sys

} // namespace hortivex
