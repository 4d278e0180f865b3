// What every device family's definition shares: the channel record and its kinds,
// the device record, the AD and DA type tables, and the table-driven model, name
// and conversion code each family's definition is read by. Holds no I/O.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum ChannelKind : std::int32_t {
    kChannelNone = 0,
    kChannelDI = 1, // digital input
    kChannelDO = 2, // digital output
    kChannelAD = 3, // analogue input
    kChannelDA = 4, // analogue output
};

// One channel of either family (the PT57 lays its channels out the same way).
// Raw codes are converter codes 0..4095; the conversions read a stored code as
// unsigned 32-bit, so a negative code reads as 2^32 + code. The read operations
// never store one: they hand back a reply value's 16 wire bits as 0..65535.
struct Rd24Channel {
    ChannelKind kind = kChannelNone;
    std::int32_t diState = 0;
    std::int32_t doState = 0;
    std::int32_t adType = 0;
    std::int32_t adRaw = 0;
    double adValue = 0.0;
    std::int32_t daType = 0;
    std::int32_t daSetCode = 0; // last code the user asked for
    std::int32_t daRaw = 0;     // last code read back from the device
    double daValue = 0.0;

    bool operator==(const Rd24Channel&) const = default;
};

inline constexpr int kAdTypeCount = 7;
inline constexpr int kDaTypeCount = 3;
// The type a channel gets when a model makes it AD ("5V") or DA ("8.190V").
inline constexpr std::int32_t kDefaultAdType = 1;
inline constexpr std::int32_t kDefaultDaType = 1;

// The table-driven pieces both device definitions are built from.
namespace device_def {

// The name of an index outside a table.
inline constexpr const char* kNoneName = "None";

// The room a model row has for channels: the most any family has.
inline constexpr int kDeviceChannelMax = 8;

// A row of a model table: its name and the kind of each channel, channel 0 first;
// the channels past the family's count are none.
struct DeviceModel {
    const char* name;
    std::array<ChannelKind, kDeviceChannelMax> kinds;
};

// Short names for the kinds in a model table: {"RD24-M3", {AD, AD, DO, DO, N, N}}.
namespace model_kinds {
inline constexpr ChannelKind N = kChannelNone;
inline constexpr ChannelKind DI = kChannelDI;
inline constexpr ChannelKind DO = kChannelDO;
inline constexpr ChannelKind AD = kChannelAD;
inline constexpr ChannelKind DA = kChannelDA;
} // namespace model_kinds

enum class CodeFormula {
    kZero,        // 0
    kScaled,      // code / full scale * scale
    kTemperature, // (code - 2600) * 25 / 373
};

// A row of the AD or DA type table.
struct CodeType {
    const char* name;
    const char* unit;
    CodeFormula formula;
    long double scale; // kScaled only
};

std::span<const CodeType> adTypeTable();
std::span<const CodeType> daTypeTable();

// The value of a raw code by a type of the table; a type outside the table gives
// the raw code itself.
double convertCode(std::span<const CodeType> types, std::int32_t type, std::int32_t raw, long double full_scale);

// Sets each channel's kind from `kinds` (none given: the kinds stay) and then
// resets each channel by its kind: DI and DO states 0, AD and DA parts to their
// default type with readings 0. Other fields keep their values.
void applyChannelKinds(std::span<Rd24Channel> channels, std::span<const ChannelKind> kinds);

enum class SetCodeRule { kKeep, kClear };
void clearChannels(std::span<Rd24Channel> channels, SetCodeRule set_code);
// Field by field, except daSetCode, which each target channel keeps.
void copyChannels(std::span<Rd24Channel> target, std::span<const Rd24Channel> source);

// A device of a family with N channels: the model index and channel 0 first.
template <std::size_t N>
struct DeviceRecord {
    std::int32_t model = 0;
    std::array<Rd24Channel, N> channels{};

    bool operator==(const DeviceRecord&) const = default;
};

// What sets one family's definition apart: its model table, its converter's full
// scale and what its device clear does to the DA set codes. Each family's unit
// (rd24_device_def, pt57_device_def) gives one; the work on it is the same for all.
// Channel spans are the family's channels, its channel count long.
struct FamilyDefinition {
    std::span<const DeviceModel> models;
    long double full_scale; // the code that reads as a type's full scale
    SetCodeRule clear_set_code;

    int modelCount() const { return static_cast<int>(models.size()); }
    // "None" outside the table.
    std::string modelName(int index) const;
    // The first model with exactly this name (case-sensitive); 0 when none has it.
    int modelIndex(std::string_view name) const;
    // Every name followed by CR LF.
    std::string modelList() const;
    // Channel kinds from the model (a model outside the table keeps them), then
    // each channel reset by its kind.
    void applyModel(std::int32_t model, std::span<Rd24Channel> channels) const;
    template <std::size_t N>
    void applyModel(DeviceRecord<N>& device) const { applyModel(device.model, device.channels); }
    // Every channel cleared; the DA set codes by the family's rule.
    void clearDevice(std::span<Rd24Channel> channels) const;
    // The device clear: model 0 as well.
    template <std::size_t N>
    void clearDevice(DeviceRecord<N>& device) const {
        device.model = 0;
        clearDevice(device.channels);
    }
    void adConvert(Rd24Channel& channel) const; // adValue from adType and adRaw
    void daConvert(Rd24Channel& channel) const; // daValue from daType and daRaw
};

// Model and channels copied; the target keeps its DA set codes.
template <std::size_t N>
void copyDevice(DeviceRecord<N>& target, const DeviceRecord<N>& source) {
    target.model = source.model;
    copyChannels(target.channels, source.channels);
}

// True when no model of the table gives a kind to a channel past `channel_count`.
constexpr bool modelsFit(std::span<const DeviceModel> models, int channel_count) {
    for (const DeviceModel& model : models)
        for (int n = channel_count; n < kDeviceChannelMax; ++n)
            if (model.kinds[static_cast<std::size_t>(n)] != kChannelNone) return false;
    return true;
}

// Lookups over any table whose rows carry a name.
std::string tableName(const auto& rows, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= std::size(rows)) return kNoneName;
    return rows[static_cast<std::size_t>(index)].name;
}

// The first row with exactly this name; 0 when none has it.
int tableIndex(const auto& rows, std::string_view name) {
    for (std::size_t i = 0; i < std::size(rows); ++i)
        if (name == rows[i].name) return static_cast<int>(i);
    return 0;
}

// Every name followed by CR LF: the item list of a combo box.
std::string tableList(const auto& rows) {
    std::string list;
    for (const auto& row : rows) {
        list += row.name;
        list += "\r\n";
    }
    return list;
}

} // namespace device_def
