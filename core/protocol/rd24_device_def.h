// What an RD24 is: six channels whose kinds the model fixes, a converter whose full
// scale is 4096 codes, and a device clear that keeps the DA set codes. Also the AD
// and DA types of the analogue channels, which the PT57 shares, with their names
// and units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/protocol/device_def.h"

inline constexpr int kRd24ChannelCount = 6;
inline constexpr int kRd24ModelCount = 9;

using Rd24Device = device_def::DeviceRecord<kRd24ChannelCount>;

// The RD24's models, converter and device clear: kRd24Definition.applyModel(device),
// .clearDevice(device), .modelName(index), .adConvert(channel) and so on.
extern const device_def::FamilyDefinition kRd24Definition;

// The AD and DA types, shared by the PT57. Names: "None" outside the table.
// Lookups: exact and case-sensitive, 0 when nothing matches. Lists: every name
// followed by CR LF.
std::string rd24AdTypeName(int index);
int rd24AdTypeIndex(std::string_view name);
std::string rd24AdTypeList();
std::string rd24AdUnit(int index); // empty outside the table
std::string rd24DaTypeName(int index);
int rd24DaTypeIndex(std::string_view name);
std::string rd24DaTypeList();
std::string rd24DaUnit(int index);
