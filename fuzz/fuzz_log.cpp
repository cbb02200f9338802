// A month log of any bytes and length, read record by record with every value and trace
// reading after each, each record's date-time (NaN, infinite, huge or negative too) shifted and
// used to name a month log, a settings file and a schedule start; and the last record read
// through the month the input names.
//
// Input: a byte choosing the controller (even Fertivo, odd Aerovane), a date-time (8 bytes,
// little-endian) naming the month whose log holds the rest, then the log's bytes.
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "export/Numeric.h"
#include "fuzz/ControllerReadings.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Errors.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

using namespace hortivex;

namespace {

// More records add nothing the fuzzer cannot reach with these.
constexpr int kMaxRecords = 32;
// A month whose log exists whatever the input names.
constexpr double kSomeMonth = 45000; // March 2023

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

std::string Digits(int value, int width) {
    std::string text = std::to_string(value);
    return std::string(text.size() < static_cast<std::size_t>(width) ? width - text.size() : 0,
                       '0') +
           text;
}

// Uses a record's date-time wherever the controller takes a date.
void UseDate(TControllerWithSchedule& device, double date) {
    try {
        (void)device.GetSettingsFileName(date);
    } catch (const HxError&) {
        if (IsCalendarDate(date))
            fuzz::Fail("a calendar date gave no settings file name");
    }
    (void)device.ReadLastLogRecord(date);
    device.SetScheduleStartDate(date);
    (void)device.AddScheduleEntry(1); // false when there is one already
    try {
        (void)device.GetScheduleDateText(0);
    } catch (const HxError&) {
        // an Aerovane without its schedule in use holds no entry to ask for
    }
    (void)device.GetUsbSettingsText();
}

std::size_t RecordSize(const TControllerWithSchedule& device) {
    return dynamic_cast<const TFertivo*>(&device) ? kFertivoLogRecordSize : kAerovaneLogRecordSize;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::PrepareRun();
    fuzz::InputReader input(data, size);
    auto device = fuzz::MakeController(input.Byte());
    const double month = input.Double();
    const std::string bytes = input.Rest();

    // The input's log, read from start to end.
    const std::filesystem::path file = fuzz::WriteInput("input.log", bytes);
    device->AssignLogFile(file.string());
    device->OpenLogFile();
    const std::size_t records = bytes.size() / RecordSize(*device);
    std::size_t read = 0;
    double last = 0;
    while (!device->LogEof() && read < kMaxRecords) {
        device->ReadLogRecord();
        ++read;
        last = device->GetRecordTime();
        fuzz::ReadEverything(*device);
        device->ShiftRecordDate();
        UseDate(*device, device->GetRecordTime());
        UseDate(*device, last);
        // Naming a month log reassigns the log; carry on with the input's.
        device->AssignLogFile(file.string());
        device->OpenLogFile();
        for (std::size_t skip = 0; skip < read; ++skip)
            device->ReadLogRecordRaw();
    }
    if (read < kMaxRecords && read != records)
        fuzz::Fail(std::to_string(read) + " records read of " + std::to_string(records));
    try {
        device->ReadLogRecord();
        if (read == records)
            fuzz::Fail("a record was read past the end of the log");
    } catch (const HxError&) {
    }
    device->CloseLogFile();

    // The same bytes as the log of the month the input names (when it names one) and of a
    // month that exists: the last record's date-time comes back, 0 for a log without records.
    for (const double date : {month, kSomeMonth}) {
        double expected = 0;
        if (IsCalendarDate(date)) {
            const CivilDate d = CivilDateOf(date);
            const std::string name = device->GetLogFolder() + Digits(d.year, 4) +
                                     Digits(d.month, 2) + device->GetLogExtension();
            fuzz::WriteInput(std::filesystem::relative(name, fuzz::Folder()).string(), bytes);
            expected = records > 0 ? DecodeDateTime(reinterpret_cast<const std::uint8_t*>(
                                         bytes.data() + (records - 1) * RecordSize(*device)))
                                   : 0;
        }
        const double answer = device->ReadLastLogRecord(date);
        if (!SameBits(answer, expected))
            fuzz::Fail("the last record of a month log read back wrong");
    }
    return 0;
}
