#include "devices/ViewFile.h"

#include "devices/DeviceRegistry.h"
#include "export/LittleEndian.h"
#include "platform/Errors.h"

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
        device_.ResetTraces(false);
        for (int record = 0; record < kFreshViews; ++record)
            WriteView(file, record);
    }
    return file;
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

} // namespace

void ViewFile::Load(int index) {
    CheckViewIndex(device_.GetViewFileName(), index);
    bool created = false;
    RecordFile file = OpenFile(created);
    if (created) {
        device_.ResetTraces(true);
        WriteView(file, FindNameIndex(device_.GetControllerName(), Registry().viewNames) +
                            kNamedViewOffset);
    }
    ReadView(file, index - 1);
    file.Close();
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
    file->Write(static_cast<std::uint64_t>(index - 1), bytes.data());
    file->Close();
}

void ViewFile::Delete(int index) {
    if (index < 1 || index > kLastMovedView)
        return;
    bool created = false;
    RecordFile file = OpenFile(created);
    for (int i = index + 1; i <= kLastMovedView; ++i) {
        ReadView(file, i - 1);
        WriteView(file, i - 2);
    }
    file.Close();
}

void ViewFile::InsertGap(int first, int last) {
    if (first < 1)
        return;
    bool created = false;
    RecordFile file = OpenFile(created);
    for (int i = last; i >= first; --i) {
        ReadView(file, i - 1);
        WriteView(file, i);
    }
    file.Close();
}

} // namespace hortivex
