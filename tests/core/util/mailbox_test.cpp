// The mailbox between the worker threads and the window thread: order, batches,
// bounds and shutdown.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/util/mailbox.h"

namespace {

using namespace std::chrono_literals;

TEST(Mailbox, KeepsPostOrderAcrossThreadsAndReceivers) {
    Mailbox mailbox;
    std::vector<std::string> seen;
    std::vector<std::size_t> batch_sizes;
    auto record = [&](std::span<Letter> batch) {
        batch_sizes.push_back(batch.size());
        for (const Letter& l : batch) seen.push_back(std::to_string(l.box) + ":" + l.text);
    };
    const int a = mailbox.AddReceiver(record);
    const int b = mailbox.AddReceiver(record);

    // Two producers, each posting in its own order; a third order is the mailbox's own.
    constexpr int kEach = 20000;
    std::atomic<bool> go{false};
    auto produce = [&](int box) {
        while (!go.load()) std::this_thread::yield();
        for (int i = 0; i < kEach; ++i) mailbox.Post(box, std::to_string(i));
    };
    std::thread pa(produce, a), pb(produce, b);
    go = true;
    std::size_t delivered = 0;
    while (delivered < 2 * kEach) delivered += mailbox.Deliver();
    pa.join();
    pb.join();

    ASSERT_EQ(seen.size(), 2u * kEach);
    int next[3] = {0, 0, 0};
    for (const std::string& s : seen) {
        const int box = s[0] - '0';
        ASSERT_EQ(s.substr(2), std::to_string(next[box]++)) << "box " << box;
    }
    // Runs of one receiver's letters arrive as one batch.
    EXPECT_LT(batch_sizes.size(), seen.size());
}

TEST(Mailbox, WakesOnlyWhenALetterFindsItEmpty) {
    Mailbox mailbox;
    int wakes = 0;
    mailbox.SetWake([&] { ++wakes; });
    const int box = mailbox.AddReceiver([](std::span<Letter>) {});
    mailbox.Post(box, "a");
    mailbox.Post(box, "b");
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(mailbox.Deliver(), 2u);
    mailbox.Post(box, "c");
    EXPECT_EQ(wakes, 2);
}

TEST(Mailbox, RemovedReceiverIsNeverCalledAgain) {
    Mailbox mailbox;
    std::vector<std::string> seen;
    auto receiver = std::make_unique<MailboxReceiver>(
        mailbox, [&](std::span<Letter> batch) { for (const Letter& l : batch) seen.push_back(l.text); });
    const int box = receiver->box();
    mailbox.Post(box, "before");
    mailbox.Deliver();
    mailbox.Post(box, "queued for a window that goes");
    receiver.reset();
    mailbox.Post(box, "after");
    mailbox.Deliver();
    EXPECT_EQ(seen, std::vector<std::string>{"before"});
}

TEST(Mailbox, AReceiverMayRemoveTheNextOne) {
    Mailbox mailbox;
    MailboxReceiver second;
    int second_calls = 0;
    MailboxReceiver first(mailbox, [&](std::span<Letter>) { second.Reset(); });
    second = MailboxReceiver(mailbox, [&](std::span<Letter>) { ++second_calls; });
    mailbox.Post(first.box(), "x");
    mailbox.Post(second.box(), "y");
    mailbox.Deliver();
    EXPECT_EQ(second_calls, 0);
}

TEST(Mailbox, DeliveryAskedForWhileOneRunsFollowsIt) {
    Mailbox mailbox;
    std::vector<std::string> seen;
    int box = 0;
    box = mailbox.AddReceiver([&](std::span<Letter> batch) {
        for (const Letter& l : batch) seen.push_back(l.text);
        if (seen.size() == 1) {
            // A message box's event loop, say, delivering while this receiver runs.
            mailbox.Post(box, "posted inside");
            EXPECT_EQ(mailbox.Deliver(), 0u);
        }
    });
    mailbox.Post(box, "first");
    EXPECT_EQ(mailbox.Deliver(), 2u);
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "posted inside"}));
}

TEST(Mailbox, FullMailboxMakesAProducerWaitThenDropsAndCounts) {
    Mailbox mailbox(2);
    const int box = mailbox.AddReceiver([](std::span<Letter>) {});
    EXPECT_TRUE(mailbox.Post(box, "1"));
    EXPECT_TRUE(mailbox.Post(box, "2"));
    EXPECT_FALSE(mailbox.Post(Letter{box, "3", 0}, 1ms));
    EXPECT_EQ(mailbox.TakeDropped(), 1u);
    EXPECT_EQ(mailbox.TakeDropped(), 0u);

    // A producer waiting for room gets it as soon as the consumer delivers (were it
    // not woken, it would wait an hour and the test would time out).
    std::atomic<bool> posted{false};
    std::thread producer([&] { posted = mailbox.Post(Letter{box, "4", 0}, 1h); });
    while (mailbox.pending() < 2) std::this_thread::yield();
    std::this_thread::sleep_for(5ms);
    mailbox.Deliver();
    producer.join();
    EXPECT_TRUE(posted.load());
    EXPECT_EQ(mailbox.TakeDropped(), 0u);
}

TEST(Mailbox, CloseReleasesWaitingProducersAndStopsWaking) {
    Mailbox mailbox(1);
    std::atomic<int> wakes{0};
    mailbox.SetWake([&] { ++wakes; });
    const int box = mailbox.AddReceiver([](std::span<Letter>) {});
    mailbox.Post(box, "fills it");
    std::atomic<bool> result{true};
    std::thread producer([&] { result = mailbox.Post(Letter{box, "waits", 0}, 1h); });
    while (mailbox.pending() < 1) std::this_thread::yield();
    mailbox.Close();
    producer.join();
    EXPECT_FALSE(result.load());
    const int before = wakes.load();
    EXPECT_FALSE(mailbox.Post(box, "after close"));
    EXPECT_EQ(wakes.load(), before);
    EXPECT_EQ(mailbox.Deliver(), 0u);
}

} // namespace
