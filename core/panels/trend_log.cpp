#include "core/panels/trend_log.h"

#include <algorithm>
#include <cstdio>

#include "core/files/file_io.h"

namespace {

const char* kindName(ChannelKind kind) {
    switch (kind) {
    case kChannelDI: return "DI";
    case kChannelDO: return "DO";
    case kChannelAD: return "AD";
    case kChannelDA: return "DA";
    case kChannelNone: break;
    }
    return "";
}

// Enough digits for a 12-bit converter in any unit of the type tables.
std::string csvValue(double value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

std::string TrendSeries::Label() const {
    std::string label = "CH" + std::to_string(channel + 1) + " " + kindName(kind);
    if (!unit.empty()) label += " (" + unit + ")";
    return label;
}

void TrendLog::Add(const PanelReading& reading) {
    auto same = [&](const TrendSeries& s) {
        return s.channel == reading.channel && s.kind == reading.kind && s.unit == reading.unit;
    };
    auto found = std::find_if(series_.begin(), series_.end(), same);
    if (found == series_.end()) {
        TrendSeries fresh;
        fresh.channel = reading.channel;
        fresh.kind = reading.kind;
        fresh.unit = reading.unit;
        auto after = std::find_if(series_.begin(), series_.end(),
                                  [&](const TrendSeries& s) { return s.channel > reading.channel; });
        found = series_.insert(after, std::move(fresh));
    }
    found->points.push_back({reading.ms, reading.value});
    if (found->points.size() > kMaxPointsPerSeries) found->points.pop_front();
    latest_ms_ = std::max(latest_ms_, reading.ms);
    DropOld();
    ++version_;
}

void TrendLog::DropOld() {
    const std::int64_t oldest = latest_ms_ - kSpanMs;
    for (TrendSeries& s : series_)
        while (!s.points.empty() && s.points.front().ms < oldest) s.points.pop_front();
    std::erase_if(series_, [](const TrendSeries& s) { return s.points.empty(); });
}

void TrendLog::Clear() {
    series_.clear();
    latest_ms_ = 0;
    ++version_;
}

std::string TrendLog::CsvText() const {
    std::string text = "Time (ms)";
    for (const TrendSeries& s : series_) text += "," + s.Label();
    text += "\r\n";

    // Merge the series by time; readings taken in the same millisecond share a row.
    std::vector<std::size_t> next(series_.size(), 0);
    std::vector<std::string> cells(series_.size());
    while (true) {
        std::int64_t row_ms = 0;
        bool any = false;
        for (std::size_t i = 0; i < series_.size(); ++i) {
            if (next[i] >= series_[i].points.size()) continue;
            const std::int64_t ms = series_[i].points[next[i]].ms;
            if (!any || ms < row_ms) row_ms = ms;
            any = true;
        }
        if (!any) break;
        text += std::to_string(row_ms);
        for (std::size_t i = 0; i < series_.size(); ++i) {
            text += ',';
            if (next[i] < series_[i].points.size() && series_[i].points[next[i]].ms == row_ms)
                text += csvValue(series_[i].points[next[i]++].value);
        }
        text += "\r\n";
    }
    return text;
}

std::vector<TrendPoint> trendDecimate(const std::deque<TrendPoint>& points, std::int64_t from_ms,
                                      std::int64_t to_ms, int buckets) {
    std::vector<TrendPoint> out;
    if (points.empty() || buckets <= 0 || to_ms < from_ms) return out;
    const auto first = std::lower_bound(points.begin(), points.end(), from_ms,
                                        [](const TrendPoint& p, std::int64_t ms) { return p.ms < ms; });
    const auto count = static_cast<std::size_t>(points.end() - first);
    if (count <= static_cast<std::size_t>(buckets) * 2) return {first, points.end()};

    const long double width = static_cast<long double>(to_ms - from_ms + 1) / buckets;
    out.reserve(static_cast<std::size_t>(buckets) * 2);
    auto it = first;
    while (it != points.end()) {
        const auto bucket = static_cast<std::int64_t>(static_cast<long double>(it->ms - from_ms) / width);
        const std::int64_t end_ms = from_ms + static_cast<std::int64_t>((bucket + 1) * width);
        auto low = it;
        auto high = it;
        for (; it != points.end() && it->ms < end_ms; ++it) {
            if (it->value < low->value) low = it;
            if (it->value > high->value) high = it;
        }
        if (it == low) ++it; // a point beyond to_ms still makes progress
        if (low == high) {
            out.push_back(*low);
        } else if (low->ms <= high->ms) {
            out.push_back(*low);
            out.push_back(*high);
        } else {
            out.push_back(*high);
            out.push_back(*low);
        }
    }
    return out;
}

std::string trend_csv_path(const std::string& chosen) {
    const std::size_t slash = chosen.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : chosen.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
    return folder + strip_extension(name) + ".csv";
}
