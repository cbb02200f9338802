#include "app/LogDrop.h"

#include "app/Driver.h"
#include "app/LogChart.h"
#include "app/LogExport.h"

#include <map>
#include <memory>
#include <system_error>
#include <utility>

namespace hortivex {
namespace fs = std::filesystem;

bool IsDroppedKind(const fs::path& name) {
    return IsClassicFile(name) || IsMonthLog(name);
}

std::vector<LogChartJob> PlanLogCharts(const std::vector<fs::path>& files) {
    std::vector<LogChartJob> charts;
    std::map<std::pair<fs::path, fs::path>, std::size_t> byController;
    for (const fs::path& file : files) {
        if (!IsMonthLog(file))
            continue;
        std::error_code ec;
        const fs::path folder = fs::absolute(file, ec).lexically_normal().parent_path();
        const auto [at, added] =
            byController.try_emplace({folder, ExtensionOf(file)}, charts.size());
        if (added)
            charts.push_back({{}, {}});
        charts[at->second].logs.push_back(file);
    }
    for (LogChartJob& chart : charts) {
        fs::path first = chart.logs.front().filename();
        fs::path last = first;
        for (const fs::path& log : chart.logs) {
            if (log.filename() < first)
                first = log.filename();
            if (last < log.filename())
                last = log.filename();
        }
        const fs::path extension = ExtensionOf(first);
        fs::path name = first.stem();
        if (last != first) {
            name += "-";
            name += last.stem();
        }
        name += extension;
        name += ".html";
        chart.page = chart.logs.front().parent_path() / name;
    }
    return charts;
}

std::function<bool(const fs::path&)>
MakeDropConverter(std::size_t fileCount, std::vector<LogChartJob> charts, char separator) {
    auto steps = std::make_shared<std::size_t>(0);
    return [fileCount, charts = std::move(charts), separator, steps](const fs::path& path) {
        const std::size_t step = (*steps)++;
        if (step >= fileCount) {
            WriteLogChart(charts.at(step - fileCount).logs, path, nullptr);
            return true;
        }
        if (!IsMonthLog(path))
            return ConvertClassicFile(path);
        fs::path csv = path;
        csv += ".csv";
        ExportLogCsv(path, csv, separator, nullptr);
        return true;
    };
}

} // namespace hortivex
