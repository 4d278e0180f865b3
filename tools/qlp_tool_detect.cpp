#include "tools/qlp_tool_detect.h"

#include <vector>

#include "core/detect/detect_engine.h"
#include "core/protocol/canbus_def.h"
#include "core/protocol/qlp_types.h"

namespace {

std::string orUnknown(const std::string& text) { return text.empty() ? "?" : text; }

} // namespace

bool qlpToolIsDetect(QlpToolCommand command) {
    return command == QlpToolCommand::kDetect || command == QlpToolCommand::kScan || command == QlpToolCommand::kSet;
}

std::string qlpToolDeviceText(const DetectedDevice& device) {
    return std::to_string(device.id) + " " + orUnknown(detectBaudText(device.baudIndex)) + " " +
           orUnknown(canRateName(device.canRateIndex)) + " " + std::to_string(device.masterId) + " " +
           std::to_string(device.deviceNumber);
}

int qlpToolDetect(Port& port, const QlpToolOptions& options, std::ostream& out) {
    DetectEvents events;
    events.line = [&out](const std::string& line) { out << line << std::endl; };
    DetectEngine engine(port, std::move(events));
    engine.SetPort(options.line, options.path);
    engine.SetAutoBaudrate(options.auto_baud);

    switch (options.command) {
    case QlpToolCommand::kDetect: {
        engine.UartAutoDetect();
        const DetectedDevice device = engine.ComportDevice();
        if (device.found != 1) return kExchangeTimeout;
        out << qlpToolDeviceText(device) << std::endl;
        return kExchangeSuccess;
    }
    case QlpToolCommand::kScan: {
        engine.SetDetectRange(options.args[0], options.args[1], true);
        engine.CanbusAutoDetect();
        std::vector<DetectedDevice> found;
        for (int id = options.args[0]; id <= options.args[1]; ++id)
            if (const DetectedDevice device = engine.CanDevice(id); device.found == 1) found.push_back(device);
        for (const DetectedDevice& device : found) out << qlpToolDeviceText(device) << '\n';
        out.flush();
        return found.empty() ? kExchangeTimeout : kExchangeSuccess;
    }
    case QlpToolCommand::kSet: {
        engine.DetectSettingDevice(options.args[0]);
        DetectedDevice setting = engine.Selected();
        if (setting.found != 1) return kExchangeTimeout;
        if (options.new_id >= 0) setting.id = options.new_id;
        if (options.new_baud != 0) setting.baudIndex = comport_baudrate_index(options.new_baud);
        if (options.new_can >= 0) setting.canRateIndex = options.new_can;
        if (options.new_master >= 0) setting.masterId = options.new_master;
        if (!engine.SaveSetting(setting)) return kQlpToolSetFault;
        out << qlpToolDeviceText(engine.Selected()) << std::endl;
        return kExchangeSuccess;
    }
    default: return kQlpToolUsage;
    }
}
