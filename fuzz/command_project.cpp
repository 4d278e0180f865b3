// Command projects as the loader reads them from any file, and as a save writes them:
// what a save writes loads back as the same commands, and a set of commands the file
// could not keep (a strange file can load two backslashes into one) is refused with a
// reason, never cut.
//
// Input: byte 0 even: the bytes are a project file; odd: the bytes after it are twenty
// commands separated by 0x00.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "core/terminal/command_project.h"

namespace {
void check_round_trip(const CommandLines& commands) {
    std::string text;
    const bool saved = command_project_text(commands, "HV-ZQ70 V5.0.7", text);
    FUZZ_CHECK(saved == (command_project_unsavable(commands) == 0));
    if (!saved) {
        FUZZ_CHECK(text.empty());
        FUZZ_CHECK(!command_project_refusal(commands, command_project_unsavable(commands)).empty());
        return;
    }
    CommandLines loaded;
    FUZZ_CHECK(command_project_parse(text, loaded));
    FUZZ_CHECK(loaded == commands);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    CommandLines commands;
    if (data[0] % 2 == 0) {
        // A file that is no project leaves the commands as they were (empty here).
        if (!command_project_parse(bytes, commands)) FUZZ_CHECK(commands == CommandLines{});
        for (const std::string& command : commands) FUZZ_CHECK(command.size() <= kCommandTextMax);
    } else {
        std::size_t n = 0;
        for (char c : bytes) {
            if (c == '\0') {
                if (++n == commands.size()) break;
            } else if (commands[n].size() < kCommandTextMax) {
                commands[n].push_back(c);
            }
        }
    }
    check_round_trip(commands);
    return 0;
}
