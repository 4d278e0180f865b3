// What a simulated device answers, request by request, and the settings it keeps.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "core/protocol/zum_codec.h"
#include "sim/sim_device.h"
#include "sim_test_helpers.h"

namespace {

struct AnswerCase {
    const char* name;
    std::function<SimProfile()> profile;
    QlpCommand request;
    QlpCommand reply;
};

class Answers : public testing::TestWithParam<AnswerCase> {};

TEST_P(Answers, OneReplyPerRequest) {
    SimDevice device(GetParam().profile(), settingsWithId(3), 1);
    device.SetFixedInput(1, 1234);
    const QlpCommand reply = device.answer(GetParam().request, 0.0);
    EXPECT_EQ(qlpCommandText(reply), qlpCommandText(GetParam().reply));
    EXPECT_EQ(reply.valueCount, GetParam().reply.valueCount);
}

// Error replies carry the code as their function, the request's command and
// channel, and no values.
QlpCommand errorOf(std::uint8_t code, std::uint8_t command, std::uint8_t channel) {
    QlpCommand c = qlpRecord(3, code, command, channel);
    c.valueCount = 0;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Answers,
    testing::Values(
        AnswerCase{"Rd24Check", rd24M4, qlpRecord(3, 1, 0x10, 0), qlpRecord(3, 1, 0x10, 0, {4, 1})},
        AnswerCase{"Pt57CheckWithValue", pt57M1, qlpRecord(3, 1, 0x10, 0, {0}), qlpRecord(3, 1, 0x10, 0, {1, 1})},
        AnswerCase{"ReadDigitalAtStart", rd24M1, qlpRecord(3, 5, 0x10, 0), qlpRecord(3, 5, 0x10, 0, {0})},
        AnswerCase{"ReadFixedAnalogInput", rd24M4, qlpRecord(3, 5, 0x30, 1), qlpRecord(3, 5, 0x30, 1, {1234})},
        AnswerCase{"ReadAnalogOutputAtStart", rd24M4, qlpRecord(3, 5, 0x40, 3), qlpRecord(3, 5, 0x40, 3, {0})},
        AnswerCase{"WriteAnalogOutputEchoes", rd24M4, qlpRecord(3, 6, 0x40, 2, {4095}),
                   qlpRecord(3, 6, 0x40, 2, {4095})},
        AnswerCase{"WriteRd24OutputEchoes", rd24M1, qlpRecord(3, 6, 0x11, 5, {1}), qlpRecord(3, 6, 0x11, 5, {1})},
        AnswerCase{"WritePt57OutputEchoes", pt57M1, qlpRecord(3, 6, 0x20, 7, {1}), qlpRecord(3, 6, 0x20, 7, {1})},
        AnswerCase{"ChannelBeyondModel", rd24M4, qlpRecord(3, 5, 0x30, 6), errorOf(0xFB, 0x30, 6)},
        AnswerCase{"ChannelUnusedByModel", rd24M4, qlpRecord(3, 5, 0x40, 4), errorOf(0xFB, 0x40, 4)},
        AnswerCase{"Pt57ChannelBeyondModel", pt57M1, qlpRecord(3, 6, 0x20, 8, {1}), errorOf(0xFB, 0x20, 8)},
        AnswerCase{"AnalogReadOfOutput", rd24M4, qlpRecord(3, 5, 0x30, 2), errorOf(0xF8, 0x30, 2)},
        AnswerCase{"OutputReadOfInput", rd24M4, qlpRecord(3, 5, 0x40, 0), errorOf(0xF8, 0x40, 0)},
        AnswerCase{"DigitalWriteOfAnalogInput", rd24M6, qlpRecord(3, 6, 0x11, 0, {1}), errorOf(0xF8, 0x11, 0)},
        AnswerCase{"AnalogWriteOfDigitalOutput", rd24M1, qlpRecord(3, 6, 0x40, 2, {1}), errorOf(0xF8, 0x40, 2)},
        AnswerCase{"UnknownReadCommand", rd24M4, qlpRecord(3, 5, 0x50, 0), errorOf(0xFA, 0x50, 0)},
        AnswerCase{"CheckWithOtherCommand", rd24M4, qlpRecord(3, 1, 0x11, 0), errorOf(0xFA, 0x11, 0)},
        AnswerCase{"Pt57CommandOnRd24", rd24M1, qlpRecord(3, 6, 0x20, 2, {1}), errorOf(0xFA, 0x20, 2)},
        AnswerCase{"Rd24CommandOnPt57", pt57M1, qlpRecord(3, 6, 0x11, 6, {1}), errorOf(0xFA, 0x11, 6)},
        AnswerCase{"UnknownSettingRead", rd24M4, qlpRecord(3, 0xE2, 0x15, 0, {0}), errorOf(0xFA, 0x15, 0)},
        AnswerCase{"UnknownSystemCommand", rd24M4, qlpRecord(3, 0xE1, 0x10, 0, {0}), errorOf(0xFA, 0x10, 0)},
        AnswerCase{"UnknownCountCommand", rd24M4, qlpRecord(3, 0xE4, 0x11, 0, {0}), errorOf(0xFA, 0x11, 0)},
        AnswerCase{"UnknownFunction", rd24M4, qlpRecord(3, 7, 0x10, 0), errorOf(0xF9, 0x10, 0)},
        AnswerCase{"StatusCodeAsFunction", rd24M4, qlpRecord(3, 0xF0, 0x10, 0), errorOf(0xF9, 0x10, 0)},
        AnswerCase{"WriteOfAnalogInput", rd24M4, qlpRecord(3, 6, 0x40, 0, {100}), errorOf(0xF3, 0x40, 0)},
        AnswerCase{"InputCommandWrite", rd24M4, qlpRecord(3, 6, 0x30, 1, {100}), errorOf(0xF3, 0x30, 1)},
        AnswerCase{"WriteOfDigitalInput", rd24M1, qlpRecord(3, 6, 0x11, 0, {1}), errorOf(0xF3, 0x11, 0)},
        AnswerCase{"AnalogCodeTooHigh", rd24M4, qlpRecord(3, 6, 0x40, 2, {4096}), errorOf(0xF2, 0x40, 2)},
        AnswerCase{"AnalogCodeNegative", rd24M4, qlpRecord(3, 6, 0x40, 3, {-1}), errorOf(0xF2, 0x40, 3)},
        AnswerCase{"WriteWithoutValue", rd24M4, qlpRecord(3, 6, 0x40, 2), errorOf(0xF2, 0x40, 2)},
        AnswerCase{"ReadId", rd24M4, qlpRecord(3, 0xE2, 0x11, 0, {0}), qlpRecord(3, 0xE2, 0x11, 0, {3})},
        AnswerCase{"ReadBaud", rd24M4, qlpRecord(3, 0xE2, 0x12, 0, {0}), qlpRecord(3, 0xE2, 0x12, 0, {1152})},
        AnswerCase{"ReadCanDivider", rd24M4, qlpRecord(3, 0xE2, 0x13, 0, {0}), qlpRecord(3, 0xE2, 0x13, 0, {8})},
        AnswerCase{"ReadMaster", rd24M4, qlpRecord(3, 0xE2, 0x10, 0, {0}), qlpRecord(3, 0xE2, 0x10, 0, {1})},
        AnswerCase{"ReadNumber", rd24M4, qlpRecord(3, 0xE4, 0x10, 0, {0}), qlpRecord(3, 0xE4, 0x10, 0, {1})},
        AnswerCase{"WriteBadId", rd24M4, qlpRecord(3, 0xE3, 0x11, 0, {254}), errorOf(0xF2, 0x11, 0)},
        AnswerCase{"WriteIdZero", rd24M4, qlpRecord(3, 0xE3, 0x11, 0, {0}), errorOf(0xF2, 0x11, 0)},
        AnswerCase{"WriteBadBaud", rd24M4, qlpRecord(3, 0xE3, 0x12, 0, {100}), errorOf(0xF2, 0x12, 0)},
        AnswerCase{"WriteBadDivider", rd24M4, qlpRecord(3, 0xE3, 0x13, 0, {5}), errorOf(0xF2, 0x13, 0)},
        AnswerCase{"WriteBadMaster", rd24M4, qlpRecord(3, 0xE3, 0x10, 0, {300}), errorOf(0xF2, 0x10, 0)},
        AnswerCase{"WriteSettingWithoutValue", rd24M4, qlpRecord(3, 0xE3, 0x12, 0), errorOf(0xF2, 0x12, 0)}),
    [](const testing::TestParamInfo<AnswerCase>& info) { return info.param.name; });

TEST(Device, DigitalOutputsShowInTheStateByte) {
    SimDevice rd24(rd24M1(), settingsWithId(1), 1);
    rd24.answer(qlpRecord(1, 6, 0x11, 2, {1}), 0);
    rd24.answer(qlpRecord(1, 6, 0x11, 5, {1}), 0);
    rd24.answer(qlpRecord(1, 6, 0x11, 3, {1}), 0);
    rd24.answer(qlpRecord(1, 6, 0x11, 3, {0}), 0);
    EXPECT_EQ(rd24.answer(qlpRecord(1, 5, 0x10, 0), 0).values[0], 0x24);

    SimDevice pt57(pt57M1(), settingsWithId(1), 1);
    pt57.answer(qlpRecord(1, 6, 0x20, 6, {1}), 0);
    pt57.answer(qlpRecord(1, 6, 0x20, 7, {1}), 0);
    EXPECT_EQ(pt57.answer(qlpRecord(1, 5, 0x10, 0), 0).values[0], 0xC0);
}

TEST(Device, AnalogOutputReadsBackTheLastCodeWritten) {
    SimDevice device(rd24M4(), settingsWithId(1), 1);
    device.answer(qlpRecord(1, 6, 0x40, 2, {2048}), 0);
    device.answer(qlpRecord(1, 6, 0x40, 3, {17}), 0);
    device.answer(qlpRecord(1, 6, 0x40, 3, {5000}), 0); // refused: keeps 17
    EXPECT_EQ(device.answer(qlpRecord(1, 5, 0x40, 2), 0).values[0], 2048);
    EXPECT_EQ(device.answer(qlpRecord(1, 5, 0x40, 3), 0).values[0], 17);
}

TEST(Device, AnalogInputsFollowATenSecondSine) {
    SimDevice device(pt57M1(), settingsWithId(1), 1);
    EXPECT_EQ(device.AnalogInput(0, 0.0), 2048);  // mid-scale at the start
    EXPECT_EQ(device.AnalogInput(0, 2.5), 4095);  // a quarter turn later: top
    EXPECT_EQ(device.AnalogInput(0, 7.5), 0);     // three quarters: bottom
    EXPECT_EQ(device.AnalogInput(0, 13.7), device.AnalogInput(0, 3.7));
    std::set<int> at_one_instant;
    for (int t = 0; t < 100; ++t) {
        for (int ch = 0; ch < 2; ++ch) {
            const int code = device.AnalogInput(ch, t * 0.173);
            EXPECT_GE(code, 0);
            EXPECT_LE(code, 4095);
        }
    }
    at_one_instant.insert(device.AnalogInput(0, 1.0));
    at_one_instant.insert(device.AnalogInput(1, 1.0));
    EXPECT_EQ(at_one_instant.size(), 2u) << "each channel has its own phase";
    EXPECT_EQ(device.answer(qlpRecord(1, 5, 0x30, 0), 2.5).values[0], 4095);
}

TEST(Settings, NewIdAnswersUnderTheOldOneThenTakesEffect) {
    SimDevice device(rd24M4(), settingsWithId(1), 1);
    const QlpCommand reply = device.answer(qlpRecord(1, 0xE3, 0x11, 0, {7}), 0);
    EXPECT_EQ(qlpCommandText(reply), "% 1,227,17,0,7");
    EXPECT_EQ(device.id(), 7);
    EXPECT_EQ(device.answer(qlpRecord(7, 0xE2, 0x11, 0, {0}), 0).id, 7u);
}

TEST(Settings, WritesWaitForSaveAndReset) {
    SimDevice device(rd24M4(), settingsWithId(1), 1);
    EXPECT_EQ(qlpCommandText(device.answer(qlpRecord(1, 0xE3, 0x12, 0, {96}), 0)), "% 1,227,18,0,96");
    EXPECT_EQ(qlpCommandText(device.answer(qlpRecord(1, 0xE3, 0x13, 0, {24}), 0)), "% 1,227,19,0,24");
    EXPECT_EQ(qlpCommandText(device.answer(qlpRecord(1, 0xE3, 0x10, 0, {9}), 0)), "% 1,227,16,0,9");
    // Pending only: the device still works at its old settings.
    EXPECT_EQ(device.answer(qlpRecord(1, 0xE2, 0x12, 0, {0}), 0).values[0], 1152);
    EXPECT_EQ(device.baud_rate(), 115200);

    EXPECT_EQ(qlpCommandText(device.answer(qlpRecord(1, 0xE1, 0x13, 0, {0}), 0)), "% 1,225,19,0,0");
    EXPECT_EQ(device.baud_rate(), 115200) << "saving does not restart the device";
    EXPECT_EQ(qlpCommandText(device.answer(qlpRecord(1, 0xE1, 0x14, 0, {0}), 0)), "% 1,225,20,0,0");
    EXPECT_EQ(device.baud_rate(), 9600);
    EXPECT_EQ(device.can_divider(), 24);
    EXPECT_EQ(device.answer(qlpRecord(1, 0xE2, 0x10, 0, {0}), 0).values[0], 9);
}

TEST(Settings, ResetDropsWhatWasNotSaved) {
    SimDevice device(rd24M4(), settingsWithId(1), 1);
    device.answer(qlpRecord(1, 0xE3, 0x12, 0, {192}), 0);
    device.answer(qlpRecord(1, 0xE1, 0x13, 0, {0}), 0);
    device.answer(qlpRecord(1, 0xE3, 0x11, 0, {9}), 0);
    device.answer(qlpRecord(9, 0xE3, 0x10, 0, {5}), 0);
    const QlpCommand reply = device.answer(qlpRecord(9, 0xE1, 0x14, 0, {0}), 0);
    EXPECT_EQ(reply.id, 9u) << "the reset is confirmed before the restart";
    EXPECT_EQ(device.id(), 1);
    EXPECT_EQ(device.baud_rate(), 19200);
    EXPECT_EQ(device.active().master, 1);
    EXPECT_EQ(device.pending(), device.saved());
}

TEST(Settings, SavedIdSurvivesReset) {
    SimDevice device(rd24M4(), settingsWithId(1), 1);
    device.answer(qlpRecord(1, 0xE3, 0x11, 0, {42}), 0);
    device.answer(qlpRecord(42, 0xE1, 0x13, 0, {0}), 0);
    device.answer(qlpRecord(42, 0xE1, 0x14, 0, {0}), 0);
    EXPECT_EQ(device.id(), 42);
}

TEST(Settings, RefusedWriteChangesNothing) {
    SimDevice device(rd24M4(), settingsWithId(1), 1);
    const SimSettings before = device.pending();
    device.answer(qlpRecord(1, 0xE3, 0x12, 0, {100}), 0);
    device.answer(qlpRecord(1, 0xE3, 0x11, 0, {0}), 0);
    EXPECT_EQ(device.pending(), before);
    EXPECT_EQ(device.id(), 1);
}

} // namespace
