#include "core/terminal/program_settings.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <vector>

#if defined(_WIN32)
#include <direct.h>
#else
#include <sys/stat.h>
#endif

#include "core/files/file_io.h"

namespace {

// A settings file is a few hundred bytes; anything far larger is no settings file.
constexpr std::int32_t kSettingsFileMax = 64 * 1024;

bool number(std::string_view text, long long low, long long high, long long& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

// One entry of the file: its key, how it is written and how it is read back.
struct Field {
    const char* key;
    std::function<std::string(const ProgramSettings&)> write;
    // False for a value it does not take.
    std::function<bool(std::string_view, ProgramSettings&)> read;
};

Field integer(const char* key, long long low, long long high, std::function<long long(const ProgramSettings&)> get,
              std::function<void(ProgramSettings&, long long)> set) {
    return {key, [get](const ProgramSettings& s) { return std::to_string(get(s)); },
            [low, high, set](std::string_view text, ProgramSettings& s) {
                long long v = 0;
                if (!number(text, low, high, v)) return false;
                set(s, v);
                return true;
            }};
}

Field text(const char* key, std::string ProgramSettings::*member) {
    return {key, [member](const ProgramSettings& s) { return s.*member; },
            [member](std::string_view value, ProgramSettings& s) {
                s.*member = std::string(value);
                return true;
            }};
}

const std::vector<Field>& fields() {
    static const std::vector<Field> kFields = {
        integer("port", 0, 15, [](auto& s) { return s.port.port; }, [](auto& s, long long v) { s.port.port = int(v); }),
        integer("baudrate", 1, 4000000, [](auto& s) { return s.port.baudrate; },
                [](auto& s, long long v) { s.port.baudrate = std::int32_t(v); }),
        integer("parity", 0, 4, [](auto& s) { return s.port.parity; },
                [](auto& s, long long v) { s.port.parity = std::uint8_t(v); }),
        integer("stopbits", 0, 2, [](auto& s) { return s.port.stopbits; },
                [](auto& s, long long v) { s.port.stopbits = std::uint8_t(v); }),
        integer("databits", 4, 8, [](auto& s) { return s.port.databits; },
                [](auto& s, long long v) { s.port.databits = std::uint8_t(v); }),
        integer("fixrate", -30, 30, [](auto& s) { return s.port.fixrate; },
                [](auto& s, long long v) { s.port.fixrate = std::int32_t(v); }),
        integer("reconnect", 0, 1, [](auto& s) { return s.reconnect; }, [](auto& s, long long v) { s.reconnect = v; }),
        integer("receive_mode", 0, 2, [](auto& s) { return s.receive_mode; },
                [](auto& s, long long v) { s.receive_mode = int(v); }),
        integer("qlp_filter", 0, 1, [](auto& s) { return s.qlp_filter; },
                [](auto& s, long long v) { s.qlp_filter = v; }),
        integer("line_control_mode", 0, 4, [](auto& s) { return s.line_control_mode; },
                [](auto& s, long long v) { s.line_control_mode = int(v); }),
        text("line_control_other", &ProgramSettings::line_control_other),
        integer("change_line_wait", 0, 500, [](auto& s) { return s.change_line_wait; },
                [](auto& s, long long v) { s.change_line_wait = int(v); }),
        integer("change_line_enabled", 0, 1, [](auto& s) { return s.change_line_enabled; },
                [](auto& s, long long v) { s.change_line_enabled = v; }),
        text("project_file", &ProgramSettings::project_file),
        text("message_folder", &ProgramSettings::message_folder),
        text("file_folder", &ProgramSettings::file_folder),
        text("geometry", &ProgramSettings::geometry),
    };
    return kFields;
}

bool make_folders(const std::string& folder) {
    for (std::size_t slash = folder.find_first_of("/\\", 1);; slash = folder.find_first_of("/\\", slash + 1)) {
        const std::string part = folder.substr(0, slash);
#if defined(_WIN32)
        const int made = _mkdir(part.c_str());
#else
        const int made = mkdir(part.c_str(), 0755);
#endif
        if (made != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

} // namespace

std::string program_settings_path() {
#if defined(_WIN32)
    // The Windows place for a user's program settings (roaming with the profile).
    if (const char* appdata = std::getenv("APPDATA"); appdata && appdata[0] != '\0')
        return std::string(appdata) + "\\benchlink\\benchlink.conf";
#endif
    const std::string ports = comport_ports_folder();
    const std::size_t slash = ports.find_last_of("/\\");
    if (ports.empty() || slash == std::string::npos) return {};
    return ports.substr(0, slash + 1) + "benchlink.conf";
}

std::string format_program_settings(const ProgramSettings& settings) {
    std::string out;
    for (const Field& field : fields()) out += std::string(field.key) + "=" + field.write(settings) + "\n";
    return out;
}

bool parse_program_settings(std::string_view text, ProgramSettings& settings, std::string& reason) {
    ProgramSettings read;
    int line_number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        const std::string_view key = line.substr(0, equals);
        const Field* field = nullptr;
        for (const Field& f : fields())
            if (key == f.key) field = &f;
        if (equals == std::string_view::npos || !field || !field->read(line.substr(equals + 1), read)) {
            reason = "line " + std::to_string(line_number) + " is damaged";
            settings = ProgramSettings{};
            return false;
        }
    }
    settings = read;
    return true;
}

SettingsRead read_program_settings(const std::string& path, ProgramSettings& settings, std::string& reason) {
    settings = ProgramSettings{};
    if (path.empty() || !file_name_taken(path)) return SettingsRead::kMissing;
    std::vector<std::uint8_t> bytes;
    if (file_size(path) > kSettingsFileMax || file_read_all(bytes, path) < 0) {
        reason = file_size(path) > kSettingsFileMax ? "too large" : last_file_error();
        return SettingsRead::kDamaged;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return parse_program_settings(text, settings, reason) ? SettingsRead::kLoaded : SettingsRead::kDamaged;
}

bool write_program_settings(const std::string& path, const ProgramSettings& settings) {
    const std::size_t slash = path.find_last_of("/\\");
    if (path.empty() || slash == std::string::npos || !make_folders(path.substr(0, slash))) return false;
    return file_write_all(format_program_settings(settings), path) >= 0;
}
