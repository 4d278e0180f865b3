// For the benchmarks of windows: running the GUI thread's event loop for a while, and
// the longest gap between ticks of a 10 ms timer on it (how long the window froze).
#pragma once

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>

inline void run_for(std::chrono::milliseconds span) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(span.count()), &loop, &QEventLoop::quit);
    loop.exec();
}

class StallProbe {
public:
    using Clock = std::chrono::steady_clock;

    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longest_ = std::max(longest_, now - last_);
            if (now - last_ > std::chrono::milliseconds(60)) ++late_;
            last_ = now;
        });
    }
    // Ticks that came more than 60 ms after the one before.
    int late_ticks() const { return late_; }
    void start() {
        late_ = 0;
        longest_ = {};
        last_ = Clock::now();
        timer_.start();
    }
    double stop_ms() {
        timer_.stop();
        return std::chrono::duration<double, std::milli>(longest_).count();
    }

private:
    QTimer timer_;
    Clock::time_point last_;
    Clock::duration longest_{};
    int late_ = 0;
};
