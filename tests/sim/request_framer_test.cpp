// The simulator's framing of the byte stream it hears.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/request_framer.h"
#include "support/bytes.h"

namespace {

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::vector<std::string> feedPieces(RequestFramer& framer, const std::vector<std::string>& pieces) {
    std::vector<std::string> out;
    for (const std::string& piece : pieces) {
        std::vector<Bytes> frames;
        const Bytes bytes = bytesOf(piece);
        framer.feed(bytes.data(), bytes.size(), frames);
        for (const Bytes& f : frames) out.emplace_back(f.begin(), f.end());
    }
    return out;
}

const std::string kNul(1, '\0');

struct FramerCase {
    const char* name;
    std::vector<std::string> pieces;
    std::vector<std::string> frames;
};

class Framing : public testing::TestWithParam<FramerCase> {};

TEST_P(Framing, CutsFrames) {
    RequestFramer framer;
    EXPECT_EQ(feedPieces(framer, GetParam().pieces), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, Framing,
    testing::Values(
        FramerCase{"Whole", {"% 5,5,48,2" + kNul}, {"% 5,5,48,2" + kNul}},
        FramerCase{"SplitAcrossReads", {"% 5,5", ",48", ",2" + kNul}, {"% 5,5,48,2" + kNul}},
        FramerCase{"ByteByByte", {"%", " ", "1", ",", "1", kNul}, {"% 1,1" + kNul}},
        FramerCase{"NoiseBeforeAndAfter", {"xy\r\n% 1,1,16,0" + kNul + "zz"}, {"% 1,1,16,0" + kNul}},
        FramerCase{"TwoInOneRead", {"% 1,1" + kNul + "% 2,1" + kNul}, {"% 1,1" + kNul, "% 2,1" + kNul}},
        FramerCase{"RestartAtSecondStart", {"% 1,5,4", "% 2,1" + kNul}, {"% 2,1" + kNul}},
        FramerCase{"NulOutsideFrameIgnored", {kNul + kNul + "% 3,1" + kNul}, {"% 3,1" + kNul}},
        FramerCase{"TooLongDropped", {"% " + std::string(200, '1') + kNul}, {}},
        FramerCase{"UnfinishedGivesNothing", {"% 1,5,48,0"}, {}}),
    [](const testing::TestParamInfo<FramerCase>& info) { return info.param.name; });

TEST(Framing, TooLongRunDoesNotSpoilTheNextFrame) {
    RequestFramer framer;
    const auto frames = feedPieces(framer, {"% " + std::string(300, '9'), kNul + "% 4,1" + kNul});
    EXPECT_EQ(frames, std::vector<std::string>{"% 4,1" + kNul});
}

TEST(Framing, ResetForgetsAPartialFrame) {
    RequestFramer framer;
    feedPieces(framer, {"% 1,5"});
    EXPECT_TRUE(framer.collecting());
    framer.reset();
    EXPECT_TRUE(feedPieces(framer, {",48,0" + kNul}).empty());
}

struct CountCase {
    const char* name;
    std::string frame;
    int numbers;
};

class NumberCount : public testing::TestWithParam<CountCase> {};

TEST_P(NumberCount, CountsCommaSeparatedNumbers) {
    const Bytes frame = bytesOf(GetParam().frame + kNul);
    EXPECT_EQ(zumNumberCount(frame), GetParam().numbers);
}

INSTANTIATE_TEST_SUITE_P(Frames, NumberCount,
                         testing::Values(CountCase{"One", "% 5", 1}, CountCase{"Two", "% 5,1", 2},
                                         CountCase{"Four", "% 5,5,48,2", 4},
                                         CountCase{"Seven", "% 1,6,64,0,1,2,3", 7},
                                         CountCase{"Eight", "% 1,6,64,0,1,2,3,4", 8},
                                         CountCase{"Empty", "% ", 0}, CountCase{"NoBlank", "%", 0}),
                         [](const testing::TestParamInfo<CountCase>& info) { return info.param.name; });

} // namespace
