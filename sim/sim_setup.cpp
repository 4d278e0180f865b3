#include "sim/sim_setup.h"

#include "core/protocol/canbus_def.h"
#include "core/protocol/pt57_device_def.h"
#include "core/protocol/rd24_device_def.h"
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
        error = "unknown model \"" + model + "\" (RD24-M1..RD24-M8, PT57-M1..PT57-M20)";
        return false;
    }
    out = std::make_unique<SimDevice>(profile, settings, options.number);
    for (const SimFixedInput& input : options.fixed_inputs) out->SetFixedInput(input.channel, input.code);
    return true;
}

} // namespace

namespace {

// The channel kinds a model of either family gives its device.
template <typename Device>
void fillProfile(Device device, int index, void (*applyModel)(Device&), SimFamily family,
                 const std::string& model, SimProfile& out) {
    device.model = index;
    applyModel(device);
    out.family = family;
    out.model = index;
    out.name = model;
    out.kinds.clear();
    for (const Rd24Channel& channel : device.channels) out.kinds.push_back(channel.kind);
}

} // namespace

bool simProfileOf(const std::string& model, SimProfile& out) {
    if (const int index = rd24ModelIndex(model); index != 0) {
        fillProfile(Rd24Device{}, index, rd24ApplyModel, SimFamily::kRd24, model, out);
        return true;
    }
    if (const int index = pt57ModelIndex(model); index != 0) {
        fillProfile(Pt57Device{}, index, pt57ApplyModel, SimFamily::kPt57, model, out);
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
