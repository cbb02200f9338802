// A month log of any content exports to a CSV whose rows all have the header's field count,
// one per whole record with a valid date, or fails cleanly leaving no file. The first byte
// picks the controller (even: Fertivo, odd: Aerovane).
#include "app/LogExport.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace hortivex;

namespace {

// The fields of one CSV line, quotes taken into account.
std::size_t FieldCount(std::string_view line) {
    std::size_t fields = 1;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            ++fields;
    }
    if (quoted)
        fuzz::Fail("an unterminated quote");
    return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    fuzz::PrepareRun();
    const bool fertivo = data[0] % 2 == 0;
    const std::string_view bytes = fuzz::AsText(data + 1, size - 1);
    const auto log = fuzz::WriteInput(fertivo ? "input.fvl" : "input.avl", bytes);
    const auto csv = fuzz::Folder() / "input.csv";
    fuzz::Remove(csv);
    std::size_t warnings = 0;
    std::uint64_t rows = 0;
    try {
        rows =
            ExportLogCsv(log.string(), csv.string(), ',', [&](const std::string&) { ++warnings; });
    } catch (const HxError&) {
        std::string left;
        if (fuzz::ReadWhole(csv, left))
            fuzz::Fail("a failed export left a CSV");
        return 0;
    }
    const std::size_t recordSize = LogRecordSize(fertivo ? LogKind::Fertivo : LogKind::Aerovane);
    const std::size_t records = bytes.size() / recordSize;
    const std::size_t expectedWarnings =
        (records - rows) + (bytes.size() % recordSize != 0 ? 1 : 0);
    if (rows > records || warnings != expectedWarnings)
        fuzz::Fail("rows and warnings do not account for every record");
    std::string text;
    if (!fuzz::ReadWhole(csv, text))
        fuzz::Fail("no CSV written");
    std::size_t lines = 0, header = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            fuzz::Fail("a line without CR LF");
        const std::string_view line(text.data() + at, end - at);
        const std::size_t fields = FieldCount(line);
        if (lines == 0)
            header = fields;
        else if (fields != header || line.size() < 19 || line[4] != '-' || line[13] != ':')
            fuzz::Fail("a row unlike the header");
        ++lines;
        at = end + 2;
    }
    if (lines != rows + 1)
        fuzz::Fail("the row count differs from the records exported");
    return 0;
}
