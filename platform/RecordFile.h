#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace hortivex {

// A file of fixed-size records, open until Close or destruction. Records are numbered from 0;
// a trailing part of a record (an interrupted write) counts as no record. Every open, read and
// write goes through the system-call seam. Failures raise FileError naming the file.
class RecordFile {
public:
    enum class Access { Read, ReadWrite };

    // Opens an existing regular file; a missing or unreadable one raises.
    static RecordFile Open(const std::filesystem::path& path, std::size_t recordSize,
                           Access access);
    // Opens an existing regular file for reading and writing or, only when no file of that name
    // exists, creates an empty one; created tells which. An existing file that cannot be opened
    // raises and is never truncated or replaced.
    static RecordFile OpenOrCreate(const std::filesystem::path& path, std::size_t recordSize,
                                   bool& created);

    RecordFile(RecordFile&& other) noexcept;
    RecordFile& operator=(RecordFile&& other) noexcept;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile();

    bool IsOpen() const { return fd_ >= 0; }
    const std::filesystem::path& Path() const { return path_; }
    std::size_t RecordSize() const { return recordSize_; }
    // The number of whole records.
    std::uint64_t Size() const;
    // Reads record n into record (RecordSize bytes); a record past the end raises. The next
    // sequential read then reads record n + 1.
    void Read(std::uint64_t n, std::uint8_t* record);
    // Writes record n, which must be an existing record or the one just past the end (an
    // append); a write further out raises before anything is written, so that one call never
    // makes a file with a gap.
    void Write(std::uint64_t n, const std::uint8_t* record);
    void Append(const std::uint8_t* record) { Write(Size(), record); }
    // Reads the record at the sequential position and moves past it.
    void ReadNext(std::uint8_t* record) { Read(position_, record); }
    // Whether the sequential position lies at or after the last whole record.
    bool Eof() const;
    // Closes the file; raises when closing reports an error (the data may be lost).
    void Close();
    // Closes the file, errors ignored, and deletes it: for a file that an operation made and
    // could not finish. A delete that fails leaves the file.
    void Discard() noexcept;

private:
    RecordFile(std::filesystem::path path, std::size_t recordSize, int fd, bool readOnly);
    [[noreturn]] void Fail(const char* what, int error) const;
    void CheckOpen() const;
    // Whether record n is among those read ahead.
    bool InReadAhead(std::uint64_t n) const { return n - aheadFirst_ < aheadCount_; }

    std::filesystem::path path_;
    std::size_t recordSize_ = 0;
    int fd_ = -1;
    std::uint64_t position_ = 0;
    // A file opened for reading reads whole records ahead in blocks of about 256 KiB, so that
    // reading a log record by record costs one call per block, not three per record.
    bool readOnly_ = false;
    std::vector<std::uint8_t> ahead_;
    std::uint64_t aheadFirst_ = 0;
    std::uint64_t aheadCount_ = 0;
};

// Deletes a record file that the operation under way has made, unless the operation got as far
// as Keep: a failed operation leaves no half-made file behind.
class NewFileUndo {
public:
    NewFileUndo(RecordFile& file, bool made) : file_(file), made_(made) {}
    NewFileUndo(const NewFileUndo&) = delete;
    NewFileUndo& operator=(const NewFileUndo&) = delete;
    ~NewFileUndo() {
        if (made_)
            file_.Discard();
    }
    void Keep() { made_ = false; }

private:
    RecordFile& file_;
    bool made_;
};

// Replaces the file at path (or creates it) with bytes as a whole, through a temporary file in
// the same folder and a rename, so that on any failure an existing file keeps every byte. A
// symbolic link is followed to its target. A folder, another non-regular file or a read-only
// file is refused. Raises FileError naming the file.
void ReplaceRecordFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace hortivex
