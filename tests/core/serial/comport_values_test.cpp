// The driver's names, conversions and values, on every platform.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "core/serial/comport.h"

namespace {

TEST(ComportNames, ListsAndConversions) {
    std::vector<std::string> names;
    EXPECT_EQ(comport_port_names(names), 16);
    EXPECT_EQ(names.front(), "None");
    EXPECT_EQ(names.back(), "COM15");
    EXPECT_EQ(comport_baudrate_names(names), 5);
    EXPECT_EQ(names, (std::vector<std::string>{"9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(comport_stopbit_names(names), 3);
    EXPECT_EQ(names[1], "1.5");
    EXPECT_EQ(comport_databit_names(names), 5);
    EXPECT_EQ(names.front(), "4");

    struct Case {
        int index;
        std::int32_t rate;
    } rates[] = {{0, 9600}, {4, 115200}, {5, 0}, {-1, 0}};
    for (const Case& c : rates) EXPECT_EQ(comport_baudrate_of_index(c.index), c.rate) << c.index;
    EXPECT_EQ(comport_baudrate_index(57600), 3);
    EXPECT_EQ(comport_baudrate_index(4800), -1);
    EXPECT_EQ(comport_databit_index(8), 4);
    EXPECT_EQ(comport_databit_index(9), -1);
    EXPECT_EQ(comport_databits_of_index(7), 0);
    EXPECT_EQ(comport_baudrate_of_code(1152), 115200);
    EXPECT_EQ(comport_baudrate_of_code(100), 0);
    EXPECT_EQ(comport_parity_name(4), "Space");
    EXPECT_EQ(comport_parity_name(5), "");
    EXPECT_EQ(comport_stopbit_name(3), "");
    EXPECT_EQ(comport_baudrate_name(7), "0");
}

TEST(ComportDefaults, DefaultSettingKeepsTheFixRate) {
    ComportSetting s;
    s.port = 4;
    s.baudrate = 9600;
    s.databits = 5;
    s.fixrate = 7;
    comport_default_setting(s);
    EXPECT_EQ(s, (ComportSetting{0, 115200, 0, 0, 8, 7}));
}

TEST(DelayTicks, NeverReturnsEarly) {
    for (std::uint32_t ms : {0u, 1u, 5u, 20u}) {
        auto start = std::chrono::steady_clock::now();
        delayTicks(ms);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(ms)) << ms;
    }
}

#if defined(_WIN32)
TEST(ComportPaths, ComNIsTheSystemsComPort) {
    EXPECT_EQ(comport_device_path(1), "\\\\.\\COM1");
    EXPECT_EQ(comport_device_path(12), "\\\\.\\COM12");
}
#endif

// A receive fault or failed open shows the system's own text, as one clause, and says
// "in use" only for a port another program holds.
TEST(ComportErrors, SystemTextOfAnErrorNumber) {
#if defined(_WIN32)
    const std::uint32_t missing = ERROR_FILE_NOT_FOUND;
    const std::uint32_t held = ERROR_ACCESS_DENIED;
#else
    const std::uint32_t missing = ENOENT;
    const std::uint32_t held = EBUSY;
    EXPECT_EQ(comport_error_text(missing), "No such file or directory");
#endif
    const std::string text = comport_error_text(missing);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), '.') << text;
    EXPECT_NE(text, comport_error_text(0));
    EXPECT_TRUE(comport_error_in_use(held));
    EXPECT_FALSE(comport_error_in_use(missing));
}

} // namespace
