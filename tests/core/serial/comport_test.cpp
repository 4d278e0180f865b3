// The driver over pseudo-terminal pairs linked as COM ports.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "core/serial/comport.h"
#include "support/pty_pair.h"
#include "support/bytes.h"

namespace {

using namespace std::chrono_literals;

ComportSetting com(int port, std::int32_t baud = 115200, int fix = 0) {
    ComportSetting s;
    s.port = port;
    s.baudrate = baud;
    s.fixrate = fix;
    return s;
}

class ComportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(far.ok());
        ASSERT_TRUE(ports.link(1, far));
    }
    void TearDown() override {
        ComportSetting current;
        comport_get_setting(current);
        comport_configure(com(0)); // leaves nothing open for the next test
    }

    PtyPair far;
    ComPortFolder ports;
};

TEST_F(ComportTest, ConfigureNoneClosesTheOpenPortAndKeepsTheReportedOne) {
    ASSERT_TRUE(comport_configure(com(1)));
    EXPECT_TRUE(comport_is_open());
    EXPECT_TRUE(comport_configure(com(0)));
    EXPECT_EQ(comport_status(), kComportNoneSetup);
    EXPECT_EQ(comport_status_text(), "None Com Setup.");
    EXPECT_FALSE(comport_is_open());
    // COM1 is still the reported port: closing it is allowed, and finds nothing open.
    EXPECT_FALSE(comport_close(com(1)));
    EXPECT_EQ(comport_status(), kComportInvalidHandle);
}

TEST_F(ComportTest, FailedConfigureLeavesNoPortOpen) {
    ASSERT_TRUE(ports.link(9, ports.ports_folder() + "/no-such-device"));
    ASSERT_TRUE(comport_configure(com(1)));
    EXPECT_FALSE(comport_configure(com(9)));
    EXPECT_EQ(comport_status(), kComportInvalidHandle);
    EXPECT_EQ(comport_status_text(), "Invalid Handle Value!");
    EXPECT_FALSE(comport_is_open());
    EXPECT_NE(comport_last_error(), 0u);
}

TEST_F(ComportTest, CloseChecksThePortAgainstTheLastConfigured) {
    ASSERT_TRUE(comport_configure(com(1)));
    EXPECT_FALSE(comport_close(com(2)));
    EXPECT_EQ(comport_status_text(), "Set Com Error!");
    EXPECT_TRUE(comport_is_open());
    EXPECT_TRUE(comport_close(com(1)));
    EXPECT_EQ(comport_status_text(), "");
    EXPECT_FALSE(comport_is_open());
    // The closed port's setting is now the reported one: port 0, with nothing open.
    EXPECT_FALSE(comport_close(com(1)));
    EXPECT_EQ(comport_status_text(), "Set Com Error!");
    EXPECT_FALSE(comport_close(com(0)));
    EXPECT_EQ(comport_status_text(), "Invalid Handle Value!");
}

TEST_F(ComportTest, CloseWithNothingOpenIsAnInvalidHandle) {
    EXPECT_FALSE(comport_close(com(0)));
    EXPECT_EQ(comport_status(), kComportInvalidHandle);
}

TEST_F(ComportTest, LineSettingsThatTheUartCannotDoAreRefused) {
    struct Case {
        const char* name;
        int databits;
        int stopbits;
        bool ok;
    } cases[] = {
        {"four data bits", 4, 0, false},
        {"one and a half stop bits with eight data bits", 8, 1, false},
        {"one and a half stop bits with five data bits", 5, 1, true},
        {"two stop bits", 8, 2, true},
        {"seven data bits", 7, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComportSetting s = com(1);
        s.databits = static_cast<std::uint8_t>(c.databits);
        s.stopbits = static_cast<std::uint8_t>(c.stopbits);
        EXPECT_EQ(comport_configure(s), c.ok);
        EXPECT_EQ(comport_status(), c.ok ? kComportSuccess : kComportSetError);
        EXPECT_EQ(comport_is_open(), c.ok);
    }
}

TEST_F(ComportTest, ProgrammedRateIncludesTheFixRate) {
    struct Case {
        std::int32_t baud;
        int fix;
        std::uint32_t programmed;
    } cases[] = {
        {115200, 3, 118656}, {9600, 1, 9696}, {9600, 0, 9600}, {57600, -30, 40320}, {19200, 0, 19200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        ASSERT_TRUE(comport_configure(com(1, c.baud, c.fix)));
        EXPECT_EQ(far.programmed_rate(), c.programmed);
        ComportSetting current;
        comport_get_setting(current);
        EXPECT_EQ(current.baudrate, c.baud); // the nominal rate is what is kept
        EXPECT_EQ(current.fixrate, c.fix);
    }
}

TEST_F(ComportTest, SendRefusals) {
    std::uint8_t byte = 'A';
    EXPECT_FALSE(comport_send_string(&byte, 1));
    EXPECT_EQ(comport_status_text(), "None Com Setup.");
    ASSERT_TRUE(comport_configure(com(1)));
    EXPECT_FALSE(comport_send_string(&byte, 0));
    EXPECT_EQ(comport_status_text(), "Send Empty String");
    EXPECT_FALSE(comport_send_string(&byte, -1));
    EXPECT_EQ(comport_status_text(), "Send String Error!");
    EXPECT_TRUE(far.read_quiet(30ms).empty());
}

TEST_F(ComportTest, SevenBitParityChangesTheCallersBytes) {
    struct Case {
        const char* name;
        int databits;
        int parity;
        std::uint8_t in;
        std::uint8_t out;
    } cases[] = {
        {"7E sets bit 7 on an odd count", 7, 2, 0x31, 0xB1},
        {"7O leaves an odd count", 7, 1, 0x31, 0x31},
        {"7O sets bit 7 on an even count", 7, 1, 0x30, 0xB0},
        {"8 data bits leave the byte", 8, 2, 0x31, 0x31},
        {"7 bits without parity leave the byte", 7, 0, 0x31, 0x31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComportSetting s = com(1);
        s.databits = static_cast<std::uint8_t>(c.databits);
        s.parity = static_cast<std::uint8_t>(c.parity);
        ASSERT_TRUE(comport_configure(s)) << comport_status_text() << " errno " << comport_last_error();
        std::uint8_t bytes[2] = {c.in, c.in};
        ASSERT_TRUE(comport_send_string(bytes, 2));
        EXPECT_EQ(bytes[0], c.out);
        EXPECT_EQ(far.read_exactly(2), std::vector<std::uint8_t>({c.out, c.out}));
    }
}

TEST_F(ComportTest, ReceiveStripsBitSevenWithSevenBitParity) {
    ComportSetting s = com(1);
    s.databits = 7;
    s.parity = 2;
    ASSERT_TRUE(comport_configure(s));
    ASSERT_TRUE(far.write(std::string("\xB1\x32", 2)));
    std::this_thread::sleep_for(20ms);
    std::uint8_t buffer[kComportReceiveMax];
    ASSERT_EQ(comport_receive_string(buffer, 2), 2);
    EXPECT_EQ(buffer[0], 0x31);
    EXPECT_EQ(buffer[1], 0x32);
}

TEST_F(ComportTest, SendPurgesNothing) {
    ASSERT_TRUE(comport_configure(com(1)));
    ASSERT_TRUE(far.write("unread"));
    std::this_thread::sleep_for(20ms);
    std::uint8_t out[] = {'x'};
    ASSERT_TRUE(comport_send_string(out, 1));
    std::uint8_t buffer[kComportReceiveMax];
    ASSERT_EQ(comport_receive_string(buffer, 2), 6);
    EXPECT_EQ(std::memcmp(buffer, "unread", 6), 0);
}

TEST_F(ComportTest, ReceiveReturnsAtOnceWhenNothingIsQueued) {
    ASSERT_TRUE(comport_configure(com(1)));
    std::uint8_t buffer[kComportReceiveMax];
    // A quiet wait of 100,000 polls would outlast the test's time-out: returning at
    // all says the wait never began.
    EXPECT_EQ(comport_receive_string(buffer, 100000), 0);
}

TEST_F(ComportTest, ABurstIsCutAtTheBufferSize) {
    ASSERT_TRUE(comport_configure(com(1)));
    std::string burst(3000, '\0');
    for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(far.write(burst));
    std::this_thread::sleep_for(50ms);
    std::uint8_t buffer[kComportReceiveMax];
    ASSERT_EQ(comport_receive_string(buffer, 2), 2048);
    EXPECT_EQ(std::memcmp(buffer, burst.data(), 2048), 0);
    ASSERT_EQ(comport_receive_string(buffer, 2), 952);
    EXPECT_EQ(std::memcmp(buffer, burst.data() + 2048, 952), 0);
}

TEST_F(ComportTest, CloseLetsOutputAlreadyWrittenLeaveFirst) {
    ASSERT_TRUE(comport_configure(com(1)));
    Bytes sent(8000);
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i % 251);
    Bytes copy = sent;
    ASSERT_TRUE(comport_send_string(copy.data(), static_cast<std::int32_t>(copy.size())));
    // The far end reads only after the close: nothing written may be thrown away.
    ASSERT_TRUE(comport_close(com(1)));
    const Bytes got = far.read_exactly(sent.size());
    ASSERT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent);
}

TEST_F(ComportTest, UnpluggedPortReportsOneFaultAndFailsSends) {
    ASSERT_TRUE(comport_configure(com(1)));
    far.close_far_end();
    std::uint8_t buffer[kComportReceiveMax];
    EXPECT_EQ(comport_receive_string(buffer, 2), 0);
    comport_wait_readable(5);
    EXPECT_EQ(comport_take_receive_fault(), EIO);
    EXPECT_EQ(comport_take_receive_fault(), 0);
    // A failed port no longer reports, and an idle wait on it sleeps instead of spinning.
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(comport_receive_string(buffer, 2), 0);
        comport_wait_readable(5);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_EQ(comport_take_receive_fault(), 0);

    std::uint8_t out[] = {'x'};
    EXPECT_FALSE(comport_send_string(out, 1));
    EXPECT_EQ(comport_status_text(), "Send String Error!");
    EXPECT_NE(comport_last_error(), 0u);
}

// Block `seq` of sender `sender`, 64 to 512 bytes: sender, sequence and length in
// a header, then bytes that differ per sender and block.
std::vector<std::uint8_t> numbered_block(int sender, int seq) {
    const int length = 64 + (seq * 97 + sender * 211) % 449;
    std::vector<std::uint8_t> b(static_cast<std::size_t>(length));
    b[0] = static_cast<std::uint8_t>(sender);
    b[1] = static_cast<std::uint8_t>(seq);
    b[2] = static_cast<std::uint8_t>(length >> 8);
    b[3] = static_cast<std::uint8_t>(length);
    for (int i = 4; i < length; ++i) b[i] = static_cast<std::uint8_t>(sender * 128 + (seq + i) % 128);
    return b;
}

TEST_F(ComportTest, TwoSendersNeverInterleaveTheirBlocks) {
    ASSERT_TRUE(comport_configure(com(1)));
    constexpr int kBlocks = 200; // far more than the pseudo-terminal holds, so writes go out in parts
    std::size_t total = 0;
    for (int sender = 0; sender < 2; ++sender)
        for (int seq = 0; seq < kBlocks; ++seq) total += numbered_block(sender, seq).size();
    std::atomic<int> failed_sends{0};
    auto send_all = [&](int sender) {
        for (int seq = 0; seq < kBlocks; ++seq) {
            std::vector<std::uint8_t> b = numbered_block(sender, seq);
            if (!comport_send_string(b.data(), static_cast<std::int32_t>(b.size()))) ++failed_sends;
        }
    };
    std::thread first(send_all, 0);
    std::thread second(send_all, 1);
    const std::vector<std::uint8_t> got = far.read_exactly(total, 10s);
    first.join();
    second.join();
    EXPECT_EQ(failed_sends.load(), 0);
    ASSERT_EQ(got.size(), total);
    int next[2] = {0, 0};
    for (std::size_t at = 0; at < got.size();) {
        const int sender = got[at];
        ASSERT_LT(sender, 2) << "at byte " << at;
        const std::vector<std::uint8_t> want = numbered_block(sender, next[sender]++);
        ASSERT_LE(at + want.size(), got.size());
        ASSERT_TRUE(std::equal(want.begin(), want.end(), got.begin() + static_cast<std::ptrdiff_t>(at)))
            << "block " << next[sender] - 1 << " of sender " << sender << " at byte " << at << " is not whole";
        at += want.size();
    }
    EXPECT_EQ(next[0], kBlocks);
    EXPECT_EQ(next[1], kBlocks);
}

// A close (or a configure with no port) while a collection is still gathering a
// burst ends that collection with the bytes it has, before the burst is over.
TEST_F(ComportTest, ClosingEndsACollectionInProgress) {
    struct Case {
        const char* name;
        bool (*close)();
    } cases[] = {
        {"close", [] { return comport_close(com(1)); }},
        {"configure None", [] { return comport_configure(com(0)); }},
    };
    auto queued = [&] { // bytes waiting on the program's side of the line
        int n = 0;
        ioctl(far.slave(), FIONREAD, &n);
        return n;
    };
    auto wait_for = [](auto condition) {
        for (auto end = std::chrono::steady_clock::now() + 5s; !condition();) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    };
    constexpr int kHead = 100;
    auto pattern = [](int i) { return static_cast<char>('a' + i % 26); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(comport_configure(com(1)));
        std::string head;
        for (int i = 0; i < kHead; ++i) head += pattern(i);
        ASSERT_TRUE(far.write(head));
        ASSERT_TRUE(wait_for([&] { return queued() >= kHead; }));
        std::uint8_t buffer[kComportReceiveMax];
        std::int32_t received = -1;
        std::thread receiver([&] { received = comport_receive_string(buffer, 10000); });
        // Then one byte a millisecond: never quiet for the collection's 10 s, and
        // two seconds at least before it could fill the buffer.
        std::atomic<bool> stop{false};
        std::thread device([&] {
            for (int i = kHead; i < 20 * kComportReceiveMax && !stop; ++i) {
                far.write(std::string(1, pattern(i)));
                std::this_thread::sleep_for(1ms);
            }
        });
        // Only the receive call takes bytes off the line: once some are gone, it collects.
        EXPECT_TRUE(wait_for([&] { return queued() < kHead; }));
        EXPECT_TRUE(c.close());
        receiver.join();
        stop = true;
        device.join();
        EXPECT_GE(received, kHead);
        EXPECT_LT(received, kComportReceiveMax); // cut by the close, not by the buffer size
        for (std::int32_t i = 0; i < received; ++i) ASSERT_EQ(buffer[i], pattern(i)) << i;
        EXPECT_FALSE(comport_is_open());
        far.drain();
    }
}

TEST_F(ComportTest, IdleWaitWithNoPortWakesWhenAPortOpens) {
    std::atomic<bool> waiting{false};
    // Far beyond the test's time-out: only the open (and the byte) can end this wait.
    std::thread receiver([&] {
        waiting = true;
        comport_wait_readable(600000);
    });
    while (!waiting) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(comport_configure(com(1)));
    // If the wait looked at the port after the open, this byte ends it.
    ASSERT_TRUE(far.write("x"));
    receiver.join();
}

TEST_F(ComportTest, WaitsAfterAReopenWatchTheNewPort) {
    PtyPair second;
    ASSERT_TRUE(second.ok());
    ASSERT_TRUE(ports.link(2, second));
    ASSERT_TRUE(comport_configure(com(1)));
    comport_wait_readable(1); // this thread has now waited on COM1
    // COM1's descriptor number is free again when COM2 opens, and is likely its number.
    ASSERT_TRUE(comport_configure(com(2)));
    ASSERT_TRUE(second.write("x"));
    const auto start = std::chrono::steady_clock::now();
    comport_wait_readable(20000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s) << "the byte on COM2 did not end the wait";
    std::uint8_t buffer[kComportReceiveMax];
    EXPECT_EQ(comport_receive_string(buffer, 0), 1);
}

// Waits hear of new bytes once each; input a wait told of and nobody read must still
// end the next wait, and bytes after a read that took everything must end one too.
TEST_F(ComportTest, AWaitEndsForInputStillQueuedAndForInputAfterADrain) {
    ASSERT_TRUE(comport_configure(com(1)));
    std::uint8_t buffer[kComportReceiveMax];
    auto wait_ends = [](const char* what) {
        const auto start = std::chrono::steady_clock::now();
        comport_wait_readable(5000);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4s) << what;
    };
    ASSERT_TRUE(far.write("x"));
    wait_ends("the first byte");
    wait_ends("the byte still queued, asked again");
    EXPECT_EQ(comport_receive_string(buffer, 0), 1);
    ASSERT_TRUE(far.write("yz"));
    wait_ends("bytes after the queue was read empty");
    EXPECT_EQ(comport_receive_string(buffer, 0), 2);
}

TEST(ComportPaths, PortsFolderLinkWinsOverTheSerialDevice) {
    ComPortFolder ports;
    EXPECT_EQ(comport_device_path(3), "/dev/ttyS2");
    ASSERT_TRUE(ports.link(3, "/dev/null"));
    EXPECT_EQ(comport_device_path(3), ports.ports_folder() + "/com3");
    EXPECT_TRUE(comport_device_present(3));
    ASSERT_TRUE(ports.link(4, "/nonexistent/tty"));
    EXPECT_FALSE(comport_device_present(4)) << "a link to nothing";
    EXPECT_FALSE(comport_device_present(0));
}

// A relative XDG_CONFIG_HOME or HOME would put the folder under whatever the working
// folder is: such a value is ignored, and without an absolute one there is no folder.
TEST(ComportPaths, PortsFolderComesFromAnAbsoluteBaseOnly) {
    struct Variable {
        const char* name;
        std::optional<std::string> old;
    } saved[] = {{"XDG_CONFIG_HOME", {}}, {"HOME", {}}};
    for (Variable& v : saved)
        if (const char* value = std::getenv(v.name)) v.old = value;
    struct Case {
        const char* xdg; // nullptr: unset
        const char* home;
        std::string folder;
    } cases[] = {{"/x", "/h", "/x/benchlink/ports"},
                 {"relative/x", "/h", "/h/.config/benchlink/ports"},
                 {"", "/h", "/h/.config/benchlink/ports"},
                 {nullptr, "/h", "/h/.config/benchlink/ports"},
                 {"relative/x", nullptr, ""},
                 {nullptr, "relative/h", ""},
                 {nullptr, nullptr, ""}};
    for (const Case& c : cases) {
        c.xdg ? ::setenv("XDG_CONFIG_HOME", c.xdg, 1) : ::unsetenv("XDG_CONFIG_HOME");
        c.home ? ::setenv("HOME", c.home, 1) : ::unsetenv("HOME");
        EXPECT_EQ(comport_ports_folder(), c.folder) << (c.xdg ? c.xdg : "-") << " " << (c.home ? c.home : "-");
        if (c.folder.empty()) {
            EXPECT_EQ(comport_device_path(3), "/dev/ttyS2");
        }
    }
    for (const Variable& v : saved) v.old ? ::setenv(v.name, v.old->c_str(), 1) : ::unsetenv(v.name);
}

} // namespace
