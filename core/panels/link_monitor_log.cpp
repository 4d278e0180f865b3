#include "core/panels/link_monitor_log.h"

#include "core/files/file_choice.h"
#include "core/files/file_io.h"

#include <utility>

bool LinkMonitorLog::AddLine(std::string text) {
    return Append(false, 0, std::move(text));
}

bool LinkMonitorLog::AddIdLine(std::uint32_t id, std::string text) {
    return Append(true, id, std::move(text));
}

bool LinkMonitorLog::Accepts(bool tagged, std::uint32_t id) const {
    if (paused_) return false;
    if (!filter_enabled_) return true;
    return tagged && static_cast<std::int64_t>(id) == filter_number_;
}

bool LinkMonitorLog::Append(bool tagged, std::uint32_t id, std::string text) {
    if (!Accepts(tagged, id)) return false;
    if (lines_.size() == kMaxLines) {
        lines_.PopFront();
        ++changes_.dropped;
    }
    lines_.append(text);
    ++changes_.appended;
    if (unshown_ < kMaxLines) ++unshown_;
    ++counter_;
    return true;
}

std::vector<std::string> LinkMonitorLog::TakeUnshown() {
    std::vector<std::string> out;
    out.reserve(unshown_);
    for (std::size_t i = lines_.size() - unshown_; i < lines_.size(); ++i) out.emplace_back(lines_.line(i));
    unshown_ = 0;
    return out;
}

LinkMonitorLog::Changes LinkMonitorLog::TakeChanges() {
    return std::exchange(changes_, {});
}

void LinkMonitorLog::Reset() {
    Clear();
    paused_ = false;
    filter_enabled_ = false;
    filter_number_ = kFilterDefault;
}

void LinkMonitorLog::Clear() {
    counter_ = 0;
    ClearLines();
}

void LinkMonitorLog::ClearLines() {
    lines_.clear();
    unshown_ = 0;
    changes_ = {};
}

bool LinkMonitorLog::TogglePause() {
    paused_ = !paused_;
    return paused_;
}

void LinkMonitorLog::SetFilterEnabled(bool enabled) {
    filter_enabled_ = enabled;
}

void LinkMonitorLog::SetFilterNumber(int number) {
    filter_number_ = number < kFilterMin ? kFilterMin : number > kFilterMax ? kFilterMax : number;
}

std::string LinkMonitorLog::FileText() const {
    std::string text;
    text.reserve(lines_.text_bytes() + 2 * lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        text += lines_.line(i);
        text += "\r\n";
    }
    return text;
}

std::string link_monitor_save_path(const std::string& chosen) {
    const ChosenFile file = split_chosen_file(chosen);
    return file.directory + file.name + ".txt";
}

bool link_monitor_save(const LinkMonitorLog& log, const std::string& path, std::string& reason) {
    const std::string text = log.FileText();
    if (file_write_all(text, path) == static_cast<std::int32_t>(text.size())) return true;
    reason = last_file_error();
    return false;
}
