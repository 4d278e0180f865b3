// What happens to received bytes: the terminal path cuts them into lines at the
// chosen terminator (or after a quiet period) and shows each line as text, named
// control characters, hex pairs or a decoded frame; bytes held for a terminator that
// does not come are shown as a line after kHeldShowMs, so nothing received stays
// unseen; the frame path, taken while a
// device panel is showing, hands the bytes to the frame catcher and shows the rest.
//
// Threads: ReceiveDispatch, the two paths and ShowReceivedLine run on the receive
// thread; the setters, MarkWaitElapsed and the getters may be called from any thread.
// The receive buffers belong to the receive thread; ResetAccumulated is called while
// no receive thread runs.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/line_sink.h"
#include "core/util/non_copyable.h"

class ZumLink;

enum ReceiveMode : int {
    kReceiveModeNone = 0,
    kReceiveModeAscii = 1,
    kReceiveModeHex = 2,
};

enum LineControlMode : int {
    kLineControlNul = 0,
    kLineControlCr = 1,
    kLineControlLf = 2,
    kLineControlCrLf = 3,
    kLineControlOther = 4,
};

// Bytes not yet cut into lines are held up to this many; a line is never longer, and
// held bytes that reach it without a terminator are shown as one line.
inline constexpr std::int32_t kReceiveHeldMax = 2048;
inline constexpr std::int32_t kTerminatorMax = 64;
// The ZUM decoder works on a copy of this size; longer lines are no ZUM frame.
inline constexpr std::int32_t kZumLineMax = 256;
inline constexpr std::int32_t kChangeLineWaitMax = 500;
// Held bytes are shown as a line once the first of them was read this long ago: a
// device whose lines end in another terminator than the chosen one (CR LF under the
// default <NUL>) is seen within about a second, and the end of a burst is never kept
// back. The change-line wait, when enabled, flushes sooner (at most 500 ms).
inline constexpr int kHeldShowMs = 1000;

// When received bytes were read: the steady time for the held-bytes deadline, the
// wall time for the line's time stamp.
struct ReceiveInstant {
    std::chrono::steady_clock::time_point steady;
    std::chrono::system_clock::time_point wall;
};
using ReceiveClock = std::function<ReceiveInstant()>;

struct DisplaySettings {
    int receive_mode = kReceiveModeAscii;
    int line_control_mode = kLineControlNul;
    std::array<std::uint8_t, kTerminatorMax> terminator{}; // 0x00
    std::int32_t terminator_length = 1;
    std::string other_text; // the "Other" field, kept for re-parsing on a mode change
    // False while the "Other" field holds text that is not hex pairs: the
    // terminator in effect before stays.
    bool other_valid = true;
    std::int32_t change_line_wait = 200;
    bool qlp_filter = false;
    // Each shown line starts with "hh:mm:ss.zzz ", the time its first byte was read.
    bool time_stamps = false;
    std::string recorder_keyword = "#";
};

class ReceivePipeline : private NonCopyable {
public:
    using ReplyHook = std::function<void(const std::uint8_t* line, std::int32_t length)>;
    using RecorderHook = std::function<bool(const std::uint8_t* line, std::int32_t length)>;
    using PanelShowingHook = std::function<bool()>;
    using LengthHook = std::function<void(std::int32_t length)>;

    // Reads the link's port: directly on the terminal path, through the link's frame
    // catcher on the frame path. The link outlives the pipeline.
    ReceivePipeline(ZumLink& link, LineSink add_line);

    // Absent hooks: no reply, nothing recorded, the terminal path, no length shown.
    void SetReplyHook(ReplyHook hook);
    void SetRecorderHook(RecorderHook hook);
    void SetPanelShowingHook(PanelShowingHook hook);
    // Told the length of each line or chunk shown (for "Last Length"); receive thread.
    void SetLastLengthHook(LengthHook hook);
    void SetRecorderKeyword(std::string keyword);
    std::string recorder_keyword() const;

    // Out-of-range values are ignored.
    void SetReceiveMode(int mode);
    int receive_mode() const;
    // Sets the terminator by mode; mode 4 parses `other_text` as hex pairs
    // (ParseOtherTerminator), keeping the terminator in effect when it cannot.
    void SetLineControlMode(int mode, std::string_view other_text);
    // The "Other" field changed: re-parsed into the terminator while mode 4 is selected.
    void SetLineControlOther(std::string_view other_text);
    // Whether the "Other" field last given reads as hex pairs.
    bool other_valid() const;
    // Pairs of hex digits, blanks and commas allowed between them ("0D 0A", "0D,0A",
    // "0D0A"); no pairs at all give an empty terminator. False for anything else.
    static bool ParseOtherTerminator(std::string_view text, std::vector<std::uint8_t>& out);
    int line_control_mode() const;
    std::vector<std::uint8_t> terminator() const;
    // Clamped to 0..500.
    void SetChangeLineWait(int ms);
    int change_line_wait() const;
    void SetQlpFilter(bool on);
    bool qlp_filter() const;
    void SetTimeStamps(bool on);
    bool time_stamps() const;
    // Replaces the clock that dates received bytes (tests); before receiving starts.
    void SetClock(ReceiveClock clock);
    DisplaySettings settings() const;

    // The change-line timer's tick; wakes the receive thread when bytes are held.
    void MarkWaitElapsed();
    // How long the receive thread may rest before held bytes are due to be shown
    // (kHeldShowMs after the first was read); kWaitNoDeadline while none are held.
    int HeldWaitMs() const;
    bool wait_elapsed() const { return wait_elapsed_.load(std::memory_order_acquire); }

    // One receive-thread iteration.
    void ReceiveDispatch();
    void ReceiveTerminalMode();
    void ReceiveFrameMode();
    // The terminal path's work on a chunk already read, and on a poll that read nothing
    // (true when the change-line wait, or kHeldShowMs, flushed a partial line).
    void AcceptChunk(const std::uint8_t* chunk, std::int32_t n);
    bool IdlePoll();
    // Recorder, QLP filter, then the text by receive mode.
    void ShowReceivedLine(const std::uint8_t* line, std::int32_t length);

    // Receiving stopped or the port closed: held bytes are dropped.
    void ResetAccumulated();
    std::int32_t accumulated() const { return accumulated_; }
    std::int32_t last_length() const { return last_length_.load(std::memory_order_relaxed); }

    // The text of received bytes by receive mode.
    static std::string ReceivedText(const std::uint8_t* bytes, std::int32_t length, int mode);
    // "ZUM Frame = ...", "ZEB Frame = ..." or "ZIK Frame = ..." for a line that is one
    // of the frames, tried in that order; false otherwise.
    static bool FrameText(const std::uint8_t* line, std::int32_t length, std::string& text);

private:
    struct Hooks {
        ReplyHook reply;
        RecorderHook recorder;
        PanelShowingHook panel_showing;
        LengthHook last_length;
    };

    // The receive thread's copy of the settings and hooks, refreshed when they changed.
    void RefreshSnapshot();
    template <typename Change>
    void Update(Change change);
    static void ParseTerminator(DisplaySettings& s, int mode);
    void ShowLine(const std::uint8_t* line, std::int32_t length, const ReceiveInstant& read);
    void AddLine(std::string text, const ReceiveInstant& read);
    // Shows every held byte as one line (held buffer full, the change-line wait, or
    // kHeldShowMs).
    void FlushHeld();
    // Shows line_ (a line whose first byte was read at held_since_); the bytes still
    // held came with `now`.
    void DeliverLine(std::int32_t length, const ReceiveInstant& now);
    void ShowLength(std::int32_t length);

    ZumLink& link_;
    LineSink add_line_;
    ReceiveClock clock_;

    mutable std::mutex mutex_;
    DisplaySettings settings_;
    Hooks hooks_;
    std::atomic<std::uint64_t> version_{1};

    // Receive thread only.
    std::uint64_t snapshot_version_ = 0;
    DisplaySettings snapshot_;
    Hooks snapshot_hooks_;
    std::array<std::uint8_t, kReceiveHeldMax> accumulate_{};
    std::array<std::uint8_t, kReceiveHeldMax> line_{};
    std::int32_t accumulated_ = 0;
    ReceiveInstant held_since_{}; // when the first held byte was read
    bool drained_ = false; // the last read left room: nothing was left queued

    std::atomic<bool> wait_elapsed_{false};
    std::atomic<bool> holding_{false}; // accumulated_ > 0, for MarkWaitElapsed
    std::atomic<std::int32_t> last_length_{0};
};
