// Receive-side costs of the driver and the receive thread over a pseudo-terminal:
// the process's CPU while receiving with nothing arriving, and the latency from a
// byte written at the far end to the receive call returning it.
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

// What the main window's receive loop does: one poll, and rest when nothing came.
void receive_step() {
    std::uint8_t buffer[kComportReceiveMax];
    std::int32_t n = comport_receive_string(buffer, 2);
    if (n == 0) {
        comport_wait_readable(kReceiveIdleWaitMs);
        return;
    }
    std::lock_guard lock(g_mutex);
    g_returned = Clock::now();
    g_count += n;
    g_arrived.notify_one();
}

} // namespace

int main() {
    PtyPair far;
    ComPortFolder ports;
    if (!far.ok() || !ports.link(1, far)) return 1;
    ComportSetting setting;
    setting.port = 1;
    if (!comport_configure(setting)) return 1;

    uart_set_receive_callback(receive_step);
    UartHandler handler;
    uart_handler_initialize(handler);
    uart_handler_set_running(handler, true);

    double cpu0 = process_cpu_seconds();
    auto t0 = Clock::now();
    std::this_thread::sleep_for(5s);
    double wall = std::chrono::duration<double>(Clock::now() - t0).count();
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
    comport_configure(ComportSetting{});
    return 0;
}
