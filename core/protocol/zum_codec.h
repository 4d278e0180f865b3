// The three frame kinds on the wire: ZUM (QLP text), ZEB (binary block with CRC)
// and ZIK (addressed raw bytes). Each frame ends with a single 0x00.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/protocol/qlp_types.h"

// ZUM: "% id,function[,command,channel[,values]]" and 0x00 (counted in the result).
std::vector<std::uint8_t> qlpEncodeText(const QlpCommand& command);
// Decodes a frame that starts with '%' and ends at its first 0x00 within length.
// A wrong number count, or a field that is empty, not decimal or out of its range
// (ID, function, command, channel 0..255; values -32768..65535), gives the Code
// Error record (function 0xF6, valueCount -1); a frame whose ID cannot be read fails.
bool qlpDecodeText(const std::uint8_t* bytes, std::size_t length, QlpCommand& out);
std::string qlpCommandText(const QlpCommand& command);

// Reply status codes 0xF0..0xFB: the plain texts and the alert texts.
std::string qlpReplyText(int code);
std::string qlpReplyAlert(int code);

// CRC-16 with the MODBUS parameters.
std::uint16_t qlpCrc16(const std::uint8_t* bytes, std::size_t count);

// Empty when the block holds 0xA8 followed by 0xA9..0xAC: that 0xA8 travels as
// itself, so the pair would read back as an escape and the frame as another one.
std::vector<std::uint8_t> zebEncode(const ZebFrame& frame);
// 0xA8 followed by 0xA9..0xAC is an escape pair; any other 0xA8 is the byte itself.
bool zebDecode(const std::uint8_t* bytes, std::size_t length, ZebFrame& out);
std::string zebFrameText(const ZebFrame& frame);

// Empty when the frame has no data bytes.
std::vector<std::uint8_t> zikEncode(const ZikFrame& frame);
bool zikDecode(const std::uint8_t* bytes, std::size_t length, ZikFrame& out);
std::string zikFrameText(const ZikFrame& frame);
