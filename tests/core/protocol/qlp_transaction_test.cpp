// QLP transactions and the RD24 and PT57 operations against a scripted device on
// the far end of a pseudo-terminal, with the read filter running on its own thread
// as the receive thread runs it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/protocol/pt57_communication.h"
#include "core/protocol/qlp_transaction.h"
#include "core/protocol/reply_receiver.h"
#include "core/protocol/rd24_communication.h"
#include "core/protocol/zum_exchange.h"
#include "core/serial/comport.h"
#include "support/pty_pair.h"
#include "core/util/non_copyable.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What an out-parameter holds before the call: left alone unless status is 0.
constexpr std::int64_t kUntouched = -7;

std::vector<std::uint8_t> frameBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0x00);
    return bytes;
}

class CountingLog : public LinkLogSink {
public:
    void AddIdLine(std::uint32_t, const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(text);
    }
    void AddLine(const std::string&) override {}
    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// One line for the whole suite: opening a port pulses RTS for 100 ms and more.
class Line : public testing::Test {
protected:
    struct Shared {
        PtyPair pair;
        ComPortFolder folder;
        ComportSetting setting;
    };

    static void SetUpTestSuite() {
        shared = new Shared;
        shared->setting.port = 1;
        if (shared->pair.ok() && shared->folder.link(1, shared->pair)) comport_configure(shared->setting);
    }
    static void TearDownTestSuite() {
        comport_close(shared->setting);
        delete shared;
        shared = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(comport_is_open()) << comport_status_text();
        link.Flush();
        pair.drain();
        link.SetLinkLog(&log);
        receiver = std::make_unique<ReplyReceiver>(link, 1);
    }
    void TearDown() override {
        if (device.joinable()) device.join();
        receiver.reset();
        link.SetLinkLog(nullptr);
    }

    // The far end reads one request of the expected length and, if given, answers.
    void answer(const std::string& request, const char* reply) {
        device = std::thread([this, length = request.size() + 1, reply] {
            seen = pair.read_exactly(length, 3000ms);
            if (reply != nullptr) pair.write(frameBytes(reply));
        });
    }
    std::vector<std::uint8_t> requestSeen() {
        if (device.joinable()) device.join();
        return seen;
    }

    static inline Shared* shared = nullptr;
    PtyPair& pair = shared->pair;
    ZumLink link{comport_port()};
    CountingLog log;
    std::unique_ptr<ReplyReceiver> receiver;
    std::thread device;
    std::vector<std::uint8_t> seen;
};

// The operation under test on the link, writing what it handed back (if anything) into out.
using Operation = std::function<ExchangeStatus(ZumLink& link, std::int64_t& out)>;

Operation rd24Check(std::uint8_t id) {
    return [id](ZumLink& link, std::int64_t&) { return rd24CheckDevice(link, id); };
}
Operation pt57Check(std::uint8_t id) {
    return [id](ZumLink& link, std::int64_t&) { return pt57CheckDevice(link, id); };
}
Operation readDigital(ExchangeStatus (*op)(ZumLink&, std::uint8_t, std::uint8_t&), std::uint8_t id) {
    return [op, id](ZumLink& link, std::int64_t& out) {
        std::uint8_t state = static_cast<std::uint8_t>(kUntouched);
        const ExchangeStatus status = op(link, id, state);
        if (state != static_cast<std::uint8_t>(kUntouched)) out = state;
        return status;
    };
}
Operation readCode(ExchangeStatus (*op)(ZumLink&, std::uint8_t, std::uint8_t, std::int32_t&), std::uint8_t id,
                   std::uint8_t channel) {
    return [op, id, channel](ZumLink& link, std::int64_t& out) {
        std::int32_t raw = static_cast<std::int32_t>(kUntouched);
        const ExchangeStatus status = op(link, id, channel, raw);
        out = raw;
        return status;
    };
}
Operation writeCode(ExchangeStatus (*op)(ZumLink&, std::uint8_t, std::uint8_t, std::int32_t), std::uint8_t id,
                    std::uint8_t channel, std::int32_t value) {
    return [op, id, channel, value](ZumLink& link, std::int64_t&) { return op(link, id, channel, value); };
}

struct TransactionCase {
    const char* label;
    Operation operation;
    const char* request; // the frame text the device must see
    const char* reply;   // the device's answer
    ExchangeStatus status;
    std::int64_t out;    // what the operation handed back, kUntouched for nothing
};

void PrintTo(const TransactionCase& c, std::ostream* os) { *os << c.label; }

class Transactions : public Line, public testing::WithParamInterface<TransactionCase> {};

TEST_P(Transactions, RequestOnTheWireAndCheckedReply) {
    const TransactionCase& c = GetParam();
    answer(c.request, c.reply);
    std::int64_t out = kUntouched;
    const ExchangeStatus status = c.operation(link, out);
    EXPECT_EQ(requestSeen(), frameBytes(c.request));
    EXPECT_EQ(status, c.status) << exchangeStatusText(status);
    EXPECT_EQ(out, c.out);
    std::size_t exchanges = 0;
    for (const std::string& line : log.lines()) exchanges += line.starts_with("Reply From Other ID") ? 0 : 1;
    EXPECT_EQ(exchanges, 1u) << "one exchange, one link-monitor line";
}

INSTANTIATE_TEST_SUITE_P(
    Qlp, Transactions,
    testing::Values(
        // Checks: the RD24's carries no value, the PT57's one value 0; both expect two back.
        TransactionCase{"Rd24CheckTwoValues", rd24Check(3), "% 3,1,16,0", "% 3,1,16,0,4,1", kExchangeSuccess, kUntouched},
        TransactionCase{"Rd24CheckOneValue", rd24Check(3), "% 3,1,16,0", "% 3,1,16,0,4", kExchangeValueAmountError,
                        kUntouched},
        TransactionCase{"Pt57CheckTwoValues", pt57Check(3), "% 3,1,16,0,0", "% 3,1,16,0,1,1", kExchangeSuccess,
                        kUntouched},
        TransactionCase{"Pt57CheckEcho", pt57Check(3), "% 3,1,16,0,0", "% 3,1,16,0,0", kExchangeValueAmountError,
                        kUntouched},
        TransactionCase{"Rd24CheckOffline", rd24Check(3), "% 3,1,16,0", "% 3,241", kExchangeFunctionError, kUntouched},

        // Digital reads: bit i is channel i.
        TransactionCase{"Rd24DigitalChannels025", readDigital(rd24ReadDigital, 3), "% 3,5,16,0", "% 3,5,16,0,37",
                        kExchangeSuccess, 0x25},
        TransactionCase{"Pt57DigitalChannels067", readDigital(pt57ReadDigital, 3), "% 3,5,16,0", "% 3,5,16,0,193",
                        kExchangeSuccess, 0xC1},
        TransactionCase{"DigitalKeepsLowByte", readDigital(pt57ReadDigital, 3), "% 3,5,16,0", "% 3,5,16,0,449",
                        kExchangeSuccess, 0xC1},
        TransactionCase{"DigitalNoValue", readDigital(rd24ReadDigital, 3), "% 3,5,16,0", "% 3,5,16,0",
                        kExchangeValueAmountError, kUntouched},

        // Analogue reads and the order of the reply checks.
        TransactionCase{"AnalogInput", readCode(rd24ReadAnalogInput, 5, 2), "% 5,5,48,2", "% 5,5,48,2,1234",
                        kExchangeSuccess, 1234},
        TransactionCase{"Pt57AnalogInputChannel7", readCode(pt57ReadAnalogInput, 5, 7), "% 5,5,48,7",
                        "% 5,5,48,7,4092", kExchangeSuccess, 4092},
        TransactionCase{"AnalogOutput", readCode(rd24ReadAnalogOutput, 5, 3), "% 5,5,64,3", "% 5,5,64,3,2048",
                        kExchangeSuccess, 2048},
        TransactionCase{"Pt57AnalogOutput", readCode(pt57ReadAnalogOutput, 5, 6), "% 5,5,64,6", "% 5,5,64,6,0",
                        kExchangeSuccess, 0},
        TransactionCase{"CodeAbove32767", readCode(rd24ReadAnalogInput, 5, 2), "% 5,5,48,2", "% 5,5,48,2,40000",
                        kExchangeSuccess, 40000},
        TransactionCase{"NegativeWireValue", readCode(pt57ReadAnalogInput, 5, 2), "% 5,5,48,2", "% 5,5,48,2,-1",
                        kExchangeSuccess, 65535},
        TransactionCase{"ReplyFromOtherIdIsNone", readCode(rd24ReadAnalogInput, 5, 2), "% 5,5,48,2", "% 9,5,48,2,77",
                        kExchangeTimeout, kUntouched},
        TransactionCase{"CountCheckedFirst", readCode(rd24ReadAnalogInput, 5, 2), "% 5,5,48,2", "% 5,6,49,3",
                        kExchangeValueAmountError, kUntouched},
        TransactionCase{"TooManyValues", readCode(rd24ReadAnalogInput, 5, 2), "% 5,5,48,2", "% 5,5,48,2,1,2",
                        kExchangeValueAmountError, kUntouched},
        TransactionCase{"FunctionBeforeCommand", readCode(rd24ReadAnalogInput, 5, 2), "% 5,5,48,2", "% 5,6,49,3,1",
                        kExchangeFunctionError, kUntouched},
        TransactionCase{"CommandBeforeChannel", readCode(rd24ReadAnalogInput, 5, 2), "% 5,5,48,2", "% 5,5,49,3,1",
                        kExchangeCommandError, kUntouched},
        TransactionCase{"Channel", readCode(rd24ReadAnalogInput, 5, 2), "% 5,5,48,2", "% 5,5,48,3,1",
                        kExchangeChannelError, kUntouched},
        TransactionCase{"ErrorReply", readCode(pt57ReadAnalogOutput, 5, 2), "% 5,5,64,2", "% 5,241",
                        kExchangeFunctionError, kUntouched},

        // Writes: codes, then every echoed value; the echo's count is not checked.
        TransactionCase{"Rd24DigitalOutputEcho", writeCode(rd24WriteDigitalOutput, 3, 4, 1), "% 3,6,17,4,1",
                        "% 3,6,17,4,1", kExchangeSuccess, kUntouched},
        TransactionCase{"EchoOfOtherValue", writeCode(rd24WriteDigitalOutput, 3, 4, 1), "% 3,6,17,4,1", "% 3,6,17,4,0",
                        kExchangeValueCompareError, kUntouched},
        TransactionCase{"EchoWithoutValues", writeCode(rd24WriteDigitalOutput, 3, 4, 1), "% 3,6,17,4,1", "% 3,6,17,4",
                        kExchangeValueAmountError, kUntouched},
        TransactionCase{"AnalogOutputEchoWithoutValue", writeCode(rd24WriteAnalogOutput, 1, 2, 2048), "% 1,6,64,2,2048",
                        "% 1,6,64,2", kExchangeValueAmountError, kUntouched},
        TransactionCase{"EchoWithExtraZeroValue", writeCode(rd24WriteDigitalOutput, 3, 4, 1), "% 3,6,17,4,1",
                        "% 3,6,17,4,1,0", kExchangeSuccess, kUntouched},
        TransactionCase{"EchoWithExtraOtherValue", writeCode(rd24WriteDigitalOutput, 3, 4, 1), "% 3,6,17,4,1",
                        "% 3,6,17,4,1,9", kExchangeValueCompareError, kUntouched},
        TransactionCase{"WriteFunctionFirst", writeCode(rd24WriteDigitalOutput, 3, 4, 1), "% 3,6,17,4,1", "% 3,5,18,5,0",
                        kExchangeFunctionError, kUntouched},
        TransactionCase{"WriteCommandBeforeValue", writeCode(rd24WriteDigitalOutput, 3, 4, 1), "% 3,6,17,4,1",
                        "% 3,6,18,4,0", kExchangeCommandError, kUntouched},
        TransactionCase{"WriteChannelBeforeValue", writeCode(rd24WriteDigitalOutput, 3, 4, 1), "% 3,6,17,4,1",
                        "% 3,6,17,5,0", kExchangeChannelError, kUntouched},
        TransactionCase{"Pt57DigitalOutputCommand", writeCode(pt57WriteDigitalOutput, 3, 6, 1), "% 3,6,32,6,1",
                        "% 3,6,32,6,1", kExchangeSuccess, kUntouched},
        TransactionCase{"Pt57DigitalOutputRd24Echo", writeCode(pt57WriteDigitalOutput, 3, 6, 1), "% 3,6,32,6,1",
                        "% 3,6,17,6,1", kExchangeCommandError, kUntouched},
        TransactionCase{"Rd24AnalogOutputEcho", writeCode(rd24WriteAnalogOutput, 1, 0, 2048), "% 1,6,64,0,2048",
                        "% 1,6,64,0,2048", kExchangeSuccess, kUntouched},
        TransactionCase{"AnalogOutputReadOnly", writeCode(rd24WriteAnalogOutput, 1, 0, 2048), "% 1,6,64,0,2048",
                        "% 1,243", kExchangeFunctionError, kUntouched},
        TransactionCase{"Pt57AnalogOutputEcho", writeCode(pt57WriteAnalogOutput, 3, 7, 4095), "% 3,6,64,7,4095",
                        "% 3,6,64,7,4095", kExchangeSuccess, kUntouched},
        // The wire cannot carry 40000 and sends 0 instead; the echo must not pass.
        TransactionCase{"CodeBeyondTheWire", writeCode(pt57WriteAnalogOutput, 3, 0, 40000), "% 3,6,64,0,0",
                        "% 3,6,64,0,0", kExchangeValueCompareError, kUntouched}),
    [](const testing::TestParamInfo<TransactionCase>& info) { return std::string(info.param.label); });

TEST_F(Line, SilentDeviceTimesOutAfterTheBudgetAndThePause) {
    answer("% 5,5,48,2", nullptr);
    std::int32_t raw = 99;
    const auto start = Clock::now();
    const ExchangeStatus status = rd24ReadAnalogInput(link, 5, 2, raw);
    const auto took = Clock::now() - start;
    EXPECT_EQ(requestSeen(), frameBytes("% 5,5,48,2"));

    EXPECT_EQ(status, kExchangeTimeout);
    EXPECT_EQ(raw, 99);
    // 500 ms of exchange budget, then the 200 ms pause; a hang is the test's time-out.
    EXPECT_GE(took, 650ms);
    // One attempt: nothing more went out and one line was logged.
    EXPECT_TRUE(pair.read_quiet(100ms, 500ms).empty());
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST_F(Line, WriteTimeOutIsReportedToo) {
    answer("% 3,6,32,1,0", nullptr);
    EXPECT_EQ(pt57WriteDigitalOutput(link, 3, 1, 0), kExchangeTimeout);
    EXPECT_EQ(requestSeen(), frameBytes("% 3,6,32,1,0"));
}

TEST(NoPort, RefusedWriteIsReturnedAtOnce) {
    comport_configure(ComportSetting{});
    ASSERT_FALSE(comport_is_open());
    ZumLink link(comport_port());
    std::uint8_t state = 0x5A;
    EXPECT_EQ(pt57ReadDigital(link, 3, state), kExchangeWriteFault);
    EXPECT_EQ(state, 0x5A);
    EXPECT_EQ(rd24WriteAnalogOutput(link, 3, 0, 1), kExchangeWriteFault);
}

TEST_F(Line, ReadHandsBackTheReplyRecord) {
    // A request to ID 254 takes any device's reply, as detection needs.
    answer("% 254,5,48,1", "% 8,5,48,1,12");
    QlpCommand request{.valueCount = 0, .id = 254, .function = 5, .command = 48, .channel = 1};
    QlpCommand reply;
    EXPECT_EQ(qlpRead(link, request, 1, reply), kExchangeSuccess);
    EXPECT_EQ(reply.id, 8u);
    EXPECT_EQ(reply.valueCount, 1);
    EXPECT_EQ(reply.values[0], 12);
}

} // namespace
