#include "devices/ViewFile.h"

#include "devices/DeviceRegistry.h"
#include "export/LittleEndian.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <bit>
#include <cstring>
#include <vector>

namespace hortivex {

namespace {

// A view file made afresh holds this many views.
constexpr int kFreshViews = 27;
// Deleting a view moves the views after it, up to this one, down by one.
constexpr int kLastMovedView = 9;
// A view file made afresh shows the traces at the view of the device's name + this offset.
constexpr int kNamedViewOffset = 10;

} // namespace

void EncodeTraceEntries(std::span<const TTraceEntry> entries, std::uint8_t* bytes) {
    for (const TTraceEntry& entry : entries) {
        bytes[0] = entry.visible;
        std::memcpy(bytes + 1, entry.padding, sizeof entry.padding);
        PutLittleEndian(entry.colour, bytes + 4, 4);
        PutLittleEndian(std::bit_cast<std::uint32_t>(entry.scale), bytes + 8, 4);
        bytes += kTraceEntrySize;
    }
}

void DecodeTraceEntries(const std::uint8_t* bytes, std::span<TTraceEntry> entries) {
    for (TTraceEntry& entry : entries) {
        entry.visible = bytes[0];
        std::memcpy(entry.padding, bytes + 1, sizeof entry.padding);
        entry.colour = static_cast<std::uint32_t>(GetLittleEndian(bytes + 4, 4));
        entry.scale =
            std::bit_cast<float>(static_cast<std::uint32_t>(GetLittleEndian(bytes + 8, 4)));
        bytes += kTraceEntrySize;
    }
}

RecordFile ViewFile::OpenFile(bool& created) {
    RecordFile file = RecordFile::OpenOrCreate(device_.GetViewFileName(), RecordSize(), created);
    if (created) {
        NewFileUndo undo(file, created);
        device_.ResetTraces(false);
        for (int record = 0; record < kFreshViews; ++record)
            WriteView(file, record);
        undo.Keep();
    }
    return file;
}

void ViewFile::SetTraces(const std::string& record) {
    if (!record.empty())
        DecodeTraceEntries(reinterpret_cast<const std::uint8_t*>(record.data()), traces_);
}

void ViewFile::ReadView(RecordFile& file, int record) {
    std::vector<std::uint8_t> bytes(RecordSize());
    file.Read(static_cast<std::uint64_t>(record), bytes.data());
    DecodeTraceEntries(bytes.data(), traces_);
}

void ViewFile::WriteView(RecordFile& file, int record) {
    std::vector<std::uint8_t> bytes(RecordSize());
    EncodeTraceEntries(traces_, bytes.data());
    file.Write(static_cast<std::uint64_t>(record), bytes.data());
}

namespace {

// Views are numbered from 1: a lower number names no record of the file.
void CheckViewIndex(const std::string& path, int index) {
    if (index < 1)
        throw InOutError("Cannot use " + path + ": there is no view " + std::to_string(index));
}

// The most views a file is read whole for moving them: far more than any view file holds.
constexpr std::uint64_t kMaxMovedViews = 1u << 16;

// A view file's bytes in memory, its views moved there before the file is replaced at once.
class ViewBytes {
public:
    // The file holds records whole records (and perhaps the start of one more).
    ViewBytes(const std::string& path, std::size_t recordSize, std::uint64_t records)
        : path_(path), size_(recordSize) {
        if (records > kMaxMovedViews)
            throw InOutError("Cannot write " + path + ": the file is too large for a view file");
        bytes_ = ReadFilePrefix(path, static_cast<std::size_t>(records + 1) * recordSize);
    }
    std::size_t Records() const { return bytes_.size() / size_; }
    // Copies view record from to record to, which may be the one just past the end.
    void Move(int from, int to) {
        const auto f = static_cast<std::size_t>(from);
        const auto t = static_cast<std::size_t>(to);
        if (f >= Records())
            throw InOutError("Cannot read " + path_ + ": record " + std::to_string(f) +
                             " lies past the end");
        const std::string record = bytes_.substr(f * size_, size_);
        if (t == Records())
            bytes_.resize(t * size_); // the part of a record after the last one goes
        bytes_.replace(t * size_, size_, record);
        moved_ = record;
    }
    // Replaces the file with the views moved; answers the last view moved, as the traces hold
    // it after moving views one by one ("" when none moved).
    const std::string& Commit() const {
        if (!moved_.empty())
            ReplaceRecordFile(path_, bytes_);
        return moved_;
    }

private:
    std::string path_;
    std::size_t size_;
    std::string bytes_;
    std::string moved_;
};

} // namespace

void ViewFile::Load(int index) {
    CheckViewIndex(device_.GetViewFileName(), index);
    bool created = false;
    RecordFile file = OpenFile(created);
    NewFileUndo undo(file, created);
    if (created) {
        device_.ResetTraces(true);
        WriteView(file, FindNameIndex(device_.GetControllerName(), Registry().viewNames) +
                            kNamedViewOffset);
    }
    ReadView(file, index - 1);
    file.Close();
    undo.Keep();
}

void ViewFile::Save(int index) {
    CheckViewIndex(device_.GetViewFileName(), index);
    std::vector<std::uint8_t> bytes(RecordSize());
    EncodeTraceEntries(traces_, bytes.data());
    // Creating the file resets the traces; they come back whatever happens.
    std::optional<RecordFile> file;
    bool created = false;
    try {
        file.emplace(OpenFile(created));
    } catch (...) {
        DecodeTraceEntries(bytes.data(), traces_);
        throw;
    }
    DecodeTraceEntries(bytes.data(), traces_);
    NewFileUndo undo(*file, created);
    file->Write(static_cast<std::uint64_t>(index - 1), bytes.data());
    file->Close();
    undo.Keep();
}

// Views are moved in memory and the file replaced at once, so that a failure part-way leaves
// every view where it was.
void ViewFile::Delete(int index) {
    if (index < 1 || index > kLastMovedView)
        return;
    MoveViews(index + 1, kLastMovedView, +1);
}

void ViewFile::InsertGap(int first, int last) {
    if (first < 1)
        return;
    MoveViews(last, first, -1);
}

void ViewFile::MoveViews(int from, int to, int step) {
    bool created = false;
    RecordFile file = OpenFile(created);
    NewFileUndo undo(file, created);
    const std::uint64_t records = file.Size();
    file.Close();
    ViewBytes views(device_.GetViewFileName(), RecordSize(), records);
    for (int i = from; step > 0 ? i <= to : i >= to; i += step)
        views.Move(i - 1, i - 1 - step);
    SetTraces(views.Commit());
    undo.Keep();
}

} // namespace hortivex
