// Receive-side costs of the driver and the receive thread over a pseudo-terminal:
// the receive loop's wake-ups and CPU with no port open, the process's CPU while
// receiving with nothing arriving, the latency from a byte written at the far end
// to the receive call returning it, and how long a close waits for a collection
// that is still gathering a burst.
#include <sys/ioctl.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "core/serial/comport.h"
#include "core/serial/uart_receive_thread.h"
#include "support/process_cpu.h"
#include "support/pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::mutex g_mutex;
std::condition_variable g_arrived;
Clock::time_point g_returned;
std::int32_t g_count = 0;
std::atomic<long> g_polls{0};

// What the main window's receive loop does: read what one arrival brought, and rest
// on the port (no deadline, the thread's wake) when nothing came.
void receive_step() {
    g_polls.fetch_add(1);
    Port& port = comport_port();
    std::uint8_t buffer[kComportReceiveMax];
    std::int32_t n = port.Receive(buffer, 0);
    if (n == 0) {
        port.WaitReadable(kWaitNoDeadline, uart_thread_wake());
        return;
    }
    std::lock_guard lock(g_mutex);
    g_returned = Clock::now();
    g_count += n;
    g_arrived.notify_one();
}


// Times a thread of the process went to sleep: each is one wake-up later.
long voluntary_switches() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_nvcsw;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Closes the port while a collection gathers a burst of one byte a millisecond,
// which on its own would run until its buffer is full (about two seconds).
void close_during_collection(PtyPair& far, const ComportSetting& setting) {
    constexpr int kRounds = 10;
    constexpr int kHead = 100;
    auto queued = [&] {
        int n = 0;
        ioctl(far.slave(), FIONREAD, &n);
        return n;
    };
    std::vector<double> close_ms;
    std::vector<double> collected_ms;
    for (int round = 0; round < kRounds; ++round) {
        if (!comport_configure(setting)) return;
        far.write(std::string(kHead, 'x'));
        while (queued() < kHead) std::this_thread::sleep_for(1ms);
        std::uint8_t buffer[kComportReceiveMax];
        Clock::time_point receive_start = Clock::now();
        Clock::time_point receive_end;
        std::thread receiver([&] {
            comport_receive_string(buffer, 10000);
            receive_end = Clock::now();
        });
        std::atomic<bool> stop{false};
        std::thread device([&] {
            while (!stop) {
                far.write(std::string_view("y", 1));
                std::this_thread::sleep_for(1ms);
            }
        });
        while (queued() >= kHead) std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(50ms); // well into the collection
        auto t0 = Clock::now();
        comport_close(setting);
        close_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        receiver.join();
        collected_ms.push_back(std::chrono::duration<double, std::milli>(receive_end - receive_start).count());
        stop = true;
        device.join();
        far.drain();
    }
    std::printf("close during a collection: median %.2f ms, longest %.2f ms (%d closes; the collections had run "
                "median %.0f ms of about 2000)\n",
                median(close_ms), *std::max_element(close_ms.begin(), close_ms.end()), kRounds, median(collected_ms));
}

} // namespace

int main() {
    PtyPair far;
    ComPortFolder ports;
    if (!far.ok() || !ports.link(1, far)) return 1;
    ComportSetting setting;
    setting.port = 1;

    uart_set_receive_callback(receive_step);
    UartHandler handler;
    uart_handler_initialize(handler);
    uart_handler_set_running(handler, true);

    double cpu0 = process_cpu_seconds();
    long polls0 = g_polls.load();
    long sleeps0 = voluntary_switches();
    auto t0 = Clock::now();
    std::this_thread::sleep_for(3s);
    double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("receiving with no port open: %.1f polls and %.1f thread wake-ups a second, %.2f%% of a core over "
                "%.1f s\n",
                double(g_polls.load() - polls0) / wall, double(voluntary_switches() - sleeps0) / wall,
                100.0 * (process_cpu_seconds() - cpu0) / wall, wall);

    if (!comport_configure(setting)) return 1;
    cpu0 = process_cpu_seconds();
    t0 = Clock::now();
    std::this_thread::sleep_for(5s);
    wall = std::chrono::duration<double>(Clock::now() - t0).count();
    double idle_percent = 100.0 * (process_cpu_seconds() - cpu0) / wall;
    std::printf("idle receiving: %.2f%% of a core over %.1f s\n", idle_percent, wall);

    std::vector<double> latencies;
    for (int i = 0; i < 1000; ++i) {
        std::unique_lock lock(g_mutex);
        g_count = 0;
        lock.unlock();
        auto written = Clock::now();
        far.write(std::string_view("x", 1));
        lock.lock();
        if (!g_arrived.wait_for(lock, 1s, [] { return g_count > 0; })) {
            std::printf("byte %d never arrived\n", i);
            return 1;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(g_returned - written).count());
        lock.unlock();
        std::this_thread::sleep_for(2ms);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("byte to receive return: median %.2f ms, p99 %.2f ms (%zu bytes)\n", latencies[latencies.size() / 2],
                latencies[latencies.size() * 99 / 100], latencies.size());

    uart_handler_set_running(handler, false);
    uart_handler_finalize(handler);
    close_during_collection(far, setting);
    comport_configure(ComportSetting{});
    return 0;
}
