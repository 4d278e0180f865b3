// The RD24 operate panel polling benchlink-sim through the whole program (main
// window, receive thread, frame path, worker, mailbox), offscreen:
//
//   rate     detect time 1 ms for 10 s: steps (exchanges) per second, and the longest
//            GUI-thread stall meanwhile (lateness of a 10 ms timer)
//   idle     detect time 100 ms for 10 s: CPU of the whole process, trend hidden and
//            then shown
//   silent   detect time 1 ms, the simulator stopped (no replies: every step times
//            out) and then killed (the line hangs up: every write is refused): the
//            longest GUI-thread stall over the 5 s after each, and how long closing
//            the panel takes with a step in flight
//   monitor  (`bench_panels monitor`, alone, no simulator) the link monitor window
//            filled to its bound of 100,000 lines: resident memory per line
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QEventLoop>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "core/protocol/zum_exchange.h"
#include "gui/main/application.h"
#include "core/serial/comport.h"
#include "gui/main/mailbox_pump.h"
#include "gui/main/main_window.h"
#include "gui/windows/link_monitor.h"
#include "gui/windows/rd24_operate.h"
#include "gui/windows/trend_window.h"
#include "bench/panels/exchange_counter.h"
#include "support/process_cpu.h"
#include "support/pty_pair.h"
#include "support/sim_process.h"
#include "support/gui_stall.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

long resident_kib() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The link monitor filled to its bound with lines like a panel's exchanges.
int monitor_memory() {
    MailboxPump mailbox;
    ZumLink link{comport_port()};
    TForm_LinkMonitor monitor(mailbox, link);
    monitor.show();
    run_for(200ms);
    const long before = resident_kib();
    char line[128];
    std::size_t text = 0;
    for (std::uint32_t i = 0; i < LinkMonitorLog::kMaxLines; ++i) {
        std::snprintf(line, sizeof line, "Success.  Send %% 1,5,48,%u   Receive %% 1,5,48,%u,%u   %u ms", i % 6,
                      i % 6, 3000 + i % 1000, 10 + i % 7);
        text += std::strlen(line);
        monitor.AddIdLine(1, line);
        if (i % 1000 == 999) run_for(1ms);
    }
    run_for(500ms);
    const long after = resident_kib();
    std::printf("monitor: %u lines of %.0f characters on average: resident memory +%ld KiB = %.1f bytes per line\n",
                static_cast<unsigned>(LinkMonitorLog::kMaxLines), double(text) / LinkMonitorLog::kMaxLines,
                after - before, 1024.0 * double(after - before) / LinkMonitorLog::kMaxLines);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "monitor") == 0) return monitor_memory();
    ComPortFolder ports;
    SimProcess sim = startSim({"--model", "RD24-M4"});
    if (!sim.ok() || !ports.link(1, sim.path)) {
        std::fprintf(stderr, "cannot start benchlink-sim\n");
        return 1;
    }
    BenchlinkWindows windows;
    windows.main()->show();
    ComportSetting setting;
    setting.port = 1;
    windows.main()->session().ConfigureConfirmed(setting);
    ExchangeCounter counter;
    windows.link().SetLinkLog(&counter);

    auto* panel = qobject_cast<TForm_RD24Operate*>(windows.operate_panel("RD24"));
    panel->SetDevice(1, Rd24Device{});
    panel->show();
    emit panel->findChild<QComboBox*>(QStringLiteral("ComboBox_Type"))->textActivated(QStringLiteral("RD24-M4"));
    auto* detect_time = panel->findChild<QSpinBox*>(QStringLiteral("CSpinEdit_DetectTime"));
    StallProbe probe;

    // rate
    detect_time->setValue(1);
    run_for(1000ms);
    long before = counter.exchanges.load();
    auto start = Clock::now();
    probe.start();
    run_for(10s);
    double stall = probe.stop_ms();
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("rate: detect time 1 ms, %.0f steps/s over %.1f s (%ld timeouts), longest GUI stall %.1f ms\n",
                double(counter.exchanges.load() - before) / wall, wall, counter.timeouts.load(), stall);

    // idle
    detect_time->setValue(100);
    for (bool trend_shown : {false, true}) {
        if (trend_shown) panel->trend()->show();
        run_for(1000ms);
        before = counter.exchanges.load();
        const double cpu_before = process_cpu_seconds();
        start = Clock::now();
        run_for(10s);
        wall = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("idle: detect time 100 ms, trend %s: %.1f steps/s, whole process %.2f%% of a core\n",
                    trend_shown ? "shown" : "hidden", double(counter.exchanges.load() - before) / wall,
                    100.0 * (process_cpu_seconds() - cpu_before) / wall);
    }
    panel->trend()->hide();

    // silent: the device stops answering while the line stays up, then the line goes.
    detect_time->setValue(1);
    run_for(500ms);
    auto* status = panel->findChild<QLabel*>(QStringLiteral("Label_DetectStatus"));
    const struct {
        int signal;
        const char* what;
    } faults[] = {{SIGSTOP, "simulator stopped (line up, no replies)"}, {SIGKILL, "simulator killed (line gone)"}};
    for (const auto& fault : faults) {
        before = counter.exchanges.load();
        const long timeouts_before = counter.timeouts.load();
        probe.start();
        sim.child->signal(fault.signal);
        run_for(5s);
        stall = probe.stop_ms();
        std::printf("silent: %s, detect time 1 ms: %ld exchanges (%ld timeouts) in 5 s, status \"%s\", "
                    "longest GUI stall %.1f ms\n",
                    fault.what, counter.exchanges.load() - before, counter.timeouts.load() - timeouts_before,
                    status->text().toStdString().c_str(), stall);
    }

    start = Clock::now();
    panel->close();
    std::printf("silent: close with a step in flight took %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    windows.link().SetLinkLog(nullptr);
    return 0;
}
