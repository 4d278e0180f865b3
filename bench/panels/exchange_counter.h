// Counts the exchanges the frame layer logs, one per panel step: how many, how many
// timed out, and the longest wait (each line ends with the milliseconds it waited,
// "...12mS").
#pragma once

#include <atomic>
#include <cctype>
#include <cstdint>
#include <string>

#include "core/protocol/zum_exchange.h"

class ExchangeCounter : public LinkLogSink {
public:
    void AddIdLine(std::uint32_t, const std::string& text) override {
        ++exchanges;
        if (text.rfind("Timeout!", 0) == 0) ++timeouts;
        const auto end = text.rfind("mS");
        if (end == std::string::npos) return;
        auto start = end;
        while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1]))) --start;
        if (start == end) return;
        const long waited = std::stol(text.substr(start, end - start));
        long seen = longest.load();
        while (waited > seen && !longest.compare_exchange_weak(seen, waited)) {
        }
    }
    void AddLine(const std::string&) override {}
    std::atomic<long> exchanges{0};
    std::atomic<long> timeouts{0};
    std::atomic<long> longest{0};
};
