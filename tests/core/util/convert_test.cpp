// Tagged text, hex pairs, number texts and line cutting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/util/convert.h"
#include "support/bytes.h"

namespace {

template <typename Case>
std::string row_name(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// --- Tagged text ----------------------------------------------------------------

TEST(TaggedText, EveryByteHasItsText) {
    EXPECT_EQ(byte_to_tagged_text(0x00), "<NUL>");
    EXPECT_EQ(byte_to_tagged_text(0x09), "<HT>");
    EXPECT_EQ(byte_to_tagged_text(0x1B), "<ESC>");
    EXPECT_EQ(byte_to_tagged_text(0x1F), "<US>");
    EXPECT_EQ(byte_to_tagged_text(0x20), " ");
    EXPECT_EQ(byte_to_tagged_text(0x7F), "\x7F");
    EXPECT_EQ(byte_to_tagged_text(0x80), "<0x80>");
    EXPECT_EQ(byte_to_tagged_text(0xA5), "<0xA5>");
    EXPECT_EQ(byte_to_tagged_text(0xFF), "<0xFF>");
}

TEST(TaggedText, BytesJoinTheirTexts) {
    const Bytes bytes{0x41, 0x0D, 0x0A, 0xFF};
    EXPECT_EQ(bytes_to_tagged_text(bytes), "A<CR><LF><0xFF>");
    EXPECT_EQ(bytes_to_tagged_text(bytes.data(), 4), "A<CR><LF><0xFF>");
    EXPECT_EQ(bytes_to_tagged_text(bytes.data(), 0), "");
    EXPECT_EQ(bytes_to_tagged_text(bytes.data(), -3), "");
    EXPECT_EQ(bytes_to_tagged_text(nullptr, 4), "");
}

// 0xE9 must stay one char of the 8-bit text, never become a two-byte sequence.
TEST(TaggedText, HighBytesStayOneCharEach) {
    Bytes out;
    EXPECT_EQ(tagged_text_to_bytes("caf\xE9", out), 4);
    EXPECT_EQ(out, (Bytes{'c', 'a', 'f', 0xE9}));
    EXPECT_EQ(strip_control_bytes(Bytes{0x41, 0xE9}), "A");
}

TEST(TaggedText, TagLookupIsExact) {
    for (int byte = 0; byte < 0x20; ++byte)
        EXPECT_EQ(tag_to_byte(byte_to_tagged_text(static_cast<std::uint8_t>(byte))), byte);
    EXPECT_EQ(tag_to_byte("<cr>"), -1);
    EXPECT_EQ(tag_to_byte("<CR"), -1);
    EXPECT_EQ(tag_to_byte("<DEL>"), -1);
    EXPECT_EQ(tag_to_byte("<0x41>"), -1);
    EXPECT_EQ(tag_to_byte(""), -1);
}

// Every byte below 0x80 is written so that reading it back gives the same byte, alone and
// between neighbours (a tag must not swallow or be swallowed by the character after it).
// "<" is the one exception: the tag set has no name for it, so its text is refused, not
// read back as something else.
TEST(TaggedText, EverySevenBitByteSurvivesTheRoundTrip) {
    Bytes all;
    for (int byte = 0; byte < 0x80; ++byte) {
        const Bytes one{static_cast<std::uint8_t>(byte)};
        Bytes back;
        const int n = tagged_text_to_bytes(bytes_to_tagged_text(one), back);
        if (byte == '<') {
            EXPECT_EQ(n, -1);
            continue;
        }
        EXPECT_EQ(n, 1) << "byte " << byte;
        EXPECT_EQ(back, one) << "byte " << byte;
        all.push_back(static_cast<std::uint8_t>(byte));
    }
    // All of them as text would exceed one command line, so they go in two halves.
    const std::size_t middle = all.size() / 2;
    for (const Bytes& half : {Bytes(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(middle)),
                              Bytes(all.begin() + static_cast<std::ptrdiff_t>(middle), all.end())}) {
        const std::string text = bytes_to_tagged_text(half);
        ASSERT_LE(text.size(), 1023u);
        Bytes back;
        EXPECT_EQ(tagged_text_to_bytes(text, back), static_cast<int>(half.size()));
        EXPECT_EQ(back, half);
    }
}

struct TaggedCase {
    const char* name;
    std::string text;
    int result;
    Bytes bytes;
};

class TaggedToBytes : public testing::TestWithParam<TaggedCase> {};

TEST_P(TaggedToBytes, GivesTheBytesOrMinusOne) {
    Bytes out{0x99};
    EXPECT_EQ(tagged_text_to_bytes(GetParam().text, out), GetParam().result);
    EXPECT_EQ(out, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TaggedToBytes,
    testing::Values(TaggedCase{"LetterCrLf", "A<CR><LF>", 3, {0x41, 0x0D, 0x0A}},
                    TaggedCase{"Empty", "", 0, {}},
                    TaggedCase{"NulInTheMiddle", "a<NUL>b", 3, {'a', 0x00, 'b'}},
                    TaggedCase{"ThreeLetterNames", "<DC1><ESC><SUB>", 3, {0x11, 0x1B, 0x1A}},
                    TaggedCase{"CloseAloneIsACharacter", ">", 1, {0x3E}},
                    TaggedCase{"CloseAfterATag", "<CR>>", 2, {0x0D, 0x3E}},
                    TaggedCase{"LowerCaseName", "<cr>", -1, {}},
                    TaggedCase{"HexTag", "<0x41>", -1, {}},
                    TaggedCase{"LoneOpen", "<", -1, {}},
                    TaggedCase{"TagNeverClosed", "AB<C", -1, {}},
                    TaggedCase{"FiveInsideTheTag", "<ABCDE>", -1, {}},
                    TaggedCase{"FourInsideUnknown", "<ABCD>", -1, {}},
                    TaggedCase{"OpenInsideTag", "<<CR>", -1, {}},
                    TaggedCase{"EmptyTag", "<>", -1, {}},
                    TaggedCase{"LongestLine", std::string(1023, 'x'), 1023, Bytes(1023, 'x')},
                    TaggedCase{"LongerThanALineIsRefused", std::string(1024, 'x'), -1, {}}),
    row_name<TaggedCase>);

// --- Hex text -------------------------------------------------------------------

TEST(HexText, PairsJoinedBySeparator) {
    const Bytes bytes{0x01, 0xAB, 0x00, 0xFF};
    EXPECT_EQ(bytes_to_hex_text(bytes, ','), "01,AB,00,FF");
    EXPECT_EQ(bytes_to_hex_text(bytes, 0), "01AB00FF");
    EXPECT_EQ(bytes_to_hex_text(bytes, ' '), "01 AB 00 FF");
    EXPECT_EQ(bytes_to_hex_text(bytes.data(), 2, ','), "01,AB");
    EXPECT_EQ(bytes_to_hex_text(bytes.data(), 0, ','), "");
    EXPECT_EQ(bytes_to_hex_text(bytes.data(), -1, ','), "");
}

struct HexPairsCase {
    const char* name;
    std::string text;
    char separator;
    Bytes bytes;
};

class HexPairs : public testing::TestWithParam<HexPairsCase> {};

TEST_P(HexPairs, ReadsPairs) {
    Bytes out{0x99};
    EXPECT_EQ(hex_pairs_to_bytes(GetParam().text, GetParam().separator, out),
              static_cast<int>(GetParam().bytes.size()));
    EXPECT_EQ(out, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HexPairs,
    testing::Values(HexPairsCase{"CommaSeparated", "0D,0A", ',', {0x0D, 0x0A}},
                    HexPairsCase{"Joined", "0D0A", ',', {0x0D, 0x0A}},
                    HexPairsCase{"SeparatorDropsHalfPair", "1,23", ',', {0x23}},
                    HexPairsCase{"EveryHalfDropped", "0,D", ',', {}},
                    HexPairsCase{"SingleHalvesOnly", "1,2,3", ',', {}},
                    HexPairsCase{"SingleCharacter", "A", ',', {}},
                    HexPairsCase{"BlankCountsAsZero", "0 ", ',', {0x00}},
                    HexPairsCase{"BlankPairsWithNextDigit", "01 02", ',', {0x01, 0x00}},
                    HexPairsCase{"NonHexIsZero", "0G", ',', {0x00}},
                    HexPairsCase{"LowerCase", "ab,cD", ',', {0xAB, 0xCD}},
                    HexPairsCase{"ExtraCommas", ",,41,,42,", ',', {0x41, 0x42}},
                    HexPairsCase{"TrailingHalfDropped", "01,02,F", ',', {0x01, 0x02}},
                    HexPairsCase{"NoSeparatorTakesComma", "0,A", 0, {0x00}},
                    HexPairsCase{"NulEmptiesThePair", std::string("1\0" "23", 4), ',', {0x23}},
                    HexPairsCase{"LongestText", std::string(1023, 'F'), ',', Bytes(511, 0xFF)},
                    HexPairsCase{"TooLongText", std::string(1024, 'F'), ',', {}}),
    row_name<HexPairsCase>);

TEST(HexText, HexOfBytesReadsBack) {
    Bytes all;
    for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<std::uint8_t>(byte));
    // 256 pairs with commas are 767 characters, within one input field.
    Bytes back;
    EXPECT_EQ(hex_pairs_to_bytes(bytes_to_hex_text(all, ','), ',', back), 256);
    EXPECT_EQ(back, all);
}

TEST(HexText, DigitValues) {
    const std::string digits = "0123456789ABCDEFabcdef";
    const int values[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
    for (std::size_t i = 0; i < digits.size(); ++i) EXPECT_EQ(hex_digit_value(digits[i]), values[i]) << digits[i];
    for (char c : {'G', 'g', ' ', '/', ':', '@', '`', '\0', '\xE9'}) EXPECT_EQ(hex_digit_value(c), 0) << int(c);
}

struct HexIntCase {
    const char* name;
    std::string text;
    int n;
    std::int32_t value;
};

class HexToInt : public testing::TestWithParam<HexIntCase> {};

TEST_P(HexToInt, ReadsHighDigitFirst) {
    EXPECT_EQ(hex_text_to_int(GetParam().text, GetParam().n), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HexToInt,
    testing::Values(HexIntCase{"TwoDigits", "7F", 2, 0x7F},
                    HexIntCase{"FourDigits", "12aB", 4, 0x12AB},
                    HexIntCase{"OnlyFirstN", "1234", 2, 0x12},
                    HexIntCase{"ShorterThanN", "4", 2, 0x4},
                    HexIntCase{"NonHexCountsZero", "1G", 2, 0x10},
                    HexIntCase{"LeadingNonHex", "G1", 2, 0x01},
                    HexIntCase{"Empty", "", 4, 0},
                    HexIntCase{"ZeroCount", "FF", 0, 0},
                    HexIntCase{"NegativeCount", "FF", -2, 0},
                    HexIntCase{"EightDigitsFillThe32Bits", "FFFFFFFF", 8, -1},
                    HexIntCase{"NinthDigitWraps", "123456789", 9, 0x23456789}),
    row_name<HexIntCase>);

// --- Number texts -------------------------------------------------------------------

struct ZerosCase {
    const char* name;
    std::string text;
    std::string result;
};

class StripZeros : public testing::TestWithParam<ZerosCase> {};

TEST_P(StripZeros, DropsLeadingZeros) { EXPECT_EQ(strip_leading_zeros(GetParam().text), GetParam().result); }

INSTANTIATE_TEST_SUITE_P(Rows, StripZeros,
                         testing::Values(ZerosCase{"Leading", "0012", "12"}, ZerosCase{"SingleZero", "0", "0"},
                                         ZerosCase{"SixtyFourZeros", std::string(64, '0'), "0"},
                                         ZerosCase{"Empty", "", ""}, ZerosCase{"NoZeros", "120", "120"},
                                         ZerosCase{"ZerosBeforeBlank", "00 5", " 5"},
                                         ZerosCase{"LongText", std::string(300, '0') + "7", "7"}),
                         row_name<ZerosCase>);

struct RealCase {
    const char* name;
    double value;
    int decimals;
    const char* text;
};

class FormatReal : public testing::TestWithParam<RealCase> {};

TEST_P(FormatReal, FixedDecimals) { EXPECT_EQ(format_real(GetParam().value, GetParam().decimals), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Rows, FormatReal,
                         testing::Values(RealCase{"ZeroHasNoDecimals", 0.0, 3, "0"},
                                         RealCase{"NegativeZero", -0.0, 2, "0"},
                                         RealCase{"OneDecimal", 2.5, 1, "2.5"},
                                         RealCase{"ThreeDecimals", 4.0, 3, "4.000"},
                                         RealCase{"NoDecimalsRounds", 2.6, 0, "3"},
                                         RealCase{"Negative", -1.25, 2, "-1.25"},
                                         RealCase{"SixDecimals", 0.1234564, 6, "0.123456"},
                                         RealCase{"SmallRoundsToZeroText", 0.0001, 2, "0.00"},
                                         RealCase{"TooManyDecimalsHeldAtSix", 1.0, 9, "1.000000"},
                                         RealCase{"NegativeDecimalsHeldAtZero", 7.0, -1, "7"}),
                         row_name<RealCase>);

TEST(FormatReal, HugeValueIsPrintedWhole) {
    const std::string text = format_real(1e300, 2);
    EXPECT_EQ(text.size(), 301u + 3u);
    EXPECT_EQ(text.substr(0, 2), "10");
    EXPECT_EQ(text.substr(text.size() - 3), ".00");
}

// --- Small text helpers -----------------------------------------------------------------

TEST(TextHelpers, Digits) {
    for (char c = '0'; c <= '9'; ++c) EXPECT_TRUE(is_digit(c));
    for (char c : {'/', ':', 'a', ' ', '\0', '\xB2'}) EXPECT_FALSE(is_digit(c)) << int(c);
}

TEST(TextHelpers, Prefixes) {
    EXPECT_TRUE(starts_with("REC,12", "REC"));
    EXPECT_TRUE(starts_with("REC", "REC"));
    EXPECT_TRUE(starts_with("abc", ""));
    EXPECT_TRUE(starts_with("", ""));
    EXPECT_FALSE(starts_with("RE", "REC"));
    EXPECT_FALSE(starts_with("rec,1", "REC"));

    std::string text = "REC,12";
    EXPECT_TRUE(remove_prefix(text, "REC"));
    EXPECT_EQ(text, ",12");
    EXPECT_FALSE(remove_prefix(text, "REC"));
    EXPECT_EQ(text, ",12");
    EXPECT_TRUE(remove_prefix(text, ""));
    EXPECT_EQ(text, ",12");
}

TEST(TextHelpers, StripControlBytesInPlace) {
    std::uint8_t bytes[] = {0x41, 0xE9, 0x42, 0x00, 0x55};
    EXPECT_EQ(strip_control_bytes(bytes, 4), 2);
    EXPECT_EQ(bytes[0], 0x41);
    EXPECT_EQ(bytes[1], 0x42);
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[4], 0x55) << "nothing past the given length is touched";
}

// When every byte is kept, the terminator would fall just past the buffer.
TEST(TextHelpers, StripControlBytesWritesNothingPastTheBuffer) {
    std::uint8_t bytes[] = {'a', 'b', 'c', 0x7E};
    EXPECT_EQ(strip_control_bytes(bytes, 3), 3);
    EXPECT_EQ(bytes[3], 0x7E);
    EXPECT_EQ(strip_control_bytes(bytes, 0), 0);
    EXPECT_EQ(strip_control_bytes(nullptr, 3), 0);
}

TEST(TextHelpers, StripControlBytesKeeps20To7F) {
    Bytes all;
    for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<std::uint8_t>(byte));
    const std::string kept = strip_control_bytes(all);
    ASSERT_EQ(kept.size(), 0x60u);
    EXPECT_EQ(kept.front(), ' ');
    EXPECT_EQ(kept.back(), '\x7F');
}

TEST(TextHelpers, JoinLines) {
    EXPECT_EQ(join_lines({"9600", "", "115200"}), "9600\n\n115200\n");
    EXPECT_EQ(join_lines({}), "");
}

// --- Line cutting -----------------------------------------------------------------

struct ExtractCase {
    const char* name;
    Bytes buffer;
    Bytes terminator;
    Bytes line;  // empty: no line
};

class ExtractLine : public testing::TestWithParam<ExtractCase> {};

TEST_P(ExtractLine, CutsTheFirstLine) {
    const ExtractCase& c = GetParam();
    Bytes buffer = c.buffer;
    buffer.resize(buffer.size() + 4, 0xEE);  // guard bytes past the count
    std::int32_t count = static_cast<std::int32_t>(c.buffer.size());
    Bytes out(c.buffer.size() + 4, 0xEE);
    const std::int32_t length = extract_line(buffer.data(), count, c.terminator.data(),
                                             static_cast<std::int32_t>(c.terminator.size()), out.data());
    ASSERT_EQ(length, static_cast<std::int32_t>(c.line.size()));
    EXPECT_EQ(Bytes(out.begin(), out.begin() + length), c.line);
    EXPECT_EQ(out[static_cast<std::size_t>(length)], 0xEE) << "the line is not 0-terminated";
    const Bytes rest(c.buffer.begin() + length, c.buffer.end());
    ASSERT_EQ(count, static_cast<std::int32_t>(rest.size()));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + count), rest);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExtractLine,
    testing::Values(ExtractCase{"CrLfLine", {0x41, 0x0D, 0x0A, 0x42}, {0x0D, 0x0A}, {0x41, 0x0D, 0x0A}},
                    ExtractCase{"OnlyTheFirstLine", {0x41, 0x0D, 0x0A, 0x42, 0x0D, 0x0A}, {0x0D, 0x0A}, {0x41, 0x0D, 0x0A}},
                    ExtractCase{"CrLfAfterASecondCr", {0x41, 0x0D, 0x0D, 0x0A}, {0x0D, 0x0A}, {0x41, 0x0D, 0x0D, 0x0A}},
                    ExtractCase{"AfterAPartialMatch", {0x41, 0x41, 0x41, 0x42, 0x43}, {0x41, 0x41, 0x42},
                                {0x41, 0x41, 0x41, 0x42}},
                    ExtractCase{"NoTerminatorYet", {0x41, 0x42, 0x0D}, {0x0D, 0x0A}, {}},
                    ExtractCase{"SingleByteTerminator", {0x31, 0x32, 0x0D, 0x33}, {0x0D}, {0x31, 0x32, 0x0D}},
                    ExtractCase{"TerminatorOnly", {0x0D, 0x0A}, {0x0D, 0x0A}, {0x0D, 0x0A}},
                    ExtractCase{"NoTerminatorTakesOneByte", {0x41, 0x42}, {}, {0x41}},
                    ExtractCase{"MatchRestartsAfterMismatch", {0x0D, 0x41, 0x0D, 0x0A}, {0x0D, 0x0A},
                                {0x0D, 0x41, 0x0D, 0x0A}},
                    ExtractCase{"ThreeByteTerminator", {0x61, 0x01, 0x02, 0x03, 0x62}, {0x01, 0x02, 0x03},
                                {0x61, 0x01, 0x02, 0x03}}),
    row_name<ExtractCase>);

TEST(ExtractLine, EmptyCountFindsNothing) {
    std::uint8_t buffer[] = {0x0D};
    std::uint8_t out[2] = {0xEE, 0xEE};
    const std::uint8_t terminator[] = {0x0D};
    std::int32_t count = 0;
    EXPECT_EQ(extract_line(buffer, count, terminator, 1, out), 0);
    count = -5;
    EXPECT_EQ(extract_line(buffer, count, terminator, 1, out), 0);
    EXPECT_EQ(count, -5);
    EXPECT_EQ(out[0], 0xEE);
}

TEST(ExtractLine, DrainsABufferLineByLine) {
    const std::string text = "one\r\ntwo\r\n\r\nrest";
    Bytes buffer(text.begin(), text.end());
    std::int32_t count = static_cast<std::int32_t>(buffer.size());
    const std::uint8_t terminator[] = {'\r', '\n'};
    std::vector<std::string> lines;
    Bytes out(buffer.size());
    while (std::int32_t n = extract_line(buffer.data(), count, terminator, 2, out.data()))
        lines.emplace_back(out.begin(), out.begin() + n);
    EXPECT_EQ(lines, (std::vector<std::string>{"one\r\n", "two\r\n", "\r\n"}));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + count), "rest");
}

}  // namespace
