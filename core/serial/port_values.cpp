#include "core/serial/port_values.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <bit>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "core/serial/net/net_address.h"

namespace {

constexpr std::int32_t kBaudRates[] = {9600, 19200, 38400, 57600, 115200};
constexpr const char* kParityNames[] = {"None", "Odd", "Even", "Mark", "Space"};
constexpr const char* kStopbitNames[] = {"1", "1.5", "2"};
constexpr int kDatabits[] = {4, 5, 6, 7, 8};

int ones_in_low7(std::uint8_t b) {
    return std::popcount(static_cast<unsigned>(b & 0x7F));
}

#if !defined(_WIN32)
// The network address a ports-folder file holds on its first line, or "". Only the
// start of the file is read: the file is the user's, not a stream to follow.
constexpr std::size_t kAddressLineMax = 300;

std::string address_in_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(kAddressLineMax, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    text = text.substr(0, text.find_first_of("\r\n"));
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    text = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    return net_address_named(text) ? text : std::string();
}
#endif

} // namespace

std::string comport_status_text_of(int status) {
    switch (status) {
    case kComportSuccess: return "";
    case kComportFunctionDisable: return "Function Disable!";
    case kComportInvalidHandle: return "Invalid Handle Value!";
    case kComportGetError: return "Get Com Error!";
    case kComportSetError: return "Set Com Error!";
    case kComportNoneSetup: return "None Com Setup.";
    case kComportSendError: return "Send String Error!";
    case kComportSendEmpty: return "Send Empty String";
    case kComportReceiveError: return "Receive String Error!";
    case kComportReceiveEmpty: return "Receive Empty String";
    case kComportTimeOut: return "Time Out!";
    case kComportExceedBuffer: return "Exceed MAX Buffer Size!";
    case kComportLineChange: return "'\n' Line Change Make.";
    default: return "";
    }
}

void comport_default_setting(ComportSetting& s) {
    s.port = 0;
    s.baudrate = 115200;
    s.parity = 0;
    s.stopbits = 0;
    s.databits = 8;
}

void comport_copy_setting(ComportSetting& dst, const ComportSetting& src) {
    dst = src;
}

void delayTicks(std::uint32_t n) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(n);
    // One sleep to the deadline; the loop only guards against an early wake.
    for (auto now = Clock::now(); now <= end; now = Clock::now()) std::this_thread::sleep_for(end - now);
}

std::string comport_ports_folder() {
    // A relative XDG_CONFIG_HOME is ignored, as the XDG rules say; without an absolute
    // home there is no folder rather than one in the working folder.
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.config";
    } else {
        return {};
    }
    return base + "/benchlink/ports";
}

std::string comport_device_path(int port) {
#if defined(_WIN32)
    // COMn is the system's own COM n; the device namespace reaches COM10 and above too.
    return "\\\\.\\COM" + std::to_string(port);
#else
    const std::string folder = comport_ports_folder();
    std::string link = folder + "/com" + std::to_string(port);
    struct stat st {};
    if (!folder.empty() && lstat(link.c_str(), &st) == 0) {
        // A plain file instead of a link may name a port on another machine.
        if (S_ISREG(st.st_mode)) {
            if (std::string address = address_in_file(link); !address.empty()) return address;
        }
        return link;
    }
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

bool comport_device_present(int port) {
    if (port <= 0) return false;
#if defined(_WIN32)
    // A COM port is a DOS device name, which no file test sees.
    char target[512];
    const std::string name = "COM" + std::to_string(port);
    return QueryDosDeviceA(name.c_str(), target, sizeof target) != 0;
#else
    struct stat st {};
    return stat(comport_device_path(port).c_str(), &st) == 0;
#endif
}

std::string comport_port_name(int port) {
    return port == 0 ? "None" : "COM" + std::to_string(port);
}

std::string comport_baudrate_name(int index) {
    return std::to_string(comport_baudrate_of_index(index));
}

std::string comport_parity_name(int parity) {
    return parity >= 0 && parity < 5 ? kParityNames[parity] : "";
}

std::string comport_stopbit_name(int stopbits) {
    return stopbits >= 0 && stopbits < 3 ? kStopbitNames[stopbits] : "";
}

std::string comport_databit_name(int index) {
    return std::to_string(comport_databits_of_index(index));
}

int comport_port_names(std::vector<std::string>& names) {
    names.clear();
    for (int i = 0; i <= 15; ++i) names.push_back(comport_port_name(i));
    return 16;
}

int comport_baudrate_names(std::vector<std::string>& names) {
    names.clear();
    for (int i = 0; i < 5; ++i) names.push_back(comport_baudrate_name(i));
    return 5;
}

int comport_parity_names(std::vector<std::string>& names) {
    names.assign(std::begin(kParityNames), std::end(kParityNames));
    return 5;
}

int comport_stopbit_names(std::vector<std::string>& names) {
    names.assign(std::begin(kStopbitNames), std::end(kStopbitNames));
    return 3;
}

int comport_databit_names(std::vector<std::string>& names) {
    names.clear();
    for (int i = 0; i < 5; ++i) names.push_back(comport_databit_name(i));
    return 5;
}

int comport_baudrate_index(std::int32_t baudrate) {
    for (int i = 0; i < 5; ++i)
        if (kBaudRates[i] == baudrate) return i;
    return -1;
}

std::int32_t comport_baudrate_of_index(int index) {
    return index >= 0 && index < 5 ? kBaudRates[index] : 0;
}

int comport_databit_index(int databits) {
    for (int i = 0; i < 5; ++i)
        if (kDatabits[i] == databits) return i;
    return -1;
}

int comport_databits_of_index(int index) {
    return index >= 0 && index < 5 ? kDatabits[index] : 0;
}

std::int32_t comport_baudrate_of_code(int code) {
    for (std::int32_t rate : kBaudRates)
        if (rate / 100 == code) return rate;
    return 0;
}

std::int32_t comport_programmed_rate(std::int32_t baudrate, std::int32_t fixrate) {
    return baudrate * (fixrate + 100) / 100;
}

bool comport_seven_bit_parity(const ComportSetting& s) {
    return s.databits == 7 && (s.parity == 1 || s.parity == 2);
}

void paritycheck_7bits_for_send(const ComportSetting& s, std::uint8_t* bytes, std::int32_t length) {
    if (s.databits == 7 && s.parity == 1) paritycheck_7bits_odd(bytes, length);
    if (s.databits == 7 && s.parity == 2) paritycheck_7bits_even(bytes, length);
}

void paritycheck_7bits_even(std::uint8_t* bytes, std::int32_t length) {
    for (std::int32_t i = 0; i < length; ++i)
        if (ones_in_low7(bytes[i]) % 2 == 1) bytes[i] |= 0x80;
}

void paritycheck_7bits_odd(std::uint8_t* bytes, std::int32_t length) {
    for (std::int32_t i = 0; i < length; ++i)
        if (ones_in_low7(bytes[i]) % 2 == 0) bytes[i] |= 0x80;
}

void paritycheck_7bits_strip(std::uint8_t* bytes, std::int32_t length) {
    for (std::int32_t i = 0; i < length; ++i) bytes[i] &= 0x7F;
}
