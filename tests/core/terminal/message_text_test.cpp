#include <gtest/gtest.h>

#include "core/terminal/message_text.h"

namespace {

TEST(SplitMessageLines, Cases) {
    using Lines = std::array<std::string, 6>;
    struct Case {
        const char* name;
        const char* text;
        Lines lines;
    } cases[] = {
        {"one line", "COM Port isn't Open!", {"COM Port isn't Open!", "", "", "", "", ""}},
        {"backslash-n splits", "A\\nB", {"A", "B", "", "", "", ""}},
        {"backslash-r splits", "A\\rB", {"A", "B", "", "", "", ""}},
        {"other escapes drop both characters", "A\\tB", {"AB", "", "", "", "", ""}},
        {"a real line feed is an ordinary character", "A\nB", {"A\nB", "", "", "", "", ""}},
        {"more than six lines keep six", "1\\n2\\n3\\n4\\n5\\n6\\n7", {"1", "2", "3", "4", "5", "6"}},
        {"trailing separator gives an empty last line", "A\\n", {"A", "", "", "", "", ""}},
        {"lone trailing backslash is dropped", "A\\", {"A", "", "", "", "", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(split_message_lines(c.text), c.lines) << c.name;
}

} // namespace
