#include "core/serial/backend/termios2_rate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool serial_set_exact_rate(int fd, std::uint32_t rate) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_cflag &= ~(CBAUD << IBSHIFT);
    t.c_cflag |= BOTHER << IBSHIFT;
    t.c_ospeed = rate;
    t.c_ispeed = rate;
    return ioctl(fd, TCSETS2, &t) == 0;
}

std::uint32_t serial_read_rate(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return 0;
    return t.c_ospeed;
}
