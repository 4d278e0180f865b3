// What the operate panels of every I/O family share: the step records a panel runs,
// the pending-command ring, and the six QLP operations a family gives its panel
// (the families themselves are in device_family.h).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/protocol/device_def.h"
#include "core/protocol/qlp_types.h"

class ZumLink;

// Room for the largest family's channels.
inline constexpr int kPanelChannelMax = device_def::kDeviceChannelMax;

enum class StepKind : std::uint8_t {
    kCheck,               // online check
    kReadDigital,         // read digital I/O
    kToggleDigitalOutput, // from a DO "Set" button
    kReadAnalogInput,
    kReadAnalogOutput,
    kWriteAnalogOutput, // from a DA "Set" button, and every display of a DA group
};

// One exchange: the device, what to do, the channel and the code to write (for a
// toggle, the new output state, filled in when the step runs).
struct PollStep {
    std::uint8_t id = 0;
    StepKind kind = StepKind::kCheck;
    std::uint8_t channel = 0;
    std::int32_t value = 0;

    bool operator==(const PollStep&) const = default;
};

// What an exchange brought back: its status and, for a read that succeeded, the value.
struct StepOutcome {
    ExchangeStatus status = kExchangeSuccess;
    std::int32_t value = 0;
    std::chrono::steady_clock::time_point finished{};
};

// An outcome as the text of a mailbox letter, and back (false for any other text).
std::string PackOutcome(const StepOutcome& outcome);
bool UnpackOutcome(std::string_view text, StepOutcome& out);

// The pending-command queue: a ring of 50 slots that holds at most 49 steps, oldest
// out first.
class PendingSteps {
public:
    static constexpr int kSlots = 50;

    // False when the ring is full: the step is refused.
    bool Push(const PollStep& step);
    bool Pop(PollStep& out);
    void Clear() { read_ = write_; }
    bool empty() const { return read_ == write_; }
    int size() const { return write_ >= read_ ? write_ - read_ : write_ + kSlots - read_; }

private:
    static int Next(int index) { return index + 1 == kSlots ? 0 : index + 1; }

    std::array<PollStep, kSlots> slots_{};
    int write_ = 0;
    int read_ = 0;
};

// The six operations of a family, as its communication unit names them; each runs
// its exchange on the link it is given.
struct PanelOperations {
    ExchangeStatus (*check)(ZumLink& link, std::uint8_t id);
    ExchangeStatus (*read_digital)(ZumLink& link, std::uint8_t id, std::uint8_t& state);
    ExchangeStatus (*write_digital_output)(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t state);
    ExchangeStatus (*read_analog_input)(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
    ExchangeStatus (*read_analog_output)(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
    ExchangeStatus (*write_analog_output)(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t raw);
};

// Runs the step's exchange on `link` with the family's operation (blocks up to the
// exchange's budget); `finished` is left for the caller.
StepOutcome RunPanelStep(ZumLink& link, const PanelOperations& operations, const PollStep& step);
