// How soon the program receives again after a lost device comes back, through the
// whole program (main window, reconnect watch, session, receive thread), offscreen.
// COM3 is linked to a pseudo-terminal; each round closes its far end (the device
// vanishes), waits for the port to be lost, then links COM3 to a new pseudo-terminal
// (the device is back) and times
//
//   reopened   the link changed -> the port is receiving again
//   received   the link changed -> a byte written at the new far end was read
//
// bench_reconnect [rounds]   default 20
#include <QApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "core/serial/counting_port.h"
#include "gui/main/application.h"
#include "gui/main/main_window.h"
#include "support/pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs the event loop until `done` holds, for at most `limit`.
bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= end) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void report(const char* name, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("  %-9s median %7.1f ms, max %7.1f ms (%zu rounds)\n", name, values[values.size() / 2],
                values.back(), values.size());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    ComPortFolder ports;
    auto far = std::make_unique<PtyPair>();
    if (!far->ok() || !ports.link(3, *far)) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    BenchlinkWindows windows;
    TForm_ZQ70_Main* main = windows.main();
    main->show();
    ComportSetting setting;
    setting.port = 3;
    main->ConfigureWith(setting);

    std::vector<double> reopened;
    std::vector<double> received;
    for (int round = 0; round < rounds; ++round) {
        far->close_far_end();
        if (!runUntil([&] { return main->session().lost(); }, std::chrono::seconds(5))) {
            std::fprintf(stderr, "round %d: the port was never lost\n", round);
            return 1;
        }
        auto back = std::make_unique<PtyPair>();
        const std::uint64_t before = windows.port().received();
        const auto start = Clock::now();
        ports.link(3, *back);
        if (!runUntil([&] { return main->session().state() == PortState::kReceiving; }, std::chrono::seconds(5))) {
            std::fprintf(stderr, "round %d: not back within 5 s\n", round);
            return 1;
        }
        reopened.push_back(ms(Clock::now() - start));
        back->write(std::string_view("x\0", 2));
        if (!runUntil([&] { return windows.port().received() >= before + 2; }, std::chrono::seconds(5))) {
            std::fprintf(stderr, "round %d: nothing received within 5 s\n", round);
            return 1;
        }
        received.push_back(ms(Clock::now() - start));
        far = std::move(back);
    }
    std::printf("reconnect after the device came back (pseudo-terminal relinked as COM3):\n");
    report("reopened", reopened);
    report("received", received);
    return 0;
}
