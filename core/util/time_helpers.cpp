#include "core/util/time_helpers.h"

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
