#include "core/panels/panel_family.h"

#include <cstring>
#include <mutex>

namespace {

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
