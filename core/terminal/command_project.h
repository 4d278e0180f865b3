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
// Why a file that was read is no project.
inline constexpr const char* kProjectNoSection = "no section line: not a project file";
inline constexpr const char* kProjectTextAfterSection = "text after the \"]\" of a section line";
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

// The first command (1..20) that a project file could not give back as typed, 0 when
// every one can: the reader starts a section at "[", ends the items at two
// backslashes, and a line at LF (CR LF or LF alone).
int command_project_unsavable(const CommandLines& commands);
// The message of a save refused for that command, naming it and what it holds.
std::string command_project_refusal(const CommandLines& commands, int command);

// The file's text; false when a command cannot be kept or a text is over the format's limits.
bool command_project_text(const CommandLines& commands, const std::string& type_and_version, std::string& text);
// Every section's items in file order, item i to command i + 1 (a later section
// overwrites an earlier one, items past the twentieth are ignored); commands
// without an item are empty. False, leaving `commands` as they were, when the text
// is no project: it has no section at all, or section_file_parse refuses it.
bool command_project_parse(std::string_view text, CommandLines& commands);

// Writes the project whole or not at all; `type_and_version` is the header's fourth
// text. False, writing nothing, when command_project_unsavable finds a command.
bool SaveCommandProject(const std::string& path, const CommandLines& commands,
                        const std::string& type_and_version);
// False, changing nothing, when the file cannot be read or command_project_parse
// refuses it (then `reason`, when given, says why); otherwise the commands as
// command_project_parse reads them.
bool LoadCommandProject(const std::string& path, CommandLines& commands, std::string* reason = nullptr);
