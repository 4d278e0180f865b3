// The simulator's command line.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/panels/device_family.h"
#include "sim/sim_options.h"

namespace {

using Args = std::vector<std::string>;

struct GoodCase {
    const char* name;
    Args args;
    std::function<bool(const SimOptions&)> holds;
};

class GoodOptions : public testing::TestWithParam<GoodCase> {};

TEST_P(GoodOptions, AreRead) {
    SimOptions options;
    std::string error;
    ASSERT_TRUE(simParseOptions(GetParam().args, options, error)) << error;
    EXPECT_TRUE(GetParam().holds(options));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, GoodOptions,
    testing::Values(
        GoodCase{"Defaults", {},
                 [](const SimOptions& o) {
                     return o.com == 0 && o.model == "RD24-M4" && o.id == 1 && o.baud == 115200 && o.can == "147K" &&
                            o.master == 1 && o.number == 1 && !o.absent_none_device && !o.echo && !o.verbose;
                 }},
        GoodCase{"Device", {"--com", "3", "--model", "PT57-M12", "--id", "0x10", "--baud", "9600", "--can", "50K",
                            "--master", "2", "--number", "77"},
                 [](const SimOptions& o) {
                     return o.com == 3 && o.model == "PT57-M12" && o.id == 16 && o.baud == 9600 && o.can == "50K" &&
                            o.master == 2 && o.number == 77;
                 }},
        GoodCase{"InlineValues", {"--id=7", "--baud=19200"},
                 [](const SimOptions& o) { return o.id == 7 && o.baud == 19200; }},
        GoodCase{"Bus", {"--bus", "2,3:PT57-M1,253"},
                 [](const SimOptions& o) {
                     return o.bus == std::vector<SimBusEntry>{{2, ""}, {3, "PT57-M1"}, {253, ""}};
                 }},
        GoodCase{"FixedInputs", {"--ai", "0=1234", "--ai", "7=4095"},
                 [](const SimOptions& o) {
                     return o.fixed_inputs == std::vector<SimFixedInput>{{0, 1234}, {7, 4095}};
                 }},
        GoodCase{"Faults", {"--drop", "30", "--seed", "42", "--delay", "0", "--split", "20", "--noise", "100",
                            "--error", "5:0x30=0xF1", "--error", "6:64=0xFB", "--absent", "none-device"},
                 [](const SimOptions& o) {
                     return o.drop_percent == 30 && o.seed == 42u && o.delay_ms == 0 && o.split_ms == 20 &&
                            o.noise_ms == 100 && o.absent_none_device &&
                            o.errors == std::vector<SimErrorRule>{{5, 0x30, 0xF1}, {6, 64, 0xFB}};
                 }},
        GoodCase{"AnswerAnyIdAndValue", {"--absent", "answer", "--value", "0xE2:0x12=100"},
                 [](const SimOptions& o) {
                     return o.absent_answer && !o.absent_none_device &&
                            o.values == std::vector<SimValueRule>{{0xE2, 0x12, 100}};
                 }},
        GoodCase{"StreamDefaultsToOneSecond", {"--stream", "#12<CR><LF>"},
                 [](const SimOptions& o) { return o.stream == "#12<CR><LF>" && o.every_ms == 1000; }},
        GoodCase{"StreamEvery", {"--every", "50", "--stream", "x"},
                 [](const SimOptions& o) { return o.every_ms == 50; }},
        GoodCase{"Flags", {"--echo", "-v", "--help"},
                 [](const SimOptions& o) { return o.echo && o.verbose && o.help; }},
        GoodCase{"AdapterEcho", {"--adapter-echo"}, [](const SimOptions& o) { return o.adapter_echo && !o.echo; }},
        GoodCase{"FamilyPlaysItsDefaultModel", {"--family", "pt57"},
                 [](const SimOptions& o) { return o.family == findDeviceFamily("PT57") && o.model == "PT57-M1"; }}),
    [](const testing::TestParamInfo<GoodCase>& info) { return info.param.name; });

struct BadCase {
    const char* name;
    Args args;
    std::string error_part;
};

class BadOptions : public testing::TestWithParam<BadCase> {};

TEST_P(BadOptions, AreRefusedWithAReason) {
    SimOptions options;
    std::string error;
    EXPECT_FALSE(simParseOptions(GetParam().args, options, error));
    EXPECT_NE(error.find(GetParam().error_part), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, BadOptions,
    testing::Values(BadCase{"Unknown", {"--colour"}, "unknown option"},
                    BadCase{"MissingValue", {"--id"}, "--id needs a value"},
                    BadCase{"IdZero", {"--id", "0"}, "--id"}, BadCase{"Id254", {"--id", "254"}, "--id"},
                    BadCase{"ComSixteen", {"--com", "16"}, "--com"},
                    BadCase{"OddBaud", {"--baud", "14400"}, "--baud"},
                    BadCase{"NotANumber", {"--delay", "soon"}, "--delay"},
                    BadCase{"DropAbove100", {"--drop", "101"}, "--drop"},
                    BadCase{"SplitZero", {"--split", "0"}, "--split"},
                    BadCase{"AiCodeTooHigh", {"--ai", "0=4096"}, "--ai"},
                    BadCase{"AiWithoutCode", {"--ai", "0"}, "--ai"},
                    BadCase{"ErrorWithoutCode", {"--error", "5:48"}, "--error"},
                    BadCase{"ErrorCodeBelowF1", {"--error", "5:48=0xF0"}, "0xF1 to 0xFB"},
                    BadCase{"ErrorCodeAboveFB", {"--error", "5:48=0xFC"}, "0xF1 to 0xFB"},
                    BadCase{"ErrorCodeThatIsAFunction", {"--error", "5:48=5"}, "0xF1 to 0xFB"},
                    BadCase{"ValueTooLarge", {"--value", "5:48=40000"}, "--value"},
                    BadCase{"BusBadId", {"--bus", "2,0"}, "--bus"},
                    BadCase{"BusEmptyModel", {"--bus", "2:"}, "--bus"},
                    BadCase{"BusDuplicate", {"--bus", "2,2"}, "given twice"},
                    BadCase{"BusHasPortId", {"--id", "4", "--bus", "4"}, "port device"},
                    BadCase{"EveryWithoutStream", {"--every", "10"}, "--every needs --stream"},
                    BadCase{"AbsentOther", {"--absent", "loud"}, "--absent"},
                    BadCase{"FlagWithValue", {"--echo=1"}, "takes no value"},
                    BadCase{"UnknownFamily", {"--family", "RD25"}, "--family: RD24 or PT57, not \"RD25\""}),
    [](const testing::TestParamInfo<BadCase>& info) { return info.param.name; });

} // namespace
