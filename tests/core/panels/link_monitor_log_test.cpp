// The link monitor's decisions without a window: filter, pause, counter, clear,
// the ordered hand-over from the receive thread, and the save.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "core/panels/link_monitor_log.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> asVector(const std::deque<std::string>& lines) { return {lines.begin(), lines.end()}; }

class MonitorLog : public testing::Test {
protected:
    void SetUp() override {
        log.reset();
        log.setOpen(true);
    }
    LinkMonitorLog log;
};

TEST_F(MonitorLog, UnfilteredShowsEveryLineInOrder) {
    log.postLine("a");
    log.postIdLine(5, "b");
    log.postLine("c");
    EXPECT_EQ(log.drain(), 3u);
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(log.counter(), 3u);
}

TEST_F(MonitorLog, FilterFiveShowsOnlyDeviceFive) {
    log.setFilterEnabled(true);
    log.setFilterNumber(5);
    log.postIdLine(5, "five");
    log.postIdLine(6, "six");
    log.postLine("untagged");
    log.postIdLine(261, "wraps to five but is not five");
    log.postIdLine(5, "five again");
    log.drain();
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"five", "five again"}));
    EXPECT_EQ(log.counter(), 2u);
}

TEST_F(MonitorLog, Filter256ShowsNothing) {
    log.setFilterEnabled(true);
    log.setFilterNumber(256);
    for (std::uint32_t id = 0; id < 256; ++id) log.postIdLine(id, "x");
    log.postLine("y");
    EXPECT_EQ(log.drain(), 0u);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(log.counter(), 0u);
}

TEST_F(MonitorLog, FilterNumberStaysInItsRange) {
    log.setFilterNumber(300);
    EXPECT_EQ(log.filterNumber(), 256);
    log.setFilterNumber(-3);
    EXPECT_EQ(log.filterNumber(), 0);
}

TEST_F(MonitorLog, PauseDropsLinesForGood) {
    log.postLine("before");
    EXPECT_TRUE(log.togglePause());
    log.postLine("while paused");
    log.postIdLine(5, "also while paused");
    log.drain();
    EXPECT_EQ(log.counter(), 1u);
    EXPECT_FALSE(log.togglePause());
    log.postLine("after");
    log.drain();
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"before", "after"}));
    EXPECT_EQ(log.counter(), 2u);
}

TEST_F(MonitorLog, ChangesApplyToLinesPostedAfterThem) {
    log.postIdLine(6, "posted while the filter was off");
    log.setFilterEnabled(true);
    log.setFilterNumber(5);
    log.postIdLine(6, "posted after the filter went on");
    log.drain();
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"posted while the filter was off"}));
}

TEST_F(MonitorLog, ClearEmptiesAndRestartsTheCounter) {
    log.postLine("a");
    log.postLine("b");
    log.drain();
    log.postLine("queued before the clear");
    log.clear();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(log.counter(), 0u);
    EXPECT_TRUE(log.takeUnshown().empty());
    log.postLine("c");
    log.drain();
    EXPECT_EQ(log.counter(), 1u);
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"c"}));
}

TEST_F(MonitorLog, ResetRestoresTheShowingState) {
    log.togglePause();
    log.setFilterEnabled(true);
    log.setFilterNumber(9);
    log.postLine("queued");
    log.reset();
    EXPECT_FALSE(log.paused());
    EXPECT_FALSE(log.filterEnabled());
    EXPECT_EQ(log.filterNumber(), 1);
    EXPECT_EQ(log.counter(), 0u);
    EXPECT_EQ(log.queued(), 0u);
    log.drain();
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(MonitorLog, ClosedMonitorDropsWhatProducersSend) {
    log.setOpen(false);
    log.postLine("a");
    log.postIdLine(1, "b");
    EXPECT_EQ(log.queued(), 0u);
    log.setOpen(true);
    log.postLine("c");
    log.drain();
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"c"}));
}

TEST_F(MonitorLog, UnshownLinesAreHandedOverOnce) {
    log.postLine("a");
    log.postLine("b");
    log.drain();
    EXPECT_EQ(log.takeUnshown(), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(log.takeUnshown().empty());
    log.clearLines();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(log.counter(), 2u); // closing clears the list, not the counter
}

TEST_F(MonitorLog, KeepsTheNewestLinesOnly) {
    const std::size_t total = LinkMonitorLog::kMaxLines + 5;
    for (std::size_t i = 0; i < total; ++i) {
        log.postLine(std::to_string(i));
        if (i % 1000 == 0) log.drain();
    }
    log.drain();
    ASSERT_EQ(log.lines().size(), LinkMonitorLog::kMaxLines);
    EXPECT_EQ(log.lines().front(), "5");
    EXPECT_EQ(log.lines().back(), std::to_string(total - 1));
    EXPECT_EQ(log.counter(), total);
    EXPECT_EQ(log.takeUnshown().size(), LinkMonitorLog::kMaxLines);
}

TEST_F(MonitorLog, QueueWaitingForTheWindowIsBounded) {
    for (std::size_t i = 0; i < LinkMonitorLog::kMaxQueued + 3; ++i) log.postLine(std::to_string(i));
    EXPECT_EQ(log.queued(), LinkMonitorLog::kMaxQueued);
    log.drain();
    EXPECT_EQ(log.lines().front(), "3");
}

TEST_F(MonitorLog, LinesFromAnotherThreadKeepTheirOrder) {
    constexpr int kLines = 20000;
    std::thread producer([this] {
        for (int i = 0; i < kLines; ++i) {
            if (i % 2 == 0)
                log.postLine(std::to_string(i));
            else
                log.postIdLine(1, std::to_string(i));
        }
    });
    std::vector<std::string> seen;
    while (seen.size() < static_cast<std::size_t>(kLines)) {
        log.drain();
        for (std::string& line : log.takeUnshown()) seen.push_back(std::move(line));
        std::this_thread::yield();
    }
    producer.join();
    for (int i = 0; i < kLines; ++i) ASSERT_EQ(seen[static_cast<std::size_t>(i)], std::to_string(i));
}

TEST_F(MonitorLog, FileTextEndsEachLineWithCrLf) {
    log.postLine("a b");
    log.postLine("");
    log.postLine("c");
    log.drain();
    EXPECT_EQ(log.fileText(), "a b\r\n\r\nc\r\n");
}

struct PathCase {
    const char* chosen;
    const char* path;
};

TEST(LinkMonitorSavePath, FolderPlusNameCutAtItsFirstDot) {
    const PathCase cases[] = {{"/tmp/logs/run.1.log", "/tmp/logs/run.txt"},
                              {"/tmp/logs/trace", "/tmp/logs/trace.txt"},
                              {"/tmp/logs/trace.log.old", "/tmp/logs/trace.txt"},
                              {"/tmp/v1.2/trace", "/tmp/v1.2/trace.txt"},
                              {"/tmp/logs/trace.txt", "/tmp/logs/trace.txt"},
                              {"trace.csv", "trace.txt"}};
    for (const PathCase& c : cases) EXPECT_EQ(linkMonitorSavePath(c.chosen), c.path) << c.chosen;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(MonitorLog, SaveWritesTheLines) {
    TempDir dir;
    log.postLine("first");
    log.postIdLine(2, "second");
    log.drain();
    std::string reason;
    ASSERT_TRUE(linkMonitorSave(log, dir.file("trace.txt"), reason)) << reason;
    EXPECT_EQ(readAll(dir.file("trace.txt")), "first\r\nsecond\r\n");
}

TEST_F(MonitorLog, SaveIntoAMissingFolderFailsWithItsReason) {
    TempDir dir;
    log.postLine("first");
    log.drain();
    std::string reason;
    EXPECT_FALSE(linkMonitorSave(log, dir.file("missing/trace.txt"), reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(log.lines().size(), 1u);
}

} // namespace
