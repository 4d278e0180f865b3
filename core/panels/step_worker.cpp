#include "core/panels/step_worker.h"

StepWorker::StepWorker(std::function<void()> flush) : flush_(std::move(flush)) {}

StepWorker::~StepWorker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

bool StepWorker::Submit(Job job) {
    if (busy_.exchange(true, std::memory_order_acq_rel)) return false;
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    wake_.notify_one();
    return true;
}

void StepWorker::Flush() {
    {
        std::lock_guard lock(mutex_);
        if (busy_.load(std::memory_order_acquire)) {
            flush_after_ = true;
            return;
        }
    }
    if (flush_) flush_();
}

void StepWorker::Run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stop_ || job_; });
        if (!job_) return; // stopping with nothing to do
        Job job = std::move(job_);
        job_ = nullptr;
        lock.unlock();
        job();
        lock.lock();
        if (flush_after_) {
            flush_after_ = false;
            lock.unlock();
            if (flush_) flush_();
            lock.lock();
        }
        // Cleared under the lock, so a Flush that still saw the worker busy has been
        // run above.
        busy_.store(false, std::memory_order_release);
    }
}
