// Finds the device on the port (scanning the baud rates if asked), the devices
// behind it on the CAN bus, and rewrites a device's ID, baud rate, CAN bit rate
// and master ID. Shared by the detect window and benchlink-qlp.
//
// One piece of work runs at a time, on one thread (the window's worker); the
// other methods may be called from any thread meanwhile: the state is guarded.
// Every step is reported as a line, at once, through the events.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "core/detect/detect_exchange.h"
#include "core/detect/detected_device.h"
#include "core/util/line_sink.h"
#include "core/util/non_copyable.h"

inline constexpr const char* kDetectNoPortLine = "Comport had't Initialed!, Please setup Comport.";
inline constexpr const char* kDetectAbortLine = "Comport Configure Abort!";
inline constexpr const char* kDetectStoppedLine = "Detect Stopped.";
// How long a device takes to restart after the reset command.
inline constexpr int kDetectResetWaitMs = 500;
// A row event for the whole grid.
inline constexpr int kDetectAllRows = -1;

struct DetectEvents {
    LineSink line;                            // one memo line
    std::function<void(int id)> row;          // the record of a grid ID changed (or kDetectAllRows)
    std::function<void(int done)> progress;   // marked IDs scanned so far in a CAN-bus scan
};

struct DetectTiming {
    int reply_budget_ms = kDetectReplyBudgetMs;
    int reset_wait_ms = kDetectResetWaitMs;
};

class DetectEngine : private NonCopyable {
public:
    // Works on `port` (reopening it as the work needs), which outlives the engine.
    DetectEngine(Port& port, DetectEvents events, DetectTiming timing = {});

    // The port the engine works on: a COM port (path empty), or an explicit device.
    // No port is configured while the port number is 0 and there is no path.
    void SetPort(const ComportSetting& setting, const std::string& path = {});
    ComportSetting port() const;
    bool PortConfigured() const;
    std::string PortName() const;
    void SetAutoBaudrate(bool on) { auto_baud_.store(on); }
    void AddLine(const std::string& text) const;

    // Every record cleared (the port setting stays).
    void Reset();
    void ToggleDetect(int id);
    // Marks or unmarks every ID from..to.
    void SetDetectRange(int from, int to, bool detect);
    int MarkedCount() const;
    // The record of grid ID `id` becomes the selected device.
    void Select(int id);
    DetectedDevice CanDevice(int id) const;
    DetectedDevice Selected() const;
    DetectedDevice ComportDevice() const;
    DetectState Snapshot() const;

    // "Comport Configure" accepted: reopen the port with the setting, reset, report.
    bool ConfigureComport(const ComportSetting& setting);

    // The work. Each ends with kDetectStoppedLine when a stop was requested, every
    // record left as far as it got.
    // The device on the port, asked with the ID that any device answers.
    void UartAutoDetect();
    // Every marked ID, in order.
    void CanbusAutoDetect();
    // One ID, which becomes the selected device when found.
    void DetectSettingDevice(int id);
    // Writes `setting` into the selected device, saves, resets and rechecks it.
    bool SaveSetting(DetectedDevice setting);

    // Detects one device (device.detect must be 1): found (1) or not (0). With
    // auto-baud, a device that answers at no rate leaves the line at its old rate.
    int detectDevice(DetectedDevice& device);
    // The write, save, reset and recheck sequence; setting.found is the result.
    bool saveDeviceSetting(const DetectedDevice& selected, DetectedDevice& setting);

    // Any thread: the exchange in flight ends at its next look at the flag.
    void RequestStop() { stop_.store(true); }
    std::atomic<bool>& stop_flag() { return stop_; }
    bool stop_requested() const { return stop_.load(); }
    // Requests written so far (read while no work runs).
    std::uint64_t requests_sent() const { return link_.requests_sent; }

private:
    // Opens the port again, on the path if one is set; false when it did not open (no
    // port, COM number 0, counts as done). `status` (if given) gets the port's answer.
    bool Reopen(const ComportSetting& setting, ComportStatus* status = nullptr);
    void SetPortSetting(const ComportSetting& setting);
    void AdoptId(DetectedDevice& device, const QlpCommand& reply) const;
    void ScanBaudrates(DetectedDevice& device);
    bool ReadSettings(DetectedDevice& device);
    bool Recheck(const DetectedDevice& setting, bool on_port, std::string& message);
    void Rest(int ms) const;
    void Row(int id) const;
    void FinishWork() const;

    Port& port_;
    DetectEvents events_;
    DetectTiming timing_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> auto_baud_{false};
    DetectLink link_; // the worker's

    mutable std::mutex mutex_;
    DetectState state_; // guarded by mutex_
    std::string path_;  // guarded by mutex_
};
