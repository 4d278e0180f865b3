// Who answers a request: the device on the port, a device on its CAN bus, or nobody.
#include <gtest/gtest.h>

#include "core/protocol/zum_codec.h"
#include "sim/sim_network.h"
#include "sim_test_helpers.h"

namespace {

SimNetwork portWithBus() {
    SimNetwork network(SimDevice(rd24M4(), settingsWithId(1), 1));
    network.AddBusDevice(SimDevice(pt57M1(), settingsWithId(5), 2));
    network.AddBusDevice(SimDevice(rd24M1(), settingsWithId(9), 3));
    return network;
}

std::string answerText(SimNetwork& network, const QlpCommand& request) {
    const auto answer = network.answer(request, 0);
    return answer ? qlpCommandText(answer->reply) : "(none)";
}

struct AddressCase {
    const char* name;
    QlpCommand request;
    std::string reply;
};

class Addressing : public testing::TestWithParam<AddressCase> {};

TEST_P(Addressing, RightDeviceAnswers) {
    SimNetwork network = portWithBus();
    EXPECT_EQ(answerText(network, GetParam().request), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, Addressing,
    testing::Values(AddressCase{"PortDevice", qlpRecord(1, 1, 0x10, 0), "% 1,1,16,0,4,1"},
                    AddressCase{"AnyId254", qlpRecord(254, 0xE2, 0x11, 0, {0}), "% 1,226,17,0,1"},
                    AddressCase{"AnyId255", qlpRecord(255, 1, 0x10, 0), "% 1,1,16,0,4,1"},
                    AddressCase{"BusPt57", qlpRecord(5, 1, 0x10, 0, {0}), "% 5,1,16,0,1,1"},
                    AddressCase{"BusRd24", qlpRecord(9, 0xE4, 0x10, 0, {0}), "% 9,228,16,0,3"},
                    AddressCase{"AbsentIsSilent", qlpRecord(7, 1, 0x10, 0), "(none)"}),
    [](const testing::TestParamInfo<AddressCase>& info) { return info.param.name; });

TEST(Network, AbsentIdGetsNoneDeviceFromThePortWhenAsked) {
    SimNetwork network = portWithBus();
    network.SetAnswerAbsent(true);
    const auto answer = network.answer(qlpRecord(7, 5, 0x30, 1), 0);
    ASSERT_TRUE(answer);
    EXPECT_EQ(qlpCommandText(answer->reply), "% 1,247,48,1");
    EXPECT_EQ(answer->reply.valueCount, 0);
    EXPECT_TRUE(answer->from_port);
}

TEST(Network, ErrorRuleAnswersWithItsCodeForTheAddressedDevice) {
    SimNetwork network = portWithBus();
    network.AddErrorRule({5, 0x30, 0xF1});
    EXPECT_EQ(answerText(network, qlpRecord(5, 5, 0x30, 1)), "% 5,241,48,1");
    EXPECT_EQ(answerText(network, qlpRecord(1, 5, 0x30, 1)), "% 1,241,48,1");
    // Other requests are untouched.
    EXPECT_EQ(answerText(network, qlpRecord(1, 5, 0x40, 2)), "% 1,5,64,2,0");
    // Absent IDs stay silent: a rule is a device's answer.
    EXPECT_EQ(answerText(network, qlpRecord(7, 5, 0x30, 1)), "(none)");
}

TEST(Network, AnswerAnyIdAndValueRulesForTheDetectFaults) {
    SimNetwork network = portWithBus();
    network.SetAnswerAnyId(true);
    network.AddValueRule({0xE2, 0x12, 100});
    EXPECT_EQ(answerText(network, qlpRecord(7, 0xE2, 0x11, 0, {0})), "% 1,226,17,0,1");
    EXPECT_EQ(answerText(network, qlpRecord(5, 0xE2, 0x12, 0, {0})), "% 5,226,18,0,100");
    EXPECT_EQ(answerText(network, qlpRecord(1, 0xE2, 0x13, 0, {0})), "% 1,226,19,0,8");
}

TEST(Network, PortDeviceAnswersUnderItsNewId) {
    SimNetwork network = portWithBus();
    EXPECT_EQ(answerText(network, qlpRecord(1, 0xE3, 0x11, 0, {20})), "% 1,227,17,0,20");
    EXPECT_EQ(answerText(network, qlpRecord(1, 1, 0x10, 0)), "(none)");
    EXPECT_EQ(answerText(network, qlpRecord(20, 1, 0x10, 0)), "% 20,1,16,0,4,1");
    EXPECT_EQ(answerText(network, qlpRecord(254, 0xE2, 0x11, 0, {0})), "% 20,226,17,0,20");
}

TEST(Network, BusDeviceOnAnotherCanRateIsNotHeard) {
    SimNetwork network = portWithBus();
    // The bus device at ID 5 moves to 50K; the port device stays at 147K.
    answerText(network, qlpRecord(5, 0xE3, 0x13, 0, {24}));
    answerText(network, qlpRecord(5, 0xE1, 0x13, 0, {0}));
    EXPECT_EQ(answerText(network, qlpRecord(5, 0xE1, 0x14, 0, {0})), "% 5,225,20,0,0");
    EXPECT_EQ(answerText(network, qlpRecord(5, 1, 0x10, 0, {0})), "(none)");
    EXPECT_EQ(answerText(network, qlpRecord(9, 1, 0x10, 0)), "% 9,1,16,0,1,1");
}

} // namespace
