// Command project files (".zqa"): the twenty command lines in a section file under
// eight header lines, and where the project lives (folder, name, path).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/terminal/command_table.h"

inline constexpr const char* kFileOperatePrefix = "---* File Operate *---   ";
inline constexpr const char* kProjectExtension = ".zqa";
inline constexpr const char* kProjectLoadFilter = "QLP General ASCII Files|*.zqa|Text Files|*.txt|All Files|*.*";
inline constexpr const char* kProjectSaveFilter = "QLP General ASSCII Files|*.zqa|Text Files|*.txt|All Files|*.*";
inline constexpr const char* kProjectSaveFault = "Save General ASSIC File Fault!";
inline constexpr const char* kProjectLoadFault = "Load General ASSIC File Fault!";
inline constexpr const char* kProjectNameEmpty = "File Name is Empty! There is no file had been saved.";

using CommandLines = std::array<std::string, kCommandCount>;

struct ProjectLocation {
    std::string directory; // with its trailing separator
    std::string name;      // without folder and extension

    std::string path() const { return directory + name + kProjectExtension; }
    // Takes the folder and name of a file chosen in a dialog; its extension is
    // dropped (setup.txt gives setup, so the project read is setup.zqa).
    void Choose(std::string_view chosen);
};

// Writes the project whole or not at all; `type_and_version` is the header's fourth text.
bool SaveCommandProject(const std::string& path, const CommandLines& commands,
                        const std::string& type_and_version);
// False when the file cannot be read. Otherwise every section's items in file order,
// item i to command i + 1 (a later section overwrites an earlier one, items past the
// twentieth are ignored); commands without an item are empty.
bool LoadCommandProject(const std::string& path, CommandLines& commands);
