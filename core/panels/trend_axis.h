// Round axis values for the trend: ticks at 1, 2 or 5 times a power of ten (0, 1, 2 V;
// 0, 10, 20 s), never at the data's own extremes.
#pragma once

struct AxisScale {
    double low = 0.0;  // a multiple of step at or below the data's low
    double high = 1.0; // a multiple of step at or above the data's high
    double step = 0.2;
};

// The scale over [low, high] with at most `max_ticks` intervals; a single value or an
// empty range gets one step around it. `max_ticks` below 1 counts as 1.
AxisScale round_axis(double low, double high, int max_ticks);

// The tick interval alone, for an axis whose range is given (the sliding time window).
double round_step(double span, int max_ticks);
