#include "core/terminal/message_text.h"

std::array<std::string, 6> split_message_lines(std::string_view text) {
    std::array<std::string, 6> lines;
    std::size_t stored = 0;
    std::string collected;
    auto store = [&] {
        if (stored < lines.size()) lines[stored++] = collected;
        collected.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            collected += text[i];
            continue;
        }
        if (i + 1 >= text.size()) break; // a lone trailing backslash has nothing to escape
        char next = text[++i];
        if (next == 'n' || next == 'r') store();
    }
    store();
    return lines;
}
