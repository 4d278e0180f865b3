#include "core/protocol/rd24_device_def.h"

using namespace device_def;
using namespace device_def::model_kinds;

namespace {

constexpr std::array<DeviceModel, kRd24ModelCount> kRd24Models{{
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
static_assert(modelsFit(kRd24Models, kRd24ChannelCount));

std::string unitOf(std::span<const CodeType> types, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= types.size()) return "";
    return types[static_cast<std::size_t>(index)].unit;
}

} // namespace

constexpr FamilyDefinition kRd24Definition{
    .models = kRd24Models,
    .full_scale = 4096.0L,
    .clear_set_code = SetCodeRule::kKeep,
};

std::string rd24AdTypeName(int index) { return tableName(adTypeTable(), index); }
int rd24AdTypeIndex(std::string_view name) { return tableIndex(adTypeTable(), name); }
std::string rd24AdTypeList() { return tableList(adTypeTable()); }
std::string rd24AdUnit(int index) { return unitOf(adTypeTable(), index); }

std::string rd24DaTypeName(int index) { return tableName(daTypeTable(), index); }
int rd24DaTypeIndex(std::string_view name) { return tableIndex(daTypeTable(), name); }
std::string rd24DaTypeList() { return tableList(daTypeTable()); }
std::string rd24DaUnit(int index) { return unitOf(daTypeTable(), index); }
