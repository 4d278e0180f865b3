// benchlink-qlp run as a child process: its result lines and exit codes against
// the simulator, and against a scripted far end for the replies a well-behaved
// device never gives.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/sim_process.h"
#include "support/pty_pair.h"
#include "support/ser2net_process.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

// The simulator on COM2 for the whole suite: an RD24-M4 with ID 1, a PT57-M1
// with ID 5 and an RD24-M1 with ID 6 behind it, analogue inputs held at 1234.
class QlpTool : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new ComPortFolder;
        sim = new SimProcess(startSim({"--com", "2", "--model", "RD24-M4", "--id", "1", "--bus",
                                       "5:PT57-M1,6:RD24-M1", "--ai", "0=1234", "--ai", "1=3000"}));
    }
    static void TearDownTestSuite() {
        delete sim;
        delete folder;
    }
    void SetUp() override { ASSERT_TRUE(sim->ok()); }

    static ProgramResult qlp(Args args) {
        args.insert(args.begin(), {"--port", "2"});
        return runProgram(BENCHLINK_QLP_PROGRAM, args);
    }

    static ComPortFolder* folder;
    static SimProcess* sim;
};
ComPortFolder* QlpTool::folder = nullptr;
SimProcess* QlpTool::sim = nullptr;

struct ToolCase {
    const char* name;
    Args args;
    int code;
    std::string out;
    std::string err;
};

class QlpToolCommands : public QlpTool, public testing::WithParamInterface<ToolCase> {};

TEST_P(QlpToolCommands, PrintOneLineAndExitWithTheStatus) {
    const ProgramResult r = qlp(GetParam().args);
    EXPECT_EQ(r.code, GetParam().code) << r.err;
    EXPECT_EQ(r.out, GetParam().out);
    EXPECT_EQ(r.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    AgainstTheSimulator, QlpToolCommands,
    testing::Values(
        ToolCase{"Check", {"check", "1"}, 0, "Success.\n", ""},
        ToolCase{"CheckAnyId", {"check", "254"}, 0, "Success.\n", ""},
        ToolCase{"CheckPt57", {"--pt57", "check", "5"}, 0, "Success.\n", ""},
        ToolCase{"ReadAiRaw", {"read-ai", "1", "0"}, 0, "1234\n", ""},
        ToolCase{"ReadAiFiveVolt", {"--type", "5V", "read-ai", "1", "0"}, 0, "1234 1.506 V\n", ""},
        ToolCase{"ReadAiPt57Scale", {"--pt57", "--type", "5V", "read-ai", "5", "0"}, 0, "1234 1.508 V\n", ""},
        ToolCase{"ReadAiCurrent", {"--type", "20mA", "read-ai", "1", "1"}, 0, "3000 14.648 mA\n", ""},
        ToolCase{"ReadAiTemperature", {"--type", "PT100", "read-ai", "1", "1"}, 0, "3000 26.810 C\n", ""},
        ToolCase{"ReadAiNoneType", {"--type", "None", "read-ai", "1", "0"}, 0, "1234 0.000\n", ""},
        ToolCase{"ReadAoAtStart", {"read-ao", "1", "3"}, 0, "0\n", ""},
        ToolCase{"ReadDiNothingSet", {"--pt57", "read-di", "5"}, 0, "00\n", ""},
        ToolCase{"NoneChannel", {"read-ai", "1", "6"}, 4, "", "Function Code Reply Error! = None Channel\n"},
        ToolCase{"NoneMode", {"read-ao", "1", "0"}, 4, "", "Function Code Reply Error! = None Mode\n"},
        ToolCase{"ReadOnly", {"write-ao", "1", "0", "5"}, 4, "", "Function Code Reply Error! = Read Only\n"},
        ToolCase{"NoneValue", {"write-ao", "1", "3", "5000"}, 4, "", "Function Code Reply Error! = None Value\n"},
        ToolCase{"Rd24CommandOnPt57", {"write-do", "5", "7", "1"}, 4, "",
                 "Function Code Reply Error! = None Command\n"},
        ToolCase{"AbsentTimesOut", {"check", "9"}, 3, "", "Timeout!\n"},
        ToolCase{"Raw", {"raw", "1", "5", "48", "0"}, 0, "% 1,5,48,0,1234\n", ""},
        ToolCase{"RawHexAndAnyId", {"raw", "254", "0xE2", "0x11", "0", "0"}, 0, "% 1,226,17,0,1\n", ""},
        ToolCase{"RawBusDevice", {"raw", "6", "0xE4", "0x10", "0", "0"}, 0, "% 6,228,16,0,1\n", ""},
        ToolCase{"RawErrorReply", {"raw", "1", "7", "16", "0"}, 4, "% 1,249,16,0\n",
                 "Function Code Reply Error! = None Function\n"},
        ToolCase{"RawTimesOut", {"raw", "200", "1", "16", "0"}, 3, "", "Timeout!\n"},
        ToolCase{"LineTooSlow", {"--baud", "9600", "check", "1"}, 3, "", "Timeout!\n"},
        ToolCase{"FixRateWithinTolerance", {"--fix", "3", "check", "1"}, 0, "Success.\n", ""},
        ToolCase{"FixRateBeyondTolerance", {"--fix", "-6", "check", "1"}, 3, "", "Timeout!\n"},
        ToolCase{"Detect", {"detect"}, 0, "\nDetect ID 1 Success.\n1 115200 147K 1 1\n", ""},
        ToolCase{"ScanFindsTheBusDevices", {"scan", "4", "6"}, 0,
                 "\nDetect ID 4 Fault!\n\nDetect ID 5 Success.\n\nDetect ID 6 Success.\n"
                 "5 115200 147K 1 1\n6 115200 147K 1 1\n",
                 ""},
        ToolCase{"ScanFindsNothing", {"scan", "7", "7"}, 3, "\nDetect ID 7 Fault!\n", ""},
        ToolCase{"SetAbsentId", {"set", "9", "--master", "2"}, 3, "\nDetect ID 9 Fault!\n", ""}),
    [](const testing::TestParamInfo<ToolCase>& info) { return info.param.name; });

TEST_F(QlpTool, WritesShowInTheReadBacks) {
    struct Step {
        Args args;
        std::string out;
    };
    const std::vector<Step> steps = {
        {{"write-do", "6", "2", "1"}, "Success.\n"},
        {{"write-do", "6", "5", "1"}, "Success.\n"},
        {{"read-di", "6"}, "24 2 5\n"},
        {{"write-do", "6", "2", "0"}, "Success.\n"},
        {{"read-di", "6"}, "20 5\n"},
        {{"--pt57", "write-do", "5", "6", "1"}, "Success.\n"},
        {{"--pt57", "read-di", "5"}, "40 6\n"},
        {{"write-ao", "1", "2", "2048"}, "Success.\n"},
        {{"--type", "8.190V", "read-ao", "1", "2"}, "2048 4.095 V\n"},
        {{"--pt57", "write-ao", "5", "3", "4092"}, "Success.\n"},
        {{"--pt57", "--type", "8.190V", "read-ao", "5", "3"}, "4092 8.190 V\n"},
        {{"--pt57", "--type", "20mA", "read-ao", "5", "3"}, "4092 20.000 mA\n"},
    };
    for (const Step& step : steps) {
        const ProgramResult r = qlp(step.args);
        EXPECT_EQ(r.code, 0) << step.args[0] << ": " << r.err;
        EXPECT_EQ(r.out, step.out) << step.args[0];
    }
}

// Behind an adapter that echoes every request, the echo is passed over and the
// device's own reply read (for a write, the device's repeat after the echo).
TEST_F(QlpTool, EchoingAdapterGivesTheDevicesReplies) {
    SimProcess own = startSim({"--com", "4", "--adapter-echo", "--ai", "0=1234"});
    ASSERT_TRUE(own.ok());
    for (const auto& [args, out] : std::vector<std::pair<Args, std::string>>{
             {{"--type", "5V", "read-ai", "1", "0"}, "1234 1.506 V\n"},
             {{"write-ao", "1", "2", "2048"}, "Success.\n"},
             {{"read-ao", "1", "2"}, "2048\n"}}) {
        Args with_port = args;
        with_port.insert(with_port.begin(), {"--port", "4"});
        const ProgramResult r = runProgram(BENCHLINK_QLP_PROGRAM, with_port);
        EXPECT_EQ(r.code, 0) << args.back() << r.err;
        EXPECT_EQ(r.out, out);
    }
}

// A device of its own: set changes it. The new baud rate is then found by the
// auto-baud scan through --path.
TEST_F(QlpTool, SetRewritesTheDeviceAndDetectFollowsIt) {
    SimProcess own = startSim({"--com", "3", "--id", "4"});
    ASSERT_TRUE(own.ok());
    const ProgramResult set = runProgram(
        BENCHLINK_QLP_PROGRAM, {"--port", "3", "set", "4", "--new-id", "8", "--baud", "9600", "--can", "50K", "--master", "2"},
        10s);
    EXPECT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(set.out, "\nDetect ID 4 Success.\n\nSave Selected ID 4 Setting............\n"
                       "Write ID 4 To ID 8 Success.\nWrite Comport Buadrate 9600 Success.\n"
                       "Write CAN Bus Buadrate 50K Success.\nWrite Master ID 2 Success.\nSave Setting Success.\n"
                       "Reset Device.........\nSave Setting Complete.\n8 9600 50K 2 1\n");
    const ProgramResult detect = runProgram(BENCHLINK_QLP_PROGRAM, {"--path", own.path, "detect", "--auto-baud"}, 10s);
    EXPECT_EQ(detect.code, 0) << detect.err;
    EXPECT_EQ(detect.out, "\nScan Comport Buadrate 9600...........\nDetect ID 8 Success.\n8 9600 50K 2 1\n");
}

TEST_F(QlpTool, MonitorPrintsTheLinkMonitorLine) {
    const ProgramResult r = qlp({"--monitor", "check", "1"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Success.\n");
    EXPECT_EQ(r.err.rfind("Success.  Send % 1,1,16,0     Reply % 1,1,16,0,4,1    ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.back(), '\n');
    EXPECT_NE(r.err.find("mS\n"), std::string::npos);
}

TEST_F(QlpTool, PathOpensAnExplicitDevice) {
    const ProgramResult r = runProgram(BENCHLINK_QLP_PROGRAM, {"--path", sim->path, "read-ai", "1", "0"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1234\n");
}

// --path needs neither the COM port folder nor a temporary folder: with
// XDG_CONFIG_HOME unset and no usable TMPDIR or HOME it still opens the device.
TEST_F(QlpTool, PathNeedsNoConfigOrTemporaryFolder) {
    std::vector<std::string> environment = {"TMPDIR=/nonexistent/tmp", "HOME=/nonexistent/home"};
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        if (!entry.starts_with("XDG_CONFIG_HOME=") && !entry.starts_with("TMPDIR=") && !entry.starts_with("HOME="))
            environment.emplace_back(entry);
    }
    const ProgramResult r =
        runProgram(BENCHLINK_QLP_PROGRAM, {"--path", sim->path, "read-ai", "1", "0"}, 5000ms, &environment);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1234\n");
}

// The status text, then the system's reason.
TEST_F(QlpTool, PortThatCannotBeOpened) {
    struct Case {
        const char* path;
        const char* err;
    } cases[] = {{"/nonexistent/tty0", "Invalid Handle Value! (No such file or directory)"},
                 {"/dev/null", "Get Com Error! (Inappropriate ioctl for device)"}};
    for (const Case& c : cases) {
        const ProgramResult r = runProgram(BENCHLINK_QLP_PROGRAM, {"--path", c.path, "check", "1"});
        EXPECT_EQ(r.code, 65) << c.path;
        EXPECT_EQ(r.err, std::string("benchlink-qlp: ") + c.path + ": " + c.err + "\n");
    }

    ASSERT_TRUE(folder->link(14, "/nonexistent/tty1"));
    const ProgramResult by_port = runProgram(BENCHLINK_QLP_PROGRAM, {"--port", "14", "check", "1"});
    EXPECT_EQ(by_port.code, 65);
    EXPECT_NE(by_port.err.find("COM14"), std::string::npos) << by_port.err;
    EXPECT_NE(by_port.err.find("Invalid Handle Value! (No such file or directory)"), std::string::npos)
        << by_port.err;
}

// A result that cannot be written is no success.
TEST_F(QlpTool, StdoutThatCannotBeWrittenFails) {
    for (const Args& args : {Args{"--path", sim->path, "read-ai", "1", "0"}, Args{"--help"}}) {
        Args shell = {"-c", "exec \"$0\" \"$@\" >/dev/full", BENCHLINK_QLP_PROGRAM};
        shell.insert(shell.end(), args.begin(), args.end());
        const ProgramResult r = runProgram("/bin/sh", shell);
        EXPECT_EQ(r.code, 74) << args.back();
        EXPECT_EQ(r.err, "benchlink-qlp: standard output: No space left on device\n");
    }
}

struct UsageCase {
    const char* name;
    Args args;
    std::string error_part;
};

class QlpToolUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(QlpToolUsage, ExitsWith64) {
    const ProgramResult r = runProgram(BENCHLINK_QLP_PROGRAM, GetParam().args);
    EXPECT_EQ(r.code, 64);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find(GetParam().error_part), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, QlpToolUsage,
    testing::Values(UsageCase{"NoCommand", {"--port", "2"}, "no command"},
                    UsageCase{"UnknownCommand", {"--port", "2", "frobnicate"}, "unknown command"},
                    UsageCase{"MissingArgument", {"--port", "2", "read-ai", "1"}, "missing arguments: read-ai ID CH"},
                    UsageCase{"TooManyArguments", {"--port", "2", "check", "1", "2"}, "too many arguments"},
                    UsageCase{"StateNotZeroOrOne", {"--port", "2", "write-do", "1", "2", "2"}, "write-do"},
                    UsageCase{"IdTooLarge", {"--port", "2", "check", "256"}, "check"},
                    UsageCase{"NoPort", {"check", "1"}, "give the port"},
                    UsageCase{"PortAndPath", {"--port", "2", "--path", "/dev/null", "check", "1"}, "not both"},
                    UsageCase{"PortSixteen", {"--port", "16", "check", "1"}, "--port"},
                    UsageCase{"OddBaud", {"--port", "2", "--baud", "300", "check", "1"}, "--baud"},
                    UsageCase{"FixTooLarge", {"--port", "2", "--fix", "31", "check", "1"}, "--fix"},
                    UsageCase{"Parity", {"--port", "2", "--parity", "high", "check", "1"}, "--parity"},
                    UsageCase{"DataBits", {"--port", "2", "--data-bits", "4", "check", "1"}, "--data-bits"},
                    UsageCase{"StopBits", {"--port", "2", "--stop-bits", "3", "check", "1"}, "--stop-bits"},
                    UsageCase{"TypeWithCheck", {"--port", "2", "--type", "5V", "check", "1"}, "--type"},
                    UsageCase{"UnknownAdType", {"--port", "2", "--type", "9V", "read-ai", "1", "0"}, "AD type"},
                    UsageCase{"DaTypeForInput", {"--port", "2", "--type", "8.190V", "read-ai", "1", "0"}, "AD type"},
                    UsageCase{"AdTypeForOutput", {"--port", "2", "--type", "5V", "read-ao", "1", "2"}, "DA type"},
                    UsageCase{"RawTooFew", {"--port", "2", "raw", "1", "5"}, "missing arguments"},
                    UsageCase{"UnknownOption", {"--port", "2", "--loud", "check", "1"}, "unknown option"},
                    UsageCase{"ScanBackwards", {"--port", "2", "scan", "9", "3"}, "FROM is above TO"},
                    UsageCase{"ScanBeyondTheGrid", {"--port", "2", "scan", "1", "254"}, "scan"},
                    UsageCase{"AutoBaudWithCheck", {"--port", "2", "check", "1", "--auto-baud"}, "--auto-baud goes"},
                    UsageCase{"NewIdWithScan", {"--port", "2", "scan", "1", "2", "--new-id", "3"}, "go with set"},
                    UsageCase{"SetUnknownCanRate", {"--port", "2", "set", "1", "--can", "100K"}, "--can"},
                    UsageCase{"SetMasterTooLarge", {"--port", "2", "set", "1", "--master", "255"}, "--master"},
                    UsageCase{"UnknownFamily", {"--port", "2", "--family", "RD25", "check", "1"},
                              "--family: RD24 or PT57, not \"RD25\""},
                    UsageCase{"FamilyWithDetect", {"--port", "2", "--family", "RD24", "detect"},
                              "--family does not go with detect"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return info.param.name; });

TEST(QlpToolHelp, DocumentsEveryCommandAndExitCode) {
    const ProgramResult r = runProgram(BENCHLINK_QLP_PROGRAM, {"--help"});
    EXPECT_EQ(r.code, 0);
    for (const char* text : {"check ID", "read-di ID", "write-do ID CH STATE", "read-ai ID CH", "read-ao ID CH",
                             "write-ao ID CH CODE", "raw ID FUNCTION COMMAND CHANNEL", "--port", "--path", "--baud",
                             "--fix", "--parity", "--data-bits", "--stop-bits", "--pt57", "--family", "--monitor", "--type",
                             "0   success", "2   write fault", "3   time-out", "4   error reply", "5   command",
                             "6   channel", "7   value amount", "8   value compare", "64  usage", "65  the port",
                             "74  standard output",
                             "detect [--auto-baud]", "scan FROM TO", "set ID", "--new-id", "--can", "--master",
                             "1   set"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

// A far end that answers the tool's one request with a scripted reply.
class ScriptedDevice : public testing::Test {
protected:
    // Runs the tool on the pair, answers its request with `reply` (no reply if
    // empty) and keeps the request's bytes.
    ProgramResult run(const Args& command, const std::string& reply) {
        std::thread device([&] {
            request = pair.read_exactly(1, 3000ms);
            const Bytes rest = pair.read_quiet(30ms, 500ms);
            request.insert(request.end(), rest.begin(), rest.end());
            if (!reply.empty()) pair.write(zum(reply));
        });
        Args args = {"--path", pair.slave_path()};
        args.insert(args.end(), command.begin(), command.end());
        ProgramResult r = runProgram(BENCHLINK_QLP_PROGRAM, args);
        device.join();
        return r;
    }

    PtyPair pair;
    Bytes request;
};

TEST_F(ScriptedDevice, WireBytesOfTheWorkedExample) {
    ASSERT_TRUE(pair.ok());
    std::thread device([&] {
        request = pair.read_exactly(11, 3000ms);
        pair.write(Bytes{0x25, 0x20, 0x35, 0x2C, 0x35, 0x2C, 0x34, 0x38, 0x2C, 0x32, 0x2C, 0x31, 0x32, 0x33, 0x34, 0x00});
    });
    const ProgramResult r = runProgram(BENCHLINK_QLP_PROGRAM, {"--path", pair.slave_path(), "read-ai", "5", "2"});
    device.join();
    EXPECT_EQ(request, (Bytes{0x25, 0x20, 0x35, 0x2C, 0x35, 0x2C, 0x34, 0x38, 0x2C, 0x32, 0x00}));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1234\n");
}

struct ScriptCase {
    const char* name;
    Args command;
    std::string request;
    std::string reply;
    int code;
    std::string err;
};

class ScriptedReplies : public ScriptedDevice, public testing::WithParamInterface<ScriptCase> {};

TEST_P(ScriptedReplies, ExitWithTheCheckThatFailed) {
    ASSERT_TRUE(pair.ok());
    const ProgramResult r = run(GetParam().command, GetParam().reply);
    EXPECT_EQ(frameText(request), GetParam().request);
    EXPECT_EQ(r.code, GetParam().code);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    FarEnd, ScriptedReplies,
    testing::Values(
        ScriptCase{"OtherFunction", {"read-ai", "1", "0"}, "% 1,5,48,0", "% 1,6,48,0,7", 4,
                   "Function Code Reply Error!\n"},
        ScriptCase{"OtherCommand", {"read-ai", "1", "0"}, "% 1,5,48,0", "% 1,5,64,0,7", 5,
                   "Command Code Reply Error!\n"},
        ScriptCase{"OtherChannel", {"read-ai", "1", "0"}, "% 1,5,48,0", "% 1,5,48,1,7", 6, "Channel Error!\n"},
        ScriptCase{"NoValue", {"read-ai", "1", "0"}, "% 1,5,48,0", "% 1,5,48,0", 7, "Value Amount Error!\n"},
        ScriptCase{"CheckWithOneValue", {"check", "3"}, "% 3,1,16,0", "% 3,1,16,0,4", 7, "Value Amount Error!\n"},
        ScriptCase{"EchoDiffers", {"write-ao", "1", "2", "100"}, "% 1,6,64,2,100", "% 1,6,64,2,99", 8,
                   "Value Compare Error!\n"},
        ScriptCase{"Pt57Frames", {"--pt57", "write-do", "3", "6", "1"}, "% 3,6,32,6,1", "% 3,6,17,6,1", 5,
                   "Command Code Reply Error!\n"},
        ScriptCase{"Pt57Check", {"--pt57", "check", "3"}, "% 3,1,16,0,0", "% 3,241", 4,
                   "Function Code Reply Error! = Offline\n"},
        ScriptCase{"FamilyByName", {"--family", "pt57", "write-do", "3", "6", "1"}, "% 3,6,32,6,1", "% 3,6,17,6,1", 5,
                   "Command Code Reply Error!\n"}),
    [](const testing::TestParamInfo<ScriptCase>& info) { return info.param.name; });

TEST_F(ScriptedDevice, WriteFaultWhenTheLineGoesAway) {
    ASSERT_TRUE(pair.ok());
    // Hang the line up once the tool has set it up, before it sends (the
    // driver's open holds RTS for 300 ms after setting the line).
    std::thread unplug([&] {
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        while (pair.programmed_rate() != 115200 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(2ms);
        pair.close_far_end();
    });
    const ProgramResult r = runProgram(BENCHLINK_QLP_PROGRAM, {"--path", pair.slave_path(), "check", "1"});
    unplug.join();
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_EQ(r.err, "Write Fault!\n");
}

// A port one tool holds is refused to a second one, root or not (exclusive mode does
// not stop root; the lock does).
TEST_F(ScriptedDevice, ASecondToolOnAHeldPortIsRefused) {
    ASSERT_TRUE(pair.ok());
    ChildProcess first(BENCHLINK_QLP_PROGRAM, {"--path", pair.slave_path(), "check", "1"});
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (pair.programmed_rate() != 115200 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    const ProgramResult second = runProgram(BENCHLINK_QLP_PROGRAM, {"--path", pair.slave_path(), "check", "1"});
    EXPECT_EQ(second.code, 65);
    EXPECT_EQ(second.err,
              "benchlink-qlp: " + pair.slave_path() + ": Invalid Handle Value! (in use: Device or resource busy)\n");
    EXPECT_EQ(first.wait(), 3) << first.err();
}

// A tool stopped by a signal while it waits leaves nothing behind: no temporary files,
// and the port opens again.
TEST_F(ScriptedDevice, AToolStoppedBySignalLeavesNothingBehind) {
    ASSERT_TRUE(pair.ok());
    TempDir tmp;
    std::vector<std::string> environment = {"TMPDIR=" + tmp.path()};
    for (char** e = environ; *e; ++e)
        if (!std::string_view(*e).starts_with("TMPDIR=")) environment.emplace_back(*e);
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        pair.drain();
        ChildProcess tool(BENCHLINK_QLP_PROGRAM, {"--path", pair.slave_path(), "check", "1"}, &environment);
        ASSERT_FALSE(pair.read_exactly(1, 3000ms).empty()) << "the request is sent";
        tool.signal(number);
        EXPECT_EQ(tool.wait(), 128 + number);
        EXPECT_TRUE(std::filesystem::is_empty(tmp.path())) << number;
    }
    const ProgramResult again = runProgram(BENCHLINK_QLP_PROGRAM, {"--path", pair.slave_path(), "check", "1"});
    EXPECT_EQ(again.code, 3) << again.err;
}

} // namespace

// The simulator behind ser2net: benchlink-qlp reaches it by address, and the auto-baud
// scan, starting from 115200, finds it at its own rate over RFC 2217.
TEST(QlpToolOverTheNetwork, ChecksAndScansThroughSer2Net) {
    SKIP_WITHOUT_SER2NET();
    SimProcess sim = startSim({"--id", "1", "--baud", "38400"});
    ASSERT_TRUE(sim.ok());
    Ser2Net server(sim.path);
    ASSERT_TRUE(server.ok()) << server.log();
    const ProgramResult check = runProgram(BENCHLINK_QLP_PROGRAM, {"--path", server.address(), "--baud", "38400", "check", "1"});
    EXPECT_EQ(check.code, 0) << check.err;
    EXPECT_EQ(check.out, "Success.\n");
    const ProgramResult detect =
        runProgram(BENCHLINK_QLP_PROGRAM, {"--path", server.address(), "--baud", "115200", "detect", "--auto-baud"}, 20s);
    EXPECT_EQ(detect.code, 0) << detect.err;
    EXPECT_NE(detect.out.find("Scan Comport Buadrate 38400"), std::string::npos) << detect.out;
    EXPECT_NE(detect.out.find("Detect ID 1 Success."), std::string::npos) << detect.out;
}

TEST(QlpToolOverTheNetwork, NobodyListeningSaysWhy) {
    const std::string address = "rfc2217://127.0.0.1:" + std::to_string(freeTcpPort());
    const ProgramResult r = runProgram(BENCHLINK_QLP_PROGRAM, {"--path", address, "check", "1"});
    EXPECT_EQ(r.err, "benchlink-qlp: " + address + ": Invalid Handle Value! (Connection refused)\n");
    EXPECT_NE(r.code, 0);
}
