// The network port's pure parts: the Telnet decoder and encoders, the COM-PORT-OPTION
// payloads and the address a user writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/serial/net/net_address.h"
#include "core/serial/net/rfc2217.h"
#include "core/serial/net/telnet_codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace telnet;

struct DecodeCase {
    const char* name;
    Bytes in;
    Bytes data;
    std::vector<Event> events;
};

class TelnetDecode : public testing::TestWithParam<DecodeCase> {};

// Every case is fed whole and then byte by byte: a sequence cut between two reads
// must come out the same.
TEST_P(TelnetDecode, DataAndCommandsApartInOrder) {
    const DecodeCase& c = GetParam();
    for (bool bytewise : {false, true}) {
        Decoder decoder;
        Bytes data;
        std::vector<Event> events;
        if (bytewise) {
            for (std::uint8_t b : c.in) ASSERT_EQ(decoder.Feed(&b, 1, data, events), DecodeResult::kOk);
        } else {
            ASSERT_EQ(decoder.Feed(c.in.data(), c.in.size(), data, events), DecodeResult::kOk);
        }
        EXPECT_EQ(data, c.data) << (bytewise ? "byte by byte" : "whole");
        EXPECT_EQ(events, c.events) << (bytewise ? "byte by byte" : "whole");
        EXPECT_FALSE(decoder.InsideCommand());
    }
}

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, TelnetDecode,
    testing::Values(
        DecodeCase{"PlainData", {0x01, 0x5A, 0x00}, {0x01, 0x5A, 0x00}, {}},
        DecodeCase{"DoubledFfIsOneDataByte", {0x5A, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}, {0x5A, 0xFF, 0xFF, 0x01}, {}},
        DecodeCase{"VerbBetweenData", {0x31, 0xFF, kWill, 3, 0x32}, {0x31, 0x32}, {{kWill, 3, {}}}},
        DecodeCase{"OneByteCommandsDropped", {0x31, 0xFF, 241, 0xFF, 249, 0x32}, {0x31, 0x32}, {}},
        DecodeCase{"SubnegotiationWithDoubledFf",
                   {0xFF, kSb, 44, 101, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, kSe, 0x33},
                   {0x33},
                   {{kSb, 44, {101, 0x00, 0xFF, 0x00, 0x00}}}},
        DecodeCase{"Ser2NetGreeting",
                   {0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x2C, 0xFF, 0xFA, 0x2C, 0x6B, 0x00, 0xFF, 0xF0},
                   {},
                   {{kWill, 3, {}}, {kDo, 44, {}}, {kSb, 44, {107, 0}}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CorruptCase {
    const char* name;
    Bytes in;
};

class TelnetCorrupt : public testing::TestWithParam<CorruptCase> {};

TEST_P(TelnetCorrupt, IsAFaultAndStaysOne) {
    Decoder decoder;
    Bytes data;
    std::vector<Event> events;
    EXPECT_EQ(decoder.Feed(GetParam().in.data(), GetParam().in.size(), data, events), DecodeResult::kCorrupt);
    const std::uint8_t more = 0x41;
    EXPECT_EQ(decoder.Feed(&more, 1, data, events), DecodeResult::kCorrupt);
    EXPECT_TRUE(events.empty());
}

Bytes endless_subnegotiation() {
    Bytes b = {0xFF, kSb, 44};
    b.insert(b.end(), kSubnegotiationMax + 1, 0x41);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, TelnetCorrupt,
    testing::Values(CorruptCase{"SeOutsideSubnegotiation", {0x41, 0xFF, kSe}},
                    CorruptCase{"IacBeforeNoCommand", {0xFF, 0x10}},
                    CorruptCase{"SubnegotiationClosedWrongly", {0xFF, kSb, 44, 1, 0xFF, 0x41}},
                    CorruptCase{"SubnegotiationWithoutEnd", endless_subnegotiation()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TelnetEncode, EveryByteValueSurvivesTheRoundTrip) {
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    Bytes wire;
    Escape(all.data(), all.size(), wire);
    EXPECT_EQ(wire.size(), all.size() + 1) << "only 0xFF is doubled";
    Decoder decoder;
    Bytes back;
    std::vector<Event> events;
    ASSERT_EQ(decoder.Feed(wire.data(), wire.size(), back, events), DecodeResult::kOk);
    EXPECT_EQ(back, all);
}

TEST(TelnetEncode, SubnegotiationDoublesFfInItsPayload) {
    Bytes out;
    AppendSubnegotiation(44, rfc2217::Payload({rfc2217::kSetBaudrate, 0x0000FF00}), out);
    EXPECT_EQ(out, (Bytes{0xFF, kSb, 44, 1, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, kSe}));
}

struct LineCase {
    const char* name;
    ComportSetting setting;
    std::vector<rfc2217::Request> requests;
};

class Rfc2217Line : public testing::TestWithParam<LineCase> {};

TEST_P(Rfc2217Line, RequestsAndTheirRepliesMatch) {
    const auto requests = rfc2217::LineRequests(GetParam().setting);
    EXPECT_EQ(requests, GetParam().requests);
    for (const rfc2217::Request& r : requests) {
        Bytes reply = rfc2217::Payload(r);
        reply[0] = static_cast<std::uint8_t>(reply[0] + rfc2217::kServerOffset);
        rfc2217::Request back;
        ASSERT_TRUE(rfc2217::ParseReply(reply, back)) << rfc2217::CommandName(r.command);
        EXPECT_EQ(back, r);
    }
}

ComportSetting line(std::int32_t baud, std::int32_t fix, int databits, int parity, int stopbits) {
    ComportSetting s;
    s.port = 1;
    s.baudrate = baud;
    s.fixrate = fix;
    s.databits = static_cast<std::uint8_t>(databits);
    s.parity = static_cast<std::uint8_t>(parity);
    s.stopbits = static_cast<std::uint8_t>(stopbits);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, Rfc2217Line,
    testing::Values(LineCase{"Default", line(115200, 0, 8, 0, 0), {{1, 115200}, {2, 8}, {3, 1}, {4, 1}}},
                    LineCase{"FixRateApplied", line(38400, 10, 7, 2, 2), {{1, 42240}, {2, 7}, {3, 3}, {4, 2}}},
                    LineCase{"OddOneAndAHalf", line(9600, 0, 5, 1, 1), {{1, 9600}, {2, 5}, {3, 2}, {4, 3}}},
                    LineCase{"MarkParity", line(9600, 0, 8, 3, 0), {{1, 9600}, {2, 8}, {3, 4}, {4, 1}}},
                    LineCase{"SpaceParity", line(9600, 0, 8, 4, 0), {{1, 9600}, {2, 8}, {3, 5}, {4, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rfc2217Reply, RequestsAndWrongLengthsAreNoReplies) {
    rfc2217::Request r;
    EXPECT_FALSE(rfc2217::ParseReply({1, 0, 0, 0x96, 0}, r)) << "a client's request";
    EXPECT_FALSE(rfc2217::ParseReply({101, 0, 0x96}, r)) << "a short rate";
    EXPECT_FALSE(rfc2217::ParseReply({102}, r)) << "no value";
    EXPECT_FALSE(rfc2217::ParseReply({}, r));
}

struct AddressCase {
    const char* text;
    bool valid;
    NetAddress address;
};

class NetAddressParse : public testing::TestWithParam<AddressCase> {};

TEST_P(NetAddressParse, AcceptsWholeAddressesOnly) {
    NetAddress a;
    EXPECT_EQ(net_address_parse(GetParam().text, a), GetParam().valid) << GetParam().text;
    if (GetParam().valid) {
        EXPECT_EQ(a, GetParam().address);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NetAddressParse,
    testing::Values(AddressCase{"rfc2217://127.0.0.1:2217", true, {NetProtocol::kRfc2217, "127.0.0.1", "2217"}},
                    AddressCase{"RFC2217://bench-7.lab:7000", true, {NetProtocol::kRfc2217, "bench-7.lab", "7000"}},
                    AddressCase{"tcp://[::1]:4001", true, {NetProtocol::kRawTcp, "::1", "4001"}},
                    AddressCase{"tcp://[fe80::1]:65535", true, {NetProtocol::kRawTcp, "fe80::1", "65535"}},
                    AddressCase{"rfc2217://host", false, {}},
                    AddressCase{"rfc2217://host:0", false, {}},
                    AddressCase{"rfc2217://host:65536", false, {}},
                    AddressCase{"rfc2217://:2217", false, {}},
                    AddressCase{"tcp://::1:4001", false, {}},
                    AddressCase{"tcp://[::1]4001", false, {}},
                    AddressCase{"tcp://host:40x1", false, {}},
                    AddressCase{"tcp://ho st:4001", false, {}},
                    AddressCase{"/dev/ttyUSB0", false, {}},
                    AddressCase{"telnet://host:23", false, {}}));

TEST(NetAddressNamed, TheSchemeDecidesWhichPortOpensIt) {
    EXPECT_TRUE(net_address_named("rfc2217://nonsense"));
    EXPECT_TRUE(net_address_named("TCP://x"));
    EXPECT_FALSE(net_address_named("/dev/ttyS0"));
    EXPECT_FALSE(net_address_named("tcp:/x"));
}

} // namespace
