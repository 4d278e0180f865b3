// A thread that catches reply frames into the reply FIFO while exchanges run, for
// programs that have no receive pipeline of their own (the QLP tool, tests, benchmarks).
// Bytes that belong to no reply go to the link log, as on the frame path.
#pragma once

#include <atomic>
#include <thread>

#include "core/util/non_copyable.h"

class ReplyReceiver : private NonCopyable {
public:
    // Rests up to `idle_wait_ms` on the port between reads; a short rest lets a held
    // piece of a frame expire on time.
    explicit ReplyReceiver(int idle_wait_ms);
    ~ReplyReceiver();

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
