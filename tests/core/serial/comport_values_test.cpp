// The driver's names, conversions and values, on every platform.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <set>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "core/serial/comport.h"
#include "core/serial/port_values.h"

namespace {

// Each list the settings dialog shows, with what turns a position into its value's name.
struct ValueList {
    const char* name;
    int (*names)(std::vector<std::string>&);
    std::string (*name_of)(int index);
};

TEST(ComportNames, EveryListNamesItsPositionsAndNothingBeyond) {
    const ValueList lists[] = {
        {"ports", comport_port_names, comport_port_name},
        {"baud rates", comport_baudrate_names, comport_baudrate_name},
        {"parity", comport_parity_names, comport_parity_name},
        {"stop bits", comport_stopbit_names, comport_stopbit_name},
        {"data bits", comport_databit_names, comport_databit_name},
    };
    for (const ValueList& list : lists) {
        SCOPED_TRACE(list.name);
        std::vector<std::string> names{"stale"};
        const int count = list.names(names);
        ASSERT_EQ(static_cast<int>(names.size()), count);
        ASSERT_GT(count, 1);
        for (int i = 0; i < count; ++i) EXPECT_EQ(names[static_cast<std::size_t>(i)], list.name_of(i)) << i;
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size()) << "names repeat";
    }
    // Past either end: no name for parity and stop bits, the value 0 for the tables.
    EXPECT_EQ(comport_parity_name(5), "");
    EXPECT_EQ(comport_parity_name(-1), "");
    EXPECT_EQ(comport_stopbit_name(3), "");
    EXPECT_EQ(comport_baudrate_name(5), "0");
    EXPECT_EQ(comport_databit_name(-1), "0");
    // Port 0 is no port; any other number is a COM port, listed or not, and the list
    // ends at COM15.
    std::vector<std::string> ports;
    comport_port_names(ports);
    EXPECT_EQ(ports.back(), "COM15");
    EXPECT_EQ(comport_port_name(0), "None");
    EXPECT_EQ(comport_port_name(16), "COM16");
}

TEST(ComportNames, RatesAndDataBitsRoundTripThroughTheirPositions) {
    std::vector<std::string> names;
    const int rates = comport_baudrate_names(names);
    for (int i = 0; i < rates; ++i) {
        const std::int32_t rate = comport_baudrate_of_index(i);
        EXPECT_EQ(comport_baudrate_index(rate), i) << rate;
        EXPECT_EQ(names[static_cast<std::size_t>(i)], std::to_string(rate));
        // The devices name a rate in hundreds of baud.
        EXPECT_EQ(comport_baudrate_of_code(rate / 100), rate);
        if (i > 0) {
            EXPECT_GT(rate, comport_baudrate_of_index(i - 1)) << "rates rise along the list";
        }
    }
    EXPECT_GE(comport_baudrate_index(ComportSetting{}.baudrate), 0) << "the default rate is a listed one";
    EXPECT_EQ(comport_baudrate_of_index(-1), 0);
    EXPECT_EQ(comport_baudrate_of_index(rates), 0);
    EXPECT_EQ(comport_baudrate_index(4800), -1);
    EXPECT_EQ(comport_baudrate_of_code(100), 0);

    const int sizes = comport_databit_names(names);
    for (int i = 0; i < sizes; ++i) {
        const int databits = comport_databits_of_index(i);
        EXPECT_EQ(comport_databit_index(databits), i) << databits;
        if (i > 0) {
            EXPECT_EQ(databits, comport_databits_of_index(i - 1) + 1) << "no size is left out";
        }
    }
    EXPECT_EQ(comport_databit_index(ComportSetting{}.databits), sizes - 1) << "the default is the widest";
    EXPECT_EQ(comport_databits_of_index(sizes), 0);
    EXPECT_EQ(comport_databit_index(9), -1);
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
