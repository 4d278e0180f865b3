// The simulator's command line, read into a plain record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/sim_network.h"

struct DeviceFamily;

struct SimBusEntry {
    int id = 0;
    std::string model; // empty: the port device's model

    bool operator==(const SimBusEntry&) const = default;
};

struct SimFixedInput {
    int channel = 0;
    int code = 0;

    bool operator==(const SimFixedInput&) const = default;
};

struct SimOptions {
    int com = 0; // 0: no link, the slave path is printed
    // --family: the port device's family, whose models alone --model may name; null: any.
    const DeviceFamily* family = nullptr;
    std::string model; // after reading, the family's default model if --model is not given
    int id = 1;
    int baud = 115200;
    std::string can = "147K";
    int master = 1;
    int number = 1;
    std::vector<SimBusEntry> bus;
    std::vector<SimFixedInput> fixed_inputs;
    bool absent_none_device = false;
    bool absent_answer = false; // the port device answers for IDs nobody has

    int drop_percent = 0;
    std::optional<std::uint32_t> seed;
    int delay_ms = 0;
    int split_ms = 0;
    int noise_ms = 0;
    std::vector<SimErrorRule> errors;
    std::vector<SimValueRule> values;

    bool echo = false;
    bool adapter_echo = false; // every request comes back first, then the answer
    std::string stream; // tagged text
    int every_ms = 0;

    bool verbose = false;
    bool help = false;
};

// Reads the arguments after the program name; false with a one-line reason.
bool simParseOptions(const std::vector<std::string>& args, SimOptions& out, std::string& error);
std::string simUsage();
