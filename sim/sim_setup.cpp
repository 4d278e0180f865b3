#include "sim/sim_setup.h"

#include "core/panels/device_family.h"
#include "core/protocol/canbus_def.h"
#include "core/util/convert.h"

namespace {

// CAN bit rates are named by the table's indices 0 to 8.
constexpr int kCanRates = 9;

int canDividerOf(const std::string& name) {
    for (int i = 0; i < kCanRates; ++i)
        if (canRateName(i) == name) return canRateDivider(i);
    return 0;
}

bool buildDevice(const std::string& model, const SimSettings& settings, const SimOptions& options,
                 std::unique_ptr<SimDevice>& out, std::string& error) {
    SimProfile profile;
    if (!simProfileOf(model, profile)) {
        error = "unknown model \"" + model + "\" (" + simModelRanges(", ") + ")";
        return false;
    }
    out = std::make_unique<SimDevice>(profile, settings, options.number);
    for (const SimFixedInput& input : options.fixed_inputs) out->SetFixedInput(input.channel, input.code);
    return true;
}

} // namespace

std::string simModelRanges(std::string_view last) {
    return describeDeviceFamilies([](const DeviceFamily& family) { return family.model_range(); }, last);
}

bool simProfileOf(const std::string& model, SimProfile& out) {
    for (const DeviceFamily& family : deviceFamilies()) {
        const int index = family.model_index(model);
        if (index == 0) continue;
        out.digital_output_command = family.digital_output_command;
        out.model = index;
        out.name = model;
        const std::span<const ChannelKind> kinds = family.model_kinds(index);
        out.kinds.assign(kinds.begin(), kinds.end());
        return true;
    }
    return false;
}

std::unique_ptr<SimNetwork> simBuildNetwork(const SimOptions& options, std::string& error) {
    SimSettings settings;
    settings.id = options.id;
    settings.baud_code = options.baud / 100;
    settings.can_divider = canDividerOf(options.can);
    settings.master = options.master;
    if (settings.can_divider == 0) {
        error = "unknown CAN bit rate \"" + options.can + "\" (1176K 588K 392K 294K 196K 147K 118K 90K 50K)";
        return nullptr;
    }
    if (options.family != nullptr && options.family->model_index(options.model) == 0) {
        error = "model \"" + options.model + "\" is no " + options.family->name + " model (" +
                options.family->model_range() + ")";
        return nullptr;
    }
    std::unique_ptr<SimDevice> port;
    if (!buildDevice(options.model, settings, options, port, error)) return nullptr;
    auto network = std::make_unique<SimNetwork>(std::move(*port));
    network->SetAnswerAbsent(options.absent_none_device);
    network->SetAnswerAnyId(options.absent_answer);
    for (const SimErrorRule& rule : options.errors) network->AddErrorRule(rule);
    for (const SimValueRule& rule : options.values) network->AddValueRule(rule);
    for (const SimBusEntry& entry : options.bus) {
        SimSettings bus_settings = settings;
        bus_settings.id = entry.id;
        std::unique_ptr<SimDevice> device;
        if (!buildDevice(entry.model.empty() ? options.model : entry.model, bus_settings, options, device, error))
            return nullptr;
        network->AddBusDevice(std::move(*device));
    }
    return network;
}

bool simServeSettings(const SimOptions& options, std::uint32_t seed, SimServeSettings& out, std::string& error) {
    out = SimServeSettings{};
    out.drop_percent = options.drop_percent;
    out.seed = seed;
    out.delay_ms = options.delay_ms;
    out.split_ms = options.split_ms;
    out.noise_ms = options.noise_ms;
    out.echo = options.echo;
    out.adapter_echo = options.adapter_echo;
    out.every_ms = options.every_ms;
    if (!options.stream.empty() && tagged_text_to_bytes(options.stream, out.stream) <= 0) {
        error = "--stream: not a tagged text: \"" + options.stream + "\"";
        return false;
    }
    return true;
}
