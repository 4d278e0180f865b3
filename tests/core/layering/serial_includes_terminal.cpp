// Built only by the layering test, which expects it to fail: a file of the serial
// library has no way to a terminal header.
#include "core/serial/port.h"
#include "core/terminal/recorder.h"
