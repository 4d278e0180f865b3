// The frame library's speed: exchanges per second against a far end that answers
// at once over a pseudo-terminal, the CPU an exchange spends waiting, and the
// catcher's and decoder's throughput.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/protocol/zum_catcher.h"
#include "core/protocol/zum_codec.h"
#include "core/protocol/reply_receiver.h"
#include "core/protocol/zum_exchange.h"
#include "core/serial/comport.h"
#include "support/process_cpu.h"
#include "support/pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

QlpCommand analogueRead() {
    QlpCommand c{.id = 5, .function = 5, .command = 48, .channel = 2};
    return c;
}

int benchExchanges() {
    PtyPair far;
    ComPortFolder ports;
    if (!far.ok() || !ports.link(1, far)) return 1;
    ComportSetting setting;
    setting.port = 1;
    if (!comport_configure(setting)) return 1;

    const std::vector<std::uint8_t> request = qlpEncodeText(analogueRead());
    std::string reply = "% 5,5,48,2,1234";
    reply.push_back('\0');
    std::atomic<bool> stop{false};
    std::thread device([&] {
        while (!stop) {
            if (far.read_exactly(request.size(), 200ms).size() == request.size()) far.write(reply);
        }
    });

    int failures = 0;
    {
        ZumLink link(comport_port());
        ReplyReceiver receiver(link, 1);
        constexpr int kExchanges = 3000;
        std::vector<double> latencies;
        latencies.reserve(kExchanges);
        const double cpu0 = process_cpu_seconds();
        const auto t0 = Clock::now();
        for (int i = 0; i < kExchanges; ++i) {
            QlpCommand answer;
            std::string message;
            const auto start = Clock::now();
            if (link.Exchange(analogueRead(), answer, message, 500) != kExchangeSuccess) ++failures;
            latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        const double wall = seconds(Clock::now() - t0);
        const double cpu = process_cpu_seconds() - cpu0;
        std::sort(latencies.begin(), latencies.end());
        std::printf("exchanges: %.0f per second (%d in %.2f s, %d failed), round trip median %.3f ms, p99 %.3f ms, "
                    "process CPU %.0f%% of a core\n",
                    kExchanges / wall, kExchanges, wall, failures, latencies[latencies.size() / 2],
                    latencies[latencies.size() * 99 / 100], 100.0 * cpu / wall);

        // A device that never answers: the exchange must rest while it waits.
        stop = true;
        device.join();
        const double cpu1 = process_cpu_seconds();
        const auto t1 = Clock::now();
        constexpr int kTimeouts = 4;
        for (int i = 0; i < kTimeouts; ++i) {
            QlpCommand answer;
            std::string message;
            link.Exchange(analogueRead(), answer, message, 500);
        }
        const double wait_wall = seconds(Clock::now() - t1);
        std::printf("timed-out exchanges: %.3f s each for a 500 ms budget, process CPU %.1f%% of a core "
                    "(receive loop included)\n",
                    wait_wall / kTimeouts, 100.0 * (process_cpu_seconds() - cpu1) / wait_wall);
    }
    if (device.joinable()) device.join();
    comport_configure(ComportSetting{});
    return failures == 0 ? 0 : 1;
}

// Feeds the catcher 2048-byte reads of a stream and reports MB/s.
void benchCatcher(const char* name, const std::string& pattern) {
    std::string stream;
    while (stream.size() < 8u * 1024 * 1024) stream += pattern;
    ZumCatcher catcher;
    std::vector<std::uint8_t> out(ZumCatcher::kReadMax);
    std::size_t caught = 0;
    std::size_t unknown = 0;
    const auto t0 = Clock::now();
    auto now = ZumCatcher::Clock::now();
    constexpr int kRounds = 8;
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t at = 0; at < stream.size(); at += ZumCatcher::kReadMax) {
            const std::size_t n = std::min(ZumCatcher::kReadMax, stream.size() - at);
            const CatchResult r =
                catcher.feed(reinterpret_cast<const std::uint8_t*>(stream.data() + at), n, now, out.data());
            caught += r.caught;
            unknown += static_cast<std::size_t>(r.unknown_count);
            now += 1ms;
        }
    }
    const double wall = seconds(Clock::now() - t0);
    const double megabytes = double(stream.size()) * kRounds / 1e6;
    std::printf("catcher, %s: %.0f MB/s (%.0f MB, %zu frames caught, %zu unknown bytes)\n", name, megabytes / wall,
                megabytes, caught, unknown);
}

void benchDecoder() {
    std::string text = "% 5,5,48,2,1234";
    text.push_back('\0');
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    constexpr int kFrames = 2000000;
    QlpCommand out;
    std::uint64_t sum = 0;
    const auto t0 = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        qlpDecodeText(bytes, text.size(), out);
        sum += static_cast<std::uint64_t>(out.values[0]);
    }
    const double wall = seconds(Clock::now() - t0);
    std::printf("ZUM decoder: %.1f million frames per second (checksum %llu)\n", kFrames / wall / 1e6,
                static_cast<unsigned long long>(sum));
}

} // namespace

int main() {
    std::string frame = "% 5,5,48,2,1234";
    frame.push_back('\0');
    benchCatcher("text without frames", "The quick brown fox jumps over the lazy dog 0123456789\r\n");
    benchCatcher("one reply frame per 64 bytes", "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVW" + frame);
    benchCatcher("replies only", frame);
    benchDecoder();
    return benchExchanges();
}
