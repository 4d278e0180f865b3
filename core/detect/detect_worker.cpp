#include "core/detect/detect_worker.h"

bool DetectWorker::Start(std::function<void()> job, std::function<void()> finished) {
    if (running_.load()) return false;
    Join();
    stop_.store(false);
    running_.store(true);
    thread_ = std::thread([this, job = std::move(job), finished = std::move(finished)] {
        job();
        if (finished) finished();
        running_.store(false);
    });
    return true;
}

void DetectWorker::Stop() {
    stop_.store(true);
    Join();
}

void DetectWorker::Join() {
    if (thread_.joinable()) thread_.join();
}
