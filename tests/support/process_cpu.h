// CPU time the whole process has used so far, for the benchmarks' "% of a core".
#pragma once

#include <sys/resource.h>

inline double process_cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
