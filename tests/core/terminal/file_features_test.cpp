// Message-list files, the chosen-file split and the send-file buffer.
#include <gtest/gtest.h>

#include <fstream>

#include "core/files/file_choice.h"
#include "core/util/line_store.h"
#include "core/terminal/message_list_file.h"
#include "core/terminal/send_file.h"
#include "support/memory_port_fixture.h"
#include "support/temp_dir.h"

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ChosenFile, SplitsFolderNameAndExtension) {
    ChosenFile chosen = split_chosen_file("/tmp/a.b/report.log");
    EXPECT_EQ(chosen.directory, "/tmp/a.b/");
    EXPECT_EQ(chosen.name, "report");
    EXPECT_EQ(chosen.file_name, "report.log");
    EXPECT_EQ(split_chosen_file("/tmp/data.tar.gz").name, "data.tar");
    EXPECT_EQ(split_chosen_file("/tmp/log.v2.txt").name, "log.v2");
    EXPECT_EQ(split_chosen_file("/tmp/.hidden").name, "");
    EXPECT_EQ(split_chosen_file("/tmp/plain").name, "plain");
}

TEST(MessageFile, EveryLineEndsInCrLf) {
    LineStore store;
    store.append("first");
    store.append("");
    store.append("third line");
    EXPECT_EQ(message_file_text(store), "first\r\n\r\nthird line\r\n");
    EXPECT_EQ(message_file_text(LineStore{}), "");
}

TEST(MessageFile, ReadsEveryKindOfLineEnd) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"CrLf", "a\r\nb\r\n", {"a", "b"}},
        {"Cr", "a\rb\r", {"a", "b"}},
        {"Lf", "a\nb\n", {"a", "b"}},
        {"Mixed", "a\r\n\nb\rc", {"a", "", "b", "c"}},
        {"LfCrIsTwoEnds", "a\n\rb", {"a", "", "b"}},
        {"EmptyLines", "\r\n\r\n", {"", ""}},
        {"Empty", "", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(message_file_lines(c.text), c.lines) << c.name;
}

TEST(MessageFile, SavedFileLoadsBack) {
    TempDir dir;
    LineStore store;
    store.append("---* Start Receive *---   ");
    store.append("hello<CR><LF>");
    std::string reason;
    ASSERT_TRUE(save_message_file(store, dir.file("m.txt"), reason));
    std::vector<std::string> lines;
    ASSERT_TRUE(load_message_file(dir.file("m.txt"), lines, reason));
    EXPECT_EQ(lines, (std::vector<std::string>{"---* Start Receive *---   ", "hello<CR><LF>"}));
}

TEST(MessageFile, FailuresGiveTheReasonAndTouchNothing) {
    TempDir dir;
    std::string reason;
    EXPECT_FALSE(save_message_file(LineStore{}, dir.file("no/such.txt"), reason));
    EXPECT_EQ(reason, "No such file or directory");
    std::vector<std::string> lines{"kept"};
    EXPECT_FALSE(load_message_file(dir.file("missing.txt"), lines, reason));
    EXPECT_EQ(lines, (std::vector<std::string>{"kept"}));
}

class SendFileTest : public MemoryPortFixture {
protected:
    SendFileRead read(const std::string& name, const std::string& bytes) {
        writeFile(dir.file(name), bytes);
        return readAgain(name);
    }
    SendFileRead readAgain(const std::string& name) {
        buffer.path = dir.file(name);
        return ReadSendFile(buffer);
    }

    TempDir dir;
    SendFileBuffer buffer;
};

TEST_F(SendFileTest, SendsAllBytesAndShowsTextUpToNul) {
    ASSERT_EQ(read("f.bin", std::string("AB\0C", 4)), SendFileRead::kRead);
    EXPECT_EQ(buffer.length, 4);
    EXPECT_EQ(buffer.text, "AB");
    open();
    EXPECT_EQ(SendFileData(port, buffer), "---* Send General ASCII COMMAND *---   AB");
    EXPECT_EQ(far.read_exactly(4), (Bytes{0x41, 0x42, 0x00, 0x43}));
    // The buffer stays, so "Send" works again.
    EXPECT_EQ(SendFileData(port, buffer), "---* Send General ASCII COMMAND *---   AB");
    EXPECT_EQ(far.read_exactly(4), (Bytes{0x41, 0x42, 0x00, 0x43}));
}

TEST_F(SendFileTest, SevenBitParityDoesNotChangeTheBuffer) {
    ASSERT_EQ(read("p.bin", "\x01"), SendFileRead::kRead);
    open(7, 2);
    SendFileData(port, buffer);
    EXPECT_EQ(far.read_exactly(1), (Bytes{0x81}));
    EXPECT_EQ(buffer.data[0], 0x01);
}

TEST_F(SendFileTest, EmptyFileSendsNothing) {
    ASSERT_EQ(read("e.bin", ""), SendFileRead::kRead);
    EXPECT_EQ(buffer.length, 0);
    EXPECT_EQ(buffer.text, "");
    open();
    EXPECT_EQ(SendFileData(port, buffer), "---* Send General ASCII COMMAND *---   Send Data is Empty!");
    EXPECT_TRUE(far.read_quiet().empty());
}

TEST_F(SendFileTest, MissingFileKeepsTheEarlierText) {
    read("f.bin", "hello");
    EXPECT_EQ(readAgain("gone.bin"), SendFileRead::kNoFile);
    EXPECT_EQ(buffer.length, -1);
    EXPECT_EQ(buffer.text, "hello");
    EXPECT_EQ(SendFileData(port, buffer), "---* Send General ASCII COMMAND *---   Send Data is Empty!");
}

TEST_F(SendFileTest, FileOfExactly4096BytesIsRead) {
    ASSERT_EQ(read("full.bin", std::string(4096, 'x')), SendFileRead::kRead);
    EXPECT_EQ(buffer.length, 4096);
    EXPECT_EQ(buffer.text.size(), 4096u);
}

TEST_F(SendFileTest, LargerFileIsRefusedAndTheBufferKept) {
    read("f.bin", "old");
    SendFileRead result = read("big.bin", std::string(4097, 'x'));
    EXPECT_EQ(result, SendFileRead::kTooLarge);
    EXPECT_EQ(read_send_file_line(result),
              "---* Send General ASCII COMMAND *---   File is larger than 4096 bytes!");
    EXPECT_EQ(buffer.length, 3);
    EXPECT_EQ(buffer.text, "old");
    EXPECT_EQ(read_send_file_line(SendFileRead::kRead), "");
}

TEST_F(SendFileTest, RefusedWriteLogsTheStatus) {
    read("f.bin", "A");
    EXPECT_EQ(SendFileData(port, buffer), "---* Send General ASCII COMMAND *---   None Com Setup.");
}

} // namespace
