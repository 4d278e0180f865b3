// The device family registry: finding a family by name, and each family's tables
// against its channel count.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/panels/device_family.h"

namespace {

struct LookupCase {
    const char* label;
    const char* name;
    const char* found; // null: no family
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.label; }

class FamilyLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(FamilyLookup, AnyCaseButNothingElse) {
    const DeviceFamily* family = findDeviceFamily(GetParam().name);
    if (GetParam().found == nullptr) {
        EXPECT_EQ(family, nullptr) << family->name;
        return;
    }
    ASSERT_NE(family, nullptr);
    EXPECT_STREQ(family->name, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, FamilyLookup,
    testing::Values(LookupCase{"Rd24", "RD24", "RD24"}, LookupCase{"Pt57LowerCase", "pt57", "PT57"},
                    LookupCase{"MixedCase", "Rd24", "RD24"}, LookupCase{"Prefix", "PT5", nullptr},
                    LookupCase{"TrailingBlank", "RD24 ", nullptr}, LookupCase{"ModelName", "RD24-M4", nullptr},
                    LookupCase{"Empty", "", nullptr}),
    [](const testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.label); });

// So no two families share a name, whatever its case.
TEST(DeviceFamilies, EachIsFoundByItsName) {
    for (const DeviceFamily& family : deviceFamilies()) EXPECT_EQ(findDeviceFamily(family.name), &family) << family.name;
}

TEST(DeviceFamilies, TablesFitTheChannelCount) {
    for (const DeviceFamily& family : deviceFamilies()) {
        SCOPED_TRACE(family.name);
        ASSERT_GT(family.channel_count, 0);
        ASSERT_LE(family.channel_count, kPanelChannelMax);
        const auto count = static_cast<std::size_t>(family.channel_count);
        for (int model = 0; model < family.model_count(); ++model) {
            const auto& row = family.definition->models[static_cast<std::size_t>(model)].kinds;
            for (std::size_t n = count; n < row.size(); ++n) EXPECT_EQ(row[n], kChannelNone) << "model " << model;
            ASSERT_EQ(family.model_kinds(model).size(), count) << "model " << model;
            // Applying the model to the family's channels gives them its kinds.
            std::array<Rd24Channel, kPanelChannelMax> channels{};
            family.apply_model(model, std::span(channels).first(count));
            for (std::size_t n = 0; n < count; ++n)
                EXPECT_EQ(channels[n].kind, family.model_kinds(model)[n]) << "model " << model << " channel " << n;
        }
        EXPECT_TRUE(family.model_kinds(family.model_count()).empty());
        EXPECT_TRUE(family.model_kinds(-1).empty());
        EXPECT_NE(family.model_index(family.default_model), 0) << family.default_model;
        const PanelOperations& op = family.operations;
        EXPECT_TRUE(op.check && op.read_digital && op.write_digital_output && op.read_analog_input &&
                    op.read_analog_output && op.write_analog_output);
    }
}

} // namespace
