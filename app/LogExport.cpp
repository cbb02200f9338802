#include "app/LogExport.h"

#include "app/Driver.h"

#include "devices/DeviceRegistry.h"
#include "devices/Texts.h"
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "export/Numeric.h"
#include "platform/Errors.h"
#include "platform/Folders.h"
#include "platform/Services.h"
#include "platform/StreamingOutput.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

namespace hortivex {
namespace fs = std::filesystem;

namespace {

// The rows are handed to the file in pieces of about this size.
constexpr std::size_t kFlushBytes = 1 << 20;

// The CSV text on its way to the file, gathered in a buffer of its own and handed to the file
// in pieces of about kFlushBytes.
class RowBuffer {
public:
    // Room for a cell kept from row to row, separator included (the longest value texts,
    // quoted, fit); such a cell is copied as a whole array, which costs less than a copy of
    // its exact length.
    static constexpr std::size_t kCellRoom = 48;

    explicit RowBuffer(StreamingOutput& out)
        : out_(out), data_(std::make_unique<char[]>(kCapacity)) {}

    void Append(std::string_view text) {
        if (used_ + text.size() > kCapacity)
            Flush();
        if (text.size() > kCapacity) {
            out_.Write(text);
            return;
        }
        std::memcpy(data_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }
    // Appends the first size bytes of cell.
    void AppendCell(const char (&cell)[kCellRoom], std::size_t size) {
        if (used_ + kCellRoom > kCapacity)
            Flush();
        std::memcpy(data_.get() + used_, cell, kCellRoom);
        used_ += size;
    }
    void EndRow() {
        Append("\r\n");
        if (used_ >= kFlushBytes)
            Flush();
    }
    void Flush() {
        out_.Write(std::string_view(data_.get(), used_));
        used_ = 0;
    }

private:
    static constexpr std::size_t kCapacity = kFlushBytes + 4096;
    StreamingOutput& out_;
    std::unique_ptr<char[]> data_;
    std::size_t used_ = 0;
};

// The CSV cells of a log's status values, each with the separator before it, found by the
// value's key (the record bytes it is shown from). Within one export the units, regional
// settings and the device's settings are fixed, so one key gives one text; a log's values
// change slowly and come back, so most cells are found here instead of being formatted again.
// Each value has a fixed number of slots, so memory is the same whatever the log's size: as
// many as a byte has values, and more once a value shows it is read from a word. The slots
// keep short cells (numbers) only, so that more of them stay in the processor's caches.
template <class Controller> class CellCache {
public:
    CellCache(Controller& device, int values, char separator)
        : device_(device), separator_(separator), keys_(static_cast<std::size_t>(values)),
          current_(static_cast<std::size_t>(values)), unkept_(static_cast<std::size_t>(values)),
          slots_(static_cast<std::size_t>(values)) {
        for (std::vector<Slot>& slots : slots_)
            slots.resize(kByteSlots);
    }

    // Appends the separator and cell of each status value of the record read last.
    void AppendCells(RowBuffer& rows) {
        device_.GetValueKeys(keys_.data(), static_cast<int>(keys_.size()));
        // First the cells of the values that changed are found, then the row is written, so
        // that the look-ups of one row do not wait for each other.
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            const int key = keys_[i];
            // Most values are as in the row before: their cell is at hand without a look-up.
            if (key < 0 || current_[i].key != key)
                Refresh(static_cast<int>(i) + 1, key, current_[i]);
        }
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            const Cell& current = current_[i];
            if (current.key >= 0)
                rows.AppendCell(current.text, current.size);
            else
                rows.Append(unkept_[i]);
        }
    }

private:
    static constexpr std::size_t kByteSlots = 256;
    static constexpr std::size_t kWordSlots = 4096;
    static constexpr int kLargestKey = 0xFFFF;
    // A value's cell in the row before, with its key (-1: none kept).
    struct Cell {
        int key = -1;
        std::uint8_t size = 0;
        char text[RowBuffer::kCellRoom] = {};
    };
    // A short cell of one key; empty while its size is 0 (a cell holds a separator at least).
    struct Slot {
        static constexpr std::size_t kRoom = 13;
        std::uint16_t key = 0;
        std::uint8_t size = 0;
        char text[kRoom] = {};
    };

    // Makes current the cell of status value index for key, which changed since the row
    // before: from its slot, or formatted anew. A cell without a key, or too long to keep, is
    // formatted each time into the value's unkept text, and current then has no key.
    void Refresh(int index, int key, Cell& current) {
        current.key = -1;
        Slot* slot = nullptr;
        if (key >= 0 && key <= kLargestKey) {
            std::vector<Slot>& slots = slots_[static_cast<std::size_t>(index - 1)];
            if (key >= static_cast<int>(kByteSlots) && slots.size() < kWordSlots)
                slots.assign(kWordSlots, Slot{});
            const auto k = static_cast<std::size_t>(key);
            slot = &slots[(k ^ (k >> 12)) & (slots.size() - 1)];
            if (slot->size != 0 && slot->key == key) {
                std::memcpy(current.text, slot->text, Slot::kRoom);
                current.size = slot->size;
                current.key = key;
                return;
            }
        }
        std::string& cell = unkept_[static_cast<std::size_t>(index - 1)];
        cell.assign(1, separator_);
        AppendCsvCell(cell, device_.GetValueText(index), separator_);
        if (key < 0 || cell.size() > RowBuffer::kCellRoom)
            return;
        std::memcpy(current.text, cell.data(), cell.size());
        current.size = static_cast<std::uint8_t>(cell.size());
        current.key = key;
        if (slot && cell.size() <= Slot::kRoom) {
            std::memcpy(slot->text, cell.data(), cell.size());
            slot->size = current.size;
            slot->key = static_cast<std::uint16_t>(key);
        }
    }

    Controller& device_;
    char separator_;
    std::vector<int> keys_;
    std::vector<Cell> current_;            // each value's
    std::vector<std::string> unkept_;      // each value's cell when current has no key
    std::vector<std::vector<Slot>> slots_; // each value's
};

// Writes a row for each record of the open log; answers the number of rows.
template <class Controller>
std::uint64_t WriteRows(Controller& device, char separator, RowBuffer& rows,
                        const std::string& logName, const LogWarning& warn) {
    const int values = device.GetValueCount();
    CellCache<Controller> cells(device, values, separator);
    std::string date;
    std::uint64_t record = 0;
    std::uint64_t written = 0;
    for (; !device.LogEof(); ++record) {
        device.ReadLogRecord();
        date.clear();
        if (!AppendIsoDateTime(date, device.GetRecordTime())) {
            if (warn)
                warn(logName + ": record " + std::to_string(record + 1) +
                     " has no valid date and time; left out");
            continue;
        }
        rows.Append(date);
        cells.AppendCells(rows);
        rows.EndRow();
        ++written;
    }
    return written;
}

bool IsPlainFolderName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:") == std::string::npos;
}

std::string WithSeparator(const fs::path& folder) {
    std::string text = FileNameText(folder);
    if (text.empty())
        return text;
    if (text.back() != '/' && text.back() != kPathSeparator)
        text += kPathSeparator;
    return text;
}

// Writes value (0 to 99) as two digits at out; answers the place after them.
char* Put2(char* out, long long value) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

} // namespace

std::optional<LogKind> LogKindOf(const fs::path& path) {
    const fs::path extension = ExtensionOf(path);
    if (extension == ".fvl")
        return LogKind::Fertivo;
    if (extension == ".avl")
        return LogKind::Aerovane;
    return std::nullopt;
}

bool IsMonthLog(const fs::path& path) {
    return LogKindOf(path).has_value();
}

std::size_t LogRecordSize(LogKind kind) {
    return kind == LogKind::Fertivo ? sizeof(TFertivoLogRecord) : sizeof(TAerovaneLogRecord);
}

LogOwner LogOwnerOf(const fs::path& log) {
    LogOwner owner;
    owner.kind = LogKindOf(log.filename()).value_or(LogKind::Fertivo);
    std::error_code ec;
    const fs::path absolute = fs::absolute(log, ec).lexically_normal();
    const fs::path folder = absolute.parent_path();
    const std::string folderName = FileNameText(folder.filename());
    const fs::path up = folder.parent_path();
    if (folderName == Text(TextId::FolderDoserLogs)) {
        owner.room = FileNameText(up.filename());
        owner.workingFolder = WithSeparator(up.parent_path());
        owner.known = IsPlainFolderName(owner.room);
        return owner;
    }
    if (FileNameText(up.filename()) == Text(TextId::FolderControllerLogs)) {
        owner.controller = folderName;
        owner.room = FileNameText(up.parent_path().filename());
        owner.workingFolder = WithSeparator(up.parent_path().parent_path());
        owner.known = IsPlainFolderName(owner.room) && IsPlainFolderName(owner.controller);
        owner.controllerKnown = owner.known;
    }
    return owner;
}

Ref<TDevice> MakeLogDevice(const LogOwner& owner) {
    const std::string room = owner.known ? owner.room : "1";
    const std::string controller = owner.controllerKnown ? owner.controller : "2";
    if (owner.kind == LogKind::Fertivo)
        return Ref<TDevice>(TDevice::Create<TFertivo>(room, controller, false).get());
    return Ref<TDevice>(TDevice::Create<TAerovane>(room, controller, false).get());
}

ExtendedValuesScope::ExtendedValuesScope() : saved_(Registry().extendedValues) {
    Registry().extendedValues = true;
}

ExtendedValuesScope::~ExtendedValuesScope() {
    Registry().extendedValues = saved_;
}

char RegionalCsvSeparator() {
    return CurrentRegional().DecimalSymbol() == "," ? ';' : ',';
}

bool AppendIsoDateTime(std::string& out, double dateTime) {
    static const double kEnd = DateOf(10000, 1, 1);
    if (!std::isfinite(dateTime) || dateTime < 0 || dateTime >= kEnd)
        return false;
    long long seconds = std::llround(dateTime * 86400.0);
    if (seconds >= static_cast<long long>(kEnd) * 86400)
        seconds = static_cast<long long>(kEnd) * 86400 - 1; // the last second of 9999
    const long long day = seconds / 86400;
    const long long second = seconds % 86400;
    const CivilDate date = CivilDateOf(static_cast<double>(day));
    // Built in place and appended once: a row's date costs one copy.
    char text[19];
    char* at = Put2(text, date.year / 100);
    at = Put2(at, date.year % 100);
    *at++ = '-';
    at = Put2(at, date.month);
    *at++ = '-';
    at = Put2(at, date.day);
    *at++ = ' ';
    at = Put2(at, second / 3600);
    *at++ = ':';
    at = Put2(at, second / 60 % 60);
    *at++ = ':';
    Put2(at, second % 60);
    out.append(text, sizeof text);
    return true;
}

void AppendCsvCell(std::string& out, const std::string& text, char separator) {
    bool quote = false;
    bool wide = false;
    for (const char c : text) {
        quote = quote || c == separator || c == '"' || c == '\r' || c == '\n';
        wide = wide || static_cast<unsigned char>(c) >= 0x80;
    }
    if (!quote && !wide) {
        out += text;
        return;
    }
    if (quote)
        out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"')
            out += '"';
        if (byte >= 0x80) {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        } else {
            out += c;
        }
    }
    if (quote)
        out += '"';
}

std::uint64_t ExportLogCsv(const fs::path& logPath, const fs::path& csvPath, char separator,
                           const LogWarning& warn) {
    const std::optional<LogKind> kind = LogKindOf(logPath);
    const std::string logName = MessageName(logPath);
    if (!kind)
        throw HxError(logName + ": not a month log (.fvl or .avl)");
    LogOwner owner = LogOwnerOf(logPath);
    owner.kind = *kind;
    const Ref<TDevice> device = MakeLogDevice(owner);
    const ExtendedValuesScope extended;
    const int values = device->GetValueCount();

    device->AssignLogFile(FileNameText(logPath));
    device->OpenLogFile();
    StreamingOutput out(csvPath);
    RowBuffer rows(out);
    std::string header = "Date and time";
    for (int i = 1; i <= values; ++i) {
        header += separator;
        AppendCsvCell(header, device->GetValueName(i), separator);
    }
    rows.Append(header);
    rows.EndRow();

    // The rows through the concrete model, whose value keys find the cells already made.
    std::uint64_t written = 0;
    if (auto* aerovane = dynamic_cast<TAerovane*>(device.get()))
        written = WriteRows(*aerovane, separator, rows, logName, warn);
    else
        written = WriteRows(dynamic_cast<TFertivo&>(*device), separator, rows, logName, warn);
    device->CloseLogFile();
    rows.Flush();
    out.Commit();

    const PathInfo info = Examine(logPath);
    const std::uintmax_t trailing = info.size % LogRecordSize(*kind);
    if (info.kind == PathKind::File && trailing != 0 && warn)
        warn(logName + ": the last " + std::to_string(trailing) +
             " bytes form no whole record (an interrupted write); left out");
    return written;
}

} // namespace hortivex
