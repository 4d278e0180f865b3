// A MemoryPort standing in for COM1, its far end read as PortFixture reads a
// pseudo-terminal's: for tests of code that only sends bytes, on every platform.
#pragma once

#include <gtest/gtest.h>

#include "support/bytes.h"
#include "support/memory_port.h"

class MemoryPortFixture : public ::testing::Test {
protected:
    void open(int databits = 8, int parity = 0) {
        ComportSetting setting;
        setting.port = 1;
        setting.databits = static_cast<std::uint8_t>(databits);
        setting.parity = static_cast<std::uint8_t>(parity);
        ASSERT_EQ(port.Open(setting), kComportSuccess);
        far.drain();
    }

    MemoryPort port;
    MemoryFarEnd far{port};
};
