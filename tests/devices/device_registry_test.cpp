#include "devices/Device.h"
#include "devices/DeviceRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace hortivex {
namespace {

TEST(RecordsDiffer, ComparesTwentyOneBytes) {
    std::uint8_t a[22] = {};
    std::uint8_t b[22] = {};
    EXPECT_FALSE(RecordsDiffer(a, b));
    b[21] = 1; // beyond the record
    EXPECT_FALSE(RecordsDiffer(a, b));
    b[20] = 1;
    EXPECT_TRUE(RecordsDiffer(a, b));
    b[20] = 0;
    a[0] = 0xFF;
    EXPECT_TRUE(RecordsDiffer(a, b));
}

TEST(FindRoomIndex, NumbersTheFirstExactMatchAmongThirtyTwo) {
    EXPECT_EQ(FindRoomIndex("Room 1"), 0);
    auto& rooms = Registry().roomNames;
    for (int i = 1; i <= 33; ++i)
        rooms.push_back("Room " + std::to_string(i));
    rooms[9] = "Room 3"; // a duplicate: the first one counts
    const std::pair<const char*, int> cases[] = {{"Room 1", 1},  {"Room 3", 3},  {"Room 32", 32},
                                                 {"Room 33", 0}, {"room 1", 0},  {"Room 1 ", 0},
                                                 {"", 0},        {"Room 10", 0}, {"Room 11", 11}};
    for (auto [name, index] : cases)
        EXPECT_EQ(FindRoomIndex(name), index) << name;
}

TEST(FindNameIndex, NumbersTheFirstExactMatchOrSeventeen) {
    std::array<std::string, 16> names;
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = "Zone " + std::to_string(i + 1);
    names[15] = "Zone 2";
    EXPECT_EQ(FindNameIndex("Zone 1", names), 1);
    EXPECT_EQ(FindNameIndex("Zone 2", names), 2);
    EXPECT_EQ(FindNameIndex("Zone 15", names), 15);
    EXPECT_EQ(FindNameIndex("Zone 16", names), 17);
    EXPECT_EQ(FindNameIndex("zone 1", names), 17);
    EXPECT_EQ(FindNameIndex("", names), 17);
}

} // namespace
} // namespace hortivex
