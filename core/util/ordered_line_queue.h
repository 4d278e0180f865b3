// Lines handed from any thread to the thread that shows them, in call order.
#pragma once

#include <mutex>
#include <string>
#include <vector>

class OrderedLineQueue {
public:
    // Returns true when the queue was empty, so the caller knows to ask for a drain.
    bool push(std::string line) {
        std::lock_guard lock(mutex_);
        bool was_empty = lines_.empty();
        lines_.push_back(std::move(line));
        return was_empty;
    }

    // Moves every queued line out, oldest first.
    std::vector<std::string> take_all() {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        out.swap(lines_);
        return out;
    }

    bool empty() const {
        std::lock_guard lock(mutex_);
        return lines_.empty();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};
