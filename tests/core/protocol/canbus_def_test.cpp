// CAN bus bit rates: index, name and divider in each direction.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/protocol/canbus_def.h"

namespace {

struct RateCase {
    int index;
    const char* name;
    std::int32_t divider;
};

constexpr std::array<RateCase, kCanRateCount> kRates{{
    {0, "1176K", 1},
    {1, "588K", 2},
    {2, "392K", 3},
    {3, "294K", 4},
    {4, "196K", 6},
    {5, "147K", 8},
    {6, "118K", 10},
    {7, "90K", 13},
    {8, "50K", 24},
}};

void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }

class CanRates : public testing::TestWithParam<RateCase> {};

TEST_P(CanRates, AllThreeFormsAgree) {
    const RateCase& r = GetParam();
    EXPECT_EQ(canRateName(r.index), r.name);
    EXPECT_EQ(canRateDivider(r.index), r.divider);
    EXPECT_EQ(canRateIndex(r.divider), r.index);
}

INSTANTIATE_TEST_SUITE_P(Definitions, CanRates, testing::ValuesIn(kRates),
                         [](const testing::TestParamInfo<RateCase>& info) { return std::string(info.param.name); });

TEST(CanRates, DividersOutsideTheTableGiveMinusOne) {
    for (std::int32_t divider : {0, 5, 7, 9, 11, 12, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25, 100, -1})
        EXPECT_EQ(canRateIndex(divider), -1) << "divider " << divider;
}

TEST(CanRates, IndicesOutsideTheTable) {
    for (int index : {-1, 9, 100}) {
        EXPECT_EQ(canRateName(index), "") << "index " << index;
        EXPECT_EQ(canRateDivider(index), 0) << "index " << index;
    }
}

TEST(CanRates, NamesFillTheComboList) {
    std::array<std::string, kCanRateCount> names;
    names.fill("stale");
    EXPECT_EQ(canRateNames(names), 9);
    for (const RateCase& r : kRates) EXPECT_EQ(names[static_cast<std::size_t>(r.index)], r.name);
}

} // namespace
