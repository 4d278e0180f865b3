// What the link monitor shows, without the window: the ID filter, the pause, the
// line counter and the kept lines. The window thread owns it; lines from other
// threads reach it through the mailbox.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/util/line_store.h"

class LinkMonitorLog {
public:
    // Oldest lines go first beyond this, so a monitor left open stays bounded.
    static constexpr std::size_t kMaxLines = 100000;
    static constexpr int kFilterMin = 0;
    static constexpr int kFilterMax = 256; // above every device ID, so it shows nothing
    static constexpr int kFilterDefault = 1;
    // A monitor holds far fewer lines than the message list: smaller chunks.
    static constexpr std::size_t kChunkBytes = std::size_t(64) << 10;

    // A line of received bytes that held no reply (no device ID), or of an exchange
    // with device `id`. Passes pause and filter; true when it was appended.
    bool AddLine(std::string text);
    bool AddIdLine(std::uint32_t id, std::string text);

    // The lines appended since the last call (at most those still kept), for the view.
    std::vector<std::string> TakeUnshown();
    // For a view over lines(): how many lines were appended, and how many dropped from
    // the front past kMaxLines, since the last call.
    struct Changes {
        std::size_t appended = 0;
        std::size_t dropped = 0;
    };
    Changes TakeChanges();

    // Showing: empty list, counter 0, not paused, filter off with number 1.
    void Reset();
    // Clear button: empty list and counter 0.
    void Clear();
    // Closing: empty list.
    void ClearLines();

    bool TogglePause();
    void SetFilterEnabled(bool enabled);
    void SetFilterNumber(int number);

    bool paused() const { return paused_; }
    bool filter_enabled() const { return filter_enabled_; }
    int filter_number() const { return filter_number_; }
    std::uint64_t counter() const { return counter_; }
    // Each line once, compactly (about its text and 12 bytes).
    const LineStore& lines() const { return lines_; }

    // The file contents of a save: every line ended by CR LF.
    std::string FileText() const;

private:
    bool Accepts(bool tagged, std::uint32_t id) const;
    bool Append(bool tagged, std::uint32_t id, std::string text);

    bool paused_ = false;
    bool filter_enabled_ = false;
    int filter_number_ = kFilterDefault;
    std::uint64_t counter_ = 0;
    LineStore lines_{kMaxLines, kChunkBytes};
    std::size_t unshown_ = 0; // for TakeUnshown
    Changes changes_;         // for TakeChanges
};

// The file a save writes: the chosen name's folder, the name without its last
// extension, then ".txt" (run.1.log in /tmp gives /tmp/run.1.txt).
std::string link_monitor_save_path(const std::string& chosen);

// Writes the lines whole or not at all. False with the system's reason on failure.
bool link_monitor_save(const LinkMonitorLog& log, const std::string& path, std::string& reason);
