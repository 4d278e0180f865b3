#include "core/terminal/hex_send.h"

#include <algorithm>

#include "core/protocol/zum_codec.h"
#include "core/serial/port.h"
#include "core/util/convert.h"

std::vector<std::uint8_t> general_hex_bytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    hex_pairs_to_bytes(text, ',', bytes);
    return bytes;
}

std::string SendGeneralHexData(Port& port, std::vector<std::uint8_t>& bytes) {
    const auto count = static_cast<std::int32_t>(bytes.size());
    if (const ComportStatus status = port.Send(bytes.data(), count); status != kComportSuccess)
        return kGeneralHexError + comport_status_text_of(status);
    return kGeneralHexPrefix + bytes_to_hex_text(bytes.data(), count, ',');
}

ZikFrame qlp_hex_frame(std::uint32_t id, std::string_view text) {
    std::vector<std::uint8_t> bytes = general_hex_bytes(text);
    ZikFrame frame;
    frame.address = id;
    frame.length = static_cast<std::uint8_t>(std::min(bytes.size(), kQlpHexMaxData));
    std::copy_n(bytes.begin(), frame.length, frame.data.begin());
    return frame;
}

std::optional<std::string> SendQlpHexFrame(Port& port, const ZikFrame& frame) {
    std::vector<std::uint8_t> wire = zikEncode(frame);
    if (wire.empty()) return std::nullopt;
    const ComportStatus status = port.Send(wire.data(), static_cast<std::int32_t>(wire.size()));
    if (status != kComportSuccess) return kZikFramePrefix + comport_status_text_of(status);
    return kZikFramePrefix + zikFrameText(frame);
}
