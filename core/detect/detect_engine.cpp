#include "core/detect/detect_engine.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "core/protocol/canbus_def.h"
#include "core/serial/port.h"

namespace {

constexpr std::uint8_t kSystemCommand = 0xE1;
constexpr std::uint8_t kReadSetting = 0xE2;
constexpr std::uint8_t kWriteSetting = 0xE3;
constexpr std::uint8_t kReadCount = 0xE4;
constexpr std::uint8_t kSettingMaster = 0x10;
constexpr std::uint8_t kSettingId = 0x11;
constexpr std::uint8_t kSettingBaud = 0x12;
constexpr std::uint8_t kSettingCan = 0x13;
constexpr std::uint8_t kDeviceNumber = 0x10;
constexpr std::uint8_t kSave = 0x13;
constexpr std::uint8_t kReset = 0x14;
constexpr int kBaudRateCount = 5;
// The setting commands carry rates in hundreds of baud.
constexpr std::int32_t kBaudUnit = 100;

// Every setting command carries one value on channel 0.
QlpCommand settingRequest(std::int32_t id, std::uint8_t function, std::uint8_t command, std::int32_t value) {
    QlpCommand request{.valueCount = 1,
                       .id = static_cast<std::uint32_t>(id),
                       .function = function,
                       .command = command,
                       .channel = 0,
                       .values = {value}};
    return request;
}

bool gridId(int id) { return id >= 0 && id < kDetectGridIds; }

std::string str(std::int32_t number) { return std::to_string(number); }

} // namespace

DetectEngine::DetectEngine(Port& port, DetectEvents events, DetectTiming timing)
    : port_(port), events_(std::move(events)), timing_(timing), link_(port) {
    link_.reply_budget_ms = timing_.reply_budget_ms;
    link_.stop = &stop_;
    detectResetState(state_);
}

void DetectEngine::SetPort(const ComportSetting& setting, const std::string& path) {
    std::lock_guard lock(mutex_);
    state_.comport_setting = setting;
    path_ = path;
}

ComportSetting DetectEngine::port() const {
    std::lock_guard lock(mutex_);
    return state_.comport_setting;
}

bool DetectEngine::PortConfigured() const {
    std::lock_guard lock(mutex_);
    return state_.comport_setting.port != 0 || !path_.empty();
}

std::string DetectEngine::PortName() const {
    std::lock_guard lock(mutex_);
    return path_.empty() ? comport_port_name(state_.comport_setting.port) : path_;
}

void DetectEngine::AddLine(const std::string& text) const {
    if (events_.line) events_.line(text);
}

void DetectEngine::Row(int id) const {
    if (events_.row) events_.row(id);
}

void DetectEngine::Reset() {
    {
        std::lock_guard lock(mutex_);
        detectResetState(state_);
    }
    Row(kDetectAllRows);
}

void DetectEngine::ToggleDetect(int id) {
    if (!gridId(id)) return;
    {
        std::lock_guard lock(mutex_);
        DetectedDevice& device = state_.canDevices[static_cast<std::size_t>(id)];
        device.detect = device.detect == 1 ? 0 : 1;
    }
    Row(id);
}

void DetectEngine::SetDetectRange(int from, int to, bool detect) {
    from = std::max(from, 0);
    to = std::min(to, kDetectGridIds - 1);
    {
        std::lock_guard lock(mutex_);
        for (int id = from; id <= to; ++id) state_.canDevices[static_cast<std::size_t>(id)].detect = detect ? 1 : 0;
    }
    Row(kDetectAllRows);
}

int DetectEngine::MarkedCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(state_.canDevices.begin(), state_.canDevices.begin() + kDetectGridIds,
                                          [](const DetectedDevice& d) { return d.detect == 1; }));
}

void DetectEngine::Select(int id) {
    if (!gridId(id)) return;
    std::lock_guard lock(mutex_);
    state_.selected = state_.canDevices[static_cast<std::size_t>(id)];
}

DetectedDevice DetectEngine::CanDevice(int id) const {
    std::lock_guard lock(mutex_);
    return id >= 0 && id < kDetectDeviceRecords ? state_.canDevices[static_cast<std::size_t>(id)] : DetectedDevice{};
}

DetectedDevice DetectEngine::Selected() const {
    std::lock_guard lock(mutex_);
    return state_.selected;
}

DetectedDevice DetectEngine::ComportDevice() const {
    std::lock_guard lock(mutex_);
    return state_.comportDevice;
}

DetectState DetectEngine::Snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

bool DetectEngine::Reopen(const ComportSetting& setting, ComportStatus* status) {
    std::string path;
    {
        std::lock_guard lock(mutex_);
        path = path_;
    }
    const ComportStatus answer = path.empty() ? port_.Open(setting) : port_.OpenPath(path, setting);
    if (status) *status = answer;
    return answer == kComportSuccess || (path.empty() && answer == kComportNoneSetup);
}

void DetectEngine::SetPortSetting(const ComportSetting& setting) {
    std::lock_guard lock(mutex_);
    state_.comport_setting = setting;
}

bool DetectEngine::ConfigureComport(const ComportSetting& setting) {
    SetPort(setting, {});
    const bool opened = Reopen(setting);
    Reset();
    AddLine(comport_port_name(setting.port) + (opened ? " Configure Success" : " Configure Fault!"));
    return opened;
}

void DetectEngine::Rest(int ms) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stop_.load() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(kDetectStopCheckMs));
}

void DetectEngine::FinishWork() const {
    if (stop_.load()) AddLine(kDetectStoppedLine);
}

void DetectEngine::AdoptId(DetectedDevice& device, const QlpCommand& reply) const {
    const auto answered = static_cast<std::int32_t>(reply.id);
    if (qlpAnyId(device.id)) {
        device.id = answered;
        device.found = 1;
    } else {
        device.found = answered == device.id ? 1 : 0;
    }
}

void DetectEngine::ScanBaudrates(DetectedDevice& device) {
    const ComportSetting before = port();
    for (int index = 0; index < kBaudRateCount && !stop_.load(); ++index) {
        ComportSetting setting = port();
        setting.baudrate = comport_baudrate_of_index(index);
        const bool opened = Reopen(setting);
        SetPortSetting(setting);
        const std::string rate = str(comport_programmed_rate(setting.baudrate, setting.fixrate));
        if (!opened) {
            AddLine("Scan Comport Buadrate " + rate + " Fault!");
            continue;
        }
        AddLine("Scan Comport Buadrate " + rate + "...........");
        QlpCommand request = settingRequest(device.id, kReadSetting, kSettingId, 0);
        std::string message;
        if (checkedRead(link_, request, message)) {
            AdoptId(device, request);
            if (device.found == 1) return;
        }
    }
    // Nothing answered: back to the rate the line had, which the devices that
    // were heard before still use.
    if (port() != before && Reopen(before)) SetPortSetting(before);
}

bool DetectEngine::ReadSettings(DetectedDevice& device) {
    struct SettingRead {
        std::uint8_t function;
        std::uint8_t command;
        const char* failure;
        std::int32_t DetectedDevice::*field;
        std::int32_t failed_value;
        std::int32_t (*from_reply)(std::int32_t value);
    };
    static constexpr SettingRead kReads[] = {
        {kReadSetting, kSettingBaud, "Detect Comport Buadrate ", &DetectedDevice::baudIndex, -1,
         [](std::int32_t v) { return static_cast<std::int32_t>(comport_baudrate_index(v * kBaudUnit)); }},
        {kReadSetting, kSettingCan, "Detect CAN Bus Buadrate ", &DetectedDevice::canRateIndex, -1,
         [](std::int32_t v) { return static_cast<std::int32_t>(canRateIndex(v)); }},
        {kReadSetting, kSettingMaster, "Detect Master ID ", &DetectedDevice::masterId, 0,
         [](std::int32_t v) { return v; }},
        {kReadCount, kDeviceNumber, "Detect Device Number ", &DetectedDevice::deviceNumber, 0,
         [](std::int32_t v) { return v; }},
    };
    for (const SettingRead& read : kReads) {
        QlpCommand request = settingRequest(device.id, read.function, read.command, 0);
        std::string message;
        if (!checkedRead(link_, request, message)) {
            device.*read.field = read.failed_value;
            if (!stop_.load()) AddLine(read.failure + message);
            return false;
        }
        device.*read.field = read.from_reply(request.values[0]);
    }
    return true;
}

int DetectEngine::detectDevice(DetectedDevice& device) {
    device.found = 0;
    if (device.detect == 0) return 0;
    AddLine("");
    if (!PortConfigured()) {
        AddLine(kDetectNoPortLine);
        return 0;
    }
    QlpCommand request = settingRequest(device.id, kReadSetting, kSettingId, 0);
    std::string message;
    if (checkedRead(link_, request, message))
        AdoptId(device, request);
    else if (auto_baud_.load())
        ScanBaudrates(device);
    if (stop_.load()) {
        device.found = 0;
        return 0;
    }
    if (device.found == 1) {
        AddLine("Detect ID " + str(device.id) + " Success.");
        if (!ReadSettings(device)) device.found = 0;
    }
    if (device.found == 0 && !stop_.load())
        AddLine(qlpAnyId(device.id) ? "Auto Detect Fault!" : "Detect ID " + str(device.id) + " Fault!");
    return device.found;
}

void DetectEngine::UartAutoDetect() {
    port_.Purge(PortQueue::kBoth);
    DetectedDevice device = detectClearedDevice(kQlpAnyId, 1);
    const bool found = detectDevice(device) == 1;
    {
        std::lock_guard lock(mutex_);
        state_.comportDevice = device;
        state_.selected = device;
        if (found)
            state_.canDevices[static_cast<std::size_t>(device.id)] = device;
        else if (!stop_.load())
            detectResetState(state_);
    }
    Row(kDetectAllRows);
    FinishWork();
}

void DetectEngine::CanbusAutoDetect() {
    int done = 0;
    for (int id = 0; id < kDetectGridIds && !stop_.load(); ++id) {
        const DetectedDevice current = CanDevice(id);
        if (current.detect == 1) {
            port_.Purge(PortQueue::kBoth);
            DetectedDevice probe = current;
            const bool found = detectDevice(probe) == 1;
            if (stop_.load()) break; // the ID in hand stays as it was
            std::lock_guard lock(mutex_);
            state_.canDevices[static_cast<std::size_t>(id)] = found ? probe : detectClearedDevice(id, 1);
        } else {
            std::lock_guard lock(mutex_);
            state_.canDevices[static_cast<std::size_t>(id)] = detectClearedDevice(id, 0);
        }
        Row(id);
        if (current.detect == 1 && events_.progress) events_.progress(++done);
    }
    FinishWork();
}

void DetectEngine::DetectSettingDevice(int id) {
    if (!gridId(id)) return;
    port_.Purge(PortQueue::kBoth);
    DetectedDevice probe = detectClearedDevice(id, 1);
    const bool found = detectDevice(probe) == 1;
    {
        std::lock_guard lock(mutex_);
        DetectedDevice& record = state_.canDevices[static_cast<std::size_t>(id)];
        const std::int32_t mark = record.detect;
        state_.selected = found ? probe : DetectedDevice{};
        record = found ? probe : detectClearedDevice(id);
        record.detect = mark;
    }
    Row(id);
    FinishWork();
}

bool DetectEngine::SaveSetting(DetectedDevice setting) {
    const DetectedDevice selected = Selected();
    if (!gridId(setting.id) || !gridId(selected.id)) return false;
    const DetectedDevice on_port = ComportDevice();
    const bool ok = saveDeviceSetting(selected, setting);
    if (ok) {
        std::lock_guard lock(mutex_);
        state_.canDevices[static_cast<std::size_t>(selected.id)] = detectClearedDevice(selected.id);
        state_.selected = setting;
        setting.detect = 1;
        state_.canDevices[static_cast<std::size_t>(setting.id)] = setting;
        // The device on the port now has the new settings too.
        if (on_port.found == 1 && on_port.id == selected.id) state_.comportDevice = setting;
    }
    Row(selected.id);
    Row(setting.id);
    FinishWork();
    return ok;
}

bool DetectEngine::Recheck(const DetectedDevice& setting, bool on_port, std::string& message) {
    // A device on the port that was given a new baud rate answers only at that
    // rate after its reset; one behind it still answers at the line's rate.
    const ComportSetting original = port();
    const std::int32_t new_rate = comport_baudrate_of_index(setting.baudIndex);
    std::vector<std::int32_t> rates{original.baudrate};
    if (new_rate != 0 && new_rate != original.baudrate)
        rates.insert(on_port ? rates.begin() : rates.end(), new_rate);
    std::int32_t open_rate = original.baudrate;
    for (const std::int32_t rate : rates) {
        if (stop_.load()) break;
        ComportSetting line = original;
        line.baudrate = rate;
        if (rate != open_rate) {
            open_rate = rate;
            if (ComportStatus status; !Reopen(line, &status)) {
                message = comport_status_text_of(status);
                continue;
            }
        }
        QlpCommand request = settingRequest(setting.id, kReadSetting, kSettingId, 0);
        if (checkedRead(link_, request, message)) {
            SetPortSetting(line);
            return true;
        }
    }
    if (open_rate != original.baudrate) Reopen(original);
    return false;
}

bool DetectEngine::saveDeviceSetting(const DetectedDevice& selected, DetectedDevice& setting) {
    setting.found = 0;
    AddLine("");
    if (!PortConfigured()) {
        AddLine(kDetectNoPortLine);
        return false;
    }
    if (selected.found != 1) {
        AddLine("Selected ID " + str(selected.id) + " is not existed!");
        return false;
    }
    AddLine("Save Selected ID " + str(selected.id) + " Setting............");
    std::string message;
    QlpCommand request = settingRequest(selected.id, kReadSetting, kSettingId, setting.id);
    if (!checkedRead(link_, request, message)) {
        if (!stop_.load()) AddLine("Detect ID " + str(selected.id) + " Fault!");
        return false;
    }
    setting.found = 1;

    // From the ID write on, a failure ends the sequence and the device counts as not set.
    const auto fail = [&](const std::string& line) {
        if (!stop_.load()) AddLine(line);
        setting.found = 0;
        return false;
    };
    const auto write = [&](std::int32_t id, std::uint8_t function, std::uint8_t command, std::int32_t value) {
        request = settingRequest(id, function, command, value);
        return checkedWrite(link_, request, message);
    };

    if (!write(selected.id, kWriteSetting, kSettingId, setting.id))
        return fail("Write ID " + str(selected.id) + " " + message);
    AddLine("Write ID " + str(selected.id) + " To ID " + str(setting.id) + " Success.");

    // An unknown rate (the device reported one not in the tables) is left as it is.
    if (setting.baudIndex >= 0) {
        const std::int32_t rate = comport_baudrate_of_index(setting.baudIndex);
        if (!write(setting.id, kWriteSetting, kSettingBaud, rate / kBaudUnit))
            return fail("Write Comport Buadrate " + message);
        AddLine("Write Comport Buadrate " + detectBaudText(setting.baudIndex) + " Success.");
    }
    if (setting.canRateIndex >= 0) {
        if (!write(setting.id, kWriteSetting, kSettingCan, canRateDivider(setting.canRateIndex)))
            return fail("Write CAN Bus Buadrate " + message);
        AddLine("Write CAN Bus Buadrate " + canRateName(setting.canRateIndex) + " Success.");
    }
    if (!write(setting.id, kWriteSetting, kSettingMaster, setting.masterId))
        return fail("Write Master ID " + message);
    AddLine("Write Master ID " + str(setting.masterId) + " Success.");
    if (!write(setting.id, kSystemCommand, kSave, 0)) return fail("Save Setting " + message);
    AddLine("Save Setting Success.");
    if (!write(setting.id, kSystemCommand, kReset, 0)) return fail("Reset Device " + message);
    AddLine("Reset Device.........");

    port_.Purge(PortQueue::kBoth);
    Rest(timing_.reset_wait_ms);
    const DetectedDevice on_port = ComportDevice();
    if (!Recheck(setting, on_port.found == 1 && on_port.id == selected.id, message))
        return fail("Recheck ID " + str(setting.id) + " " + message);
    AddLine("Save Setting Complete.");
    return true;
}
