#include "core/util/time_helpers.h"

#include <cstdio>

TimeOfDay time_of_day(std::time_t moment) {
    std::tm local {};
#if defined(_WIN32)
    if (::localtime_s(&local, &moment) != 0) return {};
#else
    if (::localtime_r(&moment, &local) == nullptr) return {};
#endif
    // A leap second reads as 60; the recorder's fields go to 59.
    return TimeOfDay{local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec};
}

TimeOfDay current_time() {
    return time_of_day(std::time(nullptr));
}

std::string time_stamp_text(std::chrono::system_clock::time_point moment) {
    using namespace std::chrono;
    const auto since_epoch = moment.time_since_epoch();
    // Floor, so a moment before a whole second keeps that second's fields.
    const auto whole = floor<seconds>(since_epoch);
    const auto ms = duration_cast<milliseconds>(since_epoch - whole).count();
    const TimeOfDay t = time_of_day(static_cast<std::time_t>(whole.count()));
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d ", t.hour, t.minute, t.second, static_cast<int>(ms));
    return text;
}
