#include "core/terminal/message_list_file.h"

#include <cstdint>

#include "core/util/line_store.h"
#include "core/files/file_io.h"

std::string message_file_text(const LineStore& lines) {
    std::string text;
    text.reserve(lines.text_bytes() + 2 * lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines.line(i);
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> message_file_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    // A last line without its line end still belongs to the list.
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

bool save_message_file(const LineStore& lines, const std::string& path, std::string& reason) {
    if (file_write_all(message_file_text(lines), path) < 0) {
        reason = last_file_error();
        return false;
    }
    return true;
}

bool load_message_file(const std::string& path, std::vector<std::string>& lines, std::string& reason) {
    std::vector<std::uint8_t> bytes;
    if (file_read_all(bytes, path) < 0) {
        reason = last_file_error();
        return false;
    }
    lines = message_file_lines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return true;
}
