// The local time of day, for the time stamps of recorded lines.
#pragma once

#include <ctime>

struct TimeOfDay {
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

// The local time of day now, read once so the three fields belong together.
TimeOfDay current_time();
// The local time of day at `moment`.
TimeOfDay time_of_day(std::time_t moment);
