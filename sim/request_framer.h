// Cuts the byte stream a device hears into ZUM request frames ("%" up to 0x00).
// A request may arrive in several reads; bytes outside a frame are line noise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class RequestFramer {
public:
    // A ZUM frame is under 128 characters plus its 0x00; a longer run is no request.
    static constexpr std::size_t kFrameMax = 128;

    // Takes the next bytes heard and appends every frame they complete (each
    // from its "%" to its 0x00 inclusive) to `frames`.
    void feed(const std::uint8_t* bytes, std::size_t count, std::vector<std::vector<std::uint8_t>>& frames);
    // Forgets an unfinished frame.
    void reset();
    bool collecting() const { return collecting_; }

private:
    std::vector<std::uint8_t> partial_;
    bool collecting_ = false;
};

// How many comma-separated numbers the frame carries (the decoder maps a wrong
// count to a reply code, which a device must not mistake for a request).
int zumNumberCount(const std::vector<std::uint8_t>& frame);
