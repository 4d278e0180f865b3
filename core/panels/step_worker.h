// The thread a device panel runs its exchanges on, so that a silent device never
// blocks the window: one job at a time, and a purge of the port's buffers that
// never cuts into the exchange in flight.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "core/util/non_copyable.h"

class StepWorker : private NonCopyable {
public:
    using Job = std::function<void()>;

    // `flush` empties the port and the reply FIFO (ZumLink::Flush of the panel's link).
    explicit StepWorker(std::function<void()> flush);
    // Lets the job in flight end (an exchange is bounded by its budget), then joins.
    ~StepWorker();

    // Caller's thread. False while a job runs: it is refused, not queued.
    bool Submit(Job job);
    // Caller's thread. Flushes at once when idle; while a job runs, right after it,
    // before the worker counts as idle again.
    void Flush();
    // True from Submit until the job, and a flush asked for meanwhile, are done.
    bool busy() const { return busy_.load(std::memory_order_acquire); }

private:
    void Run();

    std::function<void()> flush_;
    std::mutex mutex_;
    std::condition_variable wake_;
    Job job_;
    bool flush_after_ = false;
    bool stop_ = false;
    std::atomic<bool> busy_{false};
    std::thread thread_; // started with the first job
};
