// The seam of port_system.h answered by the termios backend (comport_posix.cpp).
#include "core/serial/port_system.h"

#include <cerrno>
#include <system_error>

#include "core/serial/comport_posix.h"

int port_open(const std::string& path, const LineSettings& settings, PortHandle& port_out, int& error_out) {
    return posix_open_port(path.c_str(), settings, port_out, error_out);
}

void port_close(PortHandle port, const LineSettings& settings) {
    posix_close_port(port, settings);
}

IoResult port_read(PortHandle port, std::uint8_t* buffer, int max, int& n, int& error_out) {
    return posix_read(port, buffer, max, n, error_out);
}

IoResult port_wait_input(PortHandle port, int timeout_ms, int& error_out) {
    return posix_wait_input(port, timeout_ms, error_out);
}

bool port_write_all(PortHandle port, const std::uint8_t* bytes, int length, int timeout_ms, int& error_out) {
    return posix_write_all(port, bytes, length, timeout_ms, error_out);
}

void port_purge(PortHandle port, int which) {
    posix_purge(port, which);
}

std::string port_error_text(int error) {
    return std::generic_category().message(error);
}

bool port_error_in_use(int error) {
    // Exclusive mode, or the lock every copy of this program takes.
    return error == EBUSY;
}

WaitOutcome port_wait(PortHandle port, std::initializer_list<const PortWake*> wakes, int timeout_ms, int& error_out) {
    return posix_wait(port, wakes, timeout_ms, error_out);
}

WaitOutcome port_wait_again(PortHandle port, std::uint64_t port_id, std::initializer_list<const PortWake*> wakes,
                            int timeout_ms, bool port_drained, int& error_out) {
    return posix_wait_kept(port, port_id, wakes, timeout_ms, port_drained, error_out);
}
