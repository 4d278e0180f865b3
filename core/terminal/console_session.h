// The main window's port logic without widgets: the user's port setting, the
// (port_open, receiving) state table, the configure, close and receive flows and
// the lines they write to the message list.
#pragma once

#include <functional>
#include <string>

#include "core/serial/port.h"
#include "core/serial/uart_receive_thread.h"
#include "core/terminal/product_info.h"
#include "core/util/line_sink.h"
#include "core/util/non_copyable.h"

// Which port controls are enabled in a state.
struct ReceiveControls {
    bool uart_operate = false;
    bool start_receive = false;
    bool stop_receive = false;

    bool operator==(const ReceiveControls&) const = default;
};

// What the status line says of the port.
enum class PortState { kClosed, kOpen, kReceiving, kLost, kFault };

inline constexpr const char* kStartReceiveLine = "---* Start Receive *---   ";
inline constexpr const char* kStopReceiveLine = "---* Stop Receive *---   ";

class ConsoleSession : private NonCopyable {
public:

    // Works on `port`, which outlives the session.
    ConsoleSession(Port& port, LineSink add_line);
    ~ConsoleSession();

    // The function the receive thread runs on each iteration (set before receiving
    // starts); without one, each received chunk becomes one line of tagged text.
    void SetDispatcher(std::function<void()> dispatch) { dispatch_ = std::move(dispatch); }
    // Called on the receive thread with the errno of a port that failed; the owner
    // hands it to the GUI thread, which calls ReceiveFault.
    void SetFaultReporter(std::function<void(int)> report) { report_fault_ = std::move(report); }
    // Called whenever receiving stops or the port is closed (accumulated bytes are dropped).
    void SetReceiveStopped(std::function<void()> stopped) { receive_stopped_ = std::move(stopped); }

    // First showing of the main window: registers the receive function, no port, no thread.
    void Startup();

    // The setting the next configure starts from (kept from the last run), while no
    // port is open; nothing is opened.
    void RememberSetting(const ComportSetting& setting) {
        if (port_open_ == 0) comport_setting_ = setting;
    }
    bool ApplyComportSetting(const ComportSetting& setting);
    // After the settings dialog: confirmed with the edited setting, or aborted.
    void ConfigureConfirmed(const ComportSetting& setting);
    // The same for an explicit device instead of a COM number (benchlink --path);
    // the lines then name the device.
    void ConfigurePath(const std::string& path, const ComportSetting& setting);
    // The same, for a caller that opened the port itself (on a thread of its own,
    // where the open may wait for a network) and got `status`; `path` as it opened.
    void ConfigureOpened(const ComportSetting& setting, ComportStatus status, const std::string& path = {});
    void ConfigureAborted();
    void CloseFlow();
    void StartReceive();
    void StopReceive();
    ReceiveControls UpdateComportState();
    ReceiveControls UpdateReceiving();
    // The port failed while receiving: one line, and receiving stops. The port is
    // then lost: the vanished device is let go (so it comes back under its old name),
    // and TryReconnect brings it back once it is there again.
    void ReceiveFault(int error);
    // While lost: reopens the port with its setting and, once open, says so
    // ("COM3 Reconnected.") and receives again if it was receiving. False while the
    // device is still missing (the reason is kept for state_reason()).
    bool TryReconnect();

    // Stops receiving for a window that reads the port itself, then resumes as it was.
    void PauseForDetect();
    void ResumeAfterDetect();

    ReceiveControls controls() const;
    const ComportSetting& setting() const { return comport_setting_; }
    int port_open() const { return port_open_; }
    int receiving() const { return receiving_; }
    bool lost() const { return lost_; }
    // The port's name in the lines: "COM3", "None", or the explicit device.
    std::string port_name() const;
    // What the port opens: the explicit device, else the COM number's device path
    // (its ports-folder link); empty with no port.
    std::string device_path() const;
    PortState state() const;
    // Why the port is lost or a configure failed; empty otherwise.
    const std::string& state_reason() const { return reason_; }
    const ProductInfo& product() const { return product_; }

private:
    bool ReportConfigure(const ComportSetting& setting, ComportStatus status);
    void ReceiveLoopStep();
    void ShowChunk();
    void AddLine(const std::string& text) { add_line_(text); }
    void MarkLost(std::string reason);
    bool HasPort() const { return comport_setting_.port != 0 || !path_.empty(); }
    ComportStatus OpenPort(const ComportSetting& setting);

    Port& port_;
    LineSink add_line_;
    std::function<void()> dispatch_;
    std::function<void(int)> report_fault_;
    std::function<void()> receive_stopped_;
    ComportSetting comport_setting_;
    ProductInfo product_;
    UartHandler handler_;
    int port_open_ = 0;
    int receiving_ = 0;
    int remembered_receiving_ = 0;
    bool lost_ = false;
    bool configure_failed_ = false;
    // Whether receiving was on when the port was lost, to resume it on reconnect.
    int receiving_when_lost_ = 0;
    std::string reason_;
    std::string path_; // the explicit device opened instead of the COM number
    // Last, so it goes first: once it is gone no receive thread calls this session.
    ReceiveCallbackRegistration receive_callback_;
};
