// Waits in the test support that end at a deadline.
#pragma once

#include <chrono>

// Milliseconds left until `deadline`, 0 once it passed (a poll() time-out).
inline int remaining_ms(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}
