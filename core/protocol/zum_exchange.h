// The frame library's receive and exchange machinery over one port: the catcher that
// takes ZUM reply frames out of the received stream, the reply FIFO between the
// receive thread and the waiting window, and the send-one-wait-for-one exchange.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "core/protocol/qlp_types.h"
#include "core/protocol/reply_fifo.h"
#include "core/protocol/zum_catcher.h"
#include "core/serial/port.h"
#include "core/util/non_copyable.h"

// Receives the link-monitor lines of the frame layer. AddIdLine is called on the
// thread that runs the exchange, AddLine on the receive thread.
class LinkLogSink {
public:
    virtual ~LinkLogSink() = default;
    virtual void AddIdLine(std::uint32_t id, const std::string& text) = 0;
    virtual void AddLine(const std::string& text) = 0;
};

// The frame layer of one port. The receive thread runs ReadFilter; the thread that
// talks to a device (the window's, a worker) runs the exchanges and flushes. The
// program has one, over its port, for the main window's frame path, the device panels,
// the link monitor and the QLP tool.
class ZumLink : private NonCopyable {
public:
    explicit ZumLink(Port& port) : port_(port) {}

    Port& port() const { return port_; }

    // Installs the link monitor (or none); the sink must outlive its installation.
    // Returns once no line is being handed to the previous sink.
    void SetLinkLog(LinkLogSink* sink);
    // Uninstalls the sink if it is the one installed (for a sink that goes away).
    void RemoveLinkLog(LinkLogSink* sink);

    // Receive thread: reads the port, catches its reply frames into the FIFO,
    // copies every other byte to out (at most 2048) and returns their number.
    std::int32_t ReadFilter(std::uint8_t* out);

    // Purges the port, empties the reply FIFO and the catcher's buffers, and forgets
    // whether the line echoes.
    void Flush();

    // Replies dropped because the reply FIFO was full.
    std::uint64_t DroppedReplies() const { return fifo_.dropped(); }

    // Encodes and writes the request: 0, or 2 when the port refused it (message = its text).
    ExchangeStatus Send(const QlpCommand& request, std::string& message);

    // Sends the request and waits up to budget_ms of real time for its reply: 0, 2, 3 or 4.
    // Only a reply from the addressed device counts (any device for IDs 254 and 255);
    // one from another ID goes to the link monitor, tagged with that ID. The adapter's
    // echo of the request is passed over.
    ExchangeStatus Exchange(const QlpCommand& request, QlpCommand& reply, std::string& message, int budget_ms);

private:
    enum class LineEcho { kUnknown, kEchoes, kQuiet };

    void LogIdLine(std::uint32_t id, const std::string& text);
    void LogLine(const std::string& text);
    bool AwaitReply(const QlpCommand& request, const std::vector<std::uint8_t>& sent,
                    std::chrono::steady_clock::time_point deadline, QlpCommand& reply);

    Port& port_;
    ReplyFifo fifo_;
    // The catcher runs on the receive thread; flushes and exchanges reach into it
    // from the window thread.
    std::mutex catcher_mutex_;
    ZumCatcher catcher_;
    // Held while a line is handed over, so a sink is never called after removal.
    std::mutex sink_mutex_;
    LinkLogSink* sink_ = nullptr;
    // Whether the line brings the requests back (an echoing RS-485 adapter), as
    // the exchanges have seen it; forgotten by a flush.
    std::atomic<LineEcho> line_echo_{LineEcho::kUnknown};
};
