#include "core/serial/comport.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <bit>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/serial/port_system.h"
#include "core/serial/serial_port.h"

namespace {

// Each thread reads the status of its own calls: a reply sent on the receive
// thread never changes the text a window is about to show.
thread_local int t_status = kComportSuccess;
// What else ends a wait of this thread (the receive thread's stop and hand-over).
thread_local const PortWake* t_wake = nullptr;

constexpr std::int32_t kBaudRates[] = {9600, 19200, 38400, 57600, 115200};
constexpr const char* kParityNames[] = {"None", "Odd", "Even", "Mark", "Space"};
constexpr const char* kStopbitNames[] = {"1", "1.5", "2"};
constexpr int kDatabits[] = {4, 5, 6, 7, 8};

int record(int status) {
    t_status = status;
    return status;
}

bool purge(int which) {
    comport_port().Purge(which);
    return true;
}

} // namespace

SerialPort& comport_port() {
    static SerialPort port;
    return port;
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

bool comport_initialize(ComportSetting& setting) {
    record(kComportSuccess);
    comport_default_setting(setting);
    return comport_configure(setting);
}

bool comport_configure(const ComportSetting& setting) {
    int status = record(comport_port().Configure(setting));
    return status == kComportSuccess || status == kComportNoneSetup;
}

bool comport_configure_path(const std::string& path, const ComportSetting& setting) {
    return record(comport_port().ConfigurePath(path, setting)) == kComportSuccess;
}

bool comport_close(const ComportSetting& setting) {
    return record(comport_port().Close(setting)) == kComportSuccess;
}

void comport_get_setting(ComportSetting& setting) {
    setting = comport_port().Setting();
}

bool comport_is_open() {
    return comport_port().IsOpen();
}

int comport_status() {
    return t_status;
}

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

std::string comport_status_text() {
    return comport_status_text_of(t_status);
}

std::uint32_t comport_last_error() {
    return comport_port().LastError();
}

std::string comport_error_text(std::uint32_t error) {
    return port_error_text(static_cast<int>(error));
}

bool comport_error_in_use(std::uint32_t error) {
    return port_error_in_use(static_cast<int>(error));
}

std::string comport_open_failure_reason(std::uint32_t error) {
    const std::string text = comport_error_text(error);
    return comport_error_in_use(error) ? "in use: " + text : text;
}

bool comport_send_string(std::uint8_t* bytes, std::int32_t length) {
    return record(comport_port().Send(bytes, length)) == kComportSuccess;
}

std::int32_t comport_receive_string(std::uint8_t* buffer, std::int32_t wait) {
    return comport_port().Receive(buffer, wait);
}

void comport_wait_readable(int timeout_ms) {
    // A loop with a wake takes the port's failure after each step: it must get there
    // instead of resting on a port that will never be readable again.
    if (t_wake && comport_port().FaultPending()) return;
    comport_port().WaitReadable(timeout_ms, t_wake);
}

void comport_set_thread_wake(const PortWake* wake) {
    t_wake = wake;
}

int comport_take_receive_fault() {
    return comport_port().TakeReceiveFault();
}

bool comport_purge() {
    return purge(kPurgeInput | kPurgeOutput);
}

bool comport_clear_transfer() {
    return purge(kPurgeOutput);
}

bool comport_clear_receive() {
    return purge(kPurgeInput);
}

bool comport_stop_transfer() {
    // Writes complete inside the send call; what can still be aborted is output
    // the line has not sent yet.
    return purge(kPurgeOutput);
}

bool comport_stop_receive() {
    // Reads never wait for bytes that have not arrived, so no read is ever pending.
    return true;
}

bool comport_abort_all() {
    return purge(kPurgeOutput);
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
    if (!folder.empty() && lstat(link.c_str(), &st) == 0) return link;
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

namespace {
int ones_in_low7(std::uint8_t b) {
    return std::popcount(static_cast<unsigned>(b & 0x7F));
}
} // namespace

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
