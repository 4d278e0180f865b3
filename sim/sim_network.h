// The device on the port and the devices behind it on its CAN bus: who answers a
// request, and the error codes a test asks to be given instead.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/protocol/qlp_types.h"
#include "sim/sim_device.h"

// Answers requests with this function and command with the code instead.
struct SimErrorRule {
    std::uint8_t function = 0;
    std::uint8_t command = 0;
    std::uint8_t code = 0;

    bool operator==(const SimErrorRule&) const = default;
};

// Answers requests with this function and command with this value instead of the
// device's own (a device reporting a setting the program does not know).
struct SimValueRule {
    std::uint8_t function = 0;
    std::uint8_t command = 0;
    std::int32_t value = 0;

    bool operator==(const SimValueRule&) const = default;
};

struct SimAnswer {
    QlpCommand reply;
    bool from_port = true; // answered by the device on the port
};

class SimNetwork {
public:

    explicit SimNetwork(SimDevice port_device);

    void AddBusDevice(SimDevice device);
    // An ID nobody has: silence, or "None Device" from the device on the port.
    void SetAnswerAbsent(bool none_device) { answer_absent_ = none_device; }
    // An ID nobody has: the device on the port answers as if asked, under its own ID.
    void SetAnswerAnyId(bool on) { answer_any_id_ = on; }
    void AddErrorRule(const SimErrorRule& rule) { rules_.push_back(rule); }
    void AddValueRule(const SimValueRule& rule) { value_rules_.push_back(rule); }

    SimDevice& port_device() { return port_; }
    std::vector<SimDevice>& bus_devices() { return bus_; }

    // The one reply to a request heard `seconds` after start, or none.
    std::optional<SimAnswer> answer(const QlpCommand& request, double seconds);

private:
    SimDevice* addressed(std::uint32_t id);

    SimDevice port_;
    std::vector<SimDevice> bus_;
    std::vector<SimErrorRule> rules_;
    std::vector<SimValueRule> value_rules_;
    bool answer_absent_ = false;
    bool answer_any_id_ = false;
};
