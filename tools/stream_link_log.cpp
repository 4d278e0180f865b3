#include "tools/stream_link_log.h"

namespace {
// An exchange line is its message followed by this literal and the request.
constexpr std::string_view kSendLabel = "  Send ";
} // namespace

void StreamLinkLog::AddIdLine(std::uint32_t, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    last_id_line_ = text;
    if (print_) out_ << text << std::endl;
}

void StreamLinkLog::AddLine(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (print_) out_ << text << std::endl;
}

std::string StreamLinkLog::lastMessage() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_id_line_.substr(0, last_id_line_.find(kSendLabel));
}
