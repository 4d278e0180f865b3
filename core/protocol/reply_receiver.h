// A thread that catches reply frames into a link's reply FIFO while exchanges run, for
// programs that have no receive pipeline of their own (the QLP tool, tests, benchmarks).
// Bytes that belong to no reply go to the link log, as on the frame path.
#pragma once

#include <atomic>
#include <thread>

#include "core/util/non_copyable.h"

class ZumLink;

class ReplyReceiver : private NonCopyable {
public:
    // Reads the link's port, resting up to `idle_wait_ms` on it between reads; a short
    // rest lets a held piece of a frame expire on time. The link outlives the receiver.
    ReplyReceiver(ZumLink& link, int idle_wait_ms);
    ~ReplyReceiver();

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
