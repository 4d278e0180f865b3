// Byte strings in tests: what goes over a line, written as text where that is clearer.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}
