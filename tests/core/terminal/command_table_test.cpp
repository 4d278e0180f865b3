// Command lines: what a send writes and logs, the Add Other rule, the reply to
// received lines, over a port in memory whose far end the test reads.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/protocol/zum_exchange.h"
#include "core/terminal/command_table.h"
#include "core/util/send_check.h"
#include "core/terminal/receive_pipeline.h"
#include "support/bytes.h"
#include "support/line_collector.h"
#include "support/memory_port_fixture.h"

namespace {

using PortFixture = MemoryPortFixture;


class CommandTableTest : public PortFixture {
protected:
    void SetUp() override {
        PortFixture::SetUp();
        open();
    }

    Lines take() { return collected.Take(); }

    LineCollector collected;
    CommandTable table{port, collected.Sink()};
};

const std::string kPrefix = "---* Send General ASCII COMMAND *---   ";

struct SendCase {
    const char* name;
    std::string text;
    Bytes sent;
    Lines logged;
};

class SendCommand : public CommandTableTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(SendCommand, SendsExactlyTheConvertedBytes) {
    const SendCase& c = GetParam();
    table.SetCommandText(4, c.text);
    table.SendCommand(4);
    EXPECT_EQ(far.read_quiet(), c.sent);
    EXPECT_EQ(take(), c.logged);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SendCommand,
    ::testing::Values(
        SendCase{"TagsExpandedNoTerminatorAdded", "A<CR><LF>", {0x41, 0x0D, 0x0A}, {kPrefix + "A<CR><LF>"}},
        SendCase{"PlainTextAsIs", "rd 1", bytes("rd 1"), {kPrefix + "rd 1"}},
        SendCase{"GreaterThanAlone", ">", {0x3E}, {kPrefix + ">"}},
        SendCase{"NulTag", "<NUL>", {0x00}, {kPrefix + "<NUL>"}},
        SendCase{"EmptySendsNothingAndLogsNothing", "", {}, {}},
        SendCase{"UnclosedTag", "AB<C", {}, {kPrefix + "String Error!"}},
        SendCase{"TagTooLong", "<ABCDE>", {}, {kPrefix + "String Error!"}},
        SendCase{"LowerCaseTag", "<cr>", {}, {kPrefix + "String Error!"}},
        SendCase{"HexTag", "<0x80>", {}, {kPrefix + "String Error!"}},
        SendCase{"LoneOpen", "<", {}, {kPrefix + "String Error!"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandTableTest, NoPortLogsTheDriverText) {
    port.Open(ComportSetting{});
    table.SetCommandText(1, "A<CR>");
    table.SendCommand(1);
    EXPECT_EQ(take(), Lines{kPrefix + "None Com Setup."});
}

TEST_F(CommandTableTest, OnlyCommandsOneToTwentyAreSent) {
    table.AppendCommandText(0, "hidden");
    table.SendCommand(0);
    table.SendCommand(21);
    EXPECT_TRUE(far.read_quiet().empty());
    EXPECT_TRUE(take().empty());
}

struct OtherCase {
    const char* name;
    const char* field;
    std::string appended;
};

class AddOther : public ::testing::TestWithParam<OtherCase> {};

TEST_P(AddOther, AppendsTheTaggedByte) {
    EXPECT_EQ(add_other_text(GetParam().field), GetParam().appended);
}

INSTANTIATE_TEST_SUITE_P(Fields, AddOther,
                         ::testing::Values(OtherCase{"Empty", "", ""}, OtherCase{"OneDigit", "4", "<EOT>"},
                                           OtherCase{"Letter", "41", "A"}, OtherCase{"NonHexCountsZero", "G1", "<SOH>"},
                                           OtherCase{"HighByte", "80", "<0x80>"}, OtherCase{"LowerCase", "7f", "\x7F"},
                                           OtherCase{"Zero", "00", "<NUL>"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandTableTest, HiddenSlotIsNeverListed) {
    table.AppendCommandText(0, "<CR>");
    EXPECT_EQ(table.CommandText(0), "<CR>");
    for (const std::string& command : table.Commands()) EXPECT_TRUE(command.empty());
}

TEST_F(CommandTableTest, TextsStopAt1023Characters) {
    table.SetCommandText(2, std::string(1100, 'a'));
    EXPECT_EQ(table.CommandText(2).size(), kCommandTextMax);
    table.SetCommandText(3, std::string(1020, 'b'));
    EXPECT_FALSE(table.AppendCommandText(3, "<CR>"));
    EXPECT_EQ(table.CommandText(3), std::string(1020, 'b'));
    EXPECT_TRUE(table.AppendCommandText(3, "<C"));
    EXPECT_EQ(table.CommandText(3).size(), 1022u);
}

TEST_F(CommandTableTest, ClearAllKeepsTheHiddenSlot) {
    table.SetCommandText(0, "x");
    table.SetCommandText(20, "y");
    table.ClearAll();
    EXPECT_EQ(table.CommandText(20), "");
    EXPECT_EQ(table.CommandText(0), "x");
}

// ---- replies ------------------------------------------------------------------------

TEST_F(CommandTableTest, ReplyNoneSendsNothing) {
    Bytes line = bytes("ping\r\n");
    table.SendReply(line.data(), static_cast<std::int32_t>(line.size()));
    EXPECT_TRUE(far.read_quiet().empty());
}

TEST_F(CommandTableTest, ReplyCommandNumberIsClamped) {
    table.SetReplyCommand(0);
    EXPECT_EQ(table.reply_command(), 1);
    table.SetReplyCommand(25);
    EXPECT_EQ(table.reply_command(), 20);
    table.SetReplyMethod(3);
    EXPECT_EQ(table.reply_method(), kReplyNone);
}

// The pipeline hands each received line to the table, as the main window wires it.
class ReplyThroughPipeline : public CommandTableTest {
protected:
    void SetUp() override {
        CommandTableTest::SetUp();
        pipeline.SetLineControlMode(kLineControlCrLf, "");
        pipeline.SetReplyHook([this](const std::uint8_t* l, std::int32_t n) { table.SendReply(l, n); });
    }
    void receive(std::string_view text) {
        Bytes b = bytes(text);
        pipeline.AcceptChunk(b.data(), static_cast<std::int32_t>(b.size()));
    }

    ZumLink link{port};
    ReceivePipeline pipeline{link, collected.Sink()};
};

TEST_F(ReplyThroughPipeline, ReplyReceiveEchoesEachLineWithItsTerminator) {
    table.SetReplyMethod(kReplyReceive);
    receive("one\r\ntwo\r\nrest");
    EXPECT_EQ(far.read_quiet(), bytes("one\r\ntwo\r\n"));
    EXPECT_EQ(take(), (Lines{"one<CR><LF>", "two<CR><LF>"}));
}

TEST_F(ReplyThroughPipeline, ARefusedCommandIsSentNeitherByHandNorAsAReply) {
    table.SetCommandText(3, "h?llo");
    table.SetCommandRefusal(3, eight_bit_refusal(U"h\u2603llo"));
    table.SetReplyMethod(kReplyCommand);
    table.SetReplyCommand(3);
    table.SendCommand(3);
    receive("a\r\n");
    EXPECT_TRUE(far.read_quiet().empty());
    const std::string refused = "---* Not sent: Command 3, character 2 (U+2603) is not 8-bit text (Latin-1) *---";
    EXPECT_EQ(take(), (Lines{refused, refused, "a<CR><LF>"}));
    table.SetCommandText(3, "hello"); // the field was corrected
    table.SendCommand(3);
    EXPECT_EQ(far.read_quiet(), bytes("hello"));
}

TEST_F(ReplyThroughPipeline, ReplyCommandSendsTheCommandOncePerLine) {
    table.SetCommandText(1, "wrong");
    table.SetCommandText(3, "OK<CR>");
    table.SetReplyMethod(kReplyCommand);
    table.SetReplyCommand(3);
    receive("a\r\nb\r\n");
    EXPECT_EQ(far.read_quiet(), bytes("OK\rOK\r"));
    EXPECT_EQ(take(), (Lines{kPrefix + "OK<CR>", "a<CR><LF>", kPrefix + "OK<CR>", "b<CR><LF>"}));
}

} // namespace
