// The RD24 and PT57 device definitions: what every model table must satisfy,
// apply-model resets, clear and copy, name lookups and lists, and the code
// conversions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/protocol/pt57_device_def.h"
#include "core/protocol/rd24_device_def.h"

namespace {

enum class Family { kRd24, kPt57 };

const device_def::FamilyDefinition& definitionOf(Family family) {
    return family == Family::kRd24 ? kRd24Definition : kPt57Definition;
}

// Kinds written one letter per channel: - none, I DI, O DO, A AD, D DA.
std::string kindLetters(std::span<const Rd24Channel> channels) {
    std::string letters;
    for (const Rd24Channel& c : channels) letters += "-IOAD"[c.kind];
    return letters;
}

// A channel whose every field is set, so a reset or clear shows what it touched.
Rd24Channel busyChannel(ChannelKind kind, std::int32_t seed) {
    Rd24Channel c;
    c.kind = kind;
    c.diState = 1;
    c.doState = 1;
    c.adType = 5 + seed;
    c.adRaw = 1000 + seed;
    c.adValue = 1.5 + seed;
    c.daType = 2 + seed;
    c.daSetCode = 3000 + seed;
    c.daRaw = 2000 + seed;
    c.daValue = 2.5 + seed;
    return c;
}

template <typename Device>
Device busyDevice(std::int32_t model, ChannelKind kind, std::int32_t seed) {
    Device d;
    d.model = model;
    for (std::size_t i = 0; i < d.channels.size(); ++i)
        d.channels[i] = busyChannel(kind, seed + static_cast<std::int32_t>(i));
    return d;
}

struct DefinitionCase {
    const char* label;
    const device_def::FamilyDefinition* definition;
    int channels;
    int models;
};

void PrintTo(const DefinitionCase& c, std::ostream* os) { *os << c.label; }

class Definitions : public testing::TestWithParam<DefinitionCase> {};

TEST_P(Definitions, EachNameFindsItsOwnModel) {
    const device_def::FamilyDefinition& d = *GetParam().definition;
    ASSERT_EQ(d.modelCount(), GetParam().models);
    EXPECT_EQ(d.modelName(0), "None");
    std::string list;
    for (int i = 0; i < d.modelCount(); ++i) {
        EXPECT_EQ(d.modelIndex(d.modelName(i)), i) << "model " << i; // so no two share a name
        list += d.modelName(i) + "\r\n";
    }
    EXPECT_EQ(d.modelList(), list);
}

// Model 0 uses no channel, every other model some, and none a channel past the
// family's count.
TEST_P(Definitions, ModelsUseOnlyTheFamilysChannels) {
    const device_def::FamilyDefinition& d = *GetParam().definition;
    for (int i = 0; i < d.modelCount(); ++i) {
        const auto& kinds = d.models[static_cast<std::size_t>(i)].kinds;
        int used = 0;
        for (int n = 0; n < device_def::kDeviceChannelMax; ++n) {
            const ChannelKind kind = kinds[static_cast<std::size_t>(n)];
            EXPECT_TRUE(kind >= kChannelNone && kind <= kChannelDA) << "model " << i << " channel " << n;
            if (n >= GetParam().channels) {
                EXPECT_EQ(kind, kChannelNone) << "model " << i << " channel " << n;
            }
            if (kind != kChannelNone) ++used;
        }
        EXPECT_EQ(used > 0, i > 0) << "model " << i;
    }
}

// Every scaled type reads 0 at code 0 and its full value at the family's full scale;
// every type but None rises with the code.
TEST_P(Definitions, ConversionsRiseWithTheCode) {
    const device_def::FamilyDefinition& d = *GetParam().definition;
    const auto full = static_cast<std::int32_t>(d.full_scale);
    for (int type = 1; type < kAdTypeCount; ++type) {
        Rd24Channel c;
        c.adType = type;
        double before = -1000.0;
        for (std::int32_t raw = 0; raw <= 4095; ++raw) {
            c.adRaw = raw;
            d.adConvert(c);
            ASSERT_GT(c.adValue, before) << "AD type " << type << " code " << raw;
            before = c.adValue;
        }
        const device_def::CodeType& t = device_def::adTypeTable()[static_cast<std::size_t>(type)];
        if (t.formula != device_def::CodeFormula::kScaled) continue;
        for (const auto& [raw, value] : {std::pair{0, 0.0}, std::pair{full, static_cast<double>(t.scale)}}) {
            c.adRaw = raw;
            d.adConvert(c);
            EXPECT_DOUBLE_EQ(c.adValue, value) << "AD type " << type << " code " << raw;
        }
    }
    for (int type = 1; type < kDaTypeCount; ++type) {
        Rd24Channel c;
        c.daType = type;
        c.daRaw = 0;
        d.daConvert(c);
        EXPECT_EQ(c.daValue, 0.0) << "DA type " << type;
        double before = c.daValue;
        for (std::int32_t raw = 1; raw <= 4095; ++raw) {
            c.daRaw = raw;
            d.daConvert(c);
            ASSERT_GT(c.daValue, before) << "DA type " << type << " code " << raw;
            before = c.daValue;
        }
        c.daRaw = full;
        d.daConvert(c);
        EXPECT_DOUBLE_EQ(c.daValue, static_cast<double>(device_def::daTypeTable()[static_cast<std::size_t>(type)].scale));
    }
}

INSTANTIATE_TEST_SUITE_P(Definitions, Definitions,
                         testing::Values(DefinitionCase{"Rd24", &kRd24Definition, kRd24ChannelCount, 9},
                                         DefinitionCase{"Pt57", &kPt57Definition, kPt57ChannelCount, 21}),
                         [](const testing::TestParamInfo<DefinitionCase>& info) { return std::string(info.param.label); });

TEST(Models, Pt57M17LeavesChannel7TheOnlyDo) {
    Pt57Device d;
    d.model = 17;
    kPt57Definition.applyModel(d);
    EXPECT_EQ(kindLetters(d.channels), "AAAAAAAO");
}

TEST(ApplyModel, ResetsEachChannelByItsNewKindOnly) {
    // Channel 2 was a DO that was on; model 4 makes it a DA.
    Rd24Device d = busyDevice<Rd24Device>(4, kChannelDO, 0);
    const Rd24Device before = d;
    kRd24Definition.applyModel(d);

    for (int ch : {0, 1}) {
        Rd24Channel expected = before.channels[ch];
        expected.kind = kChannelAD;
        expected.adType = 1;
        expected.adRaw = 0;
        expected.adValue = 0.0;
        EXPECT_EQ(d.channels[ch], expected) << "channel " << ch;
    }
    for (int ch : {2, 3}) {
        Rd24Channel expected = before.channels[ch];
        expected.kind = kChannelDA;
        expected.daType = 1;
        expected.daRaw = 0;
        expected.daValue = 0.0;
        EXPECT_EQ(d.channels[ch], expected) << "channel " << ch;
    }
    EXPECT_EQ(d.channels[2].doState, 1);
    EXPECT_EQ(d.channels[2].daSetCode, before.channels[2].daSetCode);
    for (int ch : {4, 5}) {
        Rd24Channel expected = before.channels[ch];
        expected.kind = kChannelNone;
        EXPECT_EQ(d.channels[ch], expected) << "channel " << ch;
    }
}

TEST(ApplyModel, DigitalKindsResetOnlyTheirState) {
    Pt57Device d = busyDevice<Pt57Device>(1, kChannelAD, 0); // AD AD DA DA DI DI DO DO
    const Pt57Device before = d;
    kPt57Definition.applyModel(d);
    Rd24Channel di = before.channels[4];
    di.kind = kChannelDI;
    di.diState = 0;
    EXPECT_EQ(d.channels[4], di);
    Rd24Channel out = before.channels[7];
    out.kind = kChannelDO;
    out.doState = 0;
    EXPECT_EQ(d.channels[7], out);
}

struct OutsideCase {
    const char* label;
    Family family;
    std::int32_t model;
};

void PrintTo(const OutsideCase& c, std::ostream* os) { *os << c.label; }

class ModelOutsideTable : public testing::TestWithParam<OutsideCase> {};

// An unknown model keeps the kinds, but the per-kind reset still runs.
TEST_P(ModelOutsideTable, KeepsKindsAndResets) {
    const OutsideCase& c = GetParam();
    auto check = [&](auto d) {
        for (std::size_t i = 0; i < d.channels.size(); ++i)
            d.channels[i].kind = i % 2 == 0 ? kChannelAD : kChannelDI;
        definitionOf(c.family).applyModel(d);
        EXPECT_EQ(d.model, c.model);
        for (std::size_t i = 0; i < d.channels.size(); ++i) {
            const Rd24Channel& ch = d.channels[i];
            if (i % 2 == 0) {
                EXPECT_EQ(ch.kind, kChannelAD);
                EXPECT_EQ(ch.adType, 1);
                EXPECT_EQ(ch.adRaw, 0);
                EXPECT_EQ(ch.diState, 1); // not a DI: untouched
            } else {
                EXPECT_EQ(ch.kind, kChannelDI);
                EXPECT_EQ(ch.diState, 0);
                EXPECT_EQ(ch.adRaw, 1000 + static_cast<std::int32_t>(i));
            }
        }
    };
    if (c.family == Family::kRd24)
        check(busyDevice<Rd24Device>(c.model, kChannelNone, 0));
    else
        check(busyDevice<Pt57Device>(c.model, kChannelNone, 0));
}

INSTANTIATE_TEST_SUITE_P(Definitions, ModelOutsideTable,
                         testing::Values(OutsideCase{"Rd24Nine", Family::kRd24, 9},
                                         OutsideCase{"Rd24Negative", Family::kRd24, -1},
                                         OutsideCase{"Pt57TwentyOne", Family::kPt57, 21},
                                         OutsideCase{"Pt57Negative", Family::kPt57, -1}),
                         [](const testing::TestParamInfo<OutsideCase>& info) { return std::string(info.param.label); });

TEST(DeviceClear, Rd24KeepsTheSetCodes) {
    Rd24Device d = busyDevice<Rd24Device>(4, kChannelDA, 0);
    kRd24Definition.clearDevice(d);
    EXPECT_EQ(d.model, 0);
    for (std::size_t i = 0; i < d.channels.size(); ++i) {
        Rd24Channel expected;
        expected.daSetCode = 3000 + static_cast<std::int32_t>(i);
        EXPECT_EQ(d.channels[i], expected) << "channel " << i;
    }
}

TEST(DeviceClear, Pt57ClearsTheSetCodesToo) {
    Pt57Device d = busyDevice<Pt57Device>(5, kChannelDA, 0);
    kPt57Definition.clearDevice(d);
    EXPECT_EQ(d, Pt57Device{});
}

TEST(DeviceCopy, TargetKeepsItsSetCodes) {
    const Rd24Device rd_source = busyDevice<Rd24Device>(3, kChannelAD, 10);
    Rd24Device rd_target = busyDevice<Rd24Device>(7, kChannelDO, 50);
    device_def::copyDevice(rd_target, rd_source);
    EXPECT_EQ(rd_target.model, 3);
    for (std::size_t i = 0; i < rd_target.channels.size(); ++i) {
        Rd24Channel expected = rd_source.channels[i];
        expected.daSetCode = 3050 + static_cast<std::int32_t>(i);
        EXPECT_EQ(rd_target.channels[i], expected) << "channel " << i;
    }

    const Pt57Device pt_source = busyDevice<Pt57Device>(12, kChannelDI, 20);
    Pt57Device pt_target = busyDevice<Pt57Device>(2, kChannelDA, 60);
    device_def::copyDevice(pt_target, pt_source);
    EXPECT_EQ(pt_target.model, 12);
    for (std::size_t i = 0; i < pt_target.channels.size(); ++i) {
        Rd24Channel expected = pt_source.channels[i];
        expected.daSetCode = 3060 + static_cast<std::int32_t>(i);
        EXPECT_EQ(pt_target.channels[i], expected) << "channel " << i;
    }
}

struct LookupCase {
    const char* label;
    int (*lookup)(std::string_view);
    const char* name;
    int index;
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.label; }

class Lookups : public testing::TestWithParam<LookupCase> {};

int rd24Model(std::string_view name) { return kRd24Definition.modelIndex(name); }
int pt57Model(std::string_view name) { return kPt57Definition.modelIndex(name); }

TEST_P(Lookups, ExactCaseSensitiveZeroWhenUnknown) {
    EXPECT_EQ(GetParam().lookup(GetParam().name), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, Lookups,
    testing::Values(LookupCase{"Rd24Model", rd24Model, "RD24-M8", 8},
                    LookupCase{"Rd24ModelNone", rd24Model, "None", 0},
                    LookupCase{"Rd24ModelUnknown", rd24Model, "RD24-M9", 0},
                    LookupCase{"Rd24ModelLowerCase", rd24Model, "rd24-m3", 0},
                    LookupCase{"Rd24ModelTrailingBlank", rd24Model, "RD24-M3 ", 0},
                    LookupCase{"Rd24ModelEmpty", rd24Model, "", 0},
                    LookupCase{"Rd24ModelOfPt57", rd24Model, "PT57-M1", 0},
                    LookupCase{"Pt57ModelTwenty", pt57Model, "PT57-M20", 20},
                    LookupCase{"Pt57ModelTwo", pt57Model, "PT57-M2", 2},
                    LookupCase{"Pt57ModelOfRd24", pt57Model, "RD24-M1", 0},
                    LookupCase{"Pt57ModelPrefix", pt57Model, "PT57-M", 0},
                    LookupCase{"AdTypeFiveVolt", rd24AdTypeIndex, "5V", 1},
                    LookupCase{"AdTypePt1000", rd24AdTypeIndex, "PT1000", 5},
                    LookupCase{"AdTypeThermocouple", rd24AdTypeIndex, "K 0~600", 6},
                    LookupCase{"AdTypeLowerCase", rd24AdTypeIndex, "5v", 0},
                    LookupCase{"AdTypeOfDa", rd24AdTypeIndex, "8.190V", 0},
                    LookupCase{"DaTypeVolt", rd24DaTypeIndex, "8.190V", 1},
                    LookupCase{"DaTypeCurrent", rd24DaTypeIndex, "20mA", 2},
                    LookupCase{"DaTypeShortName", rd24DaTypeIndex, "8.19V", 0},
                    LookupCase{"DaTypeNone", rd24DaTypeIndex, "None", 0}),
    [](const testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.label); });

TEST(NameLists, EveryNameFollowedByCrLf) {
    std::string ad;
    for (int i = 0; i < kAdTypeCount; ++i) ad += rd24AdTypeName(i) + "\r\n";
    EXPECT_EQ(rd24AdTypeList(), ad);
    std::string da;
    for (int i = 0; i < kDaTypeCount; ++i) da += rd24DaTypeName(i) + "\r\n";
    EXPECT_EQ(rd24DaTypeList(), da);
}

TEST(NameLists, IndexOutsideTableIsNone) {
    EXPECT_EQ(kRd24Definition.modelName(9), "None");
    EXPECT_EQ(kRd24Definition.modelName(-1), "None");
    EXPECT_EQ(kPt57Definition.modelName(21), "None");
    EXPECT_EQ(rd24AdTypeName(7), "None");
    EXPECT_EQ(rd24AdTypeName(6), "K 0~600");
    EXPECT_EQ(rd24DaTypeName(3), "None");
    EXPECT_EQ(rd24DaTypeName(2), "20mA");
}

TEST(Units, ByType) {
    const std::vector<std::string> ad = {"", "V", "V", "mA", "C", "C", "C", ""};
    for (int i = 0; i < static_cast<int>(ad.size()); ++i) EXPECT_EQ(rd24AdUnit(i), ad[i]) << "AD type " << i;
    EXPECT_EQ(rd24AdUnit(-1), "");
    const std::vector<std::string> da = {"", "V", "mA", ""};
    for (int i = 0; i < static_cast<int>(da.size()); ++i) EXPECT_EQ(rd24DaUnit(i), da[i]) << "DA type " << i;
}

enum class Part { kAd, kDa };

struct ConversionCase {
    const char* label;
    Family family;
    Part part;
    std::int32_t type;
    std::int32_t raw;
    double value; // exact expectation: the real result rounded to the nearest double
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.label; }

class Conversions : public testing::TestWithParam<ConversionCase> {};

TEST_P(Conversions, GiveTheValue) {
    const ConversionCase& c = GetParam();
    Rd24Channel ch;
    ch.adValue = ch.daValue = -99.0;
    if (c.part == Part::kAd) {
        ch.adType = c.type;
        ch.adRaw = c.raw;
        definitionOf(c.family).adConvert(ch);
        EXPECT_EQ(ch.adValue, c.value);
        EXPECT_EQ(ch.daValue, -99.0);
    } else {
        ch.daType = c.type;
        ch.daRaw = c.raw;
        definitionOf(c.family).daConvert(ch);
        EXPECT_EQ(ch.daValue, c.value);
        EXPECT_EQ(ch.adValue, -99.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, Conversions,
    testing::Values(
        ConversionCase{"Pt100AtZeroCode", Family::kRd24, Part::kAd, 4, 2600, 0.0},
        ConversionCase{"Pt100At2973", Family::kRd24, Part::kAd, 4, 2973, 25.0},
        ConversionCase{"Pt1000At2973", Family::kRd24, Part::kAd, 5, 2973, 25.0},
        ConversionCase{"Pt100BelowZero", Family::kRd24, Part::kAd, 4, 2227, -25.0},
        // (15 - 2600) * 25/373 with 25/373 rounded to a double first is one ulp off.
        ConversionCase{"Pt100ExtendedFactor", Family::kRd24, Part::kAd, 4, 15, -173.2573726541555},
        ConversionCase{"Pt57Pt100LikeRd24", Family::kPt57, Part::kAd, 4, 2973, 25.0},
        ConversionCase{"FiveVoltTopCode", Family::kRd24, Part::kAd, 1, 4095, 4.998779296875},
        ConversionCase{"TenVoltHalf", Family::kRd24, Part::kAd, 2, 2048, 5.0},
        ConversionCase{"CurrentQuarter", Family::kRd24, Part::kAd, 3, 1024, 5.0},
        ConversionCase{"ThermocoupleHalf", Family::kRd24, Part::kAd, 6, 2048, 300.0},
        ConversionCase{"AdNoneIsZero", Family::kRd24, Part::kAd, 0, 4095, 0.0},
        ConversionCase{"AdUnknownTypeIsRaw", Family::kRd24, Part::kAd, 7, 1234, 1234.0},
        ConversionCase{"AdNegativeTypeIsRaw", Family::kPt57, Part::kAd, -1, 1234, 1234.0},
        ConversionCase{"NegativeCodeReadsUnsigned", Family::kRd24, Part::kAd, 7, -1, 4294967295.0},
        ConversionCase{"NegativeCodeScaledUnsigned", Family::kRd24, Part::kAd, 1, -1, 5242879.998779296875},
        ConversionCase{"Pt57FiveVoltFullScale", Family::kPt57, Part::kAd, 1, 4092, 5.0},
        ConversionCase{"Pt57FiveVoltAboveFullScale", Family::kPt57, Part::kAd, 1, 4095, 5.00366568914956},
        // 11 / 4092 rounded to a double before scaling is one ulp off.
        ConversionCase{"Pt57ExtendedDivisor", Family::kPt57, Part::kAd, 1, 11, 0.013440860215053764},
        ConversionCase{"Pt57ThermocoupleFullScale", Family::kPt57, Part::kAd, 6, 4092, 600.0},
        ConversionCase{"DaFullScale", Family::kRd24, Part::kDa, 1, 4096, 8.19},
        ConversionCase{"DaExtended", Family::kRd24, Part::kDa, 1, 1000, 1.99951171875},
        ConversionCase{"DaCurrentHalf", Family::kRd24, Part::kDa, 2, 2048, 10.0},
        ConversionCase{"DaNoneIsZero", Family::kRd24, Part::kDa, 0, 4096, 0.0},
        ConversionCase{"DaUnknownTypeIsRaw", Family::kRd24, Part::kDa, 3, 77, 77.0},
        ConversionCase{"Pt57DaFullScale", Family::kPt57, Part::kDa, 1, 4092, 8.19},
        ConversionCase{"Pt57DaExtended", Family::kPt57, Part::kDa, 1, 5, 0.01000733137829912},
        ConversionCase{"Pt57DaCurrentHalf", Family::kPt57, Part::kDa, 2, 2046, 10.0}),
    [](const testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.label); });

TEST(Conversions, Pt57FiveVoltTopCodeIsAboveFullScale) {
    Rd24Channel ch;
    ch.adType = 1;
    ch.adRaw = 4095;
    kPt57Definition.adConvert(ch);
    EXPECT_GT(ch.adValue, 5.0);
    kRd24Definition.adConvert(ch);
    EXPECT_LT(ch.adValue, 5.0);
}

} // namespace
