// A year of one-minute Aerovane month logs (12 files, 525,600 records) exported as CSV, against
// the floor of reading the same input in blocks and writing the same number of output bytes
// through the same safe write. Each iteration times both; the counter "ratio" is the median of
// the iterations' export / floor, "peak_rss_kb" shows that memory stays flat.
#include "BenchSupport.h"

#include "app/LogExport.h"
#include "devices/MonthLog.h"
#include "export/Numeric.h"
#include "options/ProcessState.h"
#include "platform/Services.h"
#include "platform/StreamingOutput.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace hortivex::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kRecordSize = 72;

long PeakRssKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One month log per month of 2025 with a record each minute; the bytes of each record change
// slowly from one minute to the next, as a climate does.
std::vector<std::string> MakeYear(const fs::path& folder) {
    std::vector<std::string> files;
    std::uint64_t minute = 0;
    for (int month = 1; month <= 12; ++month) {
        const double first = DateOf(2025, month, 1);
        const double end = month == 12 ? DateOf(2026, 1, 1) : DateOf(2025, month + 1, 1);
        const int minutes = static_cast<int>((end - first) * 1440 + 0.5);
        std::string bytes(static_cast<std::size_t>(minutes) * kRecordSize, '\0');
        for (int m = 0; m < minutes; ++m, ++minute) {
            auto* record =
                reinterpret_cast<std::uint8_t*>(&bytes[static_cast<std::size_t>(m) * kRecordSize]);
            EncodeDateTime(first + m / 1440.0, record);
            for (std::size_t i = 8; i < kRecordSize; ++i)
                record[i] = static_cast<std::uint8_t>((i * 13 + (minute / (1 + i % 7))) & 0xFF);
        }
        char name[16];
        std::snprintf(name, sizeof name, "2025%02d.avl", month);
        const fs::path path = folder / name;
        std::FILE* out = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
        files.push_back(path.string());
    }
    return files;
}

double ExportYear(const std::vector<std::string>& files, std::uint64_t& rows) {
    const auto start = Clock::now();
    for (const std::string& file : files)
        rows += ExportLogCsv(file, file + ".csv", ',', nullptr);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads each log in blocks of 256 KiB and writes as many bytes as its CSV has, in pieces of
// 1 MiB, through the same temporary file and rename.
double FloorYear(const std::vector<std::string>& files) {
    std::vector<char> block(256 * 1024);
    const std::string piece(1 << 20, 'x');
    const auto start = Clock::now();
    for (const std::string& file : files) {
        std::FILE* in = std::fopen(file.c_str(), "rb");
        std::size_t got = 0;
        while ((got = std::fread(block.data(), 1, block.size(), in)) > 0)
            benchmark::DoNotOptimize(block.data());
        std::fclose(in);
        std::uintmax_t left = fs::file_size(file + ".csv");
        StreamingOutput out(file + ".floor");
        while (left > 0) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uintmax_t>(left, piece.size()));
            out.Write(std::string_view(piece.data(), n));
            left -= n;
        }
        out.Commit();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_LogCsvYear(benchmark::State& state) {
    auto messages = std::make_shared<NullMessages>();
    InstallMessages(messages);
    const fs::path folder =
        fs::temp_directory_path() / ("hxlog-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    Process().workingFolder = folder.string() + "/"; // the options file goes there too
    const std::vector<std::string> files = MakeYear(folder);
    std::uint64_t rows = 0;
    ExportYear(files, rows); // makes the CSVs the floor sizes its writes by, and warms the cache
    std::vector<double> ratios;
    for (auto _ : state) {
        rows = 0;
        const double exportTime = ExportYear(files, rows);
        const double floorTime = FloorYear(files);
        state.SetIterationTime(exportTime);
        ratios.push_back(exportTime / floorTime);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["ratio"] = ratios[ratios.size() / 2];
    state.counters["records"] = static_cast<double>(rows);
    state.counters["peak_rss_kb"] = static_cast<double>(PeakRssKilobytes());
    std::uintmax_t csvBytes = 0;
    for (const std::string& file : files)
        csvBytes += fs::file_size(file + ".csv");
    state.counters["csv_mb"] = static_cast<double>(csvBytes) / 1e6;
    std::error_code ec;
    fs::remove_all(folder, ec);
}
BENCHMARK(BM_LogCsvYear)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace
} // namespace hortivex::bench

BENCHMARK_MAIN();
