// The "Send File" buffer: a file of up to 4096 bytes read whole, shown up to its
// first 0x00 byte, and sent unchanged in one write.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class Port;

inline constexpr std::int32_t kSendFileCapacity = 4096;

struct SendFileBuffer {
    std::array<std::uint8_t, kSendFileCapacity> data{};
    std::int32_t length = 0; // -1 after a file failed to open
    std::string text;        // data up to the first 0x00
    std::string directory;
    std::string name;
    std::string path;
};

enum class SendFileRead {
    kRead,     // data, length and text are the file's
    kNoFile,   // could not be opened: length -1, data and text kept
    kTooLarge, // longer than the buffer: refused, the buffer as it was
};

// Reads buffer.path into the buffer.
SendFileRead ReadSendFile(SendFileBuffer& buffer);
// The line "Read File" logs for a refused file, empty when there is none.
std::string read_send_file_line(SendFileRead result);
// Writes the buffer's bytes to `port` in one go and returns the message-list line.
std::string SendFileData(Port& port, SendFileBuffer& buffer);
