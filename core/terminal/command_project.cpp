#include "core/terminal/command_project.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <vector>

#include "core/files/file_io.h"
#include "core/files/section_file.h"

namespace {
const std::string kRule(42, '-');
constexpr const char* kCompany = "DUVA Co.,Ltd.";
constexpr const char* kFileKind = "Benchlink QLP General ASCII File";
constexpr const char* kSectionName = "Command";
} // namespace

void ProjectLocation::Choose(std::string_view chosen) {
    std::size_t slash = chosen.find_last_of('/');
    std::string_view file = chosen;
    if (slash == std::string_view::npos) {
        directory.clear();
    } else {
        directory = std::string(chosen.substr(0, slash + 1));
        file = chosen.substr(slash + 1);
    }
    // Only the last extension goes: "bench.v2.zqa" names the project bench.v2, so the
    // project written is the file chosen and not some other bench.zqa.
    std::size_t dot = file.find_last_of('.');
    name = std::string(dot == std::string_view::npos ? file : file.substr(0, dot));
}

namespace {
// What the section-file reader would take for structure inside an item (a line ends
// at LF, with or without CR).
constexpr std::string_view kUnsavable[] = {"[", "\\\\", "\n"};
constexpr std::string_view kUnsavableShown[] = {"\"[\"", "two backslashes", "a line break"};
} // namespace

int command_project_unsavable(const CommandLines& commands) {
    for (std::size_t i = 0; i < commands.size(); ++i)
        for (std::string_view bad : kUnsavable)
            if (commands[i].find(bad) != std::string::npos) return static_cast<int>(i) + 1;
    return 0;
}

std::string command_project_refusal(const CommandLines& commands, int command) {
    if (command < 1 || command > kCommandCount) return {};
    const std::string& text = commands[static_cast<std::size_t>(command - 1)];
    std::string_view what = kUnsavableShown[0];
    for (std::size_t k = 0; k < std::size(kUnsavable); ++k)
        if (text.find(kUnsavable[k]) != std::string::npos) {
            what = kUnsavableShown[k];
            break;
        }
    return std::string(kProjectSaveFault) + " Command " + std::to_string(command) + " holds " + std::string(what) +
           ", which a project file cannot keep; nothing was saved.";
}

bool command_project_text(const CommandLines& commands, const std::string& type_and_version, std::string& text) {
    text.clear();
    if (command_project_unsavable(commands) != 0) return false;
    SectionFile file;
    file.headers = {kRule, kCompany, kFileKind, type_and_version, kRule, "", "", ""};
    file.header_count = static_cast<std::int32_t>(file.headers.size());
    Section section;
    section.name = kSectionName;
    section.items.assign(commands.begin(), commands.end());
    section.item_count = static_cast<std::int32_t>(section.items.size());
    file.sections.push_back(std::move(section));
    file.section_count = 1;
    return section_file_text(file, text);
}

bool command_project_parse(std::string_view text, CommandLines& commands) {
    SectionFile file;
    if (!section_file_parse(text, file) || file.section_count == 0) return false;
    CommandLines loaded;
    std::int32_t sections = std::min<std::int32_t>(file.section_count, static_cast<std::int32_t>(file.sections.size()));
    for (std::int32_t s = 0; s < sections; ++s) {
        const Section& section = file.sections[static_cast<std::size_t>(s)];
        std::int32_t items = std::min<std::int32_t>(section.item_count, static_cast<std::int32_t>(section.items.size()));
        items = std::min<std::int32_t>(items, kCommandCount);
        for (std::int32_t i = 0; i < items; ++i)
            loaded[static_cast<std::size_t>(i)] = section.items[static_cast<std::size_t>(i)].substr(0, kCommandTextMax);
    }
    commands = std::move(loaded);
    return true;
}

bool SaveCommandProject(const std::string& path, const CommandLines& commands,
                        const std::string& type_and_version) {
    std::string text;
    if (!command_project_text(commands, type_and_version, text)) return false;
    return file_write_all(text, path) == static_cast<std::int32_t>(text.size());
}

bool LoadCommandProject(const std::string& path, CommandLines& commands, std::string* reason) {
    std::string why;
    std::vector<std::uint8_t> bytes;
    if (file_read_all(bytes, path) < 0) {
        why = last_file_error();
    } else {
        try {
            const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            if (command_project_parse(text, commands)) return true;
            SectionFile file;
            why = section_file_parse(text, file) ? kProjectNoSection : kProjectTextAfterSection;
        } catch (const std::bad_alloc&) {
            why = "Cannot allocate memory";
        }
    }
    if (reason != nullptr) *reason = why;
    return false;
}
