#include "core/protocol/zum_codec.h"

#include <algorithm>
#include <cstdio>

#include "core/util/convert.h"

namespace {

// ZUM frames are short: a text of this many characters or more is not a frame.
constexpr std::size_t kZumTextLimit = 128;
// Characters of one ZUM number; a longer number fails the frame.
constexpr std::size_t kZumNumberLimit = 31;
// A ZUM frame carries ID and function plus at most command, channel and three values.
constexpr int kZumMinNumbers = 2;
constexpr int kZumMaxNumbers = 7;
// What a frame with a wrong number count or a garbled field decodes to ("Code Error").
constexpr std::uint8_t kCodeErrorFunction = 0xF6;

constexpr std::uint8_t kZumStart = '%';
constexpr std::uint8_t kZebStart = '$';
constexpr std::uint8_t kZikStart = '@';
constexpr std::uint8_t kFrameEnd = 0x00;

constexpr std::size_t kZebBlockSize = 16;
constexpr std::size_t kZebCrcCovered = 12;
constexpr std::uint8_t kZebEscape = 0xA8;
// The second bytes of the four escape pairs.
constexpr std::uint8_t kZebEscapedFirst = 0xA9;
constexpr std::uint8_t kZebEscapedLast = 0xAC;
constexpr std::uint8_t kZikEscape = 0xDB;
constexpr std::uint8_t kZikEscapedEnd = 0xDC;
constexpr std::uint8_t kZikEscapedEscape = 0xDD;
// The ZIK address is decimal text of at most four digits.
constexpr std::size_t kZikAddressDigits = 4;

// The intermediate packet: ID, two reserved bytes, function, parameter length L,
// then command, channel and each value as two bytes, high byte first.
struct Packet {
    std::array<std::uint8_t, 13> bytes{};
    std::uint8_t& id() { return bytes[0]; }
    std::uint8_t& function() { return bytes[3]; }
    std::uint8_t& length() { return bytes[4]; }
    std::uint8_t* params() { return &bytes[5]; }
};

std::int32_t lengthToValueCount(int length) { return (length - 2) / 2; }

// Values outside -32767..32767 travel as 0; -32768 too, as the devices expect.
void putValue(std::uint8_t* at, std::int32_t value) {
    if (value < -32767 || value > 32767) value = 0;
    auto raw = static_cast<std::uint16_t>(value);
    at[0] = static_cast<std::uint8_t>(raw >> 8);
    at[1] = static_cast<std::uint8_t>(raw & 0xFF);
}

std::int32_t getValue(const std::uint8_t* at) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((at[0] << 8) | at[1]));
}

std::size_t textLength(const std::uint8_t* bytes, std::size_t length) {
    return static_cast<std::size_t>(std::find(bytes, bytes + length, kFrameEnd) - bytes);
}

// The range of each ZUM number by its place: ID, function, command and channel are
// bytes; a value is a 16-bit word, written signed or unsigned.
constexpr std::array<std::int32_t, kZumMaxNumbers> kZumLow{0, 0, 0, 0, -32768, -32768, -32768};
constexpr std::array<std::int32_t, kZumMaxNumbers> kZumHigh{255, 255, 255, 255, 65535, 65535, 65535};
// Beyond every range: a longer run of digits stops counting here.
constexpr std::int32_t kZumNumberCap = 1000000;

// A decimal number with an optional leading "-", inside low..high. An empty field,
// a "-" anywhere else or a number out of range is no number: false.
bool zumNumberValue(const char* text, std::size_t length, std::int32_t low, std::int32_t high,
                    std::int32_t& out) {
    std::size_t i = 0;
    const bool negative = length > 0 && text[0] == '-';
    if (negative) ++i;
    if (i == length) return false;
    std::int32_t value = 0;
    for (; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = std::min(value * 10 + (text[i] - '0'), kZumNumberCap);
    }
    if (negative) value = -value;
    if (value < low || value > high) return false;
    out = value;
    return true;
}

std::string twoHexDigits(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

} // namespace

std::vector<std::uint8_t> qlpEncodeText(const QlpCommand& command) {
    Packet packet;
    const std::int32_t valueCount = std::clamp(command.valueCount, -1, 3);
    packet.id() = static_cast<std::uint8_t>(command.id & 0xFF);
    packet.function() = command.function;
    packet.length() = static_cast<std::uint8_t>(2 * valueCount + 2);
    packet.params()[0] = command.command;
    packet.params()[1] = command.channel;
    for (int i = 0; i < valueCount; ++i) putValue(&packet.params()[2 + 2 * i], command.values[i]);

    std::string text = "% " + std::to_string(packet.id()) + "," + std::to_string(packet.function());
    const int length = packet.length();
    if (length <= 2) {
        for (int i = 0; i < length; ++i) text += "," + std::to_string(packet.params()[i]);
    } else {
        text += "," + std::to_string(packet.params()[0]) + "," + std::to_string(packet.params()[1]);
        for (int i = 0; i < (length - 2) / 2; ++i) {
            const std::uint8_t* at = &packet.params()[2 + 2 * i];
            text += "," + std::to_string(at[0] * 256 + at[1]);
        }
    }
    std::vector<std::uint8_t> frame(text.begin(), text.end());
    frame.push_back(kFrameEnd);
    return frame;
}

bool qlpDecodeText(const std::uint8_t* bytes, std::size_t length, QlpCommand& out) {
    if (bytes == nullptr || length == 0) return false;
    const std::size_t end = textLength(bytes, length);
    if (end == length || end >= kZumTextLimit) return false; // no closing 0x00, or too long
    if (bytes[0] != kZumStart) return false;

    std::size_t pos = 1;
    while (pos < end && bytes[pos] != ' ') ++pos;
    if (pos == end) return false;
    while (pos < end && bytes[pos] == ' ') ++pos;
    if (pos == end) return false;

    std::array<std::int32_t, kZumMaxNumbers> numbers{};
    int count = 0;
    bool garbled = false; // a field that is empty, not decimal or out of its range
    char current[kZumNumberLimit];
    std::size_t current_length = 0;
    for (;; ++pos) {
        const std::uint8_t c = bytes[pos]; // bytes[end] is the closing 0x00
        if ((c >= '0' && c <= '9') || c == '-') {
            if (current_length == kZumNumberLimit) return false;
            current[current_length++] = static_cast<char>(c);
        } else if (c == '\r' || c == '\n') {
            continue;
        } else if (c == ',' || c == kFrameEnd) {
            // Numbers past the seventh are only counted.
            if (count < kZumMaxNumbers &&
                !zumNumberValue(current, current_length, kZumLow[count], kZumHigh[count], numbers[count])) {
                // A frame whose ID cannot be read belongs to no device.
                if (count == 0) return false;
                garbled = true;
            }
            ++count;
            current_length = 0;
            if (c == kFrameEnd) break;
        } else {
            return false;
        }
    }

    // A wrong number count or a garbled field gives the Code Error record, never a
    // value cut down to fit.
    Packet packet;
    packet.id() = static_cast<std::uint8_t>(numbers[0]);
    if (count < kZumMinNumbers || count > kZumMaxNumbers || garbled) {
        packet.function() = kCodeErrorFunction;
        packet.length() = 0;
    } else {
        packet.function() = static_cast<std::uint8_t>(numbers[1]);
        if (count == 2) {
            packet.length() = 0;
        } else if (count == 3) {
            packet.params()[0] = static_cast<std::uint8_t>(numbers[2]);
            packet.length() = 1;
        } else {
            packet.params()[0] = static_cast<std::uint8_t>(numbers[2]);
            packet.params()[1] = static_cast<std::uint8_t>(numbers[3]);
            for (int i = 4; i < count; ++i) {
                std::uint8_t* at = &packet.params()[2 + 2 * (i - 4)];
                const auto word = static_cast<std::uint16_t>(numbers[i]);
                at[0] = static_cast<std::uint8_t>(word >> 8);
                at[1] = static_cast<std::uint8_t>(word & 0xFF);
            }
            packet.length() = static_cast<std::uint8_t>(2 * (count - 4) + 2);
        }
    }

    QlpCommand decoded{.valueCount = lengthToValueCount(packet.length()),
                       .id = packet.id(),
                       .function = packet.function(),
                       .command = packet.params()[0],
                       .channel = packet.params()[1]};
    for (int i = 0; i < decoded.valueCount; ++i) decoded.values[i] = getValue(&packet.params()[2 + 2 * i]);
    out = decoded;
    return true;
}

std::string qlpCommandText(const QlpCommand& command) {
    std::string text = "% " + std::to_string(command.id) + "," + std::to_string(command.function) + "," +
                       std::to_string(command.command) + "," + std::to_string(command.channel);
    const int valueCount = std::clamp(command.valueCount, 0, 3);
    for (int i = 0; i < valueCount; ++i) text += "," + std::to_string(command.values[i]);
    return text;
}

std::uint16_t qlpCrc16(const std::uint8_t* bytes, std::size_t count) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u)
                                                             : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

std::vector<std::uint8_t> zebEncode(const ZebFrame& frame) {
    std::array<std::uint8_t, kZebBlockSize> block{};
    block[0] = 0;
    block[1] = static_cast<std::uint8_t>(frame.address & 0xFF);
    block[2] = frame.code;
    block[3] = frame.count;
    std::copy(frame.data.begin(), frame.data.end(), block.begin() + 4);
    const std::uint16_t crc = qlpCrc16(block.data(), kZebCrcCovered);
    block[12] = static_cast<std::uint8_t>(crc >> 8);
    block[13] = static_cast<std::uint8_t>(crc & 0xFF);

    // 0xA8 travels as itself, so 0xA8 followed by a byte that would end an escape
    // pair reads back as that pair: such a block cannot be sent as it is.
    for (std::size_t i = 0; i + 1 < kZebBlockSize; ++i)
        if (block[i] == kZebEscape && block[i + 1] >= kZebEscapedFirst && block[i + 1] <= kZebEscapedLast) return {};

    std::vector<std::uint8_t> out;
    out.reserve(2 + 2 * kZebBlockSize);
    out.push_back(kZebStart);
    for (std::uint8_t b : block) {
        switch (b) {
        case '%': out.insert(out.end(), {kZebEscape, 0xA9}); break;
        case '$': out.insert(out.end(), {kZebEscape, 0xAA}); break;
        case '@': out.insert(out.end(), {kZebEscape, 0xAB}); break;
        case 0x00: out.insert(out.end(), {kZebEscape, 0xAC}); break;
        default: out.push_back(b); break;
        }
    }
    out.push_back(kFrameEnd);
    return out;
}

bool zebDecode(const std::uint8_t* bytes, std::size_t length, ZebFrame& out) {
    if (bytes == nullptr || length == 0 || bytes[0] != kZebStart) return false;
    const std::size_t end = textLength(bytes, length);
    if (end == length) return false; // a frame always ends with its 0x00

    std::array<std::uint8_t, kZebBlockSize> block{};
    std::size_t filled = 0;
    for (std::size_t pos = 1; pos < end; ++pos) {
        std::uint8_t b = bytes[pos];
        // 0xA8 that starts no escape pair is the byte itself (it travels unescaped).
        if (b == kZebEscape && pos + 1 < end) {
            bool pair = true;
            switch (bytes[pos + 1]) {
            case 0xA9: b = '%'; break;
            case 0xAA: b = '$'; break;
            case 0xAB: b = '@'; break;
            case 0xAC: b = 0x00; break;
            default: pair = false; break;
            }
            if (pair) ++pos;
        }
        if (filled == kZebBlockSize) return false;
        block[filled++] = b;
    }
    if (filled != kZebBlockSize) return false;
    const std::uint16_t crc = qlpCrc16(block.data(), kZebCrcCovered);
    if (block[12] != (crc >> 8) || block[13] != (crc & 0xFF)) return false;

    ZebFrame decoded;
    decoded.address = block[1];
    decoded.code = block[2];
    decoded.count = block[3];
    std::copy(block.begin() + 4, block.begin() + 12, decoded.data.begin());
    out = decoded;
    return true;
}

std::string zebFrameText(const ZebFrame& frame) {
    std::string text = std::to_string(frame.address) + "," + twoHexDigits(frame.code);
    // The record holds eight data bytes, whatever count a received block claims.
    const std::size_t shown = std::min<std::size_t>(frame.count, frame.data.size());
    for (std::size_t i = 0; i < shown; ++i) text += "," + twoHexDigits(frame.data[i]);
    return text;
}

std::vector<std::uint8_t> zikEncode(const ZikFrame& frame) {
    if (frame.length < 1) return {};
    const std::string head = "@ " + std::to_string(frame.address) + ",";
    std::vector<std::uint8_t> out(head.begin(), head.end());
    for (std::size_t i = 0; i < frame.length; ++i) {
        const std::uint8_t b = frame.data[i];
        if (b == 0x00)
            out.insert(out.end(), {kZikEscape, kZikEscapedEnd});
        else if (b == kZikEscape)
            out.insert(out.end(), {kZikEscape, kZikEscapedEscape});
        else
            out.push_back(b);
    }
    out.push_back(kFrameEnd);
    return out;
}

bool zikDecode(const std::uint8_t* bytes, std::size_t length, ZikFrame& out) {
    if (bytes == nullptr || length == 0 || bytes[0] != kZikStart) return false;

    std::size_t pos = 1;
    std::uint32_t address = 0;
    std::size_t digits = 0;
    for (;; ++pos) {
        if (pos == length || bytes[pos] == kFrameEnd) return false;
        const std::uint8_t c = bytes[pos];
        if (c == ',') break;
        if (c == ' ') continue;
        if (c < '0' || c > '9' || digits == kZikAddressDigits) return false;
        address = address * 10 + (c - '0');
        ++digits;
    }
    if (digits == 0) return false;
    ++pos; // past the ","

    ZikFrame decoded;
    decoded.address = address;
    const std::size_t end = textLength(bytes, length);
    if (end == length) return false; // no closing 0x00: not a whole frame, shown raw
    std::size_t filled = 0;
    for (; pos < end; ++pos) {
        std::uint8_t b = bytes[pos];
        if (b == kZikEscape) {
            const std::uint8_t next = pos + 1 < end ? bytes[pos + 1] : kFrameEnd;
            ++pos;
            if (next == kZikEscapedEnd)
                b = 0x00;
            else if (next == kZikEscapedEscape)
                b = kZikEscape;
            else if (next == kFrameEnd)
                break; // a lone escape before the end is dropped
            else
                continue; // an unknown escape pair is dropped
        }
        if (filled == decoded.data.size()) return false;
        decoded.data[filled++] = b;
    }
    decoded.length = static_cast<std::uint8_t>(filled);
    out = decoded;
    return true;
}

std::string zikFrameText(const ZikFrame& frame) {
    return "@ " + std::to_string(frame.address) + "," + bytes_to_hex_text(frame.data.data(), frame.length, ',');
}
