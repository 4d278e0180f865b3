// The RD24 and PT57 device definitions: model tables, apply-model resets, clear
// and copy, name lookups and lists, and the code conversions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/protocol/pt57_device_def.h"
#include "core/protocol/rd24_device_def.h"

namespace {

enum class Family { kRd24, kPt57 };

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

struct ModelCase {
    const char* label;
    Family family;
    int index;
    const char* name;
    const char* kinds;
};

void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.label; }

class Models : public testing::TestWithParam<ModelCase> {};

TEST_P(Models, NameIndexAndKinds) {
    const ModelCase& m = GetParam();
    if (m.family == Family::kRd24) {
        EXPECT_EQ(rd24ModelName(m.index), m.name);
        EXPECT_EQ(rd24ModelIndex(m.name), m.index);
        Rd24Device d;
        d.model = m.index;
        rd24ApplyModel(d);
        EXPECT_EQ(kindLetters(d.channels), m.kinds);
    } else {
        EXPECT_EQ(pt57ModelName(m.index), m.name);
        EXPECT_EQ(pt57ModelIndex(m.name), m.index);
        Pt57Device d;
        d.model = m.index;
        pt57ApplyModel(d);
        EXPECT_EQ(kindLetters(d.channels), m.kinds);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, Models,
    testing::Values(ModelCase{"Rd24None", Family::kRd24, 0, "None", "------"},
                    ModelCase{"Rd24M1", Family::kRd24, 1, "RD24-M1", "IIOOOO"},
                    ModelCase{"Rd24M2", Family::kRd24, 2, "RD24-M2", "IIIIOO"},
                    ModelCase{"Rd24M3", Family::kRd24, 3, "RD24-M3", "AAOO--"},
                    ModelCase{"Rd24M4", Family::kRd24, 4, "RD24-M4", "AADD--"},
                    ModelCase{"Rd24M5", Family::kRd24, 5, "RD24-M5", "AAAI--"},
                    ModelCase{"Rd24M6", Family::kRd24, 6, "RD24-M6", "AIOO--"},
                    ModelCase{"Rd24M7", Family::kRd24, 7, "RD24-M7", "OO----"},
                    ModelCase{"Rd24M8", Family::kRd24, 8, "RD24-M8", "IIIIII"},
                    ModelCase{"Pt57None", Family::kPt57, 0, "None", "--------"},
                    ModelCase{"Pt57M1", Family::kPt57, 1, "PT57-M1", "AADDIIOO"},
                    ModelCase{"Pt57M2", Family::kPt57, 2, "PT57-M2", "IIIIIIII"},
                    ModelCase{"Pt57M3", Family::kPt57, 3, "PT57-M3", "OOOOOOOO"},
                    ModelCase{"Pt57M4", Family::kPt57, 4, "PT57-M4", "AAAAAAAA"},
                    ModelCase{"Pt57M5", Family::kPt57, 5, "PT57-M5", "DDDDDDDD"},
                    ModelCase{"Pt57M6", Family::kPt57, 6, "PT57-M6", "IIIIOOOO"},
                    ModelCase{"Pt57M7", Family::kPt57, 7, "PT57-M7", "AAAADDDD"},
                    ModelCase{"Pt57M8", Family::kPt57, 8, "PT57-M8", "AAAAOOOO"},
                    ModelCase{"Pt57M9", Family::kPt57, 9, "PT57-M9", "AAIIIIOO"},
                    ModelCase{"Pt57M10", Family::kPt57, 10, "PT57-M10", "AADDIIII"},
                    ModelCase{"Pt57M11", Family::kPt57, 11, "PT57-M11", "AADDIOOO"},
                    ModelCase{"Pt57M12", Family::kPt57, 12, "PT57-M12", "AAAIOODD"},
                    ModelCase{"Pt57M13", Family::kPt57, 13, "PT57-M13", "AAIIIIII"},
                    ModelCase{"Pt57M14", Family::kPt57, 14, "PT57-M14", "AAAAIIOO"},
                    ModelCase{"Pt57M15", Family::kPt57, 15, "PT57-M15", "AAAAIIII"},
                    ModelCase{"Pt57M16", Family::kPt57, 16, "PT57-M16", "DDDDOOOO"},
                    ModelCase{"Pt57M17", Family::kPt57, 17, "PT57-M17", "AAAAAAAO"},
                    ModelCase{"Pt57M18", Family::kPt57, 18, "PT57-M18", "AADDDDDD"},
                    ModelCase{"Pt57M19", Family::kPt57, 19, "PT57-M19", "AAAAAAII"},
                    ModelCase{"Pt57M20", Family::kPt57, 20, "PT57-M20", "AAAAIIDD"}),
    [](const testing::TestParamInfo<ModelCase>& info) { return std::string(info.param.label); });

TEST(ApplyModel, ResetsEachChannelByItsNewKindOnly) {
    // Channel 2 was a DO that was on; model 4 makes it a DA.
    Rd24Device d = busyDevice<Rd24Device>(4, kChannelDO, 0);
    const Rd24Device before = d;
    rd24ApplyModel(d);

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
    pt57ApplyModel(d);
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
        if constexpr (std::is_same_v<decltype(d), Rd24Device>)
            rd24ApplyModel(d);
        else
            pt57ApplyModel(d);
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
    rd24ClearDevice(d);
    EXPECT_EQ(d.model, 0);
    for (std::size_t i = 0; i < d.channels.size(); ++i) {
        Rd24Channel expected;
        expected.daSetCode = 3000 + static_cast<std::int32_t>(i);
        EXPECT_EQ(d.channels[i], expected) << "channel " << i;
    }
}

TEST(DeviceClear, Pt57ClearsTheSetCodesToo) {
    Pt57Device d = busyDevice<Pt57Device>(5, kChannelDA, 0);
    pt57ClearDevice(d);
    EXPECT_EQ(d, Pt57Device{});
}

TEST(DeviceCopy, TargetKeepsItsSetCodes) {
    const Rd24Device rd_source = busyDevice<Rd24Device>(3, kChannelAD, 10);
    Rd24Device rd_target = busyDevice<Rd24Device>(7, kChannelDO, 50);
    rd24CopyDevice(rd_target, rd_source);
    EXPECT_EQ(rd_target.model, 3);
    for (std::size_t i = 0; i < rd_target.channels.size(); ++i) {
        Rd24Channel expected = rd_source.channels[i];
        expected.daSetCode = 3050 + static_cast<std::int32_t>(i);
        EXPECT_EQ(rd_target.channels[i], expected) << "channel " << i;
    }

    const Pt57Device pt_source = busyDevice<Pt57Device>(12, kChannelDI, 20);
    Pt57Device pt_target = busyDevice<Pt57Device>(2, kChannelDA, 60);
    pt57CopyDevice(pt_target, pt_source);
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

TEST_P(Lookups, ExactCaseSensitiveZeroWhenUnknown) {
    EXPECT_EQ(GetParam().lookup(GetParam().name), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, Lookups,
    testing::Values(LookupCase{"Rd24Model", rd24ModelIndex, "RD24-M8", 8},
                    LookupCase{"Rd24ModelNone", rd24ModelIndex, "None", 0},
                    LookupCase{"Rd24ModelUnknown", rd24ModelIndex, "RD24-M9", 0},
                    LookupCase{"Rd24ModelLowerCase", rd24ModelIndex, "rd24-m3", 0},
                    LookupCase{"Rd24ModelTrailingBlank", rd24ModelIndex, "RD24-M3 ", 0},
                    LookupCase{"Rd24ModelEmpty", rd24ModelIndex, "", 0},
                    LookupCase{"Rd24ModelOfPt57", rd24ModelIndex, "PT57-M1", 0},
                    LookupCase{"Pt57ModelTwenty", pt57ModelIndex, "PT57-M20", 20},
                    LookupCase{"Pt57ModelTwo", pt57ModelIndex, "PT57-M2", 2},
                    LookupCase{"Pt57ModelOfRd24", pt57ModelIndex, "RD24-M1", 0},
                    LookupCase{"Pt57ModelPrefix", pt57ModelIndex, "PT57-M", 0},
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
    EXPECT_EQ(rd24ModelList(),
              "None\r\nRD24-M1\r\nRD24-M2\r\nRD24-M3\r\nRD24-M4\r\nRD24-M5\r\nRD24-M6\r\nRD24-M7\r\nRD24-M8\r\n");
    EXPECT_EQ(rd24AdTypeList(), "None\r\n5V\r\n10V\r\n20mA\r\nPT100\r\nPT1000\r\nK 0~600\r\n");
    EXPECT_EQ(rd24DaTypeList(), "None\r\n8.190V\r\n20mA\r\n");
    std::string pt57 = "None\r\n";
    for (int i = 1; i <= 20; ++i) pt57 += "PT57-M" + std::to_string(i) + "\r\n";
    EXPECT_EQ(pt57ModelList(), pt57);
}

TEST(NameLists, IndexOutsideTableIsNone) {
    EXPECT_EQ(rd24ModelName(9), "None");
    EXPECT_EQ(rd24ModelName(-1), "None");
    EXPECT_EQ(pt57ModelName(21), "None");
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
        c.family == Family::kRd24 ? rd24AdConvert(ch) : pt57AdConvert(ch);
        EXPECT_EQ(ch.adValue, c.value);
        EXPECT_EQ(ch.daValue, -99.0);
    } else {
        ch.daType = c.type;
        ch.daRaw = c.raw;
        c.family == Family::kRd24 ? rd24DaConvert(ch) : pt57DaConvert(ch);
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
    pt57AdConvert(ch);
    EXPECT_GT(ch.adValue, 5.0);
    rd24AdConvert(ch);
    EXPECT_LT(ch.adValue, 5.0);
}

} // namespace
