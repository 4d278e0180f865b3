// COM1 linked to a pseudo-terminal whose far end the test reads.
#pragma once

#include <gtest/gtest.h>

#include "core/serial/comport.h"
#include "support/pty_pair.h"
#include "support/bytes.h"

class PortFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(far.ok());
        ASSERT_TRUE(ports.link(1, far));
    }
    void TearDown() override { comport_configure(ComportSetting{}); }

    void open(int databits = 8, int parity = 0) {
        ComportSetting setting;
        setting.port = 1;
        setting.databits = static_cast<std::uint8_t>(databits);
        setting.parity = static_cast<std::uint8_t>(parity);
        ASSERT_TRUE(comport_configure(setting));
        far.drain();
    }

    PtyPair far;
    ComPortFolder ports;
};

