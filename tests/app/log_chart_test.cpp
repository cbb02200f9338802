// The chart's thinning of a trace and its refusal of logs of two controllers.
#include "TestSupport.h"
#include "app/LogChart.h"
#include "devices/MonthLog.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

namespace hortivex::test {
namespace {

namespace fs = std::filesystem;

TEST(LogChart, ThinningKeepsEachColumnsLowestAndHighestInTimeOrder) {
    // 1000 points, flat at 5 but for a one-point spike up and one down, thinned to 10 columns.
    std::vector<ChartPoint> points;
    for (int i = 0; i < 1000; ++i)
        points.push_back({i / 1440.0, i == 333 ? 90.0 : i == 777 ? -40.0 : 5.0});
    const std::vector<ChartPoint> kept = DecimateMinMax(points, 10);
    EXPECT_LE(kept.size(), 40u);
    double high = -1e9, low = 1e9;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        high = std::max(high, kept[i].value);
        low = std::min(low, kept[i].value);
        if (i > 0) {
            EXPECT_LT(kept[i - 1].time, kept[i].time);
        }
    }
    EXPECT_EQ(high, 90.0);
    EXPECT_EQ(low, -40.0);
    EXPECT_EQ(kept.front().time, points.front().time);
    EXPECT_EQ(kept.back().time, points.back().time);

    // Few enough points stay as they are.
    const std::vector<ChartPoint> few(points.begin(), points.begin() + 40);
    EXPECT_EQ(DecimateMinMax(few, 10).size(), 40u);
}

TEST(LogChart, LogsOfTwoControllersAreRefusedAndNothingIsWritten) {
    TempDir dir;
    const fs::path room = dir / "Room A";
    const struct {
        fs::path first, second;
    } cases[] = {
        {room / "Controller logs" / "North" / "202604.avl",
         room / "Controller logs" / "South" / "202604.avl"},
        {room / "Doser logs" / "202604.fvl", room / "Controller logs" / "North" / "202605.avl"},
    };
    for (const auto& c : cases) {
        const fs::path html = dir / "chart.html";
        try {
            WriteLogChart({c.first, c.second}, html, nullptr);
            ADD_FAILURE() << "no refusal";
        } catch (const HxError& e) {
            EXPECT_NE(std::string(e.what()).find("two controllers"), std::string::npos);
            EXPECT_NE(std::string(e.what()).find(c.second.filename().string()), std::string::npos);
        }
        EXPECT_FALSE(fs::exists(html));
    }
}

TEST(LogChart, TracesShownAtFirstComeFromViewOneWhenItsFileExists) {
    TempDir dir;
    const std::string work = dir.path().string() + "/";
    for (const bool withView : {false, true}) {
        const std::string room = withView ? "Viewed" : "Plain";
        const fs::path folder = dir / room / "Controller logs" / "North";
        fs::create_directories(folder);
        std::string record(72, '\x05');
        EncodeDateTime(46000.5, reinterpret_cast<std::uint8_t*>(record.data()));
        WriteFile(folder / "202604.avl", record);
        if (withView) {
            // A view 1 with every trace hidden, as the application saves it.
            Process().workingFolder = work;
            LogOwner owner = LogOwnerOf(folder / "202604.avl");
            const Ref<TDevice> device = MakeLogDevice(owner);
            device->ResetTraces(false);
            device->SaveView(1);
            Process().workingFolder.clear();
        }
        const fs::path html = dir / (room + ".html");
        EXPECT_EQ(WriteLogChart({folder / "202604.avl"}, html,
                                [](const std::string& t) { ADD_FAILURE() << t; }),
                  1u);
        const bool anyShown = ReadFile(html).find("\"shown\":true") != std::string::npos;
        EXPECT_EQ(anyShown, !withView) << room;
    }
}

} // namespace
} // namespace hortivex::test
