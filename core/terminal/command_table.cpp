#include "core/terminal/command_table.h"

#include <algorithm>
#include <vector>

#include "core/serial/port.h"
#include "core/util/convert.h"
#include "core/util/send_check.h"

std::string add_other_text(std::string_view field) {
    if (field.empty()) return {};
    std::int32_t value = hex_text_to_int(field, 2);
    return byte_to_tagged_text(static_cast<std::uint8_t>(value & 0xFF));
}

CommandTable::CommandTable(Port& port, LineSink add_line) : port_(port), add_line_(std::move(add_line)) {}

namespace {
bool valid_slot(int n) {
    return n >= 0 && n <= kCommandCount;
}
} // namespace

void CommandTable::SetCommandText(int n, std::string_view text) {
    if (!valid_slot(n)) return;
    std::lock_guard lock(mutex_);
    slots_[static_cast<std::size_t>(n)] = std::string(text.substr(0, kCommandTextMax));
    refusals_[static_cast<std::size_t>(n)].clear();
}

void CommandTable::SetCommandRefusal(int n, std::string reason) {
    if (!valid_slot(n)) return;
    std::lock_guard lock(mutex_);
    refusals_[static_cast<std::size_t>(n)] = std::move(reason);
}

std::string CommandTable::CommandRefusal(int n) const {
    if (!valid_slot(n)) return {};
    std::lock_guard lock(mutex_);
    return refusals_[static_cast<std::size_t>(n)];
}

bool CommandTable::AppendCommandText(int n, std::string_view text) {
    if (!valid_slot(n)) return false;
    std::lock_guard lock(mutex_);
    std::string& slot = slots_[static_cast<std::size_t>(n)];
    if (slot.size() + text.size() > kCommandTextMax) return false;
    slot.append(text);
    return true;
}

std::string CommandTable::CommandText(int n) const {
    if (!valid_slot(n)) return {};
    std::lock_guard lock(mutex_);
    return slots_[static_cast<std::size_t>(n)];
}

void CommandTable::ClearAll() {
    std::lock_guard lock(mutex_);
    for (int n = 1; n <= kCommandCount; ++n) {
        slots_[static_cast<std::size_t>(n)].clear();
        refusals_[static_cast<std::size_t>(n)].clear();
    }
}

std::array<std::string, kCommandCount> CommandTable::Commands() const {
    std::lock_guard lock(mutex_);
    std::array<std::string, kCommandCount> out;
    std::copy(slots_.begin() + 1, slots_.end(), out.begin());
    return out;
}

void CommandTable::SendCommand(int n) {
    if (n < 1 || n > kCommandCount) return;
    if (std::string reason = CommandRefusal(n); !reason.empty()) {
        add_line_(send_refusal_line("Command " + std::to_string(n), reason));
        return;
    }
    std::string text = CommandText(n);
    std::vector<std::uint8_t> bytes;
    int count = tagged_text_to_bytes(text, bytes);
    if (count < 0) {
        add_line_(std::string(kSendAsciiPrefix) + "String Error!");
        return;
    }
    if (count == 0) return;
    if (const ComportStatus status = port_.Send(bytes.data(), count); status == kComportSuccess)
        add_line_(std::string(kSendAsciiPrefix) + text);
    else
        add_line_(std::string(kSendAsciiPrefix) + comport_status_text_of(status));
}

void CommandTable::SetReplyMethod(int method) {
    if (method < kReplyNone || method > kReplyCommand) return;
    reply_method_.store(method, std::memory_order_relaxed);
}

void CommandTable::SetReplyCommand(int n) {
    reply_command_.store(std::clamp(n, 1, kCommandCount), std::memory_order_relaxed);
}

void CommandTable::SendReply(const std::uint8_t* line, std::int32_t length) {
    switch (reply_method()) {
    case kReplyReceive: {
        if (line == nullptr || length <= 0) return;
        // The send applies the parity rule in place; the caller's line stays as received.
        std::vector<std::uint8_t> echo(line, line + length);
        port_.Send(echo.data(), length);
        break;
    }
    case kReplyCommand:
        SendCommand(reply_command());
        break;
    default:
        break;
    }
}
