#include "devices/DeviceFiles.h"

#include "devices/Texts.h"
#include "export/Units.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Services.h"

#include <bit>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace hortivex {

namespace {

// A view file made afresh holds this many views.
constexpr int kFreshViews = 27;
// Deleting a view moves the views after it, up to this one, down by one.
constexpr int kLastMovedView = 9;
// A view file made afresh shows the traces at the view of the device's name + this offset.
constexpr int kNamedViewOffset = 10;

void PutLittleEndian(std::uint64_t value, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t GetLittleEndian(const std::uint8_t* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

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

void EncodeDateTime(double value, std::uint8_t* bytes) {
    PutLittleEndian(std::bit_cast<std::uint64_t>(value), bytes, 8);
}

double DecodeDateTime(const std::uint8_t* bytes) {
    return std::bit_cast<double>(GetLittleEndian(bytes, 8));
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

NewFileUndo::~NewFileUndo() {
    if (!made_)
        return;
    // Closed first: an open file cannot be removed everywhere.
    const std::filesystem::path path = file_.Path();
    { RecordFile closing = std::move(file_); }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
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
        const auto f = static_cast<std::size_t>(from), t = static_cast<std::size_t>(to);
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
        WriteView(file, FindNameIndex(device_.GetControllerName(), Process().viewNames) +
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
    bool created = false;
    RecordFile file = OpenFile(created);
    NewFileUndo undo(file, created);
    const std::uint64_t records = file.Size();
    file.Close();
    ViewBytes views(device_.GetViewFileName(), RecordSize(), records);
    for (int i = index + 1; i <= kLastMovedView; ++i)
        views.Move(i - 1, i - 2);
    SetTraces(views.Commit());
    undo.Keep();
}

void ViewFile::InsertGap(int first, int last) {
    if (first < 1)
        return;
    bool created = false;
    RecordFile file = OpenFile(created);
    NewFileUndo undo(file, created);
    const std::uint64_t records = file.Size();
    file.Close();
    ViewBytes views(device_.GetViewFileName(), RecordSize(), records);
    for (int i = last; i >= first; --i)
        views.Move(i - 1, i);
    SetTraces(views.Commit());
    undo.Keep();
}

MonthLog::MonthLog(double& dateTime, std::initializer_list<std::span<std::uint8_t>> blocks)
    : dateTime_(dateTime), blocks_(blocks), recordSize_(sizeof(double)) {
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

std::string SaveSettingsRecord(TDevice& device, const std::string& path,
                               std::span<const std::uint8_t> record) {
    std::string target;
    try {
        target = path.empty() ? device.GetSettingsFolder() + device.GetSettingsFileName(-1) : path;
        ReplaceRecordFile(
            target, std::string_view(reinterpret_cast<const char*>(record.data()), record.size()));
    } catch (const std::exception& e) {
        CurrentMessages().Error(Text(TextId::InvalidFileName), e.what());
        return {};
    }
    device.SettingsChanged();
    return target;
}

bool LoadSettingsRecord(const std::string& path, std::span<std::uint8_t> record) {
    std::vector<std::uint8_t> bytes(record.size());
    try {
        RecordFile file = RecordFile::Open(path, record.size(), RecordFile::Access::Read);
        file.Read(0, bytes.data());
        file.Close();
    } catch (const InOutError&) {
        return false;
    }
    std::memcpy(record.data(), bytes.data(), bytes.size());
    return true;
}

std::string SettingsBlockCommand(const std::string& header, const char* code,
                                 std::span<const std::uint8_t> record, int block,
                                 std::uint8_t trailer) {
    const auto part =
        record.subspan(static_cast<std::size_t>(block) * kSettingsBlockSize, kSettingsBlockSize);
    std::string text = header + code;
    text.append(reinterpret_cast<const char*>(part.data()), part.size());
    text += static_cast<char>(trailer);
    return text;
}

bool StoreSettingsBlock(std::span<std::uint8_t> record, int block, const std::uint8_t* reply,
                        std::size_t length) {
    if (!ReplyHolds(reply, length, kSettingsBlockSize))
        return false;
    std::memcpy(record.data() + static_cast<std::size_t>(block) * kSettingsBlockSize, reply,
                kSettingsBlockSize);
    return true;
}

namespace {

// Deletes key with everything under it; a failure is passed over.
void DeleteRegistryKey(const std::string& key) {
    try {
        CurrentSettingsStore().DeleteKeyTree(RegistryRoot::LocalMachine, key);
    } catch (const HxError&) {
        // A store that cannot be changed (a read-only machine store) keeps the key.
    }
}

void DeleteRegistrySubKeys(const std::string& key, std::initializer_list<const char*> names) {
    if (!CurrentSettingsStore().KeyExists(RegistryRoot::LocalMachine, key))
        return;
    for (const char* name : names)
        DeleteRegistryKey(key + name);
}

} // namespace

void DeleteControllerSubKeys(const TDevice& device, std::initializer_list<const char*> names,
                             std::initializer_list<const char*> scheduleNames) {
    std::string key;
    try {
        key = device.ControllerRegistryKey();
    } catch (const HxError&) {
        return; // a name that is no single key name deletes nothing
    }
    const std::string schedule = key + "Schedule\\";
    DeleteRegistrySubKeys(key, names);
    DeleteRegistrySubKeys(schedule, scheduleNames);
    DeleteRegistryKey(schedule);
}

} // namespace hortivex
