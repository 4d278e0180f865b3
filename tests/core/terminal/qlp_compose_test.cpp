// The QLP ASCII and QLP Data composers: field rules, frames on the wire, logged lines.
#include <gtest/gtest.h>

#include "core/terminal/qlp_compose.h"
#include "support/memory_port_fixture.h"

namespace {

using PortFixture = MemoryPortFixture;

Bytes textFrame(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0x00);
    return bytes;
}

TEST(HexField, ShowsUpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(hex_field_text(0), "0");
    EXPECT_EQ(hex_field_text(10), "A");
    EXPECT_EQ(hex_field_text(255), "FF");
    EXPECT_EQ(hex_field_text(4660), "1234");
    EXPECT_EQ(hex_field_text(40000), "9C40");
}

TEST(HexField, ReadsTheFirstDigitsNonHexAsZero) {
    EXPECT_EQ(hex_field_value("1G", 2), 16);
    EXPECT_EQ(hex_field_value("", 2), 0);
    EXPECT_EQ(hex_field_value("0A", 2), 10);
    EXPECT_EQ(hex_field_value("ff", 2), 255);
    EXPECT_EQ(hex_field_value("9C40", 4), 40000);
    EXPECT_EQ(hex_field_value("FFFF", 4), 65535);
    EXPECT_EQ(hex_field_value("123", 2), 0x12);
}

TEST(HexField, RewritesOnlyWhenTheTextDiffers) {
    EXPECT_EQ(hex_field_rewrite("0A", 10), std::optional<std::string>("A"));
    EXPECT_EQ(hex_field_rewrite("A", 10), std::nullopt);
    EXPECT_EQ(hex_field_rewrite("1G", 16), std::optional<std::string>("10"));
    EXPECT_EQ(hex_field_rewrite("", 0), std::nullopt); // a cleared field stays empty
    EXPECT_EQ(hex_field_rewrite("", 5), std::optional<std::string>("5"));
    EXPECT_EQ(hex_field_rewrite("7", 0), std::optional<std::string>("0"));
}

constexpr FieldRule kOn{true, false};
constexpr FieldRule kOff{false, true};
constexpr FieldRule kOffKept{false, false};

TEST(ValueAmount, EnablesTheFirstAmountValues) {
    using Rule = std::array<FieldRule, 3>;
    EXPECT_EQ(value_amount_rule(1), (Rule{kOn, kOff, kOff}));
    EXPECT_EQ(value_amount_rule(2), (Rule{kOn, kOn, kOff}));
    EXPECT_EQ(value_amount_rule(3), (Rule{kOn, kOn, kOn}));
    EXPECT_EQ(value_amount_rule(0), (Rule{kOff, kOff, kOff}));
    EXPECT_EQ(value_amount_rule(4), (Rule{kOff, kOff, kOff}));
}

TEST(DataAmount, EnablesTheFirstAmountBytes) {
    using Rule = std::array<FieldRule, 8>;
    EXPECT_EQ(data_amount_rule(1), (Rule{kOn, kOff, kOff, kOff, kOff, kOff, kOff, kOff}));
    EXPECT_EQ(data_amount_rule(3), (Rule{kOn, kOn, kOn, kOff, kOff, kOff, kOff, kOff}));
    EXPECT_EQ(data_amount_rule(8), (Rule{kOn, kOn, kOn, kOn, kOn, kOn, kOn, kOn}));
    // Out of range: all disabled, Data0 keeps its value.
    EXPECT_EQ(data_amount_rule(0), (Rule{kOffKept, kOff, kOff, kOff, kOff, kOff, kOff, kOff}));
    EXPECT_EQ(data_amount_rule(9), (Rule{kOffKept, kOff, kOff, kOff, kOff, kOff, kOff, kOff}));
}

TEST(QlpAsciiCommand, ReadsAllFieldsOfTheGroup) {
    QlpAsciiFields fields{7, 6, 17, 2, {1, 2, 3}, 2};
    QlpCommand command = qlp_ascii_command(fields);
    EXPECT_EQ(command.valueCount, 2);
    EXPECT_EQ(command.id, 7u);
    EXPECT_EQ(command.function, 6);
    EXPECT_EQ(command.command, 17);
    EXPECT_EQ(command.channel, 2);
    EXPECT_EQ(command.values, (std::array<std::int32_t, 3>{1, 2, 3}));
}

struct ZumCase {
    const char* name;
    QlpAsciiFields fields;
    std::string wire; // without the closing 0x00
    std::string logged;
};

class QlpAsciiSend : public PortFixture, public ::testing::WithParamInterface<ZumCase> {};

TEST_P(QlpAsciiSend, WritesTheZumFrameAndLogsTheCommand) {
    open();
    std::optional<std::string> line = SendQlpAsciiCommand(port, qlp_ascii_command(GetParam().fields));
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "Send ZUM Frame = " + GetParam().logged);
    EXPECT_EQ(far.read_quiet(), textFrame(GetParam().wire));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QlpAsciiSend,
    ::testing::Values(ZumCase{"Example", {1, 6, 17, 2, {1, 0, 0}, 1}, "% 1,6,17,2,1", "% 1,6,17,2,1"},
                      ZumCase{"TwoValues", {1, 6, 17, 2, {5, 9, 0}, 2}, "% 1,6,17,2,5,9", "% 1,6,17,2,5,9"},
                      ZumCase{"Value40000TravelsAsZero", {1, 6, 17, 2, {40000, 0, 0}, 1}, "% 1,6,17,2,0",
                              "% 1,6,17,2,40000"},
                      ZumCase{"Value32767Travels", {1, 6, 17, 2, {32767, 0, 0}, 1}, "% 1,6,17,2,32767",
                              "% 1,6,17,2,32767"},
                      ZumCase{"Id256TravelsAsZero", {256, 5, 48, 1, {0, 0, 0}, 1}, "% 0,5,48,1,0",
                              "% 256,5,48,1,0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortFixture, ExampleFrameIsThirteenBytes) {
    open();
    ASSERT_TRUE(SendQlpAsciiCommand(port, qlp_ascii_command({1, 6, 17, 2, {1, 0, 0}, 1})));
    EXPECT_EQ(far.read_exactly(13),
              (Bytes{0x25, 0x20, 0x31, 0x2C, 0x36, 0x2C, 0x31, 0x37, 0x2C, 0x32, 0x2C, 0x31, 0x00}));
}

TEST_F(PortFixture, QlpAsciiWithoutPortLogsTheStatus) {
    EXPECT_EQ(SendQlpAsciiCommand(port, qlp_ascii_command({})), std::optional<std::string>("Send ZUM Frame = None Com Setup."));
}

TEST_F(PortFixture, ZebWorkedExample) {
    open();
    QlpDataFields fields{1, 0x10, 2, {0x12, 0x34, 0, 0, 0, 0, 0, 0}};
    std::optional<std::string> line = SendQlpDataFrame(port, qlp_data_frame(fields));
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "Send ZEB Frame = 1,10,12,34");
    EXPECT_EQ(far.read_exactly(27),
              (Bytes{0x24, 0xA8, 0xAC, 0x01, 0x10, 0x02, 0x12, 0x34, 0xA8, 0xAC, 0xA8, 0xAC, 0xA8, 0xAC,
                     0xA8, 0xAC, 0xA8, 0xAC, 0xA8, 0xAC, 0x1D, 0x8D, 0xA8, 0xAC, 0xA8, 0xAC, 0x00}));
}

TEST_F(PortFixture, ZebDataAmountThreeListsThree) {
    open();
    QlpDataFields fields{2, 0x20, 3, {1, 2, 3, 0, 0, 0, 0, 0}};
    ZebFrame frame = qlp_data_frame(fields);
    EXPECT_EQ(frame.count, 3);
    EXPECT_EQ(frame.data, (std::array<std::uint8_t, 8>{1, 2, 3, 0, 0, 0, 0, 0}));
    EXPECT_EQ(SendQlpDataFrame(port, frame), std::optional<std::string>("Send ZEB Frame = 2,20,01,02,03"));
}

// 0xA8 then 0xA9 would read back as the escape pair for "%": nothing goes out.
TEST_F(PortFixture, ZebBlockThatWouldReadBackAsAnEscapeIsNotSent) {
    open();
    QlpDataFields fields{1, 0x10, 2, {0xA8, 0xA9, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(SendQlpDataFrame(port, qlp_data_frame(fields)),
              std::optional<std::string>("Send ZEB Frame = Not Sent! 0xA8 before 0xA9 to 0xAC reads back as an escape"));
    EXPECT_TRUE(far.read_quiet(std::chrono::milliseconds(50), std::chrono::milliseconds(200)).empty());
}

TEST_F(PortFixture, QlpDataWithoutPortLogsTheStatus) {
    EXPECT_EQ(SendQlpDataFrame(port, qlp_data_frame({})), std::optional<std::string>("Send ZEB Frame = None Com Setup."));
}

} // namespace
