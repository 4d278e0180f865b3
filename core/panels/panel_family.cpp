#include "core/panels/panel_family.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "core/protocol/pt57_communication.h"
#include "core/protocol/pt57_device_def.h"
#include "core/protocol/rd24_communication.h"
#include "core/protocol/rd24_device_def.h"

namespace {

// The device-definition operations work on whole device records; the panels keep
// their channels in a span, so each call goes through a record and back.
template <typename Device>
Device recordOf(std::int32_t model, std::span<const Rd24Channel> channels) {
    Device device;
    device.model = model;
    std::copy_n(channels.begin(), std::min(channels.size(), device.channels.size()), device.channels.begin());
    return device;
}

template <typename Device>
void copyBack(const Device& device, std::span<Rd24Channel> channels) {
    std::copy_n(device.channels.begin(), std::min(channels.size(), device.channels.size()), channels.begin());
}

void rd24Apply(std::int32_t model, std::span<Rd24Channel> channels) {
    Rd24Device device = recordOf<Rd24Device>(model, channels);
    rd24ApplyModel(device);
    copyBack(device, channels);
}

void rd24Clear(std::span<Rd24Channel> channels) {
    Rd24Device device = recordOf<Rd24Device>(0, channels);
    rd24ClearDevice(device);
    copyBack(device, channels);
}

void pt57Apply(std::int32_t model, std::span<Rd24Channel> channels) {
    Pt57Device device = recordOf<Pt57Device>(model, channels);
    pt57ApplyModel(device);
    copyBack(device, channels);
}

void pt57Clear(std::span<Rd24Channel> channels) {
    Pt57Device device = recordOf<Pt57Device>(0, channels);
    pt57ClearDevice(device);
    copyBack(device, channels);
}

constexpr PanelFamily kRd24Family{
    .name = "RD24",
    .channel_count = kRd24ChannelCount,
    .operations = {rd24CheckDevice, rd24ReadDigital, rd24WriteDigitalOutput, rd24ReadAnalogInput,
                   rd24ReadAnalogOutput, rd24WriteAnalogOutput},
    .model_list = rd24ModelList,
    .model_index = rd24ModelIndex,
    .apply_model = rd24Apply,
    .clear_device = rd24Clear,
    .ad_convert = rd24AdConvert,
    .da_convert = rd24DaConvert,
    .display_zeroes_set_code = false,
    .close_clears_status = true,
};

constexpr PanelFamily kPt57Family{
    .name = "PT57",
    .channel_count = kPt57ChannelCount,
    .operations = {pt57CheckDevice, pt57ReadDigital, pt57WriteDigitalOutput, pt57ReadAnalogInput,
                   pt57ReadAnalogOutput, pt57WriteAnalogOutput},
    .model_list = pt57ModelList,
    .model_index = pt57ModelIndex,
    .apply_model = pt57Apply,
    .clear_device = pt57Clear,
    .ad_convert = pt57AdConvert,
    .da_convert = pt57DaConvert,
    .display_zeroes_set_code = true,
    .close_clears_status = false,
};

static_assert(kRd24ChannelCount <= kPanelChannelMax && kPt57ChannelCount <= kPanelChannelMax);

// The fixed layout an outcome travels in.
struct PackedOutcome {
    std::int32_t status;
    std::int32_t value;
    std::int64_t finished_ns;
};

} // namespace

std::string PackOutcome(const StepOutcome& outcome) {
    const PackedOutcome packed{outcome.status, outcome.value,
                               std::chrono::duration_cast<std::chrono::nanoseconds>(outcome.finished.time_since_epoch()).count()};
    std::string text(sizeof packed, '\0');
    std::memcpy(text.data(), &packed, sizeof packed);
    return text;
}

bool UnpackOutcome(std::string_view text, StepOutcome& out) {
    PackedOutcome packed;
    if (text.size() != sizeof packed) return false;
    std::memcpy(&packed, text.data(), sizeof packed);
    out.status = static_cast<ExchangeStatus>(packed.status);
    out.value = packed.value;
    out.finished = std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::nanoseconds(packed.finished_ns)));
    return true;
}

bool PendingSteps::Push(const PollStep& step) {
    const int after = Next(write_);
    if (after == read_) return false;
    slots_[static_cast<std::size_t>(write_)] = step;
    write_ = after;
    return true;
}

bool PendingSteps::Pop(PollStep& out) {
    if (read_ == write_) return false;
    out = slots_[static_cast<std::size_t>(read_)];
    read_ = Next(read_);
    return true;
}

const PanelFamily& rd24PanelFamily() { return kRd24Family; }
const PanelFamily& pt57PanelFamily() { return kPt57Family; }

StepOutcome RunPanelStep(ZumLink& link, const PanelOperations& op, const PollStep& step) {
    // The program's link has one reply FIFO. A panel closed with its last exchange
    // still running may be followed at once by the other panel: its first exchange
    // waits for that one instead of sharing the FIFO with it.
    static std::mutex one_exchange;
    const std::lock_guard lock(one_exchange);
    StepOutcome outcome;
    switch (step.kind) {
    case StepKind::kCheck: outcome.status = op.check(link, step.id); break;
    case StepKind::kReadDigital: {
        std::uint8_t state = 0;
        outcome.status = op.read_digital(link, step.id, state);
        outcome.value = state;
        break;
    }
    case StepKind::kToggleDigitalOutput:
        outcome.status = op.write_digital_output(link, step.id, step.channel, step.value);
        break;
    case StepKind::kReadAnalogInput:
        outcome.status = op.read_analog_input(link, step.id, step.channel, outcome.value);
        break;
    case StepKind::kReadAnalogOutput:
        outcome.status = op.read_analog_output(link, step.id, step.channel, outcome.value);
        break;
    case StepKind::kWriteAnalogOutput:
        outcome.status = op.write_analog_output(link, step.id, step.channel, step.value);
        break;
    }
    return outcome;
}
