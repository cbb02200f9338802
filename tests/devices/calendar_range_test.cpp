// Date-times outside the calendar (a log record's bytes may hold any double) name no month log
// and no dated settings file, and never reach a conversion to an integer.
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "export/Numeric.h"
#include "platform/Errors.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace hortivex {
namespace {

TEST(CalendarRange, DatesOutsideTheYearsOneTo9999NameNoFile) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double first = DateOf(1, 1, 1), last = DateOf(9999, 12, 31);
    const struct {
        double date;
        bool calendar;
    } rows[] = {
        {first, true},     {last + 0.99, true}, {first - 1, false},
        {last + 1, false}, {-kInf, false},      {kInf, false},
        {1e300, false},    {-1e300, false},     {std::numeric_limits<double>::quiet_NaN(), false},
    };
    auto device = TDevice::Create<TFertivo>("Room", "Ctl");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.date);
        EXPECT_EQ(IsCalendarDate(row.date), row.calendar);
        const CivilDate d = CivilDateOf(row.date);
        EXPECT_EQ(d.year != 0, row.calendar);
        if (row.calendar) {
            EXPECT_EQ(device->GetSettingsFileName(row.date).size(), 12u);
            continue;
        }
        EXPECT_THROW(device->GetSettingsFileName(row.date), HxError);
        EXPECT_FALSE(device->OpenMonthLog(row.date));
        EXPECT_EQ(device->ReadLastLogRecord(row.date), 0);
    }
}

} // namespace
} // namespace hortivex
