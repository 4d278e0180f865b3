// benchlink-sim as a program, from the far end of its pseudo-terminal: the bytes
// on the wire, addressing, the line rate, the settings sequence and each fault.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/sim_process.h"

namespace {

using namespace std::chrono_literals;

struct Connected {
    SimProcess sim;
    std::unique_ptr<FarLine> line;
};

Connected connect(const std::vector<std::string>& args, std::uint32_t rate = 115200) {
    Connected c;
    c.sim = startSim(args);
    if (c.sim.ok()) c.line = std::make_unique<FarLine>(c.sim.path, rate);
    return c;
}

#define CONNECT(name, ...)                                                   \
    Connected name = connect(__VA_ARGS__);                                   \
    ASSERT_TRUE(name.sim.ok()) << (name.sim.child ? name.sim.child->err() : ""); \
    ASSERT_TRUE(name.line->ok())

TEST(SimWire, WorkedExampleBytes) {
    CONNECT(c, {"--model", "RD24-M5", "--id", "5", "--ai", "2=1234"});
    // The request of device 5, analogue input 2, as the bytes a program sends.
    ASSERT_TRUE(c.line->write(Bytes{0x25, 0x20, 0x35, 0x2C, 0x35, 0x2C, 0x34, 0x38, 0x2C, 0x32, 0x00}));
    const Bytes reply = c.line->readFrame();
    EXPECT_EQ(reply, (Bytes{0x25, 0x20, 0x35, 0x2C, 0x35, 0x2C, 0x34, 0x38, 0x2C, 0x32, 0x2C, 0x31, 0x32, 0x33, 0x34,
                            0x00}));
    // Nothing else follows: one reply per request.
    EXPECT_TRUE(c.line->readQuiet(50ms, 200ms).empty());
}

TEST(SimWire, ErrorReplyBytes) {
    CONNECT(c, {"--model", "RD24-M5", "--id", "5"});
    // Channel 3 of an RD24-M5 is a digital input: "None Mode", no values.
    c.line->write(zum("% 5,5,48,3"));
    EXPECT_EQ(c.line->readFrame(), zum("% 5,248,48,3"));
}

struct ExchangeCase {
    const char* name;
    const char* request;
    const char* reply;
};

class SimAddressing : public testing::TestWithParam<ExchangeCase> {
protected:
    static void SetUpTestSuite() {
        shared = new Connected(connect({"--model", "RD24-M4", "--id", "3", "--bus", "5:PT57-M1,9:RD24-M1", "--master",
                                        "7", "--number", "12", "--can", "50K", "--ai", "0=100"}));
    }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }
    static Connected* shared;
};
Connected* SimAddressing::shared = nullptr;

TEST_P(SimAddressing, AnswersOverTheWire) {
    ASSERT_TRUE(shared->sim.ok() && shared->line->ok());
    const auto limit = std::string(GetParam().reply) == "(none)" ? kSilence : 1000ms;
    EXPECT_EQ(ask(*shared->line, GetParam().request, limit), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SimAddressing,
    testing::Values(ExchangeCase{"PortDevice", "% 3,1,16,0", "% 3,1,16,0,4,1"},
                    ExchangeCase{"Any254", "% 254,226,17,0,0", "% 3,226,17,0,3"},
                    ExchangeCase{"Any255", "% 255,1,16,0", "% 3,1,16,0,4,1"},
                    ExchangeCase{"BusPt57", "% 5,1,16,0,0", "% 5,1,16,0,1,1"},
                    ExchangeCase{"BusRd24", "% 9,5,16,0", "% 9,5,16,0,0"},
                    ExchangeCase{"BusFixedInput", "% 5,5,48,0", "% 5,5,48,0,100"},
                    ExchangeCase{"AbsentIsSilent", "% 7,1,16,0", "(none)"},
                    ExchangeCase{"MasterId", "% 3,226,16,0,0", "% 3,226,16,0,7"},
                    ExchangeCase{"CanDivider", "% 3,226,19,0,0", "% 3,226,19,0,24"},
                    ExchangeCase{"DeviceNumber", "% 9,228,16,0,0", "% 9,228,16,0,12"},
                    ExchangeCase{"BaudCode", "% 3,226,18,0,0", "% 3,226,18,0,1152"},
                    ExchangeCase{"OneNumberIsNoRequest", "% 3", "(none)"},
                    ExchangeCase{"EightNumbersAreNoRequest", "% 3,6,64,2,1,2,3,4", "(none)"},
                    ExchangeCase{"BlankInsideIsNoRequest", "% 3, 1,16,0", "(none)"}),
    [](const testing::TestParamInfo<ExchangeCase>& info) { return info.param.name; });

TEST(SimWire, AbsentIdGetsNoneDeviceWhenAsked) {
    CONNECT(c, {"--absent", "none-device"});
    EXPECT_EQ(ask(*c.line, "% 7,5,48,1"), "% 1,247,48,1");
}

TEST(SimWire, RequestInPiecesAndNoiseAround) {
    CONNECT(c, {});
    c.line->write("xyz\r\n% 1,1,");
    std::this_thread::sleep_for(30ms);
    c.line->write(std::string("16,0") + '\0' + "tail");
    EXPECT_EQ(frameText(c.line->readFrame()), "% 1,1,16,0,4,1");
    EXPECT_TRUE(c.line->readQuiet(50ms, 200ms).empty());
}

TEST(SimWire, LineRateMustBeWithinFivePercent) {
    CONNECT(c, {"--baud", "115200"});
    struct Row {
        std::uint32_t rate;
        bool answered;
    };
    // 118656 and 111744 are a fix rate of +3 and -3; 122112 is +6.
    for (const Row& row : {Row{9600, false}, Row{118656, true}, Row{111744, true}, Row{122112, false},
                           Row{108288, false}, Row{115200, true}}) {
        ASSERT_TRUE(c.line->setRate(row.rate));
        EXPECT_EQ(ask(*c.line, "% 1,1,16,0", row.answered ? 1000ms : kSilence) != "(none)", row.answered)
            << row.rate;
    }
}

TEST(SimWire, SettingsSequenceWithSaveAndReset) {
    CONNECT(c, {"--id", "1"});
    FarLine& line = *c.line;
    EXPECT_EQ(ask(line, "% 1,227,17,0,7"), "% 1,227,17,0,7") << "the new ID answers under the old one";
    EXPECT_EQ(ask(line, "% 1,1,16,0", kSilence), "(none)");
    EXPECT_EQ(ask(line, "% 7,227,18,0,96"), "% 7,227,18,0,96");
    EXPECT_EQ(ask(line, "% 7,227,19,0,24"), "% 7,227,19,0,24");
    EXPECT_EQ(ask(line, "% 7,227,16,0,4"), "% 7,227,16,0,4");
    EXPECT_EQ(ask(line, "% 7,226,18,0,0"), "% 7,226,18,0,1152") << "written, not yet in effect";
    EXPECT_EQ(ask(line, "% 7,225,19,0,0"), "% 7,225,19,0,0");
    EXPECT_EQ(ask(line, "% 7,225,20,0,0"), "% 7,225,20,0,0") << "the reset is confirmed at the old rate";
    // Restarted at 9600 baud: a line at 115200 is not understood any more.
    EXPECT_EQ(ask(line, "% 7,1,16,0", kSilence), "(none)");
    ASSERT_TRUE(line.setRate(9600));
    EXPECT_EQ(ask(line, "% 254,226,17,0,0"), "% 7,226,17,0,7");
    EXPECT_EQ(ask(line, "% 7,226,18,0,0"), "% 7,226,18,0,96");
    EXPECT_EQ(ask(line, "% 7,226,19,0,0"), "% 7,226,19,0,24");
    EXPECT_EQ(ask(line, "% 7,226,16,0,0"), "% 7,226,16,0,4");
}

TEST(SimWire, ResetDropsUnsavedSettings) {
    CONNECT(c, {"--id", "2"});
    FarLine& line = *c.line;
    EXPECT_EQ(ask(line, "% 2,227,18,0,192"), "% 2,227,18,0,192");
    EXPECT_EQ(ask(line, "% 2,227,17,0,8"), "% 2,227,17,0,8");
    EXPECT_EQ(ask(line, "% 8,225,20,0,0"), "% 8,225,20,0,0");
    EXPECT_EQ(ask(line, "% 254,226,17,0,0"), "% 2,226,17,0,2");
    EXPECT_EQ(ask(line, "% 2,226,18,0,0"), "% 2,226,18,0,1152");
}

TEST(SimFaults, DropAll) {
    CONNECT(c, {"--drop", "100"});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ask(*c.line, "% 1,1,16,0", kSilence), "(none)");
}

std::string dropPattern(const std::string& seed) {
    Connected c = connect({"--drop", "50", "--seed", seed});
    if (!c.sim.ok() || !c.line->ok()) return "no simulator";
    std::string pattern;
    for (int i = 0; i < 12; ++i) pattern += ask(*c.line, "% 1,5,64,2", 100ms) == "(none)" ? '.' : 'A';
    return pattern;
}

TEST(SimFaults, DropIsRepeatableWithASeed) {
    const std::string first = dropPattern("7");
    EXPECT_EQ(dropPattern("7"), first);
    EXPECT_NE(first.find('.'), std::string::npos) << first;
    EXPECT_NE(first.find('A'), std::string::npos) << first;
}

TEST(SimFaults, DelayAnswersLate) {
    CONNECT(c, {"--delay", "250"});
    c.line->write(zum("% 1,1,16,0"));
    // Nothing within the first 200 ms, then the reply.
    EXPECT_TRUE(c.line->readQuiet(200ms, 200ms).empty());
    EXPECT_EQ(frameText(c.line->readFrame(2000ms)), "% 1,1,16,0,4,1");
}

TEST(SimFaults, SplitSendsTheReplyInTwoWrites) {
    CONNECT(c, {"--split", "200"});
    c.line->write(zum("% 1,1,16,0"));
    const Bytes head = c.line->readQuiet(60ms, 150ms);
    const Bytes tail = c.line->readFrame(1000ms);
    const Bytes whole = zum("% 1,1,16,0,4,1");
    ASSERT_FALSE(head.empty());
    ASSERT_LT(head.size(), whole.size());
    Bytes joined = head;
    joined.insert(joined.end(), tail.begin(), tail.end());
    EXPECT_EQ(joined, whole);
}

TEST(SimFaults, NoiseIsNeverAFrame) {
    CONNECT(c, {"--noise", "30"});
    const Bytes noise = c.line->readQuiet(200ms, 300ms);
    EXPECT_GE(noise.size(), 3u * 3);
    EXPECT_EQ(std::count(noise.begin(), noise.end(), '%'), 0);
    EXPECT_EQ(std::count(noise.begin(), noise.end(), 0), 0);
    // A request is still answered whole among the noise.
    c.line->write(zum("% 1,5,64,3"));
    const Bytes heard = c.line->readQuiet(100ms, 250ms);
    const Bytes reply = zum("% 1,5,64,3,0");
    EXPECT_NE(std::search(heard.begin(), heard.end(), reply.begin(), reply.end()), heard.end());
}

TEST(SimFaults, ErrorOptionAnswersWithTheCode) {
    CONNECT(c, {"--error", "5:0x30=0xF1", "--error", "1:16=245"});
    EXPECT_EQ(ask(*c.line, "% 1,5,48,0"), "% 1,241,48,0");
    EXPECT_EQ(ask(*c.line, "% 1,1,16,0"), "% 1,245,16,0");
    EXPECT_EQ(ask(*c.line, "% 1,5,64,2"), "% 1,5,64,2,0");
}

TEST(SimModes, EchoSendsEveryByteBack) {
    CONNECT(c, {"--echo"});
    const Bytes sent{'%', ' ', '1', ',', '1', 0x00, 0xFF, 0x0D, 0x0A, 'z'};
    c.line->write(sent);
    EXPECT_EQ(c.line->readQuiet(80ms, 1000ms), sent);
}

TEST(SimModes, AdapterEchoSendsTheRequestBackThenTheReply) {
    CONNECT(c, {"--adapter-echo"});
    const Bytes request = zum("% 1,5,64,2");
    c.line->write(request);
    Bytes expected = request;
    const Bytes reply = zum("% 1,5,64,2,0");
    expected.insert(expected.end(), reply.begin(), reply.end());
    EXPECT_EQ(c.line->readQuiet(80ms, 1000ms), expected);
}

TEST(SimModes, StreamRepeatsTheTaggedText) {
    CONNECT(c, {"--stream", "#12<CR><LF>", "--every", "40"});
    const Bytes heard = c.line->readQuiet(300ms, 330ms);
    const std::string text(heard.begin(), heard.end());
    ASSERT_GE(text.size(), 3u * 5) << text;
    std::string rest = text.substr(0, text.size() - text.size() % 5);
    for (std::size_t i = 0; i < rest.size(); i += 5) EXPECT_EQ(rest.substr(i, 5), "#12\r\n");
}

TEST(SimProgram, VerboseLogsRequestAndReply) {
    CONNECT(c, {"-v"});
    EXPECT_EQ(ask(*c.line, "% 1,5,64,2"), "% 1,5,64,2,0");
    c.sim.child->signal(SIGINT);
    EXPECT_EQ(c.sim.child->wait(), 0);
    EXPECT_NE(c.sim.child->err().find("request % 1,5,64,2\n"), std::string::npos) << c.sim.child->err();
    EXPECT_NE(c.sim.child->err().find("reply   % 1,5,64,2,0\n"), std::string::npos) << c.sim.child->err();
}

TEST(SimProgram, PrintsTheSlavePathAndStopsOnSigterm) {
    SimProcess sim = startSim({});
    ASSERT_TRUE(sim.ok());
    EXPECT_EQ(sim.line.rfind("/dev/pts/", 0), 0u) << sim.line;
    sim.child->signal(SIGTERM);
    EXPECT_EQ(sim.child->wait(), 0);
}

// Whether the terminal is held exclusively (TIOCEXCL), looked at through a
// descriptor of its own (this process may open it: it runs with the rights
// that let root past the flag).
int exclusiveFlag(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    int exclusive = -1;
    ::ioctl(fd, TIOCGEXCL, &exclusive);
    ::close(fd);
    return exclusive;
}

TEST(SimProgram, ExclusiveUseEndsWithTheUser) {
    SimProcess sim = startSim({});
    ASSERT_TRUE(sim.ok());
    // A program opens the port exclusively, as the driver does, and closes it.
    const int user = ::open(sim.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(user, 0);
    ASSERT_EQ(::ioctl(user, TIOCEXCL), 0);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(exclusiveFlag(sim.path), 1) << "kept while the user has the port open";
    ::close(user);
    // Without CAP_SYS_ADMIN the next open would fail while the flag stays.
    int flag = 1;
    for (int i = 0; i < 50 && flag != 0; ++i) {
        std::this_thread::sleep_for(20ms);
        flag = exclusiveFlag(sim.path);
    }
    EXPECT_EQ(flag, 0);
}

// Without an absolute HOME or XDG_CONFIG_HOME there is no COM port folder: the
// simulator says so instead of making one under the working folder.
TEST(SimProgram, ComLinkNeedsAnAbsoluteConfigFolder) {
    std::vector<std::string> environment = {"XDG_CONFIG_HOME=relative-sim-config"};
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        if (!entry.starts_with("XDG_CONFIG_HOME=") && !entry.starts_with("HOME=")) environment.emplace_back(entry);
    }
    const ProgramResult r = runProgram(BENCHLINK_SIM_PROGRAM, {"--com", "3"}, 5000ms, &environment);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no COM port folder"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists("relative-sim-config"));
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* error_part;
};

class SimUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(SimUsage, ExitsWith64) {
    const ProgramResult r = runProgram(BENCHLINK_SIM_PROGRAM, GetParam().args);
    EXPECT_EQ(r.code, 64);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find(GetParam().error_part), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, SimUsage,
    testing::Values(UsageCase{"UnknownModel", {"--model", "RD24-M9"}, "unknown model"},
                    UsageCase{"UnknownBusModel", {"--bus", "4:XX"}, "unknown model \"XX\""},
                    UsageCase{"UnknownCanRate", {"--can", "100K"}, "unknown CAN bit rate"},
                    UsageCase{"BadStreamText", {"--stream", "<BAD>"}, "--stream"},
                    UsageCase{"UnknownOption", {"--fast"}, "unknown option"},
                    UsageCase{"ModelOfAnotherFamily", {"--family", "PT57", "--model", "RD24-M4"},
                              "model \"RD24-M4\" is no PT57 model (PT57-M1..PT57-M20)"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return info.param.name; });

TEST(SimProgram, HelpDescribesEveryOption) {
    const ProgramResult r = runProgram(BENCHLINK_SIM_PROGRAM, {"--help"});
    EXPECT_EQ(r.code, 0);
    for (const char* option : {"--com", "--model", "--family", "--id", "--baud", "--can", "--master", "--number", "--bus", "--ai",
                               "--absent", "--drop", "--seed", "--delay", "--split", "--noise", "--error", "--value", "--echo", "--adapter-echo",
                               "--stream", "--every", "-v"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

} // namespace
