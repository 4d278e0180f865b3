// Splitting a notice into the message dialog's six lines.
#pragma once

#include <array>
#include <string>
#include <string_view>

// A backslash followed by 'n' or 'r' ends a line; a backslash followed by anything
// else is dropped with that character. At most six lines are kept.
std::array<std::string, 6> split_message_lines(std::string_view text);
