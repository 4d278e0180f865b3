#include "core/serial/comport.h"

#include "core/serial/any_port.h"
#include "core/serial/uart_receive_thread.h"

namespace {

// Each thread reads the status of its own calls: a reply sent on the receive
// thread never changes the text a window is about to show.
thread_local int t_status = kComportSuccess;

int record(int status) {
    t_status = status;
    return status;
}

bool purge(PortQueue which) {
    comport_port().Purge(which);
    return true;
}

} // namespace

Port& comport_port() {
    static AnyPort port;
    return port;
}

bool comport_initialize(ComportSetting& setting) {
    record(kComportSuccess);
    comport_default_setting(setting);
    return comport_configure(setting);
}

bool comport_configure(const ComportSetting& setting) {
    int status = record(comport_port().Open(setting));
    return status == kComportSuccess || status == kComportNoneSetup;
}

bool comport_configure_path(const std::string& path, const ComportSetting& setting) {
    return record(comport_port().OpenPath(path, setting)) == kComportSuccess;
}

bool comport_close(const ComportSetting& setting) {
    return record(comport_port().Close(setting)) == kComportSuccess;
}

void comport_get_setting(ComportSetting& setting) {
    setting = comport_port().Setting();
}

bool comport_is_open() {
    return comport_port().IsOpen();
}

int comport_status() {
    return t_status;
}

std::string comport_status_text() {
    return comport_status_text_of(t_status);
}

std::uint32_t comport_last_error() {
    return comport_port().LastError();
}

std::string comport_error_text(std::uint32_t error) {
    return comport_port().ErrorText(error);
}

bool comport_error_in_use(std::uint32_t error) {
    return comport_port().ErrorInUse(error);
}

std::string comport_open_failure_reason(std::uint32_t error) {
    return comport_port().OpenFailureReason(error);
}

bool comport_send_string(std::uint8_t* bytes, std::int32_t length) {
    return record(comport_port().Send(bytes, length)) == kComportSuccess;
}

std::int32_t comport_receive_string(std::uint8_t* buffer, std::int32_t wait) {
    return comport_port().Receive(buffer, wait);
}

void comport_wait_readable(int timeout_ms) {
    comport_port().WaitReadable(timeout_ms, uart_thread_wake());
}

int comport_take_receive_fault() {
    return comport_port().TakeReceiveFault();
}

bool comport_purge() {
    return purge(PortQueue::kBoth);
}

bool comport_clear_transfer() {
    return purge(PortQueue::kOutput);
}

bool comport_clear_receive() {
    return purge(PortQueue::kInput);
}

bool comport_stop_transfer() {
    // Writes complete inside the send call; what can still be aborted is output
    // the line has not sent yet.
    return purge(PortQueue::kOutput);
}

bool comport_stop_receive() {
    // Reads never wait for bytes that have not arrived, so no read is ever pending.
    return true;
}

bool comport_abort_all() {
    return purge(PortQueue::kOutput);
}
