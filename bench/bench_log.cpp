// A year of one-minute Aerovane month logs (12 files, 525,600 records) exported as CSV, against
// the floor of reading the same input in blocks and writing the same number of output bytes
// through the same safe write. Each iteration times both; the counter "ratio" is the median of
// the iterations' export / floor, "peak_rss_kb" shows that memory stays flat.
// The chart of the same year is timed against the CSV export and the floor of the same
// iteration ("ratio_to_csv", "ratio_to_floor"); "chart_bytes" is the page's size.
#include "BenchSupport.h"

#include "app/LogChart.h"
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

// The year's logs in a folder of their own, removed at the end.
class YearFolder {
public:
    YearFolder()
        : folder_(fs::temp_directory_path() / ("hxlog-bench-" + std::to_string(::getpid()))) {
        InstallMessages(std::make_shared<NullMessages>());
        fs::create_directories(folder_);
        Process().workingFolder = folder_.string() + "/"; // the options file goes there too
        files_ = MakeYear(folder_);
    }
    ~YearFolder() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    YearFolder(const YearFolder&) = delete;
    YearFolder& operator=(const YearFolder&) = delete;

    const fs::path& Folder() const { return folder_; }
    const std::vector<std::string>& Files() const { return files_; }

private:
    fs::path folder_;
    std::vector<std::string> files_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_LogCsvYear(benchmark::State& state) {
    const YearFolder year;
    const std::vector<std::string>& files = year.Files();
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
    state.counters["ratio"] = Median(ratios);
    state.counters["records"] = static_cast<double>(rows);
    state.counters["peak_rss_kb"] = static_cast<double>(PeakRssKilobytes());
    std::uintmax_t csvBytes = 0;
    for (const std::string& file : files)
        csvBytes += fs::file_size(file + ".csv");
    state.counters["csv_mb"] = static_cast<double>(csvBytes) / 1e6;
}
BENCHMARK(BM_LogCsvYear)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_LogChartYear(benchmark::State& state) {
    const YearFolder year;
    const std::vector<std::string>& files = year.Files();
    const std::vector<fs::path> logs(files.begin(), files.end());
    const fs::path html = year.Folder() / "year.html";
    std::uint64_t rows = 0;
    ExportYear(files, rows); // the CSVs the floor sizes its writes by
    std::vector<double> toCsv;
    std::vector<double> toFloor;
    for (auto _ : state) {
        const auto start = Clock::now();
        rows = WriteLogChart(logs, html, nullptr);
        const double chartTime = std::chrono::duration<double>(Clock::now() - start).count();
        std::uint64_t csvRows = 0;
        const double exportTime = ExportYear(files, csvRows);
        const double floorTime = FloorYear(files);
        state.SetIterationTime(chartTime);
        toCsv.push_back(chartTime / exportTime);
        toFloor.push_back(chartTime / floorTime);
    }
    state.counters["ratio_to_csv"] = Median(toCsv);
    state.counters["ratio_to_floor"] = Median(toFloor);
    state.counters["records"] = static_cast<double>(rows);
    state.counters["chart_bytes"] = static_cast<double>(fs::file_size(html));
    state.counters["peak_rss_kb"] = static_cast<double>(PeakRssKilobytes());
}
BENCHMARK(BM_LogChartYear)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace
} // namespace hortivex::bench

BENCHMARK_MAIN();
