#include "core/detect/detect_exchange.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

#include "core/protocol/zum_codec.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kFrameStart = '%';
constexpr std::uint8_t kFrameEnd = 0x00;
constexpr std::uint8_t kWriteSetting = 0xE3;
constexpr std::uint8_t kSettingId = 0x11;

// Collects one frame out of the bytes the port hands over piece by piece.
class FrameGatherer {
public:
    // True when the bytes completed a frame that decodes; the rest of the piece
    // is dropped with it.
    bool feed(const std::uint8_t* bytes, std::size_t count, QlpCommand& out) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t b = bytes[i];
            // "%" never occurs inside a ZUM frame: it always starts a new one.
            if (b == kFrameStart) {
                fill_ = 0;
            } else if (fill_ == 0 || fill_ == frame_.size()) {
                fill_ = 0; // before a frame, or too long for one
                continue;
            }
            frame_[fill_++] = b;
            if (b != kFrameEnd) continue;
            const bool decoded = qlpDecodeText(frame_.data(), fill_, out);
            fill_ = 0;
            if (decoded) return true;
        }
        return false;
    }

private:
    std::array<std::uint8_t, kDetectFrameMax> frame_{};
    std::size_t fill_ = 0;
};

std::string hexByte(unsigned value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

// The ID a reply must carry: the one asked, or for a request to any device, a device ID.
bool replyIdFits(const QlpCommand& request, const QlpCommand& reply) {
    if (qlpAnyId(request.id)) return reply.id <= kQlpLastDeviceId;
    return reply.id == request.id;
}

enum class Attempt { kSent, kSendFailed, kNoReply };

// One send and one wait; the reply is valid with kSent.
Attempt sendAndReceive(DetectLink& link, const QlpCommand& request, QlpCommand& reply) {
    // A late reply to an earlier attempt must not pass for this one's.
    link.port.Purge(PortQueue::kInput);
    if (!sendDetectCommand(link, request)) return Attempt::kSendFailed;
    return receiveDetectReply(link, reply) ? Attempt::kSent : Attempt::kNoReply;
}

using ReplyCheck = bool (*)(const QlpCommand& request, QlpCommand& reply, std::string& message);

bool checkedExchange(DetectLink& link, QlpCommand& request, std::string& message, int retries,
                     const char* no_reply_text, ReplyCheck check) {
    message.clear();
    QlpCommand last;
    for (int attempt = 0; attempt <= retries; ++attempt) {
        if (link.stopped()) {
            message.clear();
            break;
        }
        QlpCommand reply;
        const Attempt a = sendAndReceive(link, request, reply);
        if (a == Attempt::kSendFailed) {
            message = "Send ZUM Fault! " + comport_status_text_of(link.send_status);
            return false;
        }
        if (a == Attempt::kNoReply) {
            message = link.stopped() ? std::string() : no_reply_text + comport_status_text_of(link.send_status);
            continue;
        }
        last = reply;
        if (check(request, reply, message)) {
            request = reply;
            message = "Success.";
            return true;
        }
    }
    request = last;
    return false;
}

bool readCheck(const QlpCommand& request, QlpCommand& reply, std::string& message) {
    if (reply.function != request.function) {
        message = qlpReplyAlert(reply.function);
    } else if (!replyIdFits(request, reply)) {
        message = "Reply ID Error! " + std::to_string(reply.id);
    } else if (reply.command != request.command) {
        message = "Reply Command Error! 0x" + hexByte(reply.command);
    } else if (reply.channel != request.channel) {
        message = "Reply Channel Error! " + std::to_string(reply.channel);
    } else {
        return true;
    }
    return false;
}

bool writeCheck(const QlpCommand& request, QlpCommand& reply, std::string& message) {
    if (reply.id != request.id) {
        // A device that already answers under the ID just written to it.
        if (request.function == kWriteSetting && request.command == kSettingId && request.valueCount >= 1 &&
            reply.id == static_cast<std::uint32_t>(request.values[0]))
            return true;
        message = "Reply ID Error! " + std::to_string(reply.id);
        return false;
    }
    if (reply.function != request.function) {
        message = qlpReplyAlert(reply.function);
    } else if (reply.command != request.command) {
        message = "Reply Command Error! 0x" + hexByte(reply.command);
    } else if (reply.channel != request.channel) {
        message = "Reply Channel Error! " + std::to_string(reply.channel);
    } else {
        const int echoed = std::clamp(reply.valueCount, 0, 3);
        for (int i = 0; i < echoed; ++i) {
            if (reply.values[static_cast<std::size_t>(i)] != request.values[static_cast<std::size_t>(i)]) {
                // The next attempt writes the asked value again, never the echoed one.
                message = "Reply Data Fault!";
                return false;
            }
        }
        return true;
    }
    return false;
}

} // namespace

bool sendDetectCommand(DetectLink& link, const QlpCommand& request) {
    std::vector<std::uint8_t> frame = qlpEncodeText(request);
    if (frame.empty()) return false;
    ++link.requests_sent;
    link.send_status = link.port.Send(frame.data(), static_cast<std::int32_t>(frame.size()));
    return link.send_status == kComportSuccess;
}

bool receiveDetectReply(DetectLink& link, QlpCommand& reply) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(link.reply_budget_ms);
    FrameGatherer gatherer;
    std::uint8_t chunk[kComportReceiveMax];
    while (!link.stopped()) {
        const std::int32_t received = link.port.Receive(chunk, 0);
        if (received > 0 && gatherer.feed(chunk, static_cast<std::size_t>(received), reply)) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        // Rests until bytes come; short, so a stop request is seen at once.
        link.port.WaitReadable(static_cast<int>(std::min<long long>(left, kDetectStopCheckMs)), nullptr);
    }
    return false;
}

bool checkedRead(DetectLink& link, QlpCommand& request, std::string& message, int retries) {
    return checkedExchange(link, request, message, retries, "ZUM Receive Fault! ", readCheck);
}

bool checkedWrite(DetectLink& link, QlpCommand& request, std::string& message, int retries) {
    return checkedExchange(link, request, message, retries, "ZUM Reply Fault! ", writeCheck);
}
