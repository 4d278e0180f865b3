// benchlink-sim: an RD24 or PT57 device (and devices behind it on its CAN bus) on
// a pseudo-terminal, for trying the program, its tests and demonstrations.
#include <signal.h>
#include <sys/signalfd.h>

#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "sim/com_link.h"
#include "sim/sim_options.h"
#include "sim/sim_pty.h"
#include "sim/sim_server.h"
#include "sim/sim_setup.h"
#include "sim/slave_watch.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 64;

int usageError(const std::string& error) {
    std::cerr << "benchlink-sim: " << error << "\nTry benchlink-sim --help.\n";
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (!simParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) return usageError(error);
    if (options.help) {
        std::cout << simUsage();
        return 0;
    }
    std::unique_ptr<SimNetwork> network = simBuildNetwork(options, error);
    if (!network) return usageError(error);
    const std::uint32_t seed = options.seed ? *options.seed : std::random_device{}();
    SimServeSettings serve;
    if (!simServeSettings(options, seed, serve, error)) return usageError(error);

    // Stop signals are taken in the serving loop, so that the link is removed.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    signal(SIGPIPE, SIG_IGN);
    UniqueFd stopFd(signalfd(-1, &stops, SFD_CLOEXEC));
    if (!stopFd.valid()) {
        std::perror("benchlink-sim: signalfd");
        return kExitFailure;
    }

    SimPty pty;
    if (!pty.open(static_cast<std::uint32_t>(network->port_device().baud_rate()), error)) {
        std::cerr << "benchlink-sim: " << error << '\n';
        return kExitFailure;
    }
    ComLink link;
    if (options.com != 0) {
        if (!link.create(options.com, pty.slave_path(), error)) {
            std::cerr << "benchlink-sim: " << error << '\n';
            return kExitFailure;
        }
        std::cout << "COM" << options.com << " -> " << pty.slave_path() << std::endl;
    } else {
        std::cout << pty.slave_path() << std::endl;
    }

    SimServer server(*network, serve, pty.master(), pty.slave(), options.verbose ? &std::cerr : nullptr);
    SlaveWatch watch;
    if (watch.start(pty.slave_path(), pty.slave()))
        server.WatchSlave(&watch);
    else
        std::cerr << "benchlink-sim: cannot watch " << pty.slave_path() << "; without CAP_SYS_ADMIN the port opens once\n";
    if (!server.run(stopFd.get())) {
        std::cerr << "benchlink-sim: the pseudo-terminal failed\n";
        return kExitFailure;
    }
    return 0;
}
