// Arbitrary line rates through Linux termios2. Kept apart from <termios.h>, whose
// definitions clash with <asm/termbits.h>.
#pragma once

#include <cstdint>

// Programs `rate` exactly (BOTHER) for both directions; false with errno set on failure.
bool serial_set_exact_rate(int fd, std::uint32_t rate);
// The output rate the line is programmed to, 0 if it cannot be read.
std::uint32_t serial_read_rate(int fd);
