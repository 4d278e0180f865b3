#include "core/terminal/port_status_text.h"

#include "core/serial/net/net_address.h"

std::string port_status_name(const std::string& name, const std::string& target) {
    return target.empty() || target == name ? name : name + " " + target;
}

std::string port_status_line(const ComportSetting& setting, const std::string& target) {
    if (target.empty()) return {};
    if (NetAddress address; net_address_parse(target, address) && address.protocol == NetProtocol::kRawTcp)
        return "settings are the server's";
    static constexpr char kParityLetters[] = {'N', 'O', 'E', 'M', 'S'};
    const char parity = setting.parity < 5 ? kParityLetters[setting.parity] : '?';
    return std::to_string(comport_programmed_rate(setting.baudrate, setting.fixrate)) + " " +
           std::to_string(setting.databits) + parity + comport_stopbit_name(setting.stopbits);
}

std::string port_state_name(PortState state) {
    switch (state) {
    case PortState::kClosed: return "Closed";
    case PortState::kOpen: return "Open";
    case PortState::kReceiving: return "Receiving";
    case PortState::kLost: return "Lost";
    case PortState::kFault: return "Fault";
    }
    return {};
}

std::string main_window_title(const std::string& name, PortState state) {
    const bool configured = state != PortState::kClosed && state != PortState::kFault;
    return configured ? "ZQ70 Main - " + name : "ZQ70 Main";
}
