// The link monitor's decisions without a window: filter, pause, counter, clear
// and the save.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "core/panels/link_monitor_log.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> asVector(const LineStore& lines) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < lines.size(); ++i) out.emplace_back(lines.line(i));
    return out;
}

class MonitorLog : public testing::Test {
protected:
    void SetUp() override { log.Reset(); }
    LinkMonitorLog log;
};

TEST_F(MonitorLog, UnfilteredShowsEveryLineInOrder) {
    log.AddLine("a");
    log.AddIdLine(5, "b");
    log.AddLine("c");
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(log.counter(), 3u);
}

TEST_F(MonitorLog, FilterFiveShowsOnlyDeviceFive) {
    log.SetFilterEnabled(true);
    log.SetFilterNumber(5);
    log.AddIdLine(5, "five");
    log.AddIdLine(6, "six");
    log.AddLine("untagged");
    log.AddIdLine(261, "wraps to five but is not five");
    log.AddIdLine(5, "five again");
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"five", "five again"}));
    EXPECT_EQ(log.counter(), 2u);
}

TEST_F(MonitorLog, Filter256ShowsNothing) {
    log.SetFilterEnabled(true);
    log.SetFilterNumber(256);
    for (std::uint32_t id = 0; id < 256; ++id) log.AddIdLine(id, "x");
    log.AddLine("y");
    EXPECT_EQ(log.lines().size(), 0u);
    EXPECT_EQ(log.counter(), 0u);
}

TEST_F(MonitorLog, FilterNumberStaysInItsRange) {
    log.SetFilterNumber(300);
    EXPECT_EQ(log.filter_number(), 256);
    log.SetFilterNumber(-3);
    EXPECT_EQ(log.filter_number(), 0);
}

TEST_F(MonitorLog, PauseDropsLinesForGood) {
    log.AddLine("before");
    EXPECT_TRUE(log.TogglePause());
    log.AddLine("while paused");
    log.AddIdLine(5, "also while paused");
    EXPECT_EQ(log.counter(), 1u);
    EXPECT_FALSE(log.TogglePause());
    log.AddLine("after");
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"before", "after"}));
    EXPECT_EQ(log.counter(), 2u);
}

TEST_F(MonitorLog, ClearEmptiesAndRestartsTheCounter) {
    log.AddLine("a");
    log.AddLine("b");
    log.AddLine("queued before the clear");
    log.Clear();
    EXPECT_EQ(log.lines().size(), 0u);
    EXPECT_EQ(log.counter(), 0u);
    EXPECT_TRUE(log.TakeUnshown().empty());
    log.AddLine("c");
    EXPECT_EQ(log.counter(), 1u);
    EXPECT_EQ(asVector(log.lines()), (std::vector<std::string>{"c"}));
}

TEST_F(MonitorLog, ResetRestoresTheShowingState) {
    log.TogglePause();
    log.SetFilterEnabled(true);
    log.SetFilterNumber(9);
    log.AddLine("queued");
    log.Reset();
    EXPECT_FALSE(log.paused());
    EXPECT_FALSE(log.filter_enabled());
    EXPECT_EQ(log.filter_number(), 1);
    EXPECT_EQ(log.counter(), 0u);
    EXPECT_EQ(log.lines().size(), 0u);
}

TEST_F(MonitorLog, UnshownLinesAreHandedOverOnce) {
    log.AddLine("a");
    log.AddLine("b");
    EXPECT_EQ(log.TakeUnshown(), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(log.TakeUnshown().empty());
    log.ClearLines();
    EXPECT_EQ(log.lines().size(), 0u);
    EXPECT_EQ(log.counter(), 2u); // closing clears the list, not the counter
}

TEST_F(MonitorLog, KeepsTheNewestLinesOnly) {
    const std::size_t total = LinkMonitorLog::kMaxLines + 5;
    for (std::size_t i = 0; i < total; ++i) {
        log.AddLine(std::to_string(i));
        }
    ASSERT_EQ(log.lines().size(), LinkMonitorLog::kMaxLines);
    EXPECT_EQ(log.lines().line(0), "5");
    EXPECT_EQ(log.lines().line(log.lines().size() - 1), std::to_string(total - 1));
    EXPECT_EQ(log.counter(), total);
    EXPECT_EQ(log.TakeUnshown().size(), LinkMonitorLog::kMaxLines);
}

TEST_F(MonitorLog, FileTextEndsEachLineWithCrLf) {
    log.AddLine("a b");
    log.AddLine("");
    log.AddLine("c");
    EXPECT_EQ(log.FileText(), "a b\r\n\r\nc\r\n");
}

struct PathCase {
    const char* chosen;
    const char* path;
};

TEST(LinkMonitorSavePath, FolderPlusNameWithoutItsLastExtension) {
    const PathCase cases[] = {{"/tmp/logs/run.1.log", "/tmp/logs/run.1.txt"},
                              {"/tmp/logs/trace", "/tmp/logs/trace.txt"},
                              {"/tmp/logs/trace.log.old", "/tmp/logs/trace.log.txt"},
                              {"/tmp/v1.2/trace", "/tmp/v1.2/trace.txt"},
                              {"/tmp/logs/trace.txt", "/tmp/logs/trace.txt"},
                              {"trace.csv", "trace.txt"}};
    for (const PathCase& c : cases) EXPECT_EQ(link_monitor_save_path(c.chosen), c.path) << c.chosen;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(MonitorLog, SaveWritesTheLines) {
    TempDir dir;
    log.AddLine("first");
    log.AddIdLine(2, "second");
    std::string reason;
    ASSERT_TRUE(link_monitor_save(log, dir.file("trace.txt"), reason)) << reason;
    EXPECT_EQ(readAll(dir.file("trace.txt")), "first\r\nsecond\r\n");
}

TEST_F(MonitorLog, SaveIntoAMissingFolderFailsWithItsReason) {
    TempDir dir;
    log.AddLine("first");
    std::string reason;
    EXPECT_FALSE(link_monitor_save(log, dir.file("missing/trace.txt"), reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(log.lines().size(), 1u);
}

} // namespace
