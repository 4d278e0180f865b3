// What the program keeps between runs in benchlink.conf, beside the ports folder: the
// port and its line, whether a lost port reconnects, the receive display settings, the
// last command project and the main window's geometry. The file is "key=value" lines;
// it is written whole or not at all, and a file that cannot be read or is damaged
// gives the defaults and a reason.
#pragma once

#include <string>
#include <string_view>

#include "core/serial/port_values.h"

struct ProgramSettings {
    ComportSetting port;
    bool reconnect = true;
    int receive_mode = 1;      // 0 None, 1 ASCII, 2 Hex
    bool qlp_filter = false;
    int line_control_mode = 0; // 0 <NUL>, 1 <CR>, 2 <LF>, 3 <CR><LF>, 4 Other
    std::string line_control_other;
    int change_line_wait = 200; // ms
    bool change_line_enabled = false;
    std::string project_file;  // the last command project, empty for none
    std::string message_folder; // where "File" → "Load"/"Save" of the message list last went
    std::string file_folder;   // where the last file chosen in any file dialog was
    std::string geometry;      // the main window's, as hex pairs of the toolkit's own record

    bool operator==(const ProgramSettings&) const = default;
};

// ${XDG_CONFIG_HOME:-$HOME/.config}/benchlink/benchlink.conf, beside the ports folder;
// on Windows %APPDATA%\benchlink\benchlink.conf. Empty when there is no such folder.
std::string program_settings_path();

std::string format_program_settings(const ProgramSettings& settings);
// Reads `text` over `settings`. False, with `settings` back at the defaults and the
// reason in `reason`, for a line that is no "key=value", a value out of range or a key
// it does not know; a key left out keeps its default.
bool parse_program_settings(std::string_view text, ProgramSettings& settings, std::string& reason);

enum class SettingsRead { kLoaded, kMissing, kDamaged };
// kMissing (defaults, no reason) when there is no file; kDamaged (defaults, reason)
// when it cannot be read or parsed.
SettingsRead read_program_settings(const std::string& path, ProgramSettings& settings, std::string& reason);
// Creates the folder if needed; false with last_file_error() set when the file could
// not be written (the old one stays as it was).
bool write_program_settings(const std::string& path, const ProgramSettings& settings);
