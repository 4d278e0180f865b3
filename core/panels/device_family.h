// The I/O device families the program knows, each described once: its name, its
// channels, its device definition (models, conversions, device clear), its six QLP
// operations, how its operate panel differs, and what benchlink-sim needs to play
// one. The operate panels, the main window's menu, benchlink-qlp and benchlink-sim
// all take a family from here.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "core/panels/panel_family.h"
#include "core/protocol/device_def.h"

struct DeviceFamily {
    // "RD24", "PT57": what menus, windows and command lines call it.
    const char* name;
    int channel_count;
    const device_def::FamilyDefinition* definition;
    PanelOperations operations;
    // The RD24 keeps a DA set code for the program's life; the PT57 zeroes it with
    // every display of the DA group.
    bool display_zeroes_set_code;
    // The RD24 clears its status text when it closes; the PT57 leaves it to the next showing.
    bool close_clears_status;
    // For benchlink-sim: the command code of the family's digital output writes, and
    // the model it plays when told the family alone.
    std::uint8_t digital_output_command;
    const char* default_model;

    int model_count() const { return definition->modelCount(); }
    std::string model_name(int index) const { return definition->modelName(index); }
    int model_index(std::string_view model) const { return definition->modelIndex(model); }
    std::string model_list() const { return definition->modelList(); }
    // The kinds of the model's channels, channel_count of them; none outside the table.
    std::span<const ChannelKind> model_kinds(int model) const;
    // The first and the last model: "RD24-M1..RD24-M8".
    std::string model_range() const;
    void apply_model(std::int32_t model, std::span<Rd24Channel> channels) const {
        definition->applyModel(model, channels);
    }
    void clear_device(std::span<Rd24Channel> channels) const { definition->clearDevice(channels); }
    void ad_convert(Rd24Channel& channel) const { definition->adConvert(channel); }
    void da_convert(Rd24Channel& channel) const { definition->daConvert(channel); }
};

// Every family, in the order of the menu; the first is the one the tools take when
// none is named.
std::span<const DeviceFamily> deviceFamilies();
// The family of that name, in any case; null for no family.
const DeviceFamily* findDeviceFamily(std::string_view name);
// Something of every family, in order, joined by ", " and before the last by `last`:
// "RD24 or PT57".
std::string describeDeviceFamilies(const std::function<std::string(const DeviceFamily&)>& item,
                                   std::string_view last = " or ");
// The families' names for a user: "RD24 or PT57".
std::string deviceFamilyNames();
