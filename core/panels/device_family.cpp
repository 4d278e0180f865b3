#include "core/panels/device_family.h"

#include <algorithm>
#include <cctype>

#include "core/protocol/pt57_communication.h"
#include "core/protocol/pt57_device_def.h"
#include "core/protocol/rd24_communication.h"
#include "core/protocol/rd24_device_def.h"

namespace {

// One entry per family. A new family brings its device definition and its
// communication unit, and is added here.
constexpr DeviceFamily kFamilies[] = {
    {.name = "RD24", .channel_count = kRd24ChannelCount, .definition = &kRd24Definition,
     .operations = {rd24CheckDevice, rd24ReadDigital, rd24WriteDigitalOutput, rd24ReadAnalogInput,
                    rd24ReadAnalogOutput, rd24WriteAnalogOutput},
     .display_zeroes_set_code = false, .close_clears_status = true,
     .digital_output_command = kRd24Requests.write_digital_output.command, .default_model = "RD24-M4"},
    {.name = "PT57", .channel_count = kPt57ChannelCount, .definition = &kPt57Definition,
     .operations = {pt57CheckDevice, pt57ReadDigital, pt57WriteDigitalOutput, pt57ReadAnalogInput,
                    pt57ReadAnalogOutput, pt57WriteAnalogOutput},
     .display_zeroes_set_code = true, .close_clears_status = false,
     .digital_output_command = kPt57Requests.write_digital_output.command, .default_model = "PT57-M1"},
};

static_assert(std::ranges::all_of(kFamilies, [](const DeviceFamily& f) {
    return f.channel_count > 0 && f.channel_count <= kPanelChannelMax;
}));

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

} // namespace

std::span<const ChannelKind> DeviceFamily::model_kinds(int model) const {
    if (model < 0 || model >= model_count()) return {};
    return std::span(definition->models[static_cast<std::size_t>(model)].kinds).first(
        static_cast<std::size_t>(channel_count));
}

std::string DeviceFamily::model_range() const {
    return model_name(1) + ".." + model_name(model_count() - 1);
}

std::span<const DeviceFamily> deviceFamilies() { return kFamilies; }

const DeviceFamily* findDeviceFamily(std::string_view name) {
    for (const DeviceFamily& family : kFamilies)
        if (sameName(family.name, name)) return &family;
    return nullptr;
}

std::string describeDeviceFamilies(const std::function<std::string(const DeviceFamily&)>& item,
                                   std::string_view last) {
    std::string text;
    const std::size_t count = std::size(kFamilies);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) text += i + 1 == count ? last : ", ";
        text += item(kFamilies[i]);
    }
    return text;
}

std::string deviceFamilyNames() {
    return describeDeviceFamilies([](const DeviceFamily& family) { return std::string(family.name); });
}
