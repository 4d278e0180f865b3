#include "core/protocol/canbus_def.h"

namespace {

struct CanRate {
    const char* name;
    std::int32_t divider;
};

constexpr std::array<CanRate, kCanRateCount> kCanRates{{
    {"1176K", 1},
    {"588K", 2},
    {"392K", 3},
    {"294K", 4},
    {"196K", 6},
    {"147K", 8},
    {"118K", 10},
    {"90K", 13},
    {"50K", 24},
}};

bool inTable(int index) { return index >= 0 && index < kCanRateCount; }

} // namespace

std::string canRateName(int index) {
    return inTable(index) ? kCanRates[static_cast<std::size_t>(index)].name : "";
}

int canRateNames(std::array<std::string, kCanRateCount>& names) {
    for (int i = 0; i < kCanRateCount; ++i) names[static_cast<std::size_t>(i)] = canRateName(i);
    return kCanRateCount;
}

std::int32_t canRateDivider(int index) {
    return inTable(index) ? kCanRates[static_cast<std::size_t>(index)].divider : 0;
}

int canRateIndex(std::int32_t divider) {
    for (int i = 0; i < kCanRateCount; ++i)
        if (kCanRates[static_cast<std::size_t>(i)].divider == divider) return i;
    return -1;
}
