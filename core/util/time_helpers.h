// The local time of day, for the time stamps of recorded lines and of the message list.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

struct TimeOfDay {
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

// The local time of day now, read once so the three fields belong together.
TimeOfDay current_time();
// The local time of day at `moment`.
TimeOfDay time_of_day(std::time_t moment);

// "hh:mm:ss.zzz " (local time, milliseconds, a closing blank): what the message list
// puts in front of a line when time stamps are on.
std::string time_stamp_text(std::chrono::system_clock::time_point moment);
