// The program's side of a simulated port, driven by hand: a raw line on the
// slave at a chosen rate, bytes written and read as they are.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "support/bytes.h"
#include "core/util/non_copyable.h"

class FarLine : private NonCopyable {
public:
    explicit FarLine(const std::string& path, std::uint32_t rate = 115200);
    ~FarLine();

    bool ok() const { return fd_ >= 0; }
    bool setRate(std::uint32_t rate);
    bool write(const Bytes& bytes);
    bool write(std::string_view bytes);
    // What arrives until `quiet` passes with nothing new, or `limit` in all.
    Bytes readQuiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(60),
                    std::chrono::milliseconds limit = std::chrono::milliseconds(1000));
    // Up to the first 0x00 (inclusive), or what came within the limit.
    Bytes readFrame(std::chrono::milliseconds limit = std::chrono::milliseconds(1000));

private:
    int fd_ = -1;
    Bytes pending_; // read past the end of a frame
};

// The frame bytes of a ZUM text: the text and its closing 0x00.
Bytes zum(std::string_view text);
// The text of a frame without its 0x00; "(none)" for no bytes.
std::string frameText(const Bytes& frame);
