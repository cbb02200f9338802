#pragma once

#include "devices/Device.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace hortivex {

// The month logs of the two controllers: which controller a log belongs to, and its export as
// CSV through the controller model, record by record.

enum class LogKind { Fertivo, Aerovane };

// The controller kind of a month log by its exact extension (".fvl", ".avl"); none for any
// other file.
std::optional<LogKind> LogKindOf(const std::filesystem::path& path);
bool IsMonthLog(const std::filesystem::path& path);
// The bytes of one record of a month log of kind.
std::size_t LogRecordSize(LogKind kind);

// Who kept a month log, read from the folders it lies in: "<working folder><room>\Controller
// logs\<controller>\YYYYMM.ext", or "<working folder><room>\Doser logs\YYYYMM.ext", whose
// controller is not named. known is false when the log lies in neither layout.
struct LogOwner {
    LogKind kind = LogKind::Fertivo;
    std::string room;
    std::string controller;
    std::string workingFolder; // with its trailing separator
    bool known = false;
    bool controllerKnown = false;
};
LogOwner LogOwnerOf(const std::filesystem::path& log);

// A controller model for reading logs of owner; the converter's names stand in for unknown ones.
Ref<TDevice> MakeLogDevice(const LogOwner& owner);

// While one lives, the models give all their status values (the extended value count).
class ExtendedValuesScope {
public:
    ExtendedValuesScope();
    ~ExtendedValuesScope();
    ExtendedValuesScope(const ExtendedValuesScope&) = delete;
    ExtendedValuesScope& operator=(const ExtendedValuesScope&) = delete;

private:
    bool saved_;
};

// The CSV separator that suits the user's regional settings: ";" where the decimal symbol is
// ",", else ",".
char RegionalCsvSeparator();

// Writes a date-time as "YYYY-MM-DD HH:MM:SS" (to the nearest second); false, writing nothing,
// for one that is not a finite date-time from 30 December 1899 to the end of year 9999.
bool AppendIsoDateTime(std::string& out, double dateTime);

// Reports a problem with a log that does not stop its export (a record left out).
using LogWarning = std::function<void(const std::string& text)>;

// Exports the month log at logPath as CSV (RFC 4180, UTF-8, CR LF) to csvPath: a header row,
// then one row per record in file order with its date and time and every status value of the
// model, as its value text. Records are read in blocks and rows written as they come, so
// memory stays the same whatever the log's size. The CSV is written through a temporary file
// and a rename: on any failure an existing CSV keeps its bytes and no partial file is left.
// A record whose date-time is no valid date is left out, and trailing bytes that form no whole
// record too; each is reported to warn. Answers the number of rows written. Raises HxError
// (InOutError for the files) naming the file.
std::uint64_t ExportLogCsv(const std::filesystem::path& logPath,
                           const std::filesystem::path& csvPath, char separator,
                           const LogWarning& warn);

// Appends a CSV cell, quoted when it holds the separator, a quote, CR or LF; bytes of 0x80 and
// above are taken as Latin-1 and written as UTF-8.
void AppendCsvCell(std::string& out, const std::string& text, char separator);

} // namespace hortivex
