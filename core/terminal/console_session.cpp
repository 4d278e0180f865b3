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

bool ConsoleSession::ApplyComportSetting(const ComportSetting& setting) {
    return ReportConfigure(setting, port_.Open(setting));
}

bool ConsoleSession::ReportConfigure(const ComportSetting& setting, ComportStatus status) {
    // No port is a setting too: the old port is closed and nothing opened.
    const bool ok = status == kComportSuccess || status == kComportNoneSetup;
    std::string name = comport_port_name(setting.port);
    if (ok) {
        AddLine(name + " Configure Success.");
        if (setting.port != 0) {
            AddLine("Buadrate = " + std::to_string(comport_programmed_rate(setting.baudrate, setting.fixrate)));
            AddLine("Parity Check = " + comport_parity_name(setting.parity));
            AddLine("Stop Bits = " + comport_stopbit_name(setting.stopbits));
            AddLine("Data Bits = " + std::to_string(setting.databits));
            // Raw TCP carries only the bytes: the line is whatever the server set up.
            NetAddress address;
            const std::string path = comport_device_path(setting.port);
            if (net_address_parse(path, address) && address.protocol == NetProtocol::kRawTcp)
                AddLine(path + ": settings are the server's");
        }
    } else {
        std::string fault = name + " Configure Fault! " + comport_status_text_of(status);
        // An open that failed says why: a missing device, no permission, another program.
        // A network port says why for every status: the server's answer, its silence.
        if ((status == kComportInvalidHandle && port_.LastError() != 0) || net_error_is_own(port_.LastError()))
            fault += " (" + port_.OpenFailureReason(port_.LastError()) + ")";
        AddLine(fault);
    }
    AddLine("");
    return ok;
}

void ConsoleSession::ConfigureConfirmed(const ComportSetting& setting) {
    ConfigureOpened(setting, port_.Open(setting));
}

void ConsoleSession::ConfigureOpened(const ComportSetting& setting, ComportStatus status) {
    comport_setting_ = setting;
    if (ReportConfigure(comport_setting_, status)) {
        port_open_ = 1;
        receiving_ = 1;
    } else {
        port_open_ = 0;
    }
    UpdateComportState();
}

void ConsoleSession::ConfigureAborted() {
    AddLine("Comport Configure Abort!");
    AddLine("");
}

void ConsoleSession::CloseFlow() {
    const ComportStatus status = port_.Close(comport_setting_);
    std::string com = "COM" + std::to_string(comport_setting_.port);
    if (status != kComportSuccess)
        AddLine(com + " Close Fault! " + comport_status_text_of(status));
    else if (comport_setting_.port != 0)
        AddLine(com + " Close Success.");
    AddLine("");
    port_open_ = 0;
    UpdateComportState();
}

void ConsoleSession::StartReceive() {
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
    AddLine(comport_port_name(comport_setting_.port) + " Receive Fault! " +
            port_.ErrorText(static_cast<std::uint32_t>(error)));
    StopReceive();
}

void ConsoleSession::PauseForDetect() {
    remembered_receiving_ = receiving_;
    receiving_ = 0;
    UpdateComportState();
    UpdateReceiving();
}

void ConsoleSession::ResumeAfterDetect() {
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
