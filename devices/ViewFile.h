#pragma once

#include "devices/Device.h"
#include "platform/RecordFile.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace hortivex {

inline constexpr std::size_t kTraceEntrySize = sizeof(TTraceEntry);
// What a controller answers for a trace it does not have: every byte zero.
inline constexpr TTraceEntry kNoTraceEntry{0, {0, 0, 0}, 0, 0.0f};

// Trace entries in their 12-byte file form: visible, 3 padding bytes, colour and scale, both
// little-endian.
void EncodeTraceEntries(std::span<const TTraceEntry> entries, std::uint8_t* bytes);
void DecodeTraceEntries(const std::uint8_t* bytes, std::span<TTraceEntry> entries);
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
    // Moves views from, from + step, ..., to (step 1 or -1) each one place against step, in
    // that order: the view before it is overwritten (step 1) or the one after it (step -1).
    void MoveViews(int from, int to, int step);
    // Decodes a view record into the traces; nothing for "".
    void SetTraces(const std::string& record);
    void WriteView(RecordFile& file, int record);
    std::size_t RecordSize() const { return traces_.size() * kTraceEntrySize; }

    TDevice& device_;
    std::span<TTraceEntry> traces_;
};

} // namespace hortivex
