#include "core/serial/counting_port.h"

void CountingPort::ResetCounts() {
    received_.store(0, std::memory_order_relaxed);
    sent_.store(0, std::memory_order_relaxed);
}

ComportStatus CountingPort::Send(std::uint8_t* bytes, std::int32_t length) {
    const ComportStatus status = inner_.Send(bytes, length);
    // A send writes all of its bytes or fails: only a whole write went on the line.
    if (status == kComportSuccess && length > 0) {
        sent_.fetch_add(static_cast<std::uint64_t>(length));
        if (changed_) changed_();
    }
    return status;
}

std::int32_t CountingPort::Receive(std::uint8_t* buffer, std::int32_t wait) {
    const std::int32_t n = inner_.Receive(buffer, wait);
    if (n > 0) {
        received_.fetch_add(static_cast<std::uint64_t>(n));
        if (changed_) changed_();
    }
    return n;
}
