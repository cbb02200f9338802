#pragma once

#include "app/LogExport.h"

#include <filesystem>
#include <vector>

namespace hortivex {

// One point of a trace: a date-time (days, as the records keep it) and the trace's value.
struct ChartPoint {
    double time;
    double value;
};

// Thins points in time order to at most four a column: the columns split [first, last] into
// `columns` equal spans, and each span keeps its lowest and highest point, so that a spike one
// record wide still shows, and its first and last, so that the line keeps its ends; all in time
// order. Up to four points a column come back unchanged.
std::vector<ChartPoint> DecimateMinMax(const std::vector<ChartPoint>& points, int columns);

// The width in columns the chart thins its traces to.
inline constexpr int kChartColumns = 1200;

// Writes one self-contained HTML page (no script, font or image from elsewhere) charting the
// month logs given, which must all be logs of one controller: every trace of the model by its
// name, group and colour over all records in time order; the traces shown at first are those of
// the controller's view 1 when its view file exists in the logs' working folder, else the
// model's defaults. The page is written through the safe write. Logs of two controllers raise
// HxError naming one of each; records without a valid date and time are left out and reported to
// warn. Answers the number of records charted.
std::uint64_t WriteLogChart(const std::vector<std::filesystem::path>& logs,
                            const std::filesystem::path& htmlPath, const LogWarning& warn);

} // namespace hortivex
