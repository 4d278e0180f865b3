#include "core/panels/trend_axis.h"

#include <algorithm>
#include <cmath>

double round_step(double span, int max_ticks) {
    max_ticks = std::max(max_ticks, 1);
    if (!(span > 0.0) || !std::isfinite(span)) return 1.0;
    const double raw = span / max_ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    // The smallest of 1, 2, 5 and 10 times the power that keeps within max_ticks.
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * power >= raw * (1 - 1e-9)) return factor * power;
    return 10.0 * power;
}

namespace {
// Multiples of the step, outward; a value that is a multiple but for rounding (4.2 / 0.2
// = 21.000000000000004) stays on its own tick.
constexpr double kSlack = 1e-9;
double floor_to(double value, double step) { return std::floor(value / step + kSlack) * step; }
double ceil_to(double value, double step) { return std::ceil(value / step - kSlack) * step; }
} // namespace

AxisScale round_axis(double low, double high, int max_ticks) {
    if (!std::isfinite(low) || !std::isfinite(high)) return {};
    if (low > high) std::swap(low, high);
    if (high == low) {
        // One value: a unit of its own size around it (1 V around 3.2 V, 1 around 0).
        const double unit = low == 0.0 ? 1.0 : std::pow(10.0, std::floor(std::log10(std::abs(low))));
        low -= unit;
        high += unit;
    }
    const double step = round_step(high - low, max_ticks);
    AxisScale scale{floor_to(low, step), ceil_to(high, step), step};
    // Outward rounding may add an interval at each end: widen the step once if so.
    if ((scale.high - scale.low) / step > max_ticks + kSlack) {
        const double wider = round_step((scale.high - scale.low) * 1.0001, std::max(max_ticks, 1));
        scale = {floor_to(low, wider), ceil_to(high, wider), wider};
    }
    return scale;
}
