// The detect window's own exchange: it reads the port itself (receiving is paused
// while the window is open), gathers one ZUM reply frame, makes two attempts and
// checks the reply its own way. Every wait can be cut short by a stop request.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/protocol/qlp_types.h"
#include "core/serial/port.h"

// How long one attempt waits for its reply: the devices answer within a few ms,
// and a frame of 20 characters takes 21 ms at 9600 baud.
inline constexpr int kDetectReplyBudgetMs = 500;
// One retry: a silent ID costs two budgets.
inline constexpr int kDetectRetries = 1;
// Longest single rest on the port, so a stop request is seen within a few ms.
inline constexpr int kDetectStopCheckMs = 5;
// A reply frame is far shorter; bytes beyond this since its "%" are no frame.
inline constexpr std::size_t kDetectFrameMax = 256;

// The exchange's port, settings and counters for one worker (one thread at a time).
struct DetectLink {
    explicit DetectLink(Port& on) : port(on) {}

    Port& port;
    int reply_budget_ms = kDetectReplyBudgetMs;
    const std::atomic<bool>* stop = nullptr; // set: end every wait at once
    std::uint64_t requests_sent = 0;
    ComportStatus send_status = kComportSuccess; // of the last request written

    bool stopped() const { return stop != nullptr && stop->load(); }
};

// Encodes the request as a ZUM frame and writes it; false if nothing was encoded
// or the port refused it.
bool sendDetectCommand(DetectLink& link, const QlpCommand& request);
// Gathers bytes from "%" to the closing 0x00 for up to the reply budget (bytes
// before "%" are dropped) and decodes them; true with the reply as soon as a frame
// decoded. False on time-out or stop.
bool receiveDetectReply(DetectLink& link, QlpCommand& reply);

// Send, receive and check, at most retries + 1 times. True with the reply in
// `request` and message "Success."; false with the reason in `message` and the
// last reply (or an empty record) in `request`. A stop ends it with an empty message.
bool checkedRead(DetectLink& link, QlpCommand& request, std::string& message, int retries = kDetectRetries);
// As checkedRead, with the checks of a write: the echoed values must match, and a
// reply from the new ID to an ID write counts as success.
bool checkedWrite(DetectLink& link, QlpCommand& request, std::string& message, int retries = kDetectRetries);
