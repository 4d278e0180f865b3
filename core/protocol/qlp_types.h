// The records that travel in the three frame kinds, and the exchange status codes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Device IDs as they travel. A device answers to its own ID, 0 to kQlpLastDeviceId,
// and to the two IDs that whichever device hears the request answers: that is how a
// device of unknown ID is found on the port. A master ID may be 0 to kQlpMasterIdMax.
inline constexpr std::uint32_t kQlpLastDeviceId = 253;
inline constexpr std::uint32_t kQlpAnyId = 254;
inline constexpr std::uint32_t kQlpAnyIdToo = 255;
inline constexpr std::uint32_t kQlpMasterIdMax = 254;

constexpr bool qlpAnyId(std::uint32_t id) {
    return id == kQlpAnyId || id == kQlpAnyIdToo;
}

// One QLP command or reply; a plain value type.
struct QlpCommand {
    std::int32_t valueCount = 0; // -1 ID and function only, 0 plus command and channel, 1..3 values
    std::uint32_t id = 0;
    std::uint8_t function = 0;
    std::uint8_t command = 0;
    std::uint8_t channel = 0;
    std::array<std::int32_t, 3> values{};

    bool operator==(const QlpCommand&) const = default;
};

struct ZebFrame {
    std::uint32_t address = 0;
    std::uint8_t code = 0;
    std::uint8_t count = 0; // data bytes shown, 0..8; all eight travel
    std::array<std::uint8_t, 8> data{};

    bool operator==(const ZebFrame&) const = default;
};

struct ZikFrame {
    std::uint32_t address = 0;
    std::uint8_t length = 0; // 1..255
    std::array<std::uint8_t, 255> data{};
};

enum ExchangeStatus : int {
    kExchangeSuccess = 0,
    kExchangeReadFault = 1,
    kExchangeWriteFault = 2,
    kExchangeTimeout = 3,
    kExchangeFunctionError = 4,
    kExchangeCommandError = 5,
    kExchangeChannelError = 6,
    kExchangeValueAmountError = 7,
    kExchangeValueCompareError = 8,
    kExchangeError = 9,
};

std::string exchangeStatusText(int status);
