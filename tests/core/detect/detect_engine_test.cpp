// The detect engine against the simulator: the port device, the baud-rate scan, the
// checks of a reply, the CAN-bus scan, rewriting a device's settings, and Stop.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/detect/detect_engine.h"
#include "core/detect/detect_worker.h"
#include "core/serial/comport.h"
#include "support/far_line.h"
#include "support/sim_process.h"

namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;
using Lines = std::vector<std::string>;

void closePort() {
    ComportSetting open;
    comport_get_setting(open);
    comport_close(open);
}

// The simulator answers within a few ms; a shorter budget keeps silent IDs cheap.
constexpr DetectTiming kTestTiming{300, 100};

// The simulator (when given arguments) with the engine on its line.
class DetectRun {
public:
    explicit DetectRun(const Args& sim_args, std::int32_t rate = 115200, DetectTiming timing = kTestTiming)
        : engine_(comport_port(),
                  DetectEvents{[this](const std::string& line) { Add(line); }, nullptr,
                               [this](int done) { progress_ = done; }},
                  timing) {
        ComportSetting line;
        line.baudrate = rate;
        if (sim_args.empty()) return; // no port configured
        sim_ = startSim(sim_args);
        if (sim_.ok()) opened_ = comport_configure_path(sim_.path, line);
        engine_.SetPort(line, sim_.path);
    }
    ~DetectRun() { closePort(); }

    bool ok() const { return sim_.child == nullptr || opened_; }
    DetectEngine& engine() { return engine_; }
    const std::string& path() const { return sim_.path; }
    int progress() const { return progress_.load(); }
    Lines lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    void Add(const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    }

    SimProcess sim_;
    bool opened_ = false;
    std::mutex mutex_;
    Lines lines_;
    std::atomic<int> progress_{0};
    DetectEngine engine_;
};

DetectedDevice device(std::int32_t id, std::int32_t baud, std::int32_t can, std::int32_t master, std::int32_t number) {
    return DetectedDevice{1, 1, id, master, baud, can, number};
}

struct PortCase {
    const char* name;
    Args sim;
    std::int32_t rate;
    bool auto_baud;
    Lines lines;
    std::optional<DetectedDevice> found; // the device on the port and in its grid row
    std::int32_t final_rate;
};

class PortDetection : public testing::TestWithParam<PortCase> {};

TEST_P(PortDetection, ReportsAndRecordsTheDeviceOnThePort) {
    const PortCase& c = GetParam();
    DetectRun run(c.sim, c.rate);
    ASSERT_TRUE(run.ok());
    run.engine().SetAutoBaudrate(c.auto_baud);
    run.engine().UartAutoDetect();
    EXPECT_EQ(run.lines(), c.lines);
    const DetectedDevice on_port = run.engine().ComportDevice();
    if (c.found) {
        EXPECT_EQ(on_port, *c.found);
        EXPECT_EQ(run.engine().CanDevice(c.found->id), *c.found);
        EXPECT_EQ(detectGridRow(run.engine().CanDevice(c.found->id))[kDetectMarkColumn], "    V");
        EXPECT_EQ(run.engine().Selected(), *c.found);
    } else {
        EXPECT_EQ(on_port.found, 0);
        EXPECT_EQ(run.engine().MarkedCount(), 0); // every record reset
    }
    EXPECT_EQ(run.engine().port().baudrate, c.final_rate);
}

INSTANTIATE_TEST_SUITE_P(
    AgainstTheSimulator, PortDetection,
    testing::Values(
        PortCase{"NoPort", {}, 115200, false, {"", "Comport had't Initialed!, Please setup Comport."}, {}, 115200},
        PortCase{"AnswersTheBroadcastWithId7", {"--id", "7", "--master", "9", "--number", "4"}, 115200, false,
                 {"", "Detect ID 7 Success."}, device(7, 4, 5, 9, 4), 115200},
        PortCase{"SilentWithoutAutoBaud", {"--baud", "38400"}, 115200, false, {"", "Auto Detect Fault!"}, {}, 115200},
        PortCase{"AutoBaudFinds38400", {"--baud", "38400", "--id", "3", "--can", "50K"}, 115200, true,
                 {"", "Scan Comport Buadrate 9600...........", "Scan Comport Buadrate 19200...........",
                  "Scan Comport Buadrate 38400...........", "Detect ID 3 Success."},
                 device(3, 2, 8, 1, 1), 38400},
        // A silent device does not leave the line at the last rate tried.
        PortCase{"AutoBaudFindsNothing", {"--drop", "100"}, 57600, true,
                 {"", "Scan Comport Buadrate 9600...........", "Scan Comport Buadrate 19200...........",
                  "Scan Comport Buadrate 38400...........", "Scan Comport Buadrate 57600...........",
                  "Scan Comport Buadrate 115200...........", "Auto Detect Fault!"},
                 {}, 57600},
        // At 9600 baud every reply comes in pieces; here also in two writes.
        PortCase{"SplitReplyAt9600", {"--baud", "9600", "--id", "2", "--split", "40"}, 9600, false,
                 {"", "Detect ID 2 Success."}, device(2, 0, 5, 1, 1), 9600},
        PortCase{"UnknownBaudReplyStillFound", {"--value", "0xE2:0x12=100"}, 115200, false,
                 {"", "Detect ID 1 Success."}, device(1, -1, 5, 1, 1), 115200},
        PortCase{"NoneDeviceOnTheBaudRead", {"--error", "0xE2:0x12=0xF7"}, 115200, false,
                 {"", "Detect ID 1 Success.", "Detect Comport Buadrate None Device!", "Detect ID 1 Fault!"}, {},
                 115200}),
    [](const testing::TestParamInfo<PortCase>& info) { return info.param.name; });

TEST(DetectReplies, AnotherIdTakesTwoAttemptsThenTheIdFaults) {
    DetectRun run({"--absent", "answer"});
    ASSERT_TRUE(run.ok());
    DetectLink link(comport_port());
    link.reply_budget_ms = kTestTiming.reply_budget_ms;
    QlpCommand request{1, 5, 0xE2, 0x11, 0, {0, 0, 0}};
    std::string message;
    EXPECT_FALSE(checkedRead(link, request, message));
    EXPECT_EQ(message, "Reply ID Error! 1");
    EXPECT_EQ(link.requests_sent, 2u);
    EXPECT_EQ(request.id, 1u); // the last reply is handed back

    run.engine().DetectSettingDevice(5);
    EXPECT_EQ(run.lines(), (Lines{"", "Detect ID 5 Fault!"}));
    EXPECT_EQ(run.engine().requests_sent(), 2u);
    EXPECT_EQ(run.engine().Selected().found, 0);
}

TEST(DetectCanbus, ScanOfMarkedIdsFindsExactlyTheBusDevices) {
    DetectRun run({"--id", "12", "--bus", "3,5:PT57-M1,9", "--number", "6"});
    ASSERT_TRUE(run.ok());
    run.engine().SetDetectRange(1, 10, true);
    run.engine().ToggleDetect(20); // marked outside the range: scanned too
    ASSERT_EQ(run.engine().MarkedCount(), 11);
    run.engine().CanbusAutoDetect();
    std::vector<int> found;
    for (int id = 0; id < kDetectGridIds; ++id)
        if (run.engine().CanDevice(id).found == 1) found.push_back(id);
    EXPECT_EQ(found, (std::vector<int>{3, 5, 9}));
    EXPECT_EQ(run.engine().CanDevice(5), device(5, 4, 5, 1, 6));
    EXPECT_EQ(run.engine().CanDevice(4), detectClearedDevice(4, 1)); // marks stay
    EXPECT_EQ(run.progress(), 11);
    const Lines lines = run.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Detect ID 4 Fault!"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Detect ID 9 Success."), 1);
}

TEST(DetectSave, NewIdBaudCanRateAndMasterIdAreWrittenSavedAndRechecked) {
    DetectRun run({"--id", "1"});
    ASSERT_TRUE(run.ok());
    run.engine().UartAutoDetect();
    ASSERT_EQ(run.engine().Selected().found, 1);
    DetectedDevice setting{0, 0, 2, 3, 2, 8, 1}; // ID 2, 38400, 50K, master 3
    EXPECT_TRUE(run.engine().SaveSetting(setting));
    const Lines lines = run.lines();
    EXPECT_EQ(Lines(lines.begin() + 2, lines.end()),
              (Lines{"", "Save Selected ID 1 Setting............", "Write ID 1 To ID 2 Success.",
                     "Write Comport Buadrate 38400 Success.", "Write CAN Bus Buadrate 50K Success.",
                     "Write Master ID 3 Success.", "Save Setting Success.", "Reset Device.........",
                     "Save Setting Complete."}));
    // The window follows the device on its port to the new rate.
    EXPECT_EQ(run.engine().port().baudrate, 38400);
    EXPECT_EQ(run.engine().ComportDevice(), device(2, 2, 8, 3, 1));
    EXPECT_EQ(run.engine().CanDevice(2), device(2, 2, 8, 3, 1));
    EXPECT_EQ(run.engine().CanDevice(1), detectClearedDevice(1));

    // The simulator itself now answers at ID 2 and 38400 baud only.
    closePort();
    FarLine far(run.path(), 38400);
    EXPECT_EQ(ask(far, "% 2,226,17,0,0"), "% 2,226,17,0,2");
    EXPECT_EQ(ask(far, "% 2,226,19,0,0"), "% 2,226,19,0,24");
    EXPECT_EQ(ask(far, "% 2,226,16,0,0"), "% 2,226,16,0,3");
    ASSERT_TRUE(far.setRate(115200));
    EXPECT_EQ(ask(far, "% 2,226,17,0,0", kSilence), "(none)");
}

TEST(DetectStop, EndsAScanWithinOneExchange) {
    // Long waits: a stop that only ended with the exchange would take seconds.
    DetectRun run({"--id", "1"}, 115200, DetectTiming{3000, 100});
    ASSERT_TRUE(run.ok());
    run.engine().SetDetectRange(2, 253, true);
    DetectWorker worker(run.engine().stop_flag());
    ASSERT_TRUE(worker.Start([&] { run.engine().CanbusAutoDetect(); }, nullptr));
    std::this_thread::sleep_for(200ms);
    const auto asked = std::chrono::steady_clock::now();
    worker.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 500ms);
    EXPECT_EQ(run.lines(), (Lines{"", "Detect Stopped."}));
    EXPECT_EQ(run.progress(), 0);
    EXPECT_EQ(run.engine().CanDevice(2), detectClearedDevice(2, 1)); // left as it was
    EXPECT_EQ(run.engine().requests_sent(), 1u);
}

} // namespace
