#include "core/protocol/zum_exchange.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <vector>

#include "core/protocol/reply_fifo.h"
#include "core/protocol/zum_catcher.h"
#include "core/protocol/zum_codec.h"
#include "core/serial/comport.h"
#include "core/util/convert.h"

namespace {

enum class LineEcho { kUnknown, kEchoes, kQuiet };

using Clock = std::chrono::steady_clock;

// The driver stops collecting a chunk after the line stayed idle this many polls.
constexpr std::int32_t kReceiveIdlePolls = 2;

// The frame library's receive state lives as long as the program.
struct ZumState {
    ReplyFifo fifo;
    // The catcher runs on the receive thread; flushes and exchanges reach into it
    // from the window thread.
    std::mutex catcher_mutex;
    ZumCatcher catcher;
    // Held while a line is handed over, so a sink is never called after removal.
    std::mutex sink_mutex;
    LinkLogSink* sink = nullptr;
    // Whether the line brings the requests back (an echoing RS-485 adapter), as
    // the exchanges have seen it; forgotten by a flush.
    std::atomic<LineEcho> line_echo{LineEcho::kUnknown};
};

ZumState& state() {
    static ZumState s;
    return s;
}

void logIdLine(std::uint32_t id, const std::string& text) {
    ZumState& s = state();
    std::lock_guard<std::mutex> lock(s.sink_mutex);
    if (s.sink != nullptr) s.sink->AddIdLine(id, text);
}

void logLine(const std::string& text) {
    ZumState& s = state();
    std::lock_guard<std::mutex> lock(s.sink_mutex);
    if (s.sink != nullptr) s.sink->AddLine(text);
}

bool isErrorReply(std::uint8_t function) { return function >= 0xF1 && function <= 0xFB; }

bool fromAddressee(const QlpCommand& request, const QlpCommand& reply) {
    const std::uint32_t id = request.id & 0xFFu; // the byte that travelled
    return qlpAnyId(id) || reply.id == id;
}

// Waits for the reply to the request whose frame was `sent`. A reply from another
// device is listed and passed over. A frame that repeats the request byte for byte
// is the adapter's echo, or a device confirming a write by repeating it, or one
// answering a read without its value: it is held while the real reply may follow,
// and taken when the budget ends without one, unless the line is known to echo.
// On a line known not to echo, the repeat of a write is taken at once.
bool awaitReply(const QlpCommand& request, const std::vector<std::uint8_t>& sent, Clock::time_point deadline,
                QlpCommand& reply) {
    ZumState& s = state();
    std::optional<QlpCommand> repeat;
    QlpCommand caught;
    while (s.fifo.WaitPop(caught, deadline)) {
        if (!fromAddressee(request, caught)) {
            logIdLine(caught.id, "Reply From Other ID  Send " + qlpCommandText(request) + "     Reply " +
                                     qlpCommandText(caught));
            continue;
        }
        if (!repeat && qlpEncodeText(caught) == sent) {
            if (request.valueCount > 0 && s.line_echo == LineEcho::kQuiet) {
                reply = caught;
                return true;
            }
            repeat = caught;
            continue;
        }
        // An echo always comes first, so this frame tells whether the line echoes.
        s.line_echo = repeat ? LineEcho::kEchoes : LineEcho::kQuiet;
        reply = caught;
        return true;
    }
    if (repeat && s.line_echo != LineEcho::kEchoes) {
        reply = *repeat;
        return true;
    }
    return false;
}

} // namespace

void zumSetLinkLog(LinkLogSink* sink) {
    ZumState& s = state();
    std::lock_guard<std::mutex> lock(s.sink_mutex);
    s.sink = sink;
}

void zumRemoveLinkLog(LinkLogSink* sink) {
    ZumState& s = state();
    std::lock_guard<std::mutex> lock(s.sink_mutex);
    if (s.sink == sink) s.sink = nullptr;
}

std::int32_t zumReadFilter(std::uint8_t* out) {
    ZumState& s = state();
    std::uint8_t chunk[kComportReceiveMax];
    std::int32_t received = comport_receive_string(chunk, kReceiveIdlePolls);
    if (received < 0) received = 0;

    CatchResult result;
    {
        std::lock_guard<std::mutex> lock(s.catcher_mutex);
        result = s.catcher.feed(chunk, static_cast<std::size_t>(received), Clock::now(), out);
    }
    for (int i = 0; i < result.caught; ++i) s.fifo.push(result.replies[static_cast<std::size_t>(i)]);
    if (result.unknown_count > 0)
        logLine("ZUM Filter Unknow Receive Data " + std::to_string(result.unknown_count) + " ," +
                bytes_to_tagged_text(out, result.unknown_count));
    return result.unknown_count;
}

void zumFlush() {
    ZumState& s = state();
    comport_purge();
    {
        std::lock_guard<std::mutex> lock(s.catcher_mutex);
        s.catcher.clear();
    }
    s.fifo.reset();
    s.line_echo = LineEcho::kUnknown;
}

std::uint64_t zumDroppedReplies() { return state().fifo.dropped(); }

ExchangeStatus zumSend(const QlpCommand& request, std::string& message) {
    message.clear();
    std::vector<std::uint8_t> frame = qlpEncodeText(request);
    if (frame.empty()) return kExchangeSuccess;
    if (!comport_send_string(frame.data(), static_cast<std::int32_t>(frame.size()))) {
        message = comport_status_text();
        logIdLine(request.id, message);
        return kExchangeWriteFault;
    }
    return kExchangeSuccess;
}

ExchangeStatus zumExchange(const QlpCommand& request, QlpCommand& reply, std::string& message,
                           int budget_ms) {
    ZumState& s = state();
    message.clear();
    // Only replies to this request count: forget earlier ones, let a piece of an
    // earlier reply go out as unknown data rather than spoil this one, and drop
    // the bytes the port still holds (the driver's send no longer purges).
    s.fifo.reset();
    {
        std::lock_guard<std::mutex> lock(s.catcher_mutex);
        s.catcher.ReleaseHeld();
    }
    comport_purge();

    const ExchangeStatus sent = zumSend(request, message);
    if (sent != kExchangeSuccess) return sent;

    const Clock::time_point start = Clock::now();
    QlpCommand answer;
    const bool answered = awaitReply(request, qlpEncodeText(request), start + std::chrono::milliseconds(budget_ms), answer);
    const long long waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();

    ExchangeStatus status;
    if (!answered) {
        status = kExchangeTimeout;
        message = exchangeStatusText(kExchangeTimeout);
        logIdLine(request.id, message + "  Send " + qlpCommandText(request) + "     " + std::to_string(waited) + "mS");
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
    logIdLine(request.id, message + "  Send " + qlpCommandText(request) + "     Reply " + qlpCommandText(answer) +
                              "    " + std::to_string(waited) + "mS");
    return status;
}
