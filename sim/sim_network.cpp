#include "sim/sim_network.h"

#include <algorithm>

SimNetwork::SimNetwork(SimDevice port_device) : port_(std::move(port_device)) {}

void SimNetwork::AddBusDevice(SimDevice device) {
    bus_.push_back(std::move(device));
}

SimDevice* SimNetwork::addressed(std::uint32_t id) {
    if (qlpAnyId(id) || id == static_cast<std::uint32_t>(port_.id())) return &port_;
    for (SimDevice& device : bus_) {
        // A device set to another CAN bit rate than the port device hears nothing.
        if (static_cast<std::uint32_t>(device.id()) == id && device.can_divider() == port_.can_divider())
            return &device;
    }
    return nullptr;
}

std::optional<SimAnswer> SimNetwork::answer(const QlpCommand& request, double seconds) {
    SimDevice* device = addressed(request.id);
    if (device == nullptr && answer_any_id_) device = &port_;
    if (device == nullptr) {
        if (!answer_absent_) return std::nullopt;
        return SimAnswer{simErrorReply(request, static_cast<std::uint32_t>(port_.id()), qlp::kNoneDevice), true};
    }
    const bool from_port = device == &port_;
    for (const SimErrorRule& rule : rules_) {
        if (rule.function == request.function && rule.command == request.command)
            return SimAnswer{simErrorReply(request, static_cast<std::uint32_t>(device->id()), rule.code), from_port};
    }
    SimAnswer answer{device->answer(request, seconds), from_port};
    for (const SimValueRule& rule : value_rules_) {
        if (rule.function == request.function && rule.command == request.command &&
            answer.reply.function == request.function) {
            answer.reply.valueCount = std::max(answer.reply.valueCount, 1);
            answer.reply.values[0] = rule.value;
        }
    }
    return answer;
}
