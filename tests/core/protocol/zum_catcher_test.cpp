// The catcher on a simulated clock: frames among other bytes, split frames, held
// pieces that never complete.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/protocol/zum_catcher.h"
#include "support/bytes.h"

namespace {

using namespace std::chrono_literals;

const std::string kFrame = std::string("% 5,5,48,2,1234") + '\0';

QlpCommand expectedReply() {
    QlpCommand c{.valueCount = 1, .id = 5, .function = 5, .command = 48, .channel = 2, .values = {1234, 0, 0}};
    return c;
}

class Catcher : public testing::Test {
protected:
    ZumCatcher::Clock::time_point t0 = ZumCatcher::Clock::time_point() + 1h;

    // One read at t0 + offset; returns the unknown bytes as text.
    std::string feed(const std::string& bytes, std::chrono::milliseconds offset = 0ms) {
        std::vector<std::uint8_t> out(ZumCatcher::kReadMax);
        last = catcher.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), t0 + offset, out.data());
        caught.insert(caught.end(), last.replies.begin(), last.replies.begin() + last.caught);
        return std::string(out.begin(), out.begin() + last.unknown_count);
    }

    ZumCatcher catcher;
    CatchResult last;
    std::vector<QlpCommand> caught;
};

TEST_F(Catcher, FrameBetweenOtherBytes) {
    EXPECT_EQ(feed("abc" + kFrame + "xy"), "abcxy");
    ASSERT_EQ(caught.size(), 1u);
    EXPECT_EQ(caught[0], expectedReply());
}

TEST_F(Catcher, FrameAloneLeavesNothing) {
    EXPECT_EQ(feed(kFrame), "");
    EXPECT_EQ(caught.size(), 1u);
    EXPECT_EQ(catcher.held(), 0u);
}

TEST_F(Catcher, EveryFrameOfOneReadIsCaught) {
    // Replies from two devices in one read: the waiting exchange picks its own.
    const std::string second = std::string("% 7,5,48,2,99") + '\0';
    EXPECT_EQ(feed("a" + kFrame + "b" + second + "c"), "abc");
    ASSERT_EQ(caught.size(), 2u);
    EXPECT_EQ(caught[0], expectedReply());
    EXPECT_EQ(caught[1].id, 7u);
}

TEST_F(Catcher, SecondPercentBeforeTheEndIsNoFrame) {
    const std::string bytes = "% 5,5" + kFrame;
    EXPECT_EQ(feed(bytes), bytes);
    EXPECT_TRUE(caught.empty());
}

TEST_F(Catcher, MalformedFrameIsUnknownData) {
    const std::string bytes = std::string("% 5,x") + '\0' + "z";
    EXPECT_EQ(feed(bytes), bytes);
    EXPECT_TRUE(caught.empty());
}

TEST_F(Catcher, NulBeforeTheStartIsOrdinaryData) {
    const std::string before = std::string("\0ab", 3);
    EXPECT_EQ(feed(before + kFrame), before);
    EXPECT_EQ(caught.size(), 1u);
}

TEST_F(Catcher, BytesWithoutFrameGoStraightOut) {
    EXPECT_EQ(feed("hello\r\n"), "hello\r\n");
    EXPECT_EQ(catcher.held(), 0u);
}

// A USB adapter hands one reply over in pieces a few ms apart.
TEST_F(Catcher, FrameSplitAcrossTwoReadsIsCaught) {
    EXPECT_EQ(feed("ab% 5,5,48", 0ms), "ab");
    EXPECT_TRUE(caught.empty());
    EXPECT_EQ(catcher.held(), 8u);
    EXPECT_EQ(feed(",2,1234" + std::string(1, '\0') + "cd", 5ms), "cd");
    ASSERT_EQ(caught.size(), 1u);
    EXPECT_EQ(caught[0], expectedReply());
}

TEST_F(Catcher, FrameInManyPiecesIsCaught) {
    std::string all;
    for (std::size_t i = 0; i < kFrame.size(); ++i) all += feed(kFrame.substr(i, 1), std::chrono::milliseconds(2 * i));
    EXPECT_EQ(all, "");
    ASSERT_EQ(caught.size(), 1u);
    EXPECT_EQ(caught[0], expectedReply());
}

TEST_F(Catcher, HeldPieceThatNeverCompletesGoesOutAfter50ms) {
    EXPECT_EQ(feed("% 5,5", 0ms), "");
    EXPECT_EQ(feed("", 30ms), "");
    EXPECT_EQ(feed("", 49ms), "");
    EXPECT_EQ(feed("", 50ms), "% 5,5");
    EXPECT_EQ(catcher.held(), 0u);
    EXPECT_TRUE(caught.empty());
}

TEST_F(Catcher, EachNewPieceRestartsTheExpiry) {
    EXPECT_EQ(feed("% 5,", 0ms), "");
    EXPECT_EQ(feed("5,4", 40ms), "");
    EXPECT_EQ(feed("", 80ms), "");
    EXPECT_EQ(feed("8,2,1234" + std::string(1, '\0'), 85ms), "");
    EXPECT_EQ(caught.size(), 1u);
}

TEST_F(Catcher, SecondPercentAfterAHeldPieceGivesEverythingOut) {
    EXPECT_EQ(feed("% 5,5", 0ms), "");
    EXPECT_EQ(feed(kFrame, 5ms), "% 5,5" + kFrame);
    EXPECT_TRUE(caught.empty());
}

TEST_F(Catcher, PieceOf128BytesIsHeldAndLongerGoesOut) {
    const std::string piece = "% 5," + std::string(124, '1');
    EXPECT_EQ(feed(piece, 0ms), "");
    EXPECT_EQ(catcher.held(), 128u);
    EXPECT_EQ(feed("1", 1ms), piece + "1");
    EXPECT_EQ(catcher.held(), 0u);
}

TEST_F(Catcher, ReleasedPieceGoesOutWithTheNextRead) {
    EXPECT_EQ(feed("% 5,5", 0ms), "");
    catcher.ReleaseHeld();
    EXPECT_EQ(catcher.held(), 0u);
    EXPECT_EQ(feed(kFrame, 1ms), "% 5,5");
    EXPECT_EQ(caught.size(), 1u);
}

TEST_F(Catcher, ClearForgetsHeldBytes) {
    EXPECT_EQ(feed("% 5,5", 0ms), "");
    catcher.clear();
    EXPECT_EQ(feed("", 100ms), "");
    EXPECT_EQ(feed(kFrame, 101ms), "");
    EXPECT_EQ(caught.size(), 1u);
}

TEST_F(Catcher, FullReadAfterAHeldPieceLosesNoByte) {
    std::string all = feed("x% 5", 0ms);
    std::string full(ZumCatcher::kReadMax, 'y');
    full[100] = '\0';
    all += feed(full, 1ms);
    EXPECT_EQ(last.unknown_count, static_cast<std::int32_t>(ZumCatcher::kReadMax));
    all += feed("", 2ms);
    EXPECT_EQ(all, "x% 5" + full);
    EXPECT_TRUE(caught.empty()); // "% 5yyy..." is no frame
}

TEST_F(Catcher, SaturatedStreamStaysInOrderAndBounded) {
    std::string sent, received;
    for (int i = 0; i < 50; ++i) {
        std::string chunk(ZumCatcher::kReadMax, static_cast<char>('a' + i % 26));
        chunk.back() = '%'; // every read ends with a piece that may be held
        sent += chunk;
        received += feed(chunk, std::chrono::milliseconds(i));
        EXPECT_LE(catcher.held() + catcher.PendingUnknown(), ZumCatcher::kHeldMax);
    }
    received += feed("", 1000ms);
    EXPECT_EQ(received, sent);
}

} // namespace
