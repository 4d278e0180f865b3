// The message list's lines, stored compactly as 8-bit text in fixed-size chunks:
// a million lines cost little more than their text, and an append never copies
// what is already stored (a growing single buffer would, stalling the window).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class LineStore {
public:
    void append(std::string_view line);
    void clear();
    std::size_t size() const { return refs_.size(); }
    std::string_view line(std::size_t index) const;
    std::size_t text_bytes() const { return text_bytes_; }

private:
    struct Ref {
        std::uint32_t chunk;
        std::uint32_t offset;
        std::uint32_t length;
    };
    // Each chunk is reserved once and filled up to its capacity, never beyond,
    // so its characters never move.
    std::vector<std::string> chunks_;
    std::vector<Ref> refs_;
    std::size_t text_bytes_ = 0;
};
