// The twenty command lines of the "General ASCII" tab and what is done with them:
// sending a line (tags turned into bytes), the Add ASCII Code rule, and the automatic
// reply to received lines. Slot 0 is a hidden slot that takes what the Add ASCII Code
// buttons append while no command line was clicked; it is never shown, sent or saved.
//
// Threads: the window thread edits the table and sends; the receive thread replies
// (SendReply, and through it SendCommand). Slots and reply settings are guarded.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "core/util/line_sink.h"
#include "core/util/non_copyable.h"

class Port;

inline constexpr int kCommandCount = 20;
// The conversion works on a copy of this size; longer texts are cut to it.
inline constexpr std::size_t kCommandTextMax = 1023;

inline constexpr const char* kSendAsciiPrefix = "---* Send General ASCII COMMAND *---   ";

enum ReplyMethod : int {
    kReplyNone = 0,
    kReplyReceive = 1,
    kReplyCommand = 2,
};

// "Add Other": the field read as hex (two characters, non-hex counting 0), its low
// byte as tagged text; empty for an empty field.
std::string add_other_text(std::string_view field);

class CommandTable : private NonCopyable {
public:

    // Sends on `port`, which outlives the table.
    CommandTable(Port& port, LineSink add_line);

    // Slots 0..20; other numbers are ignored (empty text). Texts are cut to 1023 characters.
    // A new text clears the slot's refusal.
    void SetCommandText(int n, std::string_view text);
    // Why command n, as typed, cannot be sent (send_check.h), set beside its 8-bit text;
    // empty when it can. While it is set, every send of the command (button, Enter,
    // automatic reply) writes one line saying so, and nothing.
    void SetCommandRefusal(int n, std::string reason);
    std::string CommandRefusal(int n) const;
    // False, leaving the slot as it was, when the result would pass 1023 characters
    // (cutting it could split a tag).
    bool AppendCommandText(int n, std::string_view text);
    std::string CommandText(int n) const;
    // Empties slots 1..20.
    void ClearAll();
    std::array<std::string, kCommandCount> Commands() const;

    // Converts command n (1..20) and writes it to the port, exactly its bytes; one
    // message-list line, none for an empty command. A command with a refusal is not
    // sent: its line names the character at fault.
    void SendCommand(int n);

    void SetReplyMethod(int method);
    int reply_method() const { return reply_method_.load(std::memory_order_relaxed); }
    // Clamped to 1..20.
    void SetReplyCommand(int n);
    int reply_command() const { return reply_command_.load(std::memory_order_relaxed); }
    // A received line (terminator included): echoed, answered with the reply command, or nothing.
    void SendReply(const std::uint8_t* line, std::int32_t length);

private:
    Port& port_;
    LineSink add_line_;
    mutable std::mutex mutex_;
    std::array<std::string, kCommandCount + 1> slots_;
    std::array<std::string, kCommandCount + 1> refusals_;
    std::atomic<int> reply_method_{kReplyNone};
    std::atomic<int> reply_command_{1};
};
