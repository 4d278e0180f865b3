#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#endif

#include <atomic>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "core/serial/comport.h"
#include "core/serial/uart_receive_thread.h"
#include "support/pty_pair.h"

namespace {

using namespace std::chrono_literals;

#if defined(_WIN32)
bool named_as_receive_thread() {
    using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);
    auto get = reinterpret_cast<GetDescription>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
    PWSTR name = nullptr;
    if (get == nullptr || FAILED(get(GetCurrentThread(), &name))) return false;
    const bool right = std::wcscmp(name, L"UartReceiveThread") == 0;
    LocalFree(name);
    return right;
}
#else
bool named_as_receive_thread() {
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    return std::strcmp(name, "UartReceiveThre") == 0; // the name's first 15 characters
}
#endif

class ReceiveThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        uart_set_receive_callback([this] {
            // The name first: a test that saw the call counted also sees the name.
            named_right = named_as_receive_thread();
            calls.fetch_add(1);
            std::this_thread::sleep_for(1ms);
        });
        uart_handler_initialize(handler);
    }
    void TearDown() override {
        uart_handler_finalize(handler);
        uart_set_receive_callback(nullptr);
    }

    UartHandler handler;
    std::atomic<int> calls{0};
    std::atomic<bool> named_right{false};
};

TEST_F(ReceiveThreadTest, SwitchingOnTwiceMakesOneThread) {
    EXPECT_TRUE(uart_handler_set_running(handler, true));
    TUartReceiveThread* first = handler.thread.get();
    EXPECT_FALSE(uart_handler_set_running(handler, true));
    EXPECT_EQ(handler.thread.get(), first);
    EXPECT_TRUE(handler.created);
    while (calls.load() == 0) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(named_right.load());
}

TEST_F(ReceiveThreadTest, SwitchingOffWhenOffTouchesNothing) {
    EXPECT_FALSE(uart_handler_set_running(handler, false));
    EXPECT_FALSE(handler.created);
    EXPECT_EQ(handler.thread, nullptr);
}

TEST_F(ReceiveThreadTest, NoCallStartsAfterAStopReturns) {
    ASSERT_TRUE(uart_handler_set_running(handler, true));
    while (calls.load() < 3) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(uart_handler_set_running(handler, false));
    int after_stop = calls.load();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(calls.load(), after_stop);
    EXPECT_FALSE(handler.created);
}

TEST_F(ReceiveThreadTest, ReinitialisingWhileRunningEndsTheOldThread) {
    ASSERT_TRUE(uart_handler_set_running(handler, true));
    uart_handler_initialize(handler);
    EXPECT_EQ(handler.thread, nullptr);
    EXPECT_TRUE(uart_handler_set_running(handler, true));
    while (calls.load() < 2) std::this_thread::sleep_for(1ms);
}

TEST_F(ReceiveThreadTest, StoppingFromInsideTheThreadEndsItAfterThatCall) {
    std::atomic<bool> stopped{false};
    uart_set_receive_callback([&] {
        if (calls.fetch_add(1) == 0) {
            uart_handler_set_running(handler, false);
            stopped = true;
        }
    });
    // Often, so a stop in the very first call (before Start has returned) is met too.
    for (int round = 0; round < 50; ++round) {
        calls = 0;
        stopped = false;
        ASSERT_TRUE(uart_handler_set_running(handler, true));
        while (!stopped.load()) std::this_thread::sleep_for(1ms);
        // The next call from this thread joins the thread that stopped itself.
        EXPECT_FALSE(uart_handler_set_running(handler, false));
        EXPECT_EQ(handler.retired, nullptr);
        EXPECT_EQ(calls.load(), 1);
    }
}

TEST_F(ReceiveThreadTest, FinalizedHookIsNotCalled) {
    ASSERT_TRUE(uart_handler_set_running(handler, true));
    uart_handler_finalize(handler);
    int after = calls.load();
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(calls.load(), after);
    EXPECT_FALSE(handler.running);
}

#if !defined(_WIN32) // the far end is a pseudo-terminal
// The receive function rests on the port with no deadline; each of these must end
// that rest (a missed one hangs the test, or leaves `ended` at 0).
TEST(ReceiveThreadWake, EachReasonEndsARestWithoutDeadline) {
    PtyPair far;
    ComPortFolder ports;
    ASSERT_TRUE(far.ok() && ports.link(1, far));
    ComportSetting com1;
    com1.port = 1;
    const std::vector<std::pair<const char*, std::function<void(UartHandler&)>>> reasons = {
        {"stop", [](UartHandler& h) { uart_handler_set_running(h, false); }},
        {"new function", [](UartHandler&) { uart_set_receive_callback([] { std::this_thread::sleep_for(1ms); }); }},
        {"work handed over", [](UartHandler&) { uart_wake_receive_thread(); }},
        {"port closed", [&](UartHandler&) { comport_close(com1); }},
        {"port reopened", [&](UartHandler&) { comport_configure(com1); }},
        {"byte arrived", [&](UartHandler&) { far.write("x"); }},
    };
    for (const auto& [name, reason] : reasons) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(comport_configure(com1));
        std::atomic<bool> waiting{false};
        std::atomic<int> ended{0};
        uart_set_receive_callback([&] {
            std::uint8_t buffer[kComportReceiveMax];
            comport_receive_string(buffer, 0);
            waiting = true;
            comport_wait_readable(kWaitNoDeadline);
            ended.fetch_add(1);
        });
        UartHandler handler;
        uart_handler_initialize(handler);
        uart_handler_set_running(handler, true);
        while (!waiting) std::this_thread::sleep_for(1ms);
        reason(handler);
        for (int i = 0; i < 2000 && ended.load() == 0; ++i) std::this_thread::sleep_for(1ms);
        EXPECT_GE(ended.load(), 1);
        uart_handler_set_running(handler, false);
        uart_handler_finalize(handler);
        uart_set_receive_callback(nullptr);
        comport_close(com1);
    }
}
#endif

} // namespace
