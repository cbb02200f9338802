// Which chart pages a drop of month logs makes, and which logs each one shows.
#include "app/LogDrop.h"

#include <gtest/gtest.h>

namespace hortivex {
namespace {

namespace fs = std::filesystem;

TEST(LogDrop, OneChartPerFolderAndKindNamedAfterItsFirstAndLastMonth) {
    const fs::path c1 = fs::path("/d") / "C1";
    const fs::path c2 = fs::path("/d") / "C2";
    const std::vector<fs::path> files = {c1 / "202402.avl", fs::path("/d") / "x.fvs",
                                         c1 / "202401.fvl", c1 / "202403.AVL",
                                         c2 / "202405.avl", c1 / "202401.avl"};
    const std::vector<LogChartJob> expected = {
        {c1 / "202401-202402.avl.html", {c1 / "202402.avl", c1 / "202401.avl"}},
        {c1 / "202401.fvl.html", {c1 / "202401.fvl"}},
        {c2 / "202405.avl.html", {c2 / "202405.avl"}},
    };
    const std::vector<LogChartJob> charts = PlanLogCharts(files);
    ASSERT_EQ(charts.size(), expected.size());
    for (std::size_t i = 0; i < charts.size(); ++i) {
        EXPECT_EQ(charts[i].page, expected[i].page);
        EXPECT_EQ(charts[i].logs, expected[i].logs);
    }
    EXPECT_TRUE(PlanLogCharts({fs::path("/d") / "x.fvs"}).empty());
}

} // namespace
} // namespace hortivex
