// The link-monitor lines of the frame layer, kept and, when asked, printed.
#pragma once

#include <mutex>
#include <ostream>
#include <string>

#include "core/protocol/zum_exchange.h"

class StreamLinkLog : public LinkLogSink {
public:
    // Prints every line to `out` when `print` is set; keeps the last exchange line.
    StreamLinkLog(std::ostream& out, bool print) : out_(out), print_(print) {}

    void AddIdLine(std::uint32_t id, const std::string& text) override;
    void AddLine(const std::string& text) override;

    // The message of the last exchange line ("Function Code Reply Error! = Read Only").
    std::string lastMessage() const;

private:
    std::ostream& out_;
    bool print_;
    mutable std::mutex mutex_;
    std::string last_id_line_;
};
