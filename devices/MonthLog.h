#pragma once

#include "platform/RecordFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hortivex {

// A date-time in its 8-byte file form, an IEEE double, little-endian.
void EncodeDateTime(double value, std::uint8_t* bytes);
double DecodeDateTime(const std::uint8_t* bytes);

// The month log a device has assigned and opened for reading, bound to the device's current
// log record: its date-time and the blocks that follow it. A record's file form is the
// date-time (8 bytes, little-endian) and then the blocks' bytes in order.
class MonthLog {
public:
    MonthLog(double& dateTime, std::vector<std::span<std::uint8_t>> blocks);

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

} // namespace hortivex
