// The RD24 operate panel polling one benchlink-sim device through the whole program,
// first on its pseudo-terminal, then through ser2net (RFC 2217 on loopback), in one run:
// detect time 1 ms for 10 s each, exchanges per second, time-outs (an exchange past
// its 500 ms budget), the longest exchange, and CPU of the program and of ser2net.
#include <QApplication>
#include <QComboBox>
#include <QSpinBox>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "core/protocol/zum_exchange.h"
#include "gui/main/application.h"
#include "gui/main/main_window.h"
#include "gui/windows/rd24_operate.h"
#include "bench/panels/exchange_counter.h"
#include "support/gui_stall.h"
#include "support/process_cpu.h"
#include "support/pty_pair.h"
#include "support/ser2net_process.h"
#include "support/sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ComPortFolder ports;
    SimProcess sim = startSim({"--model", "RD24-M4"});
    if (!sim.ok() || !ports.link(1, sim.path)) {
        std::fprintf(stderr, "cannot start benchlink-sim\n");
        return 1;
    }
    Ser2Net server(sim.path);
    if (!server.ok()) {
        std::fprintf(stderr, "cannot start ser2net (scripts/install-deps.sh installs it): %s\n", server.log().c_str());
        return 1;
    }
    // COM2 is the same device by its address.
    ports.address(2, server.address());

    BenchlinkWindows windows;
    windows.main()->show();
    ExchangeCounter counter;
    windows.link().SetLinkLog(&counter);
    auto* panel = qobject_cast<TForm_RD24Operate*>(windows.operate_panel("RD24"));
    panel->SetDevice(1, Rd24Device{});
    panel->show();
    emit panel->findChild<QComboBox*>(QStringLiteral("ComboBox_Type"))->textActivated(QStringLiteral("RD24-M4"));
    auto* detect_time = panel->findChild<QSpinBox*>(QStringLiteral("CSpinEdit_DetectTime"));

    const struct {
        int port;
        const char* what;
    } lines[] = {{1, "pseudo-terminal"}, {2, "ser2net RFC 2217 on loopback"}};
    for (const auto& line : lines) {
        detect_time->setValue(100);
        run_for(300ms);
        ComportSetting setting;
        setting.port = line.port;
        windows.main()->session().ConfigureConfirmed(setting);
        detect_time->setValue(1);
        run_for(1000ms);
        const long before = counter.exchanges.load();
        const long timeouts_before = counter.timeouts.load();
        counter.longest = 0;
        const double cpu_before = process_cpu_seconds();
        const double server_before = other_process_cpu_seconds(server.pid());
        const auto start = Clock::now();
        run_for(10s);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("%s: %.0f exchanges/s (%ld timeouts), longest %ld ms, program %.1f%% of a core, "
                    "ser2net %.1f%%\n",
                    line.what, double(counter.exchanges.load() - before) / wall,
                    counter.timeouts.load() - timeouts_before, counter.longest.load(),
                    100.0 * (process_cpu_seconds() - cpu_before) / wall,
                    100.0 * (other_process_cpu_seconds(server.pid()) - server_before) / wall);
    }
    panel->close();
    windows.link().SetLinkLog(nullptr);
    return 0;
}
