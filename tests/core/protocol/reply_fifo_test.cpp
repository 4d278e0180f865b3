// The reply ring: order, wrap, the full ring, reset, and a waiting consumer woken
// by the producer thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/protocol/reply_fifo.h"

namespace {

using namespace std::chrono_literals;

QlpCommand record(std::int32_t n) {
    QlpCommand c{.valueCount = 1, .id = static_cast<std::uint32_t>(n & 0xFF), .values = {n, 0, 0}};
    return c;
}

TEST(ReplyFifo, EmptyPopsNothing) {
    ReplyFifo fifo;
    QlpCommand out = record(7);
    EXPECT_FALSE(fifo.pop(out));
    EXPECT_EQ(out, record(7));
}

TEST(ReplyFifo, KeepsOrderAcrossTheWrap) {
    ReplyFifo fifo;
    QlpCommand out;
    int next = 0;
    for (int round = 0; round < 7; ++round) {
        for (int i = 0; i < 150; ++i) ASSERT_TRUE(fifo.push(record(round * 150 + i)));
        EXPECT_EQ(fifo.unread(), 150);
        for (int i = 0; i < 150; ++i) {
            ASSERT_TRUE(fifo.pop(out));
            ASSERT_EQ(out.values[0], next++);
        }
        EXPECT_FALSE(fifo.pop(out));
    }
}

TEST(ReplyFifo, FullRingDropsTheNewRecordAndCountsIt) {
    ReplyFifo fifo;
    for (int i = 0; i < ReplyFifo::kSlots - 1; ++i) ASSERT_TRUE(fifo.push(record(i)));
    EXPECT_FALSE(fifo.push(record(1000)));
    EXPECT_FALSE(fifo.push(record(1001)));
    EXPECT_EQ(fifo.dropped(), 2u);
    QlpCommand out;
    for (int i = 0; i < ReplyFifo::kSlots - 1; ++i) {
        ASSERT_TRUE(fifo.pop(out));
        ASSERT_EQ(out.values[0], i);
    }
    EXPECT_FALSE(fifo.pop(out));
    EXPECT_TRUE(fifo.push(record(5)));
}

TEST(ReplyFifo, ResetDiscardsUnread) {
    ReplyFifo fifo;
    for (int i = 0; i < 10; ++i) fifo.push(record(i));
    fifo.reset();
    QlpCommand out;
    EXPECT_FALSE(fifo.pop(out));
    EXPECT_EQ(fifo.unread(), 0);
    fifo.push(record(42));
    ASSERT_TRUE(fifo.pop(out));
    EXPECT_EQ(out.values[0], 42);
}

TEST(ReplyFifo, WaitPopGivesUpAtTheDeadline) {
    ReplyFifo fifo;
    QlpCommand out;
    const auto start = ReplyFifo::Clock::now();
    EXPECT_FALSE(fifo.WaitPop(out, start + 20ms));
    EXPECT_GE(ReplyFifo::Clock::now() - start, 20ms);
}

TEST(ReplyFifo, WaitPopReturnsAtOnceWhenARecordIsThere) {
    ReplyFifo fifo;
    fifo.push(record(3));
    QlpCommand out;
    EXPECT_TRUE(fifo.WaitPop(out, ReplyFifo::Clock::now() - 1s));
    EXPECT_EQ(out.values[0], 3);
}

TEST(ReplyFifo, ProducerThreadWakesTheWaitingConsumer) {
    ReplyFifo fifo;
    std::thread producer([&] {
        std::this_thread::sleep_for(20ms);
        fifo.push(record(9));
    });
    QlpCommand out;
    // The deadline is far beyond the test's time-out: only the push can end this wait.
    EXPECT_TRUE(fifo.WaitPop(out, ReplyFifo::Clock::now() + 10min));
    EXPECT_EQ(out.values[0], 9);
    producer.join();
}

TEST(ReplyFifo, StreamBetweenTwoThreadsArrivesWholeAndInOrder) {
    ReplyFifo fifo;
    constexpr int kCount = 20000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i)
            while (!fifo.push(record(i))) std::this_thread::yield();
        done = true;
    });
    QlpCommand out;
    int expected = 0;
    while (expected < kCount) {
        if (!fifo.WaitPop(out, ReplyFifo::Clock::now() + 5s)) break;
        ASSERT_EQ(out.values[0], expected);
        ASSERT_EQ(out.id, static_cast<std::uint32_t>(expected & 0xFF));
        ++expected;
    }
    producer.join();
    EXPECT_EQ(expected, kCount);
    EXPECT_TRUE(done);
}

} // namespace
