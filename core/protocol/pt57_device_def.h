// What a PT57 is: the RD24's definition with eight channels, twenty-one models and
// a converter whose full scale is 4092 codes. The AD and DA type names, lists,
// lookups and units are the RD24's (rd24_device_def.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/protocol/device_def.h"
#include "core/protocol/rd24_device_def.h"

inline constexpr int kPt57ChannelCount = 8;
inline constexpr int kPt57ModelCount = 21;

// The PT57's models, converter and device clear, for the family registry; the
// functions below work on it.
extern const device_def::FamilyDefinition kPt57Definition;

struct Pt57Device {
    std::int32_t model = 0;
    std::array<Rd24Channel, kPt57ChannelCount> channels{};

    bool operator==(const Pt57Device&) const = default;
};

// As rd24ApplyModel, over the PT57 table.
void pt57ApplyModel(Pt57Device& device);
// Model 0 and every channel cleared, DA set codes included (unlike the RD24).
void pt57ClearDevice(Pt57Device& device);
// Model and channels copied; the target keeps its DA set codes.
void pt57CopyDevice(Pt57Device& target, const Pt57Device& source);

std::string pt57ModelName(int index);
int pt57ModelIndex(std::string_view name);
std::string pt57ModelList();

void pt57AdConvert(Rd24Channel& channel);
void pt57DaConvert(Rd24Channel& channel);
