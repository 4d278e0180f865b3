// The frame library's receive and exchange machinery: the catcher that takes ZUM
// reply frames out of the received stream, the reply FIFO between the receive
// thread and the waiting window, and the send-one-wait-for-one exchange.
#pragma once

#include <cstdint>
#include <string>

#include "core/protocol/qlp_types.h"

// Receives the link-monitor lines of the frame layer. AddIdLine is called on the
// thread that runs the exchange, AddLine on the receive thread.
class LinkLogSink {
public:
    virtual ~LinkLogSink() = default;
    virtual void AddIdLine(std::uint32_t id, const std::string& text) = 0;
    virtual void AddLine(const std::string& text) = 0;
};

// Installs the link monitor (or none); the sink must outlive its installation.
// Returns once no line is being handed to the previous sink.
void zumSetLinkLog(LinkLogSink* sink);
// Uninstalls the sink if it is the one installed (for a sink that goes away).
void zumRemoveLinkLog(LinkLogSink* sink);

// Receive thread: reads the port, catches its reply frames into the FIFO,
// copies every other byte to out (at most 2048) and returns their number.
std::int32_t zumReadFilter(std::uint8_t* out);

// Purges the port, empties the reply FIFO and the catcher's buffers, and forgets
// whether the line echoes.
void zumFlush();

// Replies dropped because the reply FIFO was full.
std::uint64_t zumDroppedReplies();

// Encodes and writes the request: 0, or 2 when the port refused it (message = its text).
ExchangeStatus zumSend(const QlpCommand& request, std::string& message);

// Sends the request and waits up to budget_ms of real time for its reply: 0, 2, 3 or 4.
// Only a reply from the addressed device counts (any device for IDs 254 and 255);
// one from another ID goes to the link monitor, tagged with that ID. The adapter's
// echo of the request is passed over.
ExchangeStatus zumExchange(const QlpCommand& request, QlpCommand& reply, std::string& message,
                           int budget_ms);
