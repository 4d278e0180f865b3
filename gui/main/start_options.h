// The command line of benchlink: a port to configure at start (--port N or --path
// DEVICE, with the line options benchlink-qlp takes), a command project to load,
// --defaults, --help. Read before any window opens.
#pragma once

#include <string>
#include <vector>

#include "core/serial/port_values.h"

// Exit code of a command line that cannot be used (as benchlink-qlp's).
inline constexpr int kStartUsage = 64;

struct StartOptions {
    bool help = false;
    bool defaults = false;   // start with the defaults; benchlink.conf is neither read nor written
    bool configure = false;  // --port or --path given: configure at start
    ComportSetting line;     // port 0 with --path
    std::string path;
    std::string project;     // a command project to load
    bool line_given = false; // a line option was given (it needs a port)
};

// Reads the arguments after the program name (the toolkit's own already taken out);
// false with a one-line reason.
bool parseStartOptions(const std::vector<std::string>& args, StartOptions& out, std::string& error);
std::string startUsage();
