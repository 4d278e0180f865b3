#include "core/protocol/rd24_device_def.h"

using namespace device_def;

namespace {

constexpr long double kRd24FullScale = 4096.0L;

constexpr ChannelKind N = kChannelNone;
constexpr ChannelKind DI = kChannelDI;
constexpr ChannelKind DO = kChannelDO;
constexpr ChannelKind AD = kChannelAD;
constexpr ChannelKind DA = kChannelDA;

constexpr std::array<DeviceModel<kRd24ChannelCount>, kRd24ModelCount> kRd24Models{{
    {"None", {N, N, N, N, N, N}},
    {"RD24-M1", {DI, DI, DO, DO, DO, DO}},
    {"RD24-M2", {DI, DI, DI, DI, DO, DO}},
    {"RD24-M3", {AD, AD, DO, DO, N, N}},
    {"RD24-M4", {AD, AD, DA, DA, N, N}},
    {"RD24-M5", {AD, AD, AD, DI, N, N}},
    {"RD24-M6", {AD, DI, DO, DO, N, N}},
    {"RD24-M7", {DO, DO, N, N, N, N}},
    {"RD24-M8", {DI, DI, DI, DI, DI, DI}},
}};

std::string unitOf(std::span<const CodeType> types, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= types.size()) return "";
    return types[static_cast<std::size_t>(index)].unit;
}

} // namespace

void rd24ApplyModel(Rd24Device& device) {
    applyChannelKinds(device.channels, modelKinds(kRd24Models, device.model));
}

void rd24ClearDevice(Rd24Device& device) {
    device.model = 0;
    clearChannels(device.channels, SetCodeRule::kKeep);
}

void rd24CopyDevice(Rd24Device& target, const Rd24Device& source) {
    target.model = source.model;
    copyChannels(target.channels, source.channels);
}

std::string rd24ModelName(int index) { return tableName(kRd24Models, index); }
int rd24ModelIndex(std::string_view name) { return tableIndex(kRd24Models, name); }
std::string rd24ModelList() { return tableList(kRd24Models); }

std::string rd24AdTypeName(int index) { return tableName(adTypeTable(), index); }
int rd24AdTypeIndex(std::string_view name) { return tableIndex(adTypeTable(), name); }
std::string rd24AdTypeList() { return tableList(adTypeTable()); }
std::string rd24AdUnit(int index) { return unitOf(adTypeTable(), index); }

std::string rd24DaTypeName(int index) { return tableName(daTypeTable(), index); }
int rd24DaTypeIndex(std::string_view name) { return tableIndex(daTypeTable(), name); }
std::string rd24DaTypeList() { return tableList(daTypeTable()); }
std::string rd24DaUnit(int index) { return unitOf(daTypeTable(), index); }

void rd24AdConvert(Rd24Channel& channel) {
    channel.adValue = convertCode(adTypeTable(), channel.adType, channel.adRaw, kRd24FullScale);
}

void rd24DaConvert(Rd24Channel& channel) {
    channel.daValue = convertCode(daTypeTable(), channel.daType, channel.daRaw, kRd24FullScale);
}
