#include "core/terminal/receive_pipeline.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "core/protocol/zum_codec.h"
#include "core/protocol/zum_exchange.h"
#include "core/serial/port.h"
#include "core/serial/uart_receive_thread.h"
#include "core/util/convert.h"
#include "core/util/time_helpers.h"

namespace {
// Lines are cut at their terminator whatever the chunks are, so a chunk is what one
// arrival brought: no quiet polls while bytes flow.
constexpr std::int32_t kReceiveQuietPolls = 0;

ReceiveInstant system_now() {
    return {std::chrono::steady_clock::now(), std::chrono::system_clock::now()};
}
} // namespace

ReceivePipeline::ReceivePipeline(ZumLink& link, LineSink add_line)
    : link_(link), add_line_(std::move(add_line)), clock_(system_now) {}

void ReceivePipeline::SetClock(ReceiveClock clock) {
    clock_ = clock ? std::move(clock) : ReceiveClock(system_now);
}

template <typename Change>
void ReceivePipeline::Update(Change change) {
    std::lock_guard lock(mutex_);
    change(settings_, hooks_);
    version_.fetch_add(1, std::memory_order_release);
}

void ReceivePipeline::RefreshSnapshot() {
    std::uint64_t version = version_.load(std::memory_order_acquire);
    if (version == snapshot_version_) return;
    std::lock_guard lock(mutex_);
    snapshot_ = settings_;
    snapshot_hooks_ = hooks_;
    snapshot_version_ = version_.load(std::memory_order_relaxed);
}

void ReceivePipeline::SetReplyHook(ReplyHook hook) {
    Update([&](DisplaySettings&, Hooks& h) { h.reply = std::move(hook); });
}

void ReceivePipeline::SetRecorderHook(RecorderHook hook) {
    Update([&](DisplaySettings&, Hooks& h) { h.recorder = std::move(hook); });
}

void ReceivePipeline::SetPanelShowingHook(PanelShowingHook hook) {
    Update([&](DisplaySettings&, Hooks& h) { h.panel_showing = std::move(hook); });
}

void ReceivePipeline::SetLastLengthHook(LengthHook hook) {
    Update([&](DisplaySettings&, Hooks& h) { h.last_length = std::move(hook); });
}

void ReceivePipeline::SetRecorderKeyword(std::string keyword) {
    Update([&](DisplaySettings& s, Hooks&) { s.recorder_keyword = std::move(keyword); });
}

std::string ReceivePipeline::recorder_keyword() const {
    std::lock_guard lock(mutex_);
    return settings_.recorder_keyword;
}

void ReceivePipeline::SetReceiveMode(int mode) {
    if (mode < kReceiveModeNone || mode > kReceiveModeHex) return;
    Update([&](DisplaySettings& s, Hooks&) { s.receive_mode = mode; });
}

int ReceivePipeline::receive_mode() const {
    std::lock_guard lock(mutex_);
    return settings_.receive_mode;
}

bool ReceivePipeline::ParseOtherTerminator(std::string_view text, std::vector<std::uint8_t>& out) {
    out.clear();
    auto digit = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ' || text[i] == ',') {
            ++i;
            continue;
        }
        if (i + 1 == text.size() || !digit(text[i]) || !digit(text[i + 1])) return false;
        if (out.size() == static_cast<std::size_t>(kTerminatorMax)) return false;
        out.push_back(static_cast<std::uint8_t>(hex_text_to_int(text.substr(i, 2), 2)));
        i += 2;
    }
    return true;
}

void ReceivePipeline::ParseTerminator(DisplaySettings& s, int mode) {
    if (mode == kLineControlOther) {
        // An empty field cuts after every byte; text that is not hex pairs never
        // becomes a guessed byte: the terminator in effect stays.
        std::vector<std::uint8_t> bytes;
        s.other_valid = ParseOtherTerminator(s.other_text, bytes);
        if (!s.other_valid) return;
        s.terminator.fill(0);
        std::copy(bytes.begin(), bytes.end(), s.terminator.begin());
        s.terminator_length = static_cast<std::int32_t>(bytes.size());
        return;
    }
    s.terminator.fill(0);
    switch (mode) {
    case kLineControlNul:
        s.terminator_length = 1;
        break;
    case kLineControlCr:
        s.terminator[0] = 0x0D;
        s.terminator_length = 1;
        break;
    case kLineControlLf:
        s.terminator[0] = 0x0A;
        s.terminator_length = 1;
        break;
    default:
        s.terminator[0] = 0x0D;
        s.terminator[1] = 0x0A;
        s.terminator_length = 2;
        break;
    }
}

void ReceivePipeline::SetLineControlMode(int mode, std::string_view other_text) {
    if (mode < kLineControlNul || mode > kLineControlOther) return;
    Update([&](DisplaySettings& s, Hooks&) {
        s.line_control_mode = mode;
        s.other_text = std::string(other_text);
        std::vector<std::uint8_t> unused;
        s.other_valid = ParseOtherTerminator(s.other_text, unused);
        ParseTerminator(s, mode);
    });
}

void ReceivePipeline::SetLineControlOther(std::string_view other_text) {
    Update([&](DisplaySettings& s, Hooks&) {
        s.other_text = std::string(other_text);
        if (s.line_control_mode == kLineControlOther) {
            ParseTerminator(s, kLineControlOther);
        } else {
            std::vector<std::uint8_t> unused;
            s.other_valid = ParseOtherTerminator(s.other_text, unused);
        }
    });
}

bool ReceivePipeline::other_valid() const {
    std::lock_guard lock(mutex_);
    return settings_.other_valid;
}

int ReceivePipeline::line_control_mode() const {
    std::lock_guard lock(mutex_);
    return settings_.line_control_mode;
}

std::vector<std::uint8_t> ReceivePipeline::terminator() const {
    std::lock_guard lock(mutex_);
    return {settings_.terminator.begin(), settings_.terminator.begin() + settings_.terminator_length};
}

void ReceivePipeline::SetChangeLineWait(int ms) {
    ms = std::clamp(ms, 0, kChangeLineWaitMax);
    Update([&](DisplaySettings& s, Hooks&) { s.change_line_wait = ms; });
}

int ReceivePipeline::change_line_wait() const {
    std::lock_guard lock(mutex_);
    return settings_.change_line_wait;
}

void ReceivePipeline::SetQlpFilter(bool on) {
    Update([&](DisplaySettings& s, Hooks&) { s.qlp_filter = on; });
}

bool ReceivePipeline::qlp_filter() const {
    std::lock_guard lock(mutex_);
    return settings_.qlp_filter;
}

void ReceivePipeline::SetTimeStamps(bool on) {
    Update([&](DisplaySettings& s, Hooks&) { s.time_stamps = on; });
}

bool ReceivePipeline::time_stamps() const {
    std::lock_guard lock(mutex_);
    return settings_.time_stamps;
}

DisplaySettings ReceivePipeline::settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

void ReceivePipeline::ReceiveDispatch() {
    RefreshSnapshot();
    if (snapshot_hooks_.panel_showing && snapshot_hooks_.panel_showing())
        ReceiveFrameMode();
    else
        ReceiveTerminalMode();
}

void ReceivePipeline::ReceiveTerminalMode() {
    // After a short read, which took all that was queued, this step rests on the port
    // at once: reading it empty first would cost a system call per arrival.
    if (!drained_) {
        std::uint8_t chunk[kComportReceiveMax];
        std::int32_t n = link_.port().Receive(chunk, kReceiveQuietPolls);
        if (n > 0) {
            AcceptChunk(chunk, n);
            drained_ = n < kComportReceiveMax;
            return;
        }
    }
    drained_ = false;
    // Until bytes come: a change-line tick with bytes held wakes this thread
    // (MarkWaitElapsed); held bytes also bound the wait, so they are shown in time.
    // With nothing held the wait has no deadline: an idle line costs no wake-ups.
    if (!IdlePoll()) link_.port().WaitReadable(HeldWaitMs(), uart_thread_wake());
}

int ReceivePipeline::HeldWaitMs() const {
    if (accumulated_ <= 0) return kWaitNoDeadline;
    const auto due = held_since_.steady + std::chrono::milliseconds(kHeldShowMs);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - clock_().steady).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kHeldShowMs));
}

void ReceivePipeline::ReceiveFrameMode() {
    RefreshSnapshot();
    std::uint8_t rest[kComportReceiveMax];
    std::int32_t n = std::min(link_.ReadFilter(rest), kComportReceiveMax);
    if (n <= 0) {
        // Nothing left over (or a reply frame was caught): rest unless bytes wait.
        link_.port().WaitReadable(kWaitNoDeadline, uart_thread_wake());
        return;
    }
    std::string text = ReceivedText(rest, n, snapshot_.receive_mode);
    if (snapshot_.receive_mode == kReceiveModeNone) remove_prefix(text, snapshot_.recorder_keyword);
    AddLine(std::move(text), clock_());
    ShowLength(n);
}

void ReceivePipeline::AcceptChunk(const std::uint8_t* chunk, std::int32_t n) {
    RefreshSnapshot();
    // The chunk goes in as far as there is room; cutting lines makes room for the rest.
    // Held bytes that fill the buffer without a terminator are shown as one line, as the
    // change-line wait would show them: a device whose lines end in another terminator
    // than the chosen one is still seen, and no received byte is dropped.
    const ReceiveInstant now = clock_();
    if (accumulated_ == 0) held_since_ = now;
    std::int32_t taken = 0;
    while (taken < n) {
        std::int32_t room = kReceiveHeldMax - accumulated_;
        std::int32_t part = std::min(n - taken, room);
        std::memcpy(accumulate_.data() + accumulated_, chunk + taken, static_cast<std::size_t>(part));
        accumulated_ += part;
        taken += part;
        while (true) {
            std::int32_t length = extract_line(accumulate_.data(), accumulated_, snapshot_.terminator.data(),
                                               snapshot_.terminator_length, line_.data());
            if (length == 0) break;
            DeliverLine(length, now);
        }
        if (accumulated_ == kReceiveHeldMax) {
            FlushHeld();
            held_since_ = now;
        }
    }
    wait_elapsed_.store(false, std::memory_order_release);
    holding_.store(accumulated_ > 0, std::memory_order_release);
}

void ReceivePipeline::MarkWaitElapsed() {
    wait_elapsed_.store(true, std::memory_order_release);
    // Held bytes are flushed by the receive thread, which may be resting on the port.
    if (holding_.load(std::memory_order_acquire)) uart_wake_receive_thread();
}

bool ReceivePipeline::IdlePoll() {
    RefreshSnapshot();
    if (accumulated_ <= 0) return false;
    if (!wait_elapsed_.load(std::memory_order_acquire) && HeldWaitMs() > 0) return false;
    FlushHeld();
    wait_elapsed_.store(false, std::memory_order_release);
    holding_.store(false, std::memory_order_release);
    return true;
}

void ReceivePipeline::FlushHeld() {
    std::int32_t length = accumulated_;
    std::memcpy(line_.data(), accumulate_.data(), static_cast<std::size_t>(length));
    accumulated_ = 0;
    DeliverLine(length, held_since_);
}

void ReceivePipeline::DeliverLine(std::int32_t length, const ReceiveInstant& now) {
    // Lines are cut as soon as their chunk arrives, so whatever is held after this
    // line came with the newest chunk.
    const ReceiveInstant read = std::exchange(held_since_, now);
    if (snapshot_hooks_.reply) snapshot_hooks_.reply(line_.data(), length);
    ShowLine(line_.data(), length, read);
    ShowLength(length);
}

void ReceivePipeline::ShowLength(std::int32_t length) {
    last_length_.store(length, std::memory_order_relaxed);
    if (snapshot_hooks_.last_length) snapshot_hooks_.last_length(length);
}

void ReceivePipeline::ShowReceivedLine(const std::uint8_t* line, std::int32_t length) {
    RefreshSnapshot();
    ShowLine(line, length, clock_());
}

void ReceivePipeline::ShowLine(const std::uint8_t* line, std::int32_t length, const ReceiveInstant& read) {
    if (snapshot_hooks_.recorder && snapshot_hooks_.recorder(line, length)) return;
    if (snapshot_.qlp_filter) {
        std::string text;
        if (FrameText(line, length, text)) {
            AddLine(std::move(text), read);
            return;
        }
    }
    AddLine(ReceivedText(line, length, snapshot_.receive_mode), read);
}

void ReceivePipeline::AddLine(std::string text, const ReceiveInstant& read) {
    if (snapshot_.time_stamps) text.insert(0, time_stamp_text(read.wall));
    add_line_(text);
}

void ReceivePipeline::ResetAccumulated() {
    accumulated_ = 0;
    holding_.store(false, std::memory_order_release);
    wait_elapsed_.store(false, std::memory_order_release);
}

std::string ReceivePipeline::ReceivedText(const std::uint8_t* bytes, std::int32_t length, int mode) {
    if (length <= 0) return {};
    switch (mode) {
    case kReceiveModeNone:
        return strip_control_bytes(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)));
    case kReceiveModeHex:
        return bytes_to_hex_text(bytes, length, ',');
    default:
        return bytes_to_tagged_text(bytes, length);
    }
}

bool ReceivePipeline::FrameText(const std::uint8_t* line, std::int32_t length, std::string& text) {
    if (length <= 0) return false;
    if (length <= kZumLineMax) {
        // The ZUM decoder reads up to a closing 0x00; a copy with one appended lets a
        // frame cut at another terminator (CR LF) decode as well.
        std::uint8_t copy[kZumLineMax + 1];
        std::memcpy(copy, line, static_cast<std::size_t>(length));
        copy[length] = 0x00;
        QlpCommand command;
        if (qlpDecodeText(copy, static_cast<std::size_t>(length) + 1, command)) {
            text = "ZUM Frame = " + qlpCommandText(command);
            return true;
        }
    }
    ZebFrame zeb;
    if (zebDecode(line, static_cast<std::size_t>(length), zeb)) {
        text = "ZEB Frame = " + zebFrameText(zeb);
        return true;
    }
    ZikFrame zik;
    if (zikDecode(line, static_cast<std::size_t>(length), zik)) {
        text = "ZIK Frame = " + zikFrameText(zik);
        return true;
    }
    return false;
}
