// The recorder: which lines it takes, what it writes, the automatic numbering.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/terminal/auto_test.h"
#include "core/terminal/recorder.h"
#include "support/temp_dir.h"
#include "support/bytes.h"
#include "support/memory_port.h"

namespace {

struct FakeView : RecorderView {
    std::vector<std::string> monitor;
    std::vector<int> counts;
    std::vector<std::string> messageLines;
    std::vector<std::string> notices;
    int due = 0;

    void MonitorAppend(const std::string& line, int count) override {
        monitor.push_back(line);
        counts.push_back(count);
    }
    void MonitorClear() override { monitor.clear(); }
    void MessageLine(const std::string& text) override { messageLines.push_back(text); }
    void Notice(const std::string& text) override { notices.push_back(text); }
    void AutoSaveDue() override { ++due; }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest() : recorder(view, autoTest, [this] { return now; }) {
        recorder.SetDirectory(dir.path() + "/");
        recorder.SetRecording(true);
    }

    bool take(const std::string& line, int mode = 1) {
        Bytes bytes(line.begin(), line.end());
        return recorder.TakeLine(bytes.data(), static_cast<std::int32_t>(bytes.size()), mode);
    }

    // What the window thread does with the letters the recorder posted.
    void deliver() {
        while (view.due > 0) {
            --view.due;
            recorder.WriteDueAutoSave();
        }
    }

    TempDir dir;
    FakeView view;
    std::vector<AutoTestCounters> counters;
    MemoryPort port; // the auto-test only counts here; nothing is sent
    AutoTest autoTest{port, [this](const AutoTestCounters& c) { counters.push_back(c); }};
    TimeOfDay now{9, 5, 3};
    Recorder recorder;
};

TEST(RecorderKeyword, IsAnExactPrefixOfTheRawBytes) {
    struct Case {
        const char* name;
        std::string line;
        std::string keyword;
        bool taken;
    } cases[] = {
        {"Prefix", "#12\r\n", "#", true},
        {"NotAtFront", "12#\r\n", "#", false},
        {"CaseSensitive", "ab1", "AB", false},
        {"ShorterThanKeyword", "A", "AB", false},
        {"EmptyKeywordTakesAll", "anything", "", true},
        {"EmptyLineEmptyKeyword", "", "", true},
        {"ControlCharactersCount", "\x02" "AB", "\x02" "A", true},
    };
    for (const Case& c : cases) {
        Bytes bytes(c.line.begin(), c.line.end());
        EXPECT_EQ(recorder_keyword_match(bytes.data(), static_cast<std::int32_t>(bytes.size()), c.keyword), c.taken)
            << c.name;
    }
}

TEST(RecorderText, DependsOnTheReceiveMode) {
    struct Case {
        const char* name;
        Bytes line;
        int mode;
        std::string keyword;
        std::string text;
    } cases[] = {
        {"NoneStripsControlsAndKeyword", {'A', 'B', 0x0D, '1', '2', 0x0A}, 0, "AB", "12"},
        {"NoneKeepsTextWithoutKeyword", {'x', '1', 0x0D}, 0, "#", "x1"},
        {"NoneDropsHighBytes", {'#', 0xE9, 'O', 'K', 0x0D, 0x0A}, 0, "#", "OK"},
        {"AsciiTagsControls", {'#', '1', 0x0D, 0x0A, 0xFF}, 1, "#", "#1<CR><LF><0xFF>"},
        {"HexPairs", {0x01, 0x02, 0xFF}, 2, "", "01,02,FF"},
        {"UnknownModeEmpty", {'#', '1'}, 3, "#", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(recorder_text(c.line.data(), static_cast<std::int32_t>(c.line.size()), c.mode, c.keyword), c.text)
            << c.name;
}

TEST(RecorderStamp, HasNoLeadingZeros) {
    EXPECT_EQ(recorder_stamp({9, 5, 3}, "OK"), "9,5,3,OK");
    EXPECT_EQ(recorder_stamp({14, 0, 7}, "01,02,FF"), "14,0,7,01,02,FF");
    EXPECT_EQ(recorder_stamp({0, 0, 0}, ""), "0,0,0,");
}

TEST_F(RecorderTest, TakesKeywordLinesOnly) {
    EXPECT_TRUE(take("#12\r\n"));
    EXPECT_FALSE(take("12#\r\n"));
    EXPECT_EQ(view.monitor, (std::vector<std::string>{"#12<CR><LF>"}));
    EXPECT_EQ(recorder.line_count(), 1);
}

TEST_F(RecorderTest, TakesNothingWhileOff) {
    recorder.SetRecording(false);
    recorder.SetKeyword("");
    EXPECT_FALSE(take("#12"));
    EXPECT_TRUE(view.monitor.empty());
}

TEST_F(RecorderTest, EmptyKeywordTakesEveryLine) {
    recorder.SetKeyword("");
    EXPECT_TRUE(take("a"));
    EXPECT_TRUE(take("12#"));
    EXPECT_EQ(view.counts, (std::vector<int>{1, 2}));
}

TEST_F(RecorderTest, ModeNoneWithKeywordAB) {
    recorder.SetKeyword("AB");
    Bytes bytes{'A', 'B', 0x0D, '1', '2', 0x0A};
    EXPECT_TRUE(recorder.TakeLine(bytes.data(), 6, 0));
    EXPECT_EQ(view.monitor, (std::vector<std::string>{"12"}));
}

TEST_F(RecorderTest, AddTimeStampsWithTheClock) {
    recorder.SetAddTime(true);
    take("#OK", 0);
    now = {23, 59, 59};
    take("#2", 0);
    EXPECT_EQ(view.monitor, (std::vector<std::string>{"9,5,3,OK", "23,59,59,2"}));
}

TEST_F(RecorderTest, KeywordIsCutTo2047Characters) {
    recorder.SetKeyword(std::string(3000, 'k'));
    EXPECT_EQ(recorder.state().keyword.size(), 2047u);
}

TEST_F(RecorderTest, AutoSaveNumbersTheFiles) {
    recorder.SetAutoSave(true);
    recorder.SetBaseName("log");
    recorder.SetLineAmount(3);
    take("#1");
    take("#2");
    deliver();
    EXPECT_FALSE(std::filesystem::exists(dir.file("log_1.csv")));
    take("#3");
    deliver();
    EXPECT_EQ(readFile(dir.file("log_1.csv")), "#1\r\n#2\r\n#3\r\n");
    EXPECT_TRUE(view.monitor.empty());
    EXPECT_EQ(recorder.line_count(), 0);
    EXPECT_EQ(recorder.state().file_number, 2);
    EXPECT_EQ(recorder.state().last_path, dir.file("log_1.csv"));
    EXPECT_EQ(view.messageLines,
              (std::vector<std::string>{"---* File Operate *---   Save Recorder File " + dir.file("log_1.csv")}));
    for (const char* line : {"#4", "#5", "#6"}) take(line);
    deliver();
    EXPECT_EQ(readFile(dir.file("log_2.csv")), "#4\r\n#5\r\n#6\r\n");
    EXPECT_EQ(recorder.state().file_number, 3);
}

TEST_F(RecorderTest, AutoSaveIsWrittenByTheWindowThreadAndKeepsLaterLines) {
    recorder.SetAutoSave(true);
    recorder.SetBaseName("log");
    recorder.SetLineAmount(2);
    take("#1");
    take("#2");
    // The receiving thread only hands the save on; a line taken meanwhile stays.
    EXPECT_FALSE(std::filesystem::exists(dir.file("log_1.csv")));
    EXPECT_EQ(view.due, 1);
    take("#3");
    deliver();
    EXPECT_EQ(readFile(dir.file("log_1.csv")), "#1\r\n#2\r\n");
    EXPECT_EQ(recorder.lines(), std::vector<std::string>{"#3"});
    EXPECT_EQ(view.monitor, std::vector<std::string>{"#3"});
}

TEST_F(RecorderTest, FileNumberChangedByTheUserIsUsedNext) {
    recorder.SetAutoSave(true);
    recorder.SetBaseName("log");
    recorder.SetLineAmount(1);
    take("#a");
    deliver();
    take("#b");
    deliver();
    recorder.SetFileNumber(7);
    take("#c");
    deliver();
    EXPECT_TRUE(std::filesystem::exists(dir.file("log_1.csv")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("log_2.csv")));
    EXPECT_EQ(readFile(dir.file("log_7.csv")), "#c\r\n");
    EXPECT_EQ(recorder.state().file_number, 8);
}

// Numbering starts at 1 in every run: files an earlier run wrote are kept, and the
// numbers move past them.
TEST_F(RecorderTest, NumberedSaveSkipsFilesThatExist) {
    for (const char* earlier : {"log_1.csv", "log_2.csv", "log_4.csv"}) std::ofstream(dir.file(earlier)) << "earlier";
#if defined(_WIN32)
    std::ofstream(dir.file("log_5.csv")) << "earlier"; // links need privileges there
#else
    std::filesystem::create_symlink(dir.file("gone"), dir.file("log_5.csv")); // dangling
#endif
    recorder.SetAutoSave(true);
    recorder.SetBaseName("log");
    recorder.SetLineAmount(1);
    const char* expected[] = {"log_3.csv", "log_6.csv"};
    for (const char* file : expected) {
        take("#x");
        deliver();
        EXPECT_EQ(readFile(dir.file(file)), "#x\r\n");
    }
    EXPECT_EQ(recorder.state().file_number, 7);
    for (const char* earlier : {"log_1.csv", "log_2.csv", "log_4.csv"})
        EXPECT_EQ(readFile(dir.file(earlier)), "earlier");
#if !defined(_WIN32)
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("log_5.csv")));
#endif
    EXPECT_TRUE(view.notices.empty());
}

TEST_F(RecorderTest, EmptyBaseNameWarnsOnceAndKeepsTheLinesUntilANameIsGiven) {
    recorder.SetAutoSave(true);
    recorder.SetBaseName("");
    recorder.SetLineAmount(2);
    for (const char* line : {"#1", "#2", "#3", "#4"}) {
        take(line);
        deliver();
    }
    EXPECT_EQ(view.notices, std::vector<std::string>{kRecorderEmptyName});
    EXPECT_EQ(recorder.lines(), (std::vector<std::string>{"#1", "#2", "#3", "#4"}));
    EXPECT_TRUE(view.messageLines.empty());
    EXPECT_EQ(recorder.state().file_number, 1);
    recorder.SetBaseName("log");
    take("#5");
    deliver();
    EXPECT_EQ(readFile(dir.file("log_1.csv")), "#1\r\n#2\r\n#3\r\n#4\r\n#5\r\n");
}

TEST_F(RecorderTest, UnwritableFileTellsWhyOnceAndKeepsEveryLineUntilTheFolderChanges) {
    recorder.SetDirectory(dir.file("missing/"));
    recorder.SetAutoSave(true);
    recorder.SetBaseName("log");
    recorder.SetLineAmount(1);
    take("#1");
    deliver();
    take("#2");
    deliver();
    ASSERT_EQ(view.notices.size(), 1u);
    EXPECT_NE(view.notices[0].find(dir.file("missing/log_1.csv")), std::string::npos);
    EXPECT_NE(view.notices[0].find("No such file or directory"), std::string::npos);
    EXPECT_TRUE(recorder.auto_save_suspended());
    EXPECT_EQ(recorder.lines(), (std::vector<std::string>{"#1", "#2"}));
    EXPECT_EQ(recorder.state().file_number, 1);
    EXPECT_TRUE(view.messageLines.empty());
    recorder.SetDirectory(dir.path() + "/");
    take("#3");
    deliver();
    EXPECT_EQ(readFile(dir.file("log_1.csv")), "#1\r\n#2\r\n#3\r\n");
    EXPECT_FALSE(recorder.auto_save_suspended());
}

TEST_F(RecorderTest, SaveAutoDoesNothingWhileAutoSaveIsOff) {
    take("#1");
    recorder.SaveAuto();
    EXPECT_TRUE(view.messageLines.empty());
    EXPECT_EQ(recorder.line_count(), 1);
}

TEST_F(RecorderTest, ChosenSaveAlwaysUsesCsvAndKeepsTheName) {
    take("#1");
    recorder.SaveChosen(dir.path() + "/", "picked");
    EXPECT_EQ(readFile(dir.file("picked.csv")), "#1\r\n");
    EXPECT_EQ(recorder.state().base_name, "picked");
    EXPECT_EQ(recorder.state().file_number, 1);
    EXPECT_EQ(recorder.line_count(), 0);
    recorder.SaveChosen(dir.path() + "/", "");
    EXPECT_EQ(view.notices, (std::vector<std::string>{kRecorderEmptyName}));
}

TEST_F(RecorderTest, CountsReturnedLinesOnlyWhileTheTestRuns) {
    autoTest.SetCommand("12");
    take("#12\r\n", 0);
    EXPECT_TRUE(counters.empty());
    autoTest.SetRunning(true);
    take("#12\r\n", 0);
    take("#13\r\n", 0);
    EXPECT_EQ(autoTest.counters(), (AutoTestCounters{0, 2, 1}));
    take("#12\r\n", 1); // tags and keyword stay in ASCII mode: a verify fault
    EXPECT_EQ(autoTest.counters(), (AutoTestCounters{0, 3, 2}));
}

TEST_F(RecorderTest, TimeStampIsNotPartOfTheVerifiedText) {
    autoTest.SetCommand("A");
    autoTest.SetRunning(true);
    recorder.SetAddTime(true);
    take("#A", 0);
    EXPECT_EQ(autoTest.counters(), (AutoTestCounters{0, 1, 0}));
}

TEST_F(RecorderTest, LinesFromAnotherThreadKeepTheirOrder) {
    recorder.SetKeyword("");
    std::thread receiver([this] {
        for (int i = 0; i < 500; ++i) take(std::to_string(i));
    });
    for (int i = 0; i < 100; ++i) recorder.SetKeyword(""); // window-thread changes meanwhile
    receiver.join();
    ASSERT_EQ(view.monitor.size(), 500u);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(view.monitor[i], std::to_string(i));
}

} // namespace
