#include "core/terminal/send_file.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/terminal/terminal_texts.h"
#include "core/serial/port.h"
#include "core/files/file_io.h"

SendFileRead ReadSendFile(SendFileBuffer& buffer) {
    std::array<std::uint8_t, kSendFileCapacity> read{};
    const std::int32_t length = file_read_all(read.data(), kSendFileCapacity, buffer.path);
    if (length < 0) {
        if (last_file_errno() == EFBIG) return SendFileRead::kTooLarge;
        // The earlier bytes and their text stay, to be shown again.
        buffer.length = -1;
        return SendFileRead::kNoFile;
    }
    buffer.data = read;
    buffer.length = length;
    const auto end = std::find(buffer.data.begin(), buffer.data.begin() + length, std::uint8_t{0});
    buffer.text.assign(buffer.data.begin(), end);
    return SendFileRead::kRead;
}

std::string read_send_file_line(SendFileRead result) {
    if (result != SendFileRead::kTooLarge) return {};
    return std::string(kSendAsciiPrefix) + "File is larger than 4096 bytes!";
}

std::string SendFileData(Port& port, SendFileBuffer& buffer) {
    if (buffer.length <= 0) return std::string(kSendAsciiPrefix) + "Send Data is Empty!";
    // The port adjusts parity in place; the buffer keeps the file's bytes for the next send.
    std::vector<std::uint8_t> bytes(buffer.data.begin(), buffer.data.begin() + buffer.length);
    const ComportStatus status = port.Send(bytes.data(), buffer.length);
    if (status != kComportSuccess) return kSendAsciiPrefix + comport_status_text_of(status);
    return kSendAsciiPrefix + buffer.text;
}
