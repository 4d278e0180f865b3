// The detect engine's timing: a CAN-bus scan of silent IDs (two attempts of
// 500 ms each per ID) with the CPU it spends waiting, and how long the auto-baud
// scan takes to find a device at 38400 baud from a line at 115200.
#include <chrono>
#include <cstdio>
#include <string>

#include "core/detect/detect_engine.h"
#include "core/serial/comport.h"
#include "support/process_cpu.h"
#include "support/pty_pair.h"
#include "support/sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void closePort() {
    ComportSetting open;
    comport_get_setting(open);
    comport_close(open);
}

constexpr int kSilentIds = 20;

int benchSilentScan() {
    PtyPair far; // never answers
    ComportSetting line;
    if (!far.ok() || !comport_configure_path(far.slave_path(), line)) {
        std::printf("silent scan: cannot open a pseudo-terminal\n");
        return 1;
    }
    DetectEngine engine(comport_port(), DetectEvents{});
    engine.SetPort(line, far.slave_path());
    engine.SetDetectRange(1, kSilentIds, true);
    const double cpu_before = process_cpu_seconds();
    const Clock::time_point start = Clock::now();
    engine.CanbusAutoDetect();
    const double wall = seconds(Clock::now() - start);
    const double cpu = process_cpu_seconds() - cpu_before;
    closePort();
    std::printf("CAN-bus scan of %d silent IDs, no auto-baud: %.2f s (%.3f s per ID, %llu requests), "
                "%.2f %% of a core while waiting\n",
                kSilentIds, wall, wall / kSilentIds, static_cast<unsigned long long>(engine.requests_sent()),
                100.0 * cpu / wall);
    return 0;
}

int benchAutoBaud() {
    SimProcess sim = startSim({"--baud", "38400", "--id", "3"});
    ComportSetting line; // 115200
    if (!sim.ok() || !comport_configure_path(sim.path, line)) {
        std::printf("auto-baud: cannot start the simulator\n");
        return 1;
    }
    DetectEngine engine(comport_port(), DetectEvents{});
    engine.SetPort(line, sim.path);
    engine.SetAutoBaudrate(true);
    const double cpu_before = process_cpu_seconds();
    const Clock::time_point start = Clock::now();
    engine.UartAutoDetect();
    const double wall = seconds(Clock::now() - start);
    const double cpu = process_cpu_seconds() - cpu_before;
    closePort();
    const DetectedDevice found = engine.ComportDevice();
    std::printf("auto-baud detection from 115200 of a device at 38400: %s after %.2f s "
                "(%llu requests, %.2f %% of a core)\n",
                found.found == 1 && engine.port().baudrate == 38400 ? "found" : "NOT found", wall,
                static_cast<unsigned long long>(engine.requests_sent()), 100.0 * cpu / wall);
    return found.found == 1 ? 0 : 1;
}

} // namespace

int main() {
    int failures = benchSilentScan();
    failures += benchAutoBaud();
    return failures == 0 ? 0 : 1;
}
