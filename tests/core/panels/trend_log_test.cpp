// The trend's readings: series per channel and unit, the ten-minute window, the
// thinning for drawing and the CSV text.
#include <gtest/gtest.h>

#include "core/panels/trend_axis.h"
#include "core/panels/trend_log.h"

namespace {

PanelReading reading(std::int64_t ms, int channel, ChannelKind kind, double value, const char* unit = "V") {
    PanelReading r;
    r.ms = ms;
    r.channel = channel;
    r.kind = kind;
    r.value = value;
    r.unit = unit;
    return r;
}

} // namespace

TEST(TrendLog, SeriesPerChannelAndUnitInCsv) {
    TrendLog log;
    log.Add(reading(10, 2, kChannelDA, 4.095));
    log.Add(reading(12, 0, kChannelAD, 1.5));
    log.Add(reading(20, 0, kChannelAD, 20, "mA")); // a new type: a line of its own
    ASSERT_EQ(log.series().size(), 3u);
    EXPECT_EQ(log.series()[0].Label(), "CH1 AD (V)");
    EXPECT_EQ(log.series()[1].Label(), "CH1 AD (mA)");
    EXPECT_EQ(log.series()[2].Label(), "CH3 DA (V)");
    EXPECT_EQ(log.CsvText(), "Time (ms),CH1 AD (V),CH1 AD (mA),CH3 DA (V)\r\n"
                             "10,,,4.095\r\n"
                             "12,1.5,,\r\n"
                             "20,,20,\r\n");
}

TEST(TrendLog, PointsOlderThanTenMinutesFallOff) {
    TrendLog log;
    log.Add(reading(0, 0, kChannelAD, 1));
    log.Add(reading(1000, 1, kChannelAD, 2));
    log.Add(reading(TrendLog::kSpanMs + 500, 0, kChannelAD, 3));
    ASSERT_EQ(log.series().size(), 2u);
    EXPECT_EQ(log.series()[0].points.size(), 1u);
    log.Add(reading(TrendLog::kSpanMs + 1001, 0, kChannelAD, 4));
    EXPECT_EQ(log.series().size(), 1u); // channel 2 had nothing left
    log.Clear();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(log.CsvText(), "Time (ms)\r\n");
}

TEST(TrendLog, DecimationKeepsExtremesInTimeOrder) {
    std::deque<TrendPoint> points;
    for (int i = 0; i < 10000; ++i) points.push_back({i, i == 5003 ? 100.0 : i == 5007 ? -100.0 : 0.0});
    const std::vector<TrendPoint> drawn = trendDecimate(points, 0, 9999, 100);
    EXPECT_LE(drawn.size(), 200u);
    int high = -1, low = -1;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        if (drawn[i].value == 100.0) high = static_cast<int>(i);
        if (drawn[i].value == -100.0) low = static_cast<int>(i);
        if (i > 0) {
            EXPECT_LE(drawn[i - 1].ms, drawn[i].ms);
        }
    }
    ASSERT_GE(high, 0);
    EXPECT_EQ(low, high + 1);
    EXPECT_EQ(trendDecimate(points, 9990, 9999, 100).size(), 10u); // few points: all of them
}

TEST(TrendLog, CsvPathTakesTheChosenBaseName) {
    EXPECT_EQ(trend_csv_path("/tmp/run.1.log"), "/tmp/run.csv");
    EXPECT_EQ(trend_csv_path("trend"), "trend.csv");
}

// ---- round axis values ---------------------------------------------------------------

struct AxisCase {
    const char* name;
    double low, high;
    int max_ticks;
    AxisScale want;
};

class RoundAxis : public ::testing::TestWithParam<AxisCase> {};

TEST_P(RoundAxis, TicksAtRoundValuesAroundTheData) {
    const AxisCase& c = GetParam();
    const AxisScale got = round_axis(c.low, c.high, c.max_ticks);
    EXPECT_DOUBLE_EQ(got.low, c.want.low);
    EXPECT_DOUBLE_EQ(got.high, c.want.high);
    EXPECT_DOUBLE_EQ(got.step, c.want.step);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, RoundAxis,
    ::testing::Values(AxisCase{"VoltsAroundTheExtremes", -0.2, 2.5, 10, {-0.5, 2.5, 0.5}},
                      AxisCase{"ZeroToFiveVolts", 0.0, 4.9, 5, {0.0, 5.0, 1.0}},
                      AxisCase{"TenMinutesInSeconds", 0.0, 600.0, 10, {0.0, 600.0, 100.0}},
                      AxisCase{"TenSecondsInSeconds", 3.0, 13.0, 10, {3.0, 13.0, 1.0}},
                      AxisCase{"MilliampsFourToTwenty", 4.0, 20.0, 8, {4.0, 20.0, 2.0}},
                      AxisCase{"OneValue", 3.2, 3.2, 10, {2.2, 4.2, 0.2}},
                      AxisCase{"OnlyZero", 0.0, 0.0, 10, {-1.0, 1.0, 0.2}},
                      AxisCase{"Reversed", 2.5, -0.2, 10, {-0.5, 2.5, 0.5}}),
    [](const auto& info) { return std::string(info.param.name); });
