#include "core/protocol/zum_exchange.h"

#include <optional>

#include "core/protocol/zum_codec.h"
#include "core/util/convert.h"

namespace {

using Clock = std::chrono::steady_clock;

// The driver stops collecting a chunk after the line stayed idle this many polls.
constexpr std::int32_t kReceiveIdlePolls = 2;

bool isErrorReply(std::uint8_t function) { return function >= 0xF1 && function <= 0xFB; }

bool fromAddressee(const QlpCommand& request, const QlpCommand& reply) {
    const std::uint32_t id = request.id & 0xFFu; // the byte that travelled
    return qlpAnyId(id) || reply.id == id;
}

} // namespace

void ZumLink::LogIdLine(std::uint32_t id, const std::string& text) {
    std::lock_guard<std::mutex> lock(sink_mutex_);
    if (sink_ != nullptr) sink_->AddIdLine(id, text);
}

void ZumLink::LogLine(const std::string& text) {
    std::lock_guard<std::mutex> lock(sink_mutex_);
    if (sink_ != nullptr) sink_->AddLine(text);
}

// Waits for the reply to the request whose frame was `sent`. A reply from another
// device is listed and passed over. A frame that repeats the request byte for byte
// is the adapter's echo, or a device confirming a write by repeating it, or one
// answering a read without its value: it is held while the real reply may follow,
// and taken when the budget ends without one, unless the line is known to echo.
// On a line known not to echo, the repeat of a write is taken at once.
bool ZumLink::AwaitReply(const QlpCommand& request, const std::vector<std::uint8_t>& sent,
                         Clock::time_point deadline, QlpCommand& reply) {
    std::optional<QlpCommand> repeat;
    QlpCommand caught;
    while (fifo_.WaitPop(caught, deadline)) {
        if (!fromAddressee(request, caught)) {
            LogIdLine(caught.id, "Reply From Other ID  Send " + qlpCommandText(request) + "     Reply " +
                                     qlpCommandText(caught));
            continue;
        }
        if (!repeat && qlpEncodeText(caught) == sent) {
            if (request.valueCount > 0 && line_echo_ == LineEcho::kQuiet) {
                reply = caught;
                return true;
            }
            repeat = caught;
            continue;
        }
        // An echo always comes first, so this frame tells whether the line echoes.
        line_echo_ = repeat ? LineEcho::kEchoes : LineEcho::kQuiet;
        reply = caught;
        return true;
    }
    if (repeat && line_echo_ != LineEcho::kEchoes) {
        reply = *repeat;
        return true;
    }
    return false;
}

void ZumLink::SetLinkLog(LinkLogSink* sink) {
    std::lock_guard<std::mutex> lock(sink_mutex_);
    sink_ = sink;
}

void ZumLink::RemoveLinkLog(LinkLogSink* sink) {
    std::lock_guard<std::mutex> lock(sink_mutex_);
    if (sink_ == sink) sink_ = nullptr;
}

std::int32_t ZumLink::ReadFilter(std::uint8_t* out) {
    std::uint8_t chunk[kComportReceiveMax];
    std::int32_t received = port_.Receive(chunk, kReceiveIdlePolls);
    if (received < 0) received = 0;

    CatchResult result;
    {
        std::lock_guard<std::mutex> lock(catcher_mutex_);
        result = catcher_.feed(chunk, static_cast<std::size_t>(received), Clock::now(), out);
    }
    for (int i = 0; i < result.caught; ++i) fifo_.push(result.replies[static_cast<std::size_t>(i)]);
    if (result.unknown_count > 0)
        LogLine("ZUM Filter Unknow Receive Data " + std::to_string(result.unknown_count) + " ," +
                bytes_to_tagged_text(out, result.unknown_count));
    return result.unknown_count;
}

void ZumLink::Flush() {
    port_.Purge(PortQueue::kBoth);
    {
        std::lock_guard<std::mutex> lock(catcher_mutex_);
        catcher_.clear();
    }
    fifo_.reset();
    line_echo_ = LineEcho::kUnknown;
}

ExchangeStatus ZumLink::Send(const QlpCommand& request, std::string& message) {
    message.clear();
    std::vector<std::uint8_t> frame = qlpEncodeText(request);
    if (frame.empty()) return kExchangeSuccess;
    const ComportStatus status = port_.Send(frame.data(), static_cast<std::int32_t>(frame.size()));
    if (status != kComportSuccess) {
        message = comport_status_text_of(status);
        LogIdLine(request.id, message);
        return kExchangeWriteFault;
    }
    return kExchangeSuccess;
}

ExchangeStatus ZumLink::Exchange(const QlpCommand& request, QlpCommand& reply, std::string& message,
                                 int budget_ms) {
    message.clear();
    // Only replies to this request count: forget earlier ones, let a piece of an
    // earlier reply go out as unknown data rather than spoil this one, and drop
    // the bytes the port still holds (the driver's send no longer purges).
    fifo_.reset();
    {
        std::lock_guard<std::mutex> lock(catcher_mutex_);
        catcher_.ReleaseHeld();
    }
    port_.Purge(PortQueue::kBoth);

    const ExchangeStatus sent = Send(request, message);
    if (sent != kExchangeSuccess) return sent;

    const Clock::time_point start = Clock::now();
    QlpCommand answer;
    const bool answered = AwaitReply(request, qlpEncodeText(request), start + std::chrono::milliseconds(budget_ms), answer);
    const long long waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();

    ExchangeStatus status;
    if (!answered) {
        status = kExchangeTimeout;
        message = exchangeStatusText(kExchangeTimeout);
        LogIdLine(request.id, message + "  Send " + qlpCommandText(request) + "     " + std::to_string(waited) + "mS");
        return status;
    }
    reply = answer;
    if (isErrorReply(answer.function)) {
        status = kExchangeFunctionError;
        message = exchangeStatusText(kExchangeFunctionError) + " = " + qlpReplyText(answer.function);
    } else {
        status = kExchangeSuccess;
        message = exchangeStatusText(kExchangeSuccess);
    }
    LogIdLine(request.id, message + "  Send " + qlpCommandText(request) + "     Reply " + qlpCommandText(answer) +
                              "    " + std::to_string(waited) + "mS");
    return status;
}
