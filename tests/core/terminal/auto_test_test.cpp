// The auto-test's sends over a port in memory.
#include "core/terminal/auto_test.h"
#include "support/memory_port_fixture.h"

namespace {

using PortFixture = MemoryPortFixture;

class AutoTestSend : public PortFixture {
protected:
    std::vector<AutoTestCounters> seen;
    AutoTest test{port, [this](const AutoTestCounters& c) { seen.push_back(c); }};
};

TEST_F(AutoTestSend, SendsTheLeadAndTheCommandAndCounts) {
    open();
    test.SetCommand("AB<CR>");
    EXPECT_EQ(test.Send(), std::nullopt);
    EXPECT_EQ(far.read_exactly(4), (Bytes{'#', 'A', 'B', 0x0D}));
    EXPECT_EQ(test.Send(), std::nullopt);
    EXPECT_EQ(test.counters().sending, 2);
    EXPECT_EQ(seen.back(), (AutoTestCounters{2, 0, 0}));
}

TEST_F(AutoTestSend, MalformedCommandLogsStringErrorEveryTime) {
    open();
    test.SetCommand("AB<C");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(test.Send(), std::optional<std::string>("---* Send General ASCII COMMAND *---   String Error!"));
    EXPECT_EQ(test.counters().sending, 0);
    EXPECT_TRUE(far.read_quiet().empty());
}

TEST_F(AutoTestSend, RefusedWriteLogsTheStatus) {
    test.SetCommand("x");
    EXPECT_EQ(test.Send(), std::optional<std::string>("---* Send General ASCII COMMAND *---   None Com Setup."));
    EXPECT_EQ(test.counters().sending, 0);
}

TEST_F(AutoTestSend, ResetZeroesAllThree) {
    test.SetCommand("1");
    test.Received("1");
    test.Received("2");
    EXPECT_EQ(test.counters(), (AutoTestCounters{0, 2, 1}));
    test.Reset();
    EXPECT_EQ(test.counters(), AutoTestCounters{});
    EXPECT_EQ(seen.back(), AutoTestCounters{});
}

} // namespace
