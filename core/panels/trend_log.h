// The readings a panel's trend plots: one series per channel (a new one when the
// channel's kind or unit changes, so values of different units never share a line),
// the last ten minutes of each, thinned out for drawing, and written as CSV.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/panels/poll_engine.h"

struct TrendPoint {
    std::int64_t ms = 0;
    double value = 0.0;
};

struct TrendSeries {
    int channel = 0; // 0-based
    ChannelKind kind = kChannelAD;
    std::string unit;
    std::deque<TrendPoint> points;

    // "CH1 AD (V)"; without the brackets when the type has no unit.
    std::string Label() const;
};

class TrendLog {
public:
    // Points older than this behind the newest fall off.
    static constexpr std::int64_t kSpanMs = 10 * 60 * 1000;
    // A bound whatever the poll rate: a step takes at least a round trip of the line.
    static constexpr std::size_t kMaxPointsPerSeries = 600'000;

    void Add(const PanelReading& reading);
    void Clear();

    // Ordered by channel, then by the order they began.
    const std::vector<TrendSeries>& series() const { return series_; }
    std::int64_t latest_ms() const { return latest_ms_; }
    bool empty() const { return series_.empty(); }
    // Changes with every Add and Clear, so a view redraws only when there is news.
    std::uint64_t version() const { return version_; }

    // "Time (ms)" and one column per series; one row per reading time, a cell only
    // for the series read at that time. Lines end with CR LF.
    std::string CsvText() const;

private:
    void DropOld();

    std::vector<TrendSeries> series_;
    std::int64_t latest_ms_ = 0;
    std::uint64_t version_ = 0;
};

// At most two points (the lowest and the highest, in time order) for each of
// `buckets` equal slices of [from_ms, to_ms]: what a line of that many pixels can
// show of the series, whatever its length.
std::vector<TrendPoint> trendDecimate(const std::deque<TrendPoint>& points, std::int64_t from_ms,
                                      std::int64_t to_ms, int buckets);

// The file a CSV save writes: the chosen name's folder, the name cut before its
// first ".", then ".csv".
std::string trend_csv_path(const std::string& chosen);
