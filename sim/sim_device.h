// One simulated RD24 or PT57 I/O device: what it answers to each QLP request and
// the settings it keeps (in effect, written but not saved, saved).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/protocol/device_def.h"
#include "core/protocol/qlp_types.h"

// What a device plays: its family's digital output command, and its model.
struct SimProfile {
    std::uint8_t digital_output_command = 0; // what its family's DO writes carry
    int model = 0;                           // model index, the first value of the check reply
    std::string name;                        // model name
    std::vector<ChannelKind> kinds;          // channel 0 first
};

struct SimSettings {
    int id = 1;
    int baud_code = 1152; // baud rate / 100
    int can_divider = 8;  // CAN bit-rate divider
    int master = 1;

    bool operator==(const SimSettings&) const = default;
};

// The codes of the QLP layer the device speaks.
namespace qlp {
inline constexpr std::uint8_t kCheck = 0x01;
inline constexpr std::uint8_t kRead = 0x05;
inline constexpr std::uint8_t kWrite = 0x06;
inline constexpr std::uint8_t kSystem = 0xE1;
inline constexpr std::uint8_t kReadSetting = 0xE2;
inline constexpr std::uint8_t kWriteSetting = 0xE3;
inline constexpr std::uint8_t kReadCount = 0xE4;

inline constexpr std::uint8_t kDevice = 0x10;
inline constexpr std::uint8_t kAnalogInput = 0x30;
inline constexpr std::uint8_t kAnalogOutput = 0x40;

inline constexpr std::uint8_t kSettingMaster = 0x10;
inline constexpr std::uint8_t kSettingId = 0x11;
inline constexpr std::uint8_t kSettingBaud = 0x12;
inline constexpr std::uint8_t kSettingCan = 0x13;
inline constexpr std::uint8_t kSave = 0x13;
inline constexpr std::uint8_t kReset = 0x14;

inline constexpr std::uint8_t kNoneValue = 0xF2;
inline constexpr std::uint8_t kReadOnly = 0xF3;
inline constexpr std::uint8_t kNoneDevice = 0xF7;
inline constexpr std::uint8_t kNoneMode = 0xF8;
inline constexpr std::uint8_t kNoneFunction = 0xF9;
inline constexpr std::uint8_t kNoneCommand = 0xFA;
inline constexpr std::uint8_t kNoneChannel = 0xFB;

// The converters are 12-bit.
inline constexpr int kCodeMax = 4095;
// Device IDs; 254 and 255 reach whichever device is on the port.
inline constexpr int kIdMin = 1;
inline constexpr int kIdMax = 253;
} // namespace qlp

// The reply a device gives with an error code: the request's command and
// channel, no values.
QlpCommand simErrorReply(const QlpCommand& request, std::uint32_t id, std::uint8_t code);

class SimDevice {
public:
    SimDevice(SimProfile profile, SimSettings settings, int number);

    const SimProfile& profile() const { return profile_; }
    int id() const { return active_.id; }
    int baud_rate() const { return active_.baud_code * 100; }
    int can_divider() const { return active_.can_divider; }
    const SimSettings& active() const { return active_; }
    const SimSettings& pending() const { return pending_; }
    const SimSettings& saved() const { return saved_; }

    // Holds an analogue input at a code instead of the slow sine.
    void SetFixedInput(int channel, int code);
    // The code an analogue input reads `seconds` after start.
    int AnalogInput(int channel, double seconds) const;
    int AnalogOutput(int channel) const;
    // Bit n is the state of channel n, for the DI and DO channels.
    int digital_state() const;

    // Answers one request addressed to this device, heard `seconds` after start.
    // The reply carries the ID the device had when it heard the request; a new
    // ID or a reset takes effect once the reply is built.
    QlpCommand answer(const QlpCommand& request, double seconds);

private:
    int channel_count() const { return static_cast<int>(profile_.kinds.size()); }
    ChannelKind KindOf(int channel) const;

    QlpCommand echo(const QlpCommand& request) const;
    QlpCommand error(const QlpCommand& request, std::uint8_t code) const;
    QlpCommand check(const QlpCommand& request) const;
    QlpCommand read(const QlpCommand& request, double seconds) const;
    QlpCommand write(const QlpCommand& request);
    QlpCommand ReadSetting(const QlpCommand& request) const;
    QlpCommand WriteSetting(const QlpCommand& request);
    QlpCommand system(const QlpCommand& request);
    QlpCommand read_count(const QlpCommand& request) const;

    SimProfile profile_;
    SimSettings active_;
    SimSettings pending_;
    SimSettings saved_;
    int number_;
    std::vector<int> outputs_;     // DO states, 0 or 1
    std::vector<int> da_codes_;     // last DA code written
    std::vector<int> fixed_inputs_; // -1: follows the sine
};
