// The HEX tabs' sends: the hex-pair rule, the bytes on the wire and the logged lines.
#include <gtest/gtest.h>

#include <string>

#include "core/terminal/hex_send.h"
#include "support/memory_port_fixture.h"

namespace {

using PortFixture = MemoryPortFixture;

struct PairCase {
    const char* name;
    std::string text;
    Bytes bytes;
};

class HexPairRule : public ::testing::TestWithParam<PairCase> {};

TEST_P(HexPairRule, GivesTheBytes) {
    EXPECT_EQ(general_hex_bytes(GetParam().text), GetParam().bytes);
}

std::string pairs(std::size_t characters) {
    std::string text;
    while (text.size() < characters) text += "41";
    text.resize(characters);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexPairRule,
    ::testing::Values(PairCase{"Commas", "01,02,FF", {0x01, 0x02, 0xFF}},
                      PairCase{"NoCommas", "0102FF", {0x01, 0x02, 0xFF}},
                      PairCase{"HalfPairsDropped", "1,2,3", {}},
                      PairCase{"BlankCountsAsZero", "01 02", {0x01, 0x00}},
                      PairCase{"NonHexCountsAsZero", "0G", {0x00}},
                      PairCase{"ExtraCommas", ",,41,,42,", {0x41, 0x42}},
                      PairCase{"LowerCase", "ab,cd", {0xAB, 0xCD}},
                      PairCase{"OneCharacter", "A", {}},
                      PairCase{"Empty", "", {}},
                      PairCase{"TrailingHalfPair", "0D0A1", {0x0D, 0x0A}},
                      PairCase{"Longest1023", pairs(1023), Bytes(511, 0x41)},
                      PairCase{"TooLong1024", pairs(1024), {}}),
    [](const auto& info) { return std::string(info.param.name); });

using GeneralHexSend = PortFixture;

TEST_F(GeneralHexSend, WritesTheBytesAndLogsThem) {
    open();
    Bytes bytes = general_hex_bytes("01,02,FF");
    EXPECT_EQ(SendGeneralHexData(port, bytes), "---* Send General HEX Data *---   01,02,FF");
    EXPECT_EQ(far.read_exactly(3), (Bytes{0x01, 0x02, 0xFF}));
}

TEST_F(GeneralHexSend, ATextWithoutBytesLogsTheEmptySend) {
    open();
    Bytes bytes = general_hex_bytes("A");
    EXPECT_EQ(SendGeneralHexData(port, bytes), "General HEX Send Error! Send Empty String");
    EXPECT_TRUE(far.read_quiet().empty());
}

TEST_F(GeneralHexSend, NoPortLogsTheStatus) {
    Bytes bytes = general_hex_bytes("41");
    EXPECT_EQ(SendGeneralHexData(port, bytes), "General HEX Send Error! None Com Setup.");
}

TEST_F(GeneralHexSend, SevenBitParityShowsTheAdjustedBytes) {
    open(7, 2); // even parity made in the eighth bit
    Bytes bytes = general_hex_bytes("01,03");
    // 0x01 has one bit set, so its parity bit is set; 0x03 has two.
    EXPECT_EQ(SendGeneralHexData(port, bytes), "---* Send General HEX Data *---   81,03");
}

using QlpHexSend = PortFixture;

TEST_F(QlpHexSend, EscapesTheDataOfTheZikFrame) {
    open();
    std::optional<std::string> line = SendQlpHexFrame(port, qlp_hex_frame(3, "01,00,DB,7F"));
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "Send ZIK Frame = @ 3,01,00,DB,7F");
    EXPECT_EQ(far.read_exactly(11), (Bytes{0x40, 0x20, 0x33, 0x2C, 0x01, 0xDB, 0xDC, 0xDB, 0xDD, 0x7F, 0x00}));
}

TEST_F(QlpHexSend, Id256TravelsAsDecimalText) {
    open();
    std::optional<std::string> line = SendQlpHexFrame(port, qlp_hex_frame(256, "41"));
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "Send ZIK Frame = @ 256,41");
    EXPECT_EQ(far.read_exactly(8), (Bytes{'@', ' ', '2', '5', '6', ',', 0x41, 0x00}));
}

TEST_F(QlpHexSend, AnEmptyTextSendsAndLogsNothing) {
    open();
    EXPECT_FALSE(SendQlpHexFrame(port, qlp_hex_frame(1, "")));
    EXPECT_FALSE(SendQlpHexFrame(port, qlp_hex_frame(1, "1,2")));
    EXPECT_TRUE(far.read_quiet().empty());
}

TEST_F(QlpHexSend, OnlyTheFirstEightBytesTravel) {
    ZikFrame frame = qlp_hex_frame(2, "01,02,03,04,05,06,07,08,09,0A");
    EXPECT_EQ(frame.length, 8);
    open();
    std::optional<std::string> line = SendQlpHexFrame(port, frame);
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "Send ZIK Frame = @ 2,01,02,03,04,05,06,07,08");
    EXPECT_EQ(far.read_quiet(), (Bytes{'@', ' ', '2', ',', 1, 2, 3, 4, 5, 6, 7, 8, 0x00}));
}

TEST_F(QlpHexSend, NoPortLogsTheStatus) {
    EXPECT_EQ(SendQlpHexFrame(port, qlp_hex_frame(1, "41")), std::optional<std::string>("Send ZIK Frame = None Com Setup."));
}

} // namespace
