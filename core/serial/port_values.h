// What a serial port is described by, whatever implements it: the setting record, the
// driver's status codes and their texts, the names and tables of the selectable values,
// the 7-bit parity rule and where COM port n is found. Every port implementation, the
// comport_* functions and the windows use these; nothing here touches a port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ComportSetting {
    std::int32_t port = 0;          // 0 none, 1..15 COM1..COM15
    std::int32_t baudrate = 115200; // nominal rate
    std::uint8_t parity = 0;        // 0 None, 1 Odd, 2 Even, 3 Mark, 4 Space
    std::uint8_t stopbits = 0;      // 0 one, 1 one and a half, 2 two
    std::uint8_t databits = 8;      // 4..8
    std::int32_t fixrate = 0;       // correction in percent, -30..30

    bool operator==(const ComportSetting&) const = default;
};

// The driver's status codes. Their numbers are part of the driver's description and
// comport_status() hands them out as plain numbers, so they stay numbered constants.
enum ComportStatus : int {
    kComportSuccess = 0,
    kComportFunctionDisable = 1,
    kComportInvalidHandle = 2,
    kComportGetError = 3,
    kComportSetError = 4,
    kComportNoneSetup = 5,
    kComportSendError = 6,
    kComportSendEmpty = 7,
    kComportReceiveError = 8,
    kComportReceiveEmpty = 9,
    kComportTimeOut = 10,
    kComportExceedBuffer = 11,
    kComportLineChange = 12,
};

// The fixed text of a status; "" for success (and for a number that is none).
std::string comport_status_text_of(int status);

// The queues a purge empties.
enum class PortQueue { kInput, kOutput, kBoth };

// The largest chunk one receive call returns.
inline constexpr std::int32_t kComportReceiveMax = 2048;

// Defaults of the first five fields; fixrate keeps its value.
void comport_default_setting(ComportSetting& setting);
void comport_copy_setting(ComportSetting& dst, const ComportSetting& src);

// Sleeps at least n ms on the steady clock; never returns early.
void delayTicks(std::uint32_t n);

// Where COM port n is looked for: on Linux comN in the ports folder if it exists, else
// /dev/ttyS<n-1>; on Windows the system's COMn (\\.\COMn).
std::string comport_ports_folder();
std::string comport_device_path(int port);
// Whether the device COM port n opens is there (a link to nothing is not).
bool comport_device_present(int port);

// Names and conversions of the selectable values.
std::string comport_port_name(int port);
std::string comport_baudrate_name(int index);
std::string comport_parity_name(int parity);
std::string comport_stopbit_name(int stopbits);
std::string comport_databit_name(int index);
int comport_port_names(std::vector<std::string>& names);
int comport_baudrate_names(std::vector<std::string>& names);
int comport_parity_names(std::vector<std::string>& names);
int comport_stopbit_names(std::vector<std::string>& names);
int comport_databit_names(std::vector<std::string>& names);
int comport_baudrate_index(std::int32_t baudrate);
std::int32_t comport_baudrate_of_index(int index);
int comport_databit_index(int databits);
int comport_databits_of_index(int index);
std::int32_t comport_baudrate_of_code(int code);
// Nominal rate scaled by the fix rate, as programmed: rate * (fix + 100) / 100.
std::int32_t comport_programmed_rate(std::int32_t baudrate, std::int32_t fixrate);

// The 7-bit parity rule: with 7 data bits and Odd or Even parity a port makes the
// parity bit itself in bit 7 of what it sends, and strips bit 7 of what it receives.
bool comport_seven_bit_parity(const ComportSetting& setting);
// What a send does to the caller's bytes under the setting: the rule's parity bit, or nothing.
void paritycheck_7bits_for_send(const ComportSetting& setting, std::uint8_t* bytes, std::int32_t length);
void paritycheck_7bits_even(std::uint8_t* bytes, std::int32_t length);
void paritycheck_7bits_odd(std::uint8_t* bytes, std::int32_t length);
void paritycheck_7bits_strip(std::uint8_t* bytes, std::int32_t length);
