// Known-answer vectors for the three frame kinds, the CRC and the status texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/protocol/zum_codec.h"
#include "support/bytes.h"

namespace {

Bytes frameOf(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0x00);
    return bytes;
}

QlpCommand command(std::int32_t valueCount, std::uint32_t id, std::uint8_t function, std::uint8_t cmd = 0,
                   std::uint8_t channel = 0, std::array<std::int32_t, 3> values = {}) {
    QlpCommand c{
        .valueCount = valueCount, .id = id, .function = function, .command = cmd, .channel = channel, .values = values};
    return c;
}

// --- ZUM encoding -------------------------------------------------------------

struct EncodeCase {
    const char* name;
    QlpCommand request;
    const char* text; // the frame is this text and one 0x00
};

class ZumEncode : public testing::TestWithParam<EncodeCase> {};

TEST_P(ZumEncode, SendsTheTextAndOneNul) { EXPECT_EQ(qlpEncodeText(GetParam().request), frameOf(GetParam().text)); }

INSTANTIATE_TEST_SUITE_P(
    Vectors, ZumEncode,
    testing::Values(EncodeCase{"IdAndFunctionOnly", command(-1, 7, 1, 16, 3), "% 7,1"},
                    EncodeCase{"CommandAndChannel", command(0, 5, 5, 48, 2), "% 5,5,48,2"},
                    EncodeCase{"OneValue", command(1, 1, 6, 64, 0, {2048}), "% 1,6,64,0,2048"},
                    EncodeCase{"ThreeValues", command(3, 9, 6, 64, 1, {1, 2, 3}), "% 9,6,64,1,1,2,3"},
                    EncodeCase{"OnlyValueCountValuesTravel", command(1, 9, 6, 64, 1, {7, 8, 9}), "% 9,6,64,1,7"},
                    EncodeCase{"MinusOneAs65535", command(1, 1, 6, 64, 0, {-1}), "% 1,6,64,0,65535"},
                    EncodeCase{"MinusLimitAs32769", command(1, 1, 6, 64, 0, {-32767}), "% 1,6,64,0,32769"},
                    EncodeCase{"PlusLimitKept", command(1, 1, 6, 64, 0, {32767}), "% 1,6,64,0,32767"},
                    EncodeCase{"Plus32768AsZero", command(1, 1, 6, 64, 0, {32768}), "% 1,6,64,0,0"},
                    EncodeCase{"Minus32768AsZero", command(1, 1, 6, 64, 0, {-32768}), "% 1,6,64,0,0"},
                    EncodeCase{"FarOutOfRangeAsZero", command(2, 1, 6, 64, 0, {100000, -100000}), "% 1,6,64,0,0,0"},
                    EncodeCase{"IdTravelsAsItsLowByte", command(0, 261, 5, 48, 2), "% 5,5,48,2"},
                    EncodeCase{"SettingCommand", command(1, 254, 0xE2, 0x12, 0, {0}), "% 254,226,18,0,0"},
                    EncodeCase{"ValueCountAboveThreeSendsThree", command(5, 2, 6, 64, 0, {4, 5, 6}),
                               "% 2,6,64,0,4,5,6"},
                    EncodeCase{"ValueCountBelowMinusOneSendsIdAndFunction", command(-4, 2, 1, 16, 0), "% 2,1"}),
    [](const testing::TestParamInfo<EncodeCase>& info) { return std::string(info.param.name); });

TEST(ZumWorkedExample, AnalogueInputRequestBytes) {
    const Bytes expected{0x25, 0x20, 0x35, 0x2C, 0x35, 0x2C, 0x34, 0x38, 0x2C, 0x32, 0x00};
    EXPECT_EQ(qlpEncodeText(command(0, 5, 5, 48, 2)), expected);
}

TEST(ZumWorkedExample, AnalogueInputReplyDecodes) {
    const Bytes reply{0x25, 0x20, 0x35, 0x2C, 0x35, 0x2C, 0x34, 0x38, 0x2C,
                      0x32, 0x2C, 0x31, 0x32, 0x33, 0x34, 0x00};
    QlpCommand decoded;
    ASSERT_TRUE(qlpDecodeText(reply.data(), reply.size(), decoded));
    EXPECT_EQ(decoded, command(1, 5, 5, 48, 2, {1234}));
    EXPECT_EQ(qlpCommandText(decoded), "% 5,5,48,2,1234");
}

// --- ZUM decoding -------------------------------------------------------------

struct DecodeCase {
    const char* name;
    std::string text; // decoded with its 0x00 appended
    bool ok;
    QlpCommand expected;
};

class ZumDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(ZumDecode, Decodes) {
    const Bytes frame = frameOf(GetParam().text);
    QlpCommand decoded = command(3, 99, 99, 99, 99, {99, 99, 99});
    const QlpCommand untouched = decoded;
    ASSERT_EQ(qlpDecodeText(frame.data(), frame.size(), decoded), GetParam().ok);
    EXPECT_EQ(decoded, GetParam().ok ? GetParam().expected : untouched);
}

std::string number(int digits, const char* last) {
    return std::string(static_cast<std::size_t>(digits) - std::char_traits<char>::length(last), '0') + last;
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, ZumDecode,
    testing::Values(
        DecodeCase{"IdAndFunction", "% 5,1", true, command(-1, 5, 1)},
        DecodeCase{"ThreeNumbersGiveCommand", "% 5,5,48", true, command(0, 5, 5, 48)},
        DecodeCase{"CommandAndChannel", "% 5,5,48,2", true, command(0, 5, 5, 48, 2)},
        DecodeCase{"ThreeValues", "% 5,5,48,2,1,2,3", true, command(3, 5, 5, 48, 2, {1, 2, 3})},
        DecodeCase{"OneNumberIsCodeError", "% 5", true, command(-1, 5, 0xF6)},
        DecodeCase{"EightNumbersAreCodeError", "% 5,5,48,2,1,2,3,4", true, command(-1, 5, 0xF6)},
        DecodeCase{"ManyNumbersAreCodeError", "% 5,5,48,2,1,2,3,4,5,6,7,8,9,10,11,12", true, command(-1, 5, 0xF6)},
        DecodeCase{"65535IsMinusOne", "% 5,5,48,2,65535", true, command(1, 5, 5, 48, 2, {-1})},
        DecodeCase{"40000WrapsNegative", "% 5,5,48,2,40000", true, command(1, 5, 5, 48, 2, {40000 - 65536})},
        DecodeCase{"NegativeValue", "% 5,5,48,2,-5", true, command(1, 5, 5, 48, 2, {-5})},
        DecodeCase{"LowestValue", "% 5,5,48,2,-32768", true, command(1, 5, 5, 48, 2, {-32768})},
        DecodeCase{"HighestByteFields", "% 255,255,255,255", true, command(0, 255, 255, 255, 255)},
        // A garbled field makes the frame a Code Error, never a value cut down to fit.
        DecodeCase{"ValueAboveRangeIsCodeError", "% 5,5,48,2,70000", true, command(-1, 5, 0xF6)},
        DecodeCase{"Value65536IsCodeError", "% 5,5,48,2,65536", true, command(-1, 5, 0xF6)},
        DecodeCase{"ValueBelowRangeIsCodeError", "% 5,5,48,2,-32769", true, command(-1, 5, 0xF6)},
        DecodeCase{"EmptyValueIsCodeError", "% 5,5,48,2,", true, command(-1, 5, 0xF6)},
        DecodeCase{"MinusInsideIsCodeError", "% 5,5,48,2,1-2", true, command(-1, 5, 0xF6)},
        DecodeCase{"LoneMinusIsCodeError", "% 5,5,48,2,-", true, command(-1, 5, 0xF6)},
        DecodeCase{"FunctionAboveByteIsCodeError", "% 5,261", true, command(-1, 5, 0xF6)},
        DecodeCase{"NegativeFunctionIsCodeError", "% 5,-1", true, command(-1, 5, 0xF6)},
        DecodeCase{"CommandAboveByteIsCodeError", "% 5,5,256,2", true, command(-1, 5, 0xF6)},
        DecodeCase{"ChannelAboveByteIsCodeError", "% 5,5,48,256", true, command(-1, 5, 0xF6)},
        DecodeCase{"LongNumberIsCodeError", "% 5,5,48,2," + std::string(31, '9'), true, command(-1, 5, 0xF6)},
        // Without a readable ID the frame is no device's reply.
        DecodeCase{"IdAboveByteFails", "% 257,5", false, {}},
        DecodeCase{"EmptyIdFails", "% ,5", false, {}},
        DecodeCase{"MinusInsideIdFails", "% 1-2,5", false, {}},
        DecodeCase{"ErrorReply", "% 5,241", true, command(-1, 5, 0xF1)},
        DecodeCase{"CrAndLfIgnored", "% 5,5,4\r8,2\r\n", true, command(0, 5, 5, 48, 2)},
        DecodeCase{"EmptyCommandIsCodeError", "% 5,5,,2", true, command(-1, 5, 0xF6)},
        DecodeCase{"SeveralBlanks", "%   5,5", true, command(-1, 5, 5)},
        DecodeCase{"TextBeforeTheBlankSkipped", "%XY 5,5", true, command(-1, 5, 5)},
        DecodeCase{"NumberOf31Characters", "% 5," + number(31, "6"), true, command(-1, 5, 6)},
        DecodeCase{"NumberOf32CharactersFails", "% 5," + number(32, "6"), false, {}},
        DecodeCase{"Text127Characters",
                   "% " + number(31, "1") + "," + number(31, "2") + "," + number(31, "3") + "," + number(29, "4"),
                   true, command(0, 1, 2, 3, 4)},
        DecodeCase{"Text128CharactersFails",
                   "% " + number(31, "1") + "," + number(31, "2") + "," + number(31, "3") + "," + number(30, "4"),
                   false, {}},
        DecodeCase{"NoPercentFails", "5,5,48,2", false, {}},
        DecodeCase{"NoBlankFails", "%5,5,48,2", false, {}},
        DecodeCase{"OnlyBlanksFail", "%   ", false, {}},
        DecodeCase{"BlankBetweenNumbersFails", "% 5, 5", false, {}},
        DecodeCase{"LetterFails", "% 5,5,x", false, {}},
        DecodeCase{"EmptyFails", "", false, {}}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(ZumDecode, StopsAtTheFirstNul) {
    const Bytes frame{'%', ' ', '5', ',', '1', 0x00, 'x', 'y', 0x00};
    QlpCommand decoded;
    ASSERT_TRUE(qlpDecodeText(frame.data(), frame.size(), decoded));
    EXPECT_EQ(decoded, command(-1, 5, 1));
}

TEST(ZumDecode, FailsWithoutNulInsideTheLength) {
    const Bytes frame = frameOf("% 5,5,48,2");
    QlpCommand decoded;
    EXPECT_FALSE(qlpDecodeText(frame.data(), frame.size() - 1, decoded));
    EXPECT_FALSE(qlpDecodeText(nullptr, 0, decoded));
}

TEST(ZumRoundTrip, EveryValueInRangeComesBack) {
    for (std::int32_t value = -32767; value <= 32767; value += 97) {
        const QlpCommand sent = command(1, 3, 6, 64, 1, {value});
        const Bytes frame = qlpEncodeText(sent);
        QlpCommand back;
        ASSERT_TRUE(qlpDecodeText(frame.data(), frame.size(), back)) << value;
        ASSERT_EQ(back, sent) << value;
    }
}

TEST(ZumText, ShowsCommandAndChannelEvenWithoutThem) {
    EXPECT_EQ(qlpCommandText(command(-1, 5, 0xF6)), "% 5,246,0,0");
    EXPECT_EQ(qlpCommandText(command(2, 1, 6, 64, 0, {-1, 2})), "% 1,6,64,0,-1,2");
}

// --- CRC and ZEB ----------------------------------------------------------------

TEST(QlpCrc16, CheckValue) {
    const std::string check = "123456789";
    EXPECT_EQ(qlpCrc16(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0x4B37);
    EXPECT_EQ(qlpCrc16(nullptr, 0), 0xFFFF);
}

ZebFrame zeb(std::uint32_t address, std::uint8_t code, std::uint8_t count, std::array<std::uint8_t, 8> data) {
    ZebFrame f;
    f.address = address;
    f.code = code;
    f.count = count;
    f.data = data;
    return f;
}

const Bytes kZebExample{0x24, 0xA8, 0xAC, 0x01, 0x10, 0x02, 0x12, 0x34, 0xA8, 0xAC, 0xA8, 0xAC, 0xA8, 0xAC,
                        0xA8, 0xAC, 0xA8, 0xAC, 0xA8, 0xAC, 0x1D, 0x8D, 0xA8, 0xAC, 0xA8, 0xAC, 0x00};

TEST(ZebWorkedExample, EncodesByteForByte) {
    EXPECT_EQ(zebEncode(zeb(1, 0x10, 2, {0x12, 0x34})), kZebExample);
}

TEST(ZebWorkedExample, DecodesAndShows) {
    ZebFrame decoded;
    ASSERT_TRUE(zebDecode(kZebExample.data(), kZebExample.size(), decoded));
    EXPECT_EQ(decoded, zeb(1, 0x10, 2, {0x12, 0x34}));
    EXPECT_EQ(zebFrameText(decoded), "1,10,12,34");
}

struct ZebCase {
    const char* name;
    Bytes frame;
    bool ok;
};

Bytes zebWith(std::size_t at, std::initializer_list<std::uint8_t> replacement, std::size_t removed = 1) {
    Bytes frame = kZebExample;
    frame.erase(frame.begin() + static_cast<std::ptrdiff_t>(at), frame.begin() + static_cast<std::ptrdiff_t>(at + removed));
    frame.insert(frame.begin() + static_cast<std::ptrdiff_t>(at), replacement);
    return frame;
}

class ZebDecode : public testing::TestWithParam<ZebCase> {};

TEST_P(ZebDecode, AcceptsOnlyWholeBlocks) {
    ZebFrame decoded;
    EXPECT_EQ(zebDecode(GetParam().frame.data(), GetParam().frame.size(), decoded), GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, ZebDecode,
    testing::Values(ZebCase{"Example", kZebExample, true},
                    ZebCase{"WrongCrcHigh", zebWith(20, {0x1E}), false},
                    ZebCase{"WrongCrcLow", zebWith(21, {0x8C}), false},
                    ZebCase{"WrongDataByte", zebWith(6, {0x13}), false},
                    ZebCase{"FifteenBytes", zebWith(6, {}), false},
                    ZebCase{"SeventeenBytes", zebWith(6, {0x12, 0x12}), false},
                    ZebCase{"A8WithoutPairIsAByteTooMany", zebWith(8, {0xA8, 0x41}, 2), false},
                    ZebCase{"A8BeforeTheEndIsAPadByte", zebWith(24, {0xA8, 0x00}, 3), true},
                    ZebCase{"NoDollar", zebWith(0, {0x25}), false},
                    ZebCase{"NoClosingNul", Bytes(kZebExample.begin(), kZebExample.end() - 1), false},
                    ZebCase{"Empty", Bytes{}, false}),
    [](const testing::TestParamInfo<ZebCase>& info) { return std::string(info.param.name); });

TEST(ZebEscapes, EachMarkerByteTravelsEscapedAndComesBack) {
    const ZebFrame sent = zeb(0x40, 0x24, 8, {0x25, 0x24, 0x40, 0x00, 0x7E, 0xFF, 0x0D, 0x25});
    const Bytes frame = zebEncode(sent);
    // No marker byte may appear inside the frame, and only one 0x00, at its end.
    for (std::size_t i = 1; i + 1 < frame.size(); ++i) {
        EXPECT_NE(frame[i], 0x00) << i;
        EXPECT_NE(frame[i], '%') << i;
        EXPECT_NE(frame[i], '$') << i;
        EXPECT_NE(frame[i], '@') << i;
    }
    EXPECT_EQ(frame[1], 0xA8); // address high byte 0
    EXPECT_EQ(frame[2], 0xAC);
    EXPECT_EQ(frame[3], 0xA8); // address 0x40
    EXPECT_EQ(frame[4], 0xAB);
    EXPECT_EQ(frame[5], 0xA8); // code 0x24
    EXPECT_EQ(frame[6], 0xAA);
    EXPECT_EQ(frame[8], 0xA8); // data 0x25
    EXPECT_EQ(frame[9], 0xA9);
    ZebFrame back;
    ASSERT_TRUE(zebDecode(frame.data(), frame.size(), back));
    EXPECT_EQ(back, sent);
}

// 0xA8 travels as itself: every block the encoder sends reads back the same, and a
// block whose 0xA8 would read back as an escape pair is not encoded at all.
struct ZebA8Case {
    const char* name;
    ZebFrame frame;
    bool sent;
};

class ZebA8 : public testing::TestWithParam<ZebA8Case> {};

TEST_P(ZebA8, SentFramesReadBackTheSame) {
    const Bytes frame = zebEncode(GetParam().frame);
    ASSERT_EQ(!frame.empty(), GetParam().sent);
    if (frame.empty()) return;
    ZebFrame back;
    ASSERT_TRUE(zebDecode(frame.data(), frame.size(), back));
    EXPECT_EQ(back, GetParam().frame);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, ZebA8,
    testing::Values(ZebA8Case{"DataA8", zeb(1, 0x10, 2, {0xA8, 0x41}), true},
                    ZebA8Case{"DataA8Last", zeb(1, 0x10, 8, {1, 2, 3, 4, 5, 6, 7, 0xA8}), true},
                    ZebA8Case{"DataA8BeforeEscapedByte", zeb(1, 0x10, 2, {0xA8, 0x25}), true},
                    ZebA8Case{"TwoA8", zeb(0xA8, 0xA8, 2, {0xA8, 0xA8}), true},
                    // CRC high byte 0xA8 (about one block in 256).
                    ZebA8Case{"CrcA8", zeb(1, 0x10, 1, {0x95}), true}, // CRC 0xA8A5
                    ZebA8Case{"DataA8BeforeA9", zeb(1, 0x10, 2, {0xA8, 0xA9}), false},
                    ZebA8Case{"CodeA8BeforeCountAC", zeb(1, 0xA8, 0xAC, {}), false}),
    [](const testing::TestParamInfo<ZebA8Case>& info) { return std::string(info.param.name); });

TEST(ZebText, CountAboveEightShowsEightBytes) {
    EXPECT_EQ(zebFrameText(zeb(300, 0xAB, 9, {1, 2, 3, 4, 5, 6, 7, 8})), "300,AB,01,02,03,04,05,06,07,08");
    EXPECT_EQ(zebFrameText(zeb(7, 0x01, 0, {1})), "7,01");
}

// --- ZIK --------------------------------------------------------------------------

ZikFrame zik(std::uint32_t address, std::initializer_list<std::uint8_t> data) {
    ZikFrame f;
    f.address = address;
    f.length = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), f.data.begin());
    return f;
}

const Bytes kZikExample{0x40, 0x20, 0x33, 0x2C, 0x01, 0xDB, 0xDC, 0xDB, 0xDD, 0x7F, 0x00};

TEST(ZikWorkedExample, EncodesByteForByte) { EXPECT_EQ(zikEncode(zik(3, {0x01, 0x00, 0xDB, 0x7F})), kZikExample); }

TEST(ZikWorkedExample, DecodesAndShows) {
    ZikFrame decoded;
    ASSERT_TRUE(zikDecode(kZikExample.data(), kZikExample.size(), decoded));
    EXPECT_EQ(decoded.address, 3u);
    ASSERT_EQ(decoded.length, 4);
    EXPECT_EQ(Bytes(decoded.data.begin(), decoded.data.begin() + 4), (Bytes{0x01, 0x00, 0xDB, 0x7F}));
    EXPECT_EQ(zikFrameText(decoded), "@ 3,01,00,DB,7F");
}

TEST(ZikEncode, NothingWithoutData) { EXPECT_TRUE(zikEncode(zik(3, {})).empty()); }

TEST(ZikEncode, AddressIsDecimalText) {
    EXPECT_EQ(zikEncode(zik(256, {0x41})), frameOf("@ 256,A"));
}

struct ZikCase {
    const char* name;
    Bytes frame;
    bool ok;
    std::uint32_t address;
    Bytes data;
};

class ZikDecode : public testing::TestWithParam<ZikCase> {};

TEST_P(ZikDecode, Decodes) {
    ZikFrame decoded;
    ASSERT_EQ(zikDecode(GetParam().frame.data(), GetParam().frame.size(), decoded), GetParam().ok);
    if (!GetParam().ok) return;
    EXPECT_EQ(decoded.address, GetParam().address);
    EXPECT_EQ(Bytes(decoded.data.begin(), decoded.data.begin() + decoded.length), GetParam().data);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, ZikDecode,
    testing::Values(ZikCase{"Example", kZikExample, true, 3, {0x01, 0x00, 0xDB, 0x7F}},
                    ZikCase{"BlanksAroundAddress", frameOf("@  12 ,AB"), true, 12, {'A', 'B'}},
                    ZikCase{"FourDigits", frameOf("@ 9999,A"), true, 9999, {'A'}},
                    ZikCase{"NoData", frameOf("@ 3,"), true, 3, {}},
                    ZikCase{"UnknownEscapeDropsBoth", Bytes{'@', ' ', '3', ',', 0x01, 0xDB, 0x41, 0x02, 0x00}, true, 3,
                            {0x01, 0x02}},
                    ZikCase{"EscapeBeforeEndDropped", Bytes{'@', ' ', '3', ',', 0x01, 0xDB, 0x00}, true, 3, {0x01}},
                    ZikCase{"NoClosingNulFails", Bytes{'@', ' ', '3', ',', 0x01, 0x02}, false, 0, {}},
                    ZikCase{"FiveDigitsFail", frameOf("@ 12345,A"), false, 0, {}},
                    ZikCase{"EmptyAddressFails", frameOf("@ ,A"), false, 0, {}},
                    ZikCase{"LetterInAddressFails", frameOf("@ 3x,A"), false, 0, {}},
                    ZikCase{"NulBeforeCommaFails", frameOf("@ 3"), false, 0, {}},
                    ZikCase{"NoAtFails", frameOf("# 3,A"), false, 0, {}},
                    ZikCase{"EmptyFails", Bytes{}, false, 0, {}}),
    [](const testing::TestParamInfo<ZikCase>& info) { return std::string(info.param.name); });

TEST(ZikDecode, MoreThan255DataBytesFail) {
    Bytes frame{'@', ' ', '1', ','};
    frame.insert(frame.end(), 256, 0x41);
    frame.push_back(0x00);
    ZikFrame decoded;
    EXPECT_FALSE(zikDecode(frame.data(), frame.size(), decoded));
    frame.erase(frame.begin() + 4);
    ASSERT_TRUE(zikDecode(frame.data(), frame.size(), decoded));
    EXPECT_EQ(decoded.length, 255);
}

TEST(ZikRoundTrip, EveryByteValueComesBack) {
    ZikFrame sent;
    sent.address = 42;
    sent.length = 255;
    for (int i = 0; i < 255; ++i) sent.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    const Bytes frame = zikEncode(sent);
    ZikFrame back;
    ASSERT_TRUE(zikDecode(frame.data(), frame.size(), back));
    EXPECT_EQ(back.address, 42u);
    ASSERT_EQ(back.length, 255);
    EXPECT_EQ(back.data, sent.data);
}

// --- Status texts -------------------------------------------------------------------

struct TextCase {
    int code;
    const char* text;
};

TEST(ExchangeStatusText, EveryCode) {
    const TextCase cases[] = {{0, "Success."},
                              {1, "Read Fault!"},
                              {2, "Write Fault!"},
                              {3, "Timeout!"},
                              {4, "Function Code Reply Error!"},
                              {5, "Command Code Reply Error!"},
                              {6, "Channel Error!"},
                              {7, "Value Amount Error!"},
                              {8, "Value Compare Error!"},
                              {9, "Error!"},
                              {10, ""},
                              {-1, ""}};
    for (const TextCase& c : cases) EXPECT_EQ(exchangeStatusText(c.code), c.text) << c.code;
}

struct ReplyTextCase {
    int code;
    const char* plain;
    const char* alert;
};

TEST(QlpReplyTexts, EveryCode) {
    const ReplyTextCase cases[] = {{0xF0, "Success", "Function Error! = 0xF0"},
                                   {0xF1, "Offline", "Off Line!"},
                                   {0xF2, "None Value", "None Value!"},
                                   {0xF3, "Read Only", "Read Only!"},
                                   {0xF4, "Write Only", "Write Only!"},
                                   {0xF5, "Connect Error", "Connect Error!"},
                                   {0xF6, "Code Error", "Code Error!"},
                                   {0xF7, "None Device", "None Device!"},
                                   {0xF8, "None Mode", "None Mode!"},
                                   {0xF9, "None Function", "None Function!"},
                                   {0xFA, "None Command", "None Command!"},
                                   {0xFB, "None Channel", "None Channel!"},
                                   {0xFC, "", "Function Error! = 0xFC"},
                                   {0x05, "", "Function Error! = 0x05"}};
    for (const ReplyTextCase& c : cases) {
        EXPECT_EQ(qlpReplyText(c.code), c.plain) << c.code;
        EXPECT_EQ(qlpReplyAlert(c.code), c.alert) << c.code;
    }
}

} // namespace
