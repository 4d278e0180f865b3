#include "core/protocol/pt57_device_def.h"

using namespace device_def;

namespace {

// The PT57's converter reaches full scale four codes short of the RD24's.
constexpr long double kPt57FullScale = 4092.0L;

constexpr ChannelKind N = kChannelNone;
constexpr ChannelKind DI = kChannelDI;
constexpr ChannelKind DO = kChannelDO;
constexpr ChannelKind AD = kChannelAD;
constexpr ChannelKind DA = kChannelDA;

constexpr std::array<DeviceModel<kPt57ChannelCount>, kPt57ModelCount> kPt57Models{{
    {"None", {N, N, N, N, N, N, N, N}},
    {"PT57-M1", {AD, AD, DA, DA, DI, DI, DO, DO}},
    {"PT57-M2", {DI, DI, DI, DI, DI, DI, DI, DI}},
    {"PT57-M3", {DO, DO, DO, DO, DO, DO, DO, DO}},
    {"PT57-M4", {AD, AD, AD, AD, AD, AD, AD, AD}},
    {"PT57-M5", {DA, DA, DA, DA, DA, DA, DA, DA}},
    {"PT57-M6", {DI, DI, DI, DI, DO, DO, DO, DO}},
    {"PT57-M7", {AD, AD, AD, AD, DA, DA, DA, DA}},
    {"PT57-M8", {AD, AD, AD, AD, DO, DO, DO, DO}},
    {"PT57-M9", {AD, AD, DI, DI, DI, DI, DO, DO}},
    {"PT57-M10", {AD, AD, DA, DA, DI, DI, DI, DI}},
    {"PT57-M11", {AD, AD, DA, DA, DI, DO, DO, DO}},
    {"PT57-M12", {AD, AD, AD, DI, DO, DO, DA, DA}},
    {"PT57-M13", {AD, AD, DI, DI, DI, DI, DI, DI}},
    {"PT57-M14", {AD, AD, AD, AD, DI, DI, DO, DO}},
    {"PT57-M15", {AD, AD, AD, AD, DI, DI, DI, DI}},
    {"PT57-M16", {DA, DA, DA, DA, DO, DO, DO, DO}},
    {"PT57-M17", {AD, AD, AD, AD, AD, AD, AD, DO}},
    {"PT57-M18", {AD, AD, DA, DA, DA, DA, DA, DA}},
    {"PT57-M19", {AD, AD, AD, AD, AD, AD, DI, DI}},
    {"PT57-M20", {AD, AD, AD, AD, DI, DI, DA, DA}},
}};

} // namespace

void pt57ApplyModel(Pt57Device& device) {
    applyChannelKinds(device.channels, modelKinds(kPt57Models, device.model));
}

void pt57ClearDevice(Pt57Device& device) {
    device.model = 0;
    clearChannels(device.channels, SetCodeRule::kClear);
}

void pt57CopyDevice(Pt57Device& target, const Pt57Device& source) {
    target.model = source.model;
    copyChannels(target.channels, source.channels);
}

std::string pt57ModelName(int index) { return tableName(kPt57Models, index); }
int pt57ModelIndex(std::string_view name) { return tableIndex(kPt57Models, name); }
std::string pt57ModelList() { return tableList(kPt57Models); }

void pt57AdConvert(Rd24Channel& channel) {
    channel.adValue = convertCode(adTypeTable(), channel.adType, channel.adRaw, kPt57FullScale);
}

void pt57DaConvert(Rd24Channel& channel) {
    channel.daValue = convertCode(daTypeTable(), channel.daType, channel.daRaw, kPt57FullScale);
}
