#include "devices/MonthLog.h"

#include "export/LittleEndian.h"
#include "platform/Errors.h"

#include <bit>
#include <cstring>
#include <utility>

namespace hortivex {

void EncodeDateTime(double value, std::uint8_t* bytes) {
    PutLittleEndian(std::bit_cast<std::uint64_t>(value), bytes, 8);
}

double DecodeDateTime(const std::uint8_t* bytes) {
    return std::bit_cast<double>(GetLittleEndian(bytes, 8));
}

MonthLog::MonthLog(double& dateTime, std::vector<std::span<std::uint8_t>> blocks)
    : dateTime_(dateTime), blocks_(std::move(blocks)), recordSize_(sizeof(double)) {
    for (const auto& block : blocks_)
        recordSize_ += block.size();
}

std::vector<std::uint8_t> MonthLog::Encode() const {
    std::vector<std::uint8_t> bytes(recordSize_);
    EncodeDateTime(dateTime_, bytes.data());
    std::size_t at = sizeof(double);
    for (const auto& block : blocks_) {
        std::memcpy(bytes.data() + at, block.data(), block.size());
        at += block.size();
    }
    return bytes;
}

void MonthLog::Decode(const std::vector<std::uint8_t>& bytes) {
    dateTime_ = DecodeDateTime(bytes.data());
    std::size_t at = sizeof(double);
    for (const auto& block : blocks_) {
        std::memcpy(block.data(), bytes.data() + at, block.size());
        at += block.size();
    }
}

void MonthLog::Open() {
    file_.reset();
    file_.emplace(RecordFile::Open(path_, recordSize_, RecordFile::Access::Read));
}

void MonthLog::Close() {
    if (!file_)
        return;
    RecordFile file = std::move(*file_);
    file_.reset();
    file.Close();
}

void MonthLog::ReadNext() {
    if (!file_)
        throw InOutError("Cannot read " + path_ + ": the log is not open");
    std::vector<std::uint8_t> bytes(recordSize_);
    file_->ReadNext(bytes.data());
    Decode(bytes);
}

double MonthLog::ReadLastAndClose() {
    if (!file_)
        return 0;
    std::vector<std::uint8_t> bytes(recordSize_);
    bool read = false;
    try {
        const std::uint64_t size = file_->Size();
        if (size > 0) {
            file_->Read(size - 1, bytes.data());
            read = true;
        }
    } catch (...) {
        file_.reset();
        throw;
    }
    Close();
    if (!read)
        return 0;
    Decode(bytes);
    return dateTime_;
}

void MonthLog::Append(const std::string& path) const {
    bool created = false;
    RecordFile file = RecordFile::OpenOrCreate(path, recordSize_, created);
    NewFileUndo undo(file, created);
    file.Append(Encode().data());
    file.Close();
    undo.Keep();
}

} // namespace hortivex
