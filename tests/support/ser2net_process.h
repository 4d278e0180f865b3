// Debian's ser2net serving one device (a pseudo-terminal's slave) on 127.0.0.1, started
// for a test with a generated configuration on a free port and stopped when it goes.
// The test is skipped, saying how to get it, where ser2net is not installed.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "core/util/non_copyable.h"

class Ser2Net : private NonCopyable {
public:
    enum class Kind { kRfc2217, kRawTcp };
    // On `port`, or a free one with 0 (a server started again where the last one was).
    explicit Ser2Net(const std::string& device, Kind kind = Kind::kRfc2217, int port = 0);

    static bool installed();
    bool ok() const { return port_ > 0; }
    int port() const { return port_; }
    int pid() const { return child_ ? child_->pid() : -1; }
    // rfc2217://127.0.0.1:PORT or tcp://127.0.0.1:PORT.
    std::string address() const;
    const std::string& log() const { return log_; }

private:
    TempDir dir_;
    std::unique_ptr<ChildProcess> child_;
    Kind kind_;
    int port_ = 0;
    std::string log_;
};

// A TCP port on 127.0.0.1 nobody listens on now.
int freeTcpPort();
// Whether something accepts connections on 127.0.0.1:port within the limit.
bool waitForListener(int port, std::chrono::milliseconds limit);

#define SKIP_WITHOUT_SER2NET()                                                                       \
    do {                                                                                             \
        if (!Ser2Net::installed()) GTEST_SKIP() << "ser2net is not installed: run scripts/install-deps.sh"; \
    } while (0)
