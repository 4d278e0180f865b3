#include "sim/sim_device.h"

#include <cmath>
#include <numbers>

#include "core/protocol/canbus_def.h"
#include "core/protocol/qlp_types.h"
#include "core/serial/comport.h"

namespace {

// The free-running analogue inputs: a sine over the whole converter range, one
// turn every 10 s, each channel an eighth of a turn behind the one before.
constexpr double kSinePeriodSeconds = 10.0;
constexpr double kSinePhaseStep = std::numbers::pi / 4.0;

bool validMaster(int master) { return master >= 0 && master <= static_cast<int>(kQlpMasterIdMax); }

} // namespace

QlpCommand simErrorReply(const QlpCommand& request, std::uint32_t id, std::uint8_t code) {
    QlpCommand reply{
        .valueCount = 0, .id = id, .function = code, .command = request.command, .channel = request.channel};
    return reply;
}

SimDevice::SimDevice(SimProfile profile, SimSettings settings, int number)
    : profile_(std::move(profile)), active_(settings), pending_(settings), saved_(settings), number_(number),
      outputs_(profile_.kinds.size(), 0), da_codes_(profile_.kinds.size(), 0),
      fixed_inputs_(profile_.kinds.size(), -1) {}

void SimDevice::SetFixedInput(int channel, int code) {
    if (channel >= 0 && channel < channel_count()) fixed_inputs_[static_cast<std::size_t>(channel)] = code;
}

int SimDevice::AnalogInput(int channel, double seconds) const {
    if (channel < 0 || channel >= channel_count()) return 0;
    const int fixed = fixed_inputs_[static_cast<std::size_t>(channel)];
    if (fixed >= 0) return fixed;
    const double angle = 2.0 * std::numbers::pi * seconds / kSinePeriodSeconds + kSinePhaseStep * channel;
    const double half = qlp::kCodeMax / 2.0;
    return static_cast<int>(std::lround(half + half * std::sin(angle)));
}

int SimDevice::AnalogOutput(int channel) const {
    if (channel < 0 || channel >= channel_count()) return 0;
    return da_codes_[static_cast<std::size_t>(channel)];
}

int SimDevice::digital_state() const {
    int state = 0;
    for (int ch = 0; ch < channel_count(); ++ch)
        if (KindOf(ch) == kChannelDO && outputs_[static_cast<std::size_t>(ch)] != 0) state |= 1 << ch;
    // Nothing drives the digital inputs of a simulated device: they read 0.
    return state;
}

ChannelKind SimDevice::KindOf(int channel) const {
    if (channel < 0 || channel >= channel_count()) return kChannelNone;
    return profile_.kinds[static_cast<std::size_t>(channel)];
}

QlpCommand SimDevice::echo(const QlpCommand& request) const {
    QlpCommand reply{.valueCount = 0,
                     .id = static_cast<std::uint32_t>(active_.id),
                     .function = request.function,
                     .command = request.command,
                     .channel = request.channel};
    return reply;
}

QlpCommand SimDevice::error(const QlpCommand& request, std::uint8_t code) const {
    return simErrorReply(request, static_cast<std::uint32_t>(active_.id), code);
}

QlpCommand SimDevice::answer(const QlpCommand& request, double seconds) {
    switch (request.function) {
    case qlp::kCheck: return check(request);
    case qlp::kRead: return read(request, seconds);
    case qlp::kWrite: return write(request);
    case qlp::kSystem: return system(request);
    case qlp::kReadSetting: return ReadSetting(request);
    case qlp::kWriteSetting: return WriteSetting(request);
    case qlp::kReadCount: return read_count(request);
    default: return error(request, qlp::kNoneFunction);
    }
}

QlpCommand SimDevice::check(const QlpCommand& request) const {
    if (request.command != qlp::kDevice) return error(request, qlp::kNoneCommand);
    QlpCommand reply = echo(request);
    reply.valueCount = 2;
    reply.values[0] = profile_.model;
    reply.values[1] = 1;
    return reply;
}

QlpCommand SimDevice::read(const QlpCommand& request, double seconds) const {
    const int ch = request.channel;
    QlpCommand reply = echo(request);
    reply.valueCount = 1;
    switch (request.command) {
    case qlp::kDevice:
        reply.values[0] = digital_state();
        return reply;
    case qlp::kAnalogInput:
        if (KindOf(ch) == kChannelNone) return error(request, qlp::kNoneChannel);
        if (KindOf(ch) != kChannelAD) return error(request, qlp::kNoneMode);
        reply.values[0] = AnalogInput(ch, seconds);
        return reply;
    case qlp::kAnalogOutput:
        if (KindOf(ch) == kChannelNone) return error(request, qlp::kNoneChannel);
        if (KindOf(ch) != kChannelDA) return error(request, qlp::kNoneMode);
        reply.values[0] = AnalogOutput(ch);
        return reply;
    default: return error(request, qlp::kNoneCommand);
    }
}

QlpCommand SimDevice::write(const QlpCommand& request) {
    const int ch = request.channel;
    const bool digital = request.command == profile_.digital_output_command;
    if (!digital && request.command != qlp::kAnalogOutput && request.command != qlp::kAnalogInput)
        return error(request, qlp::kNoneCommand);
    if (KindOf(ch) == kChannelNone) return error(request, qlp::kNoneChannel);
    // An input of the written sort cannot be written; any other kind is the wrong mode.
    if (request.command == qlp::kAnalogInput)
        return error(request, KindOf(ch) == kChannelAD ? qlp::kReadOnly : qlp::kNoneMode);
    const ChannelKind wanted = digital ? kChannelDO : kChannelDA;
    const ChannelKind input = digital ? kChannelDI : kChannelAD;
    if (KindOf(ch) == input) return error(request, qlp::kReadOnly);
    if (KindOf(ch) != wanted) return error(request, qlp::kNoneMode);
    if (request.valueCount < 1) return error(request, qlp::kNoneValue);

    const int value = request.values[0];
    if (digital) {
        outputs_[static_cast<std::size_t>(ch)] = value != 0 ? 1 : 0;
    } else {
        if (value < 0 || value > qlp::kCodeMax) return error(request, qlp::kNoneValue);
        da_codes_[static_cast<std::size_t>(ch)] = value;
    }
    QlpCommand reply = echo(request);
    reply.valueCount = 1;
    reply.values[0] = value;
    return reply;
}

QlpCommand SimDevice::ReadSetting(const QlpCommand& request) const {
    QlpCommand reply = echo(request);
    reply.valueCount = 1;
    switch (request.command) {
    case qlp::kSettingId: reply.values[0] = active_.id; break;
    case qlp::kSettingBaud: reply.values[0] = active_.baud_code; break;
    case qlp::kSettingCan: reply.values[0] = active_.can_divider; break;
    case qlp::kSettingMaster: reply.values[0] = active_.master; break;
    default: return error(request, qlp::kNoneCommand);
    }
    return reply;
}

QlpCommand SimDevice::WriteSetting(const QlpCommand& request) {
    if (request.command != qlp::kSettingId && request.command != qlp::kSettingBaud &&
        request.command != qlp::kSettingCan && request.command != qlp::kSettingMaster)
        return error(request, qlp::kNoneCommand);
    if (request.valueCount < 1) return error(request, qlp::kNoneValue);
    const int value = request.values[0];
    QlpCommand reply = echo(request);
    reply.valueCount = 1;
    reply.values[0] = value;
    switch (request.command) {
    case qlp::kSettingId:
        if (value < qlp::kIdMin || value > qlp::kIdMax) return error(request, qlp::kNoneValue);
        // The reply still goes out under the old ID (built above).
        active_.id = value;
        pending_.id = value;
        break;
    case qlp::kSettingBaud:
        if (comport_baudrate_of_code(value) == 0) return error(request, qlp::kNoneValue);
        pending_.baud_code = value;
        break;
    case qlp::kSettingCan:
        if (canRateIndex(value) < 0) return error(request, qlp::kNoneValue);
        pending_.can_divider = value;
        break;
    default:
        if (!validMaster(value)) return error(request, qlp::kNoneValue);
        pending_.master = value;
        break;
    }
    return reply;
}

QlpCommand SimDevice::system(const QlpCommand& request) {
    QlpCommand reply = echo(request);
    // A system command is confirmed by echoing its value.
    reply.valueCount = 1;
    reply.values[0] = request.valueCount >= 1 ? request.values[0] : 0;
    switch (request.command) {
    case qlp::kSave: saved_ = pending_; break;
    case qlp::kReset:
        // The reply is built under the old settings; then the device restarts.
        active_ = saved_;
        pending_ = saved_;
        break;
    default: return error(request, qlp::kNoneCommand);
    }
    return reply;
}

QlpCommand SimDevice::read_count(const QlpCommand& request) const {
    if (request.command != qlp::kDevice) return error(request, qlp::kNoneCommand);
    QlpCommand reply = echo(request);
    reply.valueCount = 1;
    reply.values[0] = number_;
    return reply;
}
