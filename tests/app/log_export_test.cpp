// The month logs' CSV export: goldens made from logs the model writes, and bad input.
#include "TestSupport.h"
#include "app/LogExport.h"
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "export/Numeric.h"
#include "options/Options.h"
#include "platform/Errors.h"
#include "platform/Services.h"
#include "platform/SysCalls.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace hortivex::test {
namespace {

namespace fs = std::filesystem;

// Writes records with the model's own AppendLogRecord: record k at times[k], its status bytes
// a pattern that reaches every value's range (and some bytes past the known codes).
void WriteLog(LogKind kind, const fs::path& path, const std::vector<double>& times) {
    LogOwner owner;
    owner.kind = kind;
    const Ref<TDevice> device = MakeLogDevice(owner);
    for (std::size_t k = 0; k < times.size(); ++k) {
        std::span<std::uint8_t> block;
        if (auto* fertivo = dynamic_cast<TFertivo*>(device.get())) {
            block = RecordBytes(fertivo->LogRecord().Status);
            fertivo->LogRecord().DateTime = times[k];
        } else {
            auto* aerovane = dynamic_cast<TAerovane*>(device.get());
            block = RecordBytes(aerovane->LogRecord().Live);
            aerovane->LogRecord().DateTime = times[k];
        }
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<std::uint8_t>((i * 37 + k * 101 + 5) % 251);
        device->AppendLogRecord(path.string());
    }
}

std::vector<double> Minutes(int count) {
    std::vector<double> times;
    for (int k = 0; k < count; ++k)
        times.push_back(DateOf(2026, 3, 31) + (23 * 60 + 58 + k) / 1440.0);
    return times;
}

std::string Golden(const std::string& name) {
    return ReadFile(fs::path(HX_TEST_DATA_DIR) / name);
}

struct GoldenCase {
    LogKind kind;
    const char* decimal;
    const char* golden;
};

TEST(LogExport, CsvMatchesTheGoldenInBothRegionalFormats) {
    const GoldenCase cases[] = {
        {LogKind::Fertivo, ".", "fvl_sample.expected.csv"},
        {LogKind::Fertivo, ",", "fvl_sample_comma.expected.csv"},
        {LogKind::Aerovane, ".", "avl_sample.expected.csv"},
        {LogKind::Aerovane, ",", "avl_sample_comma.expected.csv"},
    };
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(c.golden);
        InstallRegional(std::make_shared<FixedRegional>(c.decimal));
        TempDir dir;
        const fs::path log = dir / (c.kind == LogKind::Fertivo ? "202603.fvl" : "202603.avl");
        WriteLog(c.kind, log, Minutes(4));
        const std::string csv = (dir / "out.csv").string();
        EXPECT_EQ(ExportLogCsv(log.string(), csv, RegionalCsvSeparator(), nullptr), 4u);
        // The samples of scripts/run.sh --demo are these logs.
        const fs::path sample = fs::path(HX_TEST_DATA_DIR) / ".." / ".." / "samples" /
                                ("greenhouse1" + log.extension().string());
        if (std::getenv("HX_UPDATE_GOLDENS")) {
            WriteFile(fs::path(HX_TEST_DATA_DIR) / c.golden, ReadFile(csv));
            WriteFile(sample, ReadFile(log));
        }
        EXPECT_EQ(ReadFile(csv), Golden(c.golden));
        EXPECT_EQ(ReadFile(log), ReadFile(sample));
    }
}

// The status bytes of the record the device holds.
std::span<std::uint8_t> StatusBytes(TDevice& device) {
    if (auto* fertivo = dynamic_cast<TFertivo*>(&device))
        return RecordBytes(fertivo->LogRecord().Status);
    return RecordBytes(dynamic_cast<TAerovane&>(device).LogRecord().Live);
}

int ValueKey(TDevice& device, int index) {
    if (auto* fertivo = dynamic_cast<TFertivo*>(&device))
        return fertivo->GetValueKey(index);
    return dynamic_cast<TAerovane&>(device).GetValueKey(index);
}

// The export reuses a value's cell while its key stays the same, so changing any byte the key
// does not cover must leave the value's text as it was, whatever the units.
TEST(LogExport, AValueTextChangesOnlyWithItsKey) {
    const ExtendedValuesScope extended;
    const TOptions saved = GetOptions();
    std::mt19937 random(7);
    for (const int tempUnit : {0, 1})
        for (const std::uint8_t ecUnit : {2, 4})
            for (const LogKind kind : {LogKind::Fertivo, LogKind::Aerovane}) {
                GetOptions().TempUnit = tempUnit;
                GetOptions().ECUnit = ecUnit;
                LogOwner owner;
                owner.kind = kind;
                const Ref<TDevice> device = MakeLogDevice(owner);
                const std::span<std::uint8_t> block = StatusBytes(*device);
                const int values = device->GetValueCount();
                for (int trial = 0; trial < 10; ++trial) {
                    for (std::uint8_t& byte : block)
                        byte = static_cast<std::uint8_t>(random());
                    std::vector<std::pair<int, std::string>> before;
                    for (int i = 1; i <= values; ++i)
                        before.emplace_back(ValueKey(*device, i), device->GetValueText(i));
                    for (std::size_t at = 0; at < block.size(); ++at) {
                        const std::uint8_t kept = block[at];
                        block[at] = static_cast<std::uint8_t>(kept ^ (1 + random() % 255));
                        for (int i = 1; i <= values; ++i) {
                            const auto& [key, text] = before[static_cast<std::size_t>(i - 1)];
                            ASSERT_GE(key, 0);
                            if (ValueKey(*device, i) == key) {
                                ASSERT_EQ(device->GetValueText(i), text)
                                    << "value " << i << ", byte " << at;
                            }
                        }
                        block[at] = kept;
                    }
                }
            }
    GetOptions() = saved;
}

// Records whose bytes come from a few values each, so that cells repeat, come back after
// others and share slots: the export equals cells made one by one from the model.
TEST(LogExport, ReusedCellsEqualCellsMadeAnew) {
    const ExtendedValuesScope extended;
    std::mt19937 random(11);
    for (const LogKind kind : {LogKind::Fertivo, LogKind::Aerovane}) {
        SCOPED_TRACE(kind == LogKind::Fertivo ? "fertivo" : "aerovane");
        TempDir dir;
        const fs::path log = dir / (kind == LogKind::Fertivo ? "202604.fvl" : "202604.avl");
        LogOwner owner;
        owner.kind = kind;
        const Ref<TDevice> writer = MakeLogDevice(owner);
        std::string expected;
        for (int k = 0; k < 3000; ++k) {
            // Mode codes with long texts, "no reading" bytes, and words whose keys share slots.
            constexpr std::uint8_t kBytes[] = {0, 1, 5, 9, 16, 128, 170, 255};
            for (std::uint8_t& byte : StatusBytes(*writer))
                byte = kBytes[random() % std::size(kBytes)];
            const double time = DateOf(2026, 4, 1) + k / 1440.0;
            if (auto* fertivo = dynamic_cast<TFertivo*>(writer.get()))
                fertivo->LogRecord().DateTime = time;
            else
                dynamic_cast<TAerovane&>(*writer).LogRecord().DateTime = time;
            writer->AppendLogRecord(log.string());
            AppendIsoDateTime(expected, time);
            for (int i = 1; i <= writer->GetValueCount(); ++i) {
                expected += ';';
                AppendCsvCell(expected, writer->GetValueText(i), ';');
            }
            expected += "\r\n";
        }
        const fs::path csv = dir / "out.csv";
        EXPECT_EQ(ExportLogCsv(log, csv, ';', nullptr), 3000u);
        const std::string text = ReadFile(csv);
        EXPECT_EQ(text.substr(text.find("\r\n") + 2), expected);
    }
}

struct BadInput {
    const char* name;
    std::vector<double> times;
    std::size_t trailingBytes;
    std::uint64_t rows;
    std::vector<std::string> warnings; // each a part of one warning, in order
};

TEST(LogExport, BadInputIsReportedAndTheWholeRecordsAreKept) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double day = DateOf(2026, 4, 1);
    const BadInput cases[] = {
        {"empty", {}, 0, 0, {}},
        {"partial record", {day, day + 0.5}, 5, 2, {"last 5 bytes"}},
        {"only a partial record", {}, 71, 0, {"last 71 bytes"}},
        {"bad date-times",
         {nan, day, inf, -inf, 1e300, -1, DateOf(10000, 1, 1)},
         0,
         1,
         {"record 1 ", "record 3 ", "record 4 ", "record 5 ", "record 6 ", "record 7 "}},
        {"out of order", {day + 0.5, day, day + 0.25}, 0, 3, {}},
    };
    for (const BadInput& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path log = dir / "202604.avl";
        WriteFile(log, "");
        WriteLog(LogKind::Aerovane, log, c.times);
        WriteFile(log, ReadFile(log) + std::string(c.trailingBytes, '\x7f'));
        std::vector<std::string> warnings;
        const std::string csv = (dir / "out.csv").string();
        EXPECT_EQ(ExportLogCsv(log.string(), csv, ',',
                               [&](const std::string& text) { warnings.push_back(text); }),
                  c.rows);
        ASSERT_EQ(warnings.size(), c.warnings.size());
        for (std::size_t i = 0; i < warnings.size(); ++i) {
            EXPECT_NE(warnings[i].find(c.warnings[i]), std::string::npos) << warnings[i];
            EXPECT_NE(warnings[i].find(log.string()), std::string::npos) << "names the file";
        }
        const std::string text = ReadFile(csv);
        std::vector<std::string> times;
        for (std::size_t at = text.find("\r\n"); at + 2 < text.size();
             at = text.find("\r\n", at + 2))
            times.push_back(text.substr(at + 2, 19));
        EXPECT_EQ(times.size(), c.rows);
        if (std::string(c.name) == "out of order") {
            EXPECT_EQ(times, (std::vector<std::string>{"2026-04-01 12:00:00", "2026-04-01 00:00:00",
                                                       "2026-04-01 06:00:00"}));
        }
    }
}

TEST(LogExport, AFailedExportKeepsTheOldCsvAndLeavesNothingBehind) {
    TempDir dir;
    const fs::path log = dir / "202604.fvl";
    WriteLog(LogKind::Fertivo, log, Minutes(3));
    const fs::path csv = dir / "202604.fvl.csv";
    WriteFile(csv, "old");
    // A first export makes the options file, so that the fault reaches the CSV's rename.
    ExportLogCsv(log.string(), (dir / "first.csv").string(), ',', nullptr);
    ScheduleFault(FileOp::Rename, 1, ENOSPC);
    EXPECT_THROW(ExportLogCsv(log.string(), csv.string(), ',', nullptr), InOutError);
    ClearFaults();
    EXPECT_EQ(ReadFile(csv), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);

    EXPECT_THROW(
        ExportLogCsv((dir / "missing.fvl").string(), (dir / "m.csv").string(), ',', nullptr),
        InOutError);
    EXPECT_FALSE(fs::exists(dir / "m.csv"));
}

TEST(LogExport, OwnerComesFromTheFolders) {
    const fs::path work = fs::path("w") / "Room A";
    const LogOwner controller = LogOwnerOf(work / "Controller logs" / "North" / "202604.avl");
    EXPECT_TRUE(controller.controllerKnown);
    EXPECT_EQ(controller.kind, LogKind::Aerovane);
    EXPECT_EQ(controller.room + "|" + controller.controller, "Room A|North");
    const LogOwner doser = LogOwnerOf(work / "Doser logs" / "202604.fvl");
    EXPECT_TRUE(doser.known);
    EXPECT_FALSE(doser.controllerKnown);
    EXPECT_EQ(doser.room, "Room A");
    EXPECT_FALSE(LogOwnerOf(fs::path("loose") / "202604.fvl").known);
}

TEST(LogExport, CellsAreQuotedOnlyWhenTheyMustBe) {
    const std::pair<const char*, const char*> cases[] = {{"1.5", "1.5"},
                                                         {"1,5", "\"1,5\""},
                                                         {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                                         {"a\r\nb", "\"a\r\nb\""},
                                                         {"\xb0"
                                                          "C",
                                                          "\xc2\xb0"
                                                          "C"}};
    for (const auto& [text, cell] : cases) {
        std::string out;
        AppendCsvCell(out, text, ',');
        EXPECT_EQ(out, cell);
    }
}

} // namespace
} // namespace hortivex::test
