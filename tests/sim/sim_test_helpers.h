// Requests, replies and device profiles for the simulator's unit tests.
#pragma once

#include <initializer_list>

#include "core/protocol/qlp_types.h"
#include "sim/sim_device.h"

inline QlpCommand qlpRecord(std::uint32_t id, std::uint8_t function, std::uint8_t command, std::uint8_t channel,
                            std::initializer_list<std::int32_t> values = {}) {
    QlpCommand c;
    c.id = id;
    c.function = function;
    c.command = command;
    c.channel = channel;
    c.valueCount = static_cast<std::int32_t>(values.size());
    std::size_t i = 0;
    for (std::int32_t v : values) c.values[i++] = v;
    return c;
}

// Profiles as the device tables give them, written out so that the device's
// behaviour is tested apart from the tables: the family's DO write command (RD24
// 0x11, PT57 0x20), the model and its channel kinds.
inline constexpr std::uint8_t kRd24DigitalOutput = 0x11;
inline constexpr std::uint8_t kPt57DigitalOutput = 0x20;
inline SimProfile rd24M4() { return {kRd24DigitalOutput, 4, "RD24-M4", {kChannelAD, kChannelAD, kChannelDA, kChannelDA, kChannelNone, kChannelNone}}; }
inline SimProfile rd24M1() { return {kRd24DigitalOutput, 1, "RD24-M1", {kChannelDI, kChannelDI, kChannelDO, kChannelDO, kChannelDO, kChannelDO}}; }
inline SimProfile rd24M6() { return {kRd24DigitalOutput, 6, "RD24-M6", {kChannelAD, kChannelDI, kChannelDO, kChannelDO, kChannelNone, kChannelNone}}; }
inline SimProfile pt57M1() {
    return {kPt57DigitalOutput, 1, "PT57-M1", {kChannelAD, kChannelAD, kChannelDA, kChannelDA, kChannelDI, kChannelDI, kChannelDO, kChannelDO}};
}

inline SimSettings settingsWithId(int id) {
    SimSettings s;
    s.id = id;
    return s;
}
