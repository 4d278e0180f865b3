#include "core/terminal/recorder.h"

#include <algorithm>

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

std::string recorder_file_text(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
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
    if (state_.auto_save && static_cast<int>(lines_.size()) >= state_.line_amount) SaveAutoLocked();
    if (auto_test_.running()) auto_test_.Received(text);
    return true;
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
    view_.MonitorClear();
}

void Recorder::SaveAuto() {
    std::lock_guard lock(mutex_);
    SaveAutoLocked();
}

void Recorder::SaveAutoLocked() {
    if (!state_.auto_save) return;
    if (state_.base_name.empty()) {
        view_.Notice(kRecorderEmptyName);
        return;
    }
    if (!WriteMonitorLocked(recorder_auto_path(state_))) return;
    ++state_.file_number;
}

void Recorder::SaveChosen(const std::string& directory, const std::string& base_name) {
    std::lock_guard lock(mutex_);
    state_.directory = directory;
    state_.base_name = base_name;
    if (state_.base_name.empty()) {
        view_.Notice(kRecorderEmptyName);
        return;
    }
    WriteMonitorLocked(state_.directory + state_.base_name + ".csv");
}

bool Recorder::WriteMonitorLocked(const std::string& path) {
    state_.last_path = path;
    if (file_write_all(recorder_file_text(lines_), path) < 0) {
        // Nothing was written and the monitor keeps its lines for the next try.
        view_.Notice("Save Recorder File Fault! " + path + " (" + last_file_error() + ")");
        return false;
    }
    view_.MessageLine(std::string(kFileOperatePrefix) + "Save Recorder File " + path);
    ClearLocked();
    return true;
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
    state_.auto_save = on;
}

void Recorder::SetBaseName(std::string name) {
    std::lock_guard lock(mutex_);
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
