#include "core/panels/link_monitor_log.h"

#include "core/files/file_io.h"

void LinkMonitorLog::post(Posted line) {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (!open_) return;
    if (queue_.size() == kMaxQueued) queue_.pop_front();
    queue_.push_back(std::move(line));
}

void LinkMonitorLog::postLine(std::string text) { post({false, 0, std::move(text)}); }

void LinkMonitorLog::postIdLine(std::uint32_t id, std::string text) { post({true, id, std::move(text)}); }

void LinkMonitorLog::setOpen(bool open) {
    std::lock_guard<std::mutex> lock(queueMutex_);
    open_ = open;
    if (!open_) queue_.clear();
}

std::size_t LinkMonitorLog::queued() const {
    std::lock_guard<std::mutex> lock(queueMutex_);
    return queue_.size();
}

bool LinkMonitorLog::accepts(const Posted& line) const {
    if (paused_) return false;
    if (!filterEnabled_) return true;
    return line.tagged && static_cast<std::int64_t>(line.id) == filterNumber_;
}

void LinkMonitorLog::append(std::string text) {
    if (lines_.size() == kMaxLines) lines_.pop_front();
    lines_.push_back(text);
    if (unshown_.size() == kMaxLines) unshown_.pop_front();
    unshown_.push_back(std::move(text));
    ++counter_;
}

std::size_t LinkMonitorLog::drain() {
    std::deque<Posted> taken;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        taken.swap(queue_);
    }
    std::size_t appended = 0;
    for (Posted& line : taken) {
        if (!accepts(line)) continue;
        append(std::move(line.text));
        ++appended;
    }
    return appended;
}

std::vector<std::string> LinkMonitorLog::takeUnshown() {
    std::vector<std::string> out(std::make_move_iterator(unshown_.begin()), std::make_move_iterator(unshown_.end()));
    unshown_.clear();
    return out;
}

void LinkMonitorLog::reset() {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.clear();
    }
    clear();
    paused_ = false;
    filterEnabled_ = false;
    filterNumber_ = kFilterDefault;
}

void LinkMonitorLog::clear() {
    drain();
    counter_ = 0;
    clearLines();
}

void LinkMonitorLog::clearLines() {
    lines_.clear();
    unshown_.clear();
}

bool LinkMonitorLog::togglePause() {
    drain();
    paused_ = !paused_;
    return paused_;
}

void LinkMonitorLog::setFilterEnabled(bool enabled) {
    drain();
    filterEnabled_ = enabled;
}

void LinkMonitorLog::setFilterNumber(int number) {
    drain();
    filterNumber_ = number < kFilterMin ? kFilterMin : number > kFilterMax ? kFilterMax : number;
}

std::string LinkMonitorLog::fileText() const {
    std::size_t size = 0;
    for (const std::string& line : lines_) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string linkMonitorSavePath(const std::string& chosen) {
    const std::size_t slash = chosen.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : chosen.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
    return folder + strip_extension(name) + ".txt";
}

bool linkMonitorSave(const LinkMonitorLog& log, const std::string& path, std::string& reason) {
    const std::string text = log.fileText();
    if (file_write_all(text, path) == static_cast<std::int32_t>(text.size())) return true;
    reason = last_file_error();
    return false;
}
