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

    bool ApplyComportSetting(const ComportSetting& setting);
    // After the settings dialog: confirmed with the edited setting, or aborted.
    void ConfigureConfirmed(const ComportSetting& setting);
    // The same, for a caller that opened the port itself (on a thread of its own,
    // where the open may wait for a network) and got `status`.
    void ConfigureOpened(const ComportSetting& setting, ComportStatus status);
    void ConfigureAborted();
    void CloseFlow();
    void StartReceive();
    void StopReceive();
    ReceiveControls UpdateComportState();
    ReceiveControls UpdateReceiving();
    // The port failed while receiving: one line, and receiving stops.
    void ReceiveFault(int error);

    // Stops receiving for a window that reads the port itself, then resumes as it was.
    void PauseForDetect();
    void ResumeAfterDetect();

    ReceiveControls controls() const;
    const ComportSetting& setting() const { return comport_setting_; }
    int port_open() const { return port_open_; }
    int receiving() const { return receiving_; }
    const ProductInfo& product() const { return product_; }

private:
    bool ReportConfigure(const ComportSetting& setting, ComportStatus status);
    void ReceiveLoopStep();
    void ShowChunk();
    void AddLine(const std::string& text) { add_line_(text); }

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
    // Last, so it goes first: once it is gone no receive thread calls this session.
    ReceiveCallbackRegistration receive_callback_;
};
