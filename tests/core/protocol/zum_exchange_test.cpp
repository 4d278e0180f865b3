// The exchange over a pseudo-terminal: a scripted device answers on the far end
// while a receive loop runs the read filter, as the receive thread does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/protocol/zum_codec.h"
#include "core/protocol/zum_exchange.h"
#include "core/serial/comport.h"
#include "support/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class RecordingLog : public LinkLogSink {
public:
    struct Line {
        bool tagged;
        std::uint32_t id;
        std::string text;
    };
    void AddIdLine(std::uint32_t id, const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back({true, id, text});
    }
    void AddLine(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back({false, 0, text});
    }
    std::vector<Line> lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    std::vector<Line> tagged() const {
        std::vector<Line> out;
        for (const Line& l : lines())
            if (l.tagged) out.push_back(l);
        return out;
    }
    std::vector<std::string> untagged() const {
        std::vector<std::string> out;
        for (const Line& l : lines())
            if (!l.tagged) out.push_back(l.text);
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Line> lines_;
};

// Runs the link's read filter in a loop like the receive thread; can be held still.
class ReceiveLoop {
public:
    explicit ReceiveLoop(ZumLink& link) {
        thread_ = std::thread([this, &link] {
            std::uint8_t out[2048];
            while (!stop_) {
                if (!enabled_) {
                    std::this_thread::sleep_for(1ms);
                    continue;
                }
                link.port().WaitReadable(1, nullptr);
                const std::int32_t n = link.ReadFilter(out);
                if (n > 0) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    unknown_.append(reinterpret_cast<const char*>(out), static_cast<std::size_t>(n));
                }
            }
        });
    }
    ~ReceiveLoop() {
        stop_ = true;
        thread_.join();
    }
    void enable(bool on) { enabled_ = on; }
    std::string unknown() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return unknown_;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> enabled_{true};
    mutable std::mutex mutex_;
    std::string unknown_;
    std::thread thread_;
};

std::string nulFrame(const std::string& text) { return text + std::string(1, '\0'); }

QlpCommand analogueRead() {
    QlpCommand c{.valueCount = 0, .id = 5, .function = 5, .command = 48, .channel = 2};
    return c;
}

class Exchange : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pair.ok());
        ASSERT_TRUE(folder.link(1, pair));
        setting.port = 1;
        ASSERT_TRUE(comport_configure(setting)) << comport_status_text();
        link.Flush();
        link.SetLinkLog(&log);
    }
    void TearDown() override {
        stopDevice();
        receiver.reset();
        link.SetLinkLog(nullptr);
        comport_close(setting);
    }

    // The far end: waits for one request and runs the script with what it read.
    void device(std::function<void(const std::vector<std::uint8_t>&)> script) {
        device_thread = std::thread([this, script] {
            std::vector<std::uint8_t> request = pair.read_exactly(nulFrame("% 5,5,48,2").size(), 3000ms);
            script(request);
        });
    }
    void stopDevice() {
        if (device_thread.joinable()) device_thread.join();
    }
    void startReceiving() { receiver = std::make_unique<ReceiveLoop>(link); }

    PtyPair pair;
    ComPortFolder folder;
    ComportSetting setting;
    ZumLink link{comport_port()};
    RecordingLog log;
    std::unique_ptr<ReceiveLoop> receiver;
    std::thread device_thread;
};

TEST_F(Exchange, ReplyIsTakenAndLogged) {
    startReceiving();
    std::vector<std::uint8_t> seen;
    device([&](const std::vector<std::uint8_t>& request) {
        seen = request;
        pair.write(nulFrame("% 5,5,48,2,1234"));
    });
    QlpCommand reply;
    std::string message;
    const ExchangeStatus status = link.Exchange(analogueRead(), reply, message, 500);
    stopDevice();

    EXPECT_EQ(status, kExchangeSuccess);
    EXPECT_EQ(message, "Success.");
    const std::string wire = nulFrame("% 5,5,48,2");
    EXPECT_EQ(seen, std::vector<std::uint8_t>(wire.begin(), wire.end()));
    QlpCommand expected = analogueRead();
    expected.valueCount = 1;
    expected.values[0] = 1234;
    EXPECT_EQ(reply, expected);
    const auto lines = log.tagged();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].id, 5u);
    EXPECT_TRUE(std::regex_match(lines[0].text,
                                 std::regex(R"(Success\.  Send % 5,5,48,2     Reply % 5,5,48,2,1234    \d+mS)")))
        << lines[0].text;
    EXPECT_TRUE(log.untagged().empty());
}

TEST_F(Exchange, ErrorReplyGivesItsText) {
    startReceiving();
    device([&](const std::vector<std::uint8_t>&) { pair.write(nulFrame("% 5,241")); });
    QlpCommand reply;
    std::string message;
    EXPECT_EQ(link.Exchange(analogueRead(), reply, message, 500), kExchangeFunctionError);
    stopDevice();
    EXPECT_EQ(message, "Function Code Reply Error! = Offline");
    EXPECT_EQ(reply.function, 0xF1);
    const auto lines = log.tagged();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        lines[0].text,
        std::regex(R"(Function Code Reply Error! = Offline  Send % 5,5,48,2     Reply % 5,241,0,0    \d+mS)")))
        << lines[0].text;
}

TEST_F(Exchange, NoReplyTimesOutAfterTheBudget) {
    startReceiving();
    QlpCommand reply = analogueRead();
    const QlpCommand before = reply;
    std::string message;
    const auto start = Clock::now();
    EXPECT_EQ(link.Exchange(analogueRead(), reply, message, 500), kExchangeTimeout);
    const auto took = Clock::now() - start;
    EXPECT_EQ(message, "Timeout!");
    EXPECT_EQ(reply, before);
    EXPECT_GE(took, 500ms); // never early; a hang is the test's time-out
    const auto lines = log.tagged();
    ASSERT_EQ(lines.size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0].text, m, std::regex(R"(Timeout!  Send % 5,5,48,2     (\d+)mS)")))
        << lines[0].text;
    EXPECT_GE(std::stoi(m[1]), 500);
}

TEST_F(Exchange, WriteRefusedWithoutPort) {
    ComportSetting none;
    none.port = 0;
    comport_configure(none);
    QlpCommand reply;
    std::string message;
    EXPECT_EQ(link.Exchange(analogueRead(), reply, message, 500), kExchangeWriteFault);
    EXPECT_EQ(message, "None Com Setup.");
    const auto lines = log.tagged();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].id, 5u);
    EXPECT_EQ(lines[0].text, "None Com Setup.");
}

TEST_F(Exchange, SendAloneWritesTheFrame) {
    std::string message = "stale";
    QlpCommand request = analogueRead();
    request.valueCount = 1;
    request.function = 6;
    request.values[0] = -1;
    EXPECT_EQ(link.Send(request, message), kExchangeSuccess);
    EXPECT_EQ(message, "");
    const std::string wire = nulFrame("% 5,6,48,2,65535");
    EXPECT_EQ(pair.read_exactly(wire.size()), std::vector<std::uint8_t>(wire.begin(), wire.end()));
    EXPECT_TRUE(log.lines().empty());
}

// A USB adapter delivers a reply in pieces a few ms apart.
TEST_F(Exchange, ReplySplitAcrossReadsIsStillCaught) {
    startReceiving();
    device([&](const std::vector<std::uint8_t>&) {
        pair.write("% 5,5,4");
        std::this_thread::sleep_for(10ms);
        pair.write(nulFrame("8,2,77"));
    });
    QlpCommand reply;
    std::string message;
    EXPECT_EQ(link.Exchange(analogueRead(), reply, message, 500), kExchangeSuccess);
    stopDevice();
    EXPECT_EQ(reply.values[0], 77);
    EXPECT_EQ(receiver->unknown(), "");
}

TEST_F(Exchange, StaleBytesInThePortAreDropped) {
    startReceiving();
    receiver->enable(false);
    pair.write(nulFrame("% 5,5,48,2,999"));
    std::this_thread::sleep_for(50ms); // let the stale reply reach the port's queue
    device([&](const std::vector<std::uint8_t>&) {
        receiver->enable(true);
        pair.write(nulFrame("% 5,5,48,2,1234"));
    });
    QlpCommand reply;
    std::string message;
    EXPECT_EQ(link.Exchange(analogueRead(), reply, message, 500), kExchangeSuccess);
    stopDevice();
    EXPECT_EQ(reply.values[0], 1234);
}

TEST_F(Exchange, LeftoverBytesReachTheMonitorAndTheCaller) {
    startReceiving();
    pair.write("ab\r\n");
    const auto deadline = Clock::now() + 3s;
    while (log.untagged().empty() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    ASSERT_EQ(log.untagged().size(), 1u);
    EXPECT_EQ(log.untagged()[0], "ZUM Filter Unknow Receive Data 4 ,ab<CR><LF>");
    EXPECT_EQ(receiver->unknown(), "ab\r\n");
}

TEST_F(Exchange, UnfinishedFrameReachesTheMonitorAfterItsExpiry) {
    startReceiving();
    pair.write("% 5,5");
    const auto deadline = Clock::now() + 3s;
    while (log.untagged().empty() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    ASSERT_EQ(log.untagged().size(), 1u);
    EXPECT_EQ(log.untagged()[0], "ZUM Filter Unknow Receive Data 5 ,% 5,5");
}

TEST_F(Exchange, FlushDropsAHeldPiece) {
    startReceiving();
    pair.write("% 5,5");
    std::this_thread::sleep_for(20ms);
    link.Flush();
    std::this_thread::sleep_for(150ms); // well past the 50 ms a held piece may wait
    EXPECT_TRUE(log.untagged().empty());
    EXPECT_EQ(receiver->unknown(), "");
}

// What reaches the program after the request, and what the exchange makes of it.
struct FarEndCase {
    const char* name;
    QlpCommand request;
    bool echo;                        // the adapter sends the request straight back
    std::vector<std::string> writes;  // then these, each its own write (frames end in '\0')
    ExchangeStatus status;
    std::int32_t value;               // the reply's first value, when one was taken
    std::vector<std::uint32_t> strays; // IDs of the listed replies from other devices
};

class FarEnd : public Exchange, public testing::WithParamInterface<FarEndCase> {};

QlpCommand request(std::int32_t valueCount, std::uint32_t id, std::uint8_t function, std::int32_t value = 0) {
    QlpCommand c{.valueCount = valueCount, .id = id, .function = function, .command = 48, .channel = 2};
    c.values[0] = value;
    return c;
}

TEST_P(FarEnd, OnlyTheAddresseesReplyCounts) {
    const FarEndCase& c = GetParam();
    startReceiving();
    const std::vector<std::uint8_t> wire = qlpEncodeText(c.request);
    device_thread = std::thread([&] {
        const std::vector<std::uint8_t> heard = pair.read_exactly(wire.size(), 3000ms);
        if (c.echo) pair.write(heard);
        for (const std::string& w : c.writes) {
            std::this_thread::sleep_for(10ms);
            pair.write(w);
        }
    });
    QlpCommand reply;
    std::string message;
    EXPECT_EQ(link.Exchange(c.request, reply, message, 500), c.status) << message;
    stopDevice();
    if (c.status == kExchangeSuccess) {
        EXPECT_EQ(reply.values[0], c.value);
    }
    std::vector<std::uint32_t> strays;
    for (const auto& line : log.tagged())
        if (line.text.starts_with("Reply From Other ID  Send ")) strays.push_back(line.id);
    EXPECT_EQ(strays, c.strays);
}

const std::string kFrom9 = nulFrame("% 9,5,48,2,111");
const std::string kFrom5 = nulFrame("% 5,5,48,2,555");

INSTANTIATE_TEST_SUITE_P(
    Replies, FarEnd,
    testing::Values(
        FarEndCase{"OtherIdIsNoReply", request(0, 5, 5), false, {kFrom9}, kExchangeTimeout, 0, {9}},
        FarEndCase{"OtherIdThenTheAddressee", request(0, 5, 5), false, {kFrom9, kFrom5}, kExchangeSuccess, 555, {9}},
        FarEndCase{"BothInOneRead", request(0, 5, 5), false, {kFrom9 + kFrom5}, kExchangeSuccess, 555, {9}},
        FarEndCase{"OtherIdErrorReplyIsNoReply", request(0, 5, 5), false, {nulFrame("% 9,241")}, kExchangeTimeout,
                   0, {9}},
        FarEndCase{"Id254TakesAnyDevice", request(0, 254, 5), false, {kFrom9}, kExchangeSuccess, 111, {}},
        FarEndCase{"Id255TakesAnyDevice", request(0, 255, 5), false, {kFrom9}, kExchangeSuccess, 111, {}},
        FarEndCase{"EchoThenReply", request(0, 5, 5), true, {kFrom5}, kExchangeSuccess, 555, {}},
        // Alone, the repeat may be a device answering without a value: the read's checks decide.
        FarEndCase{"EchoAloneIsTheRepeat", request(0, 5, 5), true, {}, kExchangeSuccess, 0, {}},
        FarEndCase{"WriteEchoThenRepeat", request(1, 5, 6, 7), true, {nulFrame("% 5,6,48,2,7")}, kExchangeSuccess,
                   7, {}},
        FarEndCase{"WriteConfirmedByRepeat", request(1, 5, 6, 7), false, {nulFrame("% 5,6,48,2,7")},
                   kExchangeSuccess, 7, {}},
        FarEndCase{"GarbledValueIsCodeError", request(0, 5, 5), false, {nulFrame("% 5,5,48,2,70000")},
                   kExchangeFunctionError, 0, {}}),
    [](const testing::TestParamInfo<FarEndCase>& info) { return std::string(info.param.name); });

// Once a read has shown that the line echoes, a write that only comes back as
// its echo is no confirmation.
TEST_F(Exchange, EchoingLineNeverConfirmsAWriteByItsEcho) {
    startReceiving();
    const QlpCommand read = request(0, 5, 5);
    const QlpCommand write = request(1, 5, 6, 7);
    device_thread = std::thread([&] {
        pair.write(pair.read_exactly(qlpEncodeText(read).size(), 3000ms));
        pair.write(kFrom5);
        pair.write(pair.read_exactly(qlpEncodeText(write).size(), 3000ms)); // the device is gone
    });
    QlpCommand reply;
    std::string message;
    EXPECT_EQ(link.Exchange(read, reply, message, 500), kExchangeSuccess);
    EXPECT_EQ(link.Exchange(write, reply, message, 500), kExchangeTimeout);
    stopDevice();
}

TEST_F(Exchange, BackToBackExchangesEachGetTheirReply) {
    startReceiving();
    device_thread = std::thread([this] {
        for (int i = 0; i < 20; ++i) {
            if (pair.read_exactly(nulFrame("% 5,5,48,2").size(), 3000ms).empty()) return;
            pair.write(nulFrame("% 5,5,48,2," + std::to_string(i)));
        }
    });
    for (int i = 0; i < 20; ++i) {
        QlpCommand reply;
        std::string message;
        ASSERT_EQ(link.Exchange(analogueRead(), reply, message, 500), kExchangeSuccess) << i;
        ASSERT_EQ(reply.values[0], i);
    }
    stopDevice();
    EXPECT_EQ(log.tagged().size(), 20u);
}

} // namespace
