// The one thread that runs the detect work, so the window never waits for a device.
// One job at a time; a stop request ends it after the exchange in flight.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "core/util/non_copyable.h"

class DetectWorker : private NonCopyable {
public:
    // `stop` is the flag the job's waits look at (the engine's).
    explicit DetectWorker(std::atomic<bool>& stop) : stop_(stop) {}
    ~DetectWorker() { Stop(); }

    // Runs `job` and then `finished` on the worker thread; false while a job runs.
    bool Start(std::function<void()> job, std::function<void()> finished);
    // Asks the job to stop and waits until the thread has ended.
    void Stop();
    // Waits for a job that has finished or is finishing.
    void Join();
    bool running() const { return running_.load(); }

private:
    std::atomic<bool>& stop_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};
