#include "core/detect/detected_device.h"

#include "core/protocol/canbus_def.h"

void detectResetState(DetectState& state) {
    const ComportSetting port = state.comport_setting;
    state = DetectState{};
    state.comport_setting = port;
    for (int i = 0; i < kDetectDeviceRecords; ++i) state.canDevices[static_cast<std::size_t>(i)].id = i;
}

DetectedDevice detectClearedDevice(std::int32_t id, std::int32_t detect) {
    DetectedDevice device;
    device.id = id;
    device.detect = detect;
    return device;
}

std::string detectBaudText(std::int32_t baud_index) {
    const std::int32_t rate = comport_baudrate_of_index(baud_index);
    return rate == 0 ? std::string() : std::to_string(rate);
}

const DetectGridRow& detectGridHeader() {
    static const DetectGridRow header{"    ID", " Detect", " Comport Baudrate", " CAN Bus Baudrate", " Master ID",
                                      "  Type"};
    return header;
}

DetectGridRow detectGridRow(const DetectedDevice& device) {
    DetectGridRow row;
    row[0] = "  " + std::to_string(device.id);
    row[kDetectMarkColumn] = device.detect == 1 ? "    V" : "";
    if (device.found == 1) {
        row[2] = "    " + detectBaudText(device.baudIndex);
        row[3] = "    " + canRateName(device.canRateIndex);
        row[4] = "   " + std::to_string(device.masterId);
        row[5] = "   " + std::to_string(device.deviceNumber);
    }
    return row;
}

std::array<std::string, 4> detectDeviceLabels(const DetectedDevice& device) {
    if (device.found != 1) return {};
    return {std::to_string(device.id), detectBaudText(device.baudIndex), canRateName(device.canRateIndex),
            std::to_string(device.masterId)};
}
