// What the link monitor shows, without the window: the ID filter, the pause, the
// line counter, the kept lines and the ordered hand-over of lines that producers
// post from the receive thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

class LinkMonitorLog {
public:
    // Oldest lines go first beyond this, so a monitor left open stays bounded.
    static constexpr std::size_t kMaxLines = 100000;
    // Posted lines wait at most in this number for the window thread.
    static constexpr std::size_t kMaxQueued = 100000;
    static constexpr int kFilterMin = 0;
    static constexpr int kFilterMax = 256; // above every device ID, so it shows nothing
    static constexpr int kFilterDefault = 1;

    // Any thread. Lines wait in order until the window thread drains them; while
    // the monitor is closed they are dropped, as its next showing would clear them.
    void postLine(std::string text);
    void postIdLine(std::uint32_t id, std::string text);

    // Window thread from here on.
    void setOpen(bool open);
    // Passes the waiting lines, in order, through pause and filter into the list.
    // Returns the number appended.
    std::size_t drain();
    // The lines appended since the last call, for the view.
    std::vector<std::string> takeUnshown();

    // Showing: empty list, counter 0, not paused, filter off with number 1.
    void reset();
    // Clear button: empty list and counter 0.
    void clear();
    // Closing: empty list.
    void clearLines();

    // Lines waiting when pause or filter change were posted before the change and
    // are decided by the old setting: each of these drains first.
    bool togglePause();
    void setFilterEnabled(bool enabled);
    void setFilterNumber(int number);

    bool paused() const { return paused_; }
    bool filterEnabled() const { return filterEnabled_; }
    int filterNumber() const { return filterNumber_; }
    std::uint64_t counter() const { return counter_; }
    const std::deque<std::string>& lines() const { return lines_; }
    std::size_t queued() const;

    // The file contents of a save: every line ended by CR LF.
    std::string fileText() const;

private:
    struct Posted {
        bool tagged;
        std::uint32_t id;
        std::string text;
    };
    bool accepts(const Posted& line) const;
    void append(std::string text);
    void post(Posted line);

    mutable std::mutex queueMutex_;
    std::deque<Posted> queue_;
    bool open_ = false; // guarded by queueMutex_

    bool paused_ = false;
    bool filterEnabled_ = false;
    int filterNumber_ = kFilterDefault;
    std::uint64_t counter_ = 0;
    std::deque<std::string> lines_;
    std::deque<std::string> unshown_;
};

// The file a save writes: the chosen name's folder, the name cut before its first
// ".", then ".txt" (run.1.log in /tmp gives /tmp/run.txt).
std::string linkMonitorSavePath(const std::string& chosen);

// Writes the lines whole or not at all. False with the system's reason on failure.
bool linkMonitorSave(const LinkMonitorLog& log, const std::string& path, std::string& reason);
