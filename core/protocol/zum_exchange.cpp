#include "core/protocol/zum_exchange.h"

#include <chrono>
#include <mutex>

#include "core/protocol/reply_fifo.h"
#include "core/protocol/zum_catcher.h"
#include "core/protocol/zum_codec.h"
#include "core/serial/comport.h"
#include "core/util/convert.h"

namespace {

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
    if (result.caught) s.fifo.push(result.reply);
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
    const bool answered = s.fifo.WaitPop(answer, start + std::chrono::milliseconds(budget_ms));
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
