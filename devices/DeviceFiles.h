#pragma once

#include "devices/Device.h"
#include "platform/RecordFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hortivex {

// What both controllers keep on disk or exchange in blocks, written once for any record size:
// the view file of trace entries, month logs, the settings file, replies and settings-transfer
// blocks, and the registry clean-up.

inline constexpr std::size_t kTraceEntrySize = sizeof(TTraceEntry);
// What a controller answers for a trace it does not have: every byte zero.
inline constexpr TTraceEntry kNoTraceEntry{0, {0, 0, 0}, 0, 0.0f};

// Trace entries in their 12-byte file form: visible, 3 padding bytes, colour and scale, both
// little-endian.
void EncodeTraceEntries(std::span<const TTraceEntry> entries, std::uint8_t* bytes);
void DecodeTraceEntries(const std::uint8_t* bytes, std::span<TTraceEntry> entries);
// A date-time in its 8-byte file form, an IEEE double, little-endian.
void EncodeDateTime(double value, std::uint8_t* bytes);
double DecodeDateTime(const std::uint8_t* bytes);

// Removes a record file that the operation under way has made, unless the operation got as far
// as Keep: a failed operation leaves no half-made file behind.
class NewFileUndo {
public:
    NewFileUndo(RecordFile& file, bool made) : file_(file), made_(made) {}
    NewFileUndo(const NewFileUndo&) = delete;
    NewFileUndo& operator=(const NewFileUndo&) = delete;
    ~NewFileUndo();
    void Keep() { made_ = false; }

private:
    RecordFile& file_;
    bool made_;
};

// The view file of a device: one record per view (numbered from 1), each the device's built-in
// trace entries. Every operation opens the file and closes it again, on failure too; a missing
// file is first created with 27 records of the traces reset hidden. Input/output failures raise
// InOutError; a failed operation leaves the file as it was and removes a file it made.
class ViewFile {
public:
    ViewFile(TDevice& device, std::span<TTraceEntry> traces) : device_(device), traces_(traces) {}

    // Reads view index into the traces. A file made here also gets the traces reset visible at
    // the view that the device's name has in the process-wide table of names.
    void Load(int index);
    // Writes the traces as view index; they are kept whatever creating the file does to them.
    void Save(int index);
    // Moves views index + 1 to 9 down by one; nothing for an index outside 1 to 9.
    void Delete(int index);
    // Moves views first to last up by one; nothing for a first below 1.
    void InsertGap(int first, int last);

private:
    RecordFile OpenFile(bool& created);
    void ReadView(RecordFile& file, int record);
    // Decodes a view record into the traces; nothing for "".
    void SetTraces(const std::string& record);
    void WriteView(RecordFile& file, int record);
    std::size_t RecordSize() const { return traces_.size() * kTraceEntrySize; }

    TDevice& device_;
    std::span<TTraceEntry> traces_;
};

// The month log a device has assigned and opened for reading, bound to the device's current
// log record: its date-time and the blocks that follow it. A record's file form is the
// date-time (8 bytes, little-endian) and then the blocks' bytes in order.
class MonthLog {
public:
    MonthLog(double& dateTime, std::initializer_list<std::span<std::uint8_t>> blocks);

    void Assign(const std::string& path) { path_ = path; }
    // Opens the assigned file for reading; a missing or unreadable one raises InOutError.
    void Open();
    // True when no further whole record can be read (also when the log is not open).
    bool Eof() const { return !file_ || file_->Eof(); }
    void Close();
    // Reads the next record into the log record; raises InOutError past the end or when the log
    // is not open.
    void ReadNext();
    // Reads the last whole record into the log record, then closes the log, and answers its
    // date-time; 0, closed, with the log record unchanged, when the log holds none.
    double ReadLastAndClose();
    // Adds the log record at the end of the log at path, creating the file when it does not
    // exist.
    void Append(const std::string& path) const;

private:
    std::vector<std::uint8_t> Encode() const;
    void Decode(const std::vector<std::uint8_t>& bytes);

    double& dateTime_;
    std::vector<std::span<std::uint8_t>> blocks_;
    std::size_t recordSize_;
    std::string path_;
    std::optional<RecordFile> file_;
};

// The settings file of a device: its one record.
// Writes record as the only record of path (the device's own settings file when path is empty)
// and answers the path written; on any failure shows "Invalid file name" in an error box, keeps
// an existing file as it was and answers the empty text.
std::string SaveSettingsRecord(TDevice& device, const std::string& path,
                               std::span<const std::uint8_t> record);
// Reads the first record of path into record; false, with record unchanged, when the file
// cannot be opened or holds no whole record.
bool LoadSettingsRecord(const std::string& path, std::span<std::uint8_t> record);

// A reply fills a block of size bytes only when it holds the whole block: a shorter one changes
// nothing, so that no byte past its end is read; a longer one is cut to the block.
inline bool ReplyHolds(const std::uint8_t* reply, std::size_t length, std::size_t size) {
    return reply != nullptr && length >= size;
}
// Copies the first sizeof block bytes of reply into block; false, storing nothing, when the
// reply is shorter.
template <class Block>
bool StoreReply(Block& block, const std::uint8_t* reply, std::size_t length) {
    if (!ReplyHolds(reply, length, sizeof block))
        return false;
    std::memcpy(&block, reply, sizeof block);
    return true;
}

// Settings travel in blocks of 59 bytes of the settings record.
inline constexpr std::size_t kSettingsBlockSize = 59;
// header + code + block `block` of record + the trailer byte, each byte one character.
std::string SettingsBlockCommand(const std::string& header, const char* code,
                                 std::span<const std::uint8_t> record, int block,
                                 std::uint8_t trailer);
// Copies the first 59 bytes of reply into block `block` of record; false, storing nothing, when
// the reply is shorter.
bool StoreSettingsBlock(std::span<std::uint8_t> record, int block, const std::uint8_t* reply,
                        std::size_t length);

// Under the machine root: deletes the named sub-keys of the device's key and of its "Schedule"
// key (each when that key exists), then the "Schedule" key itself. A missing name or a store
// that refuses a deletion is passed over; a room or controller name that cannot be a single key
// name deletes nothing.
void DeleteControllerSubKeys(const TDevice& device, std::initializer_list<const char*> names,
                             std::initializer_list<const char*> scheduleNames);

// The bytes of a packed record.
template <class Record> std::span<std::uint8_t> RecordBytes(Record& record) {
    return {reinterpret_cast<std::uint8_t*>(&record), sizeof record};
}
template <class Record> std::span<const std::uint8_t> RecordBytes(const Record& record) {
    return {reinterpret_cast<const std::uint8_t*>(&record), sizeof record};
}

} // namespace hortivex
