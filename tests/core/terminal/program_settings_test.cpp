// benchlink.conf's record and the status line's texts.
#include <gtest/gtest.h>

#include "core/files/file_io.h"
#include "core/terminal/port_status_text.h"
#include "core/terminal/program_settings.h"
#include "support/temp_dir.h"

namespace {

ProgramSettings changed() {
    ProgramSettings s;
    s.port.port = 3;
    s.port.baudrate = 38400;
    s.port.parity = 2;
    s.port.stopbits = 2;
    s.port.databits = 7;
    s.port.fixrate = -5;
    s.reconnect = false;
    s.receive_mode = 2;
    s.qlp_filter = true;
    s.line_control_mode = 4;
    s.line_control_other = "0D 0A";
    s.change_line_wait = 350;
    s.change_line_enabled = true;
    s.project_file = "/home/bench/projects/pump test.zqa";
    s.message_folder = "/home/bench/logs/";
    s.file_folder = "/home/bench/trends/";
    s.geometry = "01d9d0cb0003";
    return s;
}

TEST(ProgramSettings, WhatIsWrittenReadsBackTheSame) {
    TempDir dir;
    const std::string path = dir.path() + "/new/benchlink.conf";
    ASSERT_TRUE(write_program_settings(path, changed()));
    ProgramSettings read;
    std::string reason;
    EXPECT_EQ(read_program_settings(path, read, reason), SettingsRead::kLoaded) << reason;
    EXPECT_EQ(read, changed());
}

TEST(ProgramSettings, NoFileIsTheDefaultsWithoutComplaint) {
    TempDir dir;
    ProgramSettings read = changed();
    std::string reason;
    EXPECT_EQ(read_program_settings(dir.file("benchlink.conf"), read, reason), SettingsRead::kMissing);
    EXPECT_EQ(read, ProgramSettings{});
    EXPECT_TRUE(reason.empty());
}

struct DamagedCase {
    const char* name;
    const char* text;
};

class DamagedSettings : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedSettings, GiveTheDefaultsAndSayWhichLine) {
    ProgramSettings read = changed();
    std::string reason;
    EXPECT_FALSE(parse_program_settings(GetParam().text, read, reason));
    EXPECT_EQ(read, ProgramSettings{});
    EXPECT_EQ(reason, "line 2 is damaged");
}

INSTANTIATE_TEST_SUITE_P(Rows, DamagedSettings,
                         ::testing::Values(DamagedCase{"NoEquals", "port=3\nbaudrate\n"},
                                           DamagedCase{"UnknownKey", "port=3\nspeed=9600\n"},
                                           DamagedCase{"NotANumber", "port=3\nbaudrate=fast\n"},
                                           DamagedCase{"PortOutOfRange", "baudrate=9600\nport=16\n"},
                                           DamagedCase{"FixOutOfRange", "port=1\nfixrate=31\n"},
                                           DamagedCase{"Binary", "port=1\n\x01\x02\xff\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramSettings, AKeyLeftOutKeepsItsDefault) {
    ProgramSettings read;
    std::string reason;
    ASSERT_TRUE(parse_program_settings("# kept by benchlink\r\nport=5\r\n\r\n", read, reason));
    ProgramSettings expected;
    expected.port.port = 5;
    EXPECT_EQ(read, expected);
}

struct LineCase {
    std::int32_t baudrate;
    int fixrate;
    int databits;
    int parity;
    int stopbits;
    const char* text;
};

TEST(PortStatusText, TheLineInShortForm) {
    const LineCase rows[] = {
        {115200, 0, 8, 0, 0, "115200 8N1"}, {9600, 0, 7, 1, 2, "9600 7O2"},  {115200, 3, 8, 2, 0, "118656 8E1"},
        {19200, 0, 5, 3, 1, "19200 5M1.5"}, {38400, 0, 6, 4, 0, "38400 6S1"},
    };
    for (const LineCase& row : rows) {
        ComportSetting s;
        s.port = 1;
        s.baudrate = row.baudrate;
        s.fixrate = row.fixrate;
        s.databits = static_cast<std::uint8_t>(row.databits);
        s.parity = static_cast<std::uint8_t>(row.parity);
        s.stopbits = static_cast<std::uint8_t>(row.stopbits);
        EXPECT_EQ(port_status_line(s, "/dev/ttyUSB0"), row.text);
        EXPECT_EQ(port_status_line(s, "rfc2217://lab:2217"), row.text);
        EXPECT_EQ(port_status_line(s, ""), "");
        EXPECT_EQ(port_status_line(s, "tcp://lab:4000"), "settings are the server's");
    }
}

} // namespace
