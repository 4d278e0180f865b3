// What a PT57 is: the RD24's definition with eight channels, twenty-one models, a
// converter whose full scale is 4092 codes, and a device clear that clears the DA
// set codes too. The AD and DA type names, lists, lookups and units are the RD24's
// (rd24_device_def.h).
#pragma once

#include "core/protocol/device_def.h"

inline constexpr int kPt57ChannelCount = 8;
inline constexpr int kPt57ModelCount = 21;

using Pt57Device = device_def::DeviceRecord<kPt57ChannelCount>;

// The PT57's models, converter and device clear (see kRd24Definition).
extern const device_def::FamilyDefinition kPt57Definition;
