// The recorder: takes received lines that start with a keyword into its monitor,
// optionally stamped with the time of day, and writes the monitor to .csv files,
// on request or every so many lines with numbered names.
//
// Lines arrive on the receive thread while the window thread changes the settings,
// clears and saves; one lock covers the state and the monitor, and every change
// the window must show is told to the view in the order it happened. Files are
// written on the window thread and never under the lock: a slow disk holds up
// neither receiving nor a keystroke in the recorder's fields.
#pragma once

#include <cstdint>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/util/time_helpers.h"

class AutoTest;

inline constexpr const char* kRecorderEmptyName = "Recorder File Name is Empty! There is no file had been saved.";
inline constexpr std::size_t kRecorderKeywordMax = 2047;
inline constexpr int kRecorderNumberMin = 1;
inline constexpr int kRecorderNumberMax = 100000;

struct RecorderState {
    bool recording = false;
    std::string directory; // with its trailing separator
    std::string base_name = "recorder";
    std::string last_path;
    std::string keyword = "#";
    bool add_time = false;
    bool auto_save = false;
    int file_number = 1;
    int line_amount = 1000;
};

// The time of day for the stamps; current_time() outside tests.
using RecorderClock = std::function<TimeOfDay()>;

// What the recorder tells the window. Called with the recorder's lock held, from
// either thread, so an implementation only queues and never calls back.
class RecorderView {
public:
    virtual ~RecorderView() = default;
    virtual void MonitorAppend(const std::string& line, int count) = 0;
    virtual void MonitorClear() = 0;
    // A line for the message list.
    virtual void MessageLine(const std::string& text) = 0;
    // A modal message, to be shown on the window thread without holding up the caller.
    virtual void Notice(const std::string& text) = 0;
    // The monitor reached the auto-save amount: the window thread is to call
    // Recorder::WriteDueAutoSave, after what was told before.
    virtual void AutoSaveDue() = 0;
};

// Whether a received line starts with the keyword (exact bytes; an empty keyword takes all).
bool recorder_keyword_match(const std::uint8_t* line, std::int32_t length, const std::string& keyword);
// The recorded text of a line in a receive mode: 0 printable bytes without the
// keyword, 1 tagged text, 2 hex pairs; any other mode gives the empty text.
std::string recorder_text(const std::uint8_t* line, std::int32_t length, int receive_mode,
                          const std::string& keyword);
// "9,5,3,OK" for "OK" at 09:05:03.
std::string recorder_stamp(const TimeOfDay& time, const std::string& text);
// Every line followed by CR LF (the first `count` lines only, when given).
std::string recorder_file_text(const std::vector<std::string>& lines, std::size_t count = SIZE_MAX);
// directory + base + "_" + number + ".csv"
std::string recorder_auto_path(const RecorderState& state);
// The first file number from state.file_number on whose numbered path does not exist;
// 0 when every one up to kRecorderNumberMax is taken.
int recorder_free_number(RecorderState state);

class Recorder {
public:
    Recorder(RecorderView& view, AutoTest& auto_test, RecorderClock clock);

    // The receive pipeline's hook for each completed line: true when the recorder
    // took it (then it is not shown in the message list). Writes no file: an
    // automatic save that falls due is handed to the window thread (AutoSaveDue).
    bool TakeLine(const std::uint8_t* line, std::int32_t length, int receive_mode);

    void AddLine(const std::string& text);
    void Clear();
    // Window thread: the automatic save that fell due, if it still is. The file holds
    // the lines there were when it fell due; lines that came meanwhile stay.
    void WriteDueAutoSave();
    // Window thread, "Save Current Recorder" with auto save on: the next numbered file
    // now; does nothing while auto save is off. A numbered save takes the first number
    // from the file number on whose file does not exist yet, and the file number then
    // moves past it.
    void SaveAuto();
    // Window thread: a save to a chosen place; the directory and base name are kept
    // for later saves.
    void SaveChosen(const std::string& directory, const std::string& base_name);
    // A failed automatic save is shown once; auto-saving then waits, keeping every line,
    // until the name or folder changes, auto save is switched on again or a save by hand.
    bool auto_save_suspended() const;

    RecorderState state() const;
    std::vector<std::string> lines() const;
    int line_count() const;

    void SetRecording(bool on);
    void SetDirectory(std::string directory);
    void SetKeyword(std::string keyword);
    void SetAddTime(bool on);
    void SetAutoSave(bool on);
    void SetBaseName(std::string name);
    void SetFileNumber(int number);
    void SetLineAmount(int amount);

private:
    // The callers hold mutex_.
    void AddLineLocked(const std::string& text);
    void ClearLocked();
    void CheckAutoSaveDueLocked();
    // Window thread, without the lock: the numbered file of the first `count` lines.
    void WriteNumbered(std::size_t count);
    // Window thread, without the lock: writes the first `count` lines to `path`; on
    // success they leave the monitor (and the file number moves on when `numbered`).
    bool WriteFirstLines(const std::string& path, std::size_t count, bool numbered);

    mutable std::mutex mutex_;
    RecorderView& view_;
    AutoTest& auto_test_;
    RecorderClock clock_;
    RecorderState state_;
    std::vector<std::string> lines_;
    std::size_t due_ = 0;      // lines an automatic save fell due for; 0: none due
    bool writing_ = false;     // the window thread is writing the monitor's first lines
    bool suspended_ = false;   // an automatic save failed (see auto_save_suspended)
};
