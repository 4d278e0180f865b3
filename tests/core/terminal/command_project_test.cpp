// Command project files: the exact text written, what loading takes from a file, and
// the folder and name taken from a chosen file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/terminal/command_project.h"
#include "support/temp_dir.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const std::string kHeader = "\\\\------------------------------------------\r\n"
                            "\\\\DUVA Co.,Ltd.\r\n"
                            "\\\\Benchlink QLP General ASCII File\r\n"
                            "\\\\HV-ZQ70 V5.0.7\r\n"
                            "\\\\------------------------------------------\r\n"
                            "\\\\\r\n\\\\\r\n\\\\\r\n"
                            "[Command]\r\n";

std::string emptyLines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "\r\n";
    return text;
}

class CommandProjectTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(CommandProjectTest, AllEmptyWritesHeadersSectionAndTwentyEmptyLines) {
    std::string path = dir.file("empty.zqa");
    ASSERT_TRUE(SaveCommandProject(path, CommandLines{}, "HV-ZQ70 V5.0.7"));
    EXPECT_EQ(readFile(path), kHeader + emptyLines(20));

    CommandLines loaded;
    loaded.fill("stale");
    ASSERT_TRUE(LoadCommandProject(path, loaded));
    for (const std::string& command : loaded) EXPECT_EQ(command, "");
}

TEST_F(CommandProjectTest, TwoCommandsSitOnLinesTenAndEleven) {
    CommandLines commands;
    commands[0] = "A<CR><LF>";
    commands[1] = "rd 1";
    std::string path = dir.file("two.zqa");
    ASSERT_TRUE(SaveCommandProject(path, commands, "HV-ZQ70 V5.0.7"));
    EXPECT_EQ(readFile(path), kHeader + "A<CR><LF>\r\nrd 1\r\n" + emptyLines(18));

    CommandLines loaded;
    ASSERT_TRUE(LoadCommandProject(path, loaded));
    EXPECT_EQ(loaded, commands);
}

TEST_F(CommandProjectTest, FiveItemsSetFiveCommandsAndClearTheRest) {
    std::string path = dir.file("five.zqa");
    writeFile(path, "\\\\any header\r\n[Command]\r\na\r\nb\r\nc\r\nd\r\ne\r\n");
    CommandLines loaded;
    loaded.fill("old");
    ASSERT_TRUE(LoadCommandProject(path, loaded));
    CommandLines expected;
    expected[0] = "a";
    expected[1] = "b";
    expected[2] = "c";
    expected[3] = "d";
    expected[4] = "e";
    EXPECT_EQ(loaded, expected);
}

TEST_F(CommandProjectTest, ItemsPastTheTwentiethAreIgnored) {
    std::string text = "[Command]\r\n";
    for (int i = 1; i <= 25; ++i) text += "c" + std::to_string(i) + "\r\n";
    std::string path = dir.file("long.zqa");
    writeFile(path, text);
    CommandLines loaded;
    ASSERT_TRUE(LoadCommandProject(path, loaded));
    EXPECT_EQ(loaded[0], "c1");
    EXPECT_EQ(loaded[19], "c20");
}

TEST_F(CommandProjectTest, ALaterSectionOverwritesWhatAnEarlierSet) {
    std::string path = dir.file("two_sections.zqa");
    writeFile(path, "[Command]\r\na\r\nb\r\nc\r\n[Other] = v\r\nX\r\n");
    CommandLines loaded;
    ASSERT_TRUE(LoadCommandProject(path, loaded));
    EXPECT_EQ(loaded[0], "X");
    EXPECT_EQ(loaded[1], "b");
    EXPECT_EQ(loaded[2], "c");
}

// What a hand-edited file may look like and still be the project it means.
TEST_F(CommandProjectTest, HandEditedFilesLoadAsTheyRead) {
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {{"LfOnly", "\\\\h\n[Command]\ncmd1\ncmd2\n"},
                 {"BlanksAfterTheBracket", "[Command] \t\r\ncmd1\r\ncmd2\r\n"},
                 {"Mixed", "[Command]\r\ncmd1\ncmd2\r\n"}};
    for (const Case& c : cases) {
        const std::string path = dir.file("edited.zqa");
        writeFile(path, c.text);
        CommandLines loaded;
        ASSERT_TRUE(LoadCommandProject(path, loaded)) << c.name;
        EXPECT_EQ(loaded[0], "cmd1") << c.name;
        EXPECT_EQ(loaded[1], "cmd2") << c.name;
    }
}

// A file that is no project is refused with a reason, and the commands stay.
TEST_F(CommandProjectTest, AFileThatIsNoProjectChangesNothing) {
    struct Case {
        const char* name;
        std::string text;
        std::string reason;
    } cases[] = {{"Missing", "", "No such file or directory"},
                 {"Empty", "", kProjectNoSection},
                 {"Binary", std::string("\x7F" "ELF\x02\x01\x00\x00\r\n\xFF\xFE", 13), kProjectNoSection},
                 {"HeadersOnly", "\\\\h1\r\n\\\\h2\r\n", kProjectNoSection},
                 {"TextAfterTheBracket", "[Command]xyz\r\ncmd1\r\n", kProjectTextAfterSection}};
    for (const Case& c : cases) {
        const std::string path = dir.file(std::string(c.name) + ".zqa");
        if (std::string(c.name) != "Missing") writeFile(path, c.text);
        CommandLines loaded;
        loaded.fill("kept");
        std::string reason;
        EXPECT_FALSE(LoadCommandProject(path, loaded, &reason)) << c.name;
        EXPECT_EQ(reason, c.reason) << c.name;
        EXPECT_EQ(loaded[7], "kept") << c.name;
    }
}

TEST_F(CommandProjectTest, ACommandTheFileCannotKeepRefusesTheSaveAndIsNamed) {
    struct Case {
        std::string text;
        const char* named;
    } cases[] = {{"SET[1]=5<CR>", "Command 3 holds \"[\""},
                 {"path C:\\\\temp", "Command 3 holds two backslashes"},
                 {"a\r\nb", "Command 3 holds a line break"},
                 {"a\nb", "Command 3 holds a line break"}};
    for (const Case& c : cases) {
        CommandLines commands;
        commands[2] = c.text;
        commands[5] = "[later]";
        std::string path = dir.file("refused.zqa");
        EXPECT_FALSE(SaveCommandProject(path, commands, "HV-ZQ70 V5.0.7")) << c.named;
        EXPECT_EQ(readFile(path), "") << c.named;
        ASSERT_EQ(command_project_unsavable(commands), 3);
        EXPECT_NE(command_project_refusal(commands, 3).find(c.named), std::string::npos) << c.named;
    }
    CommandLines kept;
    kept[0] = "a]b=c\\d<CR>";
    std::string text;
    ASSERT_TRUE(command_project_text(kept, "HV-ZQ70 V5.0.7", text));
    CommandLines back;
    command_project_parse(text, back);
    EXPECT_EQ(back, kept);
}

TEST_F(CommandProjectTest, SaveIntoAMissingFolderFails) {
    EXPECT_FALSE(SaveCommandProject(dir.file("no/such/folder.zqa"), CommandLines{}, "HV-ZQ70 V5.0.7"));
}

struct ChooseCase {
    const char* name;
    const char* chosen;
    const char* directory;
    const char* project;
    const char* path;
};

class ChooseFile : public ::testing::TestWithParam<ChooseCase> {};

TEST_P(ChooseFile, TakesFolderAndNameAndAlwaysZqa) {
    ProjectLocation location;
    location.Choose(GetParam().chosen);
    EXPECT_EQ(location.directory, GetParam().directory);
    EXPECT_EQ(location.name, GetParam().project);
    EXPECT_EQ(location.path(), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ChooseFile,
    ::testing::Values(ChooseCase{"TextFileLoadsZqa", "/d/setup.txt", "/d/", "setup", "/d/setup.zqa"},
                      ChooseCase{"ZqaFile", "/d/e/bench.zqa", "/d/e/", "bench", "/d/e/bench.zqa"},
                      ChooseCase{"NoExtension", "/d/bench", "/d/", "bench", "/d/bench.zqa"},
                      ChooseCase{"DotsKeepAllButTheLast", "/d/bench.v2.zqa", "/d/", "bench.v2", "/d/bench.v2.zqa"},
                      ChooseCase{"DottedFolder", "/d.x/bench", "/d.x/", "bench", "/d.x/bench.zqa"},
                      ChooseCase{"OnlyAnExtensionIsNoName", "/d/.zqa", "/d/", "", "/d/.zqa"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
