// The message list as a text file: one line per message-list line, each ended by
// CR LF; on reading, CR LF, a lone CR or a lone LF each end a line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class LineStore;

std::string message_file_text(const LineStore& lines);
std::vector<std::string> message_file_lines(std::string_view text);

// Write or read the file; on failure `reason` holds the system's reason and the
// target (or `lines`) is left as it was.
bool save_message_file(const LineStore& lines, const std::string& path, std::string& reason);
bool load_message_file(const std::string& path, std::vector<std::string>& lines, std::string& reason);
