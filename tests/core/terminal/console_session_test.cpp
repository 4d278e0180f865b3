// The main window's port flows, state table and message-list lines, over a pseudo-terminal.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "core/serial/comport.h"
#include "core/terminal/console_session.h"
#include "support/line_collector.h"
#include "support/pty_pair.h"

namespace {

using namespace std::chrono_literals;

class ConsoleSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(far.ok());
        ASSERT_TRUE(ports.link(1, far));
        session.SetFaultReporter([this](int error) {
            std::lock_guard lock(mutex);
            faults.push_back(error);
        });
        session.Startup();
    }

    Lines take() { return collected.Take(); }

    // Waits until `count` lines were written (the receive thread writes some).
    Lines take_when(std::size_t count) {
        for (int i = 0; i < 200 && collected.size() < count; ++i) std::this_thread::sleep_for(5ms);
        return take();
    }

    ComportSetting com1(int fix = 0) {
        ComportSetting s;
        s.port = 1;
        s.fixrate = fix;
        return s;
    }

    PtyPair far;
    ComPortFolder ports;
    std::mutex mutex;
    LineCollector collected;
    std::vector<int> faults;
    ConsoleSession session{comport_port(), collected.Sink()};
};

TEST(ConsoleSessionLifetime, ASessionThatIsGoneIsNeverCalled) {
    std::atomic<int> dispatched{0};
    {
        ConsoleSession gone(comport_port(), [](const std::string&) {});
        gone.SetDispatcher([&] { dispatched.fetch_add(1); });
        gone.Startup();
    }
    UartHandler other; // another owner's receive thread runs the registered function
    uart_handler_initialize(other);
    uart_handler_set_running(other, true);
    std::this_thread::sleep_for(30ms);
    uart_handler_finalize(other);
    EXPECT_EQ(dispatched.load(), 0);
}

TEST_F(ConsoleSessionTest, StartsWithNoPortAndNothingEnabled) {
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(session.controls(), ReceiveControls{});
    EXPECT_EQ(session.port_open(), 0);
    EXPECT_EQ(session.product().version, "V5.0.7");
}

TEST_F(ConsoleSessionTest, ConfigureReportsTheSettingsAndStartsReceiving) {
    ComportSetting s = com1(3);
    s.parity = 2;
    s.stopbits = 2;
    session.ConfigureConfirmed(s);
    EXPECT_EQ(take(), (Lines{"COM1 Configure Success.", "Buadrate = 118656", "Parity Check = Even", "Stop Bits = 2",
                             "Data Bits = 8", "", "---* Start Receive *---   "}));
    EXPECT_EQ(session.controls(), (ReceiveControls{true, false, true}));
    ASSERT_TRUE(far.write("AB\r\n"));
    EXPECT_EQ(take_when(1), Lines{"AB<CR><LF>"});
}

TEST_F(ConsoleSessionTest, ConfigureNoneSucceedsWithoutSettingLines) {
    session.ConfigureConfirmed(ComportSetting{});
    EXPECT_EQ(take(), (Lines{"None Configure Success.", "", "---* Start Receive *---   "}));
    EXPECT_EQ(session.port_open(), 1);
    EXPECT_EQ(session.receiving(), 1);
}

TEST_F(ConsoleSessionTest, FailedConfigureClosesAndDisables) {
    session.ConfigureConfirmed(com1());
    take();
    ComportSetting bad = com1();
    bad.databits = 4;
    session.ConfigureConfirmed(bad);
    EXPECT_EQ(take(), (Lines{"COM1 Configure Fault! Set Com Error!", ""}));
    EXPECT_EQ(session.controls(), ReceiveControls{});
    EXPECT_EQ(session.receiving(), 0);
}

TEST_F(ConsoleSessionTest, FailedOpenSaysWhy) {
    ASSERT_TRUE(ports.link(2, ports.ports_folder() + "/unplugged-adapter"));
    ComportSetting com2 = com1();
    com2.port = 2;
    session.ConfigureConfirmed(com2);
    EXPECT_EQ(take(), (Lines{"COM2 Configure Fault! Invalid Handle Value! (No such file or directory)", ""}));
}

// A network port says why for a fault that is no failed open too: here a server that
// takes the connection (the system accepts it into the listen queue) and never answers.
TEST_F(ConsoleSessionTest, SilentNetworkServerSaysWhy) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len), 0);
    ASSERT_TRUE(ports.address(2, "rfc2217://127.0.0.1:" + std::to_string(ntohs(a.sin_port))));
    ComportSetting com2 = com1();
    com2.port = 2;
    session.ConfigureConfirmed(com2);
    close(listener);
    EXPECT_EQ(take(), (Lines{"COM2 Configure Fault! Time Out! (the server did not answer the Telnet negotiation within 3 s)", ""}));
}

// Raw TCP sends no line settings: the session says whose they are. A bare listening
// socket takes the connection, which is all raw TCP asks of a server.
TEST_F(ConsoleSessionTest, RawTcpSaysTheSettingsAreTheServers) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len), 0);
    const std::string address = "tcp://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    ASSERT_TRUE(ports.address(2, address));
    ComportSetting com2 = com1();
    com2.port = 2;
    session.ConfigureConfirmed(com2);
    const Lines lines = take_when(8);
    close(listener);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "COM2 Configure Success.");
    EXPECT_EQ(lines[5], address + ": settings are the server's");
}

TEST_F(ConsoleSessionTest, AbortedDialogChangesNothing) {
    session.ConfigureAborted();
    EXPECT_EQ(take(), (Lines{"Comport Configure Abort!", ""}));
    EXPECT_EQ(session.port_open(), 0);
}

TEST_F(ConsoleSessionTest, StateTableTransitions) {
    session.ConfigureConfirmed(com1());
    take();
    session.StopReceive();
    EXPECT_EQ(take(), Lines{"---* Stop Receive *---   "});
    EXPECT_EQ(session.controls(), (ReceiveControls{true, true, false}));
    session.StartReceive();
    EXPECT_EQ(take(), Lines{"---* Start Receive *---   "});
    EXPECT_EQ(session.controls(), (ReceiveControls{true, false, true}));
    session.CloseFlow();
    EXPECT_EQ(take(), (Lines{"COM1 Close Success.", ""}));
    EXPECT_EQ(session.controls(), ReceiveControls{});
}

TEST_F(ConsoleSessionTest, CloseWithNoPortEverConfigured) {
    session.CloseFlow();
    EXPECT_EQ(take(), (Lines{"COM0 Close Fault! Invalid Handle Value!", ""}));
}

TEST_F(ConsoleSessionTest, StoppingDropsWhatWasAccumulated) {
    int stopped = 0;
    session.SetReceiveStopped([&] { ++stopped; });
    session.ConfigureConfirmed(com1());
    session.StopReceive();
    EXPECT_EQ(stopped, 1);
}

TEST_F(ConsoleSessionTest, UnpluggingWhileReceivingReportsOnceAndRests) {
    std::atomic<int> polls{0};
    session.SetDispatcher([&] {
        polls.fetch_add(1);
        std::uint8_t buffer[kComportReceiveMax];
        if (comport_receive_string(buffer, 2) == 0) comport_wait_readable(5);
    });
    session.ConfigureConfirmed(com1());
    take();
    far.close_far_end();
    for (int i = 0; i < 200; ++i) {
        {
            std::lock_guard lock(mutex);
            if (!faults.empty()) break;
        }
        std::this_thread::sleep_for(5ms);
    }
    int before = polls.load();
    std::this_thread::sleep_for(200ms);
    // Resting 5 ms per idle poll: a spinning loop would count in the hundreds of thousands.
    EXPECT_LT(polls.load() - before, 80);
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(faults, std::vector<int>{EIO});
    }
    session.ReceiveFault(EIO);
    EXPECT_EQ(take(), (Lines{"COM1 Receive Fault! Input/output error", "---* Stop Receive *---   "}));
    EXPECT_EQ(session.controls(), (ReceiveControls{true, true, false}));
    session.CloseFlow();
    EXPECT_EQ(take(), (Lines{"COM1 Close Success.", ""}));
}

} // namespace
