// The CAN bus bit rates a device can be set to, in their three forms: the index
// of the combo box and the detect records, the name shown, and the divider that
// travels in the QLP setting commands.
#pragma once

#include <array>
#include <cstdint>
#include <string>

inline constexpr int kCanRateCount = 9;

// Empty outside 0..8.
std::string canRateName(int index);
// Fills the names of indices 0..8 in order; returns their number.
int canRateNames(std::array<std::string, kCanRateCount>& names);
// 0 outside 0..8.
std::int32_t canRateDivider(int index);
// -1 for a divider not in the table.
int canRateIndex(std::int32_t divider);
