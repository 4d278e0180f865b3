#include "core/serial/any_port.h"

#include "core/serial/net/net_address.h"

Port& AnyPort::Active() {
    return network_active_ ? static_cast<Port&>(network_) : static_cast<Port&>(serial_);
}

const Port& AnyPort::Active() const {
    return network_active_ ? static_cast<const Port&>(network_) : static_cast<const Port&>(serial_);
}

Port& AnyPort::Select(bool network) {
    bool changed = false;
    {
        std::lock_guard one(select_mutex_);
        changed = network_active_.exchange(network) != network;
        if (changed) switched_.Raise();
    }
    if (changed) {
        // Port 0 only closes, whatever port the other kind had open.
        const ComportSetting none{};
        if (network) serial_.Open(none);
        else network_.Open(none);
    }
    return Active();
}

ComportStatus AnyPort::Open(const ComportSetting& setting) {
    if (setting.port == 0) return Active().Open(setting);
    return Select(net_address_named(comport_device_path(setting.port))).Open(setting);
}

ComportStatus AnyPort::OpenPath(const std::string& path, const ComportSetting& setting) {
    return Select(net_address_named(path)).OpenPath(path, setting);
}

void AnyPort::WaitReadable(int timeout_ms, const PortWake* wake) {
    bool network = false;
    {
        std::lock_guard one(select_mutex_);
        switched_.Clear();
        network = network_active_;
    }
    if (network) network_.WaitReadableOr(timeout_ms, wake, &switched_);
    else serial_.WaitReadableOr(timeout_ms, wake, &switched_);
}
