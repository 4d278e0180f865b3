// What an RD24 is: six channels whose kinds the model fixes, the AD and DA types
// of its analogue channels with their names and units, and the conversion of raw
// converter codes (full scale 4096) into engineering values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/protocol/device_def.h"

inline constexpr int kRd24ChannelCount = 6;
inline constexpr int kRd24ModelCount = 9;

// The RD24's models, converter and device clear, for the family registry; the
// functions below work on it.
extern const device_def::FamilyDefinition kRd24Definition;

struct Rd24Device {
    std::int32_t model = 0;
    std::array<Rd24Channel, kRd24ChannelCount> channels{};

    bool operator==(const Rd24Device&) const = default;
};

// Channel kinds from the model, then each channel reset by its kind; a model
// outside the table keeps the kinds but still resets.
void rd24ApplyModel(Rd24Device& device);
// Model 0 and every channel cleared; the DA set codes stay.
void rd24ClearDevice(Rd24Device& device);
// Model and channels copied; the target keeps its DA set codes.
void rd24CopyDevice(Rd24Device& target, const Rd24Device& source);

// Names: "None" outside the table. Lookups: exact and case-sensitive, 0 when
// nothing matches. Lists: every name followed by CR LF.
std::string rd24ModelName(int index);
int rd24ModelIndex(std::string_view name);
std::string rd24ModelList();

// The AD and DA types, shared by the PT57.
std::string rd24AdTypeName(int index);
int rd24AdTypeIndex(std::string_view name);
std::string rd24AdTypeList();
std::string rd24AdUnit(int index); // empty outside the table
std::string rd24DaTypeName(int index);
int rd24DaTypeIndex(std::string_view name);
std::string rd24DaTypeList();
std::string rd24DaUnit(int index);

// adValue from adType and adRaw; daValue from daType and daRaw.
void rd24AdConvert(Rd24Channel& channel);
void rd24DaConvert(Rd24Channel& channel);
