// What the detect window knows about devices: one record per device, the state it
// works on, and how a record is shown in the grid and the labels.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/protocol/qlp_types.h"
#include "core/serial/port_values.h"

struct DetectedDevice {
    std::int32_t found = 0;        // 1 when the device answered every detection read
    std::int32_t detect = 0;       // 1 when marked for the CAN-bus scan
    std::int32_t id = 0;
    std::int32_t masterId = 0;
    std::int32_t baudIndex = 0;    // 0 9600 .. 4 115200; -1 unknown
    std::int32_t canRateIndex = 0; // index of the CAN rate table; -1 unknown
    std::int32_t deviceNumber = 0; // read with function 0xE4

    bool operator==(const DetectedDevice&) const = default;
};

// The grid has a row for every ID a device can have; the record past them is the
// device found on the port by the "any device" ID.
inline constexpr int kDetectGridIds = kQlpLastDeviceId + 1;
inline constexpr int kDetectDeviceRecords = kDetectGridIds + 1;

struct DetectState {
    ComportSetting comport_setting; // the window's copy; port 0 while none is configured
    DetectedDevice comportDevice;   // the device found directly on the port
    std::array<DetectedDevice, kDetectDeviceRecords> canDevices{}; // index = ID
    DetectedDevice selected;        // what the setting group works on
    DetectedDevice setting;         // the values the user asks to write
    DetectedDevice probe;           // scratch record of one detection
};

// Every record cleared, each CAN record keeping its own ID.
void detectResetState(DetectState& state);
// A cleared record with an ID (and mark).
DetectedDevice detectClearedDevice(std::int32_t id, std::int32_t detect = 0);

// The serial rate of a baud index as text ("38400"); empty when unknown.
std::string detectBaudText(std::int32_t baud_index);

// The grid: the header texts, and the six cells of the row of a record.
inline constexpr int kDetectGridColumns = 6;
inline constexpr int kDetectMarkColumn = 1;
using DetectGridRow = std::array<std::string, kDetectGridColumns>;
const DetectGridRow& detectGridHeader();
DetectGridRow detectGridRow(const DetectedDevice& device);

// The four texts of a "Selected ..." label group: ID, baud, CAN rate, master ID;
// all empty when the device was not found.
std::array<std::string, 4> detectDeviceLabels(const DetectedDevice& device);
