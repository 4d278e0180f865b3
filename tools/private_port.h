// Lets the driver open an explicit device as COM1: a temporary COM port folder,
// pointed at by XDG_CONFIG_HOME for this process, that links com1 to it.
#pragma once

#include <string>

class PrivatePort {
public:
    static constexpr int kPort = 1;

    PrivatePort() = default;
    ~PrivatePort();
    PrivatePort(const PrivatePort&) = delete;
    PrivatePort& operator=(const PrivatePort&) = delete;

    bool create(const std::string& device, std::string& error);

private:
    std::string root_;
    std::string oldConfig_;
    bool hadOldConfig_ = false;
    bool envChanged_ = false;
};
