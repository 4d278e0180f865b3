// Section files: the writer's text, the reader's state machine, limits and round trips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "core/files/file_io.h"
#include "core/files/section_file.h"

namespace {

SectionFile command_project(const std::vector<std::string>& commands) {
    SectionFile file;
    const std::string rule(42, '-');
    file.headers = {rule, "DUVA Co.,Ltd.", "Benchlink QLP General ASCII File", "HV-ZQ70 V5.0.7", rule, "", "", ""};
    file.header_count = 8;
    Section section;
    section.name = "Command";
    section.items = commands;
    section.item_count = static_cast<std::int32_t>(commands.size());
    file.sections.push_back(section);
    file.section_count = 1;
    return file;
}

SectionFile parsed(std::string_view text) {
    SectionFile file;
    section_file_parse(text, file);
    return file;
}

// The counts and the vectors must agree, or a caller walking one overruns the other.
void expect_consistent(const SectionFile& file) {
    EXPECT_EQ(file.headers.size(), static_cast<std::size_t>(file.header_count));
    EXPECT_EQ(file.sections.size(), static_cast<std::size_t>(file.section_count));
    for (const Section& s : file.sections) EXPECT_EQ(s.items.size(), static_cast<std::size_t>(s.item_count));
}

TEST(SectionFileWrite, CommandProjectText) {
    std::vector<std::string> commands(20);
    commands[0] = "A<CR>";
    commands[1] = "B";
    std::string text;
    ASSERT_TRUE(section_file_text(command_project(commands), text));

    std::string expected;
    const std::string rule(42, '-');
    for (const char* header :
         {rule.c_str(), "DUVA Co.,Ltd.", "Benchlink QLP General ASCII File", "HV-ZQ70 V5.0.7", rule.c_str(), "", "", ""})
        expected += std::string("\\\\") + header + "\r\n";
    expected += "[Command]\r\nA<CR>\r\nB\r\n";
    for (int i = 0; i < 18; ++i) expected += "\r\n";
    EXPECT_EQ(text, expected);
}

TEST(SectionFileWrite, ValueFollowsTheName) {
    SectionFile file;
    file.sections.push_back(Section{"Name", "abc", 1, {"x"}});
    file.sections.push_back(Section{"Next", "", 0, {}});
    file.section_count = 2;
    std::string text;
    ASSERT_TRUE(section_file_text(file, text));
    EXPECT_EQ(text, "[Name] = abc\r\nx\r\n[Next]\r\n");
}

TEST(SectionFileRoundTrip, CommandProjectComesBack) {
    TempDir dir;
    std::vector<std::string> commands(20);
    for (int i = 0; i < 20; i += 3) commands[static_cast<std::size_t>(i)] = "cmd " + std::to_string(i) + "<CR><LF>";
    commands[19] = "last \xE9 one";
    const SectionFile written = command_project(commands);
    ASSERT_TRUE(section_file_write(dir.file("p.zqa"), written));

    SectionFile read;
    ASSERT_TRUE(section_file_read(dir.file("p.zqa"), read));
    expect_consistent(read);
    EXPECT_EQ(read.header_count, 8);
    EXPECT_EQ(read.headers, written.headers);
    ASSERT_EQ(read.section_count, 1);
    EXPECT_EQ(read.sections[0].name, "Command");
    EXPECT_EQ(read.sections[0].value, "");
    EXPECT_EQ(read.sections[0].item_count, 20);
    EXPECT_EQ(read.sections[0].items, commands);
}

TEST(SectionFileRoundTrip, ValueKeepsTheBlankAfterTheEqualsSign) {
    TempDir dir;
    SectionFile file;
    file.sections.push_back(Section{"Name", "abc", 0, {}});
    file.section_count = 1;
    ASSERT_TRUE(section_file_write(dir.file("v.zqa"), file));
    SectionFile read;
    ASSERT_TRUE(section_file_read(dir.file("v.zqa"), read));
    ASSERT_EQ(read.section_count, 1);
    EXPECT_EQ(read.sections[0].name, "Name");
    EXPECT_EQ(read.sections[0].value, " abc");
}

struct ParseCase {
    const char* name;
    std::string text;
    std::vector<std::string> headers;
    std::vector<Section> sections;
    bool refused = false; // text after a section line's "]"
};

class SectionFileParse : public testing::TestWithParam<ParseCase> {};

TEST_P(SectionFileParse, Reads) {
    SectionFile file;
    EXPECT_EQ(section_file_parse(GetParam().text, file), !GetParam().refused);
    expect_consistent(file);
    EXPECT_EQ(file.headers, GetParam().headers);
    ASSERT_EQ(file.sections.size(), GetParam().sections.size());
    for (std::size_t s = 0; s < file.sections.size(); ++s) {
        SCOPED_TRACE("section " + std::to_string(s));
        EXPECT_EQ(file.sections[s].name, GetParam().sections[s].name);
        EXPECT_EQ(file.sections[s].value, GetParam().sections[s].value);
        EXPECT_EQ(file.sections[s].items, GetParam().sections[s].items);
    }
}

Section section(std::string name, std::string value, std::vector<std::string> items) {
    const auto count = static_cast<std::int32_t>(items.size());
    return Section{std::move(name), std::move(value), count, std::move(items)};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SectionFileParse,
    testing::Values(
        ParseCase{"Empty", "", {}, {}},
        ParseCase{"LastLineWithoutCrLfIsLost", "\\\\h1\r\n[S]\r\nitem1\r\nitem2", {"h1"}, {section("S", "", {"item1"})}},
        ParseCase{"HeaderWithoutCrLfIsLost", "\\\\h1\r\n\\\\h2", {"h1"}, {}},
        ParseCase{"DoubledBackslashInHeaderIsOne", "\\\\a\\\\b\\c\r\n", {"a\\b\\c"}, {}},
        ParseCase{"BracketsAndEqualsInHeaderKept", "\\\\[x] = y\r\n", {"[x] = y"}, {}},
        ParseCase{"EmptyLinesAreItems", "[S]\r\n\r\nb\r\n\r\n", {}, {section("S", "", {"", "b", ""})}},
        ParseCase{"ValueWithBracketAndEquals", "[S] = a[b]=c\r\n", {}, {section("S", " a[b]=c", {})}},
        ParseCase{"SecondSection", "[A]\r\n1\r\n[B] = v\r\n2\r\n3\r\n", {},
                  {section("A", "", {"1"}), section("B", " v", {"2", "3"})}},
        ParseCase{"BackslashesEndTheItems", "[S]\r\n1\r\n\\\\x\r\nignored\r\n[T]\r\n2\r\n", {},
                  {section("S", "", {"1"}), section("T", "", {"2"})}},
        ParseCase{"HeaderAfterItemsEnded", "[S]\r\n1\r\n\\\\x\r\n\\\\late\r\n", {"late"}, {section("S", "", {"1"})}},
        ParseCase{"BracketInItemStartsASection", "[S]\r\nab[T]\r\nc\r\n", {},
                  {section("S", "", {}), section("T", "", {"c"})}},
        ParseCase{"LinesBeforeAnySectionIgnored", "noise\r\n[S]\r\n1\r\n", {}, {section("S", "", {"1"})}},
        ParseCase{"BackslashesInNameEndTheSection", "[Na\\\\me]\r\nx\r\n", {}, {section("Na", "", {})}},
        ParseCase{"BackslashesInValueEndTheSection", "[S] = v\\\\w\r\nx\r\n", {}, {section("S", " v", {})}},
        ParseCase{"LoneLfEndsALineLoneCrDoesNot", "[S]\r\na\rb\nc\r\n", {}, {section("S", "", {"a\rb", "c"})}},
        ParseCase{"LfOnlyLineEnds", "\\\\h1\n[S] = v\nitem1\n\nitem2\n", {"h1"},
                  {section("S", " v", {"item1", "", "item2"})}},
        ParseCase{"BlanksAfterTheBracketIgnored", "[S] \t\r\ncmd1\r\n", {}, {section("S", "", {"cmd1"})}},
        ParseCase{"TextAfterTheBracketRefused", "[S]xyz\r\ncmd1\r\n", {}, {section("S", "", {"cmd1"})}, true},
        ParseCase{"SecondBracketRefused", "[S]]\r\n", {}, {section("S", "", {})}, true},
        ParseCase{"BackslashesAfterTheBracketRefused", "[S] \\\\\r\n", {}, {section("S", "", {})}, true},
        ParseCase{"HighBytesKept", "[S\xE9]\r\n\xE9\xFF\r\n", {}, {section("S\xE9", "", {"\xE9\xFF"})}},
        // Before any "]" there is no section for a value or items: they are dropped.
        ParseCase{"ValueWithoutSectionDropped", "[abc=def\r\nitem\r\n", {}, {}},
        ParseCase{"ItemsWithoutSectionDropped", "[abc\r\nitem\r\n[S]\r\n1\r\n", {}, {section("S", "", {"1"})}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// --- Limits ---------------------------------------------------------------------

TEST(SectionFileLimits, ReaderStopsStoringAtTheLimitsAndKeepsParsing) {
    std::string text;
    for (int h = 0; h < 300; ++h) text += "\\\\h" + std::to_string(h) + "\r\n";
    for (int s = 0; s < 35; ++s) {
        text += "[S" + std::to_string(s) + "]\r\n";
        const int items = s == 0 ? 300 : 1;
        for (int i = 0; i < items; ++i) text += std::to_string(s) + "." + std::to_string(i) + "\r\n";
    }
    const SectionFile file = parsed(text);
    expect_consistent(file);
    EXPECT_EQ(file.header_count, 256);
    EXPECT_EQ(file.headers.back(), "h255");
    EXPECT_EQ(file.section_count, 30);
    EXPECT_EQ(file.sections[0].item_count, 256);
    EXPECT_EQ(file.sections[0].items.back(), "0.255");
    // Sections after the first long one are read whole, and nothing of the sections past
    // the thirtieth lands in the last kept one.
    EXPECT_EQ(file.sections[1].items, std::vector<std::string>{"1.0"});
    EXPECT_EQ(file.sections[29].name, "S29");
    EXPECT_EQ(file.sections[29].items, std::vector<std::string>{"29.0"});
}

TEST(SectionFileLimits, ReaderKeepsTheFirst2048CharactersOfAText) {
    const std::string long_item(5000, 'x');
    const SectionFile file = parsed("\\\\" + long_item + "\r\n[S]\r\n" + long_item + "\r\nnext\r\n");
    ASSERT_EQ(file.header_count, 1);
    EXPECT_EQ(file.headers[0], std::string(2048, 'x'));
    ASSERT_EQ(file.section_count, 1);
    EXPECT_EQ(file.sections[0].items, (std::vector<std::string>{std::string(2048, 'x'), "next"}));
}

struct OverLimitCase {
    const char* name;
    void (*spoil)(SectionFile&);
    const char* named = ""; // what section_file_unwritable says
};

class SectionFileWriteRefuses : public testing::TestWithParam<OverLimitCase> {};

TEST_P(SectionFileWriteRefuses, WritesNothing) {
    TempDir dir;
    const std::string path = dir.file("p.zqa");
    ASSERT_EQ(file_write_all(std::string_view("old"), path), 3);
    SectionFile file = command_project(std::vector<std::string>(20));
    GetParam().spoil(file);
    std::string text = "stale";
    EXPECT_FALSE(section_file_text(file, text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(section_file_unwritable(file), GetParam().named);
    EXPECT_FALSE(section_file_write(path, file));
    std::vector<std::uint8_t> kept;
    EXPECT_EQ(file_read_all(kept, path), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SectionFileWriteRefuses,
    testing::Values(
        OverLimitCase{"TooManyHeaders",
                      [](SectionFile& f) {
                          f.headers.resize(257);
                          f.header_count = 257;
                      }},
        OverLimitCase{"TooManySections",
                      [](SectionFile& f) {
                          f.sections.resize(31);
                          f.section_count = 31;
                      }},
        OverLimitCase{"TooManyItems",
                      [](SectionFile& f) {
                          f.sections[0].items.resize(257);
                          f.sections[0].item_count = 257;
                      }},
        OverLimitCase{"CountPastTheHeaders", [](SectionFile& f) { f.header_count = 9; }},
        OverLimitCase{"CountPastTheItems", [](SectionFile& f) { f.sections[0].item_count = 21; }},
        OverLimitCase{"NegativeCount", [](SectionFile& f) { f.section_count = -1; }},
        OverLimitCase{"ItemTooLong", [](SectionFile& f) { f.sections[0].items[3] = std::string(2049, 'x'); }},
        // Texts the reader would not give back as they stand.
        OverLimitCase{"ItemHoldsCrLf", [](SectionFile& f) { f.sections[0].items[3] = "a\r\nb"; },
                      "section 1 item 4 holds a line break"},
        OverLimitCase{"ItemHoldsLf", [](SectionFile& f) { f.sections[0].items[0] = "a\n"; },
                      "section 1 item 1 holds a line break"},
        OverLimitCase{"ItemHoldsBracket", [](SectionFile& f) { f.sections[0].items[19] = "x[1]"; },
                      "section 1 item 20 holds \"[\""},
        OverLimitCase{"ItemHoldsBackslashes", [](SectionFile& f) { f.sections[0].items[0] = "C:\\\\x"; },
                      "section 1 item 1 holds two backslashes"},
        OverLimitCase{"NameHoldsEquals", [](SectionFile& f) { f.sections[0].name = "a=b"; },
                      "section 1 name holds \"=\""},
        OverLimitCase{"NameHoldsBracket", [](SectionFile& f) { f.sections[0].name = "a]b"; },
                      "section 1 name holds \"]\""},
        OverLimitCase{"ValueHoldsLineBreak", [](SectionFile& f) { f.sections[0].value = "v\r\n"; },
                      "section 1 value holds a line break"},
        OverLimitCase{"HeaderHoldsBackslashes", [](SectionFile& f) { f.headers[5] = "a\\\\b"; },
                      "header 6 holds two backslashes"}),
    [](const testing::TestParamInfo<OverLimitCase>& info) { return std::string(info.param.name); });

TEST(SectionFileLimits, WriterTakesEverythingAtTheLimits) {
    TempDir dir;
    SectionFile file;
    file.headers.assign(256, std::string(2048, 'h'));
    file.header_count = 256;
    for (int s = 0; s < 30; ++s)
        file.sections.push_back(section("S" + std::to_string(s), "", std::vector<std::string>(256, "i")));
    file.section_count = 30;
    ASSERT_TRUE(section_file_write(dir.file("big.zqa"), file));
    SectionFile read;
    ASSERT_TRUE(section_file_read(dir.file("big.zqa"), read));
    EXPECT_EQ(read.header_count, 256);
    EXPECT_EQ(read.headers.front(), file.headers.front());
    ASSERT_EQ(read.section_count, 30);
    EXPECT_EQ(read.sections[29].name, "S29");
    EXPECT_EQ(read.sections[29].item_count, 256);
}

TEST(SectionFileRead, MissingFileIsFalseAndLeavesTheRecord) {
    TempDir dir;
    SectionFile file = command_project({"keep"});
    EXPECT_FALSE(section_file_read(dir.file("missing.zqa"), file));
    EXPECT_EQ(file.section_count, 1);
    EXPECT_EQ(file.sections[0].items[0], "keep");
    EXPECT_FALSE(last_file_error().empty());
}

TEST(SectionFileRead, EmptyFileHasNothing) {
    TempDir dir;
    ASSERT_EQ(file_write_all(std::string_view(), dir.file("empty.zqa")), 0);
    SectionFile file = command_project({"old"});
    ASSERT_TRUE(section_file_read(dir.file("empty.zqa"), file));
    EXPECT_EQ(file.header_count, 0);
    EXPECT_EQ(file.section_count, 0);
    expect_consistent(file);
}

}  // namespace
