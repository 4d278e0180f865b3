#include "core/terminal/recorder.h"

#include <algorithm>
#include <utility>

#include "core/terminal/auto_test.h"
#include "core/terminal/terminal_texts.h"
#include "core/util/convert.h"
#include "core/files/file_io.h"

bool recorder_keyword_match(const std::uint8_t* line, std::int32_t length, const std::string& keyword) {
    if (keyword.empty()) return true;
    if (line == nullptr || length < static_cast<std::int32_t>(keyword.size())) return false;
    return std::equal(keyword.begin(), keyword.end(), line,
                      [](char k, std::uint8_t b) { return static_cast<std::uint8_t>(k) == b; });
}

std::string recorder_text(const std::uint8_t* line, std::int32_t length, int receive_mode,
                          const std::string& keyword) {
    if (line == nullptr || length <= 0) return {};
    switch (receive_mode) {
    case 0: {
        std::string text = strip_control_bytes(std::span<const std::uint8_t>(line, static_cast<std::size_t>(length)));
        remove_prefix(text, keyword);
        return text;
    }
    case 1: return bytes_to_tagged_text(line, length);
    case 2: return bytes_to_hex_text(line, length, ',');
    default: return {};
    }
}

std::string recorder_stamp(const TimeOfDay& time, const std::string& text) {
    return std::to_string(time.hour) + "," + std::to_string(time.minute) + "," + std::to_string(time.second) + "," +
           text;
}

std::string recorder_file_text(const std::vector<std::string>& lines, std::size_t count) {
    count = std::min(count, lines.size());
    std::size_t size = 0;
    for (std::size_t i = 0; i < count; ++i) size += lines[i].size() + 2;
    std::string text;
    text.reserve(size);
    for (std::size_t i = 0; i < count; ++i) {
        text += lines[i];
        text += "\r\n";
    }
    return text;
}

std::string recorder_auto_path(const RecorderState& state) {
    return state.directory + state.base_name + "_" + std::to_string(state.file_number) + ".csv";
}

Recorder::Recorder(RecorderView& view, AutoTest& auto_test, RecorderClock clock)
    : view_(view), auto_test_(auto_test), clock_(std::move(clock)) {}

bool Recorder::TakeLine(const std::uint8_t* line, std::int32_t length, int receive_mode) {
    std::lock_guard lock(mutex_);
    if (!state_.recording) return false;
    if (!recorder_keyword_match(line, length, state_.keyword)) return false;
    const std::string text = recorder_text(line, length, receive_mode, state_.keyword);
    AddLineLocked(state_.add_time && clock_ ? recorder_stamp(clock_(), text) : text);
    CheckAutoSaveDueLocked();
    if (auto_test_.running()) auto_test_.Received(text);
    return true;
}

void Recorder::CheckAutoSaveDueLocked() {
    if (!state_.auto_save || suspended_ || writing_ || due_ != 0) return;
    if (lines_.size() < static_cast<std::size_t>(state_.line_amount)) return;
    due_ = lines_.size();
    view_.AutoSaveDue();
}

void Recorder::AddLine(const std::string& text) {
    std::lock_guard lock(mutex_);
    AddLineLocked(text);
}

void Recorder::AddLineLocked(const std::string& text) {
    lines_.push_back(text);
    view_.MonitorAppend(text, static_cast<int>(lines_.size()));
}

void Recorder::Clear() {
    std::lock_guard lock(mutex_);
    ClearLocked();
}

void Recorder::ClearLocked() {
    lines_.clear();
    due_ = 0;
    view_.MonitorClear();
}

void Recorder::WriteDueAutoSave() {
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        count = std::exchange(due_, 0);
        if (count == 0 || !state_.auto_save || suspended_) return;
    }
    WriteNumbered(count);
}

void Recorder::SaveAuto() {
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        if (!state_.auto_save) return;
        suspended_ = false; // a save by hand tries again
        due_ = 0;
        count = lines_.size();
    }
    WriteNumbered(count);
}

int recorder_free_number(RecorderState state) {
    for (; state.file_number <= kRecorderNumberMax; ++state.file_number)
        // Anything under the name counts as taken, a dangling link included; a name that
        // cannot be looked at is tried, so the write reports why.
        if (!file_name_taken(recorder_auto_path(state))) return state.file_number;
    return 0;
}

void Recorder::WriteNumbered(std::size_t count) {
    RecorderState state;
    {
        std::lock_guard lock(mutex_);
        if (state_.base_name.empty()) {
            suspended_ = true;
            view_.Notice(kRecorderEmptyName);
            return;
        }
        state = state_;
    }
    // Numbering restarts with each run: a file an earlier run wrote is never replaced.
    const int number = recorder_free_number(state);
    if (number == 0) {
        std::lock_guard lock(mutex_);
        suspended_ = true;
        view_.Notice("Save Recorder File Fault! " + recorder_auto_path(state) + " (every number from " +
                     std::to_string(state.file_number) + " to " + std::to_string(kRecorderNumberMax) + " is taken)");
        return;
    }
    {
        std::lock_guard lock(mutex_);
        state_.file_number = number;
        state.file_number = number;
    }
    WriteFirstLines(recorder_auto_path(state), count, true);
}

void Recorder::SaveChosen(const std::string& directory, const std::string& base_name) {
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        state_.directory = directory;
        state_.base_name = base_name;
        suspended_ = false;
        due_ = 0;
        if (state_.base_name.empty()) {
            view_.Notice(kRecorderEmptyName);
            return;
        }
        count = lines_.size();
    }
    WriteFirstLines(directory + base_name + ".csv", count, false);
}

bool Recorder::WriteFirstLines(const std::string& path, std::size_t count, bool numbered) {
    std::string text;
    {
        std::lock_guard lock(mutex_);
        // Only the receive thread runs meanwhile, and it only appends: the first
        // `count` lines stay as they are until the write is done.
        count = std::min(count, lines_.size());
        text = recorder_file_text(lines_, count);
        state_.last_path = path;
        writing_ = true;
    }
    const bool written = file_write_all(text, path) >= 0;
    const std::string reason = written ? std::string() : last_file_error();

    std::lock_guard lock(mutex_);
    writing_ = false;
    if (!written) {
        // The monitor keeps every line for a save by hand; the message comes once.
        suspended_ = true;
        view_.Notice("Save Recorder File Fault! " + path + " (" + reason + ")");
        return false;
    }
    view_.MessageLine(std::string(kFileOperatePrefix) + "Save Recorder File " + path);
    lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(count));
    view_.MonitorClear();
    for (std::size_t i = 0; i < lines_.size(); ++i) view_.MonitorAppend(lines_[i], static_cast<int>(i + 1));
    if (numbered) state_.file_number = std::min(state_.file_number + 1, kRecorderNumberMax);
    CheckAutoSaveDueLocked();
    return true;
}

bool Recorder::auto_save_suspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
}

RecorderState Recorder::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::vector<std::string> Recorder::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

int Recorder::line_count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(lines_.size());
}

void Recorder::SetRecording(bool on) {
    std::lock_guard lock(mutex_);
    state_.recording = on;
}

void Recorder::SetDirectory(std::string directory) {
    std::lock_guard lock(mutex_);
    suspended_ = false;
    state_.directory = std::move(directory);
}

void Recorder::SetKeyword(std::string keyword) {
    if (keyword.size() > kRecorderKeywordMax) keyword.resize(kRecorderKeywordMax);
    std::lock_guard lock(mutex_);
    state_.keyword = std::move(keyword);
}

void Recorder::SetAddTime(bool on) {
    std::lock_guard lock(mutex_);
    state_.add_time = on;
}

void Recorder::SetAutoSave(bool on) {
    std::lock_guard lock(mutex_);
    if (on && !state_.auto_save) suspended_ = false;
    state_.auto_save = on;
}

void Recorder::SetBaseName(std::string name) {
    std::lock_guard lock(mutex_);
    if (name != state_.base_name) suspended_ = false;
    state_.base_name = std::move(name);
}

void Recorder::SetFileNumber(int number) {
    std::lock_guard lock(mutex_);
    state_.file_number = std::clamp(number, kRecorderNumberMin, kRecorderNumberMax);
}

void Recorder::SetLineAmount(int amount) {
    std::lock_guard lock(mutex_);
    state_.line_amount = std::clamp(amount, kRecorderNumberMin, kRecorderNumberMax);
}
