// The benchlink program itself, run offscreen as a user runs it: its command line, and
// its settings surviving a restart.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/terminal/command_project.h"
#include "support/child_process.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Refused {
    const char* name;
    std::vector<std::string> args;
};

class RefusedOptions : public ::testing::TestWithParam<Refused> {};

// Refused before any window opens: no display is needed to see it.
TEST_P(RefusedOptions, OneLineAndExitCode64) {
    std::vector<std::string> environment = {"QT_QPA_PLATFORM=none-such"};
    const ProgramResult result = runProgram(BENCHLINK_PROGRAM, GetParam().args, 5000ms, &environment);
    EXPECT_EQ(result.code, 64);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_TRUE(result.out.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusedOptions,
                         ::testing::Values(Refused{"Unknown", {"--colour"}},
                                           Refused{"PortOutOfRange", {"--port", "16"}},
                                           Refused{"BadBaud", {"--port", "1", "--baud", "1234"}},
                                           Refused{"LineWithoutPort", {"--parity", "even"}},
                                           Refused{"PortAndPath", {"--port", "1", "--path", "/dev/ttyUSB0"}},
                                           Refused{"MissingValue", {"--project"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The first run configures COM1 from its command line; the second starts without
// options, loads a command project and ends on SIGTERM: what it writes at its end
// still holds the first run's port, so it was read back at start.
TEST(Program, SettingsSurviveARestart) {
    TempDir home;
    PtyPair far;
    ASSERT_TRUE(far.ok());
    const std::string config = home.path() + "/config";
    const std::string conf = config + "/benchlink/benchlink.conf";
    std::vector<std::string> environment = {"XDG_CONFIG_HOME=" + config, "HOME=" + home.path(),
                                            "QT_QPA_PLATFORM=offscreen"};
    std::filesystem::create_directories(config + "/benchlink/ports");
    std::filesystem::create_symlink(far.slave_path(), config + "/benchlink/ports/com1");
    const std::string project = home.file("bench.zqa");

    auto runUntil = [&](const std::vector<std::string>& args, const std::string& wanted) {
        ChildProcess program(BENCHLINK_PROGRAM, args, &environment);
        EXPECT_TRUE(program.started());
        for (int i = 0; i < 200 && readFile(conf).find(wanted) == std::string::npos; ++i)
            std::this_thread::sleep_for(25ms);
        EXPECT_NE(readFile(conf).find(wanted), std::string::npos) << readFile(conf) << program.err();
        program.signal(SIGTERM);
        EXPECT_EQ(program.wait(), 0) << program.err();
    };
    runUntil({"--port", "1", "--baud", "38400", "--parity", "even", "--fix", "-2"}, "port=1\n");

    // A project the second run loads: a file the first run never saw.
    CommandLines commands{};
    commands[0] = "READ?<CR><LF>";
    ASSERT_TRUE(SaveCommandProject(project, commands, "HV-ZQ70 test"));
    runUntil({"--project", project}, "project_file=" + project + "\n");
    const std::string kept = readFile(conf);
    for (const char* line : {"port=1\n", "baudrate=38400\n", "parity=2\n", "fixrate=-2\n"})
        EXPECT_NE(kept.find(line), std::string::npos) << line << " not in\n" << kept;
}

} // namespace
