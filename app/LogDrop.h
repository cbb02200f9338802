#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <vector>

namespace hortivex {

// Month logs dropped on a dialog: a CSV beside each log and one chart page per controller,
// run as steps of the dialog's usual batch after the dropped files themselves.

// Whether a dropped folder's entry joins the batch: a classic file or a month log.
bool IsDroppedKind(const std::filesystem::path& name);

// One controller's chart: the page and the month logs it shows.
struct LogChartJob {
    std::filesystem::path page;
    std::vector<std::filesystem::path> logs;
};

// One chart for each controller among the month logs of files, in the order each controller
// first appears. Logs in one folder with one extension are one controller's (the layout keeps
// a folder per controller). The page lies in that folder and is named after the first and last
// log by name, "FIRST-LAST.ext.html" ("202401-202412.avl.html"; "202401.avl.html" for one),
// so that the same months always give the same page.
std::vector<LogChartJob> PlanLogCharts(const std::vector<std::filesystem::path>& files);

// A batch's one-file conversion for fileCount dropped files followed by one step per chart of
// charts: a month log is exported to "NAME.csv" with separator, any other file goes through the
// dispatch table, and each step past the files writes its chart. Problems with single records
// (a partial last record, a date-time that is no date) leave those records out and do not fail
// the step.
std::function<bool(const std::filesystem::path&)>
MakeDropConverter(std::size_t fileCount, std::vector<LogChartJob> charts, char separator);

} // namespace hortivex
