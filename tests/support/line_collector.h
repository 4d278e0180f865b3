// The lines a part of the program writes through its LineSink, from any thread.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/util/line_sink.h"

using Lines = std::vector<std::string>;

class LineCollector {
public:
    LineSink Sink() {
        return [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        };
    }
    // The lines written since the last call, oldest first.
    Lines Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(lines_, {});
    }
    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return lines_.size();
    }

private:
    mutable std::mutex mutex_;
    Lines lines_;
};
