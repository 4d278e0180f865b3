// benchlink-sim started as a child process for a test, with the path of its slave.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/far_line.h"

struct SimProcess {
    std::unique_ptr<ChildProcess> child;
    std::string line; // the first line it printed
    std::string path; // its slave

    bool ok() const { return child && !path.empty(); }
};

SimProcess startSim(const std::vector<std::string>& args);

// Sends a request and returns the text of the reply frame, "(none)" if none came.
std::string ask(FarLine& line, std::string_view request,
                std::chrono::milliseconds limit = std::chrono::milliseconds(500));

// How long a test waits to be sure no reply comes: the simulator answers in
// a few ms.
inline constexpr std::chrono::milliseconds kSilence{150};
