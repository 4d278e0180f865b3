#include "core/terminal/auto_test.h"

#include <cstdint>
#include <vector>

#include "core/terminal/terminal_texts.h"
#include "core/serial/port.h"
#include "core/util/convert.h"

void AutoTest::SetCommand(std::string text) {
    std::lock_guard lock(mutex_);
    command_ = std::move(text);
}

std::string AutoTest::command() const {
    std::lock_guard lock(mutex_);
    return command_;
}

void AutoTest::Reset() {
    std::lock_guard lock(mutex_);
    counters_ = {};
    if (sink_) sink_(counters_);
}

std::optional<std::string> AutoTest::Send() {
    std::vector<std::uint8_t> bytes;
    if (tagged_text_to_bytes(kAutoTestLead + command(), bytes) < 0) return std::string(kSendAsciiPrefix) + "String Error!";
    const ComportStatus status = port_.Send(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    if (status != kComportSuccess) return kSendAsciiPrefix + comport_status_text_of(status);
    std::lock_guard lock(mutex_);
    ++counters_.sending;
    if (sink_) sink_(counters_);
    return std::nullopt;
}

void AutoTest::Received(const std::string& text) {
    std::lock_guard lock(mutex_);
    ++counters_.receive;
    if (text != command_) ++counters_.verify_fault;
    if (sink_) sink_(counters_);
}

AutoTestCounters AutoTest::counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}
