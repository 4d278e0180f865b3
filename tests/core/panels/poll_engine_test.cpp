// The operate panels' poll engine against a scripted device: schedule, pending
// commands, status evaluation, redisplay rules and the differences of the families.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/panels/poll_engine.h"
#include "core/protocol/pt57_device_def.h"
#include "core/protocol/rd24_device_def.h"

namespace {

const DeviceFamily& rd24Family() { return *findDeviceFamily("RD24"); }
const DeviceFamily& pt57Family() { return *findDeviceFamily("PT57"); }

// Records what the engine shows, one short line per call.
class RecordingView : public PanelView {
public:
    std::vector<std::string> calls;
    bool detect_timer = false;

    static const char* lamp(Lamp l) { return l == Lamp::kGreen ? "green" : l == Lamp::kRed ? "red" : "window"; }
    void add(std::string text) { calls.push_back(std::move(text)); }
    // Calls since the last take.
    std::vector<std::string> take() { return std::exchange(calls, {}); }

    void SetDetectTimer(bool running, int) override { detect_timer = running; }
    void SetSystemTimer(bool) override {}
    void ShowSettings(int ms, bool force) override { add("settings " + std::to_string(ms) + (force ? " force" : "")); }
    void ShowDetectStatus(const std::string& text) override { add("status " + text); }
    void ShowDetectLamp(Lamp l) override { add(std::string("detect ") + lamp(l)); }
    void ShowOnline(Lamp l) override { add(std::string("online ") + lamp(l)); }
    void ShowDetectCounter(int steps) override { add("counter " + std::to_string(steps)); }
    void ShowModel(int model) override { add("model " + std::to_string(model)); }
    void ShowId(int id) override { add("id " + std::to_string(id)); }
    void ShowGroup(int n, ChannelKind kind) override { add("group " + std::to_string(n) + " " + std::to_string(kind)); }
    void ShowDi(int n, bool on) override { add("DI " + std::to_string(n) + (on ? " on" : " off")); }
    void ShowDo(int n, bool on) override { add("DO " + std::to_string(n) + (on ? " on" : " off")); }
    void ShowAdType(int n, int type, const std::string& unit) override {
        add("ADtype " + std::to_string(n) + " " + std::to_string(type) + " " + unit);
    }
    void ShowAdReading(int n, const std::string& raw, const std::string& value) override {
        add("AD " + std::to_string(n) + " " + raw + " " + value);
    }
    void ShowDaType(int n, int type, const std::string& unit) override {
        add("DAtype " + std::to_string(n) + " " + std::to_string(type) + " " + unit);
    }
    void ShowDaSetCode(int n, int code) override { add("DAset " + std::to_string(n) + " " + std::to_string(code)); }
    void ShowDaReadBack(int n, const std::string& raw, const std::string& value) override {
        add("DAC " + std::to_string(n) + " " + raw + " " + value);
    }
    void ShowDaReadBackLamp(int n, Lamp l) override { add("DAClamp " + std::to_string(n) + " " + lamp(l)); }
};

class CountingPort : public PanelPort {
public:
    int purges = 0;
    int flushes = 0;
    void Purge() override { ++purges; }
    void Flush() override { ++flushes; }
};

// A device that answers every step at once, or stays silent.
struct ScriptedDevice {
    std::array<std::int32_t, 8> ai{};
    std::array<std::int32_t, 8> ao{};
    std::uint8_t digital = 0;
    ExchangeStatus failure = kExchangeSuccess; // the status of every step, without a value
    std::vector<std::string> sent;

    StepOutcome answer(const PollStep& s) {
        const std::string ch = std::to_string(s.channel);
        switch (s.kind) {
        case StepKind::kCheck: sent.push_back("check"); break;
        case StepKind::kReadDigital: sent.push_back("digital"); break;
        case StepKind::kToggleDigitalOutput: sent.push_back("toggle " + ch + "=" + std::to_string(s.value)); break;
        case StepKind::kReadAnalogInput: sent.push_back("ai " + ch); break;
        case StepKind::kReadAnalogOutput: sent.push_back("ao " + ch); break;
        case StepKind::kWriteAnalogOutput: sent.push_back("write " + ch + "=" + std::to_string(s.value)); break;
        }
        StepOutcome out;
        out.status = failure;
        if (s.kind == StepKind::kReadDigital) out.value = digital;
        if (s.kind == StepKind::kReadAnalogInput) out.value = ai[s.channel];
        if (s.kind == StepKind::kReadAnalogOutput) out.value = ao[s.channel];
        if (s.kind == StepKind::kWriteAnalogOutput && !failure) ao[s.channel] = s.value;
        return out;
    }
};

struct Panel {
    RecordingView view;
    CountingPort port;
    ScriptedDevice device;
    PollEngine engine;
    std::vector<PanelReading> readings;

    explicit Panel(const DeviceFamily& family) : engine(family, view, port) {
        engine.SetReadingSink([this](const PanelReading& r) { readings.push_back(r); });
    }
    // The main window's opening: SetDevice(1, model None), then the showing.
    void open() {
        const std::array<Rd24Channel, 8> none{};
        engine.SetDevice(1, 0, {none.data(), static_cast<std::size_t>(engine.family().channel_count)});
        engine.Show();
    }
    void openWith(const char* model) {
        open();
        engine.ChangeModel(model);
    }
    // One tick of Timer_DetectTime with the exchange run at once.
    void tick() {
        const std::optional<PollStep> step = engine.BeginStep();
        if (step) engine.FinishStep(engine.ticket(), device.answer(*step));
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) tick();
    }
    std::vector<std::string> sent() { return std::exchange(device.sent, {}); }
    bool shows(const std::string& call) const {
        return std::find(view.calls.begin(), view.calls.end(), call) != view.calls.end();
    }
};

using Steps = std::vector<std::string>;

TEST(PollEngine, SchedulesByModel) {
    struct Row {
        const DeviceFamily& family;
        const char* model;
        int ticks;
        Steps expected;
    };
    const Row rows[] = {
        {rd24Family(), "RD24-M3", 10,
         {"check", "check", "digital", "ai 0", "ai 1", "check", "check", "digital", "ai 0", "ai 1"}},
        // Coming online after the first step writes both DA channels' set codes first.
        {rd24Family(), "RD24-M4", 9,
         {"check", "write 2=0", "write 3=0", "check", "ai 0", "ai 1", "ao 2", "ao 3", "check"}},
        {pt57Family(), "PT57-M1", 8,
         {"digital", "write 2=0", "write 3=0", "ai 0", "ai 1", "ao 2", "ao 3", "digital"}},
        {rd24Family(), "None", 5, {}},
        {rd24Family(), "no such model", 5, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.model);
        Panel p(row.family);
        p.openWith(row.model);
        p.ticks(row.ticks);
        EXPECT_EQ(p.sent(), row.expected);
        p.engine.SystemTick();
        EXPECT_EQ(p.view.calls.back(), "counter " + std::to_string(row.expected.size()));
    }
}

TEST(PollEngine, QueuedSetRunsBeforeTheNextPollStep) {
    Panel p(rd24Family());
    p.openWith("RD24-M3");
    p.ticks(3);
    p.sent();
    p.engine.PressDoToggle(2);
    p.engine.PressDoToggle(2);
    p.ticks(3);
    EXPECT_EQ(p.sent(), (Steps{"toggle 2=1", "toggle 2=0", "ai 0"}));
}

TEST(PollEngine, UnreachableDeviceRestartsScheduleGoesOfflineAndFlushes) {
    struct Row {
        ExchangeStatus status;
        const char* text;
    };
    // A refused write (the port went away) counts as offline, as a time-out does.
    for (const Row& row : {Row{kExchangeTimeout, "status Timeout!"}, Row{kExchangeWriteFault, "status Write Fault!"}}) {
        SCOPED_TRACE(row.text);
        Panel p(rd24Family());
        p.openWith("RD24-M3");
        const int flushes = p.port.flushes; // the model change flushed once
        p.ticks(4);
        EXPECT_TRUE(p.engine.online());
        p.device.failure = row.status;
        p.view.take();
        p.tick(); // "ai 1" fails
        EXPECT_FALSE(p.engine.online());
        EXPECT_EQ(p.port.flushes, flushes + 1);
        EXPECT_TRUE(p.shows(row.text));
        EXPECT_TRUE(p.shows("detect red"));
        EXPECT_TRUE(p.shows("online red"));
        EXPECT_TRUE(p.shows("group 0 0")); // channels hidden while offline
        p.device.failure = kExchangeSuccess;
        p.sent();
        p.tick();
        EXPECT_EQ(p.sent(), Steps{"check"}); // the first step of the schedule
        EXPECT_TRUE(p.engine.online());
    }
}

TEST(PollEngine, OtherFailureKeepsDeviceOnlineWithoutValue) {
    Panel p(rd24Family());
    p.openWith("RD24-M3");
    p.ticks(3);
    p.device.failure = kExchangeFunctionError;
    p.device.ai[0] = 999;
    p.view.take();
    p.tick();
    EXPECT_TRUE(p.engine.online());
    EXPECT_EQ(p.view.take(), (Steps{"status Function Code Reply Error!", "detect red"}));
    EXPECT_EQ(p.engine.channel(0).adRaw, 0);
}

TEST(PollEngine, ComingOnlineWritesSetCodesByFamily) {
    struct Row {
        const DeviceFamily& family;
        const char* model;
        int channel;
        Steps after_reopen; // what the first online redisplay writes
    };
    const Row rows[] = {
        {rd24Family(), "RD24-M4", 2, {"check", "write 2=1500", "write 3=0"}},
        {pt57Family(), "PT57-M1", 2, {"digital", "write 2=0", "write 3=0"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.family.name);
        Panel p(row.family);
        p.openWith(row.model);
        p.ticks(3);
        p.engine.PressDaSet(row.channel, 1500);
        p.tick();
        EXPECT_EQ(p.engine.channel(row.channel).daSetCode, 1500);
        p.engine.Close();
        p.view.take();
        p.openWith(row.model); // reopened: ID 1, model None, then the model again
        EXPECT_TRUE(p.shows("settings 100"));
        p.sent();
        p.ticks(3);
        EXPECT_EQ(p.sent(), row.after_reopen);
        EXPECT_TRUE(p.shows("DAset 2 " + std::string(row.family.display_zeroes_set_code ? "0" : "1500")));
    }
}

TEST(PollEngine, ReadingsShowOnlyWhenTheyChange) {
    Panel p(rd24Family());
    p.openWith("RD24-M4");
    p.device.ai[0] = 2048;
    p.ticks(5); // check, both writes, check, ai 0
    EXPECT_TRUE(p.shows("AD 0 2048 2.500"));
    p.ticks(4);
    p.view.take();
    p.ticks(6); // a whole round with the same readings
    for (const std::string& call : p.view.calls)
        EXPECT_TRUE(call.rfind("status", 0) == 0 || call.rfind("detect", 0) == 0) << call;
    EXPECT_EQ(p.readings.size(), 8u); // the trend still gets every reading
}

TEST(PollEngine, ReadBackLampFollowsSetCode) {
    Panel p(rd24Family());
    p.openWith("RD24-M4");
    p.ticks(4);
    p.engine.PressDaSet(2, 100);
    p.ticks(4); // write 2=100, ai 0, ai 1, ao 2
    EXPECT_TRUE(p.shows("DAC 2 100 0.200"));
    EXPECT_TRUE(p.shows("DAClamp 2 green"));
    p.view.take();
    p.engine.DaCodeEdited(2);
    p.engine.DaCodeEdited(2);
    EXPECT_EQ(p.view.take(), Steps{"DAClamp 2 window"}); // once, not when already so
    p.device.ao[3] = 7; // differs from its set code 0
    p.ticks(1);
    EXPECT_TRUE(p.shows("DAClamp 3 red"));
}

TEST(PollEngine, TypeChangeShowsZeroAndNewUnit) {
    Panel p(pt57Family());
    p.openWith("PT57-M1");
    p.device.ai[0] = 4092;
    p.ticks(4);
    EXPECT_TRUE(p.shows("AD 0 4092 5.000"));
    p.view.take();
    p.engine.ChangeAdType(0, "20mA");
    EXPECT_EQ(p.view.take(), (Steps{"ADtype 0 3 mA", "AD 0 0 0"}));
    p.engine.ChangeAdType(0, "20mA"); // unchanged: nothing
    p.engine.ChangeDaType(2, "no such type");
    EXPECT_EQ(p.view.take(), (Steps{"DAtype 2 0 ", "DAset 2 0", "DAC 2 0 0", "DAClamp 2 window"}));
    p.sent();
    p.tick();
    EXPECT_EQ(p.sent(), Steps{"write 2=0"});
}

TEST(PollEngine, ForceDisplayShowsZeroedGroupsWhileOffline) {
    Panel p(rd24Family());
    p.openWith("RD24-M4");
    p.device.failure = kExchangeTimeout;
    p.view.take();
    p.tick();
    EXPECT_TRUE(p.shows("online red")); // never answered: offline, not unknown
    p.view.take();
    p.engine.SetForceDisplay(true);
    const Steps shown = p.view.take();
    for (const char* call : {"group 0 3", "AD 0 0 0", "group 2 4", "DAC 2 0 0", "group 4 0"})
        EXPECT_NE(std::find(shown.begin(), shown.end(), call), shown.end()) << call;
    EXPECT_EQ(p.engine.pending(), 2); // the DA set codes, written once the device answers
    p.engine.SetForceDisplay(false);
    EXPECT_TRUE(p.shows("group 0 0"));
    EXPECT_TRUE(p.shows("group 2 0"));
}

TEST(PollEngine, DigitalBitsDriveTheirChannels) {
    struct Row {
        const DeviceFamily& family;
        const char* model;
        std::uint8_t bits;
        Steps shown;
    };
    const Row rows[] = {
        {pt57Family(), "PT57-M6", 0x81, {"DI 0 on", "DO 7 on"}}, // bit 7 is channel 8
        {rd24Family(), "RD24-M1", 0x25, {"DI 0 on", "DO 2 on", "DO 5 on"}},
        {rd24Family(), "RD24-M1", 0xC0, {}}, // bits beyond six channels are ignored
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.model);
        Panel p(row.family);
        p.openWith(row.model);
        p.tick();
        p.view.take();
        p.device.digital = row.bits;
        p.tick();
        Steps lamps;
        for (const std::string& call : p.view.take())
            if (call.rfind("DI", 0) == 0 || call.rfind("DO", 0) == 0) lamps.push_back(call);
        EXPECT_EQ(lamps, row.shown);
    }
}

TEST(PollEngine, FullQueueRefusesAndSaysSo) {
    Panel p(rd24Family());
    p.openWith("RD24-M1");
    for (int i = 0; i < PendingSteps::kSlots - 1; ++i) p.engine.PressDoToggle(2);
    EXPECT_EQ(p.engine.pending(), 49);
    p.view.take();
    p.engine.PressDoToggle(3);
    EXPECT_EQ(p.view.take(), (Steps{"status Command Queue Full!", "detect red"}));
    EXPECT_EQ(p.engine.pending(), 49);
}

TEST(PollEngine, StepInFlightBlocksTicksAndLateResultIsDropped) {
    Panel p(rd24Family());
    p.openWith("RD24-M3");
    const std::optional<PollStep> first = p.engine.BeginStep();
    ASSERT_TRUE(first);
    const std::uint64_t ticket = p.engine.ticket();
    EXPECT_FALSE(p.engine.BeginStep()); // one step in flight at a time
    p.engine.Close();
    p.view.take();
    p.engine.FinishStep(ticket, StepOutcome{});
    EXPECT_TRUE(p.view.calls.empty()); // never applied to a closed panel
    EXPECT_FALSE(p.engine.showing());
}

TEST(PollEngine, PanelsKeepSeparateRecords) {
    Panel rd24(rd24Family());
    Panel pt57(pt57Family());
    rd24.openWith("RD24-M4");
    pt57.openWith("PT57-M5");
    rd24.engine.PressDaSet(2, 321);
    rd24.ticks(3);
    pt57.ticks(5);
    pt57.engine.PressDaSet(2, 654);
    pt57.ticks(8);
    EXPECT_EQ(rd24.engine.channel(2).daSetCode, 321);
    EXPECT_EQ(pt57.engine.channel(2).daSetCode, 654);
    EXPECT_EQ(rd24.engine.model(), 4);
    EXPECT_EQ(pt57.engine.model(), 5);
}

TEST(PollEngine, ReadingsCarryValueUnitAndTime) {
    Panel p(rd24Family());
    p.openWith("RD24-M4");
    p.ticks(3); // check and the two set-code writes
    p.device.ai[1] = 4096;
    p.device.ao[3] = 2048;
    p.ticks(5);
    ASSERT_EQ(p.readings.size(), 4u);
    EXPECT_EQ(p.readings[1].channel, 1);
    EXPECT_EQ(p.readings[1].kind, kChannelAD);
    EXPECT_DOUBLE_EQ(p.readings[1].value, 5.0);
    EXPECT_EQ(p.readings[1].unit, "V");
    EXPECT_EQ(p.readings[3].kind, kChannelDA);
    EXPECT_DOUBLE_EQ(p.readings[3].value, 8.19 / 2);
    EXPECT_GE(p.readings[3].ms, 0);
}

} // namespace
