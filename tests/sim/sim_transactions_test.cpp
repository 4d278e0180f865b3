// The core's QLP transactions and device operations, run by this process through
// the driver and the receive path, against the simulator on its pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "core/protocol/pt57_communication.h"
#include "core/protocol/qlp_transaction.h"
#include "core/protocol/rd24_communication.h"
#include "core/protocol/zum_exchange.h"
#include "core/serial/comport.h"
#include "core/protocol/reply_receiver.h"
#include "support/sim_process.h"
#include "support/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class LastLine : public LinkLogSink {
public:
    void AddIdLine(std::uint32_t, const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        last_ = text;
    }
    void AddLine(const std::string&) override {}
    std::string last() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return last_;
    }

private:
    mutable std::mutex mutex_;
    std::string last_;
};

// A simulator on COM `com`, the driver's port opened on it, replies caught.
class SimPort {
public:
    SimPort(int com, std::vector<std::string> args, std::int32_t baud = 115200, std::int32_t fix = 0) {
        args.insert(args.begin(), {"--com", std::to_string(com)});
        sim_ = startSim(args);
        setting_.port = com;
        setting_.baudrate = baud;
        setting_.fixrate = fix;
        open_ = sim_.ok() && comport_configure(setting_);
        link_.SetLinkLog(&log_);
        receiver_ = std::make_unique<ReplyReceiver>(link_, kReceiveIdleWaitMs);
    }
    ~SimPort() {
        receiver_.reset();
        link_.SetLinkLog(nullptr);
        comport_close(setting_);
    }
    bool ok() const { return open_; }
    // Reopens the port at another rate, as "Auto Baudrate" does.
    bool reopen(std::int32_t baud) {
        receiver_.reset();
        setting_.baudrate = baud;
        open_ = comport_configure(setting_);
        receiver_ = std::make_unique<ReplyReceiver>(link_, kReceiveIdleWaitMs);
        return open_;
    }
    ZumLink& link() { return link_; }
    std::string lastLine() const { return log_.last(); }

private:
    ComPortFolder folder_;
    SimProcess sim_;
    ComportSetting setting_;
    bool open_ = false;
    LastLine log_;
    ZumLink link_{comport_port()};
    std::unique_ptr<ReplyReceiver> receiver_;
};

// One simulator for the operation tests: an RD24-M4 (ID 1) on the port, a
// PT57-M1 (ID 5) and an RD24-M1 (ID 6) behind it.
class Operations : public testing::Test {
protected:
    static void SetUpTestSuite() {
        port = new SimPort(3, {"--bus", "5:PT57-M1,6:RD24-M1", "--ai", "0=1234", "--ai", "1=77"});
    }
    static void TearDownTestSuite() {
        delete port;
        port = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(port->ok()) << comport_status_text(); }
    static SimPort* port;
};
SimPort* Operations::port = nullptr;

TEST_F(Operations, Rd24) {
    EXPECT_EQ(rd24CheckDevice(port->link(), 1), kExchangeSuccess);
    EXPECT_EQ(rd24CheckDevice(port->link(), 254), kExchangeSuccess);
    EXPECT_EQ(rd24CheckDevice(port->link(), 6), kExchangeSuccess);
    std::int32_t raw = -1;
    EXPECT_EQ(rd24ReadAnalogInput(port->link(), 1, 0, raw), kExchangeSuccess);
    EXPECT_EQ(raw, 1234);
    EXPECT_EQ(rd24ReadAnalogInput(port->link(), 1, 1, raw), kExchangeSuccess);
    EXPECT_EQ(raw, 77);
    EXPECT_EQ(rd24WriteAnalogOutput(port->link(), 1, 3, 4000), kExchangeSuccess);
    EXPECT_EQ(rd24ReadAnalogOutput(port->link(), 1, 3, raw), kExchangeSuccess);
    EXPECT_EQ(raw, 4000);
    EXPECT_EQ(rd24WriteDigitalOutput(port->link(), 6, 3, 1), kExchangeSuccess);
    EXPECT_EQ(rd24WriteDigitalOutput(port->link(), 6, 5, 1), kExchangeSuccess);
    std::uint8_t state = 0;
    EXPECT_EQ(rd24ReadDigital(port->link(), 6, state), kExchangeSuccess);
    EXPECT_EQ(state, 0x28);
}

TEST_F(Operations, Pt57) {
    EXPECT_EQ(pt57CheckDevice(port->link(), 5), kExchangeSuccess);
    std::int32_t raw = -1;
    EXPECT_EQ(pt57ReadAnalogInput(port->link(), 5, 0, raw), kExchangeSuccess);
    EXPECT_EQ(raw, 1234);
    EXPECT_EQ(pt57WriteAnalogOutput(port->link(), 5, 2, 1), kExchangeSuccess);
    EXPECT_EQ(pt57ReadAnalogOutput(port->link(), 5, 2, raw), kExchangeSuccess);
    EXPECT_EQ(raw, 1);
    EXPECT_EQ(pt57WriteDigitalOutput(port->link(), 5, 7, 1), kExchangeSuccess);
    EXPECT_EQ(pt57WriteDigitalOutput(port->link(), 5, 6, 1), kExchangeSuccess);
    EXPECT_EQ(pt57WriteDigitalOutput(port->link(), 5, 6, 0), kExchangeSuccess);
    std::uint8_t state = 0;
    EXPECT_EQ(pt57ReadDigital(port->link(), 5, state), kExchangeSuccess);
    EXPECT_EQ(state, 0x80);
}

struct ErrorCase {
    const char* name;
    std::function<ExchangeStatus(ZumLink& link)> operation;
    const char* message;
};

class ErrorReplies : public Operations, public testing::WithParamInterface<ErrorCase> {};

TEST_P(ErrorReplies, AreStatusFourWithTheirText) {
    EXPECT_EQ(GetParam().operation(port->link()), kExchangeFunctionError);
    EXPECT_EQ(port->lastLine().rfind(std::string("Function Code Reply Error! = ") + GetParam().message + "  Send ", 0),
              0u)
        << port->lastLine();
}

std::int32_t scratch = 0;

INSTANTIATE_TEST_SUITE_P(
    Codes, ErrorReplies,
    testing::Values(
        ErrorCase{"NoneChannel", [](ZumLink& link) { return rd24ReadAnalogInput(link, 1, 4, scratch); },
                  "None Channel"},
        ErrorCase{"Pt57NoneChannel", [](ZumLink& link) { return pt57ReadAnalogOutput(link, 5, 8, scratch); },
                  "None Channel"},
        ErrorCase{"NoneMode", [](ZumLink& link) { return rd24ReadAnalogOutput(link, 1, 1, scratch); }, "None Mode"},
        ErrorCase{"NoneModeDigital", [](ZumLink& link) { return rd24WriteDigitalOutput(link, 1, 2, 1); }, "None Mode"},
        ErrorCase{"NoneCommand", [](ZumLink& link) { return rd24WriteDigitalOutput(link, 5, 6, 1); }, "None Command"},
        ErrorCase{"NoneFunction",
                  [](ZumLink& link) {
                      QlpCommand request{.id = 1, .function = 9, .command = 0x10};
                      QlpCommand reply;
                      return qlpRead(link, request, 1, reply);
                  },
                  "None Function"},
        ErrorCase{"ReadOnly", [](ZumLink& link) { return pt57WriteAnalogOutput(link, 5, 0, 10); }, "Read Only"},
        ErrorCase{"ReadOnlyDigital", [](ZumLink& link) { return rd24WriteDigitalOutput(link, 6, 0, 1); }, "Read Only"},
        ErrorCase{"NoneValue", [](ZumLink& link) { return rd24WriteAnalogOutput(link, 1, 2, 4096); }, "None Value"}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

TEST_F(Operations, AbsentIdTimesOut) {
    EXPECT_EQ(rd24CheckDevice(port->link(), 7), kExchangeTimeout);
    EXPECT_EQ(port->lastLine().rfind("Timeout!  Send % 7,1,16,0     ", 0), 0u) << port->lastLine();
}

QlpCommand setting(std::uint32_t id, std::uint8_t function, std::uint8_t command, std::int32_t value) {
    QlpCommand c{.valueCount = 1, .id = id, .function = function, .command = command, .values = {value}};
    return c;
}

TEST(SimTransactions, NewBaudRateAfterSaveAndResetNeedsTheLineRetuned) {
    SimPort port(4, {"--id", "2"});
    ASSERT_TRUE(port.ok());
    QlpCommand reply;
    EXPECT_EQ(qlpWrite(port.link(), setting(2, 0xE3, 0x12, 384), reply), kExchangeSuccess);
    EXPECT_EQ(qlpWrite(port.link(), setting(2, 0xE1, 0x13, 0), reply), kExchangeSuccess);
    EXPECT_EQ(rd24CheckDevice(port.link(), 2), kExchangeSuccess) << "saved, not yet in effect";
    EXPECT_EQ(qlpWrite(port.link(), setting(2, 0xE1, 0x14, 0), reply), kExchangeSuccess);
    EXPECT_EQ(rd24CheckDevice(port.link(), 2), kExchangeTimeout);
    // What "Auto Baudrate" does: try the rates until the device answers.
    ASSERT_TRUE(port.reopen(38400));
    EXPECT_EQ(rd24CheckDevice(port.link(), 2), kExchangeSuccess);
    EXPECT_EQ(qlpRead(port.link(), setting(254, 0xE2, 0x12, 0), 1, reply), kExchangeSuccess);
    EXPECT_EQ(reply.values[0], 384);
}

struct FaultCase {
    const char* name;
    std::vector<std::string> args;
    ExchangeStatus status;
    int transactions;
};

class SimFaultTransactions : public testing::TestWithParam<FaultCase> {};

TEST_P(SimFaultTransactions, ReachTheCore) {
    SimPort port(5, GetParam().args);
    ASSERT_TRUE(port.ok());
    std::int32_t raw = 0;
    for (int i = 0; i < GetParam().transactions; ++i)
        EXPECT_EQ(rd24ReadAnalogOutput(port.link(), 1, 2, raw), GetParam().status) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Options, SimFaultTransactions,
    // A late reply would be taken for the next request's: one transaction where
    // replies come late or not at all.
    testing::Values(FaultCase{"DropAll", {"--drop", "100"}, kExchangeTimeout, 1},
                    FaultCase{"DelayWithinBudget", {"--delay", "300"}, kExchangeSuccess, 2},
                    FaultCase{"DelayBeyondBudget", {"--delay", "600"}, kExchangeTimeout, 1},
                    // The catcher holds an unfinished reply for a moment, no longer.
                    FaultCase{"SplitBriefly", {"--split", "15"}, kExchangeSuccess, 3},
                    FaultCase{"NoiseAround", {"--noise", "5"}, kExchangeSuccess, 5},
                    FaultCase{"ErrorCode", {"--error", "5:64=0xF1"}, kExchangeFunctionError, 1}),
    [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

} // namespace
