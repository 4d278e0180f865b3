#include "core/protocol/device_def.h"

#include <algorithm>

namespace device_def {

namespace {

// PT100 and PT1000 read 2600 at 0 C and rise 373 codes per 25 C.
constexpr long double kTemperatureZeroCode = 2600.0L;
constexpr long double kTemperatureDegrees = 25.0L;
constexpr long double kTemperatureCodes = 373.0L;

constexpr std::array<CodeType, kAdTypeCount> kAdTypes{{
    {"None", "", CodeFormula::kZero, 0.0L},
    {"5V", "V", CodeFormula::kScaled, 5.0L},
    {"10V", "V", CodeFormula::kScaled, 10.0L},
    {"20mA", "mA", CodeFormula::kScaled, 20.0L},
    {"PT100", "C", CodeFormula::kTemperature, 0.0L},
    {"PT1000", "C", CodeFormula::kTemperature, 0.0L},
    {"K 0~600", "C", CodeFormula::kScaled, 600.0L},
}};

constexpr std::array<CodeType, kDaTypeCount> kDaTypes{{
    {"None", "", CodeFormula::kZero, 0.0L},
    {"8.190V", "V", CodeFormula::kScaled, 8.19L},
    {"20mA", "mA", CodeFormula::kScaled, 20.0L},
}};

void resetByKind(Rd24Channel& c) {
    switch (c.kind) {
    case kChannelDI: c.diState = 0; break;
    case kChannelDO: c.doState = 0; break;
    case kChannelAD:
        c.adType = kDefaultAdType;
        c.adRaw = 0;
        c.adValue = 0.0;
        break;
    case kChannelDA:
        c.daType = kDefaultDaType;
        c.daRaw = 0;
        c.daValue = 0.0;
        break;
    case kChannelNone: break;
    }
}

} // namespace

std::span<const CodeType> adTypeTable() { return kAdTypes; }
std::span<const CodeType> daTypeTable() { return kDaTypes; }

double convertCode(std::span<const CodeType> types, std::int32_t type, std::int32_t raw, long double full_scale) {
    const long double code = static_cast<long double>(static_cast<std::uint32_t>(raw));
    if (type < 0 || static_cast<std::size_t>(type) >= types.size()) return static_cast<double>(code);
    const CodeType& t = types[static_cast<std::size_t>(type)];
    switch (t.formula) {
    case CodeFormula::kZero: return 0.0;
    case CodeFormula::kScaled: return static_cast<double>(code / full_scale * t.scale);
    case CodeFormula::kTemperature:
        // Multiplying before dividing keeps whole multiples of 373 codes exact.
        return static_cast<double>((code - kTemperatureZeroCode) * kTemperatureDegrees / kTemperatureCodes);
    }
    return 0.0;
}

void applyChannelKinds(std::span<Rd24Channel> channels, std::span<const ChannelKind> kinds) {
    const std::size_t n = std::min(channels.size(), kinds.size());
    for (std::size_t i = 0; i < n; ++i) channels[i].kind = kinds[i];
    for (Rd24Channel& c : channels) resetByKind(c);
}

void clearChannels(std::span<Rd24Channel> channels, SetCodeRule set_code) {
    for (Rd24Channel& c : channels) {
        const std::int32_t kept = set_code == SetCodeRule::kKeep ? c.daSetCode : 0;
        c = Rd24Channel{};
        c.daSetCode = kept;
    }
}

void copyChannels(std::span<Rd24Channel> target, std::span<const Rd24Channel> source) {
    const std::size_t n = std::min(target.size(), source.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t kept = target[i].daSetCode;
        target[i] = source[i];
        target[i].daSetCode = kept;
    }
}

std::string FamilyDefinition::modelName(int index) const { return tableName(models, index); }

int FamilyDefinition::modelIndex(std::string_view name) const { return tableIndex(models, name); }

std::string FamilyDefinition::modelList() const { return tableList(models); }

void FamilyDefinition::applyModel(std::int32_t model, std::span<Rd24Channel> channels) const {
    std::span<const ChannelKind> kinds;
    if (model >= 0 && model < modelCount()) kinds = models[static_cast<std::size_t>(model)].kinds;
    applyChannelKinds(channels, kinds);
}

void FamilyDefinition::clearDevice(std::span<Rd24Channel> channels) const { clearChannels(channels, clear_set_code); }

void FamilyDefinition::adConvert(Rd24Channel& channel) const {
    channel.adValue = convertCode(adTypeTable(), channel.adType, channel.adRaw, full_scale);
}

void FamilyDefinition::daConvert(Rd24Channel& channel) const {
    channel.daValue = convertCode(daTypeTable(), channel.daType, channel.daRaw, full_scale);
}

} // namespace device_def
