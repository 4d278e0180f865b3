#include "core/terminal/console_session.h"

#include "core/serial/net/network_port.h"
#include "core/util/convert.h"

ConsoleSession::ConsoleSession(Port& port, LineSink add_line) : port_(port), add_line_(std::move(add_line)) {}

ConsoleSession::~ConsoleSession() {
    uart_handler_set_running(handler_, false);
    uart_handler_finalize(handler_);
}

void ConsoleSession::Startup() {
    product_ = benchlink_product();
    receive_callback_ = ReceiveCallbackRegistration([this] { ReceiveLoopStep(); });
    port_open_ = 0;
    comport_setting_.fixrate = 0;
    // No port: whatever was open is closed.
    comport_default_setting(comport_setting_);
    port_.Open(comport_setting_);
    UpdateComportState();
    StopReceive();
}

void ConsoleSession::ReceiveLoopStep() {
    if (dispatch_)
        dispatch_();
    else
        ShowChunk();
    if (int error = port_.TakeReceiveFault(); error != 0 && report_fault_) report_fault_(error);
}

void ConsoleSession::ShowChunk() {
    std::uint8_t buffer[kComportReceiveMax];
    std::int32_t n = port_.Receive(buffer, 2);
    if (n > 0)
        AddLine(bytes_to_tagged_text(buffer, n));
    else
        port_.WaitReadable(kWaitNoDeadline, uart_thread_wake());
}

ComportStatus ConsoleSession::OpenPort(const ComportSetting& setting) {
    return path_.empty() ? port_.Open(setting) : port_.OpenPath(path_, setting);
}

std::string ConsoleSession::port_name() const {
    return path_.empty() ? comport_port_name(comport_setting_.port) : path_;
}

std::string ConsoleSession::device_path() const {
    if (!path_.empty()) return path_;
    return comport_setting_.port != 0 ? comport_device_path(comport_setting_.port) : std::string();
}

bool ConsoleSession::ApplyComportSetting(const ComportSetting& setting) {
    return ReportConfigure(setting, OpenPort(setting));
}

bool ConsoleSession::ReportConfigure(const ComportSetting& setting, ComportStatus status) {
    // No port is a setting too: the old port is closed and nothing opened.
    const bool ok = status == kComportSuccess || status == kComportNoneSetup;
    std::string name = path_.empty() ? comport_port_name(setting.port) : path_;
    if (ok) {
        AddLine(name + " Configure Success.");
        if (setting.port != 0 || !path_.empty()) {
            AddLine("Buadrate = " + std::to_string(comport_programmed_rate(setting.baudrate, setting.fixrate)));
            AddLine("Parity Check = " + comport_parity_name(setting.parity));
            AddLine("Stop Bits = " + comport_stopbit_name(setting.stopbits));
            AddLine("Data Bits = " + std::to_string(setting.databits));
            // Raw TCP carries only the bytes: the line is whatever the server set up.
            NetAddress address;
            const std::string path = path_.empty() ? comport_device_path(setting.port) : path_;
            if (net_address_parse(path, address) && address.protocol == NetProtocol::kRawTcp)
                AddLine(path + ": settings are the server's");
        }
    } else {
        reason_ = comport_status_text_of(status);
        // An open that failed says why: a missing device, no permission, another program.
        // A network port says why for every status: the server's answer, its silence.
        if ((status == kComportInvalidHandle && port_.LastError() != 0) || net_error_is_own(port_.LastError()))
            reason_ += " (" + port_.OpenFailureReason(port_.LastError()) + ")";
        AddLine(name + " Configure Fault! " + reason_);
    }
    AddLine("");
    return ok;
}

void ConsoleSession::ConfigurePath(const std::string& path, const ComportSetting& setting) {
    ConfigureOpened(setting, port_.OpenPath(path, setting), path);
}

void ConsoleSession::ConfigureConfirmed(const ComportSetting& setting) {
    ConfigureOpened(setting, port_.Open(setting));
}

void ConsoleSession::ConfigureOpened(const ComportSetting& setting, ComportStatus status, const std::string& path) {
    path_ = path;
    comport_setting_ = setting;
    lost_ = false;
    reason_.clear();
    if (ReportConfigure(comport_setting_, status)) {
        configure_failed_ = false;
        port_open_ = 1;
        receiving_ = 1;
    } else {
        configure_failed_ = true;
        port_open_ = 0;
    }
    UpdateComportState();
}

void ConsoleSession::ConfigureAborted() {
    AddLine("Comport Configure Abort!");
    AddLine("");
}

void ConsoleSession::CloseFlow() {
    // A lost port was let go when its device vanished: closing it is what the user
    // asked for, and it is done.
    const ComportStatus status = lost_ && !port_.IsOpen() ? kComportSuccess : port_.Close(comport_setting_);
    lost_ = false;
    configure_failed_ = false;
    reason_.clear();
    std::string com = path_.empty() ? "COM" + std::to_string(comport_setting_.port) : path_;
    if (status != kComportSuccess)
        AddLine(com + " Close Fault! " + comport_status_text_of(status));
    else if (HasPort())
        AddLine(com + " Close Success.");
    AddLine("");
    port_open_ = 0;
    UpdateComportState();
}

void ConsoleSession::StartReceive() {
    // A device that went away while nothing was reading leaves a port that would
    // never see a byte: it is lost, not receiving.
    if (!lost_ && port_open_ == 1 && path_.empty() && comport_setting_.port != 0 &&
        !comport_device_present(comport_setting_.port))
        MarkLost("device not present");
    if (lost_) {
        receiving_when_lost_ = 1;
        if (!TryReconnect()) AddLine(port_name() + " Lost! " + reason_);
        return;
    }
    receiving_ = 1;
    UpdateComportState();
}

void ConsoleSession::StopReceive() {
    receiving_ = 0;
    UpdateComportState();
}

ReceiveControls ConsoleSession::UpdateComportState() {
    if (port_open_ == 0) receiving_ = 0;
    return UpdateReceiving();
}

ReceiveControls ConsoleSession::UpdateReceiving() {
    if (port_open_ == 1 && receiving_ == 1) {
        AddLine(kStartReceiveLine);
        uart_handler_initialize(handler_);
        port_.Purge(PortQueue::kBoth);
        uart_handler_set_running(handler_, true);
    } else {
        uart_handler_set_running(handler_, false);
        uart_handler_finalize(handler_);
        if (port_open_ == 1) AddLine(kStopReceiveLine);
        if (receive_stopped_) receive_stopped_();
    }
    return controls();
}

void ConsoleSession::ReceiveFault(int error) {
    const std::string reason = port_.ErrorText(static_cast<std::uint32_t>(error));
    AddLine(port_name() + " Receive Fault! " + reason);
    receiving_when_lost_ = receiving_;
    StopReceive();
    // A fault reported after the user closed the port leaves nothing to bring back.
    if (port_open_ == 1) MarkLost(reason);
}

void ConsoleSession::MarkLost(std::string reason) {
    lost_ = true;
    reason_ = std::move(reason);
    // Holding the vanished device would keep its name taken: a USB adapter plugged
    // back in would come up under another one.
    if (port_.IsOpen()) port_.Close(comport_setting_);
}

bool ConsoleSession::TryReconnect() {
    if (!lost_ || port_open_ == 0) return false;
    const ComportStatus status = OpenPort(comport_setting_);
    if (status != kComportSuccess) {
        reason_ = comport_status_text_of(status);
        if (port_.LastError() != 0) reason_ += " (" + port_.OpenFailureReason(port_.LastError()) + ")";
        return false;
    }
    lost_ = false;
    reason_.clear();
    AddLine(port_name() + " Reconnected.");
    receiving_ = receiving_when_lost_;
    UpdateComportState();
    return true;
}

PortState ConsoleSession::state() const {
    if (lost_) return PortState::kLost;
    if (configure_failed_) return PortState::kFault;
    if (port_open_ == 0 || !HasPort()) return PortState::kClosed;
    return receiving_ == 1 ? PortState::kReceiving : PortState::kOpen;
}

void ConsoleSession::PauseForDetect() {
    remembered_receiving_ = receiving_;
    receiving_ = 0;
    UpdateComportState();
    UpdateReceiving();
}

void ConsoleSession::ResumeAfterDetect() {
    if (lost_) {
        // Still gone: it comes back with its own setting, receiving as before the window.
        receiving_when_lost_ = remembered_receiving_;
        return;
    }
    // The detect window may have reopened the port at another rate; an explicit
    // device keeps its COM number 0 and is opened by its path again.
    comport_setting_ = port_.Setting();
    port_open_ = ApplyComportSetting(comport_setting_) ? 1 : 0;
    receiving_ = remembered_receiving_;
    UpdateComportState();
}

ReceiveControls ConsoleSession::controls() const {
    ReceiveControls c;
    c.uart_operate = port_open_ == 1;
    c.start_receive = port_open_ == 1 && receiving_ == 0;
    c.stop_receive = port_open_ == 1 && receiving_ == 1;
    return c;
}
