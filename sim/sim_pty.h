// The pseudo-terminal the simulated device sits on. The simulator keeps a slave
// descriptor of its own so that the master never reads a hang-up while no
// program has the port open; it never reads from it.
#pragma once

#include <cstdint>
#include <string>

#include "core/util/non_copyable.h"

// Owns one descriptor.
class UniqueFd : private NonCopyable {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

class SimPty {
public:
    // Opens the pair: master non-blocking, slave in raw mode at `rate` baud.
    bool open(std::uint32_t rate, std::string& error);

    int master() const { return master_.get(); }
    int slave() const { return slave_.get(); }
    const std::string& slave_path() const { return slave_path_; }

private:
    UniqueFd master_;
    UniqueFd slave_;
    std::string slave_path_;
};
