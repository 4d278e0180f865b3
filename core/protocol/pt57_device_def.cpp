#include "core/protocol/pt57_device_def.h"

using namespace device_def;
using namespace device_def::model_kinds;

namespace {

constexpr std::array<DeviceModel, kPt57ModelCount> kPt57Models{{
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

static_assert(modelsFit(kPt57Models, kPt57ChannelCount));

} // namespace

constexpr FamilyDefinition kPt57Definition{
    .models = kPt57Models,
    // The PT57's converter reaches full scale four codes short of the RD24's.
    .full_scale = 4092.0L,
    .clear_set_code = SetCodeRule::kClear,
};
