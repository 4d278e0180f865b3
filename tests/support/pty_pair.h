// A raw-mode pseudo-terminal pair standing in for a serial line: the slave is
// what the program opens as its COM port, the master is the far end the test drives.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"
#include "core/util/non_copyable.h"

class PtyPair : private NonCopyable {
public:
    PtyPair();
    ~PtyPair();

    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    int master() const { return master_; }
    int slave() const { return slave_; }
    const std::string& slave_path() const { return slave_path_; }

    // Far end: write bytes towards the program.
    bool write(const std::vector<std::uint8_t>& bytes);
    bool write(std::string_view bytes);
    // Far end: collect what the program sent until `quiet` passes with nothing new,
    // or `limit` in all.
    std::vector<std::uint8_t> read_quiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(50),
                                         std::chrono::milliseconds limit = std::chrono::milliseconds(2000));
    // Far end: wait for exactly n bytes (fewer on time-out).
    std::vector<std::uint8_t> read_exactly(std::size_t n,
                                           std::chrono::milliseconds limit = std::chrono::milliseconds(2000));
    // Drop what the program sent so far.
    void drain();

    // Unplug: close the far end, so the program's descriptor hangs up.
    void close_far_end();

    // The line rate the program programmed (read back through termios2).
    std::uint32_t programmed_rate() const;

private:
    int master_ = -1;
    int slave_ = -1; // kept open so the master never sees a hang-up of its own
    std::string slave_path_;
};

// A temporary XDG_CONFIG_HOME whose ports folder links COM ports to pseudo-terminals.
// Restores the previous XDG_CONFIG_HOME when it goes.
class ComPortFolder : private NonCopyable {
public:
    ComPortFolder();
    ~ComPortFolder();

    const std::string& ports_folder() const { return ports_; }
    // Links COM n to the slave of the pair (or any path).
    bool link(int n, const std::string& target);
    bool link(int n, const PtyPair& pair) { return link(n, pair.slave_path()); }
    // Makes COM n a file naming a network address (rfc2217://... or tcp://...).
    bool address(int n, const std::string& address);

private:
    TempDir dir_;
    std::string ports_;
    std::string old_config_;
    bool had_old_ = false;
};
