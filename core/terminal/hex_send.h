// What the two HEX tabs send and the message-list lines they write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/protocol/qlp_types.h"

class Port;

inline constexpr const char* kGeneralHexPrefix = "---* Send General HEX Data *---   ";
inline constexpr const char* kGeneralHexError = "General HEX Send Error! ";
inline constexpr const char* kZikFramePrefix = "Send ZIK Frame = ";
// The devices take at most this many data bytes in one ZIK frame; more are cut off.
inline constexpr std::size_t kQlpHexMaxData = 8;

// The bytes of a typed hex text: pairs of digits, "," dropping a half pair.
std::vector<std::uint8_t> general_hex_bytes(std::string_view text);

// Writes the bytes to `port` (also when there are none, so the port reports the empty
// send) and returns the line to log. The port adjusts 7-bit parity in the buffer
// itself, so the line shows the bytes as they went out.
std::string SendGeneralHexData(Port& port, std::vector<std::uint8_t>& bytes);

// The ZIK frame of a QLP HEX group: the ID and the first kQlpHexMaxData bytes.
ZikFrame qlp_hex_frame(std::uint32_t id, std::string_view text);

// Writes the frame to `port` and returns the line to log; nothing at all for a frame
// without data.
std::optional<std::string> SendQlpHexFrame(Port& port, const ZikFrame& frame);
