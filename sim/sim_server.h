// The simulator's serving loop: hears requests on the pseudo-terminal master,
// answers them through the network of devices, and applies the fault options.
// It blocks in poll() between events and never spins.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <ostream>
#include <random>
#include <vector>

#include "sim/request_framer.h"
#include "sim/sim_network.h"
#include "sim/slave_watch.h"

struct SimServeSettings {
    int drop_percent = 0;
    std::uint32_t seed = 0;
    int delay_ms = 0;
    int split_ms = 0;
    int noise_ms = 0;
    bool echo = false;
    bool adapter_echo = false;
    std::vector<std::uint8_t> stream; // sent every every_ms when not empty
    int every_ms = 0;
};

// Whether a line programmed to `line_rate` carries what a device at `device_rate`
// understands: within 5%, as a UART tolerates. A rate that cannot be read (0)
// is taken as matching.
bool simRatesMatch(std::uint32_t line_rate, std::uint32_t device_rate);

class SimServer {
public:
    using Clock = std::chrono::steady_clock;

    // `master` is written and read; the line rate is read from `slave`. `log`
    // gets one line per request and reply when not null.
    SimServer(SimNetwork& network, const SimServeSettings& settings, int master, int slave, std::ostream* log);

    // Lifts the port's exclusive flag whenever a program closes it.
    void WatchSlave(SlaveWatch* watch) { watch_ = watch; }

    // Serves until `stopFd` becomes readable; false if the terminal failed.
    bool run(int stopFd);

private:
    struct Outgoing {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
        bool droppable = false; // noise, stream and echo bytes; never a reply
    };

    void heard(const std::uint8_t* bytes, std::size_t count, Clock::time_point now);
    void request(const std::vector<std::uint8_t>& frame, Clock::time_point now);
    void schedule(Outgoing item);
    bool flush(Clock::time_point now); // false on a write fault
    std::vector<std::uint8_t> noise();
    void LogLine(const std::string& text);
    int PollTimeout(Clock::time_point now) const;

    SimNetwork& network_;
    SimServeSettings settings_;
    int master_;
    int slave_;
    std::ostream* log_;
    SlaveWatch* watch_ = nullptr;
    Clock::time_point start_;
    RequestFramer framer_;
    std::deque<Outgoing> outgoing_;
    std::size_t outgoing_bytes_ = 0;
    Clock::time_point retry_at_{}; // the terminal took no more bytes: try again then
    std::mt19937 drop_random_;
    std::mt19937 noise_random_;
    Clock::time_point next_noise_;
    Clock::time_point next_stream_;
};
