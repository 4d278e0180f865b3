// The receive pipeline driven with bytes: line cutting, display texts, the QLP filter,
// the change-line wait, the hooks, and both receive paths over a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/terminal/receive_pipeline.h"
#include "core/protocol/zum_codec.h"
#include "core/protocol/zum_exchange.h"
#include "core/serial/comport.h"
#include "support/pty_pair.h"
#include "support/bytes.h"
#include "support/line_collector.h"
#include "core/util/time_helpers.h"

namespace {

using namespace std::chrono_literals;

class PipelineTest : public ::testing::Test {
protected:
    Lines take() { return collected.Take(); }

    void feed(std::string_view text) {
        Bytes b = bytes(text);
        pipeline.AcceptChunk(b.data(), static_cast<std::int32_t>(b.size()));
    }

    LineCollector collected;
    ZumLink link{comport_port()};
    ReceivePipeline pipeline{link, collected.Sink()};
};

// ---- line cutting ---------------------------------------------------------------

struct CutCase {
    const char* name;
    int line_control;
    const char* other;
    std::string_view received;
    Lines shown; // in "Hex" mode, so every byte is visible
    std::int32_t held;
};

class LineCutting : public PipelineTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(LineCutting, CutsAtTheTerminatorAndHoldsTheRest) {
    const CutCase& c = GetParam();
    pipeline.SetReceiveMode(kReceiveModeHex);
    pipeline.SetLineControlMode(c.line_control, c.other);
    feed(c.received);
    EXPECT_EQ(take(), c.shown);
    EXPECT_EQ(pipeline.accumulated(), c.held);
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(
    Terminators, LineCutting,
    ::testing::Values(
        CutCase{"Nul", kLineControlNul, "", "AB\0CD"sv, {"41,42,00"}, 2},
        CutCase{"Cr", kLineControlCr, "", "AB\rCD\r"sv, {"41,42,0D", "43,44,0D"}, 0},
        CutCase{"Lf", kLineControlLf, "", "A\nB\r"sv, {"41,0A"}, 2},
        CutCase{"CrLf", kLineControlCrLf, "", "AB\r\nCD"sv, {"41,42,0D,0A"}, 2},
        // The terminator is found wherever it stands, also right after a partial match.
        CutCase{"CrLfAfterASecondCr", kLineControlCrLf, "", "AB\r\r\nC"sv, {"41,42,0D,0D,0A"}, 1},
        CutCase{"CrLfAfterCrCrLf", kLineControlCrLf, "", "A\r\r\nB\r\n"sv, {"41,0D,0D,0A", "42,0D,0A"}, 0},
        CutCase{"OtherArrowAfterADash", kLineControlOther, "2D 2D 3E", "x--->y"sv, {"78,2D,2D,2D,3E"}, 1},
        CutCase{"OtherAABAfterAnA", kLineControlOther, "414142", "AAAB"sv, {"41,41,41,42"}, 0},
        CutCase{"OtherOneByte", kLineControlOther, "3B", "a;b;c"sv, {"61,3B", "62,3B"}, 1},
        CutCase{"OtherPairsWithSeparator", kLineControlOther, "0D,0A", "AB\r\nC"sv, {"41,42,0D,0A"}, 1},
        CutCase{"OtherPairsWithoutSeparator", kLineControlOther, "2324", "x#$y#"sv, {"78,23,24"}, 2},
        CutCase{"OtherEmptyCutsEveryByte", kLineControlOther, "", "AB"sv, {"41", "42"}, 0},
        CutCase{"OtherPairsWithBlank", kLineControlOther, "0D 0A", "AB\r\nC"sv, {"41,42,0D,0A"}, 1},
        CutCase{"OtherBlanksAndCommasAround", kLineControlOther, " 0d, 0a ", "AB\r\nC"sv, {"41,42,0D,0A"}, 1},
        // Text that is not hex pairs guesses no byte: the terminator in effect (<NUL>) stays.
        CutCase{"OtherHalfPairKeepsTheTerminator", kLineControlOther, "1", "A\0B"sv, {"41,00"}, 1},
        CutCase{"OtherSeparatedHalvesKeepTheTerminator", kLineControlOther, "0,D", "A\rB\0"sv, {"41,0D,42,00"}, 0},
        CutCase{"OtherLettersKeepTheTerminator", kLineControlOther, "ZZ", "A\0B"sv, {"41,00"}, 1},
        CutCase{"OtherThreeDigitsKeepTheTerminator", kLineControlOther, "0D0", "A\rB\0"sv, {"41,0D,42,00"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PipelineTest, AChunkSplitAcrossReadsMakesOneLine) {
    pipeline.SetLineControlMode(kLineControlCrLf, "");
    feed("AB\r");
    EXPECT_TRUE(take().empty());
    feed("\nC");
    EXPECT_EQ(take(), Lines{"AB<CR><LF>"});
    EXPECT_EQ(pipeline.accumulated(), 1);
}

TEST_F(PipelineTest, AFullHeldBufferIsShownAsOneLineAndTheRestHeld) {
    Bytes burst(3000, 'x');
    pipeline.AcceptChunk(burst.data(), 2048);
    pipeline.AcceptChunk(burst.data() + 2048, 952);
    EXPECT_EQ(take(), Lines{std::string(2048, 'x')});
    EXPECT_EQ(pipeline.last_length(), 2048);
    EXPECT_EQ(pipeline.accumulated(), 952);
}

TEST_F(PipelineTest, CrLfLinesUnderTheNulTerminatorAreAllShown) {
    std::string received;
    for (int i = 0; received.size() < 10000; ++i) received += "line " + std::to_string(i) + "\r\n";
    std::string replied;
    pipeline.SetReplyHook([&](const std::uint8_t* line, std::int32_t length) {
        EXPECT_EQ(length, kReceiveHeldMax);
        replied.append(reinterpret_cast<const char*>(line), static_cast<std::size_t>(length));
    });
    for (std::size_t at = 0; at < received.size(); at += kReceiveHeldMax) feed(received.substr(at, kReceiveHeldMax));
    EXPECT_EQ(take().size(), received.size() / kReceiveHeldMax);
    EXPECT_EQ(replied + std::string(received.end() - pipeline.accumulated(), received.end()), received);
}

TEST_F(PipelineTest, AFullChunkAfterAPartialLineLosesNothing) {
    pipeline.SetReceiveMode(kReceiveModeNone);
    pipeline.SetLineControlMode(kLineControlLf, "");
    feed("head");
    // 2048 bytes ending in a terminator: the rest of the held line, then 64 lines.
    std::string chunk = "-tail\n";
    for (int i = 0; i < 63; ++i) chunk += std::string(31, char('a' + i % 26)) + "\n";
    chunk += std::string(2048 - chunk.size() - 1, 'z') + "\n";
    ASSERT_EQ(chunk.size(), 2048u);
    feed(chunk);
    Lines shown = take();
    ASSERT_EQ(shown.size(), 65u);
    EXPECT_EQ(shown.front(), "head-tail");
    EXPECT_EQ(shown.back(), std::string(25, 'z'));
    EXPECT_EQ(pipeline.accumulated(), 0);
}

TEST_F(PipelineTest, BytesAfterAFullHeldBufferAreCutAsUsual) {
    Bytes held(kReceiveHeldMax, 'x');
    pipeline.AcceptChunk(held.data(), kReceiveHeldMax);
    feed("y\0z"sv);
    EXPECT_EQ(take(), (Lines{std::string(kReceiveHeldMax, 'x'), "y<NUL>"}));
    EXPECT_EQ(pipeline.accumulated(), 1);
}

TEST_F(PipelineTest, OtherFieldIsParsedOnlyWhileOtherIsSelected) {
    pipeline.SetLineControlMode(kLineControlCr, "");
    pipeline.SetLineControlOther("0A");
    EXPECT_EQ(pipeline.terminator(), Bytes{0x0D});
    pipeline.SetLineControlMode(kLineControlOther, "0A");
    EXPECT_EQ(pipeline.terminator(), Bytes{0x0A});
    pipeline.SetLineControlOther("0D,0A");
    EXPECT_EQ(pipeline.terminator(), (Bytes{0x0D, 0x0A}));
    pipeline.SetLineControlMode(kLineControlNul, "0D,0A");
    EXPECT_EQ(pipeline.terminator(), Bytes{0x00});
}

TEST_F(PipelineTest, UnreadableOtherFieldKeepsTheLastGoodTerminator) {
    pipeline.SetLineControlMode(kLineControlOther, "0D,0A");
    EXPECT_TRUE(pipeline.other_valid());
    for (const char* text : {"0D,0", "0D 0A,Z", "0x0D", "0D-0A"}) {
        pipeline.SetLineControlOther(text);
        EXPECT_FALSE(pipeline.other_valid()) << text;
        EXPECT_EQ(pipeline.terminator(), (Bytes{0x0D, 0x0A})) << text;
    }
    pipeline.SetLineControlOther("3B");
    EXPECT_TRUE(pipeline.other_valid());
    EXPECT_EQ(pipeline.terminator(), Bytes{0x3B});
}

// ---- change-line wait ----------------------------------------------------------

TEST_F(PipelineTest, WaitMarkFlushesAPartialLineAtTheNextIdlePoll) {
    pipeline.SetLineControlMode(kLineControlCrLf, "");
    feed("AB\r\nCD");
    EXPECT_EQ(take(), Lines{"AB<CR><LF>"});
    EXPECT_FALSE(pipeline.IdlePoll()); // no tick yet: CD waits for its terminator
    EXPECT_TRUE(take().empty());
    pipeline.MarkWaitElapsed();
    EXPECT_TRUE(pipeline.IdlePoll());
    EXPECT_EQ(take(), Lines{"CD"});
    EXPECT_EQ(pipeline.accumulated(), 0);
    EXPECT_FALSE(pipeline.wait_elapsed());
    EXPECT_EQ(pipeline.last_length(), 2);
}

TEST_F(PipelineTest, ReceivedDataClearsTheWaitMark) {
    feed("AB");
    pipeline.MarkWaitElapsed();
    feed("C"); // the line is not quiet yet
    EXPECT_FALSE(pipeline.wait_elapsed());
    EXPECT_FALSE(pipeline.IdlePoll());
    EXPECT_EQ(pipeline.accumulated(), 3);
}

TEST_F(PipelineTest, WaitMarkWithNothingHeldShowsNothing) {
    pipeline.MarkWaitElapsed();
    EXPECT_FALSE(pipeline.IdlePoll());
    EXPECT_TRUE(take().empty());
}

// ---- held bytes shown after a second, time stamps ------------------------------------

// A clock the test moves by hand: both times advance together from a known moment.
class ClockedPipelineTest : public PipelineTest {
protected:
    void SetUp() override {
        pipeline.SetClock([this] { return ReceiveInstant{steady_start + elapsed, wall_start + elapsed}; });
    }
    std::string stamp(std::chrono::milliseconds at) const { return time_stamp_text(wall_start + at); }

    std::chrono::steady_clock::time_point steady_start = std::chrono::steady_clock::now();
    std::chrono::system_clock::time_point wall_start = std::chrono::system_clock::now();
    std::chrono::milliseconds elapsed{0};
};

struct HeldCase {
    const char* name;
    int line_control;
    const char* other;
    bool qlp_filter;
    std::string_view received;
    std::string shown;
};

class HeldBytes : public ClockedPipelineTest, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldBytes, AreShownOnceTheFirstWasReadASecondAgo) {
    const HeldCase& c = GetParam();
    pipeline.SetLineControlMode(c.line_control, c.other);
    pipeline.SetQlpFilter(c.qlp_filter);
    feed(c.received.substr(0, 1));
    elapsed = 600ms;
    feed(c.received.substr(1)); // more bytes do not put the line off
    elapsed = 999ms;
    EXPECT_EQ(pipeline.HeldWaitMs(), 1);
    EXPECT_FALSE(pipeline.IdlePoll());
    elapsed = 1000ms;
    EXPECT_EQ(pipeline.HeldWaitMs(), 0);
    EXPECT_TRUE(pipeline.IdlePoll());
    EXPECT_EQ(take(), Lines{c.shown});
    EXPECT_EQ(pipeline.HeldWaitMs(), kWaitNoDeadline);
}

INSTANTIATE_TEST_SUITE_P(
    LineControls, HeldBytes,
    ::testing::Values(HeldCase{"CrLfLinesUnderNul", kLineControlNul, "", false, "a\r\nb\r\n"sv, "a<CR><LF>b<CR><LF>"},
                      HeldCase{"PartialUnderCrLf", kLineControlCrLf, "", false, "ab\r"sv, "ab<CR>"},
                      HeldCase{"PartialUnderOther", kLineControlOther, "3B", false, "ab"sv, "ab"},
                      HeldCase{"QlpFilterPath", kLineControlNul, "", true, "% 1,5"sv, "ZUM Frame = % 1,5,0,0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClockedPipelineTest, ALineIsStampedWithTheReadOfItsFirstByte) {
    pipeline.SetTimeStamps(true);
    pipeline.SetLineControlMode(kLineControlCrLf, "");
    feed("AB");
    elapsed = 300ms;
    feed("\r\nCD");
    EXPECT_EQ(take(), Lines{stamp(0ms) + "AB<CR><LF>"});
    elapsed = 1299ms;
    EXPECT_FALSE(pipeline.IdlePoll()); // CD came at 300 ms
    elapsed = 1300ms;
    EXPECT_TRUE(pipeline.IdlePoll());
    EXPECT_EQ(take(), Lines{stamp(300ms) + "CD"});
    EXPECT_NE(stamp(0ms), stamp(300ms));
}

TEST_F(PipelineTest, StoppingDropsHeldBytes) {
    feed("partial");
    pipeline.ResetAccumulated();
    pipeline.MarkWaitElapsed();
    EXPECT_FALSE(pipeline.IdlePoll());
    EXPECT_EQ(pipeline.accumulated(), 0);
}

// ---- display modes ------------------------------------------------------------

struct ModeCase {
    const char* name;
    int mode;
    int line_control;
    std::string_view received;
    std::string shown;
};

class DisplayModes : public PipelineTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(DisplayModes, ShowsTheLineWithItsTerminator) {
    const ModeCase& c = GetParam();
    pipeline.SetReceiveMode(c.mode);
    pipeline.SetLineControlMode(c.line_control, "");
    feed(c.received);
    EXPECT_EQ(take(), Lines{c.shown});
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DisplayModes,
    ::testing::Values(ModeCase{"AsciiCrLf", kReceiveModeAscii, kLineControlCrLf, "AB\r\n"sv, "AB<CR><LF>"},
                      ModeCase{"AsciiNulAndHighByte", kReceiveModeAscii, kLineControlNul, "A\xA5\x7F\0"sv,
                               "A<0xA5>\x7F<NUL>"},
                      ModeCase{"HexNul", kReceiveModeHex, kLineControlNul, "AB\0"sv, "41,42,00"},
                      ModeCase{"HexCrLf", kReceiveModeHex, kLineControlCrLf, "12\r\n"sv, "31,32,0D,0A"},
                      ModeCase{"NoneCrLf", kReceiveModeNone, kLineControlCrLf, "AB\r\n"sv, "AB"},
                      ModeCase{"NoneDropsHighBytes", kReceiveModeNone, kLineControlLf, "A\xE9" "B\x80\n"sv, "AB"},
                      ModeCase{"NoneOnlyControlsIsEmpty", kReceiveModeNone, kLineControlNul, "\x01\0"sv, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PipelineTest, OutOfRangeSettingsAreIgnored) {
    pipeline.SetReceiveMode(3);
    pipeline.SetLineControlMode(5, "0D");
    pipeline.SetChangeLineWait(900);
    EXPECT_EQ(pipeline.receive_mode(), kReceiveModeAscii);
    EXPECT_EQ(pipeline.terminator(), Bytes{0x00});
    EXPECT_EQ(pipeline.change_line_wait(), kChangeLineWaitMax);
}

// ---- QLP filter -------------------------------------------------------------------

QlpCommand zumCommand() {
    QlpCommand c{.valueCount = 1, .id = 1, .function = 5, .command = 48, .channel = 2, .values = {100}};
    return c;
}

ZebFrame zebFrame() {
    ZebFrame f;
    f.address = 7;
    f.code = 0x10;
    f.count = 2;
    f.data[0] = 0x12;
    f.data[1] = 0x34;
    return f;
}

ZikFrame zikFrame() {
    ZikFrame f;
    f.address = 3;
    f.length = 4;
    f.data[0] = 0x01;
    f.data[1] = 0x00;
    f.data[2] = 0xDB;
    f.data[3] = 0x7F;
    return f;
}

std::string asText(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

TEST_F(PipelineTest, QlpFilterDecodesEachFrameKind) {
    pipeline.SetQlpFilter(true);
    feed(asText(qlpEncodeText(zumCommand())));
    feed(asText(zebEncode(zebFrame())));
    feed(asText(zikEncode(zikFrame())));
    EXPECT_EQ(take(), (Lines{"ZUM Frame = % 1,5,48,2,100", "ZEB Frame = " + zebFrameText(zebFrame()),
                             "ZIK Frame = @ 3,01,00,DB,7F"}));
}

TEST_F(PipelineTest, QlpFilterShowsANonFrameLineRaw) {
    pipeline.SetQlpFilter(true);
    feed("% x\0"sv);
    feed("hello\0"sv);
    EXPECT_EQ(take(), (Lines{"% x<NUL>", "hello<NUL>"}));
}

TEST_F(PipelineTest, QlpFilterOffShowsFramesRaw) {
    feed(asText(qlpEncodeText(zumCommand())));
    EXPECT_EQ(take(), Lines{"% 1,5,48,2,100<NUL>"});
}

TEST_F(PipelineTest, QlpFilterDecodesAZumFrameCutAtCrLf) {
    pipeline.SetQlpFilter(true);
    pipeline.SetLineControlMode(kLineControlCrLf, "");
    feed("% 1,5\r\n");
    EXPECT_EQ(take(), Lines{"ZUM Frame = % 1,5,0,0"});
}

TEST_F(PipelineTest, QlpFilterShowsAZikLineWithoutItsClosingNulRaw) {
    pipeline.SetQlpFilter(true);
    pipeline.SetLineControlMode(kLineControlCrLf, "");
    feed("@ 3,AB\r\n");
    EXPECT_EQ(take(), Lines{"@ 3,AB<CR><LF>"});
}

TEST_F(PipelineTest, QlpFilterShowsALongLineRaw) {
    pipeline.SetQlpFilter(true);
    pipeline.SetReceiveMode(kReceiveModeNone);
    std::string long_line = "% 1," + std::string(400, '5');
    long_line.push_back('\0');
    feed(long_line);
    EXPECT_EQ(take(), Lines{long_line.substr(0, long_line.size() - 1)});
}

// ---- hooks --------------------------------------------------------------------------

TEST_F(PipelineTest, ReplySeesEachLineBeforeTheRecorderWhichMayTakeIt) {
    std::vector<std::string> calls;
    pipeline.SetLineControlMode(kLineControlLf, "");
    pipeline.SetReplyHook([&](const std::uint8_t* l, std::int32_t n) {
        calls.push_back("reply " + std::string(reinterpret_cast<const char*>(l), static_cast<std::size_t>(n)));
    });
    pipeline.SetRecorderHook([&](const std::uint8_t* l, std::int32_t n) {
        calls.push_back("record " + std::string(reinterpret_cast<const char*>(l), static_cast<std::size_t>(n)));
        return l[0] == '#';
    });
    std::vector<std::int32_t> lengths;
    pipeline.SetLastLengthHook([&](std::int32_t n) { lengths.push_back(n); });
    feed("#1\nab\n");
    EXPECT_EQ(calls, (std::vector<std::string>{"reply #1\n", "record #1\n", "reply ab\n", "record ab\n"}));
    EXPECT_EQ(take(), Lines{"ab<LF>"});
    EXPECT_EQ(lengths, (std::vector<std::int32_t>{3, 3}));
}

TEST_F(PipelineTest, ChangeLineFlushIsRepliedToo) {
    int replies = 0;
    pipeline.SetReplyHook([&](const std::uint8_t*, std::int32_t n) { replies += n; });
    feed("xyz");
    pipeline.MarkWaitElapsed();
    pipeline.IdlePoll();
    EXPECT_EQ(replies, 3);
}

TEST_F(PipelineTest, RecorderKeywordDefaultsToHash) {
    EXPECT_EQ(pipeline.recorder_keyword(), "#");
    pipeline.SetRecorderKeyword("REC");
    EXPECT_EQ(pipeline.recorder_keyword(), "REC");
}

// ---- over a pseudo-terminal ---------------------------------------------------------

class PipelinePortTest : public PipelineTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(far.ok());
        ASSERT_TRUE(ports.link(1, far));
        ComportSetting setting;
        setting.port = 1;
        ASSERT_TRUE(comport_configure(setting));
    }
    void TearDown() override { comport_configure(ComportSetting{}); }

    // Runs receive iterations until `count` lines were shown or `bound` passed.
    Lines dispatch_until(std::size_t count, std::chrono::milliseconds bound = 1s) {
        Lines got;
        for (auto end = std::chrono::steady_clock::now() + bound; std::chrono::steady_clock::now() < end;) {
            pipeline.ReceiveDispatch();
            for (std::string& l : take()) got.push_back(std::move(l));
            if (got.size() >= count) break;
        }
        return got;
    }

    PtyPair far;
    ComPortFolder ports;
};

TEST_F(PipelinePortTest, TerminalPathCutsReceivedBytes) {
    pipeline.SetLineControlMode(kLineControlCrLf, "");
    ASSERT_TRUE(far.write("AB\r\nCD\r\nEF"));
    EXPECT_EQ(dispatch_until(2), (Lines{"AB<CR><LF>", "CD<CR><LF>"}));
    EXPECT_EQ(pipeline.accumulated(), 2);
}

TEST_F(PipelinePortTest, WithTheDefaultsACrLfDeviceIsSeenWithinTheSecond) {
    ASSERT_TRUE(far.write("x 1\r\nx 2\r\n"));
    EXPECT_EQ(dispatch_until(1, 3s), Lines{"x 1<CR><LF>x 2<CR><LF>"});
    EXPECT_EQ(pipeline.accumulated(), 0);
}

TEST_F(PipelinePortTest, TerminalPathShowsTheFirst2048OfABurstAndHoldsTheRest) {
    ASSERT_TRUE(far.write(std::string(3000, 'x')));
    EXPECT_EQ(dispatch_until(1), Lines{std::string(kReceiveHeldMax, 'x')});
    for (int i = 0; i < 100 && pipeline.accumulated() < 952; ++i) pipeline.ReceiveDispatch();
    EXPECT_EQ(pipeline.accumulated(), 952);
}

TEST_F(PipelinePortTest, FramePathShowsOneLinePerPollWithoutCutting) {
    pipeline.SetPanelShowingHook([] { return true; });
    int replies = 0;
    pipeline.SetReplyHook([&](const std::uint8_t*, std::int32_t) { ++replies; });
    ASSERT_TRUE(far.write("A\r\nB\r\n"));
    EXPECT_EQ(dispatch_until(1), Lines{"A<CR><LF>B<CR><LF>"});
    EXPECT_EQ(replies, 0);
    EXPECT_EQ(pipeline.last_length(), 6);
}

TEST_F(PipelinePortTest, FramePathInNoneModeDropsTheRecorderKeyword) {
    pipeline.SetPanelShowingHook([] { return true; });
    pipeline.SetReceiveMode(kReceiveModeNone);
    pipeline.SetRecorderKeyword("#");
    ASSERT_TRUE(far.write("#abc\r\n"));
    EXPECT_EQ(dispatch_until(1), Lines{"abc"});
}

} // namespace
