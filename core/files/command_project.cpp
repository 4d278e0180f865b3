#include "core/files/command_project.h"

#include <algorithm>

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

bool SaveCommandProject(const std::string& path, const CommandLines& commands,
                        const std::string& type_and_version) {
    SectionFile file;
    file.headers = {kRule, kCompany, kFileKind, type_and_version, kRule, "", "", ""};
    file.header_count = static_cast<std::int32_t>(file.headers.size());
    Section section;
    section.name = kSectionName;
    section.items.assign(commands.begin(), commands.end());
    section.item_count = static_cast<std::int32_t>(section.items.size());
    file.sections.push_back(std::move(section));
    file.section_count = 1;
    return section_file_write(path, file);
}

bool LoadCommandProject(const std::string& path, CommandLines& commands) {
    SectionFile file;
    if (!section_file_read(path, file)) return false;
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
