#include "tools/private_port.h"

#include <cstdlib>
#include <filesystem>

PrivatePort::~PrivatePort() {
    if (envChanged_) {
        if (hadOldConfig_)
            setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    if (root_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

bool PrivatePort::create(const std::string& device, std::string& error) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::absolute(device, ec);
    if (ec) {
        error = device + ": " + ec.message();
        return false;
    }
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "benchlink-qlp-XXXXXX").string();
    if (ec || mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a temporary folder";
        return false;
    }
    root_ = pattern;
    const std::filesystem::path ports = std::filesystem::path(root_) / "benchlink" / "ports";
    std::filesystem::create_directories(ports, ec);
    if (!ec) std::filesystem::create_symlink(target, ports / ("com" + std::to_string(kPort)), ec);
    if (ec) {
        error = "cannot link " + target.string() + ": " + ec.message();
        return false;
    }
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
        oldConfig_ = old;
        hadOldConfig_ = true;
    }
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    envChanged_ = true;
    return true;
}
